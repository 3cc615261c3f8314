#!/usr/bin/env python3
"""Checks the own debug data writer's reading of DWARF against the cross addr2line.

    eldata_debug_data_addr2line_test.py [--work DIR] [--root DIR] [--if-present EXE ...] [EXE ...]

For each exe (the build passes a small program that each mingw compiler builds from
eldata_debug_data_sample.cpp as the project builds its code: -O2 -g, the source root mapped
away; and the utility where the Windows build trees hold it; without any, the samples are
compiled here), debug_data.py writes the expected runs; then, for every run start, one batched call
of `<triple>-addr2line -f -C -i -e EXE` must give a chain whose last frame (the outermost
function) has the run's file, line and function. addr2line joins a relative directory with
the compilation directory, which the build maps away as well, so its file must end with the
run's file. A line of 0 from addr2line (a row that continues the line before it) checks
the file and the function only.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
TOOL = os.path.join(ROOT, "tools", "eldata", "debug_data.py")
SAMPLE = os.path.join(HERE, "eldata_debug_data_sample.cpp")
TRIPLES = {"pei-x86-64": "x86_64-w64-mingw32", "pei-i386": "i686-w64-mingw32"}


def triple_of(exe):
    with open(exe, "rb") as f:
        data = f.read(4096)
    pe = int.from_bytes(data[0x3C:0x40], "little")
    machine = int.from_bytes(data[pe + 4:pe + 6], "little")
    return "x86_64-w64-mingw32" if machine == 0x8664 else "i686-w64-mingw32"


def build_sample(work, triple):
    """The sample as the project builds its code: compiled from a folder below the root, the
    root mapped away."""
    root = os.path.join(work, "root")
    os.makedirs(os.path.join(root, "src"), exist_ok=True)
    build = os.path.join(root, "build", triple)
    os.makedirs(build, exist_ok=True)
    source = os.path.join(root, "src", "sample.cpp")
    shutil.copyfile(SAMPLE, source)
    exe = os.path.join(build, "sample.exe")
    subprocess.run([f"{triple}-g++-posix", "-O2", "-g", f"-ffile-prefix-map={root}/=", "-static",
                    "-Wl,--no-insert-timestamp", source, "-o", exe], cwd=build, check=True)
    return exe, root


def read_rows(path):
    rows = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            if line.startswith("#"):
                continue
            fields = line.rstrip("\n").split("\t")
            rows.append({"start": int(fields[0], 16), "end": int(fields[1], 16), "unit": fields[2],
                         "class": fields[3], "procedure": fields[4], "line": int(fields[5])})
    return rows


def image_base(exe):
    with open(exe, "rb") as f:
        data = f.read(4096)
    pe = int.from_bytes(data[0x3C:0x40], "little")
    magic = int.from_bytes(data[pe + 24:pe + 26], "little")
    if magic == 0x20B:
        return int.from_bytes(data[pe + 24 + 24:pe + 24 + 32], "little")
    return int.from_bytes(data[pe + 24 + 28:pe + 24 + 32], "little")


def chains(exe, triple, addresses):
    """addr2line's frames [(function, file, line)] per address, in one call."""
    text = "".join(f"0x{a:x}\n0x0\n" for a in addresses)
    # An address of 0 between the real ones marks where each chain ends ("??" frames).
    result = subprocess.run([f"{triple}-addr2line", "-f", "-C", "-i", "-e", exe], input=text,
                            capture_output=True, text=True, check=True)
    lines = result.stdout.split("\n")
    out, current, i = [], [], 0
    while i + 1 < len(lines):
        function, place = lines[i], lines[i + 1]
        i += 2
        if function == "??" and place.startswith("??:"):
            out.append(current)
            current = []
            continue
        file, _, line = place.rpartition(":")
        line = line.split(" ")[0]
        current.append((function, file, int(line) if line.isdigit() else 0))
    return out


def demangled_names(triple, functions):
    """i686 addr2line gives C++ names from the symbols, underscore stripped and mangled:
    "ZN2zv4TFoo5ValueEi". They are demangled here with their underscore back."""
    mangled = sorted({f for f in functions if f.startswith("Z")})
    if not mangled:
        return {}
    result = subprocess.run([f"{triple}-c++filt", "-n"], input="".join("_" + m + "\n" for m in mangled),
                            capture_output=True, text=True, check=True)
    return dict(zip(mangled, result.stdout.split("\n")))


def file_one_aliases(exe, triple):
    """Pairs (file 0, file 1) of the DWARF 5 units whose file 1 is not their primary file:
    binutils 2.40 addr2line names file 0 for rows of file 1 there (objdump reads them
    right). Names without directories, as objdump's table gives them."""
    result = subprocess.run([f"{triple}-objdump", "--dwarf=rawline", exe], capture_output=True, text=True,
                            check=True)
    pairs, entries, in_files = set(), {}, False
    for line in result.stdout.split("\n"):
        if "The File Name Table" in line:
            in_files, entries = True, {}
            continue
        if in_files:
            fields = line.split()
            if fields and fields[0].isdigit() and len(fields) >= 3:
                entries[int(fields[0])] = fields[-1]
                continue
            if fields and fields[0] == "Entry":
                continue
            in_files = False
            if 0 in entries and 1 in entries and entries[0] != entries[1]:
                pairs.add((entries[0], entries[1]))
    return pairs


def names_match(function, row):
    function = re.sub(r"@\d+$", "", function)  # an i686 __stdcall symbol's suffix
    qualified = row["class"] + "::" + row["procedure"] if row["class"] else row["procedure"]
    if not row["class"]:
        # i686 C names: addr2line takes them from the symbols, which carry the target's
        # leading underscore, and strips leading underscores of its own.
        function, qualified = function.lstrip("_"), qualified.lstrip("_")
    at = function.find(qualified)
    if at < 0:
        return False
    before_ok = at == 0 or function[at - 1] == " "
    after = function[at + len(qualified):]
    return before_ok and (after == "" or after.startswith("(") or after.startswith(" [clone"))


def check(exe, root, work):
    os.makedirs(work, exist_ok=True)
    triple = triple_of(exe)
    expected = os.path.join(work, os.path.basename(exe) + ".expected.tsv")
    output = os.path.join(work, os.path.basename(exe) + ".own")
    subprocess.run([sys.executable, TOOL, exe, output, "--root", root, "--expected", expected], check=True)
    rows = read_rows(expected)
    base = image_base(exe)
    found = chains(exe, triple, [base + row["start"] for row in rows])
    if len(found) != len(rows):
        return [f"{exe}: addr2line answered {len(found)} chains for {len(rows)} addresses"], len(rows)
    demangled = demangled_names(triple, [chain[-1][0] for chain in found if chain])
    aliases = file_one_aliases(exe, triple)
    failures = []
    for row, chain in zip(rows, found):
        if not chain:
            failures.append(f"{row['start']:x}: no frame")
            continue
        function, file, line = chain[-1]
        function = demangled.get(function, function)
        file = os.path.normpath(file) if file != "??" else file
        problems = []
        alias = (os.path.basename(file), os.path.basename(row["unit"])) in aliases
        if not (file == row["unit"] or file.endswith("/" + row["unit"]) or alias):
            problems.append(f"file {file} (expected {row['unit']})")
        if line != 0 and line != row["line"]:
            problems.append(f"line {line} (expected {row['line']})")
        if not names_match(function, row):
            problems.append(f"function {function!r} (expected {row['class']}::{row['procedure']})")
        if problems:
            failures.append(f"{row['start']:x}: " + ", ".join(problems))
    return failures, len(rows)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--work", help="folder for the built samples (default: a temporary one)")
    parser.add_argument("--root", help="the root the given exes were built from (default: the repository)")
    parser.add_argument("--if-present", action="append", default=[], help="an exe read only when it exists")
    parser.add_argument("exes", nargs="*")
    args = parser.parse_args()
    work = args.work or tempfile.mkdtemp(prefix="eldata_addr2line_")
    os.makedirs(work, exist_ok=True)
    root = os.path.abspath(args.root or ROOT)
    targets = [(exe, root) for exe in args.exes + [e for e in args.if_present if os.path.exists(e)]]
    if not targets:
        for triple in TRIPLES.values():
            targets.append(build_sample(os.path.join(work, triple), triple))
    failed = False
    for index, (exe, exe_root) in enumerate(targets):
        failures, count = check(exe, exe_root, os.path.join(work, str(index)))
        print(f"{exe}: {count} run starts, {len(failures)} disagree with addr2line")
        for failure in failures[:40]:
            print("  " + failure)
        failed = failed or bool(failures) or count == 0
    if not args.work:
        shutil.rmtree(work, ignore_errors=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
