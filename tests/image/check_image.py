#!/usr/bin/python3
"""Checks the built launcher image with pefile, a PE reader of its own that
shares nothing with the toolchain that wrote the file.

Usage: check_image.py VARNIX_EXE ICON_FILE AREA...
       check_image.py cost_figures COST_MD COMPILER FILE...
       check_image.py reproducible CMAKE GENERATOR TOOLCHAIN BUILD_TYPE
                      SOURCE_DIR BUILD_DIR REFERENCE_EXE NEW_BUILD_DIR
AREA is one of: header imports resources manifest icon version, or
resources_without_manifest for the variant built without the manifest.
cost_figures: the size table of the shipped files, COST_MD, gives each
FILE's size and imports as built, in a row naming it in backticks, below a
line "Sizes as built by <COMPILER>:"; COMPILER is the first line of
"--version" of the compiler that built them.
reproducible: a second build from SOURCE_DIR into NEW_BUILD_DIR, emptied
first, gives the bytes of REFERENCE_EXE, which lies at the same place under
BUILD_DIR.
Prints every mismatch and exits 1 if there was any.
"""

import difflib
import os
import re
import shutil
import struct
import subprocess
import sys
import xml.etree.ElementTree as ElementTree
from collections import defaultdict
from pathlib import Path

import pefile

# Imports are read, and two images compared, as the release does it, by the
# helpers in scripts/: tests may use the scripts, never the other way round.
# No bytecode is left beside them, outside build/.
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..",
                                "scripts"))
sys.dont_write_bytecode = True
import pe_imports  # noqa: E402
import release_image  # noqa: E402

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = (
    pefile.RESOURCE_TYPE["RT_" + kind]
    for kind in ("ICON", "GROUP_ICON", "VERSION", "MANIFEST"))
US_ENGLISH = 0x0409
ICON_GROUP = 105
ICON_ID = 1
MANIFEST_ID = 1  # the one the loader reads for a process
# Linked without the compiler's runtime and startup code, the launcher's
# figures are its own: one that changes is news, whoever compiled it. The
# other programs carry that runtime, and its size and imports move with each
# compiler release.
ALWAYS_CHECKED = "Varnix.exe"


def directory(pe, name):
    entry = pe.OPTIONAL_HEADER.DATA_DIRECTORY[
        pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_" + name]]
    return (entry.VirtualAddress, entry.Size)


def dll(pe, flag):
    return getattr(pe.OPTIONAL_HEADER, "IMAGE_DLLCHARACTERISTICS_" + flag)


# The sections with every IMAGE_SCN_MEM_ flag of FLAGS, holding HOLDING.
def sections(pe, *flags, holding=None):
    return [s.Name.rstrip(b"\0").decode() for s in pe.sections
            if all(getattr(s, "IMAGE_SCN_MEM_" + f) for f in flags) and
            (holding is None or s.contains_rva(holding))]


# (what, how to read it, expected)
HEADER = [
    ("machine", lambda pe: pe.FILE_HEADER.Machine, 0x014C),
    ("optional header magic", lambda pe: pe.OPTIONAL_HEADER.Magic, 0x010B),
    ("link time stamp", lambda pe: pe.FILE_HEADER.TimeDateStamp, 0),
    ("subsystem", lambda pe: pe.OPTIONAL_HEADER.Subsystem,
     pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"]),
    ("subsystem version",
     lambda pe: (pe.OPTIONAL_HEADER.MajorSubsystemVersion,
                 pe.OPTIONAL_HEADER.MinorSubsystemVersion), (4, 0)),
    ("operating system version",
     lambda pe: (pe.OPTIONAL_HEADER.MajorOperatingSystemVersion,
                 pe.OPTIONAL_HEADER.MinorOperatingSystemVersion), (4, 0)),
    ("TERMINAL_SERVER_AWARE", lambda pe: dll(pe, "TERMINAL_SERVER_AWARE"),
     True),
    ("symbol table",
     lambda pe: (pe.FILE_HEADER.PointerToSymbolTable,
                 pe.FILE_HEADER.NumberOfSymbols), (0, 0)),
    ("debug directory", lambda pe: directory(pe, "DEBUG"), (0, 0)),
    # Debug sections get long names, which the section table spells "/n".
    ("debug sections",
     lambda pe: [s.Name.rstrip(b"\0").decode() for s in pe.sections
                 if s.Name.startswith((b".debug", b"/"))], []),
    # The rules of BinSkim, Microsoft's checker of Windows images, that apply
    # to this one and need no PDB (docs/shipping.md names the rest), but for
    # BA2005 (old DLLs by name), BA2012 (a load configuration's stack cookie:
    # there is none) and BA2022 (the signature's algorithms). No flag moves
    # an image without relocations; type 0 entries only pad a block.
    ("BA2009 EnableAddressSpaceLayoutRandomization: DYNAMIC_BASE, "
     "relocations stripped, base relocations present",
     lambda pe: (dll(pe, "DYNAMIC_BASE"),
                 pe.FILE_HEADER.IMAGE_FILE_RELOCS_STRIPPED,
                 any(entry.type != 0 for block in
                     getattr(pe, "DIRECTORY_ENTRY_BASERELOC", [])
                     for entry in block.entries)), (True, False, True)),
    # The loader writes the imported addresses there.
    ("BA2010 DoNotMarkImportsSectionAsExecutable: executable sections "
     "holding the import directory",
     lambda pe: sections(pe, "EXECUTE", holding=directory(pe, "IMPORT")[0]),
     []),
    ("BA2016 MarkImageAsNXCompatible: NX_COMPAT",
     lambda pe: dll(pe, "NX_COMPAT"), True),
    # A load configuration as BinSkim reads one: 72 bytes or more, with a
    # table and a handler in it.
    ("BA2018 EnableSafeSEH: NO_SEH, or a load configuration with a SafeSEH "
     "table",
     lambda pe: dll(pe, "NO_SEH") or (config := getattr(
         pe, "DIRECTORY_ENTRY_LOAD_CONFIG", None)) is not None and
     config.struct.Size >= 72 and config.struct.SEHandlerTable != 0 and
     config.struct.SEHandlerCount != 0, True),
    ("BA2019 DoNotMarkWritableSectionsAsShared: sections writable and shared",
     lambda pe: sections(pe, "WRITE", "SHARED"), []),
    ("BA2021 DoNotMarkWritableSectionsAsExecutable: section alignment below "
     "a page, sections writable and executable",
     lambda pe: (pe.OPTIONAL_HEADER.SectionAlignment < 0x1000,
                 sections(pe, "WRITE", "EXECUTE")), (False, [])),
]

IMPORTS = {
    "KERNEL32.DLL": {
        "GetCommandLineA", "GetModuleFileNameA", "GetACP", "GetCPInfo",
        "SetCurrentDirectoryA", "GetCurrentDirectoryA",
        "SetEnvironmentVariableA", "GetStartupInfoA", "CreateProcessA",
        "ExitProcess"},
    "USER32.DLL": {"MessageBoxA"},
}

# (type, identifier, language): the whole resource tree. Sorted as text,
# since a resource may be named rather than numbered.
RESOURCES_WITHOUT_MANIFEST = sorted([
    (RT_ICON, ICON_ID, US_ENGLISH), (RT_GROUP_ICON, ICON_GROUP, US_ENGLISH),
    (RT_VERSION, 1, US_ENGLISH)], key=str)
RESOURCES = sorted(RESOURCES_WITHOUT_MANIFEST +
                   [(RT_MANIFEST, MANIFEST_ID, US_ENGLISH)], key=str)

# The whole manifest, compared in canonical form (layout and attribute order
# aside): no elevation or virtualization; the Windows versions it knows,
# Vista to 11; UTF-8 (case-sensitive); drawn at the screen's resolution with
# themed controls. Windows knows the settings' namespaces as http:// only.
MANIFEST = """<assembly xmlns="urn:schemas-microsoft-com:asm.v1"
 manifestVersion="1.0"><trustInfo xmlns="urn:schemas-microsoft-com:asm.v3">
<security><requestedPrivileges><requestedExecutionLevel level="asInvoker"
 uiAccess="false"/></requestedPrivileges></security></trustInfo>
<compatibility xmlns="urn:schemas-microsoft-com:compatibility.v1"><application>
<supportedOS Id="{e2011457-1546-43c5-a5fe-008deee3d3f0}"/>
<supportedOS Id="{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"/>
<supportedOS Id="{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"/>
<supportedOS Id="{1f676c76-80e1-4239-95bb-83d0f6d0da78}"/>
<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>
</application></compatibility><application
 xmlns="urn:schemas-microsoft-com:asm.v3"><windowsSettings><activeCodePage
 xmlns="http://schemas.microsoft.com/SMI/2019/WindowsSettings">UTF-8
</activeCodePage><dpiAware
 xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>
<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings"
>PerMonitorV2, System</dpiAwareness></windowsSettings></application>
<dependency><dependentAssembly><assemblyIdentity type="win32" version="6.0.0.0"
 name="Microsoft.Windows.Common-Controls" processorArchitecture="*"
 publicKeyToken="6595b64144ccf1df" language="*"/></dependentAssembly>
</dependency></assembly>"""

GROUP_HEADER = [("reserved", 0), ("type", 1), ("count", 1)]
GROUP_ENTRY = [("width", 32), ("height", 32), ("colours", 16),
               ("reserved", 0), ("planes", 1), ("bits per pixel", 4),
               ("bytes", None), ("icon id", ICON_ID)]  # bytes: the image's
BITMAP_HEADER = [("size", 40), ("width", 32), ("height", 64), ("planes", 1),
                 ("bits per pixel", 4), ("compression", 0)]

# FileOS VOS_NT_WINDOWS32, FileType VFT_APP.
FIXED_VERSION = [("Signature", 0xFEEF04BD), ("StrucVersion", 0x00010000),
                 ("FileFlagsMask", 0x3F), ("FileFlags", 0),
                 ("FileOS", 0x00040004), ("FileType", 0x1), ("FileSubtype", 0),
                 ("FileDateMS", 0), ("FileDateLS", 0)]

STRING_TABLE_KEY = "040904b0"
# In this order, each a pattern of the whole text, with the values of the
# header that the resource script takes them from: a new version is one edit.
STRINGS = {
    "CompanyName": "{MAKER}", "FileDescription": "{PRODUCT}",
    "FileVersion": "{TEXT}", "InternalName": "{PRODUCT}",
    "LegalCopyright": ".*{MAKER}.*", "LegalTrademarks": ".*{MAKER}.*",
    "OriginalFilename": r"Varnix\.exe", "ProductName": "{MAKER} {PRODUCT}",
    "ProductVersion": "{TEXT}",
}
TRANSLATIONS = [{"Translation": "0x0409 0x04b0"}]


FAILURES = []


def expect(what, got, want):
    if got != want:
        FAILURES.append("%s: got %s, want %s" %
                        (what, shown(got), shown(want)))


def shown(value):
    if isinstance(value, tuple):
        return "(%s)" % ", ".join(shown(v) for v in value)
    if isinstance(value, int) and not isinstance(value, bool) and value > 9:
        return "0x%X" % value
    return repr(value)


def resource_tree(pe):
    """Every (type, identifier, language, data entry) of the image."""
    def label(entry):
        return str(entry.name) if entry.name is not None else entry.id
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    return [(label(rtype), label(name), lang.id, lang.data.struct)
            for rtype in (root.entries if root else [])
            for name in rtype.directory.entries
            for lang in name.directory.entries]


def resource_data(pe, rtype, rid):
    return next((pe.get_data(entry.OffsetToData, entry.Size)
                 for t, n, _, entry in resource_tree(pe)
                 if (t, n) == (rtype, rid)), None)


def check_header(pe, exe, _):
    print("%s: %d bytes" % (exe, os.path.getsize(exe)))
    for what, read, want in HEADER:
        expect(what, read(pe), want)


def check_imports(pe, _, __):
    got, want = defaultdict(set), defaultdict(set, IMPORTS)
    for dll, names in pe_imports.imports(pe):
        got[dll.upper()].update(names)
    for dll in sorted(got):
        print("%s: %s" % (dll, ", ".join(sorted(got[dll]))))
    for dll in sorted(set(got) | set(want)):
        expect(dll + " missing imports", sorted(want[dll] - got[dll]), [])
        expect(dll + " extra imports", sorted(got[dll] - want[dll]), [])
    expect("delay-load imports", directory(pe, "DELAY_IMPORT"), (0, 0))


def check_resources(pe, _, __, want=RESOURCES):
    got = sorted(((t, n, lang) for t, n, lang, _ in resource_tree(pe)),
                 key=str)
    expect("resources (type, id, language)", got, want)


# One element a line, so that a difference shows as the lines that differ.
def canonical(xml):
    return ElementTree.canonicalize(xml, strip_text=True).replace(
        "><", ">\n<").splitlines()


def check_manifest(pe, _, __):
    data = resource_data(pe, RT_MANIFEST, MANIFEST_ID)
    if data is None:
        return expect("manifest present", False, True)
    # A tag with two can crash an older Windows.
    expect("tags declaring more than one namespace",
           re.findall(rb"<[^>]*\sxmlns\b[^>]*\sxmlns\b[^>]*>", data), [])
    try:
        got = canonical(data.decode("utf-8"))
    except (UnicodeDecodeError, ElementTree.ParseError) as error:
        return expect("manifest XML error", str(error), None)
    differing = list(difflib.unified_diff(canonical(MANIFEST), got, "wanted",
                                          "built", n=0, lineterm=""))
    if differing:
        FAILURES.append("manifest:\n" + "\n".join(differing))


def check_icon(pe, _, icon_file):
    group = resource_data(pe, RT_GROUP_ICON, ICON_GROUP)
    image = resource_data(pe, RT_ICON, ICON_ID)
    if group is None or image is None:
        return expect("icon group and image present", False, True)
    expect("icon group size", len(group), 6 + 14)
    for what, data, at, layout, fields in [
            ("icon group", group, 0, "<HHH", GROUP_HEADER),
            ("icon entry", group, 6, "<BBBBHHIH", GROUP_ENTRY),
            ("icon bitmap", image, 0, "<IiiHHI", BITMAP_HEADER)]:
        if len(data) < at + struct.calcsize(layout):
            expect(what + " bytes present", len(data) - at,
                   struct.calcsize(layout))
            continue
        for (field, want), got in zip(fields,
                                      struct.unpack_from(layout, data, at)):
            expect(what + " " + field, got,
                   len(image) if want is None else want)
    ico = Path(icon_file).read_bytes()
    size, offset = struct.unpack_from("<II", ico, 6 + 8)
    expect("icon image equals " + icon_file,
           image == ico[offset:offset + size], True)


def check_version(pe, _, __):
    header = Path(__file__).resolve().parents[2] / "resources/varnix_version.h"
    header = dict(re.findall(r'^#define VARNIX_(\w+) "?([^"\n]*?)"?$',
                             header.read_text(), re.MULTILINE))
    numbers = [int(header["VERSION_" + part])
               for part in ("MAJOR", "MINOR", "PATCH", "BUILD")]
    header["TEXT"] = ", ".join(str(n) for n in numbers)
    fixed = getattr(pe, "VS_FIXEDFILEINFO", [None])[0]
    for field, want in FIXED_VERSION:
        expect(field, getattr(fixed, field, None), want)
    for kind in ("FileVersion", "ProductVersion"):  # 16 bits a number
        ms, ls = (getattr(fixed, kind + half, 0) for half in ("MS", "LS"))
        expect(kind + " numbers",
               [ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF], numbers)
    blocks = {b.Key.decode(): b for b in getattr(pe, "FileInfo", [[]])[0]}
    expect("version blocks", sorted(blocks), ["StringFileInfo", "VarFileInfo"])
    tables = getattr(blocks.get("StringFileInfo"), "StringTable", [])
    expect("string table keys", [t.LangID.decode() for t in tables],
           [STRING_TABLE_KEY])
    if tables:
        got = {k.decode(): v.decode() for k, v in tables[0].entries.items()}
        expect("string keys in order", list(got), list(STRINGS))
        escaped = {k: re.escape(v) for k, v in header.items()}
        for key, pattern in STRINGS.items():
            value = got.get(key, "")
            expect(key, value, value if re.fullmatch(
                pattern.format_map(escaped), value) else
                pattern.format_map(header))
    variables = getattr(blocks.get("VarFileInfo"), "Var", [])
    expect("translation entries",
           [{k.decode(): v for k, v in var.entry.items()}
            for var in variables], TRANSLATIONS)


AREAS = {"header": check_header, "imports": check_imports,
         "resources": check_resources, "manifest": check_manifest,
         "icon": check_icon, "version": check_version,
         "resources_without_manifest": lambda *area: check_resources(
             *area, RESOURCES_WITHOUT_MANIFEST)}


def check_cost_figures(cost, compiler, files):
    rows, named = {}, None
    for line in Path(cost).read_text(encoding="utf-8").splitlines():
        built_by = re.fullmatch(r"Sizes as built by (.+):", line.strip())
        named = built_by[1] if built_by else named
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        names = re.findall(r"`([^`]+\.exe)`", cells[0])
        if len(cells) == 3 and names:
            rows[names[-1]] = (cells[1], cells[2])
    if named is None:
        FAILURES.append(f'{cost}: no line "Sizes as built by <compiler>:" '
                        f"above the table; this tree was built by {compiler}")
        return
    unchecked = []
    for path in files:
        name = os.path.basename(path)
        built = pe_imports.figures(path)
        if name not in rows:
            FAILURES.append(f"{cost}: no row for {name}; the build gives "
                            f"{built}")
        elif named != compiler and name != ALWAYS_CHECKED:
            unchecked.append(name)
        elif rows[name] != built:
            FAILURES.append(f"{cost}: {name} has {rows[name]}; the build "
                            f"gives {built}")
    if unchecked:
        print(f"{cost}: left unchecked, since the table gives the sizes as "
              f"built by {named} and this tree was built by {compiler}: "
              + ", ".join(unchecked))


# No link time stamp, no build path, nothing else that varies between builds
# may reach the image. Both builds use one toolchain: another compiler
# release gives other bytes, which is why a release names the tools that
# built it.
def check_reproducible(cmake, generator, toolchain, build_type, source,
                       reference_build, reference, build):
    # The new tree is emptied first; it must not hold the reference.
    if Path(reference).resolve().is_relative_to(Path(build).resolve()):
        return FAILURES.append("%s lies inside %s" % (reference, build))
    shutil.rmtree(build, ignore_errors=True)
    for step in [[cmake, "-S", source, "-B", build, "-G", generator,
                  "-DCMAKE_TOOLCHAIN_FILE=" + toolchain,
                  "-DCMAKE_BUILD_TYPE=" + build_type],
                 [cmake, "--build", build, "--target", "Varnix",
                  "--parallel", str(os.cpu_count() or 1)]]:
        result = subprocess.run(step, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, text=True)
        if result.returncode != 0:
            return FAILURES.append("%s exited with %d:\n%s" % (
                " ".join(step), result.returncode, result.stdout))
    again = os.path.join(build, os.path.relpath(reference, reference_build))
    first, second = Path(reference).read_bytes(), Path(again).read_bytes()
    print("%s: %d bytes; %s: %d bytes" % (reference, len(first), again,
                                          len(second)))
    if first != second:
        FAILURES.append("the two builds differ: " + "; ".join(
            release_image.differences(first, second)))


def main(argv):
    if argv[1:2] == ["cost_figures"] and len(argv) >= 5:
        check_cost_figures(argv[2], argv[3], argv[4:])
    elif argv[1:2] == ["reproducible"] and len(argv) == 10:
        check_reproducible(*argv[2:])
    elif len(argv) >= 4 and all(a in AREAS for a in argv[3:]):
        pe = pefile.PE(argv[1])
        for area in argv[3:]:
            AREAS[area](pe, argv[1], argv[2])
    else:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    for failure in FAILURES:
        print("FAIL " + failure)
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
