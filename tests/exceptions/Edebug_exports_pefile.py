#!/usr/bin/env python3
"""Lists the named exports of PE files with pefile, for the export list test under Wine.

Usage: Edebug_exports_pefile.py --module KEY=FILE [--module KEY=FILE ...] OUTPUT
Writes one tab-separated line per named export:
    <key> <name> <relative address, hex> <forwarder text, or "-">
The test reads the list beside its exe and compares what the library reads from the
loaded modules with it.
"""
import argparse

import pefile


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--module', action='append', default=[], help='KEY=FILE')
    parser.add_argument('output')
    args = parser.parse_args()
    lines = []
    for item in args.module:
        key, path = item.split('=', 1)
        pe = pefile.PE(path, fast_load=True)
        pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY['IMAGE_DIRECTORY_ENTRY_EXPORT']])
        directory = getattr(pe, 'DIRECTORY_ENTRY_EXPORT', None)
        symbols = directory.symbols if directory else []
        for symbol in symbols:
            if symbol.name is None:
                continue
            forwarder = symbol.forwarder.decode('ascii') if symbol.forwarder else '-'
            lines.append('%s\t%s\t%x\t%s' % (key, symbol.name.decode('ascii'), symbol.address, forwarder))
    with open(args.output, 'w', newline='\n') as out:
        out.write(''.join(line + '\n' for line in lines))


if __name__ == '__main__':
    main()
