#!/usr/bin/env python3
"""Checks a built Korvel.DLL as a file, without running it.

    check-module.py [--release] <Korvel.DLL> win32|win64

win32 expects a PE32 image for i386 carrying a SYS_WIN32 type library,
win64 a PE32+ image for x86-64 carrying a SYS_WIN64 one. Both must be DLLs
that export exactly the four server functions under their plain names,
import system DLLs only, and carry the resources TYPELIB 1, REGISTRY 101
and the version block. --release checks a module that ships as well: at
most 64 KiB, no debug sections, and a debug link to the file beside it that
holds its debug information. Prints one line per finding and exits 1 if
there is any, else prints what it checked and exits 0.
"""
import os
import struct
import sys

EXPECTED = {
    "win32": {"machine": 0x14C, "magic": 0x10B, "format": "PE32", "syskind": 1},
    "win64": {"machine": 0x8664, "magic": 0x20B, "format": "PE32+", "syskind": 3},
}
EXPORTS = ["DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"]
# What a Windows installation has in System32 (and SysWOW64): nothing of the
# compiler's runtime may be needed beside the module.
SYSTEM_DLLS = {"kernel32.dll", "advapi32.dll", "ole32.dll", "oleaut32.dll", "msvcrt.dll",
               "user32.dll", "version.dll"}
IMAGE_FILE_DLL = 0x2000
RT_VERSION = 16
MAX_NAME = 256
RELEASE_SIZE_LIMIT = 64 * 1024


class Damaged(Exception):
    pass


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise Damaged("no MZ header")
        pe = self.u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise Damaged("no PE signature")
        self.machine, sections, _, symbols, symbol_count, optional_size, self.characteristics = \
            struct.unpack_from("<HHIIIHH", data, pe + 4)
        # Long section names ("/4") stand in the string table after the symbols.
        strings = symbols + 18 * symbol_count if symbols else len(data)
        optional = pe + 24
        self.magic = self.u16(optional)
        directories = optional + (96 if self.magic == 0x10B else 112)
        count = self.u32(directories - 4)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i)
                            for i in range(min(count, 16))]
        table = optional + optional_size
        self.sections = []
        for i in range(sections):
            name, virtual_size, address, raw_size, raw_offset = \
                struct.unpack_from("<8sIIII", data, table + 40 * i)
            name = name.rstrip(b"\0").decode("latin-1")
            if name.startswith("/") and name[1:].isdigit():
                start = strings + int(name[1:])
                end = data.find(b"\0", start, start + MAX_NAME)
                name = data[start:end].decode("latin-1") if 0 <= start < end else name
            self.sections.append((name, address,
                                  max(virtual_size, raw_size), raw_offset, raw_size))

    def u16(self, offset):
        return self.unpack("<H", offset)

    def u32(self, offset):
        return self.unpack("<I", offset)

    def unpack(self, layout, offset):
        if offset < 0 or offset + struct.calcsize(layout) > len(self.data):
            raise Damaged("read past the end of the file at %#x" % offset)
        return struct.unpack_from(layout, self.data, offset)[0]

    def offset_of(self, rva):
        for _, address, size, raw_offset, raw_size in self.sections:
            if address <= rva < address + size and rva - address < raw_size:
                return raw_offset + rva - address
        raise Damaged("address %#x lies in no section" % rva)

    def text_at(self, rva):
        start = self.offset_of(rva)
        end = self.data.find(b"\0", start, start + MAX_NAME)
        if end < 0:
            raise Damaged("unterminated name at %#x" % rva)
        return self.data[start:end].decode("latin-1")

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def exports(self):
        rva, _ = self.directory(0)
        if rva == 0:
            return []
        base = self.offset_of(rva)
        count = self.u32(base + 24)
        names = self.offset_of(self.u32(base + 32)) if count else 0
        return [self.text_at(self.u32(names + 4 * i)) for i in range(count)]

    def imports(self):
        rva, _ = self.directory(1)
        found = []
        if rva == 0:
            return found
        entry = self.offset_of(rva)
        while len(found) < 64:
            name = self.u32(entry + 12)
            if name == 0:
                break
            found.append(self.text_at(name))
            entry += 20
        return found

    def resources(self):
        """{(type, name): data} of the resource tree, types and names as
        numbers or strings."""
        rva, _ = self.directory(2)
        found = {}
        if rva == 0:
            return found
        root = self.offset_of(rva)

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, directory + 12)
            for i in range(min(named + numbered, 256)):
                key, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
                if key & 0x80000000:
                    at = root + (key & 0x7FFFFFFF)
                    length = self.u16(at)
                    key = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                yield key, target

        for kind, names in entries(root):
            if not names & 0x80000000:
                continue
            for name, languages in entries(root + (names & 0x7FFFFFFF)):
                if not languages & 0x80000000:
                    continue
                for _, leaf in entries(root + (languages & 0x7FFFFFFF)):
                    if leaf & 0x80000000:
                        continue
                    data_rva, size = struct.unpack_from("<II", self.data, root + leaf)
                    start = self.offset_of(data_rva)
                    found[(kind, name)] = self.data[start:start + size]
        return found


def check_release(path, image):
    findings = []
    if len(image.data) > RELEASE_SIZE_LIMIT:
        findings.append("%d bytes, more than %d" % (len(image.data), RELEASE_SIZE_LIMIT))
    names = [section[0] for section in image.sections]
    debug = [name for name in names if name.startswith((".debug", ".zdebug", "/"))]
    if debug:
        findings.append("debug sections %s" % debug)
    link = [section for section in image.sections if section[0] == ".gnu_debuglink"]
    if not link:
        findings.append("no debug link")
    else:
        _, _, _, raw_offset, raw_size = link[0]
        target = image.data[raw_offset:raw_offset + raw_size].split(b"\0")[0].decode("latin-1")
        beside = os.path.join(os.path.dirname(path), target)
        if not os.path.isfile(beside):
            findings.append("its debug link names %s, which is not beside it" % target)
    return findings


def check(path, kind, release):
    expected = EXPECTED[kind]
    findings = []
    with open(path, "rb") as file:
        image = Image(file.read())
    if release:
        findings += check_release(path, image)
    if image.machine != expected["machine"] or image.magic != expected["magic"]:
        findings.append("not a %s image (machine %#x, optional header %#x)"
                        % (expected["format"], image.machine, image.magic))
    if not image.characteristics & IMAGE_FILE_DLL:
        findings.append("not marked as a DLL")
    exports = image.exports()
    if sorted(exports) != EXPORTS:
        findings.append("exports %s, not exactly %s" % (exports, EXPORTS))
    foreign = [name for name in image.imports() if name.lower() not in SYSTEM_DLLS]
    if foreign:
        findings.append("imports DLLs that are not the system's: %s" % foreign)
    resources = image.resources()
    for key in [("TYPELIB", 1), ("REGISTRY", 101), (RT_VERSION, 1)]:
        if key not in resources:
            findings.append("no resource %s %s" % key)
    library = resources.get(("TYPELIB", 1), b"")
    if library[:4] != b"MSFT" or len(library) < 0x54:
        findings.append("TYPELIB 1 is not a compiled type library")
    elif struct.unpack_from("<I", library, 0x14)[0] & 0xF != expected["syskind"]:
        findings.append("TYPELIB 1 has syskind %d, not %d"
                        % (struct.unpack_from("<I", library, 0x14)[0] & 0xF, expected["syskind"]))
    version = resources.get((RT_VERSION, 1), b"")
    if "OLESelfRegister".encode("utf-16-le") not in version:
        findings.append("the version block has no OLESelfRegister marker")
    return findings


def main():
    arguments = sys.argv[1:]
    release = arguments[:1] == ["--release"]
    if release:
        arguments = arguments[1:]
    if len(arguments) != 2 or arguments[1] not in EXPECTED:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    path, kind = arguments
    try:
        findings = check(path, kind, release)
    except (Damaged, struct.error, OSError, UnicodeDecodeError) as error:
        findings = ["cannot read the file: %s" % error]
    for finding in findings:
        print("%s: %s" % (path, finding))
    if not findings:
        print("%s: %s DLL, exports %s, system imports only, TYPELIB 1 (%s), REGISTRY 101, "
              "version block%s" % (path, EXPECTED[kind]["format"], ", ".join(EXPORTS),
                                   "SYS_WIN64" if kind == "win64" else "SYS_WIN32",
                                   "; %d bytes, no debug sections, debug file beside it"
                                   % os.path.getsize(path) if release else ""))
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main())
