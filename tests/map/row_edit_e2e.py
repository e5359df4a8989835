#!/usr/bin/python3
"""pv-edit and pv-move end to end through pvhost on copies of the sample
project GEO; dbfread reads the table back, ezdxf makes and reads the
drawings.

  row_edit_e2e.py PVHOST MODULE RESOURCES WORKDIR

Editing: a TEXT linked to row 2 of STATN by NAME, picked at its insertion
point, is edited in the row editor to "Cache Creek Two": STATN.DBF holds
the name and the saved TEXT shows it in place with its link; a LINE
attached to the row by its id stays with its link. A TEXT linked
to a row that is no longer there gives the row error and changes nothing.

Moving: the same TEXT moved with the row's scope to a point 3 right and 4
up stands there in the saved drawing; a cancelled drag leaves it.
"""
import os
import shutil
import sys

import dbfread
import ezdxf

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_util import FAILURES, check, run_pvhost  # noqa: E402

# The link of the TEXT: GEO, STATN, row 2, column NAME.
LINK = [(1000, "GEO"), (1000, "STATN"), (1071, 2), (1000, "NAME"), (1000, "2"), (1000, "")]

# An object attached to row 2 by its id.
ATTACHED = [(1000, "GEO"), (1000, "STATN"), (1071, 2), (1000, "BASENUMBER"), (1000, "2"), (1000, "")]


def lines(path):
    """The link of every LINE of a saved drawing."""
    return [[(g.code, g.value) for g in e.get_xdata("PETRIVEX")] if e.has_xdata("PETRIVEX") else []
            for e in ezdxf.readfile(path).modelspace().query("LINE")]


def setup(resources, root, row_id=2):
    """A scratch copy of GEO, asi.ini and a drawing of one linked TEXT."""
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(os.path.join(root, "projects"))
    shutil.copytree(os.path.join(resources, "projects", "GEO"), os.path.join(root, "projects", "GEO"))
    shutil.copy(os.path.join(resources, "asi.ini"), os.path.join(root, "asi.ini"))
    doc = ezdxf.new("R2000")
    doc.appids.new("PETRIVEX")
    text = doc.modelspace().add_text("Cache Creek 2", dxfattribs={"height": 2.5, "insert": (10, 10)})
    link = list(LINK)
    link[2] = (1071, row_id)
    text.set_xdata("PETRIVEX", link)
    attached = doc.modelspace().add_line((12, 12), (14, 14))
    attached.set_xdata("PETRIVEX", ATTACHED)
    drawing = os.path.join(root, "texts.dxf")
    doc.saveas(drawing)
    return drawing


def texts(path):
    """(text, x, y, link) of every TEXT of a saved drawing."""
    out = []
    for t in ezdxf.readfile(path).modelspace().query("TEXT"):
        link = [(g.code, g.value) for g in t.get_xdata("PETRIVEX")] if t.has_xdata("PETRIVEX") else []
        out.append((t.dxf.text, t.dxf.insert[0], t.dxf.insert[1], link))
    return out


def names(root):
    return {int(r["BASENUMBER"]): r["NAME"].strip()
            for r in dbfread.DBF(os.path.join(root, "projects", "GEO", "STATN.DBF"))}


EDIT_SCRIPT = """(pv_open "GEO" "DB3" "" "")
pv-edit
10,10
pv_edit_col
select edit_list 2
set edit_col Cache Creek Two
ok
SAVE edited.dxf
(pv_logoff)
QUIT
"""


def edit_run(pvhost, module, resources, root):
    drawing = setup(resources, root)
    run_pvhost(pvhost, module, resources, root, EDIT_SCRIPT, drawing)
    check(names(root).get(2) == "Cache Creek Two", "edit: STATN row 2 holds the new name, %r" % names(root))
    got = texts(os.path.join(root, "edited.dxf"))
    want = [("Cache Creek Two", 10.0, 10.0, LINK)]
    check(got == want, "edit: the drawing holds %r, want %r" % (got, want))
    got = lines(os.path.join(root, "edited.dxf"))
    check(got == [ATTACHED], "edit: the attached LINE keeps its link, %r" % got)


GONE_SCRIPT = """(pv_open "GEO" "DB3" "" "")
pv-edit
10,10
SAVE gone.dxf
(pv_logoff)
QUIT
"""


def gone_run(pvhost, module, resources, root):
    drawing = setup(resources, root, row_id=9)
    out = run_pvhost(pvhost, module, resources, root, GONE_SCRIPT, drawing)
    check("Dialog: pv_edit_col" not in out, "gone row: no editor shown")
    check("-9805" in out or "not found" in out.lower(), "gone row: the row error is reported")
    check([t[0] for t in texts(os.path.join(root, "gone.dxf"))] == ["Cache Creek 2"], "gone row: the TEXT stays")


MOVE_SCRIPT = """(pv_open "GEO" "DB3" "" "")
pv-move
10,10
pv_ssget
set ss_row 1
ok
13,14
SAVE moved.dxf
pv-move
13,14
pv_ssget
set ss_row 1
ok

SAVE cancelled.dxf
(pv_logoff)
QUIT
"""


def move_run(pvhost, module, resources, root):
    drawing = setup(resources, root)
    before = names(root)
    run_pvhost(pvhost, module, resources, root, MOVE_SCRIPT, drawing)
    want = [("Cache Creek 2", 13.0, 14.0, LINK)]
    got = texts(os.path.join(root, "moved.dxf"))
    check(got == want, "move: the TEXT stands 3 right and 4 up, %r" % got)
    got = texts(os.path.join(root, "cancelled.dxf"))
    check(got == want, "move: a cancelled drag leaves the TEXT, %r" % got)
    check(names(root) == before, "move: STATN without a symbol column is not changed")
    check(lines(os.path.join(root, "moved.dxf")) == [ATTACHED], "move: the attached LINE stays linked")


def main():
    if len(sys.argv) != 5:
        raise SystemExit(__doc__)
    pvhost, module, resources, work = sys.argv[1:]
    edit_run(pvhost, module, resources, os.path.join(work, "edit"))
    gone_run(pvhost, module, resources, os.path.join(work, "gone"))
    move_run(pvhost, module, resources, os.path.join(work, "move"))
    if FAILURES:
        raise SystemExit("%d check(s) failed" % len(FAILURES))


if __name__ == "__main__":
    main()
