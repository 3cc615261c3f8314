#!/usr/bin/env python3
"""Writes the exception library's module data block.

Resource form (the RCDATA resource "ELDATA"), all integers little-endian:

    signature 0x100FAB10 (4), data version (2), compilation date (8, a double counting days
    since 30 December 1899), two reserved bytes (versions 6000 and later only), length A of
    the symbol table (4), A bytes of 9-byte records (symbol ID 1, address relative to the
    module base 4, unused 4), length B (4) and B bytes of zlib stream of the options stream,
    the password check (the signature as 4 bytes enciphered with the debug password), and a
    zlib stream of a 32-bit length and the library's own debug data.

File-trailer form (appended to a module file): data version (2), compilation date (8), the
options stream uncompressed, a 32-bit length and the debug data, then the length N of all
that (4) and the signature (4), so that the block ends the file.

    data_block.py [--options FILE] [--password TEXT] [--map MAP [--image PE]]
                  [--symbol ID=RVA ...] [--form resource|trailer] [--append]
                  [--rc RC] [--stream-out FILE] OUTPUT

The compilation date comes from SOURCE_DATE_EPOCH when it is set, else from the time of the
repository's last commit, else it is 0, so that a build is reproducible. --version,
--signature, --date and --damage write the deliberately odd blocks that tests need.
"""
import argparse
import os
import re
import struct
import subprocess
import sys
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import block_cipher  # noqa: E402
import options_file  # noqa: E402
import options_stream  # noqa: E402

SIGNATURE = 0x100FAB10
CURRENT_VERSION = 6015
# Days from 30 December 1899 to 1 January 1970.
UNIX_EPOCH_DAYS = 25569.0

# The runtime symbols the library looks up by ID: the framework's two top-level routines
# for escaping exceptions (framework/application.h), by the names a link map gives them
# (demangled, as ld writes maps by default, or as the compiler names them).
SYMBOLS = {
    0: ("TApplication::HandleException(TObject*)",
        "_ZN12TApplication15HandleExceptionEP7TObject"),
    1: ("TApplication::ShowException(Exception const&)",
        "_ZN12TApplication13ShowExceptionERK9Exception"),
}

# Deliberately damaged blocks for tests: compressed data cut in half or compressing nothing,
# no debug part at all, a debug length one past its data, debug data that expands to 80 MiB,
# a symbol table with a partial record at its end, and a well-compressed options stream
# that stops halfway.
DAMAGES = ("truncate-options", "empty-options", "truncate-debug", "empty-debug", "no-debug",
           "overlong-debug", "huge-debug", "partial-record", "short-options")


class BlockError(Exception):
    pass


def compilation_date(repository):
    """Days since 30 December 1899 of SOURCE_DATE_EPOCH, else of the repository's last
    commit, else 0."""
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    if epoch is not None:
        try:
            return UNIX_EPOCH_DAYS + int(epoch) / 86400.0
        except ValueError:
            raise BlockError(f"SOURCE_DATE_EPOCH is not a number of seconds: {epoch!r}") from None
    try:
        result = subprocess.run(["git", "-C", repository, "log", "-1", "--format=%ct"],
                                capture_output=True, text=True, timeout=30, check=False)
        if result.returncode == 0 and result.stdout.strip():
            return UNIX_EPOCH_DAYS + int(result.stdout.strip()) / 86400.0
    except (OSError, ValueError, subprocess.SubprocessError):
        pass
    return 0.0


# A symbol line of a GNU ld map: the address, then the name on the rest of the line
# (demangled names hold blanks; assignments such as "__image_base__ = 0x..." are not
# symbols).
MAP_SYMBOL = re.compile(r"^\s+0x([0-9A-Fa-f]+)\s+(\S.*?)\s*$")
MAP_IMAGE_BASE = re.compile(r"^\s+0x([0-9A-Fa-f]+)\s+__image_base__\s*=")


def map_symbols(map_path):
    """Returns (image base, {name: address}) from a GNU ld map of a PE image. On i686 the
    compiler puts an underscore before every mangled name; it is removed."""
    try:
        with open(map_path, encoding="utf-8", errors="replace") as handle:
            lines = handle.readlines()
    except OSError as error:
        raise BlockError(f"{map_path}: cannot read the link map: {error.strerror}") from None
    image_base, found = None, {}
    for line in lines:
        match = MAP_IMAGE_BASE.match(line)
        if match:
            image_base = int(match.group(1), 16)
            continue
        match = MAP_SYMBOL.match(line)
        if match and " = " not in match.group(2):
            name = match.group(2)
            if name.startswith("__Z"):
                name = name[1:]
            found.setdefault(name, int(match.group(1), 16))
    return image_base, found


def image_base_of(image_path):
    try:
        import pefile
    except ImportError:
        raise BlockError("the pefile module is missing (Debian package python3-pefile)") from None
    try:
        image = pefile.PE(image_path, fast_load=True)
    except (OSError, pefile.PEFormatError) as error:
        raise BlockError(f"{image_path}: not a PE image: {error}") from None
    return image.OPTIONAL_HEADER.ImageBase


def symbols_from_map(map_path, image_path=None):
    """The records {id: RVA} of the symbols the link map holds. The image base is the
    map's __image_base__, or the PE header's when an image is given. A symbol the image
    does not contain (a module without the framework's application object) has no
    record."""
    image_base, found = map_symbols(map_path)
    if image_path:
        image_base = image_base_of(image_path)
    if image_base is None:
        raise BlockError(f"{map_path}: the link map names no __image_base__")
    records = {}
    for symbol_id, names in SYMBOLS.items():
        for name in names:
            if name in found:
                rva = found[name] - image_base
                if not 0 < rva <= 0xFFFFFFFF:
                    raise BlockError(f"{map_path}: {name} lies outside the image")
                records[symbol_id] = rva
                break
    return records


def symbol_table(records):
    return b"".join(struct.pack("<BII", symbol_id, rva, 0)
                    for symbol_id, rva in sorted(records.items()))


def compress(data, damage, which):
    packed = zlib.compress(b"" if damage == f"empty-{which}" else data, 9)
    if damage == f"truncate-{which}":
        packed = packed[:len(packed) // 2]
    return packed


def resource_block(stream, records, password, version, signature, date, debug, damage):
    header = struct.pack("<IHd", signature, version, date)
    if version >= 6000 or 600 <= version <= 602:
        header += b"\0\0"
    table = symbol_table(records)
    if damage == "partial-record":
        table += b"\x01\x02\x03\x04"
    if damage == "short-options":
        stream = stream[:len(stream) // 2]
    options = compress(stream, damage, "options")
    try:
        check = block_cipher.encrypt(password, struct.pack("<I", SIGNATURE))
    except UnicodeEncodeError:
        raise BlockError("the password must be text of code page 1252") from None
    if damage == "huge-debug":
        debug = bytes(80 << 20)
    length = len(debug) + (1 if damage == "overlong-debug" else 0)
    tail = b"" if damage == "no-debug" else \
        compress(struct.pack("<I", length) + debug, damage, "debug")
    return (header + struct.pack("<I", len(table)) + table + struct.pack("<I", len(options))
            + options + check + tail)


def trailer_block(stream, version, signature, date, debug):
    body = struct.pack("<Hd", version, date) + stream + struct.pack("<I", len(debug)) + debug
    return body + struct.pack("<II", len(body), signature)


def write_rc(rc_path, block_path):
    """A resource script that names the block file as the RCDATA resource "ELDATA"."""
    quoted = os.path.abspath(block_path).replace("\\", "\\\\").replace('"', '\\"')
    with open(rc_path, "w", encoding="ascii") as out:
        out.write(f'ELDATA RCDATA "{quoted}"\n')


def parse_symbol(text):
    match = re.fullmatch(r"(\d+)=(0[xX][0-9A-Fa-f]+|\d+)", text)
    if not match or int(match.group(1)) > 255 or int(match.group(2), 0) > 0xFFFFFFFF:
        raise argparse.ArgumentTypeError(f"ID=RVA expected (ID 0..255, RVA 32-bit): {text!r}")
    return int(match.group(1)), int(match.group(2), 0)


def main(argv=None):
    parser = argparse.ArgumentParser(description="Writes the module data block.")
    parser.add_argument("--options", help="options file (default: every option at its default)")
    parser.add_argument("--password", default="", help="debug password (default: empty)")
    parser.add_argument("--map", help="link map of the module, for the symbol table")
    parser.add_argument("--image", help="the linked module, for its image base")
    parser.add_argument("--symbol", type=parse_symbol, action="append", default=[],
                        help="a symbol record ID=RVA (added to those of --map)")
    parser.add_argument("--form", choices=("resource", "trailer"), default="resource")
    parser.add_argument("--append", action="store_true",
                        help="append the block to OUTPUT (a module file) instead of replacing it")
    parser.add_argument("--rc", help="also write a resource script naming OUTPUT as ELDATA")
    parser.add_argument("--stream-out", help="also write the options stream to this file")
    parser.add_argument("--debug-data", help="file with the library's own debug data")
    parser.add_argument("--version", type=int, default=CURRENT_VERSION)
    parser.add_argument("--signature", type=lambda text: int(text, 0), default=SIGNATURE)
    parser.add_argument("--date", type=float, help="compilation date in days since 1899-12-30")
    parser.add_argument("--damage", choices=DAMAGES, help="write a damaged block (tests)")
    parser.add_argument("output")
    args = parser.parse_args(argv)
    try:
        values = options_file.load(args.options) if args.options else None
        stream = options_stream.options_stream(values)
        records = symbols_from_map(args.map, args.image) if args.map else {}
        records.update(dict(args.symbol))
        debug = b""
        if args.debug_data:
            try:
                with open(args.debug_data, "rb") as handle:
                    debug = handle.read()
            except OSError as error:
                raise BlockError(f"{args.debug_data}: {error.strerror}") from None
        if not 0 <= args.version <= 0xFFFF:
            raise BlockError(f"data version {args.version} does not fit 16 bits")
        date = args.date if args.date is not None else \
            compilation_date(os.path.dirname(os.path.abspath(__file__)))
        if args.form == "resource":
            block = resource_block(stream, records, args.password, args.version,
                                   args.signature, date, debug, args.damage)
        else:
            block = trailer_block(stream, args.version, args.signature, date, debug)
        try:
            with open(args.output, "ab" if args.append else "wb") as out:
                out.write(block)
            if args.stream_out:
                with open(args.stream_out, "wb") as out:
                    out.write(stream)
            if args.rc:
                write_rc(args.rc, args.output)
        except OSError as error:
            raise BlockError(f"{error.filename}: {error.strerror}") from None
    except (options_file.OptionsFileError, BlockError) as error:
        print(f"error: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
