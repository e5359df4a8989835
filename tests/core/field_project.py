#!/usr/bin/python3
# field_project.py: writes a small field project the way another program
# would, with the python "dbf" module and none of this system's code:
# three user tables (stations, rocks with a memo column, samples), the
# registry PVTABLE naming them, an input rule in PVCOLUMN for every column
# of them and a point setup in PVPOINT on the stations.
#
# Usage: /usr/bin/python3 field_project.py DIRECTORY
import os
import sys

import dbf

# The registry's columns: the table, its type, then the key columns.
REGISTRY_COLUMNS = ["TABLENAME", "TABLETYPE", "BASENUMBER", "ANALYSIS", "SAMPLE", "COMPOSE", "ROCK",
                    "GENESIS", "SEGMENT", "STATION", "OUTCROP", "TRAVERSE", "BOUNDARY", "UNIT", "LEGEND",
                    "REFERENCE", "DICTION", "OTHER", "GROUPING", "PNT", "POINT"]

# Rule flags: editable, value required, default applies, point column.
EDIT, REQUIRED, DEFAULT, POINT = 0x1, 0x2, 0x4, 0x400
# Range flags: a minimum and a maximum are set.
HAS_MIN, HAS_MAX = 0x1, 0x2

# The user tables: layout and rows.
TABLES = {
    "STN": ("BASENUMBER N(8,0); STATION N(8,0); EASTING N(12,2); NORTHING N(12,2); NAME C(20)",
            [(1, 101, 512340.25, 4650120.50, "RIDGE TOP"),
             (2, 102, 512410.00, 4650200.75, "CREEK"),
             (3, 103, 512505.50, 4650310.00, "QUARRY")]),
    "ROCK": ("BASENUMBER N(8,0); STATION N(8,0); ROCK N(8,0); LITH C(20); NOTES M",
             [(1, 101, 1, "GRANITE", "coarse grained, pink feldspar"),
              (2, 103, 2, "SCHIST", "folded, with garnets")]),
    "SAMPLE": ("BASENUMBER N(8,0); STATION N(8,0); SAMPLE N(8,0); DESCR C(30)",
               [(1, 101, 7001, "chip sample"), (2, 102, 7002, "stream sediment")]),
}

# Registry rows, not in name order: (table, type, key column by slot).
REGISTRY = [
    ("STN", "STATION", {"BASENUMBER": "BASENUMBER", "STATION": "STATION"}),
    ("ROCK", "ROCK", {"BASENUMBER": "BASENUMBER", "STATION": "STATION", "ROCK": "ROCK"}),
    ("SAMPLE", "SAMPLE", {"BASENUMBER": "BASENUMBER", "STATION": "STATION", "SAMPLE": "SAMPLE"}),
]

# Rules that differ from a plain editable column: (table, column) ->
# (flags, range flags, default, minimum, maximum).
RULES = {
    ("STN", "EASTING"): (EDIT | REQUIRED | POINT, HAS_MIN | HAS_MAX, "", 500000.0, 600000.0),
    ("STN", "NORTHING"): (EDIT | REQUIRED | POINT, 0, "", 0.0, 0.0),
    ("STN", "NAME"): (EDIT | DEFAULT, 0, "UNNAMED", 0.0, 0.0),
    ("ROCK", "LITH"): (EDIT | REQUIRED, 0, "", 0.0, 0.0),
}


def write_table(path, layout, rows):
    """Writes one dBASE III table (and its memo file when it has memos)."""
    table = dbf.Table(path, layout, dbf_type="db3")
    table.open(mode=dbf.READ_WRITE)
    for row in rows:
        table.append(row)
    table.close()


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, (layout, rows) in TABLES.items():
        write_table(os.path.join(out, name + ".DBF"), layout, rows)

    registry = []
    for name, kind, keys in REGISTRY:
        registry.append(tuple([name, kind] + [keys.get(c, "") for c in REGISTRY_COLUMNS[2:]]))
    write_table(os.path.join(out, "PVTABLE.DBF"), "; ".join(c + " C(20)" for c in REGISTRY_COLUMNS), registry)

    rules = []
    for name, (layout, _) in TABLES.items():
        for field in layout.split(";"):
            column = field.split()[0]
            flags, ranges, default, low, high = RULES.get((name, column), (EDIT, 0, "", 0.0, 0.0))
            rules.append((column, name, "", "", flags, ranges, 0, 0, " ", default, low, high))
    write_table(os.path.join(out, "PVCOLUMN.DBF"),
                "COLUMNAME C(20); TABLENAME C(20); DICTIONARY C(20); PROFILE C(20); FLAGS N(6,0); "
                "RANGEFLAGS N(6,0); PICKLEVEL N(6,0); EXTRAWORD N(6,0); DELIMITER C(1); DEFAULTVAL C(254); "
                "MINIMUM N(19,6); MAXIMUM N(19,6)", rules)

    write_table(os.path.join(out, "PVPOINT.DBF"),
                "TABLENAME C(20); XCOLUMN C(20); YCOLUMN C(20); ZCOLUMN C(20); SYMCOLUMN C(20); PROJECTION C(32)",
                [("STN", "EASTING", "NORTHING", "", "NAME", "USER")])


if __name__ == "__main__":
    main()
