#!/usr/bin/env python3
"""Lists the whole code section of a built exe as the cross toolchain's disassembler sees
it in Intel syntax, for the disassembler's agreement test.

    disasm_listing.py <objdump> <exe> <output>

Output, one line per instruction: hex address, TAB, hex bytes, TAB, objdump's text.
"""
import re
import subprocess
import sys

LINE = re.compile(r"^\s*([0-9a-f]+):\t((?:[0-9a-f]{2} )*[0-9a-f]{2})\s*\t(.*)$")


def main():
    objdump, exe, output = sys.argv[1:4]
    out = subprocess.run([objdump, "-d", "-M", "intel", "--insn-width=16", "-j", ".text", exe],
                         check=True, capture_output=True, text=True).stdout
    with open(output, "w", newline="\n") as f:
        for line in out.splitlines():
            m = LINE.match(line)
            if m:
                f.write("%s\t%s\t%s\n" % (m.group(1), m.group(2).replace(" ", ""), m.group(3).strip()))


if __name__ == "__main__":
    main()
