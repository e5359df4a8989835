"""Cross-checks the dBASE library against independent readers and writers.

  dbf_crosscheck.py dump PATH    print PATH's header, fields, records and
                                 memos as read by dbfread, one per line
  dbf_crosscheck.py write PATH   write a dBASE III table with memo at PATH
                                 with python-dbf (the layout the test expects)

Run with the system python3 (/usr/bin/python3), which has both modules.
"""
import datetime
import struct
import sys


def show(value):
    """One value in the form the C++ test expects."""
    if value is None:
        return "None"
    if isinstance(value, bool):
        return "T" if value else "F"
    if isinstance(value, (datetime.date, datetime.datetime)):
        return value.isoformat()
    if isinstance(value, float) and value == int(value):
        return repr(value)
    return str(value) if isinstance(value, str) else repr(value)


def dump(path):
    import dbfread
    with open(path, "rb") as f:
        head = f.read(12)
    version, _, _, _, count, hlen, rlen = struct.unpack("<BBBBIhh", head)
    print("header %d %d %d %d" % (version, count, hlen, rlen))
    table = dbfread.DBF(path, load=True, char_decode_errors="strict")
    for field in table.fields:
        print("field %s %s %d %d" % (field.name, field.type, field.length, field.decimal_count))
    for kind, records in (("live", table.records), ("deleted", table.deleted)):
        for record in records:
            print(kind + " " + "|".join("%s=%s" % (k, show(v)) for k, v in record.items()))


def write(path):
    import dbf
    table = dbf.Table(path, "NAME C(12); DEPTH N(7,2); COUNT N(4,0); OK L; SEEN D; NOTE M",
                      dbf_type="db3")
    table.open(dbf.READ_WRITE)
    table.append(("granite", 12.5, 3, True, dbf.Date(2021, 3, 4), "pink, coarse grained"))
    table.append(("basalt", -0.25, 0, False, dbf.Date(1999, 12, 31), "x" * 700 + "end"))
    table.append(("schist", 100.0, 42, None, None, ""))
    dbf.delete(table[1])
    table.close()


if __name__ == "__main__":
    {"dump": dump, "write": write}[sys.argv[1]](sys.argv[2])
