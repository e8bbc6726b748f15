"""The DLL check's verdicts on the 32-bit tree's files: the plug-in's DLLs pass, the calling-convention
fixture's cdecl export is flagged and its stdcall one is not, and a file against the wrong table or processor
fails.

    check_dll_test.py TREE   (the 32-bit Windows build tree)"""

import subprocess
import sys
import unittest
from pathlib import Path

SOURCES = Path(__file__).resolve().parents[3]
SCRIPT = SOURCES / "scripts" / "check-dll"
PLUGIN_DEF = SOURCES / "dll" / "ImpApiKalvento.def"
FIXTURE_DEF = SOURCES / "tests" / "windows" / "fixtures" / "CallingConventions.def"
TREE = Path(sys.argv.pop(1)) if len(sys.argv) > 1 else SOURCES / "build" / "mingw"


def check(*arguments):
    done = subprocess.run([sys.executable, SCRIPT, *map(str, arguments)], capture_output=True, text=True,
                          timeout=120)
    return done.returncode, done.stdout.splitlines()


class CheckDllTest(unittest.TestCase):
    def setUp(self):
        self.plugins = [TREE / "bin" / "ImpApiKalvento.dll", TREE / "local" / "ImpApiKalvento.dll"]
        self.fixture = TREE / "tests" / "fixtures" / "CallingConventions.dll"
        for path in self.plugins + [self.fixture]:
            self.assertTrue(path.is_file(), f"{path} is missing: build the 32-bit tree first (scripts/build)")

    def test_the_plugin_dlls_pass(self):
        returncode, lines = check("--def", PLUGIN_DEF, *self.plugins)
        self.assertEqual((returncode, lines), (0, [f"check-dll: 2 file(s) match {PLUGIN_DEF}"]))

    def test_exactly_the_cdecl_export_is_flagged(self):
        returncode, lines = check("--def", FIXTURE_DEF, self.fixture)
        self.assertEqual(returncode, 1)
        self.assertEqual(len(lines), 1, lines)
        self.assertIn("AddCdecl returns with `ret 0`", lines[0])

    def test_a_file_against_the_wrong_table_or_processor_fails(self):
        for arguments, expected in [
            (["--def", PLUGIN_DEF, self.fixture], "not exactly those of the .def file"),
            (["--def", PLUGIN_DEF, "--machine", "amd64", self.plugins[0]], "not amd64"),
            (["--def", PLUGIN_DEF, PLUGIN_DEF], "not a PE file"),
        ]:
            with self.subTest(expected=expected):
                returncode, lines = check(*arguments)
                self.assertEqual(returncode, 1)
                self.assertTrue(any(expected in line for line in lines), lines)


if __name__ == "__main__":
    unittest.main()
