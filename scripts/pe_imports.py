#!/usr/bin/python3
"""What a Windows program imports, read with pefile: one reading for the
release notes, the image checks and the benchmark's file figures, so that
they never count differently.

Usage: pe_imports.py figures FILE...
Prints each FILE's size in bytes and its imports, tab-separated, one file a
line: "2560<TAB>1 (1 DLL)".
"""

import os
import sys

import pefile

IMPORT = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"]


def imports(pe):
    """[(DLL, [function, ...]), ...] in the file's order, a function that
    is imported by ordinal named "#N". Delay-loaded and bound imports are
    not among them: Windows resolves those later or not at all."""
    return [(dll.dll.decode(),
             [i.name.decode() if i.name else "#%d" % i.ordinal
              for i in dll.imports])
            for dll in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])]


def read_imports(path):
    pe = pefile.PE(path, fast_load=True)
    pe.parse_data_directories(directories=[IMPORT])
    return imports(pe)


def figures(path):
    """(size, imports) as the size table in docs/cost.md gives them: "7168",
    "11 (2 DLLs)"."""
    dlls = read_imports(path)
    functions = sum(len(names) for _, names in dlls)
    plural = "s" if len(dlls) > 1 else ""
    return (str(os.path.getsize(path)),
            "%d (%d DLL%s)" % (functions, len(dlls), plural))


def main(argv):
    usage = __doc__.split("\n\n")[1]
    if argv[1:2] in (["-h"], ["--help"]):
        print(usage)
        return 0
    if len(argv) < 3 or argv[1] != "figures":
        print(usage, file=sys.stderr)
        return 2
    for path in argv[2:]:
        print("\t".join(figures(path)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
