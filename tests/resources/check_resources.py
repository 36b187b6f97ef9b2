#!/usr/bin/env python3
"""check_resources.py EXE: the manifest and icons of a built ostrevane.exe, read back from it.

Windows does not start an exe whose manifest its side-by-side loader rejects; Wine is lenient, and
Wine 8.0 reports every process per-monitor DPI aware whatever its manifest says. So the manifest
is checked as XML against the documented structure: one, resource 1 of type 24, of the version
resource's four numbers. Then planted mistakes in it must each be rejected for their own reason.
"""
import re
import struct
import sys
import xml.etree.ElementTree as ET

NS = {"v1": "urn:schemas-microsoft-com:asm.v1", "v3": "urn:schemas-microsoft-com:asm.v3",
      "c": "urn:schemas-microsoft-com:compatibility.v1",
      "w5": "http://schemas.microsoft.com/SMI/2005/WindowsSettings",
      "w16": "http://schemas.microsoft.com/SMI/2016/WindowsSettings"}
OS_LIST = "v1:assembly/c:compatibility/c:application/c:supportedOS"
WINDOWS = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}  # Vista, 7, 8, 8.1, 10 and 11
TRUST = "v1:assembly/v3:trustInfo/v3:security/v3:requestedPrivileges"
DPI = "v1:assembly/v3:application/v3:windowsSettings"
# Every element the manifest holds, by its path, with what it must say ("" is its text).
# VERSION stands for the version resource's numbers; every path must be there, no other.
VERSION = object()
TREE = {"v1:assembly": {"manifestVersion": "1.0"},
        "v1:assembly/v1:assemblyIdentity": {"type": "win32", "name": "Ostrevane",
                                            "processorArchitecture": "amd64", "version": VERSION},
        "v1:assembly/v3:trustInfo": {}, "v1:assembly/v3:trustInfo/v3:security": {}, TRUST: {},
        TRUST + "/v3:requestedExecutionLevel": {"level": "asInvoker", "uiAccess": "false"},
        "v1:assembly/c:compatibility": {}, "v1:assembly/c:compatibility/c:application": {},
        OS_LIST: {}, "v1:assembly/v3:application": {}, DPI: {},
        DPI + "/w5:dpiAware": {"": "true/pm"},
        DPI + "/w16:dpiAwareness": {"": "PerMonitorV2, PerMonitor"}}


def check_manifest(text, version):
    try:
        root = ET.fromstring(text)
    except ET.ParseError as e:
        return ["not well-formed XML: %s" % e]
    errors, seen = [], {}
    prefix = {uri: name for name, uri in NS.items()}

    def walk(element, parent):
        uri, name = element.tag[1:].split("}") if "}" in element.tag else ("", element.tag)
        path = parent + "%s:%s" % (prefix.get(uri, uri), name)
        if path not in TREE:
            return errors.append("%s does not belong in an application manifest" % path)
        seen[path] = seen.get(path, 0) + 1
        for key, wanted in TREE[path].items():
            got = (element.text or "").strip() if key == "" else element.get(key)
            wanted = version if wanted is VERSION else wanted
            if got != wanted:
                errors.append("%s %s is %r, not %r" % (path, key or "text", got, wanted))
        for child in element:
            walk(child, path + "/")

    walk(root, "")
    errors += ["%d of %s, not one" % (seen.get(p, 0), p) for p in TREE
               if seen.get(p, 0) != 1 and p != OS_LIST]
    ids = {e.get("Id") for e in root.iterfind(OS_LIST.replace("v1:assembly/", ""), NS)}
    if ids != WINDOWS:
        errors.append("supportedOS lacks %s, adds %s" % (WINDOWS - ids or "none",
                                                         ids - WINDOWS or "none"))
    return errors


# (mistake, pattern, replacement, what the rejection must name)
PLANTED = [("dpiAwareness in the 2005 namespace", r"SMI/2016", "SMI/2005", "w5:dpiAwareness does"),
           ("the assembly in the asm.v3 namespace", r"asm\.v1", "asm.v3", "v3:assembly does"),
           ("a three-part version", r"(version=\"\d+\.\d+\.\d+)\.\d+", r"\1", "version is"),
           ("x86 for the architecture", r"\"amd64\"", "\"x86\"", "processorArchitecture is"),
           ("requireAdministrator", r"asInvoker", "requireAdministrator", "level is"),
           ("no Windows 10", r"<supportedOS Id=\"\{8e0f7a12[^>]*>", "", "supportedOS lacks"),
           ("an element left open", r"</assembly>", "", "not well-formed")]


def resources(path):
    """{(type, ID): data} of the exe's resources, the first language of each."""
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    count, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    rsrc = struct.unpack_from("<I", data, pe + 24 + 128)[0]  # PE32+ data directory 2
    if rsrc == 0:
        return {}
    table = pe + 24 + optional_size
    sections = [struct.unpack_from("<8xII4xI", data, table + 40 * i) for i in range(count)]
    offset = lambda rva: next(raw + rva - va for size, va, raw in sections if va <= rva < va + size)
    base = offset(rsrc)

    def entries(at):
        named, ids = struct.unpack_from("<12xHH", data, base + at)
        return [struct.unpack_from("<II", data, base + at + 16 + 8 * i) for i in range(named + ids)]

    found = {}
    for kind, names in entries(0):
        for name, languages in entries(names & 0x7FFFFFFF):
            entry = entries(languages & 0x7FFFFFFF)[0][1]
            rva, size = struct.unpack_from("<II", data, base + entry)
            found[(kind, name)] = data[offset(rva):offset(rva) + size]
    return found


def check_exe(exe):
    """The manifest and its errors, and the icon sizes."""
    manifests = [name for kind, name in exe if kind == 24]
    errors = [] if manifests == [1] else ["manifests %s, not resource 1 alone" % manifests]
    fixed = exe.get((16, 1), bytes(56))[48:56]  # VS_FIXEDFILEINFO's file version
    ms, ls = struct.unpack("<II", fixed)
    version = "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    manifest = exe.get((24, 1), b"").decode("utf-8")
    errors += check_manifest(manifest, version)
    groups = [data for (kind, _), data in exe.items() if kind == 14]
    sizes = []
    for i in range(struct.unpack_from("<H", groups[0], 4)[0] if len(groups) == 1 else 0):
        width, bits, size, icon = struct.unpack_from("<B5xHIH", groups[0], 6 + 14 * i)
        n, image = width or 256, exe.get((3, icon), bytes(16))
        sizes.append(n)
        if struct.unpack_from("<IiiHH", image) != (40, n, 2 * n, 1, bits) or len(image) != size:
            errors.append("icon %d of %d pixels: not a %d-byte bitmap" % (icon, n, size))
    if (len(groups), sizes) != (1, [16, 24, 32, 48, 256]):
        errors.append("%d icon groups, sizes %s" % (len(groups), sizes))
    return manifest, version, errors


def main():
    manifest, version, errors = check_exe(resources(sys.argv[1]))
    print("\n".join("FAIL " + e for e in errors) or
          "%s: manifest %s, icons 16 to 256" % (sys.argv[1], version))
    for mistake, pattern, replacement, reason in PLANTED:
        planted = re.sub(pattern, replacement, manifest, count=1)
        found = check_manifest(planted, version) if planted != manifest else ["left unchanged"]
        caught = [e for e in found if reason in e]
        print("planted %s: %s" % (mistake, caught[0] if caught else "NOT REJECTED: %s" % found))
        errors += [] if caught else [mistake]
    sys.exit(1 if errors else 0)


if __name__ == "__main__":
    main()
