#!/usr/bin/python3
"""Checks a module's version resource with pefile, a reader independent of ours.

Usage: version_resource_check.py <module> <description> <a.b.c.d>
Passes when the fixed file version is a.b.c.d and the string table of the first
translation holds FileDescription = description and FileVersion = a.b.c.d.
"""
import sys

import pefile


def main():
    path, description, version = sys.argv[1:4]
    pe = pefile.PE(path, fast_load=True)
    pe.parse_data_directories(
        directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    if not getattr(pe, "VS_FIXEDFILEINFO", None):
        sys.exit(f"{path}: no version resource")
    fixed = pe.VS_FIXEDFILEINFO[0]
    parts = (fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF,
             fixed.FileVersionLS >> 16, fixed.FileVersionLS & 0xFFFF)
    fixed_text = ".".join(str(p) for p in parts)
    errors = []
    if fixed_text != version:
        errors.append(f"fixed file version {fixed_text}, expected {version}")
    translations = [var.entry[b"Translation"] for info in pe.FileInfo[0] if info.Key == b"VarFileInfo"
                    for var in info.Var if b"Translation" in var.entry]
    if not translations:
        errors.append("no translation listed")
    else:
        # pefile gives it as text: "0x0409 0x04e4".
        lang, codepage = (int(x, 16) for x in translations[0].split()[:2])
        key = f"{lang:04x}{codepage:04x}".encode()
        tables = [table for info in pe.FileInfo[0] if info.Key == b"StringFileInfo"
                  for table in info.StringTable if table.LangID.lower() == key]
        if not tables:
            errors.append(f"no string table for translation {translations[0]}")
        else:
            strings = tables[0].entries
            for name, expected in ((b"FileDescription", description), (b"FileVersion", version)):
                got = strings.get(name, b"").decode("latin-1")
                if got != expected:
                    errors.append(f"{name.decode()} is '{got}', expected '{expected}'")
    if errors:
        sys.exit(f"{path}: " + "; ".join(errors))
    print(f"{path}: {description} {version}")


if __name__ == "__main__":
    main()
