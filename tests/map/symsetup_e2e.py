#!/usr/bin/python3
"""The symbol setup dialog end to end: pvhost loads PVSTRUCT through the
setup dialog into a copy of the sample project GEO, gives STATN.NAME a
symbol setup through "symsetup" (the library's first shape, layer, colour
and size) and saves the project's setup; dbfread finds the setup in
PVSYMBOL.DBF; a second run that only logs on shows it in the dialog again.

  symsetup_e2e.py PVHOST MODULE RESOURCES WORKDIR
"""
import os
import shutil
import sys

import dbfread

from e2e_util import FAILURES, check, run_pvhost


EDIT = """(pv_open "GEO" "DB3" "" "")
pv-setup
pv_setup
pick symlib
pv_load_sym
set symname PVSTRUCT
pick load
pick exit
pick symsetup
pv_sympick
select sym_list 2
ok
pv_symsetup
pick sym_symbol
pick sym_shape
set sym_lib_chc PVSTRUCT
pick sym_name
pv_sel_sym
pick image1
set sym_lay_chc GEOL
set sym_clr_chc 1
set sym_size_chc 2.5
ok
pick exit
pv-save
pv_yesno_small
ok
(pv_logoff)
QUIT
"""

SHOW = """(pv_open "GEO" "DB3" "" "")
pv-setup
pv_setup
pick symsetup
pv_sympick
show
select sym_list 2
ok
pv_symsetup
show
cancel
pick exit
(pv_logoff)
QUIT
"""


def run(pvhost, module, resources, root, name, script):
    """Runs pvhost on the script; besides the shared checks, no fault may
    show on its screen either."""
    out = run_pvhost(pvhost, module, resources, root, script)
    check("fault" not in out, "%s: no host fault" % name)
    return out


def tile_line(out, key, start=0):
    """The text form's line of a tile, from the last form shown after start."""
    lines = [l for l in out[start:].splitlines() if l.strip().startswith(key + " ")]
    return lines[-1] if lines else ""


def main():
    pvhost, module, resources, root = sys.argv[1:5]
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(os.path.join(root, "projects"))
    shutil.copytree(os.path.join(resources, "projects", "GEO"), os.path.join(root, "projects", "GEO"))
    shutil.copy(os.path.join(resources, "shapes", "PVSTRUCT.SHX"), root)
    with open(os.path.join(root, "asi.ini"), "w") as f:
        f.write("[ENVIRONMENTS]\nDB3=\n\n[DB3]\nDriver=pvdb3\nPETRIVEX=projects\nPETRIVEX.GEO=GEO\n\n"
                "[ASE_CATALOGS]\nGEO=projects\n\n[PETRIVEX_MISC]\nGEO.links=0\n")

    run(pvhost, module, resources, root, "edit", EDIT)
    rows = [dict(r) for r in dbfread.DBF(os.path.join(root, "projects", "GEO", "PVSYMBOL.DBF"))]
    mine = [r for r in rows if r["OWNERKIND"] == 2 and r["TABLENAME"].strip() == "STATN"
            and r["COLUMNNAME"].strip() == "NAME"]
    check(len(mine) == 1, "one setup of STATN.NAME in PVSYMBOL: %s" % rows)
    if mine:
        r = mine[0]
        want = {"SYMBOL": "STRIKE_DIP", "LIBRARY": "PVSTRUCT", "LAYER": "GEOL"}
        for k, v in want.items():
            check(r[k].strip() == v, "%s is %s: %r" % (k, v, r[k]))
        check(r["COLOR"] == 1, "COLOR 1: %r" % r["COLOR"])
        check(abs(r["SCALE"] - 2.5) < 1e-9, "SCALE 2.5: %r" % r["SCALE"])
        check(r["TEXTFLAG"] == 2, "TEXTFLAG 2: %r" % r["TEXTFLAG"])
        check(r["SYMFORM"] == 0, "SYMFORM 0 (shape): %r" % r["SYMFORM"])

    out = run(pvhost, module, resources, root, "show", SHOW)
    check("STATN.NAME" in out, "the picker lists STATN.NAME")
    at = out.find("sym_hdr ")
    check(at >= 0, "the symbol setup dialog was shown")
    check("STRIKE_DIP" in tile_line(out, "sym_name_chc", max(at, 0)), "the second logon shows STRIKE_DIP")
    check("GEOL" in tile_line(out, "sym_lay_chc", max(at, 0)), "the second logon shows GEOL")

    print("FAILED" if FAILURES else "PASSED")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
