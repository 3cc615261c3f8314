"""Reads the functions and line runs of a PE image's DWARF (the model is in README.md).

`read_functions(image, root)` returns the image's out-of-line functions, each with its
code ranges and, per range, the runs of constant line: what the own debug data writer
(debug_data.py) encodes and what its description and expected answers list.
"""
import bisect
import io
import os
import re
import struct
import subprocess

import debug_dies
from debug_dies import (sleb, uleb, AT_ABSTRACT_ORIGIN, AT_CALL_LINE, AT_COMP_DIR, AT_DECL_FILE, AT_DECL_LINE, AT_HIGH_PC,
                        AT_LINKAGE_NAME, AT_LOW_PC, AT_MIPS_LINKAGE_NAME, AT_NAME, AT_RANGES, AT_SPECIFICATION,
                        AT_STMT_LIST)

# Python's own packages are not enough: the PE and DWARF readers are Debian's.
try:
    import pefile
    from elftools.dwarf.dwarfinfo import DWARFInfo, DebugSectionDescriptor, DwarfConfig
except ImportError as missing:  # pragma: no cover - reported to the build
    raise SystemExit(f"debug_data: {missing.name} is missing (Debian packages python3-pefile, "
                     "python3-pyelftools)") from None

# A path outside the repository is kept as DWARF gives it, cut from the left to this.
MAX_PATH_BYTES = 127


class DwarfDataError(Exception):
    pass


class Image:
    """A PE image file (PE32 or PE32+) read with its COFF long section names."""

    def __init__(self, path):
        try:
            self.pe = pefile.PE(path, fast_load=True)
        except (OSError, pefile.PEFormatError) as error:
            raise DwarfDataError(f"not a PE image: {error}") from None
        self.path = path
        self.base = self.pe.OPTIONAL_HEADER.ImageBase
        self.is64 = self.pe.OPTIONAL_HEADER.Magic == 0x20B
        strings = self._string_table()
        self.sections = []
        for section in self.pe.sections:
            name = section.Name.rstrip(b"\0").decode("latin-1")
            if name.startswith("/") and name[1:].isdigit() and strings is not None:
                offset = int(name[1:])
                end = strings.find(b"\0", offset)
                name = strings[offset:end if end >= 0 else None].decode("latin-1")
            size = section.Misc_VirtualSize or section.SizeOfRawData
            data = section.get_data()[:size]
            executable = bool(section.Characteristics & 0x20000020)  # code or execute
            self.sections.append((name, section.VirtualAddress, size, data, executable))
        if not self.sections:
            raise DwarfDataError("the image has no sections")
        self.code_start = self.sections[0][1]

    def _string_table(self):
        header = self.pe.FILE_HEADER
        if not header.PointerToSymbolTable:
            return None
        at = header.PointerToSymbolTable + header.NumberOfSymbols * 18
        raw = self.pe.__data__
        if at + 4 > len(raw):
            return None
        size = struct.unpack_from("<I", raw, at)[0]
        return bytes(raw[at:at + size])

    def section(self, name):
        for entry in self.sections:
            if entry[0] == name:
                return entry[3]
        return None

    def is_code(self, rva, size):
        return any(executable and start <= rva and rva + size <= start + length
                   for _, start, length, _, executable in self.sections)

    def code_bytes(self, rva, count):
        for _, start, length, data, _ in self.sections:
            if start <= rva < start + length:
                return data[rva - start:rva - start + count]
        return b""

    def debug_sizes(self):
        return sum(length for name, _, length, _, _ in self.sections if name.startswith(".debug_"))


def dwarf_of(image):
    sections = {}
    for name in ("info", "aranges", "abbrev", "frame", "str", "loc", "ranges", "line", "pubtypes",
                 "pubnames", "addr", "str_offsets", "line_str", "loclists", "rnglists"):
        data = image.section(".debug_" + name)
        sections[name] = None if data is None else \
            DebugSectionDescriptor(io.BytesIO(data), ".debug_" + name, None, len(data), 0)
    if sections["info"] is None or sections["line"] is None:
        raise DwarfDataError("the image carries no DWARF (.debug_info, .debug_line): built without -g?")
    config = DwarfConfig(little_endian=True, machine_arch="x64" if image.is64 else "x86",
                         default_address_size=8 if image.is64 else 4)
    s = sections
    return DWARFInfo(config, s["info"], s["aranges"], s["abbrev"], s["frame"], None, s["str"], s["loc"],
                     s["ranges"], s["line"], s["pubtypes"], s["pubnames"], s["addr"], s["str_offsets"],
                     s["line_str"], s["loclists"], s["rnglists"], None, None)


def text_of(value):
    return value.decode("utf-8", "replace") if isinstance(value, bytes) else str(value)


def unit_path(directory, name, comp_dir, root):
    """The file's path as the unit name: relative to the repository root when inside it,
    else as DWARF gives it (cut from the left to MAX_PATH_BYTES).

    A relative path counts from the compilation directory, as DWARF has it. The build maps
    the root away (-ffile-prefix-map), which leaves the compilation directory relative to
    the root; a compiler given absolute source paths then records paths relative to the root
    instead, while one given paths relative to its working directory (ccache's base
    directory rewrites them so) records those. So a relative path is taken from the
    compilation directory when the file is found there, else from the root."""
    path = name if os.path.isabs(name) or not directory else directory + "/" + name
    if not os.path.isabs(path):
        from_comp_dir = os.path.normpath(os.path.join(comp_dir, path)) if comp_dir else os.path.normpath(path)
        if os.path.isabs(comp_dir):
            path = from_comp_dir
        elif root and os.path.exists(os.path.join(root, from_comp_dir)) and not from_comp_dir.startswith(".."):
            path = from_comp_dir
        else:
            path = os.path.normpath(path)
    if os.path.isabs(path):
        normal = os.path.normpath(path)
        if root and (normal == root or normal.startswith(root + os.sep)):
            path = os.path.relpath(normal, root)
        else:
            path = normal
    path = path.replace("\\", "/")
    raw = path.encode("utf-8")
    if len(raw) > MAX_PATH_BYTES:
        raw = raw[-MAX_PATH_BYTES:]
        while raw and (raw[0] & 0xC0) == 0x80:
            raw = raw[1:]
        path = raw.decode("utf-8")
    return path


class FileTable:
    """The file names of one compilation unit's line program, as unit paths."""

    def __init__(self, program, comp_dir, root):
        version = program.header["version"]
        directories = [text_of(d) for d in program.header["include_directory"]]
        if version < 5:
            directories.insert(0, comp_dir)
        self.first = 0 if version >= 5 else 1
        self.files = []
        for entry in program.header["file_entry"]:
            index = entry.dir_index
            directory = directories[index] if index < len(directories) else ""
            if version >= 5 and index == 0 and not directory:
                directory = comp_dir
            self.files.append(unit_path(directory, text_of(entry.name), comp_dir, root))

    def name(self, index):
        at = index - self.first
        return self.files[at] if 0 <= at < len(self.files) else None


class Function:
    """One out-of-line function: its name, file, declaration line and code ranges."""

    def __init__(self, order, linkage, name, file, decl_line, ranges, inlines):
        self.order = order          # the DIE's place in the DWARF (CU order, then offset)
        self.linkage = linkage      # mangled linkage name, or None
        self.name = name            # DW_AT_name, or None
        self.file = file
        self.decl_line = decl_line
        self.ranges = ranges        # [(start RVA, end RVA)]
        self.inlines = inlines      # outermost inlined calls: [(start RVA, end RVA, call line)]
        self.class_name = ""
        self.procedure = ""
        self.runs = {}              # range start -> [(start, end, line)]
        self.first_line = 0
        self.row_files = set()      # file indexes of its own (not inlined) line rows
        self.files = None           # its unit's file table
        self.range_sequence = {}    # range start -> the line sequence that holds it


# Tags whose children may hold function definitions, and blocks inside a function.
SCOPE_TAGS = (debug_dies.TAG_NAMESPACE, debug_dies.TAG_CLASS, debug_dies.TAG_STRUCTURE, debug_dies.TAG_UNION)
BLOCK_TAGS = (debug_dies.TAG_LEXICAL_BLOCK, debug_dies.TAG_TRY_BLOCK, debug_dies.TAG_CATCH_BLOCK)


class CuReader:
    """One compilation unit: its entries (debug_dies), line program and file table."""

    def __init__(self, context, unit):
        self.context, self.unit = context, unit
        self.image, self.root = context.image, context.root
        self.dies = context.dies
        self.top = self.dies.top(unit)
        attributes = self.top.attributes if self.top else {}
        self.base = attributes[AT_LOW_PC][1] if AT_LOW_PC in attributes else 0
        self.comp_dir = attributes[AT_COMP_DIR][1] if AT_COMP_DIR in attributes else ""
        self.name = attributes[AT_NAME][1] if AT_NAME in attributes else None
        self.cu = context.pyelftools_units.get(unit.offset)
        self.program = context.dwarf.line_program_for_CU(self.cu) if self.cu and AT_STMT_LIST in attributes else None
        self.files = FileTable(self.program, self.comp_dir, self.root) if self.program else None

    def primary_file(self):
        return unit_path("", self.name, self.comp_dir, self.root) if self.name else "?"

    def ranges(self, die):
        attributes = die.attributes
        if AT_LOW_PC in attributes and AT_HIGH_PC in attributes:
            low = attributes[AT_LOW_PC][1]
            form, high = attributes[AT_HIGH_PC]
            return [(low, high if form == debug_dies.FORM_ADDR else low + high)]
        if AT_RANGES not in attributes:
            return []
        form, offset = attributes[AT_RANGES]
        if form == 0x23:
            raise DwarfDataError("DW_FORM_rnglistx ranges are not read")
        result, base = [], self.base
        for entry in self.context.range_lists().get_range_list_at_offset(offset, cu=self.cu):
            if hasattr(entry, "base_address"):
                base = entry.base_address
            elif entry.is_absolute:
                result.append((entry.begin_offset, entry.end_offset))
            else:
                result.append((base + entry.begin_offset, base + entry.end_offset))
        return result

    def origin_chain(self, die):
        """The entry and those its declaration (DW_AT_specification) or abstract origin lead to."""
        chain, seen = [die], {die.offset}
        while len(chain) < 8:
            current = chain[-1]
            for attribute in (AT_SPECIFICATION, AT_ABSTRACT_ORIGIN):
                if attribute in current.attributes:
                    target = self.dies.reference(current, attribute)
                    if target is not None and target.offset not in seen:
                        seen.add(target.offset)
                        chain.append(target)
                        break
            else:
                return chain
        return chain

    def describe(self, die, order, found):
        ranges = [(start - self.image.base, end - self.image.base) for start, end in self.ranges(die)]
        ranges = [(start, end) for start, end in ranges if end > start and self.image.is_code(start, end - start)]
        if not ranges:
            return
        linkage = name = file = None
        decl_line = 0
        for link in self.origin_chain(die):
            a = link.attributes
            if linkage is None:
                for key in (AT_LINKAGE_NAME, AT_MIPS_LINKAGE_NAME):
                    if key in a:
                        linkage = a[key][1]
                        break
            if name is None and AT_NAME in a:
                name = a[AT_NAME][1]
            if file is None and AT_DECL_FILE in a:
                reader = self if link.unit is self.unit else self.context.reader(link.unit)
                file = reader.files.name(a[AT_DECL_FILE][1]) if reader.files else None
                if AT_DECL_LINE in a:
                    decl_line = a[AT_DECL_LINE][1]
        if file is None:
            # Compiler-made functions (static initialisers) belong to the unit's own file.
            file = self.primary_file()
        inlines = []
        self.collect_inlines(die, inlines, found, order)
        inlines.sort()
        found.append(Function(order, linkage, name, file, decl_line, ranges, inlines))

    def collect_inlines(self, die, inlines, found, order):
        for child in self.dies.children(die):
            tag = child.tag
            if tag == debug_dies.TAG_INLINED_SUBROUTINE:
                line = child.attributes[AT_CALL_LINE][1] if AT_CALL_LINE in child.attributes else 0
                for start, end in self.ranges(child):
                    if end > start:
                        inlines.append((start - self.image.base, end - self.image.base, line))
            elif tag in BLOCK_TAGS:
                self.collect_inlines(child, inlines, found, order)
            elif tag == debug_dies.TAG_SUBPROGRAM:
                self.describe(child, (order[0], child.offset), found)
            elif tag in SCOPE_TAGS:
                self.walk(child, found)

    def walk(self, die, found):
        for child in self.dies.children(die):
            if child.tag == debug_dies.TAG_SUBPROGRAM:
                self.describe(child, (self.unit.offset, child.offset), found)
            elif child.tag in SCOPE_TAGS:
                self.walk(child, found)

    def sequences(self):
        """The line program's sequences: [(start, end, [row addresses], [(line, file)])]."""
        if not self.program:
            return []
        return line_sequences(self.program, self.unit.address_size, self.image.base)


class Context:
    """What every unit's reader shares."""

    def __init__(self, image, root):
        self.image, self.root = image, root
        self.dwarf = dwarf_of(image)
        self.dies = debug_dies.DieReader(image.section(".debug_info"), image.section(".debug_abbrev"),
                                         image.section(".debug_str"), image.section(".debug_line_str"))
        self.pyelftools_units = {cu.cu_offset: cu for cu in self.dwarf.iter_CUs()}
        self.readers = {}
        self._range_lists = None

    def reader(self, unit):
        if unit.offset not in self.readers:
            self.readers[unit.offset] = CuReader(self, unit)
        return self.readers[unit.offset]

    def range_lists(self):
        if self._range_lists is None:
            self._range_lists = self.dwarf.range_lists()
            if self._range_lists is None:
                raise DwarfDataError("DW_AT_ranges without .debug_ranges or .debug_rnglists")
        return self._range_lists


def line_sequences(program, address_size, image_base):
    """Decodes the line program's opcodes (DWARF 2 to 5, section 6.2.5) into its sequences.
    pyelftools reads the header; its own opcode decoder takes most of the tool's time."""
    header = program.header
    stream = program.stream
    stream.seek(program.program_start_offset)
    data = stream.read(program.program_end_offset - program.program_start_offset)
    minimum = header["minimum_instruction_length"]
    line_base, line_range, opcode_base = header["line_base"], header["line_range"], header["opcode_base"]
    lengths = header["standard_opcode_lengths"]
    const_add = ((255 - opcode_base) // line_range) * minimum
    result, addresses, rows = [], [], []
    address, file, line, at, size = 0, 1, 1, 0, len(data)
    while at < size:
        op = data[at]
        at += 1
        if op >= opcode_base:
            adjusted = op - opcode_base
            address += (adjusted // line_range) * minimum
            line += line_base + adjusted % line_range
            addresses.append(address - image_base)
            rows.append((line, file))
        elif op == 0:
            length, at = uleb(data, at)
            end = at + length
            sub = data[at] if length else 0
            if sub == 1:  # end_sequence
                if addresses:
                    result.append((addresses[0], address - image_base, addresses, rows))
                addresses, rows = [], []
                address, file, line = 0, 1, 1
            elif sub == 2:  # set_address
                address = int.from_bytes(data[at + 1:at + 1 + address_size], "little")
            at = end
        elif op == 1:  # copy
            addresses.append(address - image_base)
            rows.append((line, file))
        elif op == 2:  # advance_pc
            value, at = uleb(data, at)
            address += value * minimum
        elif op == 3:  # advance_line
            value, at = sleb(data, at)
            line += value
        elif op == 4:  # set_file
            file, at = uleb(data, at)
        elif op == 8:  # const_add_pc
            address += const_add
        elif op == 9:  # fixed_advance_pc
            address += data[at] | data[at + 1] << 8
            at += 2
        else:  # set_column, negate_stmt and the rest: only their operands to pass
            for _ in range(lengths[op - 1] if op - 1 < len(lengths) else 0):
                _, at = uleb(data, at)
    return result


def runs_of_range(start, end, function, sequence, own_files=None):
    """The runs (start, end, line) of constant line in [start, end), and the file indexes of
    the rows that give lines outside inlined calls. With own_files (the indexes that name the
    function's file), a row of another file continues the line before it, as line 0 does."""
    points = {start}
    addresses, lines = (sequence[2], sequence[3]) if sequence else ([], [])
    first = bisect.bisect_right(addresses, start)
    last = bisect.bisect_left(addresses, end)
    points.update(addresses[first:last])
    inlines = function.inlines
    for low, high, _ in inlines:
        if low < end and high > start:
            points.add(max(low, start))
            if high < end:
                points.add(high)
    points = sorted(points)
    inline_starts = [low for low, _, _ in inlines]
    runs, previous, files = [], function.decl_line, set()
    for index, at in enumerate(points):
        until = points[index + 1] if index + 1 < len(points) else end
        line = 0
        i = bisect.bisect_right(inline_starts, at) - 1
        # Outermost inlined calls do not nest, but may share an address with a later one
        # whose range starts there: the one found holding the address answers.
        while i >= 0 and inlines[i][0] <= at:
            if inlines[i][1] > at:
                line = inlines[i][2]
                break
            i -= 1
        if line == 0 and addresses:
            row = bisect.bisect_right(addresses, at) - 1
            if row >= 0:
                line, file = lines[row]
                if line:
                    files.add(file)
                if own_files is not None and file not in own_files:
                    line = 0
        if line == 0:
            line = previous
        if runs and runs[-1][2] == line:
            runs[-1] = (runs[-1][0], until, line)
        else:
            runs.append((at, until, line))
        previous = line
    if len(runs) > 1 and runs[0][2] == 0:
        # No declaration line to continue: the first line after it holds.
        runs[1] = (runs[0][0], runs[1][1], runs[1][2])
        del runs[0]
    return runs, files


def read_functions(image, root):
    """Every function with code, its runs computed; overlapping ranges resolved (the first
    in address order, then in DWARF order, keeps its addresses; a later range that overlaps
    it is left out)."""
    context = Context(image, root)
    found = []
    for unit in context.dies.units:
        reader = context.reader(unit)
        if reader.top is None:
            continue
        before = len(found)
        reader.walk(reader.top, found)
        if len(found) > before:
            # Each function's lines come from its own unit's line program.
            sequences = sorted(reader.sequences(), key=lambda s: s[0])
            starts = [s[0] for s in sequences]
            for function in found[before:]:
                function.sequences, function.sequence_starts = sequences, starts
                function.files = reader.files
    taken = []
    for function in found:
        for start, end in function.ranges:
            taken.append((start, function.order, end, function))
    taken.sort(key=lambda t: (t[0], t[1]))
    kept_end = -1
    for start, _, end, function in taken:
        if start < kept_end:
            function.ranges = [r for r in function.ranges if r != (start, end)]
            continue
        kept_end = end
        sequences = function.sequences
        at = bisect.bisect_right(function.sequence_starts, start) - 1
        sequence = sequences[at] if at >= 0 and sequences[at][1] > start else None
        function.range_sequence[start] = sequence
        function.runs[start], files = runs_of_range(start, end, function, sequence)
        function.row_files.update(files)
    functions = [f for f in found if f.ranges]
    for function in functions:
        # A C function's DWARF names the file of its first declaration (a header); its
        # code is written where its rows are.
        names = sorted(n for n in (function.files.name(i) for i in function.row_files) if n)
        if names and function.file not in names:
            function.file = names[0]
            function.decl_line = 0  # a line of the header, not of this file
        if len(names) > 1 or function.file not in names:
            own = {i for i in function.row_files if function.files.name(i) == function.file}
            for start, end in function.ranges:
                function.runs[start], _ = runs_of_range(start, end, function, function.range_sequence[start], own)
    for function in functions:
        function.first_line = min(line for runs in function.runs.values() for _, _, line in runs)
    name_functions(functions, image)
    return functions


def demangle(names, image):
    """Demangled forms of the linkage names, in one run of the cross c++filt."""
    if not names:
        return {}
    triple = "x86_64-w64-mingw32" if image.is64 else "i686-w64-mingw32"
    try:
        # -n: the i686 c++filt would otherwise strip the target's leading underscore.
        result = subprocess.run([f"{triple}-c++filt", "-n"], input="\n".join(names) + "\n", capture_output=True,
                                text=True, check=True, timeout=120)
    except (OSError, subprocess.SubprocessError) as error:
        raise DwarfDataError(f"{triple}-c++filt failed: {error}") from None
    lines = result.stdout.split("\n")
    return {name: lines[i] if i < len(lines) else name for i, name in enumerate(names)}


def without_parameters(text):
    """"ns::C::f(int) const" -> "ns::C::f"; a name without a parameter list stays."""
    close = text.rfind(")")
    if close < 0:
        return text
    for c in text[close + 1:]:
        if c != " " and c != "&" and not ("a" <= c <= "z"):
            return text
    depth = 0
    for i in range(close, -1, -1):
        if text[i] == ")":
            depth += 1
        elif text[i] == "(":
            depth -= 1
            if depth == 0:
                return text[:i]
    return text


def is_operator_at(text, at):
    return text.startswith("operator", at) and (at == 0 or text[at - 1] in ": ")


def split_qualified(demangled):
    """(class, procedure) of a demangled name, split at its last top-level "::", without
    return type and parameters; None when nothing is left."""
    qualified = without_parameters(demangled)
    last_space = last_scope = -1
    depth, i = 0, 0
    while i < len(qualified):
        c = qualified[i]
        if depth == 0 and is_operator_at(qualified, i):
            break
        if c in "<([{":
            depth += 1
        elif c in ">)]}" and depth > 0:
            depth -= 1
        elif depth == 0 and c == " ":
            last_space = i
        elif depth == 0 and c == ":" and i + 1 < len(qualified) and qualified[i + 1] == ":":
            last_scope = i
            i += 1
        i += 1
    begin = last_space + 1 if last_space >= 0 and (last_scope < 0 or last_space < last_scope) else 0
    if last_scope >= 0 and last_scope > begin:
        result = qualified[begin:last_scope], qualified[last_scope + 2:]
    else:
        result = "", qualified[begin:]
    return result if result[1] else None


def name_functions(functions, image):
    for function in functions:
        if function.linkage:
            # i686 __stdcall and __fastcall functions carry their argument bytes after the
            # mangled name ("_ZN12TApplication10WindowProcEP6HWND__jjl@16").
            function.linkage = re.sub(r"@\d+$", "", function.linkage)
    mangled = sorted({f.linkage for f in functions if f.linkage and f.linkage.startswith("_Z")})
    demangled = demangle(mangled, image)
    for function in functions:
        parts = None
        if function.linkage and function.linkage in demangled and demangled[function.linkage] != function.linkage:
            parts = split_qualified(demangled[function.linkage])
        if parts is None:
            parts = ("", function.name or function.linkage or "?")
        function.class_name, function.procedure = parts
