#!/usr/bin/env python3
"""The data block writer (tools/eldata/data_block.py) as the build runs it: its errors,
its reproducible date, the symbol table it takes from a link map, and both forms of the
block, read back here from the documented layout."""
import os
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
TOOL_DIR = os.path.join(HERE, "..", "..", "tools", "eldata")
TOOL = os.path.join(TOOL_DIR, "data_block.py")
sys.path.insert(0, TOOL_DIR)

import block_cipher  # noqa: E402
import options_stream  # noqa: E402

# The shape of the lines of a GNU ld map of a PE image (x86_64, demangled, as ld writes
# it by default), with an assignment that is no symbol.
SAMPLE_MAP = """\
                0x0000000140000000                __image_base__ = 0x140000000
 .text          0x000000014000e4a0     0x12d0 framework/libzv_visual.a(application.cpp.obj)
                0x000000014000e500                SetHandleExceptionProc(void (*)(TObject*, std::__exception_ptr::exception_ptr))
                0x000000014000e950                TApplication::HandleException(TObject*)
                0x000000014000f030                TApplication::ShowException(Exception const&)
"""


def run(*args, env=None):
    return subprocess.run([sys.executable, TOOL, *args], capture_output=True, text=True,
                          env=env, check=False)


def read_resource_form(block):
    signature, version, date = struct.unpack_from("<IHd", block)
    at = 16 if version >= 6000 else 14
    (table_length,) = struct.unpack_from("<I", block, at)
    table = block[at + 4:at + 4 + table_length]
    records = [struct.unpack_from("<BII", table, i) for i in range(0, len(table), 9)]
    at += 4 + table_length
    (options_length,) = struct.unpack_from("<I", block, at)
    options = zlib.decompress(block[at + 4:at + 4 + options_length])
    at += 4 + options_length
    check = block[at:at + 4]
    debug = zlib.decompress(block[at + 4:])
    return dict(signature=signature, version=version, date=date, records=records,
                options=options, check=check, debug=debug)


class DataBlockToolTest(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.TemporaryDirectory()
        self.dir = self.scratch.name

    def tearDown(self):
        self.scratch.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, text):
        with open(self.path(name), "w", encoding="utf-8") as out:
            out.write(text)
        return self.path(name)

    def read(self, name):
        with open(self.path(name), "rb") as handle:
            return handle.read()

    def test_bad_options_file_names_file_line_and_option(self):
        options = self.write("bad.txt", "ActivateLog = True\n\nForegroundTab = ftNowhere\n")
        result = run("--options", options, self.path("out.bin"))
        self.assertEqual(result.returncode, 1)
        self.assertIn(f"{options}:3: ForegroundTab: ", result.stderr)
        self.assertFalse(os.path.exists(self.path("out.bin")))

    def test_unreadable_inputs_fail_with_exit_1(self):
        cases = [("--options", self.path("missing.txt")), ("--map", self.path("missing.map")),
                 ("--map", self.write("empty.map", "no map here\n")),
                 ("--password", "\u20ac\u4e00")]
        for args in cases:
            with self.subTest(args=args):
                result = run(*args, self.path("out.bin"))
                self.assertEqual(result.returncode, 1, result.stderr)
                self.assertTrue(result.stderr.startswith("error: "), result.stderr)

    def test_date_from_source_date_epoch_and_reproducible(self):
        env = dict(os.environ, SOURCE_DATE_EPOCH="86400")
        self.assertEqual(run(self.path("a.bin"), env=env).returncode, 0)
        self.assertEqual(run(self.path("b.bin"), env=env).returncode, 0)
        self.assertEqual(self.read("a.bin"), self.read("b.bin"))
        self.assertEqual(read_resource_form(self.read("a.bin"))["date"], 25570.0)
        env["SOURCE_DATE_EPOCH"] = "yesterday"
        self.assertEqual(run(self.path("c.bin"), env=env).returncode, 1)

    def test_date_of_last_commit_without_source_date_epoch(self):
        env = {k: v for k, v in os.environ.items() if k != "SOURCE_DATE_EPOCH"}
        commit = subprocess.run(["git", "-C", TOOL_DIR, "log", "-1", "--format=%ct"],
                                capture_output=True, text=True, check=False).stdout.strip()
        self.assertEqual(run(self.path("a.bin"), env=env).returncode, 0)
        date = read_resource_form(self.read("a.bin"))["date"]
        expected = 25569.0 + int(commit) / 86400.0 if commit else 0.0
        self.assertEqual(date, expected)

    def test_resource_form_from_map_options_and_password(self):
        options = self.write("options.txt", 'ActivateLog = True\nSMTPFrom = "a@b.test"\n')
        result = run("--options", options, "--map", self.write("app.map", SAMPLE_MAP),
                     "--password", "pw", "--date", "1.5", "--rc", self.path("block.rc"),
                     "--stream-out", self.path("stream"), self.path("block.bin"))
        self.assertEqual(result.returncode, 0, result.stderr)
        block = read_resource_form(self.read("block.bin"))
        self.assertEqual(block["signature"], 0x100FAB10)
        self.assertEqual(block["version"], 6015)
        self.assertEqual(block["date"], 1.5)
        self.assertEqual(block["records"], [(0, 0xE950, 0), (1, 0xF030, 0)])
        expected = options_stream.options_stream({"ActivateLog": True, "SMTPFrom": "a@b.test"})
        self.assertEqual(block["options"], expected)
        self.assertEqual(self.read("stream"), expected)
        self.assertEqual(block["check"], block_cipher.encrypt("pw", struct.pack("<I", 0x100FAB10)))
        self.assertEqual(block["debug"], b"\0\0\0\0")
        with open(self.path("block.rc"), encoding="ascii") as rc:
            self.assertEqual(rc.read(), f'ELDATA RCDATA "{self.path("block.bin")}"\n')

    def test_mangled_i686_names_of_a_map_without_demangling(self):
        i686_map = ("                0x00400000                __image_base__ = 0x400000\n"
                    "                0x00401230                __ZN12TApplication15HandleExceptionEP7TObject\n")
        result = run("--map", self.write("i686.map", i686_map), self.path("block.bin"))
        self.assertEqual(result.returncode, 0, result.stderr)
        # A routine the image lacks gets no record.
        self.assertEqual(read_resource_form(self.read("block.bin"))["records"], [(0, 0x1230, 0)])

    def test_old_version_has_the_short_header(self):
        self.assertEqual(run("--version", "5000", self.path("old.bin")).returncode, 0)
        block = read_resource_form(self.read("old.bin"))
        self.assertEqual(block["version"], 5000)
        self.assertEqual(block["options"], options_stream.options_stream())

    def test_trailer_form_appended_to_a_module(self):
        module = self.path("module.dll")
        with open(module, "wb") as out:
            out.write(b"MZ" + bytes(100))
        debug = self.path("debug")
        with open(debug, "wb") as out:
            out.write(b"debug bytes")
        result = run("--form", "trailer", "--append", "--date", "2", "--debug-data", debug, module)
        self.assertEqual(result.returncode, 0, result.stderr)
        data = self.read("module.dll")
        self.assertEqual(data[:102], b"MZ" + bytes(100))
        length, signature = struct.unpack_from("<II", data, len(data) - 8)
        self.assertEqual(signature, 0x100FAB10)
        body = data[len(data) - 8 - length:len(data) - 8]
        self.assertEqual(len(data) - 8 - length, 102)
        stream = options_stream.options_stream()
        self.assertEqual(body, struct.pack("<Hd", 6015, 2.0) + stream +
                         struct.pack("<I", 11) + b"debug bytes")


if __name__ == "__main__":
    unittest.main()
