#!/usr/bin/python3
"""What scripts/release reads from, and checks in, the launcher image.

Usage: release_image.py imports EXE
       release_image.py compare BUILT_EXE EXE
imports: prints each imported DLL and its functions, one DLL a line.
compare: checks that EXE is BUILT_EXE: byte for byte when EXE carries no
signature; when it carries one, BUILT_EXE with an Authenticode certificate
table appended and nothing else changed but the header checksum and the
certificate table's directory entry. Prints each difference, the first
changed byte by its offset and what lies there, and exits 1 if there was any.
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


def where(image, offset):
    """What lies at a file offset of an image, so that a difference names
    more than a number: a header field, a resource, or a section's bytes
    and their address once loaded."""
    if offset >= len(image):
        return "past the end of the %d-byte file" % len(image)
    try:
        pe = pefile.PE(data=image)
    except pefile.PEFormatError:
        return "in a file that is no Windows program"
    for found in pe.__structures__:
        start = found.get_file_offset()
        if start <= offset < start + found.sizeof():
            field = max((at, name) for name, at in
                        found.__field_offsets__.items() if at <= offset - start)
            name = found.name
            if name == "IMAGE_SECTION_HEADER":
                name += "(%s)" % found.Name.rstrip(b"\0").decode(errors="replace")
            return "%s.%s" % (name, field[1])
    section = pe.get_section_by_offset(offset)
    if section is None:
        return "outside every section and header"
    rva = offset - section.PointerToRawData + section.VirtualAddress
    place = "section %s, address 0x%X" % (
        section.Name.rstrip(b"\0").decode(errors="replace"), rva)
    for kind in getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None) and \
            pe.DIRECTORY_ENTRY_RESOURCE.entries or []:
        for item in kind.directory.entries:
            for language in item.directory.entries:
                data = language.data.struct
                if data.OffsetToData <= rva < data.OffsetToData + data.Size:
                    return "%s: resource %s %s, language 0x%04X" % (
                        place, pefile.RESOURCE_TYPE.get(kind.id, kind.id),
                        item.id if item.name is None else item.name,
                        language.id)
    return place


def differences(built, other):
    """Every way in which other is more than built, or built plus a
    signature."""
    try:
        after = pefile.PE(data=other, fast_load=True)
        entry = after.OPTIONAL_HEADER.DATA_DIRECTORY[SECURITY]
    except pefile.PEFormatError:
        after, entry = None, None
    found, allowed = [], set()
    if entry is None or entry.Size == 0:
        if len(other) != len(built):
            end = min(len(other), len(built))
            found.append("it is %d bytes, the built file %d: %s" % (
                len(other), len(built),
                "it ends at 0x%X, %s" % (end, where(built, end))
                if end < len(built) else
                "it goes on past the built file's end, 0x%X" % end))
    else:
        before = pefile.PE(data=built, fast_load=True)
        if before.OPTIONAL_HEADER.DATA_DIRECTORY[SECURITY].Size:
            found.append("the built file already has a certificate table")
        # For this one directory the "virtual address" is a file offset.
        table, size = entry.VirtualAddress, entry.Size
        if table + size != len(other):
            found.append("the certificate table (0x%X, %d bytes) does not end "
                         "the %d-byte file" % (table, size, len(other)))
        padded = -(-len(built) // TABLE_ALIGNMENT) * TABLE_ALIGNMENT
        if table != padded:
            found.append("the certificate table starts at 0x%X, not at the "
                         "built file's end rounded up, 0x%X" % (table, padded))
        if other[len(built):min(table, len(other))].strip(b"\0"):
            found.append("the bytes between the image and the certificate "
                         "table are not zeros")
        for offset, length in [
                (before.OPTIONAL_HEADER.get_field_absolute_offset("CheckSum"),
                 4), (entry.get_file_offset(), 8)]:
            allowed.update(range(offset, offset + length))
        if after.OPTIONAL_HEADER.CheckSum != after.generate_checksum():
            found.append("its header checksum 0x%X is wrong; it should be "
                         "0x%X" % (after.OPTIONAL_HEADER.CheckSum,
                                   after.generate_checksum()))
        other = other[:len(built)]
    changed = [offset for offset, (x, y) in enumerate(zip(built, other))
               if x != y and offset not in allowed]
    if changed:
        first = changed[0]
        found.insert(0, "%d byte%s of the image differ%s, first at 0x%X, %s: "
                     "0x%02X where the built file has 0x%02X" % (
                         len(changed), "s" if len(changed) > 1 else "",
                         "" if len(changed) > 1 else "s", first,
                         where(built, first), other[first], built[first]))
    return found


def compare(built_path, path):
    with open(built_path, "rb") as f:
        built = f.read()
    with open(path, "rb") as f:
        other = f.read()
    found = differences(built, other)
    for difference in found:
        print("%s: %s" % (path, difference))
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
