"""A small reader of .debug_info entries (DWARF 2 to 5, sections 7.5 and 7.5.6), for the
own debug data writer: it walks the tree, skipping subtrees through DW_AT_sibling, and keeps
only the attributes the writer uses. pyelftools' entry parser took most of the writer's
time; the line programs' headers and the range lists still come from pyelftools.
"""
import bisect

# The attributes kept.
AT_SIBLING, AT_NAME, AT_STMT_LIST, AT_LOW_PC, AT_HIGH_PC, AT_COMP_DIR = 0x01, 0x03, 0x10, 0x11, 0x12, 0x1B
AT_ABSTRACT_ORIGIN, AT_DECL_FILE, AT_DECL_LINE, AT_SPECIFICATION = 0x31, 0x3A, 0x3B, 0x47
AT_RANGES, AT_CALL_LINE, AT_LINKAGE_NAME, AT_MIPS_LINKAGE_NAME = 0x55, 0x59, 0x6E, 0x2007
KEPT = {AT_SIBLING, AT_NAME, AT_STMT_LIST, AT_LOW_PC, AT_HIGH_PC, AT_COMP_DIR, AT_ABSTRACT_ORIGIN, AT_DECL_FILE,
        AT_DECL_LINE, AT_SPECIFICATION, AT_RANGES, AT_CALL_LINE, AT_LINKAGE_NAME, AT_MIPS_LINKAGE_NAME}

TAG_CLASS, TAG_LEXICAL_BLOCK, TAG_STRUCTURE, TAG_UNION = 0x02, 0x0B, 0x13, 0x17
TAG_INLINED_SUBROUTINE, TAG_CATCH_BLOCK, TAG_SUBPROGRAM, TAG_TRY_BLOCK, TAG_NAMESPACE = 0x1D, 0x25, 0x2E, 0x32, 0x39

FORM_ADDR, FORM_REF_ADDR, FORM_INDIRECT, FORM_IMPLICIT_CONST = 0x01, 0x10, 0x16, 0x21
REFERENCE_FORMS = {0x11, 0x12, 0x13, 0x14, 0x15}  # ref1, ref2, ref4, ref8, ref_udata


class DieError(Exception):
    pass


def leb128(data, at, signed=False):
    """The LEB128 number at data[at] and the offset behind it."""
    value = shift = 0
    while True:
        byte = data[at]
        at += 1
        value |= (byte & 0x7F) << shift
        shift += 7
        if byte < 0x80:
            return (value - (1 << shift) if signed and byte & 0x40 else value), at


def uleb(data, at):
    return leb128(data, at)


def sleb(data, at):
    return leb128(data, at, True)


class Unit:
    """One unit header of .debug_info."""

    def __init__(self, offset, end, version, address_size, offset_size, abbrevs, first):
        self.offset, self.end, self.version = offset, end, version
        self.address_size, self.offset_size = address_size, offset_size
        self.abbrevs, self.first = abbrevs, first


class Die:
    __slots__ = ("offset", "tag", "children", "attributes", "end", "unit")

    def __init__(self, offset, tag, children, attributes, end, unit):
        self.offset, self.tag, self.children = offset, tag, children
        self.attributes, self.end, self.unit = attributes, end, unit


class DieReader:
    def __init__(self, info, abbrev, strings, line_strings):
        self.info, self.abbrev = info, abbrev
        self.strings, self.line_strings = strings or b"", line_strings or b""
        self.abbrev_tables = {}
        self.units = self._units()
        self.unit_starts = [u.offset for u in self.units]

    def _abbrev_table(self, offset):
        if offset in self.abbrev_tables:
            return self.abbrev_tables[offset]
        data, at, table = self.abbrev, offset, {}
        while True:
            code, at = uleb(data, at)
            if code == 0:
                break
            tag, at = uleb(data, at)
            children = data[at] != 0
            at += 1
            fields = []
            while True:
                attribute, at = uleb(data, at)
                form, at = uleb(data, at)
                if attribute == 0 and form == 0:
                    break
                constant = None
                if form == FORM_IMPLICIT_CONST:
                    constant, at = sleb(data, at)
                fields.append((attribute, form, constant, attribute in KEPT))
            table[code] = (tag, children, fields)
        self.abbrev_tables[offset] = table
        return table

    def _units(self):
        data, at, units = self.info, 0, []
        while at + 11 <= len(data):
            length = int.from_bytes(data[at:at + 4], "little")
            offset_size, header = 4, at + 4
            if length == 0xFFFFFFFF:
                length = int.from_bytes(data[at + 4:at + 12], "little")
                offset_size, header = 8, at + 12
            end = header + length
            version = int.from_bytes(data[header:header + 2], "little")
            if version >= 5:
                unit_type, address_size = data[header + 2], data[header + 3]
                abbrev = int.from_bytes(data[header + 4:header + 4 + offset_size], "little")
                first = header + 4 + offset_size
                if unit_type in (4, 5):  # skeleton, split compile: a unit ID follows
                    first += 8
                elif unit_type in (2, 6):  # type units: signature and type offset
                    first += 8 + offset_size
            else:
                abbrev = int.from_bytes(data[header + 2:header + 2 + offset_size], "little")
                address_size = data[header + 2 + offset_size]
                first = header + 3 + offset_size
            units.append(Unit(at, end, version, address_size, offset_size, self._abbrev_table(abbrev), first))
            at = end
        return units

    def unit_at(self, offset):
        index = bisect.bisect_right(self.unit_starts, offset) - 1
        if index < 0 or offset >= self.units[index].end:
            raise DieError(f"no unit holds the entry at 0x{offset:x}")
        return self.units[index]

    def top(self, unit):
        return self.die(unit, unit.first)

    def die(self, unit, offset):
        """The entry at offset (None for a null entry), its kept attributes as values:
        references as absolute offsets, strings as text."""
        data = self.info
        code, at = uleb(data, offset)
        if code == 0:
            return None
        try:
            tag, children, fields = unit.abbrevs[code]
        except KeyError:
            raise DieError(f"unknown abbreviation {code} at 0x{offset:x}") from None
        attributes = {}
        for attribute, form, constant, kept in fields:
            if form == FORM_INDIRECT:
                form, at = uleb(data, at)
            value, at = self._value(unit, form, constant, at, kept)
            if kept:
                attributes[attribute] = (form, value)
        return Die(offset, tag, children, attributes, at, unit)

    def _value(self, unit, form, constant, at, kept):
        data = self.info
        if form in (0x0B, 0x11, 0x0C, 0x25, 0x29):  # data1, ref1, flag, strx1, addrx1
            return data[at], at + 1
        if form in (0x05, 0x12, 0x26, 0x2A):  # data2, ref2, strx2, addrx2
            return int.from_bytes(data[at:at + 2], "little"), at + 2
        if form in (0x27, 0x2B):  # strx3, addrx3
            return int.from_bytes(data[at:at + 3], "little"), at + 3
        if form in (0x06, 0x13, 0x28, 0x2C, 0x1C):  # data4, ref4, strx4, addrx4, ref_sup4
            return int.from_bytes(data[at:at + 4], "little"), at + 4
        if form in (0x07, 0x14, 0x20, 0x24):  # data8, ref8, ref_sig8, ref_sup8
            return int.from_bytes(data[at:at + 8], "little"), at + 8
        if form in (0x0F, 0x15, 0x1A, 0x1B, 0x22, 0x23, 0x1F01, 0x1F02):  # udata, ref_udata, *x
            return uleb(data, at)
        if form == 0x0D:  # sdata
            return sleb(data, at)
        if form == FORM_ADDR:
            return int.from_bytes(data[at:at + unit.address_size], "little"), at + unit.address_size
        if form in (0x0E, 0x1F, 0x17, 0x1D, 0x1F20, 0x1F21):  # strp, line_strp, sec_offset, *_sup/alt
            size = unit.offset_size
            value = int.from_bytes(data[at:at + size], "little")
            if kept and form == 0x0E:
                value = self._string(self.strings, value)
            elif kept and form == 0x1F:
                value = self._string(self.line_strings, value)
            return value, at + size
        if form == FORM_REF_ADDR:
            size = unit.address_size if unit.version <= 2 else unit.offset_size
            return int.from_bytes(data[at:at + size], "little"), at + size
        if form == 0x08:  # string
            end = data.index(b"\0", at)
            return (data[at:end].decode("utf-8", "replace") if kept else None), end + 1
        if form in (0x09, 0x18):  # block, exprloc
            length, at = uleb(data, at)
            return None, at + length
        if form == 0x0A:
            return None, at + 1 + data[at]
        if form == 0x03:
            return None, at + 2 + int.from_bytes(data[at:at + 2], "little")
        if form == 0x04:
            return None, at + 4 + int.from_bytes(data[at:at + 4], "little")
        if form == 0x19:  # flag_present
            return 1, at
        if form == FORM_IMPLICIT_CONST:
            return constant, at
        if form == 0x1E:  # data16
            return None, at + 16
        raise DieError(f"attribute form 0x{form:x} is not read")

    @staticmethod
    def _string(section, offset):
        end = section.find(b"\0", offset)
        return section[offset:end if end >= 0 else None].decode("utf-8", "replace")

    def reference(self, die, attribute):
        """The entry an attribute of the reference class names."""
        form, value = die.attributes[attribute]
        offset = value if form == FORM_REF_ADDR else die.unit.offset + value
        if form != FORM_REF_ADDR and form not in REFERENCE_FORMS:
            raise DieError(f"attribute 0x{attribute:x} at 0x{die.offset:x} is no reference this reader follows")
        unit = die.unit if die.unit.offset <= offset < die.unit.end else self.unit_at(offset)
        return self.die(unit, offset)

    def children(self, die):
        if not die.children:
            return
        at = die.end
        while True:
            child = self.die(die.unit, at)
            if child is None:
                return
            yield child
            at = self._after(child)

    def _after(self, die):
        """The offset behind an entry and its subtree."""
        if not die.children:
            return die.end
        sibling = die.attributes.get(AT_SIBLING)
        if sibling is not None:
            form, value = sibling
            return value if form == FORM_REF_ADDR else die.unit.offset + value
        at = die.end
        while True:
            child = self.die(die.unit, at)
            if child is None:
                return self._null_end(die.unit, at)
            at = self._after(child)

    def _null_end(self, unit, at):
        _, end = uleb(self.info, at)
        return end
