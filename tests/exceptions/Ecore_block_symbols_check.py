#!/usr/bin/python3
"""Checks that the symbol table in a linked exe's ELDATA resource holds the final image's
addresses: each record against the exe's own link map and against its COFF symbol table
(listed by the cross nm), and the exe's code against that of the first link the table was
written from, which must be the same bytes at the same addresses.

    Ecore_block_symbols_check.py --nm NM --map MAP [--first-link EXE] EXE

Exit status 0 when every check holds; otherwise each failed check is printed.
"""
import argparse
import re
import struct
import subprocess
import sys

import pefile

RT_RCDATA = 10
# Mangled names (the COFF symbols) and demangled ones (the link map).
NAMES = {0: ("_ZN12TApplication15HandleExceptionEP7TObject",
             "TApplication::HandleException(TObject*)"),
         1: ("_ZN12TApplication13ShowExceptionERK9Exception",
             "TApplication::ShowException(Exception const&)")}


def eldata_of(image):
    for kind in image.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id != RT_RCDATA:
            continue
        for entry in kind.directory.entries:
            if entry.name is not None and str(entry.name) == "ELDATA":
                data = entry.directory.entries[0].data.struct
                return image.get_data(data.OffsetToData, data.Size)
    return None


def symbol_records(block):
    signature, version = struct.unpack_from("<IH", block)
    assert signature == 0x100FAB10 and version == 6015, (hex(signature), version)
    (length,) = struct.unpack_from("<I", block, 16)
    return {block[20 + at]: struct.unpack_from("<I", block, 21 + at)[0]
            for at in range(0, length - length % 9, 9)}


def addresses_in_map(path, names):
    found = {}
    with open(path, encoding="utf-8", errors="replace") as handle:
        for line in handle:
            match = re.match(r"\s+0x([0-9a-fA-F]+)\s+(.+?)\s*$", line)
            if match and match.group(2) in names:
                found.setdefault(match.group(2), int(match.group(1), 16))
    return found


def addresses_in_nm(nm, path):
    listing = subprocess.run([nm, path], capture_output=True, text=True, check=True).stdout
    found = {}
    for line in listing.splitlines():
        parts = line.split()
        if len(parts) == 3 and parts[1] in "tT":
            name = parts[2][1:] if parts[2].startswith("__Z") else parts[2]
            found.setdefault(name, int(parts[0], 16))
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--nm", required=True)
    parser.add_argument("--map", required=True)
    parser.add_argument("--first-link")
    parser.add_argument("exe")
    args = parser.parse_args()
    failures = []
    image = pefile.PE(args.exe)
    base = image.OPTIONAL_HEADER.ImageBase
    block = eldata_of(image)
    if block is None:
        print(f"{args.exe}: no RCDATA resource ELDATA")
        return 1
    records = symbol_records(block)
    in_map = addresses_in_map(args.map, {demangled for _, demangled in NAMES.values()})
    in_nm = addresses_in_nm(args.nm, args.exe)
    for symbol_id, (mangled, demangled) in NAMES.items():
        if symbol_id not in records:
            failures.append(f"symbol {symbol_id} ({demangled}) has no record")
            continue
        rva = records[symbol_id]
        for source, table, name in (("link map", in_map, demangled),
                                    ("COFF symbols", in_nm, mangled)):
            if table.get(name) is None:
                failures.append(f"{name} is not in the {source}")
            elif table[name] - base != rva:
                failures.append(f"symbol {symbol_id}: record {rva:#x}, {source} "
                                f"{table[name] - base:#x}")
    if args.first_link:
        first = pefile.PE(args.first_link)
        sections = {s.Name.rstrip(b"\0"): s for s in first.sections}
        for section in image.sections:
            name = section.Name.rstrip(b"\0")
            if name not in (b".text", b".rdata", b".data"):
                continue
            other = sections.get(name)
            if other is None or other.VirtualAddress != section.VirtualAddress or \
                    other.get_data() != section.get_data():
                failures.append(f"section {name.decode()} differs from the first link's")
    for failure in failures:
        print(failure)
    if not failures:
        print(f"symbols {sorted(records)} match the link map and the COFF symbols")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
