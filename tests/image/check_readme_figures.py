#!/usr/bin/python3
"""Checks that the README's table of the shipped files gives each file's
size and imports exactly as the build does: those figures do not depend on
the machine, so a stale one is simply wrong.

Usage: check_readme_figures.py README FILE...
Each FILE has a row of its own in the table, naming it in backticks.
Prints every mismatch and exits 1 if there was any.
"""

import os
import re
import sys

# Imports are read as the release reads them, by the helper in scripts/:
# tests may use the scripts, never the other way round. No bytecode is left
# beside it, outside build/.
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..",
                                "scripts"))
sys.dont_write_bytecode = True
import pe_imports  # noqa: E402


def main(readme, files):
    rows = {}
    with open(readme, encoding="utf-8") as f:
        for line in f:
            cells = [c.strip() for c in line.strip().strip("|").split("|")]
            names = re.findall(r"`([^`]+\.exe)`", cells[0]) if cells else []
            if len(cells) == 3 and names:
                rows[names[-1]] = (cells[1], cells[2])
    bad = 0
    for path in files:
        name = os.path.basename(path)
        built = pe_imports.figures(path)
        if name not in rows:
            print(f"{readme}: no row for {name}; the build gives {built}")
            bad += 1
        elif rows[name] != built:
            print(f"{readme}: {name} has {rows[name]}; the build gives {built}")
            bad += 1
    return 1 if bad else 0


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2:]))
