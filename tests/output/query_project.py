#!/usr/bin/python3
# query_project.py: writes a small field project for the query tests the
# way another program would, with the python "dbf" module and none of this
# system's code: stations (with a unit, a segment and a rock type, one
# named O'NEIL, one without a unit), gold samples on them, map units and
# legends tied through a link table, a dictionary of rock types, the
# registry PVTABLE, a point setup on the stations, and the rows of a stored
# query GHOST that names a table no longer registered.
#
# Usage: /usr/bin/python3 query_project.py DIRECTORY
import os
import sys

import dbf

REGISTRY_COLUMNS = ["TABLENAME", "TABLETYPE", "BASENUMBER", "ANALYSIS", "SAMPLE", "COMPOSE", "ROCK",
                    "GENESIS", "SEGMENT", "STATION", "OUTCROP", "TRAVERSE", "BOUNDARY", "UNIT", "LEGEND",
                    "REFERENCE", "DICTION", "OTHER", "GROUPING", "PNT", "POINT"]

TABLES = {
    "STATION": ("BASENUMBER N(8,0); STATION N(8,0); SEGMENT N(8,0); UNIT N(8,0); ROCKTYPE C(20); "
                "EASTING N(12,2); NORTHING N(12,2)",
                [(1, 101, 1, 1, "GRANITE", 10.0, 10.0),
                 (2, 102, 1, 2, "O'NEIL", 20.0, 10.0),
                 (3, 103, 2, 1, "GRANODIORITE", 30.0, 40.0),
                 (4, 104, 2, 3, "SHALE", 55.0, 5.0),
                 (5, 105, 3, None, "GRANITE", 70.0, 70.0)]),
    "SAMPLE": ("BASENUMBER N(8,0); STATION N(8,0); SAMPLE N(8,0); AU N(10,3)",
               [(1, 101, 7001, 6.5), (2, 101, 7002, 2.0), (3, 102, 7003, 9.125),
                (4, 103, 7004, 12.0), (5, 104, 7005, 0.5), (6, 105, 7006, 8.5)]),
    "UNITS": ("BASENUMBER N(8,0); UNIT N(8,0); UNITNAME C(20)",
              [(1, 1, "Cache Creek"), (2, 2, "Nicola"), (3, 3, "Spences Bridge")]),
    "LEGND": ("LEGEND N(8,0); LEGTEXT C(40)", [(1, "Carbonates"), (2, "Volcanics")]),
    "ULINK": ("BASENUMBER N(8,0); UNIT N(8,0); LEGEND N(8,0)", [(1, 1, 1), (2, 2, 2), (3, 3, 2)]),
    "ROCKD": ("CODE C(20); MEANING C(40)",
              [("GRANITE", "coarse felsic"), ("SHALE", "fine clastic"), ("O'NEIL", "named for a person")]),
}

REGISTRY = [
    ("STATION", "STATION", {"BASENUMBER": "BASENUMBER", "STATION": "STATION", "SEGMENT": "SEGMENT",
                            "UNIT": "UNIT"}),
    ("SAMPLE", "SAMPLE", {"BASENUMBER": "BASENUMBER", "STATION": "STATION", "SAMPLE": "SAMPLE"}),
    ("UNITS", "UNIT", {"BASENUMBER": "BASENUMBER", "UNIT": "UNIT"}),
    ("LEGND", "LEGEND", {"LEGEND": "LEGEND"}),
    ("ULINK", "OTHER", {"BASENUMBER": "BASENUMBER", "UNIT": "UNIT", "LEGEND": "LEGEND"}),
    ("ROCKD", "DICTION", {"DICTION": "CODE"}),
]


def write_table(path, layout, rows):
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
    registry = [tuple([n, k] + [keys.get(c, "") for c in REGISTRY_COLUMNS[2:]]) for n, k, keys in REGISTRY]
    write_table(os.path.join(out, "PVTABLE.DBF"), "; ".join(c + " C(20)" for c in REGISTRY_COLUMNS), registry)
    write_table(os.path.join(out, "PVPOINT.DBF"),
                "TABLENAME C(20); XCOLUMN C(20); YCOLUMN C(20); ZCOLUMN C(20); SYMCOLUMN C(20); PROJECTION C(32)",
                [("STATION", "EASTING", "NORTHING", "", "", "USER")])
    write_table(os.path.join(out, "PVQUERY.DBF"),
                "QRYNAME C(32); LISTKIND N(11,0); POSITION N(11,0); CONNECTOR C(3); OPERATOR C(8); "
                "OPENBRKT C(1); CLOSEBRKT C(1); TABLENAME C(20); COLUMNAME C(20); VALUE C(254); NPOINTS N(11,0)",
                [("GHOST", 0, 0, "", ">", "", "", "GONE", "GRADE", "3", 0)])
    write_table(os.path.join(out, "PVQOUT.DBF"),
                "QRYNAME C(32); POSITION N(11,0); TABLENAME C(20); COLUMNAME C(20); FLAGS N(11,0)",
                [("GHOST", 0, "GONE", "GRADE", 1)])


if __name__ == "__main__":
    main()
