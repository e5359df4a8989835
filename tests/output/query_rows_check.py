#!/usr/bin/python3
# query_rows_check.py: runs the SELECT texts that the query tests wrote
# (lines "TEXT\t<statement>" each followed by the engine's rows "ROW\t<a|b|..>")
# with Python's sqlite3 over the project's tables as python3-dbfread reads
# them, and checks that it gives the same rows (as sorted lists; numbers
# compared as numbers, texts without trailing blanks).
#
# Usage: /usr/bin/python3 query_rows_check.py PROJECT_DIR CASES_FILE
import glob
import os
import sqlite3
import sys

import dbfread


def load(db, directory):
    for path in glob.glob(os.path.join(directory, "*.DBF")):
        name = os.path.splitext(os.path.basename(path))[0]
        table = dbfread.DBF(path)
        cols = table.field_names
        db.execute("CREATE TABLE %s (%s)" % (name, ", ".join(cols)))
        db.executemany("INSERT INTO %s VALUES (%s)" % (name, ", ".join("?" * len(cols))),
                       [[r[c] for c in cols] for r in table])


def norm(value):
    if value is None or value == "NULL":
        return "NULL"
    try:
        return repr(round(float(value), 6))
    except (TypeError, ValueError):
        return str(value).strip()


def main():
    db = sqlite3.connect(":memory:")
    load(db, sys.argv[1])
    cases = []
    for line in open(sys.argv[2], encoding="latin-1"):
        kind, _, rest = line.rstrip("\n").partition("\t")
        if kind == "TEXT":
            cases.append((rest, []))
        else:
            cases[-1][1].append(tuple(norm(v) for v in rest.split("|")))
    failed = 0
    for text, rows in cases:
        want = sorted(tuple(norm(v) for v in r) for r in db.execute(text))
        if sorted(rows) != want:
            failed += 1
            print("DIFFERENT ROWS for", text, "\n engine:", sorted(rows), "\n sqlite:", want)
    print("%d statements checked, %d differ" % (len(cases), failed))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
