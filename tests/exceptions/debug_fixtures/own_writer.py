"""Writes the library's own debug data for a module description (locations.json's form).

The data, little-endian, as the module data block carries it after its 32-bit length:
(data versions 405 to 499) a 32-bit length and a block the reader skips; the unit count;
per unit its name as a protected text, the first line, the start address relative to the
module base, the code size and the length of the line records, then the line records.

A line record adds a line delta (at least 1) and an address delta to the current place
and may start a procedure, whose protected text follows it. Forms, by the flags byte F:
  F bit 0 clear (1 byte):      bits 6-7 line - 1, bits 1-5 address - 1
  F bits 0-1 = 01 (1 byte):    bits 5-7 line - 1, bits 2-4 address - 1; starts a procedure
  F bits 0-1 = 11, bit 2 = starts a procedure:
    bit 3 clear (16 bits H):   bits 11-15 line - 1, bits 4-10 address - 1
    bit 3 set (32 bits W):     V = W >> 4: bits 0-15 line - 1, bits 16-27 address - 1 or
                               4095 for address delta 0; V = 0x0FFEFFFE (versions above 422)
                               is followed by 16-bit line - 1 and 16-bit address - 1
The place before the first record is (first line, unit start). The writer takes the
smallest form for every step; its first record reaches the unit's first line entry from
(that line - 1, unit start), so that a procedure can start at the unit's first byte (an
address delta of 0).

Protected text: a length byte, then the bytes; from version 502 bit 7 of the length marks
a text followed by another one, joined with "." (the writer splits every dotted text
this way, at most 127 bytes a part). Below version 500 the bytes are XORed with 0x5A; from
500 they are enciphered with the password (tools/eldata/block_cipher.py), each part on its
own.

Unit names are the description's source names. Procedure names are stored without the
unit's prefix ("Main.TMainForm.FormCreate" -> "TMainForm.FormCreate"); a method of the
same class as the procedure before it is stored as ".Method".

Usage: own_writer.py DESCRIPTION OUTPUT [--version N] [--password TEXT] [--code-base N]
                     [--expected PATH] [--damage truncate-record|long-block|truncate-name]
                     [--prefix HEX]
"""
import argparse
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tools", "eldata"))

import block_cipher  # noqa: E402
import locations  # noqa: E402

SCRAMBLE_KEY = 0x5A
WIDE_MARK = 0x0FFEFFFE


class WriterError(Exception):
    pass


def protect(part, version, password):
    if version < 500:
        return bytes(b ^ SCRAMBLE_KEY for b in part)
    return block_cipher.encrypt(password, part)


def protected_text(text, version, password):
    data = text.encode("cp1252")
    parts = data.split(b".") if version > 501 else [data]
    out = bytearray()
    for index, part in enumerate(parts):
        last = index == len(parts) - 1
        limit = 0x7F if version > 501 else 0xFF
        if len(part) > limit:
            raise WriterError(f"text part too long: {part!r}")
        out.append(len(part) | (0 if last else 0x80))
        out += protect(part, version, password)
    return bytes(out)


def record(line_delta, address_delta, starts, version):
    if line_delta < 1:
        raise WriterError("line numbers must grow from one record to the next")
    if address_delta < 0:
        raise WriterError("addresses must not go back")
    if not starts and line_delta <= 4 and 1 <= address_delta <= 32:
        return bytes([(line_delta - 1) << 6 | (address_delta - 1) << 1])
    if starts and line_delta <= 8 and 1 <= address_delta <= 8:
        return bytes([(line_delta - 1) << 5 | (address_delta - 1) << 2 | 1])
    flag = 4 if starts else 0
    if line_delta <= 32 and 1 <= address_delta <= 128:
        return struct.pack("<H", (line_delta - 1) << 11 | (address_delta - 1) << 4 | flag | 3)
    address_field = 4095 if address_delta == 0 else address_delta - 1
    value = address_field << 16 | (line_delta - 1)
    if line_delta <= 0x10000 and address_field <= 4095 and not (address_delta > 0 and address_field == 4095) \
            and not (value == WIDE_MARK and version > 422):
        return struct.pack("<I", value << 4 | 8 | flag | 3)
    if version > 422 and line_delta <= 0x10000 and 1 <= address_delta <= 0x10000:
        return struct.pack("<IHH", WIDE_MARK << 4 | 8 | flag | 3, line_delta - 1, address_delta - 1)
    raise WriterError(f"no record form holds line delta {line_delta}, address delta {address_delta}")


def stored_procedure(unit, proc, previous_class):
    """The procedure's text as stored, and its class."""
    name = proc["name"]
    if name.startswith(unit["name"] + "."):
        name = name[len(unit["name"]) + 1:]
    if "." in name:
        cls, _, method = name.partition(".")
        return ("." + method if cls == previous_class else name), cls
    return name, ""


def unit_records(unit, version, password):
    starts = {p["start"]: p for p in unit["procs"]}
    lines = unit["lines"]
    if not lines:
        raise WriterError(f"unit {unit['name']} has no lines")
    for start in starts:
        if start not in [a for _, a in lines]:
            raise WriterError(f"procedure at {start} starts at no line entry")
    out = bytearray()
    line, address = lines[0][0] - 1, unit["start"]
    previous_class = None
    for entry_line, entry_address in lines:
        # Two entries at one address: the procedure starts at the first.
        proc = starts.pop(entry_address, None)
        out += record(entry_line - line, entry_address - address, proc is not None, version)
        if proc is not None:
            text, previous_class = stored_procedure(unit, proc, previous_class)
            out += protected_text(text, version, password)
        line, address = entry_line, entry_address
    return bytes(out), lines[0][0] - 1


def write(description, version, password, code_base, damage):
    out = bytearray()
    if 405 <= version <= 499:
        skipped = b"a block the reader skips"
        out += struct.pack("<I", len(skipped)) + skipped
    out += struct.pack("<I", len(description["units"]))
    for unit in description["units"]:
        records, first_line = unit_records(unit, version, password)
        if damage == "truncate-record":
            records = records[:-1]
        name = protected_text(unit["source"], version, password)
        if damage == "truncate-name":
            out += name[:1]
            return bytes(out)
        length = len(records) + (1000 if damage == "long-block" else 0)
        out += name + struct.pack("<4I", first_line, code_base + unit["start"], unit["size"], length) + records
    return bytes(out)


def main():
    parser = argparse.ArgumentParser(description="Writes the library's own debug data for a module description.")
    parser.add_argument("description")
    parser.add_argument("output")
    parser.add_argument("--version", type=int, default=6015, help="data version (default 6015)")
    parser.add_argument("--password", default="", help="debug password (versions from 500)")
    parser.add_argument("--code-base", type=lambda t: int(t, 0), default=0x1000,
                        help="relative address of the code's start (default 0x1000)")
    parser.add_argument("--expected", help="also write the expected answers (locations.py) here")
    parser.add_argument("--damage", choices=("truncate-record", "long-block", "truncate-name"))
    parser.add_argument("--prefix", type=bytes.fromhex, default=b"",
                        help="bytes (hexadecimal) written before the data, as a fuzz target's seed wants them")
    args = parser.parse_args()
    description = locations.load(args.description)
    try:
        data = write(description, args.version, args.password, args.code_base, args.damage)
    except WriterError as error:
        sys.exit(f"{args.description}: {error}")
    with open(args.output, "wb") as f:
        f.write(args.prefix + data)
    if args.expected:
        locations.write_expected(description, args.expected)


if __name__ == "__main__":
    main()
