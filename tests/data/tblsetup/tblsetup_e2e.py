#!/usr/bin/python3
"""pv-tblsetup end to end: pvhost designs, saves, registers and removes a
table on a copy of the sample project GEO, and dbfread reads the files.

  tblsetup_e2e.py PVHOST MODULE RESOURCES WORKDIR

The first run makes table SOIL1 with BASENUMBER NUMERIC(8,0) and NAME
CHAR(20) in the column dialog, saves it (yes), registers it as OTHER
through the registration dialog, leaves and saves the setup (pv-save
writes its PVTABLE row). The second run removes SOIL1 from the setup and
answers yes to deleting it from disk: its files are gone. A third run
saves RIDGE's setup untouched: it asks nothing, and LEGND (a dictionary
the setup does not list) keeps its file and its registration.
"""
import os
import sys

import dbfread

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pvhost_e2e import check, finish, fresh_workdir, run_pvhost  # noqa: E402


CREATE = """(pv_open "GEO" "DB3" "" "")
pv-tblsetup
pv_tblsetup
pick tbl_opt
pick new
set tbl_name soil1
select opt_list 1
pick col_opt
pick new
set col_name BASENUMBER
set col_name NAME
select opt_list 0
pick setup
pv_colsetup
select col_type 1
set col_len 8
set col_dec 0
ok
select opt_list 1
pick setup
pv_colsetup
set col_len 20
ok
pick save
pv_yesno_small
ok
pick tbl_opt
select opt_list 1
pick setup
pv_tblimport
select tbl_type 14
pick opt_basenum
select tbl_cols 0
pick register
pick exit
pv-save
%s
(pv_logoff)
QUIT
"""

REMOVE = """(pv_open "GEO" "DB3" "" "")
pv-tblsetup
pv_tblsetup
pick tbl_opt
select opt_list 0
pick delete
pick exit
pv_ync_small
ok
pv_yesno_small
ok
pv-save
%s
(pv_logoff)
QUIT
"""


# RIDGE's setup saved as it stands: its dictionaries, which the setup does
# not list, are not removed.
UNTOUCHED = """(pv_open "RIDGE" "DB3" "" "")
pv-tblsetup
pv_tblsetup
pick exit
pv-save
(pv_logoff)
QUIT
"""


def files_of(proj, base):
    return sorted(n for n in os.listdir(proj) if n.upper().split(".")[0] == base)


def main():
    if len(sys.argv) != 5:
        raise SystemExit(__doc__)
    pvhost, module, resources, root = sys.argv[1:]
    proj = fresh_workdir(resources, root)
    save_answer = "pv_yesno_small\nok"

    out = run_pvhost(pvhost, module, resources, root, CREATE % save_answer, "create.scr")
    check("GEO database saved" in out, "the save reports 'GEO database saved'")
    check("is not available yet" not in out, "pv-tblsetup is built")
    dbf = os.path.join(proj, "SOIL1.DBF")
    check(os.path.exists(dbf), "SOIL1.DBF exists")
    if os.path.exists(dbf):
        fields = [(f.name, f.type, f.length, f.decimal_count) for f in dbfread.DBF(dbf).fields]
        check(fields == [("BASENUMBER", "N", 8, 0), ("NAME", "C", 20, 0)], "SOIL1 fields %r" % fields)
    rows = [dict(r) for r in dbfread.DBF(os.path.join(proj, "PVTABLE.DBF"))]
    soil = [r for r in rows if r["TABLENAME"].strip() == "SOIL1"]
    check(len(soil) == 1, "one PVTABLE row of SOIL1: %r" % rows)
    if soil:
        check(soil[0]["TABLETYPE"].strip() == "OTHER", "SOIL1 is registered as OTHER: %r" % soil[0])
        check(soil[0]["BASENUMBER"].strip() == "BASENUMBER", "SOIL1's unique column: %r" % soil[0])
    check(any(r["TABLENAME"].strip() == "STATN" for r in rows), "STATN stays registered")

    out = run_pvhost(pvhost, module, resources, root, REMOVE % save_answer, "remove.scr")
    check(files_of(proj, "SOIL1") == [], "SOIL1's files are gone: %r" % files_of(proj, "SOIL1"))
    rows = [r["TABLENAME"].strip() for r in dbfread.DBF(os.path.join(proj, "PVTABLE.DBF"))]
    check(rows == ["STATN"], "PVTABLE rows after the removal: %r" % rows)
    check(os.path.exists(os.path.join(proj, "STATN.DBF")), "STATN.DBF stays")

    ridge = os.path.join(root, "projects", "RIDGE")
    before = sorted(r["TABLENAME"].strip() for r in dbfread.DBF(os.path.join(ridge, "PVTABLE.DBF")))
    out = run_pvhost(pvhost, module, resources, root, UNTOUCHED, "untouched.scr")
    check("removed from setup" not in out, "an untouched setup asks to delete nothing")
    check(files_of(ridge, "LEGND") != [], "LEGND.DBF stays")
    after = sorted(r["TABLENAME"].strip() for r in dbfread.DBF(os.path.join(ridge, "PVTABLE.DBF")))
    check(after == before and "LEGND" in after, "RIDGE's registry after the save: %r" % after)
    finish("pv-tblsetup end to end")


if __name__ == "__main__":
    main()
