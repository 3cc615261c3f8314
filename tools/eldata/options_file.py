"""Reads the options file a developer writes by hand (format in README.md).

load(path) returns a dict of the options the file sets, in the form options_stream takes;
every option left out keeps its default. Any fault raises OptionsFileError with the file,
the line and the option it concerns.
"""
import re

import options_stream as layout

PREFIX_TEXTS = "CustomizedTexts."
FILTER_KEY = "Filter"

TOKEN = re.compile(r"""
    (?P<space>\s+)
  | (?P<string>"(?:[^"\\]|\\.)*")
  | (?P<number>[+-]?(?:0[xX][0-9A-Fa-f]+|[0-9]+))
  | (?P<name>[A-Za-z_][A-Za-z0-9_.]*)
  | (?P<punct>[\[\],+\-=])
""", re.VERBOSE)

ESCAPES = {"\\": "\\", '"': '"', "r": "\r", "n": "\n", "t": "\t", "0": "\0"}


class OptionsFileError(Exception):
    pass


class _Fault(Exception):
    """A fault inside one line; load() adds the file, line and option."""


def _unquote(token):
    body, out, i = token[1:-1], [], 0
    while i < len(body):
        char = body[i]
        if char != "\\":
            out.append(char)
            i += 1
            continue
        code = body[i + 1]
        if code in ESCAPES:
            out.append(ESCAPES[code])
            i += 2
        elif code == "x" and re.fullmatch(r"[0-9A-Fa-f]{2}", body[i + 2:i + 4]):
            out.append(bytes([int(body[i + 2:i + 4], 16)]).decode("cp1252", "strict"))
            i += 4
        else:
            raise _Fault(f"unknown escape \\{code} in a string")
    return "".join(out)


def _tokens(text):
    pos, out = 0, []
    while pos < len(text):
        if text[pos] == "#":
            break
        match = TOKEN.match(text, pos)
        if not match:
            raise _Fault(f"unexpected character {text[pos]!r}")
        if match.lastgroup != "space":
            out.append((match.lastgroup, match.group()))
        pos = match.end()
    return out


class _Reader:
    def __init__(self, tokens):
        self.tokens, self.pos = tokens, 0

    def peek(self):
        return self.tokens[self.pos] if self.pos < len(self.tokens) else (None, None)

    def take(self, what=None):
        kind, text = self.peek()
        if kind is None:
            raise _Fault("the value ends too early" if what is None else f"{what} expected")
        if what is not None and text != what:
            raise _Fault(f"{what} expected, found {text!r}")
        self.pos += 1
        return kind, text

    def end(self):
        if self.pos != len(self.tokens):
            raise _Fault(f"unexpected {self.tokens[self.pos][1]!r} after the value")


def _string(reader):
    parts = []
    while reader.peek()[0] == "string":
        parts.append(_unquote(reader.take()[1]))
    if not parts:
        raise _Fault("a string in double quotes expected")
    text = "".join(parts)
    try:
        text.encode("cp1252")
    except UnicodeEncodeError:
        raise _Fault("the string has characters outside the ANSI code page 1252") from None
    return text


def _set_term(reader, kind, default):
    members = layout.SETS[kind]
    _, text = reader.take()
    if text == "default":
        return list(default)
    if text == "all":
        return list(members)
    if text != "[":
        raise _Fault(f"a list in [ ] of {kind} members, 'default' or 'all' expected")
    chosen = []
    while reader.peek()[1] != "]":
        token_kind, name = reader.take()
        if token_kind != "name" or name not in members:
            raise _Fault(f"{name!r} is not a member of {kind}")
        if name in chosen:
            raise _Fault(f"{name} is named twice")
        chosen.append(name)
        if reader.peek()[1] != "]":
            reader.take(",")
    reader.take("]")
    return chosen


def _set(reader, kind, default):
    result = _set_term(reader, kind, default)
    while reader.peek()[1] in ("+", "-"):
        _, op = reader.take()
        term = _set_term(reader, kind, default)
        if op == "+":
            result += [m for m in term if m not in result]
        else:
            result = [m for m in result if m not in term]
    return result


def _value(reader, kind, default):
    if kind == layout.STRING:
        return _string(reader)
    token_kind, text = reader.take()
    if kind == layout.BOOL:
        if text.lower() not in ("true", "false"):
            raise _Fault(f"True or False expected, found {text!r}")
        return text.lower() == "true"
    if kind in layout.INTEGER_RANGES:
        if token_kind != "number":
            raise _Fault(f"a number expected, found {text!r}")
        value = int(text, 0)
        low, high = layout.INTEGER_RANGES[kind]
        if not low <= value <= high:
            raise _Fault(f"{value} is outside the {kind} range {low}..{high}")
        return value
    if kind in layout.ENUMS:
        if text not in layout.ENUMS[kind]:
            raise _Fault(f"{text!r} is not a member of {kind} "
                         f"({', '.join(layout.ENUMS[kind])})")
        return text
    if kind in layout.SETS:
        reader.pos -= 1
        return _set(reader, kind, default)
    raise _Fault(f"no value of kind {kind}")


def _filter(reader):
    fields = {name: (kind, default) for name, kind, default in layout.FILTER_FIELDS}
    record = {name: default for name, _, default in layout.FILTER_FIELDS}
    seen = set()
    while True:
        token_kind, name = reader.take()
        if token_kind != "name" or name not in fields:
            raise _Fault(f"{name!r} is not a filter field "
                         f"({', '.join(fields)})")
        if name in seen:
            raise _Fault(f"the filter field {name} is given twice")
        seen.add(name)
        reader.take("=")
        kind, default = fields[name]
        record[name] = _value(reader, kind, default)
        if reader.peek()[0] is None:
            return record
        reader.take(",")


def _setting(key, reader, values, seen):
    if key == FILTER_KEY:
        values.setdefault("ExceptionsFilters", []).append(_filter(reader))
        return
    if key in seen:
        raise _Fault("the option is set twice")
    seen.add(key)
    if key.startswith(PREFIX_TEXTS):
        member = key[len(PREFIX_TEXTS):]
        if member not in layout.MESSAGE_TYPES:
            raise _Fault(f"{member!r} is not a member of TMessageType")
        texts = values.setdefault("CustomizedTexts", [t for _, t in layout.DEFAULT_TEXTS])
        texts[layout.MESSAGE_TYPES.index(member)] = _string(reader)
        return
    kind = layout.OPTION_KINDS.get(key)
    if kind is None or kind in (layout.FILTERS, layout.TEXTS):
        raise _Fault("no such option (filters are 'Filter = ...' lines, texts "
                     "'CustomizedTexts.<member> = \"...\"' lines)")
    default = dict((n, d) for n, _, d in layout.OPTIONS)[key]
    value = _value(reader, kind, default)
    if key == "ErrorsNumberToSave" and value == 0:
        value = 1  # the options object stores 1 for 0, so the file does the same
    values[key] = value


def parse(text, path="<options>"):
    """Returns the options set by `text` (the file's contents)."""
    values, seen = {}, set()
    for number, line in enumerate(text.splitlines(), start=1):
        key = None
        try:
            reader = _Reader(_tokens(line))
            if reader.peek()[0] is None:
                continue
            token_kind, key = reader.take()
            if token_kind != "name":
                key = None
                raise _Fault("a line starts with an option name")
            reader.take("=")
            _setting(key, reader, values, seen)
            reader.end()
        except _Fault as fault:
            where = f"{path}:{number}"
            raise OptionsFileError(f"{where}: {key}: {fault}" if key else f"{where}: {fault}")
    return values


def load(path):
    try:
        with open(path, encoding="utf-8") as handle:
            text = handle.read()
    except (OSError, UnicodeDecodeError) as error:
        raise OptionsFileError(f"{path}: cannot read the options file: {error}") from None
    return parse(text, path)
