#!/usr/bin/python3
"""Symbol libraries end to end: pvhost loads PVSTRUCT through the setup
dialog into a copy of the sample project GEO, saves the project's setup and
the drawing; ezdxf finds the library's shape-file style in the drawing,
dbfread the project's library setup in PVSYMBOL.DBF; a second run that only
logs on lists the library again.

  symlib_e2e.py PVHOST MODULE RESOURCES WORKDIR
"""
import os
import shutil
import sys

import dbfread
import ezdxf

from e2e_util import FAILURES, check, run_pvhost


LOAD = """(pv_open "GEO" "DB3" "" "")
pv-setup
pv_setup
pick symlib
pv_load_sym
set symname PVSTRUCT
pick load
show
pick exit
pick exit
pv-save
pv_yesno_small
ok
SAVE loaded.dxf
(pv_logoff)
QUIT
"""

LIST = """(pv_open "GEO" "DB3" "" "")
pv-setup
pv_setup
pick symlib
pv_load_sym
show
pick exit
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


def main():
    pvhost, module, resources, root = sys.argv[1:5]
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(os.path.join(root, "projects"))
    shutil.copytree(os.path.join(resources, "projects", "GEO"), os.path.join(root, "projects", "GEO"))
    shutil.copy(os.path.join(resources, "shapes", "PVSTRUCT.SHX"), root)
    with open(os.path.join(root, "asi.ini"), "w") as f:
        f.write("[ENVIRONMENTS]\nDB3=\n\n[DB3]\nDriver=pvdb3\nPETRIVEX=projects\nPETRIVEX.GEO=GEO\n\n"
                "[ASE_CATALOGS]\nGEO=projects\n\n[PETRIVEX_MISC]\nGEO.links=0\n")

    out = run(pvhost, module, resources, root, "load", LOAD)
    check('"PVSTRUCT loaded"' in out, "the dialog says the library was loaded")
    styles = [(s.dxf.name, s.dxf.flags, s.dxf.font) for s in ezdxf.readfile(os.path.join(root, "loaded.dxf")).styles]
    check(any(flags & 1 and os.path.splitext(os.path.basename(font))[0].upper() == "PVSTRUCT"
              for _, flags, font in styles), "a shape-file style of PVSTRUCT in %s" % styles)
    rows = [dict(r) for r in dbfread.DBF(os.path.join(root, "projects", "GEO", "PVSYMBOL.DBF"))]
    check(any(r["OWNERKIND"] == 6 and r["LIBRARY"].strip() == "PVSTRUCT" and r["TEXTFLAG"] == 2 for r in rows),
          "PVSYMBOL holds the library setup: %s" % rows)

    out = run(pvhost, module, resources, root, "list", LIST)
    at = out.find("symlist")
    check(at >= 0 and "PVSTRUCT" in out[at:out.find("symname", at)], "the second logon lists PVSTRUCT")

    print("FAILED" if FAILURES else "PASSED")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
