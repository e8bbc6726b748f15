"""The DLL check's verdicts on the Windows trees' files: the plug-in's DLLs of both processors pass, the
calling-convention fixture's cdecl export is flagged and its stdcall one is not, and a file against the wrong
table or processor, with a link time or with the build's path fails.

    check_dll_test.py TREE32 TREE64   (the 32-bit and 64-bit Windows build trees)"""

import struct
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

SOURCES = Path(__file__).resolve().parents[3]
SCRIPT = SOURCES / "scripts" / "check-dll"
PLUGIN_DEF = SOURCES / "dll" / "ImpApiKalvento.def"
FIXTURE_DEF = SOURCES / "tests" / "windows" / "fixtures" / "CallingConventions.def"
TREE32, TREE64 = (Path(sys.argv.pop(1)) for _ in range(2)) if len(sys.argv) > 2 else (
    SOURCES / "build" / "mingw", SOURCES / "build" / "mingw64")


def check(*arguments):
    done = subprocess.run([sys.executable, SCRIPT, *map(str, arguments)], capture_output=True, text=True,
                          timeout=120)
    return done.returncode, done.stdout.splitlines()


def plugins(tree):
    return [tree / "bin" / "ImpApiKalvento.dll", tree / "local" / "ImpApiKalvento.dll"]


class CheckDllTest(unittest.TestCase):
    def setUp(self):
        self.fixture = TREE32 / "tests" / "fixtures" / "CallingConventions.dll"
        for path in plugins(TREE32) + plugins(TREE64) + [self.fixture]:
            self.assertTrue(path.is_file(), f"{path} is missing: build both Windows trees first (scripts/build)")

    def test_the_plugin_dlls_of_both_processors_pass(self):
        for machine, tree in [("i386", TREE32), ("amd64", TREE64)]:
            with self.subTest(machine=machine):
                returncode, lines = check("--def", PLUGIN_DEF, "--machine", machine, "--no-path", SOURCES,
                                          *plugins(tree))
                self.assertEqual((returncode, lines), (0, [f"check-dll: 2 file(s) match {PLUGIN_DEF}"]))

    def test_exactly_the_cdecl_export_is_flagged(self):
        returncode, lines = check("--def", FIXTURE_DEF, self.fixture)
        self.assertEqual(returncode, 1)
        self.assertEqual(len(lines), 1, lines)
        self.assertIn("AddCdecl returns with `ret 0`", lines[0])

    def test_a_file_against_the_wrong_table_or_processor_fails(self):
        for arguments, expected in [
            (["--def", PLUGIN_DEF, self.fixture], "not exactly those of the .def file"),
            (["--def", PLUGIN_DEF, "--machine", "amd64", plugins(TREE32)[0]], "not amd64"),
            (["--def", PLUGIN_DEF, PLUGIN_DEF], "not a PE file"),
        ]:
            with self.subTest(expected=expected):
                returncode, lines = check(*arguments)
                self.assertEqual(returncode, 1)
                self.assertTrue(any(expected in line for line in lines), lines)

    def test_a_link_time_or_a_build_path_in_the_file_fails(self):
        original = plugins(TREE32)[0].read_bytes()
        header = struct.unpack_from("<I", original, 0x3C)[0]
        stamped = bytearray(original)
        struct.pack_into("<I", stamped, header + 8, 0x6B18DF91)
        with_path = original + b"Z:" + str(SOURCES).replace("/", "\\").encode() + b"\\dll\\DllMain.cpp\0"
        for content, expected in [(bytes(stamped), "PE time stamp 0x6b18df91"),
                                  (with_path, "holds the build path Z:")]:
            with self.subTest(expected=expected), tempfile.TemporaryDirectory() as scratch:
                copy = Path(scratch) / "ImpApiKalvento.dll"
                copy.write_bytes(content)
                returncode, lines = check("--def", PLUGIN_DEF, "--no-path", SOURCES, copy)
                self.assertEqual(returncode, 1)
                self.assertTrue(any(expected in line for line in lines), lines)


if __name__ == "__main__":
    unittest.main()
