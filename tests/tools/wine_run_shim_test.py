#!/usr/bin/env python3
"""tools/wine-run refuses to run a program without the pty shim it was told to preload:
a missing host build, a missing shim and a shim the dynamic loader rejects each end the
run with exit code 3 and a message, before any Wine prefix is touched."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
WINE_RUN = os.path.join(ROOT, "tools", "wine-run")


class WineRunShim(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="zv-wine-run-")
        self.build = os.path.join(self.dir, "build")
        self.host = os.path.join(self.dir, "host")
        self.shims = os.path.join(self.host, "tools", "ptyshim")
        os.makedirs(self.build)
        os.makedirs(self.shims)

    def tearDown(self):
        shutil.rmtree(self.dir)

    def run_program(self, arch, host):
        return subprocess.run([WINE_RUN, "--arch", arch, "--build-dir", self.build, "--host-tools", host,
                               "nothing.exe"], capture_output=True, text=True, timeout=60)

    def expect_refused(self, result, reason):
        self.assertEqual(result.returncode, 3, result.stderr)
        self.assertIn("the pty shim cannot be loaded", result.stderr)
        self.assertIn(reason, result.stderr)
        self.assertFalse(os.path.exists(os.path.join(self.build, "wineprefix")), "no prefix may be made")

    def test_no_host_build(self):
        self.expect_refused(self.run_program("win64", os.path.join(self.dir, "none")), "no host tools build")

    def test_shim_not_built(self):
        for arch in ("win64", "win32"):
            with self.subTest(arch=arch):
                self.expect_refused(self.run_program(arch, self.host), "is missing")

    def test_shim_the_loader_rejects(self):
        # A shim of the wrong word size, and one that is no library at all.
        with open(os.path.join(self.shims, "libzvptyshim64.so"), "wb") as f:
            f.write(b"\x7fELF\x01\x01\x01" + bytes(9) + b"\x03\x00\x03\x00" + bytes(40))
        with open(os.path.join(self.shims, "libzvptyshim32.so"), "wb") as f:
            f.write(b"not a library\n")
        for arch in ("win64", "win32"):
            with self.subTest(arch=arch):
                self.expect_refused(self.run_program(arch, self.host), "cannot be preloaded")


if __name__ == "__main__":
    sys.exit(unittest.main())
