#!/usr/bin/env python3
"""check_resources.py EXE: the manifest and the icon group, read back from a built ostrevane.exe.

Windows does not start an exe whose manifest its side-by-side loader rejects, and Wine is lenient,
so the manifest is checked as XML against the documented structure; then planted mistakes in it
must each be rejected for their own reason.
"""
import re
import struct
import sys
import xml.etree.ElementTree as ET

NS = {"v1": "urn:schemas-microsoft-com:asm.v1", "v3": "urn:schemas-microsoft-com:asm.v3",
      "c": "urn:schemas-microsoft-com:compatibility.v1",
      "w5": "http://schemas.microsoft.com/SMI/2005/WindowsSettings",
      "w16": "http://schemas.microsoft.com/SMI/2016/WindowsSettings"}
WINDOWS = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}  # Vista, 7, 8, 8.1, 10 and 11
A, OS, TRUST, DPI = ("v1:assembly", "v1:assembly/c:compatibility/c:application/c:supportedOS",
                     "v1:assembly/v3:trustInfo/v3:security/v3:requestedPrivileges",
                     "v1:assembly/v3:application/v3:windowsSettings")
# Every element by its path, with what it must say ("" is its text; None is the version
# resource's four numbers). Each must be there once (supportedOS once a system), and no other.
TREE = {A: {"manifestVersion": "1.0"},
        A + "/v1:assemblyIdentity": {"type": "win32", "name": "Ostrevane",
                                     "processorArchitecture": "amd64", "version": None},
        A + "/v3:trustInfo": {}, A + "/v3:trustInfo/v3:security": {}, TRUST: {},
        TRUST + "/v3:requestedExecutionLevel": {"level": "asInvoker", "uiAccess": "false"},
        A + "/c:compatibility": {}, A + "/c:compatibility/c:application": {}, OS: {},
        A + "/v3:application": {}, DPI: {}, DPI + "/w5:dpiAware": {"": "true/pm"},
        DPI + "/w16:dpiAwareness": {"": "PerMonitorV2, PerMonitor"}}
# (mistake, pattern, replacement, what the rejection must name)
PLANTED = [("dpiAwareness in the 2005 namespace", r"SMI/2016", "SMI/2005", "w5:dpiAwareness does"),
           ("the assembly in the asm.v3 namespace", r"asm\.v1", "asm.v3", "v3:assembly does"),
           ("a three-part version", r"(version=\"\d+\.\d+\.\d+)\.\d+", r"\1", "version is"),
           ("x86 for the architecture", r"\"amd64\"", "\"x86\"", "processorArchitecture is"),
           ("requireAdministrator", r"asInvoker", "requireAdministrator", "level is"),
           ("no Windows 10", r"<supportedOS Id=\"\{8e0f7a12[^>]*>", "", "supportedOS lacks"),
           ("an element left open", r"</assembly>", "", "not well-formed")]


def check_manifest(text, version):
    try:
        root = ET.fromstring(text)
    except ET.ParseError as e:
        return ["not well-formed XML: %s" % e]
    errors, seen, prefix = [], {}, {uri: name for name, uri in NS.items()}

    def walk(element, path):
        uri, name = element.tag[1:].split("}") if "}" in element.tag else ("", element.tag)
        path += "%s:%s" % (prefix.get(uri, uri), name)
        if path not in TREE:
            return errors.append("%s does not belong in an application manifest" % path)
        seen[path] = seen.get(path, []) + [element]
        for key, wanted in TREE[path].items():
            got = (element.text or "").strip() if key == "" else element.get(key)
            if got != (wanted or version):
                errors.append("%s %s is %r, not %r" % (path, key or "text", got, wanted or version))
        for child in element:
            walk(child, path + "/")

    walk(root, "")
    errors += ["%s: %d, not one" % (p, len(seen.get(p, []))) for p in TREE
               if len(seen.get(p, [])) != 1 and p != OS]
    ids = {e.get("Id") for e in seen.get(OS, [])}
    return errors + (["supportedOS lacks %s" % (WINDOWS - ids)] if ids != WINDOWS else [])


def resources(path):
    """{(type, ID): data} of the exe's resources, the first language of each."""
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    count, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    rsrc = struct.unpack_from("<I", data, pe + 24 + 128)[0]  # PE32+ data directory 2
    table = [struct.unpack_from("<8xII4xI", data, pe + 24 + optional_size + 40 * i)
             for i in range(count)]
    offset = lambda rva: next(raw + rva - va for size, va, raw in table if va <= rva < va + size)
    base = offset(rsrc) if rsrc else 0
    entries = lambda at: [struct.unpack_from("<II", data, base + at + 16 + 8 * i)
                          for i in range(sum(struct.unpack_from("<12xHH", data, base + at)))]
    found = {}
    for kind, names in entries(0) if rsrc else []:
        for name, languages in entries(names & 0x7FFFFFFF):
            first = entries(languages & 0x7FFFFFFF)[0][1]
            rva, size = struct.unpack_from("<II", data, base + first)
            found[(kind, name)] = data[offset(rva):offset(rva) + size]
    return found


def main():
    exe = resources(sys.argv[1])
    manifests = [name for kind, name in exe if kind == 24]
    errors = [] if manifests == [1] else ["manifests %s, not resource 1 alone" % manifests]
    ms, ls = struct.unpack("<II", exe.get((16, 1), bytes(56))[48:56])  # VS_FIXEDFILEINFO
    version = "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    manifest = exe.get((24, 1), b"").decode("utf-8")
    errors += check_manifest(manifest, version)
    groups = [data for (kind, _), data in exe.items() if kind == 14]
    icons = [struct.unpack_from("<B5xHIH", groups[0], 6 + 14 * i)
             for i in range(struct.unpack_from("<H", groups[0], 4)[0])] if len(groups) == 1 else []
    for width, bits, size, icon in icons:  # each a bitmap of its size, width 0 meaning 256
        image = exe.get((3, icon), bytes(16))
        if struct.unpack_from("<Iii2xH", image) != (40, width or 256, 2 * (width or 256), bits) \
                or len(image) != size:
            errors.append("icon %d: not the %d-byte bitmap its group names" % (icon, size))
    if [icon[0] or 256 for icon in icons] != [16, 24, 32, 48, 256]:
        errors.append("%d icon groups, sizes %s" % (len(groups), [i[0] or 256 for i in icons]))
    print("\n".join("FAIL " + e for e in errors) or "%s: manifest %s, icons 16 to 256" % (
        sys.argv[1], version))
    for mistake, pattern, replacement, reason in PLANTED:
        planted = re.sub(pattern, replacement, manifest, count=1)
        found = check_manifest(planted, version) if planted != manifest else ["left unchanged"]
        caught = [e for e in found if reason in e]
        print("planted %s: %s" % (mistake, caught[0] if caught else "NOT REJECTED: %s" % found))
        errors += [] if caught else [mistake]
    sys.exit(1 if errors else 0)


if __name__ == "__main__":
    main()
