"""Set-up's decisions on a bad day at the package mirror (scripts/setup, and the tree choice after it in
scripts/lib.sh), over stand-ins for sudo, apt-get, dpkg and dpkg-query: no root, no network."""

import os
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[3]

# The stand-ins keep their state in files beside them: "installed" (one package a line), "updates" (one result a
# refresh, ok or fail, then ok), "broken" (packages whose installation fails), "foreign" and "calls".
STAND_INS = {
    "apt-get": r"""#!/bin/bash
here=$(dirname "$0")
echo "apt-get $*" >>"$here/calls"
case " $* " in
*" update "*)
    result=$(head -n1 "$here/updates" 2>/dev/null); sed -i 1d "$here/updates" 2>/dev/null
    [ "$result" = fail ] || exit 0
    echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
    exit 100 ;;
*" install "*)
    for package in "$@"; do
        if grep -qx -- "$package" "$here/broken" 2>/dev/null; then
            echo "E: Unable to correct problems, you have held broken packages."
            exit 100
        fi
    done
    for package in "$@"; do case $package in -*|install) ;; *) echo "$package" >>"$here/installed" ;; esac; done ;;
esac
""",
    "dpkg-query": r"""#!/bin/bash
grep -qx -- "${!#}" "$(dirname "$0")/installed" 2>/dev/null || exit 1
echo "install ok installed"
""",
    "dpkg": r"""#!/bin/bash
here=$(dirname "$0")
echo "dpkg $*" >>"$here/calls"
case $1 in
--print-foreign-architectures) cat "$here/foreign" 2>/dev/null ;;
--add-architecture) echo "$2" >>"$here/foreign" ;;
esac
""",
    "sudo": '#!/bin/bash\nexec "$@"\n',
}

BUILD = ["cmake", "ninja-build", "g++", "python3", "openssl", "g++-mingw-w64-i686-posix",
         "g++-mingw-w64-x86-64-posix", "googletest", "libgtest-dev", "clang", "libclang-rt-14-dev"]
WINDOWS = ["xvfb", "xauth", "wine", "wine64", "tinyproxy", "curl"]
WINE32 = "wine32:i386"


class SetupTest(unittest.TestCase):
    def run_setup(self, scratch, *arguments, installed=(), updates=(), broken=(), stamp_age=None,
                  loader_missing=False, command=None, tree=None):
        bin_dir = Path(scratch) / "bin"
        bin_dir.mkdir()
        for name, text in STAND_INS.items():
            (bin_dir / name).write_text(text)
            (bin_dir / name).chmod(0o755)
        (bin_dir / "installed").write_text("".join(p + "\n" for p in installed))
        (bin_dir / "updates").write_text("".join(u + "\n" for u in updates))
        (bin_dir / "broken").write_text("".join(p + "\n" for p in broken))
        state = Path(scratch) / "state"
        if stamp_age is not None:
            state.mkdir()
            (state / "wine32-failed").write_text(f"{int(time.time()) - stamp_age} E: earlier failure\n")
        env = {**os.environ, "PATH": f"{bin_dir}:{os.environ['PATH']}", "KALVENTO_SETUP_PAUSES": "0 0",
               "KALVENTO_SETUP_STATE": str(state)}
        env.pop("KALVENTO_WINDOWS_TREE", None)
        if tree:
            env["KALVENTO_WINDOWS_TREE"] = tree
        if loader_missing:
            env["KALVENTO_WINE32_LOADER"] = str(Path(scratch) / "no-such-loader")
        if command is None:
            command = [str(ROOT / "scripts" / "setup"), *arguments]
        done = subprocess.run(command, capture_output=True, text=True, timeout=60, env=env, cwd=ROOT)
        calls_file = bin_dir / "calls"
        calls = calls_file.read_text().splitlines() if calls_file.exists() else []
        return done, calls, (bin_dir / "installed").read_text().split(), state

    def test_decisions(self):
        # name, arguments, installed, refresh results, broken packages, stamp age (s),
        # then: exit code, number of refreshes, whether the 32-bit Wine ends up installed, what stderr holds.
        everything = BUILD + WINDOWS
        cases = [
            ("update fails twice then succeeds", [], [], ["fail", "fail", "ok"], [], None,
             0, 3, True, []),
            ("update always fails, installs work", [], [], ["fail"] * 3, [], None,
             0, 3, True, ["could not all be refreshed", "E: Failed to fetch"]),
            ("the 32-bit Wine fails", [], everything, [], [WINE32], None,
             0, 1, False, ["32-bit Wine (wine32:i386) could not be installed (E: Unable to correct",
                           "64-bit tree"]),
            ("a build package fails", [], [], [], ["clang"], None,
             1, 1, False, ["could not install the build packages: " + " ".join(BUILD), "E: Unable"]),
            ("a windows package fails", ["imagemagick"], BUILD, [], ["imagemagick"], None,
             1, 1, False, ["could not install the windows packages: " + " ".join(WINDOWS) + " imagemagick"]),
            ("nothing is missing", [], everything + [WINE32], [], [], None,
             0, 0, True, []),
            ("the 32-bit Wine failed an hour ago", [], everything, [], [], 3600,
             0, 0, False, ["could not be installed 60 min ago, tried again after 6 h (E: earlier failure"]),
            ("the 32-bit Wine failed a day ago", [], everything, [], [], 86400,
             0, 1, True, []),
            ("a release wants the build group alone", ["--build-only"], [], [], [], None,
             0, 1, False, []),
        ]
        for name, arguments, installed, updates, broken, stamp_age, code, refreshes, wine32, said in cases:
            with self.subTest(name), tempfile.TemporaryDirectory() as scratch:
                done, calls, now_installed, state = self.run_setup(
                    scratch, *arguments, installed=installed, updates=updates, broken=broken, stamp_age=stamp_age)
                self.assertEqual(done.returncode, code, done.stderr)
                self.assertEqual(sum(" update " in f" {c} " for c in calls), refreshes, calls)
                self.assertEqual(WINE32 in now_installed, wine32)
                for text in said:
                    self.assertIn(text, done.stderr)
                if refreshes == 0:
                    self.assertEqual([c for c in calls if c.startswith("apt-get")], [])
                # Only a script that wants the 32-bit Wine adds the i386 architecture, before the refresh.
                adds = [i for i, c in enumerate(calls) if "--add-architecture i386" in c]
                self.assertEqual(bool(adds), WINE32 not in installed and "--build-only" not in arguments
                                 and stamp_age != 3600)
                if "--build-only" in arguments:
                    self.assertFalse(set(WINDOWS) & set(now_installed))
                if code == 0 and not wine32 and "--build-only" not in arguments:
                    self.assertEqual(len([l for l in done.stderr.splitlines() if "32-bit Wine" in l]), 1)
                    self.assertTrue((state / "wine32-failed").exists())

    def test_tree_choice_follows_the_32_bit_wine(self):
        script = 'source scripts/lib.sh; prepare_machine; echo "tree $WINDOWS_PRESET $WINDOWS_TREE_NOTE"'
        for tree, code, said in [(None, 0, "tree mingw64 (32-bit Wine not installed)"),
                                 ("mingw", 1, "KALVENTO_WINDOWS_TREE=mingw, but the 32-bit Wine is not installed")]:
            with self.subTest(tree=tree), tempfile.TemporaryDirectory() as scratch:
                done, _, _, _ = self.run_setup(scratch, installed=BUILD + WINDOWS, broken=[WINE32],
                                               loader_missing=True, tree=tree, command=["bash", "-c", script])
                self.assertEqual(done.returncode, code, done.stderr)
                self.assertIn(said, done.stdout + done.stderr)


if __name__ == "__main__":
    unittest.main()
