#!/usr/bin/python3
"""Checks that the size table of the shipped files (docs/cost.md) gives
each file's size and imports exactly as the build does.

Usage: check_cost_figures.py COST_MD COMPILER FILE...
COMPILER is the first line of "--version" of the compiler that built FILE...
Each FILE has a row of its own in the table, naming it in backticks; above
the table a line "Sizes as built by <COMPILER>:" names the compiler whose
figures the table gives. Prints every mismatch and exits 1 if there was any.
"""

import os
import re
import sys

# Imports are read as the release reads them (see check_image.py).
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..",
                                "scripts"))
sys.dont_write_bytecode = True
import pe_imports  # noqa: E402

# Linked without the compiler's runtime and startup code, the launcher's
# figures are its own: one that changes is news, whoever compiled it. The
# other programs carry that runtime, and its size and imports move with each
# compiler release.
ALWAYS_CHECKED = "Varnix.exe"


def main(cost, compiler, files):
    rows = {}
    named = None
    with open(cost, encoding="utf-8") as f:
        for line in f:
            built_by = re.fullmatch(r"Sizes as built by (.+):", line.strip())
            if built_by:
                named = built_by[1]
            cells = [c.strip() for c in line.strip().strip("|").split("|")]
            names = re.findall(r"`([^`]+\.exe)`", cells[0])
            if len(cells) == 3 and names:
                rows[names[-1]] = (cells[1], cells[2])
    if named is None:
        print(f'{cost}: no line "Sizes as built by <compiler>:" above the '
              f"table; this tree was built by {compiler}")
        return 1
    bad = 0
    unchecked = []
    for path in files:
        name = os.path.basename(path)
        built = pe_imports.figures(path)
        if name not in rows:
            print(f"{cost}: no row for {name}; the build gives {built}")
            bad += 1
        elif named != compiler and name != ALWAYS_CHECKED:
            unchecked.append(name)
        elif rows[name] != built:
            print(f"{cost}: {name} has {rows[name]}; the build gives {built}")
            bad += 1
    if unchecked:
        print(f"{cost}: left unchecked, since the table gives the sizes as "
              f"built by {named} and this tree was built by {compiler}: "
              + ", ".join(unchecked))
    return 1 if bad else 0


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2], sys.argv[3:]))
