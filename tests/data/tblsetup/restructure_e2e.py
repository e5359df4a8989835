#!/usr/bin/python3
"""Rebuilding a dBASE table end to end: pvhost runs the table setup on a
copy of the sample project GEO whose STATN has its second record marked
deleted; dbfread reads the files back.

  restructure_e2e.py PVHOST MODULE RESOURCES WORKDIR

The user purges STATN (yes: 4 records are left, in their order), then,
in a second pv-tblsetup, adds a column DEPTH NUMERIC(8,2) and saves on
leaving (yes): STATN.DBF has DEPTH as N 8.2 and every other value as before, no
TEMPRARY file is left, and the dialog closes normally (the script goes on
to log off).
"""
import os
import sys

import dbfread

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pvhost_e2e import check, finish, fresh_workdir, run_pvhost  # noqa: E402


PURGE = """(pv_open "GEO" "DB3" "" "")
pv-tblsetup
pv_tblsetup
pick tbl_opt
select opt_list 0
pick purge
pv_yesno_small
show
ok
pick exit
(pv_logoff)
pv_yesno_small
pick no
QUIT
"""

ADD_DEPTH = """(pv_open "GEO" "DB3" "" "")
pv-tblsetup
pv_tblsetup
pick new
set col_name DEPTH
select opt_list 7
pick setup
pv_colsetup
select col_type 1
set col_len 8
set col_dec 2
ok
pick exit
pv_ync_small
ok
(pv_logoff)
pv_yesno_small
pick no
QUIT
"""


def records(path):
    """The live records of a table (field name to value), in file order."""
    return [dict(r) for r in dbfread.DBF(path)]


def mark_deleted(path, n):
    """Marks record n (from 0) of a .DBF deleted, as a DELETE would."""
    with open(path, "r+b") as f:
        head = f.read(12)
        header_length = int.from_bytes(head[8:10], "little")
        record_length = int.from_bytes(head[10:12], "little")
        f.seek(header_length + n * record_length)
        f.write(b"*")


def main():
    if len(sys.argv) != 5:
        raise SystemExit(__doc__)
    pvhost, module, resources, root = sys.argv[1:]
    proj = fresh_workdir(resources, root)
    statn = os.path.join(proj, "STATN.DBF")
    before = records(statn)
    mark_deleted(statn, 1)
    kept = before[:1] + before[2:]

    out = run_pvhost(pvhost, module, resources, root, PURGE, "purge.scr")
    check("Purge deleted rows from STATN ?" in out, "the purge asks first")
    check(records(statn) == kept, "the purge leaves 4 records in their order: %r" % records(statn))

    out = run_pvhost(pvhost, module, resources, root, ADD_DEPTH, "depth.scr")
    check("GEO database saved" in out, "the save reports 'GEO database saved'")
    check("Could not modify table" not in out, "the rebuild succeeds")
    check("Dialog pv_tblsetup *Cancel*" not in out and "Command: (pv_logoff)" in out,
          "the dialog closes by its exit tile and the script goes on")

    table = dbfread.DBF(statn)
    fields = [(f.name, f.type, f.length, f.decimal_count) for f in table.fields]
    check(fields[-1] == ("DEPTH", "N", 8, 2), "DEPTH is N 8.2: %r" % fields)
    after = records(statn)
    check(len(after) == 4, "4 records are left: %d" % len(after))
    check([a["BASENUMBER"] for a in after] == [k["BASENUMBER"] for k in kept], "their order is kept")
    for old, new in zip(kept, after):
        check(new.get("DEPTH") is None, "DEPTH starts blank: %r" % new)
        same = {k: new.get(k) for k in old}
        check(same == old, "values kept: %r became %r" % (old, same))
    left = [n for n in os.listdir(proj) if n.upper().startswith("TEMPRARY")]
    check(left == [], "no TEMPRARY file is left: %r" % left)
    finish("rebuilding a dBASE table end to end")


if __name__ == "__main__":
    main()
