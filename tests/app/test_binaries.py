#!/usr/bin/env python3
"""What users download, read as files: the hook library's promises (size,
exports, KBHookProc's fixed offset, imports, shared section, no entry point,
relocations, no resources, unwind data on x64), the program's imports and
manifest, the protections both ask Windows for, and the processor type of
every program. Runs without Wine, so it also checks a build this machine
cannot run, and what Windows checks and Wine does not."""
import struct
import sys
import unittest
import xml.etree.ElementTree as ElementTree
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
from e2e import main  # noqa: E402
from rig import arch, bin_dir  # noqa: E402

MACHINE = {"x86": 0x14C, "x64": 0x8664}
PROCESSOR = {"x86": "x86", "x64": "amd64"}  # as manifests name them
# Unwind data costs the 64-bit library a page, and KBHookProc's fixed offset
# and the target's class check one more in each build.
HOOK_SIZE_LIMIT = {"x86": 4096, "x64": 4608}
# Where KBHookProc stands in every version (as in 1.0.0.1): Windows calls a hook at this
# offset in whichever version of the library a program still maps.
HOOK_PROC_RVA = {"x86": 0x1074, "x64": 0x1070}
SHARED_FLAGS = 0x10000000 | 0x40000000 | 0x80000000  # shared, read, write
RELOCS_STRIPPED = 0x0001
DYNAMIC_BASE, NX_COMPAT, HIGH_ENTROPY_VA = 0x0040, 0x0100, 0x0020
# Everything else is delay-loaded from the system folder or linked in.
PROGRAM_IMPORTS = ["ADVAPI32.DLL", "GDI32.DLL", "KERNEL32.DLL", "KESTRAHK.DLL", "MSVCRT.DLL", "OLE32.DLL",
                   "SHELL32.DLL", "USER32.DLL"]
RT_MANIFEST = 24
ASM_V1, ASM_V3 = "{urn:schemas-microsoft-com:asm.v1}", "{urn:schemas-microsoft-com:asm.v3}"
WINDOWS_10 = "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"
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
        self.machine, sections, _, _, _, optional_size, self.characteristics = struct.unpack_from("<HHIIIHH", data,
                                                                                                    pe + 4)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        self.entry = struct.unpack_from("<I", data, optional + 16)[0]
        self.image_base = struct.unpack_from("<Q", data, optional + 24)[0] if magic == 0x20B else \
            struct.unpack_from("<I", data, optional + 28)[0]
        self.image_size = struct.unpack_from("<I", data, optional + 56)[0]
        self.subsystem, self.dll_characteristics = struct.unpack_from("<HH", data, optional + 68)
        self.pointer = 8 if magic == 0x20B else 4
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

    def relocated(self):
        """The RVAs that the base relocation table fixes up."""
        rva, size = self.directories[5]
        at = self.offset(rva) if size else 0
        end, result = at + size, set()
        while at < end:
            page, block = struct.unpack_from("<II", self.data, at)
            for entry in struct.unpack_from(f"<{(block - 8) // 2}H", self.data, at + 8):
                if entry >> 12:  # type 0 pads a block
                    result.add(page + (entry & 0xFFF))
            at += block
        return result

    def absolute_addresses(self):
        """The RVAs of the contents that hold an address inside the image, as absolute addresses in code and data do."""
        low, high = self.image_base, self.image_base + self.image_size
        form = "<Q" if self.pointer == 8 else "<I"
        found = set()
        for name, (rva, vsize, raw_at, raw_size, _) in self.sections.items():
            for i in range(0, min(vsize, raw_size) - self.pointer + 1):
                if name != ".reloc" and low <= struct.unpack_from(form, self.data, raw_at + i)[0] < high:
                    found.add(rva + i)
        return found

    def manifest(self):
        """The embedded manifest (the first RT_MANIFEST resource), or None."""
        rva, size = self.directories[2]
        if not size:
            return None
        root = self.offset(rva)

        def first(directory, ident=None):
            named, numbered = struct.unpack_from("<HH", self.data, directory + 12)
            for i in range(named + numbered):
                name, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
                if ident is None or name == ident:
                    return root + (target & 0x7FFFFFFF)
            return None

        names = first(root, RT_MANIFEST)
        entry = names and first(first(names))
        if entry is None:
            return None
        data_rva, data_size = struct.unpack_from("<II", self.data, entry)
        return self.data[self.offset(data_rva):self.offset(data_rva) + data_size]

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
        self.assertEqual(exports["KBHookProc"], HOOK_PROC_RVA[self.arch], "KBHookProc moved")
        self.assertEqual(sorted(dll.imports()), ["KERNEL32.DLL", "USER32.DLL"])
        # Loadable wherever Windows puts it: nothing absolute escapes relocation.
        self.assertFalse(dll.characteristics & RELOCS_STRIPPED)
        self.assertLessEqual(dll.absolute_addresses(), dll.relocated())
        self.assertEqual(dll.directories[2][1], 0, "resources")
        pointer = 8 if self.arch == "x64" else 4
        rva, size, _, _, flags = dll.sections["Shared"]
        self.assertEqual(size, 2 * pointer, "the hook handle and the target window")
        self.assertEqual(flags & SHARED_FLAGS, SHARED_FLAGS)
        if self.arch == "x64":
            # Without unwind data every function counts as a leaf, and an
            # exception or stack walk through the hook goes wrong.
            self.assertLessEqual(set(exports.values()), dll.unwound_functions())

    def test_the_program_asks_windows_for_what_it_needs(self):
        """Windows builds the program's activation context from its manifest before it runs
        (Wine reads none of it), and applies the protections both binaries ask for."""
        exe = PeFile((self.bin / "Kestrava.exe").read_bytes())
        self.assertEqual(sorted(exe.imports()), PROGRAM_IMPORTS)
        manifest = ElementTree.fromstring(exe.manifest())
        processors = [identity.get("processorArchitecture") for identity in manifest.iter(f"{ASM_V1}assemblyIdentity")]
        self.assertEqual(processors[0], PROCESSOR[self.arch], "the program's own identity")
        self.assertLessEqual(set(processors[1:]), {PROCESSOR[self.arch], "*"}, "a dependency of another processor")
        levels = [level.get("level") for level in manifest.iter(f"{ASM_V3}requestedExecutionLevel")]
        self.assertEqual(levels, ["asInvoker"])
        self.assertIn(WINDOWS_10, [entry.get("Id") for entry in manifest.iter() if entry.tag.endswith("}supportedOS")])
        for name in ("Kestrava.exe", "Kestrahk.dll"):
            flags = PeFile((self.bin / name).read_bytes()).dll_characteristics
            wanted = DYNAMIC_BASE | NX_COMPAT | (HIGH_ENTROPY_VA if self.arch == "x64" else 0)
            self.assertEqual(flags & wanted, wanted, name)

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
