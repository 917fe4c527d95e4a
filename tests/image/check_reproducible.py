#!/usr/bin/python3
"""Builds the launcher a second time, from the same sources into a fresh
build directory at another path, and checks that the two files are
byte-identical: no link time stamp, no build path, nothing else that varies
between builds may reach the image. Both builds use one toolchain: another
compiler release gives other bytes, which is why a release names the tools
that built it.

Usage: check_reproducible.py CMAKE GENERATOR TOOLCHAIN BUILD_TYPE SOURCE_DIR
                             BUILD_DIR REFERENCE_EXE NEW_BUILD_DIR
The second build goes to NEW_BUILD_DIR, emptied first; its file is compared
with REFERENCE_EXE, which lies at the same place under BUILD_DIR.
"""

import os
import shutil
import subprocess
import sys
from pathlib import Path


def main(argv):
    if len(argv) != 9:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    (cmake, generator, toolchain, build_type, source, reference_build,
     reference, build) = argv[1:]
    # The new tree is emptied first; it must not hold the reference.
    if Path(reference).resolve().is_relative_to(Path(build).resolve()):
        print("FAIL %s lies inside %s" % (reference, build))
        return 2
    shutil.rmtree(build, ignore_errors=True)
    steps = [
        [cmake, "-S", source, "-B", build, "-G", generator,
         "-DCMAKE_TOOLCHAIN_FILE=" + toolchain,
         "-DCMAKE_BUILD_TYPE=" + build_type],
        [cmake, "--build", build, "--target", "Varnix", "--parallel",
         str(os.cpu_count() or 1)],
    ]
    for step in steps:
        result = subprocess.run(step, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, text=True)
        if result.returncode != 0:
            print(result.stdout)
            print("FAIL %s exited with %d" % (" ".join(step),
                                               result.returncode))
            return 1
    again = os.path.join(build, os.path.relpath(reference, reference_build))
    first, second = Path(reference).read_bytes(), Path(again).read_bytes()
    print("%s: %d bytes; %s: %d bytes" % (reference, len(first), again,
                                          len(second)))
    if first != second:
        offset = next((i for i, (x, y) in enumerate(zip(first, second))
                       if x != y), min(len(first), len(second)))
        print("FAIL the two builds differ, first at file offset 0x%X" % offset)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
