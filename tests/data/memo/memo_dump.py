"""Prints the memo lines of a dBASE side table, read with dbfread, one line
per record ordered by row number and order number:

    70000|1|68|abcdef...

Usage: memo_dump.py TABLE.DBF
"""
import sys

import dbfread


def main(path):
    table = dbfread.DBF(path, char_decode_errors="strict")
    names = [f.name for f in table.fields]
    if names[:3] != ["BASENUMBER", "ORDNUMBER", "MEMOTEXT"]:
        print("columns: " + ",".join(names))
        return 1
    rows = []
    for record in table:
        text = (record["MEMOTEXT"] or "").rstrip()
        rows.append((int(record["BASENUMBER"]), int(record["ORDNUMBER"]), text))
    for number, order, text in sorted(rows):
        print("%d|%d|%d|%s" % (number, order, len(text), text))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
