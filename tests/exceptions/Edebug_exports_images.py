#!/usr/bin/env python3
"""Writes the crafted PE images of the export list tests, and what each must give.

The images are written from the documented PE/COFF layout (DOS header, "PE\\0\\0", file
header, PE32 or PE32+ optional header, section table, export directory table with its
address, name pointer and ordinal tables) in their loaded form: every section lies at the
file offset equal to its relative address, so the bytes are what a loaded module shows in
memory. Nothing here reads an image back: the expectations come from what was put in.

Usage: Edebug_exports_images.py OUTPUT_FOLDER
Writes OUTPUT_FOLDER/<case>.img and OUTPUT_FOLDER/cases.txt, tab-separated lines:
    case     <name> <image file> <image base, hex>
    entry    <name> <ordinal> <relative address, hex> <1 for a forwarder, else 0>
    resolve  <name> <address, hex>          what the module's GetProcAddress gives
    export   <name> <address, hex> <code size>
    end
The entry lines are in the order of the name table, the export lines sorted by address.
"""
import os
import struct
import sys

IMAGE_FILE_MACHINE_I386 = 0x14C
IMAGE_FILE_MACHINE_AMD64 = 0x8664
IMAGE_FILE_EXECUTABLE_IMAGE = 0x0002
IMAGE_FILE_32BIT_MACHINE = 0x0100
IMAGE_FILE_LARGE_ADDRESS_AWARE = 0x0020
IMAGE_FILE_DLL = 0x2000
PE32_MAGIC = 0x10B
PE32PLUS_MAGIC = 0x20B
SCN_CODE = 0x00000020 | 0x20000000 | 0x40000000      # code, execute, read
SCN_DATA = 0x00000040 | 0x40000000 | 0x80000000      # initialised data, read, write
SCN_RDATA = 0x00000040 | 0x40000000                  # initialised data, read

BASE32 = 0x10000000
BASE64 = 0x180000000
NAME_LIMIT = 256


def align(value, to):
    return (value + to - 1) // to * to


class Function:
    """An entry of the export address table: code at a relative address, or a forwarder."""

    def __init__(self, rva=None, forward=None):
        self.rva = rva
        self.forward = forward


class ImagePlan:
    """One crafted image: code and data bytes, the export functions and their names."""

    def __init__(self, is64, alignment=0x200, data_first=False):
        self.is64 = is64
        self.alignment = alignment
        self.data_first = data_first   # a data section before the code section
        self.functions = []            # Function
        self.names = []                # (name bytes, index into functions)
        self.code = {}                 # offset inside the code section -> bytes
        self.ordinal_base = 1
        self.dir_patch = {}            # export directory field -> value written over it
        self.names_last = False        # name pointer table at the very end of the image
        self.tail = b''                # bytes that end the image
        self.image_base = None         # None: the usual base of the form

    @property
    def base(self):
        if self.image_base is not None:
            return self.image_base
        return BASE64 if self.is64 else BASE32

    def layout(self):
        a = self.alignment
        headers = a if a >= 0x200 else 0x200
        if self.data_first:
            self.data_rva, self.code_rva = headers, headers + a
            self.edata_rva = headers + 2 * a
        else:
            self.code_rva, self.edata_rva = headers, headers + a
            self.data_rva = None


DIR_FIELDS = {  # offsets in the export directory table
    'Base': 16, 'NumberOfFunctions': 20, 'NumberOfNames': 24,
    'AddressOfFunctions': 28, 'AddressOfNames': 32, 'AddressOfNameOrdinals': 36,
}


def build_image(plan):
    plan.layout()
    a = plan.alignment
    e = plan.edata_rva
    nf, nn = len(plan.functions), len(plan.names)

    # The export section: the directory, the address table, the name pointers, the
    # ordinals, then the texts (with names_last: the name pointers after the texts).
    functions_at = e + 40
    if plan.names_last:
        ordinals_at = functions_at + 4 * nf
        texts_at = ordinals_at + 2 * nn
    else:
        names_at = functions_at + 4 * nf
        ordinals_at = names_at + 4 * nn
        texts_at = ordinals_at + 2 * nn
    texts = bytearray()
    def add_text(raw):
        offset = texts_at + len(texts)
        texts.extend(raw + b'\0')
        return offset
    dll_name = add_text(b'crafted.dll')
    name_rvas = [add_text(name) for name, _ in plan.names]
    plan.forward_rvas = {}
    for index, function in enumerate(plan.functions):
        if function.forward is not None:
            plan.forward_rvas[index] = add_text(function.forward)
    if plan.names_last:
        names_at = align(texts_at + len(texts), 4)
    name_table = b''.join(struct.pack('<I', rva) for rva in name_rvas)
    ordinal_table = b''.join(struct.pack('<H', index) for _, index in plan.names)
    section = bytearray()
    section += struct.pack('<IIHHIIIIIII', 0, 0, 0, 0, dll_name, plan.ordinal_base, nf, nn,
                           functions_at, names_at, ordinals_at)
    for index, function in enumerate(plan.functions):
        section += struct.pack('<I', plan.forward_rvas.get(index, function.rva))
    if plan.names_last:
        section += ordinal_table + texts
        section += b'\0' * (names_at - e - len(section))
        section += name_table
    else:
        section += name_table + ordinal_table + texts
    for field, value in plan.dir_patch.items():
        struct.pack_into('<I', section, DIR_FIELDS[field], value & 0xFFFFFFFF)
    dir_size = len(section)
    section_size = align(dir_size, a) if not plan.names_last else dir_size

    image_size = e + section_size
    image = bytearray(image_size)
    image[e:e + dir_size] = section
    for offset, raw in plan.code.items():
        image[plan.code_rva + offset:plan.code_rva + offset + len(raw)] = raw

    # Headers: DOS header with e_lfanew, the signature, the file header, the optional
    # header and the section table.
    pe = 0x40
    image[0:2] = b'MZ'
    struct.pack_into('<I', image, 0x3C, pe)
    image[pe:pe + 4] = b'PE\0\0'
    optional_size = 240 if plan.is64 else 224
    sections = [('.text', plan.code_rva, a, SCN_CODE)]
    if plan.data_rva is not None:
        sections.insert(0, ('.data', plan.data_rva, a, SCN_DATA))
    sections.append(('.edata', e, section_size, SCN_RDATA))
    characteristics = IMAGE_FILE_EXECUTABLE_IMAGE | IMAGE_FILE_DLL
    characteristics |= IMAGE_FILE_LARGE_ADDRESS_AWARE if plan.is64 else IMAGE_FILE_32BIT_MACHINE
    machine = IMAGE_FILE_MACHINE_AMD64 if plan.is64 else IMAGE_FILE_MACHINE_I386
    struct.pack_into('<HHIIIHH', image, pe + 4, machine, len(sections), 0, 0, 0, optional_size,
                     characteristics)
    opt = pe + 24
    headers_size = plan.code_rva if plan.data_rva is None else plan.data_rva
    if plan.is64:
        struct.pack_into('<HBBIIIII', image, opt, PE32PLUS_MAGIC, 2, 0, a, a, 0, plan.code_rva, plan.code_rva)
        struct.pack_into('<QII', image, opt + 24, plan.base, a, a)
        struct.pack_into('<HHHHHHI', image, opt + 40, 6, 0, 0, 0, 6, 0, 0)
        struct.pack_into('<IIIHH', image, opt + 56, image_size, headers_size, 0, 2, 0)
        struct.pack_into('<QQQQII', image, opt + 72, 0x100000, 0x1000, 0x100000, 0x1000, 0, 16)
        directories = opt + 112
    else:
        struct.pack_into('<HBBIIIIII', image, opt, PE32_MAGIC, 2, 0, a, a, 0, plan.code_rva,
                         plan.code_rva, e)
        struct.pack_into('<III', image, opt + 28, plan.base, a, a)
        struct.pack_into('<HHHHHHI', image, opt + 40, 4, 0, 0, 0, 4, 0, 0)
        struct.pack_into('<IIIHH', image, opt + 56, image_size, headers_size, 0, 2, 0)
        struct.pack_into('<IIIIII', image, opt + 72, 0x100000, 0x1000, 0x100000, 0x1000, 0, 16)
        directories = opt + 96
    struct.pack_into('<II', image, directories, e, dir_size)  # entry 0: the export directory
    table = opt + optional_size
    for index, (name, rva, size, flags) in enumerate(sections):
        struct.pack_into('<8sIIIIIIHHI', image, table + 40 * index, name.encode(), size, rva, size, rva,
                         0, 0, 0, 0, flags)
    if plan.tail:
        image += plan.tail
    plan.dir_rva, plan.dir_size = e, dir_size
    return image


def expected_entries(plan):
    """The directory entries of a well-formed plan, in name-table order."""
    entries = []
    for name, index in plan.names[:min(len(plan.names), len(plan.functions))]:
        function = plan.functions[index]
        forwarder = function.forward is not None
        entries.append((name[:NAME_LIMIT].decode(), (plan.ordinal_base + index) & 0xFFFF,
                        plan.forward_rvas[index] if forwarder else function.rva, forwarder))
    return entries


def thunk(pushed):
    """push imm32; jmp rel32: the stub Windows 9x hands out for an export under a debugger."""
    return b'\x68' + struct.pack('<I', pushed & 0xFFFFFFFF) + b'\xE9' + struct.pack('<i', -0x1000)


class Case:
    def __init__(self, name, plan, resolve=None, entries=None, exports=None, modify=None):
        self.name, self.plan = name, plan
        self.resolve = resolve or {}          # name -> absolute address
        self.entries = entries                # None: from the plan
        self.exports = exports                # None: from the entries
        self.modify = modify                  # bytes -> bytes, after building


def code_rva(plan, offset):
    plan.layout()
    return plan.code_rva + offset


def plain(is64):
    s = ImagePlan(is64)
    s.ordinal_base = 7
    for offset in (0x20, 0x00, 0x10, 0x30):
        s.code[offset] = b'\xC3'
        s.functions.append(Function(rva=code_rva(s, offset)))
    # Names in the name table's sorted order, each at another place than its address;
    # "Alias" shares Beta's function; the fourth function has no name.
    s.names = [(b'Alias', 1), (b'Alpha', 0), (b'Beta', 1), (b'Gamma', 2)]
    return Case('plain' + ('64' if is64 else '32'), s)


def forwarder(is64):
    s = ImagePlan(is64)
    s.code[0] = b'\xC3'
    s.functions = [Function(rva=code_rva(s, 0)), Function(forward=b'OTHER.Target'),
                   Function(forward=b'OTHER.Nothing'), Function(forward=b'LOWER.Target')]
    s.names = [(b'Fwd', 1), (b'FwdLower', 3), (b'FwdMissing', 2), (b'Local', 0)]
    # Modules above and below this one: the code of either is no part of this image.
    return Case('forwarder' + ('64' if is64 else '32'), s,
                resolve={'Fwd': s.base + 0x100040, 'FwdLower': s.base - 0x100000 + 0x40})


def debug_thunks(is64):
    s = ImagePlan(is64)
    # The PE32+ image lies below 4 GiB, where its thunk would push a readable address
    # too: only the image's form keeps it from being taken.
    s.image_base = 0x20000000
    # Thunked pushes the address of Real; Stray pushes an address no image holds; the last
    # function is a thunk cut by the end of the image.
    s.code[0x00] = thunk(s.base + code_rva(s, 0x40))
    s.code[0x10] = thunk(0x1234)
    s.code[0x40] = b'\xC3'
    s.functions = [Function(rva=code_rva(s, 0x00)), Function(rva=code_rva(s, 0x10)),
                   Function(rva=code_rva(s, 0x40)), Function(rva=0)]
    s.names = [(b'Cut', 3), (b'Real', 2), (b'Stray', 1), (b'Thunked', 0)]
    s.tail = b'\x68\0\0'
    case = Case('thunks' + ('64' if is64 else '32'), s)
    # The cut thunk's address is known once the image is: patched after building.
    def place_cut(image):
        cut = len(image) - len(s.tail)
        struct.pack_into('<I', image, s.dir_rva + 40 + 4 * 3, cut)
        case.cut_rva = cut
        return image
    case.modify = place_cut
    return case


def below_code(is64):
    s = ImagePlan(is64, data_first=True)
    s.layout()
    s.code[0] = b'\xC3'
    s.functions = [Function(rva=s.data_rva + 0x10), Function(rva=s.code_rva), Function(rva=s.code_rva + 0x10)]
    s.code[0x10] = b'\xC3'
    s.names = [(b'Code', 1), (b'DataItem', 0), (b'Later', 2)]
    return Case('belowcode' + ('64' if is64 else '32'), s)


def long_names(is64):
    s = ImagePlan(is64)
    for offset in (0, 0x10, 0x20):
        s.code[offset] = b'\xC3'
        s.functions.append(Function(rva=code_rva(s, offset)))
    s.names = [(b'K' * 255, 0), (b'L' * 256, 1), (b'M' * 300, 2)]
    return Case('longnames' + ('64' if is64 else '32'), s)


def more_names(is64):
    s = ImagePlan(is64)
    for offset in (0, 0x10):
        s.code[offset] = b'\xC3'
        s.functions.append(Function(rva=code_rva(s, offset)))
    s.names = [(b'First', 1), (b'Second', 0), (b'Third', 1)]
    return Case('morenames' + ('64' if is64 else '32'), s)


def more_functions(is64):
    s = ImagePlan(is64)
    for offset in range(0, 0x50, 0x10):
        s.code[offset] = b'\xC3'
        s.functions.append(Function(rva=code_rva(s, offset)))
    s.names = [(b'One', 4), (b'Two', 2)]
    return Case('morefuncs' + ('64' if is64 else '32'), s)


def no_access_page(is64):
    # Page-aligned sections: the Windows test makes the page with the names unreadable.
    s = ImagePlan(is64, alignment=0x1000)
    for offset in (0, 0x10):
        s.code[offset] = b'\xC3'
        s.functions.append(Function(rva=code_rva(s, offset)))
    s.names = [(b'PageOne', 0), (b'PageTwo', 1)]
    return Case('pages' + ('64' if is64 else '32'), s)


def simple(is64=False):
    s = ImagePlan(is64)
    for offset in (0, 0x10, 0x20):
        s.code[offset] = b'\xC3'
        s.functions.append(Function(rva=code_rva(s, offset)))
    s.names = [(b'A', 0), (b'B', 1), (b'C', 2)]
    return s


def patched(offset, fmt, *values):
    def modify(image):
        struct.pack_into(fmt, image, offset, *values)
        return image
    return modify


def garbage_cases():
    cases = []
    empty = []
    pe = 0x40

    # The headers say no PE image, or no export directory.
    cases.append(Case('notmz', simple(), entries=empty, modify=patched(0, '<H', 0x5A4E)))
    cases.append(Case('lfanewoutside', simple(), entries=empty, modify=patched(0x3C, '<I', 0x7FFFFFF0)))
    cases.append(Case('lfanewwrap', simple(), entries=empty, modify=patched(0x3C, '<I', 0xFFFFFFF0)))
    cases.append(Case('notpe', simple(), entries=empty, modify=patched(pe, '<I', 0x0000454E)))
    cases.append(Case('badmagic', simple(), entries=empty, modify=patched(pe + 24, '<H', 0x107)))
    cases.append(Case('norvas', simple(), entries=empty, modify=patched(pe + 24 + 92, '<I', 0)))
    cases.append(Case('norvas64', simple(True), entries=empty, modify=patched(pe + 24 + 108, '<I', 0)))
    cases.append(Case('shortoptional', simple(), entries=empty, modify=patched(pe + 20, '<H', 96)))
    cases.append(Case('noexports', simple(), entries=empty, modify=patched(pe + 24 + 96, '<II', 0, 0)))
    cases.append(Case('diroutside', simple(), entries=empty, modify=patched(pe + 24 + 96, '<I', 0x7FFFFF00)))
    cases.append(Case('dirwrap64', simple(True), entries=empty, modify=patched(pe + 24 + 112, '<I', 0xFFFFFFF0)))

    # The directory cut by the end of the image.
    s = simple()
    case = Case('truncateddir', s, entries=empty)
    case.modify = lambda image, s=s: image[:s.dir_rva + 20]
    cases.append(case)

    # Tables outside the image, or cut by its end.
    s = simple()
    case = Case('namesoutside', s, entries=empty)
    case.modify = lambda image, s=s: dir_patch(image, s, 'AddressOfNames', 0xFFFFFF00)
    cases.append(case)
    s = simple()
    case = Case('ordinalsoutside', s, entries=empty)
    case.modify = lambda image, s=s: dir_patch(image, s, 'AddressOfNameOrdinals', 0x7FFFFFFE)
    cases.append(case)
    s = simple()
    case = Case('functionsoutside', s, entries=empty)
    case.modify = lambda image, s=s: dir_patch(image, s, 'AddressOfFunctions', len(image) - 2)
    cases.append(case)
    # Four thousand million names claimed, the name table ends the image: the names that
    # are there are read, and the reading stops at the end.
    s = simple()
    s.names_last = True
    s.dir_patch = {'NumberOfNames': 0xFFFFFFFF, 'NumberOfFunctions': 0xFFFFFFFF}
    cases.append(Case('hugecounts', s, entries=[('A', 1, code_rva(s, 0), False), ('B', 2, code_rva(s, 0x10), False),
                                                 ('C', 3, code_rva(s, 0x20), False)]))

    # Single bad entries are left out, the others kept.
    s = simple()
    case = Case('badordinal', s, entries=[('A', 1, code_rva(s, 0), False), ('C', 3, code_rva(s, 0x20), False)])
    case.modify = lambda image, s=s: ordinal_patch(image, s, 1, 9)
    cases.append(case)
    s = simple()
    case = Case('nameoutside', s, entries=[('B', 2, code_rva(s, 0x10), False), ('C', 3, code_rva(s, 0x20), False)])
    case.modify = lambda image, s=s: name_pointer_patch(image, s, 0, 0x7FFFFFF0)
    cases.append(case)
    s = simple()
    case = Case('nameunterminated', s, entries=[('A', 1, code_rva(s, 0), False), ('B', 2, code_rva(s, 0x10), False)])
    def unterminated(image, s=s):
        image += b'Unterminated'
        name_pointer_patch(image, s, 2, len(image) - len(b'Unterminated'))
        return image
    case.modify = unterminated
    cases.append(case)
    # An address of 0 names no function; one past the image no code of the module.
    s = simple()
    case = Case('badaddresses', s, entries=[('B', 2, code_rva(s, 0x10), False)])
    def bad_addresses(image, s=s):
        struct.pack_into('<I', image, s.dir_rva + 40, 0)
        struct.pack_into('<I', image, s.dir_rva + 40 + 8, len(image) + 0x100)
        return image
    case.modify = bad_addresses
    cases.append(case)
    return cases


def dir_patch(image, plan, field, value):
    struct.pack_into('<I', image, plan.dir_rva + DIR_FIELDS[field], value & 0xFFFFFFFF)
    return image


def ordinal_patch(image, plan, index, value):
    ordinals = struct.unpack_from('<I', image, plan.dir_rva + DIR_FIELDS['AddressOfNameOrdinals'])[0]
    struct.pack_into('<H', image, ordinals + 2 * index, value)
    return image


def name_pointer_patch(image, plan, index, value):
    names = struct.unpack_from('<I', image, plan.dir_rva + DIR_FIELDS['AddressOfNames'])[0]
    struct.pack_into('<I', image, names + 4 * index, value)
    return image


def final_exports(case, entries):
    """The export list the builder must make of the entries: sorted by address."""
    plan = case.plan
    image_code = {code_rva(plan, offset): raw for offset, raw in plan.code.items()}
    records = []
    for name, _, rva, forwarder in entries:
        if forwarder:
            if name not in case.resolve:
                continue
            address = case.resolve[name]
        else:
            address = plan.base + rva
            raw = image_code.get(rva, b'')
            # Only 32-bit images have the Windows 9x thunks; the pushed address must be
            # code of the image.
            if not plan.is64 and len(raw) >= 10 and raw[0] == 0x68 and raw[5] == 0xE9:
                pushed = struct.unpack_from('<I', raw, 1)[0]
                if plan.base <= pushed < plan.base + case.image_size:
                    address = pushed
        # Code size 1 for what lies in this image before its code (data); the code of
        # another module that a forwarder leads to is sized like any code.
        code_size = 1 if plan.base <= address < plan.base + plan.code_rva else 0
        records.append((name, address, code_size))
    records.sort(key=lambda record: record[1])
    return records


def write_case(folder, case, manifest):
    image = build_image(case.plan)
    if case.modify:
        image = case.modify(image)
    case.image_size = len(image)
    with open(os.path.join(folder, case.name + '.img'), 'wb') as out:
        out.write(bytes(image))
    entries = case.entries if case.entries is not None else expected_entries(case.plan)
    if hasattr(case, 'cut_rva'):
        entries = [(n, o, case.cut_rva if n == 'Cut' else r, f) for n, o, r, f in entries]
    exports = case.exports if case.exports is not None else final_exports(case, entries)
    manifest.append('case\t%s\t%s.img\t%x' % (case.name, case.name, case.plan.base))
    for name, ordinal, rva, forwarder in entries:
        manifest.append('entry\t%s\t%d\t%x\t%d' % (name, ordinal, rva, 1 if forwarder else 0))
    for name, address in case.resolve.items():
        manifest.append('resolve\t%s\t%x' % (name, address))
    for name, address, code_size in exports:
        manifest.append('export\t%s\t%x\t%d' % (name, address, code_size))
    manifest.append('end')


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    cases = []
    for is64 in (False, True):
        cases += [plain(is64), forwarder(is64), debug_thunks(is64), below_code(is64), long_names(is64),
                  more_names(is64), more_functions(is64), no_access_page(is64)]
    cases += garbage_cases()
    manifest = []
    for case in cases:
        write_case(folder, case, manifest)
    with open(os.path.join(folder, 'cases.txt'), 'w', newline='\n') as out:
        out.write('\n'.join(manifest) + '\n')


if __name__ == '__main__':
    main()
