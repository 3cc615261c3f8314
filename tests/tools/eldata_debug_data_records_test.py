#!/usr/bin/env python3
"""The own debug data writer's record choice and unit splitting (tools/eldata/debug_data.py),
read back by a decoder written here from the documented layout (tools/eldata/README.md),
not from the writer's code."""
import os
import struct
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools", "eldata"))

import block_cipher  # noqa: E402
import debug_data  # noqa: E402


def decode_record(data, at, version):
    """(line delta, address delta, starts a procedure, size) of the record at data[at]."""
    flags = data[at]
    if flags & 1 == 0:
        return (flags >> 6) + 1, ((flags >> 1) & 0x1F) + 1, False, 1
    if flags & 3 == 1:
        return (flags >> 5) + 1, ((flags >> 2) & 7) + 1, True, 1
    starts = bool(flags & 4)
    if flags & 8:
        value = struct.unpack_from("<I", data, at)[0] >> 4
        if value == 0x0FFEFFFE and version > 422:
            line, address = struct.unpack_from("<HH", data, at + 4)
            return line + 1, address + 1, starts, 8
        field = value >> 16
        return (value & 0xFFFF) + 1, 0 if field == 4095 else field + 1, starts, 4
    half = struct.unpack_from("<H", data, at)[0]
    return (half >> 11) + 1, ((half >> 4) & 0x7F) + 1, starts, 2


def decode_text(data, at, version):
    """The parts of a protected text as stored (enciphered or scrambled), and the end."""
    parts = []
    while True:
        length = data[at]
        more = version > 501 and length & 0x80
        if version > 501:
            length &= 0x7F
        parts.append(bytes(data[at + 1:at + 1 + length]))
        at += 1 + length
        if not more:
            return parts, at


def decode(data, version):
    """Units: (name parts, first line, start, size, [(line, address, procedure parts or None)])."""
    at, units = 0, []
    if 405 <= version <= 499:
        at += 4 + struct.unpack_from("<I", data, 0)[0]
    count = struct.unpack_from("<I", data, at)[0]
    at += 4
    for _ in range(count):
        name, at = decode_text(data, at, version)
        first, start, size, length = struct.unpack_from("<4I", data, at)
        at += 16
        end, places, line, address = at + length, [], first, start
        while at < end:
            line_delta, address_delta, starts, size_of = decode_record(data, at, version)
            at += size_of
            text = None
            if starts:
                text, at = decode_text(data, at, version)
            line, address = line + line_delta, address + address_delta
            places.append((line, address, text))
        assert at == end, "a unit's records end inside a record"
        units.append((name, first, start, size, places))
    assert at == len(data), "bytes after the last unit"
    return units


def plain(parts, version, password):
    if version < 500:
        return ".".join(bytes(b ^ 0x5A for b in p).decode("cp1252") for p in parts)
    # The cipher keeps the length; enciphering the candidate text tells whether it is it.
    return parts


def lookup(units, address):
    """(unit, procedure text parts, procedure line, procedure address, line) for an address,
    walking the records as the documented reader does; None outside every unit."""
    for name, first, start, size, places in units:
        if not start <= address < start + size:
            continue
        current = (first, start, None, None, None)  # line, address, procedure, its line, its address
        for line, place_address, text in places:
            following = (line, place_address) + ((text, line, place_address) if text is not None else current[2:])
            if current[1] <= address < following[1]:
                return name, current[2], current[3], current[4], current[0]
            current = following
        return name, current[2], current[3], current[4], current[0]
    return None


class FakeImage:
    """Code bytes at addresses (every other byte is a nop); the first section at 0x1000."""

    def __init__(self, prologues=()):
        self.prologues = set(prologues)
        self.code_start = 0x1000
        self.path = "fake.exe"

    def code_bytes(self, rva, count):
        return (b"\x53" if rva in self.prologues else b"\x90") + b"\x90" * (count - 1)


class FakeFunction:
    def __init__(self, procedure, file, ranges, class_name=""):
        self.procedure, self.class_name, self.file = procedure, class_name, file
        self.ranges = [(start, end) for start, end, _ in ranges]
        self.runs = {start: runs for start, _, runs in ranges}
        self.first_line = min(line for _, _, runs in ranges for _, _, line in runs)


def encode(functions, image=None, version=6015, password="Pass"):
    encoder = debug_data.Encoder(image or FakeImage(), version, password)
    groups = debug_data.description_units(functions)
    encoder.encode(groups)
    return encoder, groups, encoder.data()


class RecordForms(unittest.TestCase):
    CASES = [
        # label, line delta, address delta, starts, expected size
        ("one byte, widest line", 4, 1, False, 1),
        ("line 5 needs two bytes", 5, 1, False, 2),
        ("one byte, widest address", 1, 32, False, 1),
        ("address 33 needs two bytes", 1, 33, False, 2),
        ("procedure one byte, widest line", 8, 8, True, 1),
        ("procedure line 9 needs two bytes", 9, 1, True, 2),
        ("procedure address 9 needs two bytes", 1, 9, True, 2),
        ("two bytes, widest", 32, 128, False, 2),
        ("address 129 needs four bytes", 1, 129, False, 4),
        ("line 33 needs four bytes", 33, 1, True, 4),
        ("address delta 0 (the 4095 mark)", 1, 0, True, 4),
        ("four bytes, widest address", 1, 4095, False, 4),
        ("address 4096 needs the escape", 1, 4096, False, 8),
        ("four bytes, widest line", 65536, 1, False, 4),
        ("the escape's own value", 65535, 4095, False, 8),
        ("escape, widest", 65536, 65536, True, 8),
    ]

    def test_smallest_form_and_its_reading(self):
        for label, line, address, starts, size in self.CASES:
            with self.subTest(label):
                data = debug_data.record(line, address, starts, 6015)
                self.assertEqual(len(data), size)
                self.assertEqual(decode_record(data + b"\0" * 8, 0, 6015), (line, address, starts, size))

    def test_steps_no_form_holds(self):
        for label, line, address in [("line 65537", 65537, 1), ("address 65537", 1, 65537),
                                     ("line falls", 0, 4), ("address goes back", 1, -1)]:
            with self.subTest(label):
                self.assertIsNone(debug_data.record(line, address, False, 6015))

    def test_early_versions_have_no_escape(self):
        self.assertIsNone(debug_data.record(1, 4096, False, 422))
        # Up to 422 the escape's value is a plain four-byte record.
        early = debug_data.record(65535, 4095, False, 422)
        self.assertEqual(decode_record(early, 0, 422), (65535, 4095, False, 4))
        self.assertEqual(len(debug_data.record(65535, 4095, False, 423)), 8)


class UnitSplitting(unittest.TestCase):
    def check_lookups(self, encoder, data, version=6015, password="Pass"):
        units = decode(data, version)
        for at, until, unit, cls, name, line, procedure_line, procedure_start, _ in encoder.rows:
            text = cls + "." + name if cls else name
            # Long runs: their ends and a stride through them.
            addresses = range(at, until) if until - at <= 256 else \
                sorted(set(range(at, at + 64)) | set(range(until - 64, until)) | set(range(at, until, 997)))
            for address in addresses:
                found = lookup(units, address)
                self.assertIsNotNone(found, hex(address))
                unit_parts, parts, first, procedure_at, found_line = found
                self.assertEqual(found_line, line, hex(address))
                if version >= 500:
                    wanted = [block_cipher.encrypt(password, p.encode()) for p in text.split(".")]
                    self.assertTrue(parts == wanted or parts == [b""] + wanted[1:] and
                                    parts[0] == b"" and cls, hex(address))
                else:
                    self.assertEqual(plain(parts, version, password), text)
                lowering = 0 if procedure_at in encoder.image.prologues else 1
                self.assertEqual(max(0, found_line - (first - lowering)), procedure_line, hex(address))
        for edge in encoder.edges():
            self.assertIsNone(lookup(units, edge), hex(edge))
        return units

    def test_falling_line_and_gap_start_units(self):
        functions = [
            FakeFunction("Run", "src/a.cpp", [(0x1000, 0x1040, [(0x1000, 0x1010, 10), (0x1010, 0x1020, 12),
                                                                (0x1020, 0x1040, 11)])], "zv::TWorker"),
            FakeFunction("Stop", "src/a.cpp", [(0x1040, 0x1050, [(0x1040, 0x1050, 20)])], "zv::TWorker"),
            # A gap of 16 bytes, then another function of the same file.
            FakeFunction("Helper", "src/a.cpp", [(0x1060, 0x1070, [(0x1060, 0x1070, 5)])]),
        ]
        encoder, groups, data = encode(functions)
        self.assertEqual([len(g) for g in groups], [2, 1])
        units = self.check_lookups(encoder, data)
        # Run's fall from 12 to 11 splits it; Stop follows at a higher line; Helper after the gap.
        self.assertEqual([(u[2], u[3]) for u in units], [(0x1000, 0x20), (0x1020, 0x30), (0x1060, 0x10)])
        self.assertEqual(encoder.edges(), [0x1050, 0x1070])
        # Stop is a method of the class before it: stored as ".Stop".
        self.assertEqual(units[1][4][-1][2][0], b"")

    def test_address_steps_too_wide_for_any_form(self):
        functions = [FakeFunction("Big", "big.cpp", [(0x1000, 0x1000 + 0x20000, [
            (0x1000, 0x1000 + 0x10000, 1), (0x1000 + 0x10000, 0x1000 + 0x10001, 2),
            (0x1000 + 0x10001, 0x1000 + 0x20000, 3)])])]
        encoder, _, data = encode(functions)
        units = decode(data, 6015)
        # The first run is 65536 bytes long: the escape form reaches the second; the second
        # run is one byte and the third is reached by a one-byte record.
        self.assertEqual(len(units), 1)
        self.check_lookups(encoder, data)
        functions[0].runs[0x1000][0] = (0x1000, 0x1000 + 0x10001, 1)
        functions[0].runs[0x1000][1] = (0x1000 + 0x10001, 0x1000 + 0x10002, 2)
        functions[0].runs[0x1000][2] = (0x1000 + 0x10002, 0x1000 + 0x20000, 3)
        encoder, _, data = encode(functions)
        self.assertEqual(len(decode(data, 6015)), 2, "65537 bytes need a unit of their own")
        self.check_lookups(encoder, data)

    def test_unit_inside_a_procedure_keeps_its_procedure_line(self):
        # Starts without prologue; the split point begins with push ebx: the stored first
        # line makes up for the reader's rule there.
        runs = [(0x1000, 0x1008, 30), (0x1008, 0x1010, 35), (0x1010, 0x1020, 32)]
        functions = [FakeFunction("Work", "w.cpp", [(0x1000, 0x1020, runs)])]
        image = FakeImage(prologues={0x1010})
        encoder, _, data = encode(functions, image)
        self.check_lookups(encoder, data)
        self.assertEqual([row[6] for row in encoder.rows], [1, 6, 3])
        self.assertEqual(encoder.inexact, 0)

    def test_scrambled_texts_of_an_early_version(self):
        functions = [FakeFunction("Run", "a.cpp", [(0x1000, 0x1010, [(0x1000, 0x1010, 3)])], "TApp")]
        encoder, _, data = encode(functions, version=420)
        units = self.check_lookups(encoder, data, version=420)
        self.assertEqual(plain(units[0][0], 420, ""), "a.cpp")


if __name__ == "__main__":
    unittest.main()
