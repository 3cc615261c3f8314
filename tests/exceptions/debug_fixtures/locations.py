"""The debug-information fixtures' common input, and what a reader must answer.

Every fixture writer (map file, TD32, JEDI binary, the library's own data) takes the
same description of a module (locations.json: units, procedures, line tables, addresses
relative to the start of the code) and writes it in its format; `expected_answers`
says, from the description alone, what the five lookups give for addresses that lie
inside a unit and inside one of its procedures (the places where every format's rules
agree). Each reader's tests compare the reader with these rows; edges that differ
between the formats are tested by each reader on its own.
"""
import json


def load(path):
    with open(path, encoding="utf-8") as f:
        return json.load(f)


def sample_addresses(unit):
    """Every procedure start and last byte, every line start and the byte before the
    next line, inside the unit's procedures."""
    addresses = set()
    for proc in unit["procs"]:
        addresses.add(proc["start"])
        addresses.add(proc["start"] + proc["size"] - 1)
    for _, address in unit["lines"]:
        addresses.add(address)
        if address > unit["start"]:
            addresses.add(address - 1)
    inside = lambda a: any(p["start"] <= a < p["start"] + p["size"] for p in unit["procs"])
    return sorted(a for a in addresses if unit["start"] <= a < unit["start"] + unit["size"] and inside(a))


def expected_answers(description):
    """Rows (address, unit, unit start, procedure, procedure offset, line, line offset,
    source) for the sample addresses of every unit. line 0 and offset 0 when no line
    entry of the unit lies at or before the address."""
    rows = []
    for unit in description["units"]:
        for address in sample_addresses(unit):
            proc = next(p for p in unit["procs"] if p["start"] <= address < p["start"] + p["size"])
            before = [(line, a) for line, a in unit["lines"] if a <= address]
            line, line_address = before[-1] if before else (0, address)
            rows.append((address, unit["name"], unit["start"], proc["name"], address - proc["start"],
                         line, address - line_address, unit["source"]))
    return rows


def write_expected(description, path):
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("# address\tunit\tunit start\tprocedure\tprocedure offset\tline\tline offset\tsource\n")
        for row in expected_answers(description):
            f.write("\t".join(str(v) for v in row) + "\n")
