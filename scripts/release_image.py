#!/usr/bin/python3
"""What scripts/release reads from, and checks in, the launcher image.

Usage: release_image.py imports EXE
       release_image.py compare UNSIGNED_EXE SIGNED_EXE
imports: prints each imported DLL and its functions, one DLL a line.
compare: checks that SIGNED_EXE is UNSIGNED_EXE with an Authenticode
certificate table appended and nothing else changed but the header checksum
and the certificate table's directory entry; prints each difference and
exits 1 if there was any.
"""

import sys

import pefile

# No bytecode beside the helper: the scripts keep their files under build/.
sys.dont_write_bytecode = True
import pe_imports  # noqa: E402

SECURITY = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_SECURITY"]
# The certificate table starts on an 8-byte boundary; the signer pads the
# file with zeros up to it.
TABLE_ALIGNMENT = 8


def imports(path):
    for dll, names in pe_imports.read_imports(path):
        print("%s: %s" % (dll, ", ".join(sorted(names))))
    return 0


def differences(unsigned, signed):
    """Every way in which signed is more than unsigned plus a signature."""
    before = pefile.PE(data=unsigned, fast_load=True)
    after = pefile.PE(data=signed, fast_load=True)
    found = []
    if before.OPTIONAL_HEADER.DATA_DIRECTORY[SECURITY].Size:
        found.append("the unsigned file already has a certificate table")
    entry = after.OPTIONAL_HEADER.DATA_DIRECTORY[SECURITY]
    # For this one directory the "virtual address" is a file offset.
    table, size = entry.VirtualAddress, entry.Size
    if size == 0:
        return found + ["the signed file has no certificate table"]
    if table + size != len(signed):
        found.append("the certificate table (0x%X, %d bytes) does not end "
                     "the %d-byte file" % (table, size, len(signed)))
    padded = -(-len(unsigned) // TABLE_ALIGNMENT) * TABLE_ALIGNMENT
    if table != padded:
        found.append("the certificate table starts at 0x%X, not at the "
                     "unsigned file's end rounded up, 0x%X" % (table, padded))
    if signed[len(unsigned):min(table, len(signed))].strip(b"\0"):
        found.append("the bytes between the image and the certificate table "
                     "are not zeros")
    masked = [
        (before.OPTIONAL_HEADER.get_field_absolute_offset("CheckSum"), 4),
        (entry.get_file_offset(), 8),
    ]
    allowed = set()
    for offset, length in masked:
        allowed.update(range(offset, offset + length))
    changed = [offset for offset, (x, y) in
               enumerate(zip(unsigned, signed[:len(unsigned)]))
               if x != y and offset not in allowed]
    if changed:
        found.append("%d bytes of the image changed, first at 0x%X" %
                     (len(changed), changed[0]))
    if after.OPTIONAL_HEADER.CheckSum != after.generate_checksum():
        found.append("the signed file's header checksum 0x%X is wrong; it "
                     "should be 0x%X" % (after.OPTIONAL_HEADER.CheckSum,
                                         after.generate_checksum()))
    return found


def compare(unsigned_path, signed_path):
    with open(unsigned_path, "rb") as f:
        unsigned = f.read()
    with open(signed_path, "rb") as f:
        signed = f.read()
    found = differences(unsigned, signed)
    for difference in found:
        print("%s: %s" % (signed_path, difference))
    return 1 if found else 0


def main(argv):
    if argv[1:2] in (["-h"], ["--help"]):
        print(__doc__.split("\n\n")[1])
        return 0
    if len(argv) == 3 and argv[1] == "imports":
        return imports(argv[2])
    if len(argv) == 4 and argv[1] == "compare":
        return compare(argv[2], argv[3])
    print(__doc__.split("\n\n")[1], file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
