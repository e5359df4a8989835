#!/usr/bin/python3
"""Writes the SQL that puts a DB3 project into a schema of a server.

  pg_load_project.py PROJECT_DIR SCHEMA OUT.sql

Every .DBF of the directory becomes a table of the same name in the schema,
with the same rows, read by dbfread. Field types: C(n) CHAR(n); N(6,0)
SMALLINT, N(11,0) INTEGER and N(20,0) DOUBLE PRECISION (the widths the DB3
driver gives those types); other N(w,d) NUMERIC(w,d); D DATE. Numbers go
over as the digits the file holds (no float on the way), dates as the day
they name. The column POINT is
written as the quoted identifier the setup tables use, WINDOW (a profile
table's) as the one the ODBC driver writes.
"""
import datetime
import os
import sys

import dbfread


class StoredNumbers(dbfread.FieldParser):
    """Reads N and F fields as the text they hold, blank as None."""

    def parseN(self, field, data):
        text = data.strip(b" \0*").decode("ascii").replace(",", ".")
        return Digits(text) if text else None

    parseF = parseN


class Digits(str):
    """A number's text as stored."""


def column_type(f):
    if f.type == "C":
        return "CHAR(%d)" % f.length
    if f.type in ("N", "F"):
        if f.decimal_count == 0 and f.length == 6:
            return "SMALLINT"
        if f.decimal_count == 0 and f.length == 11:
            return "INTEGER"
        if f.decimal_count == 0 and f.length == 20:
            return "DOUBLE PRECISION"
        return "NUMERIC(%d,%d)" % (f.length, f.decimal_count)
    if f.type == "D":
        return "DATE"
    raise SystemExit("field %s of type %s has no server type here" % (f.name, f.type))


def name(n):
    if n.upper() == "WINDOW":
        return '"window"'
    return '"POINT"' if n.upper() == "POINT" else n


def literal(v):
    if v is None:
        return "NULL"
    if isinstance(v, Digits):
        return str(v)
    if isinstance(v, datetime.date):
        return "DATE '%s'" % v.isoformat()
    if isinstance(v, str):
        return "'" + v.replace("'", "''") + "'"
    return repr(v)


def main():
    if len(sys.argv) != 4:
        raise SystemExit(__doc__)
    src, schema, out = sys.argv[1:]
    lines = ["DROP SCHEMA IF EXISTS %s CASCADE;" % schema, "CREATE SCHEMA %s;" % schema,
             "SET search_path TO %s;" % schema]
    for f in sorted(os.listdir(src)):
        if not f.upper().endswith(".DBF"):
            continue
        table = dbfread.DBF(os.path.join(src, f), parserclass=StoredNumbers)
        cols = ", ".join("%s %s" % (name(fl.name), column_type(fl)) for fl in table.fields)
        tname = os.path.splitext(f)[0].upper()
        lines.append("CREATE TABLE %s (%s);" % (tname, cols))
        names = ", ".join(name(fl.name) for fl in table.fields)
        for r in table:
            lines.append("INSERT INTO %s (%s) VALUES (%s);" % (tname, names, ", ".join(literal(v) for v in r.values())))
    with open(out, "w") as fh:
        fh.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
