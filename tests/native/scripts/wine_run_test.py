"""The Wine wrapper's second start: a program that fails before printing anything is started once more, one
that printed is not, and the exit code and output are the last start's."""

import os
import subprocess
import tempfile
import unittest
from pathlib import Path

SCRIPT = Path(__file__).resolve().parents[3] / "scripts" / "wine-run"

# A stand-in for Wine: each start takes the next line of its plan, "exit-code output" ("-" prints nothing).
FAKE_WINE = """#!/bin/bash
plan=$(dirname "$0")/plan
line=$(head -n1 "$plan"); sed -i 1d "$plan"
echo "$1" >>"$(dirname "$0")/starts"
[ "${line#* }" = - ] || echo "${line#* }"
exit "${line%% *}"
"""


class WineRunTest(unittest.TestCase):
    def test_only_a_silent_failure_is_started_again(self):
        for plan, code, printed, starts in [
            (["66 -", "0 ran"], 0, "ran", 2),
            (["1 -", "1 -"], 1, "printed nothing", 2),
            (["1 failed loudly"], 1, "failed loudly", 1),
            (["0 -"], 0, "", 1),
        ]:
            with self.subTest(plan=plan), tempfile.TemporaryDirectory() as scratch:
                wine = Path(scratch) / "wine"
                wine.write_text(FAKE_WINE)
                wine.chmod(0o755)
                (Path(scratch) / "plan").write_text("\n".join(plan) + "\n")
                done = subprocess.run([str(SCRIPT), "program.exe"], capture_output=True, text=True, timeout=30,
                                      env={**os.environ, "KALVENTO_WINE": str(wine)})
                self.assertEqual(done.returncode, code)
                self.assertIn(printed, done.stdout + done.stderr)
                self.assertEqual(len((Path(scratch) / "starts").read_text().splitlines()), starts)
                self.assertEqual("started once more" in done.stderr, starts == 2)


if __name__ == "__main__":
    unittest.main()
