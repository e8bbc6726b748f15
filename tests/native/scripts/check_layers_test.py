"""The layering check's verdicts on a small tree: which include edges it refuses and which it lets pass."""

import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

SCRIPT = Path(__file__).resolve().parents[3] / "scripts" / "check-layers"

# Each file's includes; the ones the check must refuse end with the marker "// refused".
TREE = {
    "host/HostReporting.h": "",
    # A generated header is checked as its template; every folder may include it, and it includes nothing.
    "version/KalventoVersion.h.in": '#include "host/HostReporting.h" // refused\n',
    "toolkit/Module.h": '#include "version/KalventoVersion.h"\n',
    "toolkit/Forms.h": "#include <windows.h>\n",
    "useredit/Mask.h": '#include "toolkit/Forms.h" // refused\n',
    "useredit/win32/Edit.h": '#include "toolkit/Forms.h"\n#include "useredit/Mask.h"\n',
    "plugin/Version.h": '#include "host/HostReporting.h"\n',
    "plugin/win32/Main.h": '#include <windows.h>\n#include "plugin/Version.h"\n',
    "inet/Engine.h": ('#include "host/HostReporting.h"\n'
                      '#include "plugin/Version.h" // refused\n'
                      '#include "inet/win32/Layer.h" // refused\n'
                      '#include <windows.h> // refused\n'
                      '#include "Stream.h"\n'),
    "inet/Stream.h": '#include "dll/Entry.h" // refused\n',
    "inet/win32/Layer.h": '#include <wininet.h>\n#include "toolkit/Forms.h"\n#include "../Engine.h"\n',
    "provider/Job.cpp": ('#include "host/HostReporting.h"\n'
                         '#include "inet/Engine.h"\n'
                         '#include "inet/Missing.h" // refused\n'),
    "provider/win32/Dialog.cpp": '#include "useredit/win32/Edit.h"\n#include "plugin/win32/Main.h"\n',
    "toolkit/Control.cpp": '#include "useredit/win32/Edit.h" // refused\n',
    "dll/Entry.h": '#include "provider/Job.cpp"\n#include "toolkit/Forms.h"\n',
    "tools/host/Main.cpp": '#include "useredit/win32/Edit.h"\n#include "provider/Job.cpp" // refused\n',
    "tests/windows/support/Env.h": "",
    "tests/windows/e2e/DllTest.cpp": '#include "support/Env.h"\n#include "dll/Entry.h" // refused\n',
    "newfolder/Thing.cpp": "",
}


def expected_refusals():
    refused = {"newfolder/Thing.cpp"}
    for name, text in TREE.items():
        for number, line in enumerate(text.splitlines(), 1):
            if line.endswith("// refused"):
                refused.add(f"{name}:{number}")
    return refused


class CheckLayersTest(unittest.TestCase):
    def run_check(self, files):
        with tempfile.TemporaryDirectory() as root:
            for name, text in files.items():
                path = Path(root) / name
                path.parent.mkdir(parents=True, exist_ok=True)
                path.write_text(text)
            done = subprocess.run([sys.executable, SCRIPT, "--root", root], capture_output=True, text=True,
                                  timeout=30)
        return done.returncode, done.stdout.splitlines()

    def test_refuses_exactly_the_edges_against_the_table(self):
        returncode, lines = self.run_check(TREE)
        self.assertEqual(returncode, 1)
        reported = {line.split(": ", 1)[0] for line in lines[:-1]}
        self.assertEqual(reported, expected_refusals())
        self.assertEqual(lines[-1], f"layers: {len(expected_refusals())} include(s) against the layering table")

    def test_upward_include_names_the_folders_allowed(self):
        _, lines = self.run_check({"plugin/Version.h": "", "inet/Engine.h": '#include "plugin/Version.h"\n'})
        self.assertEqual(lines[0], "inet/Engine.h:1: inet/ includes plugin/Version.h, but inet/ may include "
                                   "only host/, inet/, toolkit/, version/")

    def test_passes_a_tree_that_follows_the_table(self):
        clean = {name: "\n".join(line for line in text.splitlines() if not line.endswith("// refused"))
                 for name, text in TREE.items() if name != "newfolder/Thing.cpp"}
        returncode, lines = self.run_check(clean)
        self.assertEqual(returncode, 0, lines)
        self.assertEqual(lines, ["layers: all 17 quoted includes follow the layering table"])


if __name__ == "__main__":
    unittest.main()
