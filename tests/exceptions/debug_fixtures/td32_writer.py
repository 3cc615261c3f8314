"""Writes a module description (locations.json) as TD32 debug information.

The layout is the published one of the Borland 32-bit symbolic debugging information
(TD32, the CodeView 4 arrangement with names kept in a names subsection), all numbers
little-endian, offsets counted from the first byte of the data:

  signature         4 bytes, "FB09" (or "FB0A")
  directory offset  u32, the first subsection directory

  directory: header size u16 (16), entry size u16 (12), entry count u32,
             next directory u32 (0 ends the chain), flags u32;
             entries: subsection type u16, module index u16, offset u32, size u32

  0x120 module:     overlay u16, library u16, segment count u16, style u16 ("CV"),
                    name index u32, time u32, three reserved u32;
                    per segment: segment u16, flags u16, offset u32, size u32
  0x125 symbols:    signature u32 (1), then records: length u16 (bytes after it),
                    type u16, fields; procedures (0x204 local, 0x205 global):
                    parent u32, end u32, next u32, size u32, debug start u32,
                    debug end u32, offset u32, segment u16, type u32, name index u32,
                    browser offset u32
  0x127 source:     file count u16, segment count u16, per file the offset of its
                    entry u32, per segment start u32 and end u32 (last byte), per
                    segment its index u16 (padded to 4);
                    file entry: segment count u16, name index u32, per segment the
                    offset of its line block u32, per segment start u32, end u32;
                    line block: segment u16, pair count u16, offsets u32[], lines u16[]
  0x130 names:      count u32, per name: length u8, the characters, a zero byte

Name indexes count from 1. The code is segment 1 (the first section): segment offsets
are the addresses of the description.

Usage: td32_writer.py DESCRIPTION OUTPUT [--expected ROWS] [options]; the options vary
or damage the output for the reader's edge tests, --pe32/--pe64 wrap the data into a
minimal image file whose debug directory points at it.
"""
import argparse
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import locations  # noqa: E402

S_END = 0x0006
S_BPREL32 = 0x0200
S_GDATA32 = 0x0202
S_LPROC32 = 0x0204
S_GPROC32 = 0x0205
CODE_SEGMENT = 1
DATA_SEGMENT = 2


class Names:
    def __init__(self):
        self.names = []
        self.indexes = {}  # a real module's description has thousands of names

    def index(self, text):
        if text not in self.indexes:
            self.names.append(text)
            self.indexes[text] = len(self.names)
        return self.indexes[text]

    def subsection(self, damage):
        out = struct.pack("<I", len(self.names) + (1000 if damage == "names-count" else 0))
        for text in self.names:
            raw = text.encode("latin-1")
            out += struct.pack("<B", len(raw)) + raw + b"\0"
        return out


def pad4(data):
    return data + b"\0" * (-len(data) % 4)


def module_subsection(unit, names):
    # First a data segment whose offsets overlap the code of this unit, of the next one and
    # what lies behind the code: it must not be taken for code.
    segments = [(DATA_SEGMENT, 1, unit["start"], 2 * unit["size"] + 4096),
                (CODE_SEGMENT, 0, unit["start"], unit["size"])]
    out = struct.pack("<HHHHIIIII", 0, 0, len(segments), 0x5643, names.index(unit["name"]), 0, 0, 0, 0)
    for seg, flags, offset, size in segments:
        out += struct.pack("<HHII", seg, flags, offset, size)
    return out


def symbol_record(rectype, fields):
    body = struct.pack("<H", rectype) + fields
    # Records keep 4-byte alignment: the length counts the padding.
    body += b"\0" * (-(len(body) + 2) % 4)
    return struct.pack("<H", len(body)) + body


def proc_record(rectype, proc, names):
    fields = struct.pack("<IIIIIIIHIII", 0, 0, 0, proc["size"], 0, proc["size"], proc["start"],
                         CODE_SEGMENT, 0x1000, names.index(proc["name"]), 0)
    return symbol_record(rectype, fields)


def symbols_subsection(unit, names, nested):
    out = struct.pack("<I", 1)
    # A global variable in the data segment at the unit's first offset.
    out += symbol_record(S_GDATA32, struct.pack("<IHII", unit["start"], DATA_SEGMENT, 0x74,
                                                  names.index(unit["name"] + "Data")))
    for number, proc in enumerate(unit["procs"]):
        kind = S_LPROC32 if proc["name"].endswith("Initialization") else S_GPROC32
        out += proc_record(kind, proc, names)
        # A parameter of the procedure, then the end of its scope.
        out += symbol_record(S_BPREL32, struct.pack("<iII", 8 + number, 0x74, names.index("Sender")))
        if nested and number == 0:
            # A procedure nested in the first one, over its second quarter, inside its scope.
            inner = {"name": proc["name"] + ".Nested", "start": proc["start"] + proc["size"] // 4,
                     "size": proc["size"] // 4}
            out += proc_record(S_LPROC32, inner, names) + symbol_record(S_END, b"")
        out += symbol_record(S_END, b"")
    return out


def source_subsection(unit, names, empty_file, reverse_lines):
    start, end = unit["start"], unit["start"] + unit["size"] - 1
    # The definition does not promise the pairs in address order.
    pairs = list(reversed(unit["lines"])) if reverse_lines else unit["lines"]
    offsets = [a for _, a in pairs]
    lines = [n for n, _ in pairs]
    block = pad4(struct.pack("<HH", CODE_SEGMENT, len(offsets)) + struct.pack("<%dI" % len(offsets), *offsets)
                 + struct.pack("<%dH" % len(lines), *lines))
    files = []
    if empty_file:
        # A file without segments (an include file of no code) comes first.
        files.append(("Empty.inc", []))
    files.append((unit["source"], [(block, start, end)]))

    header_length = len(pad4(b"\0" * (4 + 4 * len(files) + 8 + 2)))
    file_entries = []
    position = header_length
    file_offsets = []
    for name, segs in files:
        entry_size = 2 + 4 + 4 * len(segs) + 8 * len(segs)
        entry_size += -entry_size % 4
        block_position = position + entry_size
        entry = struct.pack("<HI", len(segs), names.index(name))
        blocks = b""
        for seg_block, _, _ in segs:
            entry += struct.pack("<I", block_position + len(blocks))
            blocks += seg_block
        for _, s, e in segs:
            entry += struct.pack("<II", s, e)
        entry = pad4(entry)
        file_offsets.append(position)
        file_entries.append(entry + blocks)
        position += len(entry) + len(blocks)
    header = struct.pack("<HH", len(files), 1) + struct.pack("<%dI" % len(files), *file_offsets)
    header += struct.pack("<II", start, end) + struct.pack("<H", CODE_SEGMENT)
    header = pad4(header)
    assert len(header) == header_length
    return header + b"".join(file_entries)


def directory(entries, next_offset, entry_size):
    out = struct.pack("<HHIII", 16, entry_size, len(entries), next_offset, 0)
    for kind, module, offset, size in entries:
        out += struct.pack("<HHII", kind, module, offset, size) + b"\0" * (entry_size - 12)
    return out


def write_td32(description, options):
    names = Names()
    blobs = []  # (kind, module index, bytes)
    for number, unit in enumerate(description["units"], start=1):
        blobs.append((0x120, number, module_subsection(unit, names)))
    for number, unit in enumerate(description["units"], start=1):
        blobs.append((0x125, number, symbols_subsection(unit, names, options.nested)))
        blobs.append((0x127, number, source_subsection(unit, names, options.empty_file, options.reverse_lines)))
    blobs.append((0x130, 0xFFFF, names.subsection(options.damage)))

    data = bytearray(options.signature.encode("ascii") + b"\0\0\0\0")
    entries = []
    for kind, module, blob in blobs:
        entries.append((kind, module, len(data), len(blob)))
        data += pad4(blob)
    if options.damage == "subsection-outside":
        kind, module, offset, size = entries[-1]
        entries[-1] = (kind, module, offset, size + 0x10000)

    # Two directories in a chain: the modules' entries, then the rest.
    count = len(description["units"])
    first, second = entries[:count], entries[count:]
    entry_size = options.entry_size
    first_offset = len(data)
    second_offset = first_offset + 16 + entry_size * len(first)
    next_of_second = 0
    if options.damage == "directory-cycle":
        next_of_second = first_offset
    if options.damage == "directory-outside":
        next_of_second = 0x7FFFFFF0
    data += directory(first, second_offset, entry_size)
    data += directory(second, next_of_second, entry_size)
    struct.pack_into("<I", data, 4, first_offset)
    if options.damage == "truncate":
        del data[len(data) - 7:]
    return bytes(data)


def pe_image(td32, wide):
    """A minimal image file: headers, one code section and one section holding the debug
    directory (one CodeView-typed entry before the TD32 one) and the data."""
    file_align = 0x200
    optional_size = 0xF0 if wide else 0xE0
    headers = 0x400
    debug_rva, debug_raw = 0x2000, 0x600
    entries = 2
    data_raw = debug_raw + 28 * entries
    other = b"RSDS" + b"\0" * 20  # a PDB reference, not TD32
    td32_raw = data_raw + len(other)
    section2 = bytearray(28 * entries) + other + td32
    section2 += b"\0" * (-len(section2) % file_align)

    out = bytearray(headers)
    out[0:2] = b"MZ"
    struct.pack_into("<I", out, 0x3C, 0x80)
    struct.pack_into("<4sHHIIIHH", out, 0x80, b"PE\0\0", 0x8664 if wide else 0x14C, 2, 0, 0, 0,
                     optional_size, 0x22)
    opt = 0x98
    struct.pack_into("<H", out, opt, 0x20B if wide else 0x10B)
    directories = opt + (112 if wide else 96)
    struct.pack_into("<I", out, directories - 4, 16)
    struct.pack_into("<II", out, directories + 6 * 8, debug_rva, 28 * entries)
    sections = opt + optional_size
    struct.pack_into("<8sIIII", out, sections, b".text", 0x1000, 0x1000, file_align, headers)
    struct.pack_into("<8sIIII", out, sections + 40, b".debug", len(section2), debug_rva,
                     len(section2), headers + file_align)
    code = b"\xC3" * file_align
    image = out + code + section2
    base = headers + file_align
    # Characteristics, time, major, minor, type, size, address, raw pointer.
    struct.pack_into("<IIHHIIII", image, base, 0, 0, 0, 0, 2, len(other), 0, data_raw - debug_raw + base)
    struct.pack_into("<IIHHIIII", image, base + 28, 0, 0, 0, 0, 2, len(td32), 0,
                     td32_raw - debug_raw + base)
    return bytes(image)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("description")
    parser.add_argument("output")
    parser.add_argument("--expected", help="also write the rows every reader must answer")
    parser.add_argument("--signature", default="FB09", choices=["FB09", "FB0A", "FB0B"])
    parser.add_argument("--entry-size", type=int, default=12)
    parser.add_argument("--empty-file", action="store_true",
                        help="a source file without segments before each unit's file")
    parser.add_argument("--nested", action="store_true",
                        help="a nested procedure inside the first procedure of each unit")
    parser.add_argument("--reverse-lines", action="store_true",
                        help="the line pairs of each block from the last to the first")
    parser.add_argument("--damage", choices=["truncate", "directory-cycle", "directory-outside",
                                             "subsection-outside", "names-count"])
    wrap = parser.add_mutually_exclusive_group()
    wrap.add_argument("--pe32", action="store_true")
    wrap.add_argument("--pe64", action="store_true")
    options = parser.parse_args()

    description = locations.load(options.description)
    data = write_td32(description, options)
    if options.pe32 or options.pe64:
        data = pe_image(data, options.pe64)
    with open(options.output, "wb") as f:
        f.write(data)
    if options.expected:
        locations.write_expected(description, options.expected)


if __name__ == "__main__":
    main()
