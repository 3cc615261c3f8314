"""Writes a module description (locations.json's form) as a JEDI binary debug file (.jdbg).

The layout, from the format's published description, all little-endian:

  header (34 bytes, packed): "JDBG", version byte 1, then 32-bit offsets from the start of
  the data of the unit list, the source-name list, the symbol list, the line-number list,
  the word table and the module name's word; the 32-bit checksum; the checksum flag byte.

  lists: variable-length numbers (7 bits a byte, least significant first, bit 7 on every
  byte but the last); each column is the difference to its previous value from 0, modulo
  2**32; an entry starting with 0x7FFFFFFF ends the list. Units and source names are
  (address, name), symbols (address, first name, second name), lines (address, line).

  words: a name is its word's offset in the word table (0: none, so the table begins with a
  spare byte). Kind byte 1: the text XORed with 0xAA (0xAA itself kept), then a zero byte;
  kind 2: "@" then packed text; otherwise packed text from the first byte: 6-bit codes,
  four in three bytes, least significant first, code 0 ends ("0"-"9" 1-10, "A"-"Z" 11-36,
  "a"-"z" 37-62, "_" 63).

  checksum: with the flag set, the stored value C must satisfy
  ror8(sum of all 32-bit words - C) == C; the words hold C rotated left by 8 (it starts
  at offset 29), so C is the sum of the words with the checksum's bytes zero.

A procedure "A.B.C" is stored as first name "A.B" and second name "C"; a name without "."
as a first name alone. Usage: jedi_writer.py [options] description.json output.jdbg
[expected.tsv]
"""
import argparse
import json
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import locations  # noqa: E402

PACKED = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz_"
END_OF_LIST = 0x7FFFFFFF
HEADER_SIZE = 34


def number(value):
    value &= 0xFFFFFFFF
    out = bytearray()
    while True:
        group = value & 0x7F
        value >>= 7
        if value:
            out.append(group | 0x80)
        else:
            out.append(group)
            return bytes(out)


def packed(text):
    codes = [PACKED.index(c) + 1 for c in text] + [0]
    bits = 0
    for i, code in enumerate(codes):
        bits |= code << (6 * i)
    return bits.to_bytes((len(codes) * 6 + 7) // 8, "little")


def plain(text):
    raw = text.encode("latin-1")
    return bytes([1]) + bytes(b if b == 0xAA else b ^ 0xAA for b in raw) + b"\0"


def word(text):
    if text and all(c in PACKED for c in text):
        data = packed(text)
        if data[0] not in (1, 2):
            return data
    if len(text) > 1 and text[0] == "@" and all(c in PACKED for c in text[1:]):
        return bytes([2]) + packed(text[1:])
    return plain(text)


class WordTable:
    def __init__(self):
        self.data = bytearray(b"\0")
        self.offsets = {}

    def add(self, text):
        if not text:
            return 0
        if text not in self.offsets:
            self.offsets[text] = len(self.data)
            self.data += word(text)
        return self.offsets[text]


def encode_list(rows, end_marker=True):
    out = bytearray()
    previous = [0] * (len(rows[0]) if rows else 0)
    for row in rows:
        for i, value in enumerate(row):
            out += number(value - previous[i])
            previous[i] = value
    if end_marker:
        out += number(END_OF_LIST)
    return bytes(out)


def build(description, options):
    words = WordTable()
    units, sources, symbols, lines = [], [], [], []
    for unit in description["units"]:
        units.append((unit["start"], words.add(unit["name"])))
        sources.append((unit["start"], words.add(unit["source"])))
        for proc in unit["procs"]:
            first, _, second = proc["name"].rpartition(".")
            if not first:
                first, second = second, ""
            symbols.append((proc["start"], words.add(first), words.add(second)))
        for line, address in unit["lines"]:
            lines.append((address, line))
    module_word = words.add(description.get("module", ""))

    # The lists in header order, then the word table; a line list without its end marker
    # goes last, so that it runs to the end of the data and into nothing else.
    lists = [encode_list(units), encode_list(sources), encode_list(symbols),
             encode_list(lines, end_marker=not options.no_end_marker)]
    order = [0, 1, 2, 3, "words"] if not options.no_end_marker else [0, 1, 2, "words", 3]
    body = bytearray()
    offsets = [0, 0, 0, 0]
    words_offset = 0
    for part in order:
        if part == "words":
            words_offset = HEADER_SIZE + len(body)
            body += words.data
        else:
            offsets[part] = HEADER_SIZE + len(body)
            body += lists[part]
    module_offset = words_offset + module_word if module_word else 0
    data = bytearray(struct.pack("<4sB6I", options.signature.encode("latin-1"), options.version,
                                 *offsets, words_offset, module_offset))
    data += b"\0\0\0\0" + bytes([0 if options.checksum == "none" else 1])
    data += body
    while len(data) % 4:
        data.append(0)
    if options.checksum != "none":
        total = sum(struct.unpack_from("<I", data, i)[0] for i in range(0, len(data), 4))
        checksum = total & 0xFFFFFFFF
        if options.checksum == "bad":
            checksum ^= 0x100
        struct.pack_into("<I", data, 29, checksum)
    if options.size is not None:
        data = data[: options.size] + bytes(max(0, options.size - len(data)))
    return bytes(data)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("description")
    parser.add_argument("output")
    parser.add_argument("expected", nargs="?", help="also write the rows every reader must give")
    parser.add_argument("--checksum", choices=("good", "bad", "none"), default="good",
                        help="checksum flag set with the right or a wrong sum, or flag clear")
    parser.add_argument("--version", type=int, default=1)
    parser.add_argument("--signature", default="JDBG")
    parser.add_argument("--size", type=int, help="cut or zero-pad the output to this many bytes")
    parser.add_argument("--no-end-marker", action="store_true",
                        help="leave the end marker off the line list, which then runs to the end")
    options = parser.parse_args()
    description = locations.load(options.description)
    with open(options.output, "wb") as f:
        f.write(build(description, options))
    if options.expected:
        locations.write_expected(description, options.expected)


if __name__ == "__main__":
    main()
