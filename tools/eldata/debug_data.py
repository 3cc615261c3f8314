#!/usr/bin/env python3
"""Writes the library's own debug data of a module from the DWARF of its image.

    debug_data.py IMAGE OUTPUT --root DIR [--password TEXT] [--version N]
                  [--description FILE] [--expected FILE] [--edges FILE] [--stats]

OUTPUT gets the own debug data: the bytes that follow the 32-bit length in the debug part
of the module data block (data_block.py --debug-data). --description writes the module's
debug information in the form of the debug fixture writers (locations.json), --expected
the runs that cover every address the data describes, with what the reader answers for
them, and --edges the first byte behind each unit of the data that no unit holds. The
model (which functions, names, units, lines) and the encoding are in README.md.
"""
import argparse
import bisect
import json
import os
import struct
import sys
import time
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import block_cipher  # noqa: E402
import debug_dwarf  # noqa: E402
# The data's version is the data block's.
from data_block import CURRENT_VERSION  # noqa: E402

SCRAMBLE_KEY = 0x5A
# The 32-bit form's escape to two 16-bit deltas, and its address field for delta 0.
WIDE_DELTAS_MARK = 0x0FFEFFFE
SAME_ADDRESS_MARK = 4095
MAX_NAME_PART = 127


class EncodeError(Exception):
    pass


def record(line_delta, address_delta, starts, version):
    """The smallest line record for the step, or None when no form holds it."""
    if line_delta < 1 or address_delta < 0:
        return None
    if starts:
        if line_delta <= 8 and 1 <= address_delta <= 8:
            return bytes([(line_delta - 1) << 5 | (address_delta - 1) << 2 | 1])
    elif line_delta <= 4 and 1 <= address_delta <= 32:
        return bytes([(line_delta - 1) << 6 | (address_delta - 1) << 1])
    flags = 3 | (4 if starts else 0)
    if line_delta <= 32 and 1 <= address_delta <= 128:
        return struct.pack("<H", (line_delta - 1) << 11 | (address_delta - 1) << 4 | flags)
    if line_delta <= 0x10000 and address_delta <= SAME_ADDRESS_MARK:
        field = SAME_ADDRESS_MARK if address_delta == 0 else address_delta - 1
        value = field << 16 | (line_delta - 1)
        if not (value == WIDE_DELTAS_MARK and version > 422):
            return struct.pack("<I", value << 4 | 8 | flags)
    if version > 422 and line_delta <= 0x10000 and 1 <= address_delta <= 0x10000:
        return struct.pack("<IHH", WIDE_DELTAS_MARK << 4 | 8 | flags, line_delta - 1, address_delta - 1)
    return None


_texts = {}


def protected_text(text, version, password):
    # Unit names and split procedures repeat: each text is enciphered once.
    key = (text, version, password)
    if key not in _texts:
        _texts[key] = _protected_text(text, version, password)
    return _texts[key]


def _protected_text(text, version, password):
    data = text.encode("cp1252", "replace")
    parts = data.split(b".") if version > 501 else [data]
    out = bytearray()
    for index, part in enumerate(parts):
        if len(part) > (MAX_NAME_PART if version > 501 else 255):
            raise EncodeError(f"a name part is longer than the format holds: {part[:40]!r}...")
        out.append(len(part) | (0x80 if index + 1 < len(parts) else 0))
        if version < 500:
            out += bytes(b ^ SCRAMBLE_KEY for b in part)
        else:
            out += block_cipher.encrypt(password, part)
    return bytes(out)


def clip(text, limit=MAX_NAME_PART):
    # A cut inside a template's argument list can end in a blank, which a text map cannot
    # keep and a reader of the report cannot see: it goes with the cut.
    raw = text.encode("cp1252", "replace")
    return raw[:limit].decode("cp1252").rstrip(" ") if len(raw) > limit else text


def reader_names(text, previous_class):
    """(class, procedure) as the reader takes them from a stored procedure text."""
    if text.startswith("."):
        cls, name = previous_class, text[1:]
    elif "." in text:
        cls, _, name = text.partition(".")
    else:
        cls, name = "", text
    if name.startswith("@"):
        name = "_" + name[1:]
    return cls, name


def has_prologue(image, rva):
    code = image.code_bytes(rva, 3)
    return code[:1] == b"\x53" or code[:3] == b"\x55\x8b\xec"


def first_line_lowering(image, name, rva):
    """1 when the reader takes a procedure's first line one lower, else 0."""
    if name == "Finalization":
        return 1
    return 0 if name == "Initialization" or has_prologue(image, rva) else 1


class Procedure:
    """One code range of a function, as the data describes it."""

    def __init__(self, function, start, end):
        self.function = function
        self.start, self.end = start, end
        self.runs = function.runs[start]
        self.class_name = clip(function.class_name)
        self.procedure = clip(function.procedure)
        self.unit = function.file


def description_units(functions):
    """Procedures in address order, grouped into units: a unit is a run of procedures of
    one file with no byte between them."""
    procedures = sorted((Procedure(f, start, end) for f in functions for start, end in f.ranges),
                        key=lambda p: p.start)
    units = []
    for procedure in procedures:
        if units and units[-1][-1].unit == procedure.unit and units[-1][-1].end == procedure.start:
            units[-1].append(procedure)
        else:
            units.append([procedure])
    return units


class OwnUnit:
    def __init__(self, name, start, first_line):
        self.name, self.start, self.first_line = name, start, first_line
        self.records = bytearray()
        self.end = start
        self.line, self.address = first_line, start
        self.previous_class = ""
        self.procedures = 0
        self.stored_line = first_line  # the line its current procedure started at, as stored
        self.procedure_at = start      # the address of the record that started it


class Encoder:
    def __init__(self, image, version, password):
        self.image, self.version, self.password = image, version, password
        self.units = []
        self.rows = []          # the expected answers: one per run
        self.inexact = 0        # runs whose procedure line the data cannot give exactly

    def procedure_text(self, unit, procedure):
        cls, name = procedure.class_name, procedure.procedure
        if cls and unit.procedures and cls == unit.previous_class:
            return "." + name
        return cls + "." + name if cls else name

    def start_procedure(self, unit, procedure, stored_line, address_delta, line, at):
        """Appends a procedure start at line stored_line, then the step to line; false when no
        record form holds them."""
        text = self.procedure_text(unit, procedure)
        first = record(stored_line - unit.line, address_delta, True, self.version)
        second = b"" if line == stored_line else record(line - stored_line, 0, False, self.version)
        if first is None or second is None:
            return False
        unit.records += first + protected_text(text, self.version, self.password) + second
        unit.previous_class, _ = reader_names(text, unit.previous_class)
        unit.procedures += 1
        unit.stored_line, unit.procedure_at = stored_line, at
        unit.line, unit.address = line, at
        return True

    def open_unit(self, procedure, at, line):
        """A unit that starts at a run: its first record starts the run's procedure."""
        function = procedure.function
        lowering = first_line_lowering(self.image, procedure.procedure, procedure.start)
        stored = function.first_line
        if at != procedure.start:
            # The reader takes the prologue rule at the record's address: the stored first
            # line makes up for a different answer there, when the line allows it.
            stored += first_line_lowering(self.image, procedure.procedure, at) - lowering
        stored = max(1, min(stored, line))
        unit = OwnUnit(procedure.unit, at, stored - 1)
        if not self.start_procedure(unit, procedure, stored, 0, line, at):
            raise EncodeError(f"no record form holds line {line} of {procedure.procedure}")
        self.units.append(unit)
        return unit

    def encode(self, groups):
        for group in groups:
            unit = None
            for procedure in group:
                for at, until, line in procedure.runs:
                    starts = at == procedure.start
                    if unit is not None:
                        if starts:
                            ok = self.start_procedure(unit, procedure, procedure.function.first_line,
                                                      at - unit.address, line, at)
                        else:
                            step = record(line - unit.line, at - unit.address, False, self.version)
                            ok = step is not None
                            if ok:
                                unit.records += step
                                unit.line, unit.address = line, at
                        if not ok:
                            unit.end = at
                            unit = None
                    if unit is None:
                        unit = self.open_unit(procedure, at, line)
                    self.add_row(unit, procedure, at, until, line)
            unit.end = group[-1].end

    def add_row(self, unit, procedure, at, until, line):
        function = procedure.function
        lowering = first_line_lowering(self.image, procedure.procedure, procedure.start)
        wanted = max(0, line - (function.first_line - lowering))
        reader_first = unit.stored_line - first_line_lowering(self.image, procedure.procedure, unit.procedure_at)
        given = max(0, line - reader_first)
        if given != wanted:
            self.inexact += 1
        cls, name = reader_names(self.procedure_text_as_read(procedure), "")
        self.rows.append((at, until, procedure.unit, cls, name, line, given, procedure.start, at))

    @staticmethod
    def procedure_text_as_read(procedure):
        cls, name = procedure.class_name, procedure.procedure
        return cls + "." + name if cls else name

    def data(self):
        out = bytearray()
        if 405 <= self.version <= 499:
            out += struct.pack("<I", 0)
        out += struct.pack("<I", len(self.units))
        for unit in self.units:
            out += protected_text(unit.name, self.version, self.password)
            out += struct.pack("<4I", unit.first_line & 0xFFFFFFFF, unit.start, unit.end - unit.start,
                               len(unit.records))
            out += unit.records
        return bytes(out)

    def edges(self):
        starts = [u.start for u in self.units]
        ends = []
        for unit in self.units:
            at = bisect.bisect_right(starts, unit.end) - 1
            if at < 0 or self.units[at].end <= unit.end:
                ends.append(unit.end)
        return sorted(set(ends))


def write_description(path, image, groups):
    units = []
    for group in groups:
        source = group[0].unit
        stem, extension = os.path.splitext(source)
        units.append({
            "name": stem if extension else source,
            "source": source,
            "start": group[0].start - image.code_start,
            "size": group[-1].end - group[0].start,
            "procs": [{"name": (p.class_name + "." if p.class_name else "") + p.procedure,
                       "start": p.start - image.code_start, "size": p.end - p.start} for p in group],
            "lines": [[line, at - image.code_start] for p in group for at, _, line in p.runs],
        })
    description = {
        "comment": "The debug information of a built module, from its DWARF (tools/eldata/debug_data.py): "
                   "addresses relative to code_start, the relative address of the first section.",
        "module": os.path.basename(image.path),
        "code_start": image.code_start,
        "units": units,
    }
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        json.dump(description, out, indent=1)
        out.write("\n")


def write_expected(path, rows):
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        out.write("# start\tend\tunit\tclass\tprocedure\tline\tprocedure_line\tprocedure_start\tline_start\n")
        for at, until, unit, cls, name, line, procedure_line, procedure_start, line_start in rows:
            out.write(f"{at:x}\t{until:x}\t{unit}\t{cls}\t{name}\t{line}\t{procedure_line}\t"
                      f"{procedure_start:x}\t{line_start:x}\n")


def write_edges(path, edges):
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        out.write("# the first byte behind a unit of the data that no unit holds\n")
        for at in edges:
            out.write(f"{at:x}\n")


def main(argv=None):
    parser = argparse.ArgumentParser(description="Writes a module's own debug data from its DWARF.")
    parser.add_argument("image", help="the linked module (PE32 or PE32+) with DWARF")
    parser.add_argument("output", help="the own debug data")
    parser.add_argument("--root", required=True, help="the repository root (unit names are relative to it)")
    parser.add_argument("--password", default="", help="the module's debug password (default: empty)")
    parser.add_argument("--version", type=int, default=CURRENT_VERSION, help="data version (default 6015)")
    parser.add_argument("--description", help="also write the description (locations.json's form)")
    parser.add_argument("--expected", help="also write the expected answers of every run")
    parser.add_argument("--edges", help="also write the first bytes behind the units")
    parser.add_argument("--stats", action="store_true", help="print sizes and time")
    args = parser.parse_args(argv)
    began = time.monotonic()
    try:
        image = debug_dwarf.Image(args.image)
        functions = debug_dwarf.read_functions(image, os.path.normpath(os.path.abspath(args.root)))
        groups = description_units(functions)
        encoder = Encoder(image, args.version, args.password)
        encoder.encode(groups)
        data = encoder.data()
        with open(args.output, "wb") as out:
            out.write(data)
        if args.description:
            write_description(args.description, image, groups)
        if args.expected:
            write_expected(args.expected, encoder.rows)
        if args.edges:
            write_edges(args.edges, encoder.edges())
    except (debug_dwarf.DwarfDataError, debug_dwarf.debug_dies.DieError, EncodeError, OSError) as error:
        print(f"error: {args.image}: {error}", file=sys.stderr)
        return 1
    if args.stats:
        packed = len(zlib.compress(struct.pack("<I", len(data)) + data, 9))
        print(f"{os.path.basename(args.image)}: {len(functions)} functions, "
              f"{sum(len(g) for g in groups)} procedures, {len(groups)} description units, "
              f"{len(encoder.units)} data units, {len(encoder.rows)} runs; data {len(data)} bytes, "
              f"{packed} compressed, .debug_* {image.debug_sizes()} bytes; "
              f"{encoder.inexact} runs with an inexact procedure line; {time.monotonic() - began:.2f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
