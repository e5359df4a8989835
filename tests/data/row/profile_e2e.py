#!/usr/bin/python3
"""Profile editor end to end: on a copy of the sample project GEO with a
dictionary ROCKD written by python3-dbf (Granite, Basalt, Coarse), pvhost
runs pv-profile: the profile ROCKP is created and loaded, Granite inserted
under the root, Basalt as its sibling and Coarse as its child, Basalt
moved under Granite, and the profile saved over the table; dbfread reads
ROCKP back. A file chosen outside the project's directory is refused.

  profile_e2e.py PVHOST MODULE RESOURCES WORKDIR
"""
import os
import sys

import dbf
import dbfread

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tblsetup"))
from pvhost_e2e import check, finish, fresh_workdir, run_pvhost  # noqa: E402

ITEMS = [(0, "ROCKD", ""), (1, "Granite", "G"), (2, "Basalt", "B"), (3, "Coarse", "C")]

SCRIPT = """(pv_open "GEO" "DB3" "" "")
pv-profile
pv_edit_profile
pick tgt_file
/elsewhere/ROCKP.DBF

set src_dix_name ROCKD
set tgt_prf_name ROCKP
pick tgt_load
pv_prf_opts
ok
pv_okquit_small
ok
show
select tgt_prf 0
set tgt_longname Granite
pick insert
select tgt_prf 1
pick sibling
set tgt_longname Basalt
pick insert
select tgt_prf 1
pick child
set tgt_longname Coarse
pick insert
select tgt_prf 3
pick move
select tgt_prf 1
pick insert
pick next
pick prev
pick tgt_save
pv_prf_opts
ok
pv_okquit_small
ok
show
cancel
(pv_logoff)
QUIT
"""


def make_dictionary(proj):
    """ROCKD.DBF with its header row and three items."""
    table = dbf.Table(os.path.join(proj, "ROCKD.DBF"),
                      "BASENUMBER N(8,0); LONGNAME C(32); SHORTNAME C(32); DEFINITION C(70)",
                      codepage="cp1252")
    table.open(dbf.READ_WRITE)
    for number, longname, shortname in ITEMS:
        table.append((number, longname, shortname, ""))
    table.close()


def main():
    if len(sys.argv) != 5:
        raise SystemExit(__doc__)
    pvhost, module, resources, root = sys.argv[1:]
    proj = fresh_workdir(resources, root)
    make_dictionary(proj)
    out = run_pvhost(pvhost, module, resources, root, SCRIPT, "profile.scr")
    check("pvhost: fault" not in out, "every dialog is answered")
    check("File must be selected from" in out, "a file outside the project is refused")
    check("ROCKP : ROCKD" in out, "the list shows the loaded profile")
    check("End of profile reached" in out and "Top of profile reached" in out, "paging stops at both ends")
    check("Profile saved as ROCKP" in out, "the save says so")
    path = os.path.join(proj, "ROCKP.DBF")
    check(os.path.exists(path), "ROCKP.DBF was written")
    if os.path.exists(path):
        rows = [(r["SORTNUMBER"], r["BASENUMBER"], r["PARENTNUM"], r["WINDOW"]) for r in dbfread.DBF(path)]
        rows.sort()
        check(rows == [(0, 0, 60077, 8089), (1, 1, 0, 0), (2, 2, 1, 0), (3, 3, 1, 0)], "ROCKP's rows: %r" % rows)
    finish("profile editor end to end")


if __name__ == "__main__":
    main()
