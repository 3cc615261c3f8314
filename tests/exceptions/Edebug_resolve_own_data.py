"""Writes the own debug data of the resolver tests' library over its known code.

The code's address exists only once the library is linked: the first link's map (the
final link moves no code) gives the symbol's address and the image base, and
debug_fixtures/own_writer.py writes the description's units from there (--code-base).

    Edebug_resolve_own_data.py MAP SYMBOL DESCRIPTION OUTPUT [own_writer options...]
"""
import os
import re
import subprocess
import sys

# "                0x000000006f401000                symbol" and "__image_base__ = 0x...".
SYMBOL_LINE = re.compile(r"^\s+0x([0-9A-Fa-f]+)\s+(\S+)\s*$")
IMAGE_BASE_LINE = re.compile(r"^\s+0x([0-9A-Fa-f]+)\s+__image_base__\s*=")


def code_offset(map_path, symbol):
    image_base, address = None, None
    with open(map_path, encoding="latin-1") as f:
        for line in f:
            match = IMAGE_BASE_LINE.match(line)
            if match:
                image_base = int(match.group(1), 16)
                continue
            match = SYMBOL_LINE.match(line)
            # i686 names carry the leading underscore of C symbols.
            if match and match.group(2) in (symbol, "_" + symbol):
                address = int(match.group(1), 16)
    if image_base is None or address is None:
        sys.exit(f"{map_path}: no {'__image_base__' if image_base is None else symbol} in the map")
    return address - image_base


def main():
    if len(sys.argv) < 5:
        sys.exit(__doc__)
    map_path, symbol, description, output = sys.argv[1:5]
    writer = os.path.join(os.path.dirname(os.path.abspath(__file__)), "debug_fixtures", "own_writer.py")
    offset = code_offset(map_path, symbol)
    subprocess.run([sys.executable, writer, description, output, "--code-base", hex(offset)] + sys.argv[5:],
                   check=True)


if __name__ == "__main__":
    main()
