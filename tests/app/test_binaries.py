#!/usr/bin/env python3
"""What users download, read as files: the hook library's promises (size,
exports, imports, shared section, no entry point, unwind data on x64) and the
processor type of every program. Runs without Wine, so it also checks a build
this machine cannot run."""
import struct
import sys
import unittest
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
from e2e import main  # noqa: E402
from rig import arch, bin_dir  # noqa: E402

MACHINE = {"x86": 0x14C, "x64": 0x8664}
# The 32-bit library is as it always was; unwind data costs the 64-bit one a page.
HOOK_SIZE_LIMIT = {"x86": 3584, "x64": 4096}
SHARED_FLAGS = 0x10000000 | 0x40000000 | 0x80000000  # shared, read, write
VERSION = "1.0.0.1"


class PeFile:
    """The little of the PE format these checks need."""

    def __init__(self, data: bytes):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE header")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        self.entry = struct.unpack_from("<I", data, optional + 16)[0]
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        directories = optional + (112 if magic == 0x20B else 96)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(16)]
        self.sections = {}
        for i in range(sections):
            at = optional + optional_size + 40 * i
            name = data[at:at + 8].rstrip(b"\0").decode()
            vsize, rva, raw_size, raw_at = struct.unpack_from("<IIII", data, at + 8)
            flags = struct.unpack_from("<I", data, at + 36)[0]
            self.sections[name] = (rva, vsize, raw_at, raw_size, flags)

    def offset(self, rva):
        for start, vsize, raw_at, raw_size, _ in self.sections.values():
            if start <= rva < start + max(vsize, raw_size):
                return raw_at + rva - start
        raise ValueError(f"RVA {rva:#x} is in no section")

    def text(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode()

    def exports(self):
        """{name: RVA} of the export table."""
        rva, size = self.directories[0]
        if not size:
            return {}
        at = self.offset(rva)
        count = struct.unpack_from("<I", self.data, at + 24)[0]
        functions, names, ordinals = struct.unpack_from("<III", self.data, at + 28)
        result = {}
        for i in range(count):
            name = self.text(struct.unpack_from("<I", self.data, self.offset(names) + 4 * i)[0])
            ordinal = struct.unpack_from("<H", self.data, self.offset(ordinals) + 2 * i)[0]
            result[name] = struct.unpack_from("<I", self.data, self.offset(functions) + 4 * ordinal)[0]
        return result

    def imports(self):
        """The names of the DLLs in the import table."""
        rva, size = self.directories[1]
        names = []
        at = self.offset(rva) if size else None
        while at is not None:
            name = struct.unpack_from("<I", self.data, at + 12)[0]
            if name == 0:
                break
            names.append(self.text(name).upper())
            at += 20
        return names

    def unwound_functions(self):
        """The start RVAs of the functions that the exception directory (.pdata) describes."""
        rva, size = self.directories[3]
        at = self.offset(rva) if size else 0
        return {struct.unpack_from("<I", self.data, at + 12 * i)[0] for i in range(size // 12)}


class BinariesTest(unittest.TestCase):
    def setUp(self):
        self.arch = arch()
        self.bin = bin_dir() / "bin"
        self.release = bin_dir() / "release"

    def test_hook_library_needs_nothing_but_the_hook(self):
        data = (self.bin / "Kestrahk.dll").read_bytes()
        self.assertLessEqual(len(data), HOOK_SIZE_LIMIT[self.arch])
        dll = PeFile(data)
        self.assertEqual(dll.machine, MACHINE[self.arch])
        self.assertEqual(dll.entry, 0, "an entry point runs in every process the hook is loaded into")
        exports = dll.exports()
        self.assertEqual(sorted(exports), ["InstallKbHook", "KBHookProc", "UnInstallKbHook"])
        self.assertEqual(sorted(dll.imports()), ["KERNEL32.DLL", "USER32.DLL"])
        pointer = 8 if self.arch == "x64" else 4
        rva, size, _, _, flags = dll.sections["Shared"]
        self.assertEqual(size, 2 * pointer, "the hook handle and the target window")
        self.assertEqual(flags & SHARED_FLAGS, SHARED_FLAGS)
        if self.arch == "x64":
            # Without unwind data every function counts as a leaf, and an
            # exception or stack walk through the hook goes wrong.
            self.assertLessEqual(set(exports.values()), dll.unwound_functions())

    def test_programs_and_downloads_are_of_the_build(self):
        for name in ("Kestrava.exe", "Kestrahk.dll"):
            self.assertEqual(PeFile((self.bin / name).read_bytes()).machine, MACHINE[self.arch], name)
        self.assertEqual(PeFile((self.bin / "Kestrava.exe").read_bytes()).subsystem, 2)  # a GUI program
        setup = self.release / f"Kestrava-{VERSION}-{self.arch}-setup.exe"
        self.assertEqual(PeFile(setup.read_bytes()).machine, MACHINE[self.arch], setup.name)
        with zipfile.ZipFile(self.release / f"Kestrava-{VERSION}-{self.arch}.zip") as archive:
            for name in ("Kestrava.exe", "Kestrahk.dll"):
                self.assertEqual(archive.read(f"Kestrava/{name}"), (self.bin / name).read_bytes(), name)


if __name__ == "__main__":
    main()
