"""Prints the rows of a dBASE table read with dbfread, one line per record
ordered by BASENUMBER, with the named columns joined by "|":

    6|6|New Station

Usage: row_dump.py TABLE.DBF COLUMN...
"""
import sys

import dbfread


def text(value):
    if value is None:
        return ""
    if isinstance(value, float) and value.is_integer():
        return str(int(value))
    return str(value).rstrip()


def main(path, columns):
    table = dbfread.DBF(path, char_decode_errors="strict")
    rows = sorted(table, key=lambda r: r["BASENUMBER"] or 0)
    for record in rows:
        print("|".join(text(record[c]) for c in columns))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2:]))
