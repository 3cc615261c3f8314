"""Writes a module description (locations.json) as the classic segmented linker map.

The layout is the linker's documented text map:

     Start         Length     Name                   Class
     0001:00401000 000001100H .text                  CODE
     ...
    Detailed map of segments
     0001:00000000 00000100 C=CODE     S=.text    G=(none)   M=Main     ACBP=A9
     ...
      Address         Publics by Name
     0001:00000040       Main.TMainForm.ButtonClick
     ...
      Address         Publics by Value
     ...
    Line numbers for Main(Main.pas) segment .text
        10 0001:00000000    11 0001:00000008 ...

Segment 1 is the code, at the image base plus 0x1000, so its offsets are the description's
addresses; the data segment (2, as .data and .bss) and the thread-local segment (3, at 0)
hold one variable per unit, so that a reader sees the rows of other segments too.

    map_writer.py DESCRIPTION OUTPUT [--expected ROWS] [--line-ends crlf|lf|cr]
                  [--pairs-per-line N] [--base ADDRESS] [--truncate BYTES]
"""
import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import locations  # noqa: E402

CODE_SEGMENT = 1
DATA_SEGMENT = 2
TLS_SEGMENT = 3


def align(value, to):
    return (value + to - 1) // to * to


def address(segment, offset):
    return "%04X:%08X" % (segment, offset)


def map_lines(description, base, pairs_per_line):
    units = description["units"]
    code_start = base + 0x1000
    code_size = max(u["start"] + u["size"] for u in units)
    data_start = code_start + align(code_size, 0x1000)
    data_size = 16 * len(units)
    bss_size = 8 * len(units)

    out = ["", " Start         Length     Name                   Class"]
    out.append(" %s %09XH %-22s %s" % (address(CODE_SEGMENT, code_start), code_size, ".text", "CODE"))
    out.append(" %s %09XH %-22s %s" % (address(DATA_SEGMENT, data_start), data_size, ".data", "DATA"))
    out.append(" %s %09XH %-22s %s" % (address(DATA_SEGMENT, data_start + data_size), bss_size, ".bss", "BSS"))
    out.append(" %s %09XH %-22s %s" % (address(TLS_SEGMENT, 0), 4 * len(units), ".tls", "TLS"))
    out += ["", "", "Detailed map of segments", ""]

    def detailed(segment, offset, length, cls, section, unit):
        return " %s %08X C=%-8s S=%-8s G=%-8s M=%-8s ACBP=A9" % (
            address(segment, offset), length, cls, section, "(none)", unit)

    for u in units:
        out.append(detailed(CODE_SEGMENT, u["start"], u["size"], "CODE", ".text", u["name"]))
    for i, u in enumerate(units):
        out.append(detailed(DATA_SEGMENT, 16 * i, 16, "DATA", ".data", u["name"]))
    for i, u in enumerate(units):
        out.append(detailed(DATA_SEGMENT, data_size + 8 * i, 8, "BSS", ".bss", u["name"]))
    for i, u in enumerate(units):
        out.append(detailed(TLS_SEGMENT, 4 * i, 4, "TLS", ".tls", u["name"]))

    publics = []
    for i, u in enumerate(units):
        publics += [(CODE_SEGMENT, p["start"], p["name"]) for p in u["procs"]]
        publics.append((DATA_SEGMENT, 16 * i, u["name"] + ".DataVariable"))
        publics.append((DATA_SEGMENT, data_size + 8 * i, u["name"] + ".BssVariable"))
        publics.append((TLS_SEGMENT, 4 * i, u["name"] + ".ThreadVariable"))

    out += ["", "", "  Address         Publics by Name", ""]
    for segment, offset, name in sorted(publics, key=lambda p: p[2]):
        out.append(" %s       %s" % (address(segment, offset), name))
    out += ["", "", "  Address         Publics by Value", ""]
    for segment, offset, name in sorted(publics, key=lambda p: (p[0], p[1])):
        out.append(" %s       %s" % (address(segment, offset), name))
    out.append("")

    for u in units:
        out += ["", "Line numbers for %s(%s) segment .text" % (u["name"], u["source"]), ""]
        pairs = ["%6d %s" % (line, address(CODE_SEGMENT, a)) for line, a in u["lines"]]
        for i in range(0, len(pairs), pairs_per_line):
            out.append("".join(pairs[i:i + pairs_per_line]))
        out.append("")

    out += ["", "Bound resource files", "", "Sample.res", "",
            "Program entry point at %s" % address(CODE_SEGMENT, units[0]["start"]), ""]
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("description")
    parser.add_argument("output")
    parser.add_argument("--expected", help="also write the rows every reader must answer")
    parser.add_argument("--line-ends", choices=["crlf", "lf", "cr"], default="crlf")
    parser.add_argument("--pairs-per-line", type=int, default=4)
    parser.add_argument("--base", type=lambda v: int(v, 0), default=0x400000)
    parser.add_argument("--truncate", type=int, help="keep only the first BYTES bytes (a damaged map)")
    args = parser.parse_args()

    description = locations.load(args.description)
    end = {"crlf": "\r\n", "lf": "\n", "cr": "\r"}[args.line_ends]
    text = end.join(map_lines(description, args.base, args.pairs_per_line)).encode("ascii")
    if args.truncate is not None:
        text = text[:args.truncate]
    with open(args.output, "wb") as f:
        f.write(text)
    if args.expected:
        locations.write_expected(description, args.expected)


if __name__ == "__main__":
    main()
