#!/usr/bin/python3
"""Column input setup end to end: pvhost edits input rules of STATN through
table setup's "input" tile on a copy of the sample project GEO, and
dbfread reads the rules pv-save wrote to PVCOLUMN.

  cinsetup_e2e.py PVHOST MODULE RESOURCES WORKDIR

The first run gives ELEV minimum 6000 and maximum 5000 (refused, the
message in "error"), then minimum 0; NAME the default "Unknown" with the
default and plot switches; ROCKTYPE the profile ROCKS of dictionary LITHO,
both created after the questions. The second run logs on again: the
rules are shown as saved, and naming ROCKS and LITHO again loads the
profile without a question.
"""
import os
import sys

import dbfread

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pvhost_e2e import check, finish, fresh_workdir, run_pvhost  # noqa: E402

# STATN's columns in the list: BASENUMBER STN NAME EASTING NORTHING ELEV ROCKTYPE.
EDIT = """(pv_open "GEO" "DB3" "" "")
pv-tblsetup
pv_tblsetup
select opt_list 5
pick input
pv_cinsetup
set cin_minval 6000
set cin_maxval 5000
ok
show
set cin_minval 0
ok
select opt_list 2
pick input
pv_cinsetup
set cin_defval Unknown
pick cin_def
pick cin_plot
ok
select opt_list 6
pick input
pv_cinsetup
set cin_prf "rocks of the north"
set cin_dix litho
ok
pv_okquit_small
pick accept
pv_okquit_small
pick accept
pick exit
pv-save
pv_yesno_small
ok
(pv_logoff)
QUIT
"""

AGAIN = """(pv_open "GEO" "DB3" "" "")
pv-tblsetup
pv_tblsetup
select opt_list 5
pick input
pv_cinsetup
show
cancel
select opt_list 2
pick input
pv_cinsetup
show
cancel
select opt_list 6
pick input
pv_cinsetup
ok
pick exit
pv-save
pv_yesno_small
ok
(pv_logoff)
QUIT
"""

# Flag bits of a rule.
FLAG_DEF = 0x4
FLAG_PLOT = 0x20
FLAG_PROFILE = 0x100


def rules(proj):
    """PVCOLUMN's rows of STATN by column name."""
    path = os.path.join(proj, "PVCOLUMN.DBF")
    if not os.path.exists(path):
        return {}
    return {r["COLUMNAME"].strip(): r for r in dbfread.DBF(path) if r["TABLENAME"].strip() == "STATN"}


def main():
    if len(sys.argv) != 5:
        raise SystemExit(__doc__)
    pvhost, module, resources, root = sys.argv[1:]
    proj = fresh_workdir(resources, root)

    out = run_pvhost(pvhost, module, resources, root, EDIT, "edit.scr")
    check("pvhost: fault" not in out, "the first run answers every dialog")
    check('error          text = "ERROR: Minimum is greater than maximum"' in out,
          "minimum 6000 above maximum 5000 is refused in 'error'")
    found = rules(proj)
    elev = found.get("ELEV")
    check(elev is not None, "PVCOLUMN has ELEV: %r" % list(found))
    if elev:
        check(elev["RANGEFLAGS"] == 3, "ELEV's range flags 3: %r" % elev)
        check(elev["MINIMUM"] == 0 and elev["MAXIMUM"] == 5000, "ELEV from 0 to 5000: %r" % elev)
    name = found.get("NAME")
    check(name is not None, "PVCOLUMN has NAME")
    if name:
        check(name["FLAGS"] & (FLAG_DEF | FLAG_PLOT) == FLAG_DEF | FLAG_PLOT, "NAME's flags hold 0x24: %r" % name)
        check(name["DEFAULTVAL"].strip() == "Unknown", "NAME's default: %r" % name)
    rock = found.get("ROCKTYPE")
    check(rock is not None, "PVCOLUMN has ROCKTYPE")
    if rock:
        check(rock["PROFILE"].strip() == "ROCKS" and rock["DICTIONARY"].strip() == "LITHO",
              "ROCKTYPE names ROCKS of LITHO: %r" % rock)
        check(rock["FLAGS"] & FLAG_PROFILE, "ROCKTYPE's profile is loaded: %r" % rock)
    for table in ("LITHO.DBF", "ROCKS.DBF"):
        check(os.path.exists(os.path.join(proj, table)), "%s was created" % table)

    out = run_pvhost(pvhost, module, resources, root, AGAIN, "again.scr")
    check("pvhost: fault" not in out, "the second run answers every dialog (no question for ROCKS)")
    check('"Minimum:" = "0.000000"' in out and '"Maximum:" = "5000.000000"' in out,
          "ELEV's range is back after logging on again")
    check('"Default:" = "Unknown"' in out and 'cin_plot       toggle "Plot" = "1"' in out,
          "NAME's default and plot switch are back")
    check("Cannot load profile" not in out, "ROCKS loads from LITHO")
    rock = rules(proj).get("ROCKTYPE")
    check(rock is not None and rock["FLAGS"] & FLAG_PROFILE, "ROCKTYPE's profile loaded again: %r" % rock)
    finish("column input setup end to end")


if __name__ == "__main__":
    main()
