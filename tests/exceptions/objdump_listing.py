#!/usr/bin/env python3
"""Writes the instructions of a few kilobytes of a built exe's code, as the cross
toolchain's disassembler sees them, for the length decoder's cross-check.

    objdump_listing.py <objdump> <nm> <exe> <output>
    objdump_listing.py --object <objdump> <object> <output>

The second form lists all of an assembled object's code, each label a procedure.

Output, one line each:
    F <name>                            a procedure begins
    I <address> <bytes> <target|->      an instruction: hex address, hex bytes, and the
                                        address its relative operand leads to, if any

objdump shows a WAIT (9B) before an x87 instruction as part of it ("9b df e0 fstsw");
the processor runs it as an instruction of its own, so the listing gives it a line of
its own.
"""
import re
import subprocess
import sys

# Procedures of our own libraries first, then the C++ runtime and GoogleTest for variety.
WANTED = [
    r"^DecodeInstruction\(",
    r"^FunctionSizeInBuffer\(",
    r"^HookProcedureEx\(",
    r"^TryHookDllProcedureEx\(",
    r"^UnhookAll\(",
    r"^TCodeArena::",
    r"^ReadableBytes\(",
    r"^Format\[",
    r"^Format\(",
    r"^TVarRec::",
    r"^TCriticalSection::",
    r"^testing::internal::String::",
    r"^testing::internal::FormatFileLocation",
    r"^std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> >::_M_",
]
BUDGET = 24 * 1024     # bytes of code in all
MAX_PROCEDURE = 4096   # one procedure at most

LINE = re.compile(r"^\s*([0-9a-f]+):\t([0-9a-f]{2}(?: [0-9a-f]{2})*)\s*(?:\t(.*))?$")
BRANCH = re.compile(r"\b(?:j[a-z]+|call[lq]?|loop[a-z]*|xbegin)\s+([0-9a-f]+) <")
RIP = re.compile(r"\(%[er]ip\).*#\s*(?:0x)?([0-9a-f]+)")
HEADER = re.compile(r"^[0-9a-f]+ <(.+)>:$")
WAIT = "9b"


def text_symbols(nm, exe):
    out = subprocess.run([nm, "-n", "-C", "--defined-only", exe], check=True, capture_output=True, text=True).stdout
    symbols = []
    for line in out.splitlines():
        parts = line.split(" ", 2)
        if len(parts) == 3 and parts[1] in ("T", "t"):
            symbols.append((int(parts[0], 16), parts[2]))
    return symbols


def choose(symbols):
    chosen, total = [], 0
    for pattern in WANTED:
        regex = re.compile(pattern)
        for i, (address, name) in enumerate(symbols[:-1]):
            end = symbols[i + 1][0]
            size = end - address
            if not regex.search(name) or size <= 0 or size > MAX_PROCEDURE:
                continue
            if any(c[0] == address for c in chosen):
                continue
            if total + size > BUDGET:
                return chosen
            chosen.append((address, end, name))
            total += size
            if sum(1 for c in chosen if regex.search(c[2])) >= 4:
                break
    return chosen


def instruction(line):
    """The instruction lines of one objdump line: None when it is no instruction, else a
    list of (address, hex bytes, instruction text, target)."""
    m = LINE.match(line)
    if not m:
        return None
    address = int(m.group(1), 16)
    code = m.group(2).replace(" ", "")
    text = m.group(3) or ""
    target = BRANCH.search(text) or RIP.search(text)
    target = target.group(1) if target else "-"
    if code.startswith(WAIT) and len(code) > len(WAIT):
        return [(address, WAIT, "fwait", "-"), (address + 1, code[len(WAIT):], text, target)]
    return [(address, code, text, target)]


def disassemble(objdump, exe, start, end):
    out = subprocess.run([objdump, "-d", "--insn-width=16", "--start-address=0x%x" % start,
                          "--stop-address=0x%x" % end, exe], check=True, capture_output=True, text=True).stdout
    for line in out.splitlines():
        for address, code, text, target in instruction(line) or []:
            if "(bad)" in text:
                return  # the rest is not code the disassembler understands either
            if address + len(code) // 2 > end:
                return
            yield address, code, target


def list_exe(objdump, nm, exe):
    lines = []
    for start, end, name in choose(text_symbols(nm, exe)):
        lines.append("F " + name)
        for address, code, target in disassemble(objdump, exe, start, end):
            lines.append("I %x %s %s" % (address, code, target))
    return lines


def list_object(objdump, obj):
    out = subprocess.run([objdump, "-d", "--insn-width=16", obj], check=True, capture_output=True, text=True).stdout
    lines = []
    for line in out.splitlines():
        header = HEADER.match(line)
        if header:
            lines.append("F " + header.group(1))
            continue
        for address, code, text, target in instruction(line) or []:
            if "(bad)" in text:
                sys.exit("%s: objdump cannot decode the instruction at %x" % (obj, address))
            lines.append("I %x %s %s" % (address, code, target))
    return lines


def main():
    if sys.argv[1] == "--object":
        objdump, obj, output = sys.argv[2:5]
        lines = list_object(objdump, obj)
    else:
        objdump, nm, exe, output = sys.argv[1:5]
        lines = list_exe(objdump, nm, exe)
    with open(output, "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
