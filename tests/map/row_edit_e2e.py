#!/usr/bin/python3
"""pv-edit and pv-move end to end through pvhost on copies of the sample
project GEO; dbfread reads the table back, ezdxf makes and reads the
drawings.

  row_edit_e2e.py PVHOST MODULE RESOURCES WORKDIR [two-users] [--server PORT]

Editing: a TEXT linked to row 2 of STATN by NAME, picked at its insertion
point, is edited in the row editor to "Cache Creek Two": STATN.DBF holds
the name and the saved TEXT shows it in place with its link; a LINE
attached to the row by its id, and a LINE and a CIRCLE drawn by hand and
linked to its NAME, stay with their links. Emptying the
row's ROCKTYPE deletes the TEXT drawn for it. A TEXT linked
to a row that is no longer there gives the row error and changes nothing.

Moving with coordinates: with the map in "UTM 10 NAD27" (STATN's point
system) and NAME as the point setup's symbol column, the TEXTs of rows 2
and 3 (sharing a key value, each at its row's point) moved with the
table's scope 3 right and 4 up bring both rows' EASTING and NORTHING along; ELEV stays, also when the
TEXTs stand in the plan (elevation 0) and the move is picked there. With a unique
index on EASTING and a move that would give row 3 row 1's EASTING, row 3
cannot be updated: "Could not update table STATN" is shown, row 2 (written
first) gets its former coordinates back and both TEXTs return.

With the driver killed after the logon, a move says "Could not find a moved
row: the driver of DB3 ..." and both TEXTs return.

A move of a table of MOVE_ROWS rows killed (pvhost or its driver) at
several points: the next logon gives every row its former coordinates
back and says the move was undone, so STATN reads as before the move;
uncut, every row holds its new coordinates. A move stopped before its
first write while another user changes a row: the move names the row
and gives every row it wrote its former coordinates back. The logon after a move cut
short gives a row its former coordinates back only while it holds those
the move wrote: a row changed since keeps its values and is named; a mark
that cannot be read whole, or names a table, column or row GEO lacks, is
set aside as PVMOVE.MRK.BAD and named, and no row changes.

With --server only the killed move is run, on GEO put into the schema
"sgeo" of the PostgreSQL server listening on 127.0.0.1:PORT (the data
source PVTEST, user geologist).

With two-users, two users edit STATN row 2 in pv-edit at once
(TWO_USER_EDITS), on dBASE files or, with --server, on the server: the
one who saves last keeps the other's change to another column, and is
told of one to the same column, sees the row as it is now and makes the
change again.

Moving: the same TEXT moved with the row's scope to a point 3 right and 4
up stands there in the saved drawing; a cancelled drag leaves it.
"""
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import time

import dbf
import dbfread
import ezdxf

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_util import FAILURES, check, run_pvhost, run_pvhost_driver_killed, run_pvhost_killed  # noqa: E402
from e2e_tables import PVCOLUMN_FIELDS, children, seal_mark, second_user, table  # noqa: E402

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
    doc = ezdxf.readfile(drawing)
    doc.modelspace().add_line((20, 20), (24, 21)).set_xdata("PETRIVEX", LINK)
    doc.modelspace().add_circle((30, 30), 2).set_xdata("PETRIVEX", LINK)
    doc.saveas(drawing)
    run_pvhost(pvhost, module, resources, root, EDIT_SCRIPT, drawing)
    check(names(root).get(2) == "Cache Creek Two", "edit: STATN row 2 holds the new name, %r" % names(root))
    got = texts(os.path.join(root, "edited.dxf"))
    want = [("Cache Creek Two", 10.0, 10.0, LINK)]
    check(got == want, "edit: the drawing holds %r, want %r" % (got, want))
    got = lines(os.path.join(root, "edited.dxf"))
    check(sorted(got) == sorted([ATTACHED, LINK]),
          "edit: the attached LINE and the LINE drawn by hand for NAME keep their links, %r" % got)
    circles = [(tuple(c.dxf.center)[:2], [(g.code, g.value) for g in c.get_xdata("PETRIVEX")])
               for c in ezdxf.readfile(os.path.join(root, "edited.dxf")).modelspace().query("CIRCLE")]
    check(circles == [((30.0, 30.0), LINK)], "edit: the CIRCLE linked to NAME stays as it was, %r" % circles)


LOST_SCRIPT = """(pv_open "GEO" "DB3" "" "")
pv-edit
10,10
pv_edit_col
select edit_list 6
set edit_col
ok
SAVE lost.dxf
(pv_logoff)
QUIT
"""


def lost_run(pvhost, module, resources, root):
    drawing = setup(resources, root)
    doc = ezdxf.readfile(drawing)
    rock = doc.modelspace().add_text("Chert", dxfattribs={"height": 2.5, "insert": (10, 5)})
    rock.set_xdata("PETRIVEX", [(1000, "GEO"), (1000, "STATN"), (1071, 2), (1000, "ROCKTYPE"), (1000, "2"),
                                (1000, "")])
    doc.saveas(drawing)
    run_pvhost(pvhost, module, resources, root, LOST_SCRIPT, drawing)
    rocks = {int(r["BASENUMBER"]): r["ROCKTYPE"].strip()
             for r in dbfread.DBF(os.path.join(root, "projects", "GEO", "STATN.DBF"))}
    check(rocks.get(2) == "", "lost symbol: ROCKTYPE of row 2 emptied, %r" % rocks.get(2))
    got = [t[0].strip() for t in texts(os.path.join(root, "lost.dxf"))]
    check(got == ["Cache Creek 2"], "lost symbol: the ROCKTYPE TEXT is deleted, the name kept, %r" % got)
    check(lines(os.path.join(root, "lost.dxf")) == [ATTACHED], "lost symbol: the attached LINE stays")


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


def map_setup(resources, root, height=10.0, third=(615990, 5621130, 512.7), plan=False, project="GEO"):
    """A scratch GEO whose point setup names NAME as the symbol column and a
    drawing in "UTM 10 NAD27" with the TEXTs of rows 2 and 3 at their points."""
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(os.path.join(root, "projects"))
    for name in ("GEO", "Projections"):
        shutil.copytree(os.path.join(resources, "projects", name), os.path.join(root, "projects", name))
    shutil.copy(os.path.join(resources, "asi.ini"), os.path.join(root, "asi.ini"))
    table = dbf.Table(os.path.join(root, "projects", "GEO", "PVPOINT.DBF"))
    table.open(dbf.READ_WRITE)
    for rec in table:
        with rec:
            rec["symcolumn"] = "NAME"
    table.close()
    doc = ezdxf.new("R2000")
    doc.appids.new("PETRIVEX")
    block = doc.blocks.new_anonymous_block("U")
    for tag, value in (("NAME", "PETRIVEX_PARAMS"), ("PROJ", "UTM 10 NAD27"), ("SCALE", "1.000000"),
                       ("HEIGHT", "1.000000")):
        block.add_attdef(tag, (0, 0), value, dxfattribs={"prompt": tag, "flags": 13, "height": 1.0})
    doc.modelspace().add_blockref(block.name, (0, 0), dxfattribs={"layer": "0"})
    for row, point in ((2, (615980, 5621120.8, 478)), (3, third)):
        if plan:
            point = point[:2] + (0,)
        text = doc.modelspace().add_text("S%d" % row, dxfattribs={"height": height, "insert": point})
        text.set_xdata("PETRIVEX", [(1000, project), (1000, "STATN"), (1071, row), (1000, "NAME"), (1000, "2"),
                                    (1000, "")])
    drawing = os.path.join(root, "utm.dxf")
    doc.saveas(drawing)
    return drawing


MAP_MOVE_SCRIPT = """(pv_open "GEO" "DB3" "" "")
pv-move
615980,5621120.8
pv_ssget
set ss_table 1
ok
615983,5621124.8,478
SAVE moved.dxf
(pv_logoff)
QUIT
"""


def map_move_run(pvhost, module, resources, root, plan=False):
    # In the plan the TEXTs stand at elevation 0 and the move is picked in
    # the plan: ELEV stays all the same. Each TEXT stands at its row's point
    # (a row whose symbols show another point is not moved).
    drawing = map_setup(resources, root, height=200.0, third=(617402.3, 5623055.1, 512.7), plan=plan)
    script = MAP_MOVE_SCRIPT.replace("615983,5621124.8,478", "615983,5621124.8") if plan else MAP_MOVE_SCRIPT
    out = run_pvhost(pvhost, module, resources, root, script, drawing)
    check("Petrivex ERROR" not in out, "map move: no message")
    rows = {int(r["BASENUMBER"]): (r["EASTING"], r["NORTHING"], r["ELEV"])
            for r in dbfread.DBF(os.path.join(root, "projects", "GEO", "STATN.DBF"))}
    want = {2: (615983, 5621124.8, 478), 3: (617405.3, 5623059.1, 512.7)}
    for row, (x, y, z) in want.items():
        got = rows.get(row)
        check(got is not None and abs(got[0] - x) < 1e-6 and abs(got[1] - y) < 1e-6 and abs(got[2] - z) < 1e-6,
              "map move%s: row %d holds %r, want %r" % (" in the plan" if plan else "", row, got, (x, y, z)))
    check(rows.get(1) == (615230.5, 5620410, 455.2), "map move: row 1 not touched, %r" % (rows.get(1),))
    got = sorted((t[0], t[1], t[2]) for t in texts(os.path.join(root, "moved.dxf")))
    check(got == [("S2", 615983.0, 5621124.8), ("S3", 617405.3, 5623059.1)], "map move: TEXTs moved, %r" % got)


REFUSED_SCRIPT = MAP_MOVE_SCRIPT.replace("615983,5621124.8,478", "613808.2,5621120.8,478")


def refused_move_run(pvhost, module, resources, root):
    # Row 3's TEXT at its own point; the drag of -2171.8 in X would give it
    # row 1's EASTING, which the unique index refuses.
    drawing = map_setup(resources, root, height=200.0, third=(617402.3, 5623055.1, 512.7))
    with open(os.path.join(root, "projects", "GEO", "STATN.INI"), "w") as f:
        f.write("; indexes of table STATN\n[STATNEAST]\nUnique=1\nColumns=EASTING\n")
    before = {int(r["BASENUMBER"]): (r["EASTING"], r["NORTHING"], r["ELEV"])
              for r in dbfread.DBF(os.path.join(root, "projects", "GEO", "STATN.DBF"))}
    out = run_pvhost(pvhost, module, resources, root, REFUSED_SCRIPT, drawing)
    check("Could not update table STATN" in out, "refused move: the failed update is shown")
    after = {int(r["BASENUMBER"]): (r["EASTING"], r["NORTHING"], r["ELEV"])
             for r in dbfread.DBF(os.path.join(root, "projects", "GEO", "STATN.DBF"))}
    check(after == before, "refused move: every row keeps its coordinates, %r" % after)
    got = sorted((t[0], t[1], t[2]) for t in texts(os.path.join(root, "moved.dxf")))
    check(got == [("S2", 615980.0, 5621120.8), ("S3", 617402.3, 5623055.1)], "refused move: TEXTs back, %r" % got)


def ended_move_run(pvhost, module, resources, root):
    # The driver killed after the logon: the move says so and the TEXTs return.
    drawing = map_setup(resources, root)
    out = run_pvhost_driver_killed(pvhost, module, resources, root, "pv-move\n615980,5621120.8\nset ss_table 1\n"
                                   "ok\n615983,5621124.8,478\nSAVE moved.dxf\nQUIT\n", drawing)
    check("Could not find a moved row: the driver of DB3" in out, "ended move: the driver's end is shown")
    got = sorted((t[0], t[1], t[2]) for t in texts(os.path.join(root, "moved.dxf")))
    check(got == [("S2", 615980.0, 5621120.8), ("S3", 615990.0, 5621130.0)], "ended move: TEXTs back, %r" % got)


MOVE_ROWS = 1000   # stations of the table whose move is killed


def many_stations(resources, root, project="GEO"):
    """map_setup's GEO and drawing with STATN holding MOVE_ROWS stations, each
    with a TEXT at its point linked by NAME with one key value, as
    map_setup's, and tall enough that the window around the first one
    takes them all in the table's scope."""
    drawing = map_setup(resources, root, project=project)
    proj = os.path.join(root, "projects", "GEO")
    rows = [(n, n, "S%d" % n, 600000 + 10 * n, 5600000 + 7 * n, 100 + n, "Chert") for n in range(1, MOVE_ROWS + 1)]
    table = dbf.Table(os.path.join(proj, "STATN.DBF"))
    table.open(dbf.READ_WRITE)
    table.zap()
    for r in rows:
        table.append(r)
    table.close()
    doc = ezdxf.readfile(drawing)
    for t in doc.modelspace().query("TEXT"):
        doc.modelspace().delete_entity(t)
    for n, _, name, x, y, z, _ in rows:
        text = doc.modelspace().add_text(name, dxfattribs={"height": 20000.0, "insert": (x, y, z)})
        text.set_xdata("PETRIVEX", [(1000, project), (1000, "STATN"), (1071, n), (1000, "NAME"), (1000, "2"),
                                    (1000, "")])
    doc.saveas(drawing)
    return drawing


def stations(root):
    return [(int(r["BASENUMBER"]), r["EASTING"], r["NORTHING"], r["ELEV"], r["NAME"].strip())
            for r in dbfread.DBF(os.path.join(root, "projects", "GEO", "STATN.DBF"))]


MOVE_TABLE = MAP_MOVE_SCRIPT.replace("615980,5621120.8", "600010,5600007").replace("615983,5621124.8,478",
                                                                                  "600013,5600011,101")


def move_beside_writer_run(pvhost, module, resources, work):
    """many_stations' table moved, the move stopped (SIGSTOP) once its mark
    is written and a row it has not written yet changed by another user:
    the move, let go, says so, gives the rows it wrote their former
    coordinates back and leaves the other user's change."""
    root = os.path.join(work, "move_beside")
    drawing = many_stations(resources, root)
    before = stations(root)
    with open(os.path.join(root, "run.scr"), "w") as f:
        f.write(MOVE_TABLE)
    env = dict(os.environ, ASI_INI=os.path.join(root, "asi.ini"), HOME=root, XDG_DATA_HOME=os.path.join(root, "data"))
    p = subprocess.Popen([pvhost, "--script", "run.scr", "--module", module, "--resources", resources, "--drawing",
                          drawing], cwd=root, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    # Stopped while it writes its mark (PVMOVE.MRKN, renamed into place
    # when whole), after it has read every row and before it writes one.
    mark = os.path.join(root, "projects", "GEO", "PVMOVE.MRK")
    while p.poll() is None and not os.path.exists(mark + "N") and not os.path.exists(mark):
        time.sleep(0.002)
    os.kill(p.pid, signal.SIGSTOP)
    unwritten = [r[0] for r, b in zip(stations(root), before) if r == b]
    if unwritten:
        set_coordinates(root, {unwritten[-1]: (1.0, 2.0)})
    os.kill(p.pid, signal.SIGCONT)
    out = p.communicate(timeout=120)[0]
    if not unwritten:
        print("the move had written every row when it was stopped: nothing to check")
        return
    want = [(n, 1.0, 2.0, z, name) if n == unwritten[-1] else (n, x, y, z, name) for n, x, y, z, name in before]
    check(stations(root) == want, "beside a writer: every row as before but row %d, which keeps its change" %
          unwritten[-1])
    check("Could not update table STATN: STATN row %d was changed meanwhile" % unwritten[-1] in out,
          "beside a writer: the move names the row changed meanwhile: %s" % out[-600:])
    check(not os.path.exists(mark), "beside a writer: the move's mark is removed")


# A mark of a move of rows 2 and 3 of STATN cut short after both were
# written: their former EASTING and NORTHING and those the move wrote.
MARK = ("PVMOVE\n"
        "R\tSTATN\t2\tNAME\t2\t\nC\tEASTING\t615980.000000\t615983.000000\nC\tNORTHING\t5621120.8\t5621124.8\n"
        "R\tSTATN\t3\tNAME\t2\t\nC\tEASTING\t617402.3\t617405.3\nC\tNORTHING\t5623055.1\t5623059.1\n"
        "END\n")
FORMER = {2: (615980, 5621120.8), 3: (617402.3, 5623055.1)}
MOVED = {2: (615983, 5621124.8), 3: (617405.3, 5623059.1)}
# A mark that cannot be used changes no row: (what is wrong, the mark,
# what the logon names).
SEALED = seal_mark(MARK)
BAD_MARKS = [
    ("empty", "", "it is empty"),
    ("wrong head", seal_mark(MARK.replace("PVMOVE", "PVMERGE", 1)), "it is not a move's mark"),
    ("truncated line", SEALED[:SEALED.index("5623059.1")], "its end is missing"),
    ("bad escape", seal_mark(MARK.replace("NAME\t2\t\n", "NAME\t%2\t\n", 1)), "its line 2 cannot be read"),
    ("unknown table", seal_mark(MARK.replace("R\tSTATN\t3", "R\tSTATX\t3")),
     "STATX is not a registered table of project GEO"),
    ("unknown key column", seal_mark(MARK.replace("3\tNAME", "3\tNAMX")), "NAMX is not a column of table STATN"),
    ("row that names no row", seal_mark(MARK.replace("R\tSTATN\t3", "R\tSTATN\t9")), "STATN row 9 is not there"),
    # Damaged so that it still reads: row 3's former easting made 999999.
    ("former value changed", SEALED.replace("617402.3\t", "999999\t"), "its line 6 fails its check"),
    ("former value changed, without checks", MARK.replace("617402.3\t", "999999\t"), "its line 1 has no check"),
]


def coordinates(root):
    return {int(r["BASENUMBER"]): (r["EASTING"], r["NORTHING"])
            for r in dbfread.DBF(os.path.join(root, "projects", "GEO", "STATN.DBF"))}


def set_coordinates(root, points):
    table = dbf.Table(os.path.join(root, "projects", "GEO", "STATN.DBF"))
    table.open(dbf.READ_WRITE)
    for rec in table:
        if int(rec["basenumber"]) in points:
            with rec:
                rec["easting"], rec["northing"] = points[int(rec["basenumber"])]
    table.close()


def mark_recovery_run(pvhost, module, resources, work):
    """The logon after a move cut short (rows 2 and 3 moved, then row 3
    changed by another user, or a mark that cannot be used): a bad mark is
    set aside as PVMOVE.MRK.BAD, named, and no row changed; a good one gives row 2 its
    former coordinates back and leaves row 3, changed since, named."""
    changed = {2: MOVED[2], 3: (617000.0, 5623059.1)}
    cases = [(what, body, why, MOVED, MOVED, True) for what, body, why in BAD_MARKS]
    cases.append(("row changed since", SEALED, "it is undone, but these rows were changed since and keep "
                  "their values: STATN row 3.", changed, {2: FORMER[2], 3: changed[3]}, False))
    for what, body, why, start, want, kept in cases:
        root = os.path.join(work, "mark")
        setup(resources, root)
        set_coordinates(root, start)
        mark = os.path.join(root, "projects", "GEO", "PVMOVE.MRK")
        with open(mark, "w") as f:
            f.write(body)
        out = run_pvhost(pvhost, module, resources, root,
                         '(pv_open "GEO" "DB3" "" "")\npv_alert_wrap\nshow\nok\n(pv_logoff)\nQUIT\n')
        got = coordinates(root)
        check(all(got[n] == want[n] for n in want), "%s: rows 2 and 3 hold %r, want %r" % (what, got, want))
        # The alert's lines as the wrapping dialog shows them, without blanks.
        shown = "".join(re.findall(r"^\s+\d+: (.*)$", out, re.M)).replace(" ", "")
        check(why.replace(" ", "") in shown, "%s: the logon says %r: %s" % (what, why, out[-600:]))
        # A mark the logon cannot use is set aside beside its name, so that
        # the next move runs; one it used is removed.
        check(not os.path.exists(mark), "%s: the mark is left in the way" % what)
        check(os.path.exists(mark + ".BAD") == kept,
              "%s: the mark is %s" % (what, "not set aside" if kept else "set aside"))


SERVER_INI = """[ENVIRONMENTS]
DB3=
ODBC=

[DB3]
Driver=pvdb3
PETRIVEX=projects
PETRIVEX.Projections=Projections
PETRIVEX.GEO=GEO

[ODBC]
Driver=pvodbc
PETRIVEX=PVTEST
PETRIVEX.SGEO=sgeo

[PETRIVEX_MISC]
Projections.links=0
GEO.links=0
SGEO.links=0
"""
SERVER_LOGON = '(pv_open "SGEO" "ODBC" "geologist" "rock")\n'
# Kills of a move on the server project.
SERVER_TRIALS = 4


def psql(port, sql, f=None):
    """Runs a statement, or the file f, on the server's database petrivex."""
    cmd = ["psql", "-X", "-q", "-At", "-h", "127.0.0.1", "-p", port, "-U", "geologist", "-d", "petrivex"]
    cmd += ["-v", "ON_ERROR_STOP=1", "-f", f] if f else ["-c", sql]
    r = subprocess.run(cmd, env=dict(os.environ, PGPASSWORD="rock", PGOPTIONS="--client-min-messages=warning"),
                       capture_output=True, text=True, timeout=60)
    check(r.returncode == 0, "psql %s: %s" % (f or sql, r.stderr))
    return r.stdout


def on_server(root, port):
    """root's asi.ini names the server's environment, and GEO of root's
    projects is put into the server's schema "sgeo" anew; answers the file
    of statements that put it there, to run again for a fresh copy."""
    with open(os.path.join(root, "asi.ini"), "w") as f:
        f.write(SERVER_INI)
    sql = os.path.join(root, "sgeo.sql")
    subprocess.run([sys.executable, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "drivers",
                    "pg_load_project.py"), os.path.join(root, "projects", "GEO"), "sgeo", sql], check=True, timeout=60)
    psql(port, None, sql)
    return sql


def server_stations(port):
    """stations' tuples of the server's STATN."""
    out = psql(port, "SELECT BASENUMBER, EASTING, NORTHING, ELEV, NAME FROM sgeo.statn ORDER BY BASENUMBER")
    return [(int(n), float(x), float(y), float(z), name.strip())
            for n, x, y, z, name in (line.split("|") for line in out.splitlines())]


def move_killed_run(pvhost, module, resources, work, port=None):
    """many_stations' table moved uncut, then killed (pvhost or, on dBASE
    files, its driver) at several points after the move's first write:
    after the next logon every row is as before. With port the project is
    GEO put into the schema "sgeo" of the server (SGEO)."""
    server = port is not None
    project = "SGEO" if server else "GEO"
    root = os.path.join(work, "move_server" if server else "move_killed")
    logon = SERVER_LOGON if server else '(pv_open "GEO" "DB3" "" "")\n'
    script = MOVE_TABLE.replace('(pv_open "GEO" "DB3" "" "")\n', logon)
    drawing = many_stations(resources, root, project)
    sql = on_server(root, port) if server else None

    def rows():
        return server_stations(port) if server else stations(root)

    before = rows()
    moved = [(n, x + 3, y + 4, z, name) for n, x, y, z, name in before]
    start = time.time()
    run_pvhost(pvhost, module, resources, root, script, drawing)
    span = time.time() - start
    check(rows() == moved, "%s: an uncut move of the table moves every row" % project)
    # The kill comes after the first write: to STATN.DBF, or on a server of
    # the mark into the project's table of marks.
    projects = os.path.join(root, "projects")

    def marked():
        return psql(port, "SELECT count(*) FROM sgeo.pvmark WHERE name = 'PVMOVE.MRK'").strip() not in ("", "0") \
            if psql(port, "SELECT to_regclass('sgeo.pvmark') IS NOT NULL").strip() == "t" else False
    watched = marked if server else [os.path.join(projects, "GEO", "STATN.DBF")]
    trials = SERVER_TRIALS if server else 8
    for trial in range(trials):
        if server:
            psql(port, None, sql)
        else:
            drawing = many_stations(resources, root)
        # The kill comes a little later each time after the first row is written.
        driver_only = not server and trial % 2 == 1
        run_pvhost_killed(pvhost, module, resources, root, script, drawing, watched, span * trial / 12, driver_only)
        what = "%s trial %d (%s killed)" % (project, trial, "driver" if driver_only else "pvhost")
        cut = rows()
        out = run_pvhost(pvhost, module, resources, root, logon + "(pv_logoff)\nQUIT\n")
        after = rows()
        print("%s: %d of %d rows were moved when killed" % (what, sum(a != b for a, b in zip(cut, before)), len(cut)))
        check(after == before or (after == moved and cut == moved),
              "%s: after the next logon every row is as before (%d of %d rows were moved)" %
              (what, sum(a != b for a, b in zip(cut, before)), len(before)))
        if cut != before and cut != moved:
            check("A move of %d rows of project %s was cut short; it is undone" % (MOVE_ROWS, project) in out,
                  "%s: the logon says the move was undone" % what)


class User:
    """A user of the project in a pvhost of its own (second_user) that
    answers from a pipe: what it says, and its screen read as it goes."""

    def __init__(self, args, root, logon):
        self.p = second_user(args, root, logon)
        self.screen = ""

    def say(self, lines, done, seconds=60):
        """Gives the lines and reads the screen until done(screen) holds
        (pvhost shows all it has before it reads an answer); answers
        whether it did."""
        self.p.stdin.write(lines)
        self.p.stdin.flush()
        fd, deadline = self.p.stdout.fileno(), time.monotonic() + seconds
        while not done(self.screen) and time.monotonic() < deadline:
            if select.select([fd], [], [], 0.5)[0]:
                chunk = os.read(fd, 65536)
                if not chunk:
                    break
                self.screen += chunk.decode("cp1252", "replace")
        return done(self.screen)

    def prompts(self, name):
        return self.screen.count(name + "> ")

    def end(self):
        try:
            self.p.communicate("(pv_logoff)\nQUIT\n", timeout=60)
        except subprocess.TimeoutExpired:
            self.p.kill()
            self.p.communicate()


# One user edits a column of STATN row 2 in pv-edit and saves while the
# other has the row open and then changes a column of it: (what, the
# first user's column (its place in the editor's list) and value, the
# second user's, the row's NAME and ROCKTYPE at the end, whether the
# second user is told). Told, the second user sees the row as it is now
# and makes the change again.
TWO_USER_EDITS = [
    ("another column kept", (6, "Basalt"), (2, "Cache Creek A"), ("Cache Creek A", "Basalt"), False),
    ("the same column told", (2, "Cache Creek B"), (2, "Cache Creek A"), ("Cache Creek A", "Chert"), True),
]


def edit_answers(column, value):
    return "select edit_list %d\nset edit_col %s\n" % (column, value)


def two_users_root(resources, work, name, port, memo=False, tables=()):
    """A scratch GEO (on the server, put into "sgeo"), with memo its
    ROCKTYPE a memo column, with more tables (file, fields, rows), and a
    drawing of one TEXT linked to STATN row 2 by NAME; answers (root,
    logon, the row's NAME and ROCKTYPE as a function)."""
    root = os.path.join(work, name)
    setup(resources, root)
    if memo:
        table(os.path.join(root, "projects", "GEO", "PVCOLUMN.DBF"), PVCOLUMN_FIELDS,
              [("ROCKTYPE", "STATN", "", "", MEMO_RULE, 0, 0, 0, " ", "", 0, 0)])
    for file, fields, rows in tables:
        table(os.path.join(root, "projects", "GEO", file), fields, rows)
    project = "SGEO" if port else "GEO"
    doc = ezdxf.readfile(os.path.join(root, "texts.dxf"))
    for e in doc.modelspace():
        link = [(g.code, g.value) for g in e.get_xdata("PETRIVEX")]
        e.set_xdata("PETRIVEX", [(1000, project)] + link[1:])
    doc.saveas(os.path.join(root, "texts.dxf"))
    if not port:
        def row():
            r = [r for r in dbfread.DBF(os.path.join(root, "projects", "GEO", "STATN.DBF")) if r["BASENUMBER"] == 2]
            return r[0]["NAME"].strip(), r[0]["ROCKTYPE"].strip()
        return root, '(pv_open "GEO" "DB3" "" "")\n', row
    on_server(root, port)

    def server_row():
        name, rock = psql(port, "SELECT NAME, ROCKTYPE FROM sgeo.statn WHERE BASENUMBER = 2").strip().split("|")
        return name.strip(), rock.strip()
    return root, SERVER_LOGON, server_row


def two_users_run(pvhost, module, resources, work, port=None):
    """TWO_USER_EDITS on dBASE files, or with port on the server."""
    args = (pvhost, module, resources)
    road = "server" if port else "dBASE"
    for what, first, second, want, told in TWO_USER_EDITS:
        root, logon, row = two_users_root(resources, work, "two_users", port)
        what = "%s (%s)" % (what, road)
        other = User(args, root, "OPEN texts.dxf\n" + logon)
        # The second user has the row open and has typed the change.
        opened = other.say("pv-edit\n10,10\n" + edit_answers(*second), lambda s: s.count("pv_edit_col> ") >= 3)
        check(opened, "%s: the second user's editor is open: %s" % (what, other.screen[-600:]))
        run_pvhost(pvhost, module, resources, root,
                   logon + "pv-edit\n10,10\npv_edit_col\n" + edit_answers(*first) + "ok\n(pv_logoff)\nQUIT\n",
                   os.path.join(root, "texts.dxf"))
        seen = other.prompts("pv_edit_col")
        other.say("ok\n", lambda s: s.count("pv_edit_col> ") > seen or s.endswith("Command: "))
        said = "Changed by another user meanwhile: NAME" in other.screen
        check(said == told, "%s: the second user is %s: %s" % (what, "told" if told else "not told",
                                                               other.screen[-800:]))
        if said:
            check(other.say("show\n", lambda s: s.count("pv_edit_col> ") > seen + 1) and
                  "Cache Creek B" in other.screen.split("Changed by another user", 1)[1],
                  "%s: the second user sees the row as it is now: %s" % (what, other.screen[-1500:]))
            other.say(edit_answers(*second) + "ok\n", lambda s: s.endswith("Command: "))
        other.end()
        check(row() == want, "%s: the row holds %r, want %r" % (what, row(), want))


# The input rule of an editable memo column.
MEMO_RULE = 0x201


def memo_lines(root, port):
    """The memo lines of STATN row 2, in order."""
    if port:
        out = psql(port, "SELECT MEMOTEXT FROM sgeo.statnmem WHERE BASENUMBER = 2 ORDER BY ORDNUMBER")
        return [line.strip() for line in out.splitlines()]
    path = os.path.join(root, "projects", "GEO", "STATNMEM.DBF")
    return [r["MEMOTEXT"].strip() for r in sorted(dbfread.DBF(path), key=lambda r: r["ORDNUMBER"])
            if r["BASENUMBER"] == 2]


def two_users_memo_run(pvhost, module, resources, work, port=None):
    """The memo of STATN row 2 open in one user's memo editor, a line typed,
    while the other user adds a line and saves it with the row: the first user's save is
    told that the memo changed, shows it as it is now, and the line typed
    again is saved beside the other user's."""
    root, logon, _ = two_users_root(resources, work, "two_users_memo", port, memo=True)
    what = "memo (%s)" % ("server" if port else "dBASE")
    other = User((pvhost, module, resources), root, "OPEN texts.dxf\n" + logon)
    opened = other.say("pv-edit\n10,10\nselect edit_list 6\npick memo\nset pv_memo_line Line of A\n"
                       "pick insert\n", lambda s: s.count("pv_edit_memo> ") >= 3)
    check(opened, "%s: the memo editor is open: %s" % (what, other.screen[-600:]))
    run_pvhost(pvhost, module, resources, root,
               logon + "pv-edit\n10,10\npv_edit_col\nselect edit_list 6\npick memo\npv_edit_memo\n"
               "set pv_memo_line Line of B\npick insert\nok\nok\n(pv_logoff)\nQUIT\n",
               os.path.join(root, "texts.dxf"))
    other.say("ok\n", lambda s: s.count("pv_edit_memo> ") > 3 or s.endswith("pv_edit_col> "))
    check("The memo was changed by another user since it was opened" in other.screen,
          "%s: the first user is told: %s" % (what, other.screen[-800:]))
    check(memo_lines(root, port) == ["Line of B"], "%s: nothing is written over: %r" % (what, memo_lines(root, port)))
    seen = other.prompts("pv_edit_memo")
    other.say("show\n", lambda s: s.count("pv_edit_memo> ") > seen)
    shown = other.screen.split("changed by another user", 1)[-1]
    check("Line of B" in shown and "Line of A" not in shown,
          "%s: the memo is shown as it is now: %s" % (what, shown[-1500:]))
    other.say("set pv_memo_line Line of A\npick insert\nok\nok\n", lambda s: s.endswith("Command: "))
    other.end()
    check(memo_lines(root, port) == ["Line of A", "Line of B"],
          "%s: both lines are kept: %r" % (what, memo_lines(root, port)))


# pv-edit of STATN row 2's NAME and its memo (two lines in place of two),
# held (PV_HOLD_AT) between the row and its lines or among the lines, then
# pvhost killed there, or its driver killed and pvhost let go on.
MEMO_EDIT_CUTS = (("memo-row", False), ("memo-line", False), ("memo-line", True))


def memo_edit(lines, name=None):
    """pv-edit answers giving STATN row 2 those memo lines added (and that
    NAME), then OK."""
    return ("pv-edit\n10,10\npv_edit_col\n" + (edit_answers(2, name) if name else "") +
            "select edit_list 6\npick memo\npv_edit_memo\n" +
            "".join("set pv_memo_line %s\npick insert\n" % line for line in lines) + "ok\nok\n")


def memo_edit_killed_run(pvhost, module, resources, work, port=None):
    """MEMO_EDIT_CUTS: the next logon leaves the row with its new NAME and
    all its new lines, as an uncut edit does, and says so."""
    args = (pvhost, module, resources)
    road = "server" if port else "dBASE"
    drawing = "OPEN texts.dxf\n"
    whole = None
    for moment, driver in ((None, False),) + MEMO_EDIT_CUTS:
        root, logon, row = two_users_root(resources, work, "memo_edit_killed", port, memo=True)
        run_pvhost(*args, root, logon + memo_edit(["Old one", "Old two"]) + "(pv_logoff)\nQUIT\n",
                   os.path.join(root, "texts.dxf"))
        script = drawing + logon + memo_edit(["New one", "New two"], "Cut Name") + "(pv_logoff)\nQUIT\n"
        if moment is None:
            ended_user(root, "editor", started_user(args, root, "editor", script))
            whole = (row()[0], memo_lines(root, port))
            check(whole == ("Cut Name", ["New one", "New two", "Old one", "Old two"]),
                  "memo edit (%s): an uncut edit writes the row and its lines: %r" % (road, whole))
            continue
        what = "memo edit (%s) cut at %s, %s killed" % (road, moment, "its driver" if driver else "pvhost")
        p = started_user(args, root, "editor", script, {"PV_HOLD_AT": moment})
        held = os.WIFSTOPPED(os.waitpid(p.pid, os.WUNTRACED)[1])
        check(held, "%s: the edit is held" % what)
        if not held:
            p.wait(timeout=120)
            continue
        for pid in children(p.pid, "pvodbc" if port else "pvdb3") if driver else [p.pid]:
            os.kill(pid, signal.SIGKILL)
        if driver:
            os.kill(p.pid, signal.SIGCONT)
        p.wait(timeout=120)
        out = run_pvhost(*args, root, logon + "(pv_logoff)\nQUIT\n")
        check((row()[0], memo_lines(root, port)) == whole and
              "The change of STATN row 2 and its memo was cut short; its memo lines were written now." in out,
              "%s: the next logon gives the row all its new lines: %r %s" %
              (what, (row()[0], memo_lines(root, port)), out[-800:]))


def memo_station(name, stn):
    """pv-add answers adding station stn named name with the memo line
    "Line of <name>" (ROCKTYPE, a memo column of two_users_root's memo GEO)."""
    return ("pv-add\npv_add_tbl\nselect edit_list 1\nset edit_col %d\nselect edit_list 2\nset edit_col %s\n"
            "select edit_list 3\nset edit_col 600000\nselect edit_list 4\nset edit_col 5600000\nselect edit_list 6\n"
            "pick memo\npv_edit_memo\nset pv_memo_line Line of %s\npick insert\nok\nok\npv_add_tbl\ncancel\n"
            % (stn, name, name))


def memo_by_name(root, port):
    """{station name: its memo lines in order} of every STATN row with lines."""
    if port:
        out = psql(port, "SELECT s.NAME, m.MEMOTEXT FROM sgeo.statn s JOIN sgeo.statnmem m ON m.BASENUMBER = "
                   "s.BASENUMBER ORDER BY s.NAME, m.ORDNUMBER")
        pairs = [line.split("|") for line in out.splitlines()]
    else:
        geo = os.path.join(root, "projects", "GEO")
        names = {r["BASENUMBER"]: r["NAME"] for r in dbfread.DBF(os.path.join(geo, "STATN.DBF"))}
        lines = sorted(dbfread.DBF(os.path.join(geo, "STATNMEM.DBF")), key=lambda r: r["ORDNUMBER"])
        pairs = [(names.get(r["BASENUMBER"], "?"), r["MEMOTEXT"]) for r in lines]
    out = {}
    for name, text in pairs:
        out.setdefault(name.strip(), []).append(text.strip())
    return out


def started_user(args, root, home, script, env=None):
    """pvhost (args: program, module, resources) running script in root as
    a user of its own (home and data folder root/home), its output into
    home/out.txt, with env added to its environment."""
    home = os.path.join(root, home)
    os.makedirs(home, exist_ok=True)
    with open(os.path.join(home, "run.scr"), "w") as f:
        f.write(script)
    environ = dict(os.environ, ASI_INI=os.path.join(root, "asi.ini"), HOME=home,
                   XDG_DATA_HOME=os.path.join(home, "data"), **(env or {}))
    with open(os.path.join(home, "out.txt"), "w") as out:
        return subprocess.Popen([args[0], "--script", os.path.join(home, "run.scr"), "--module", args[1],
                                 "--resources", args[2]], cwd=root, env=environ, stdout=out, stderr=subprocess.STDOUT)


def ended_user(root, home, p):
    """The output of a user started with started_user, once it has ended."""
    p.wait(timeout=120)
    with open(os.path.join(root, home, "out.txt"), encoding="cp1252", errors="replace") as f:
        return f.read()


# The first memo lines of STATN, its side table not there yet: the users
# held (PV_HOLD_AT) between finding no side table and making it, or (on
# dBASE files) between making the fresh mark of their row and locking it,
# each adding a station with a memo line; and the user whose add runs
# whole meanwhile, whose logon says once that STATN is being written by
# those holding marks.
HELD_USERS = (("Held1", "memo-create"), ("Held2", "memo-create"), ("Fresh", "mark-fresh"))
FREE_USER = "Free"


def first_memo_lines_run(pvhost, module, resources, work, port=None):
    """HELD_USERS stopped with their rows in and their lines not, STATNMEM
    missing; FREE_USER logs on, adds its station with its line (making
    STATNMEM) and logs off; the held users go on: every line is kept, each
    on its own row, and nothing is refused."""
    args = (pvhost, module, resources)
    root, logon, _ = two_users_root(resources, work, "first_memo", port, memo=True)
    road = "server" if port else "dBASE"
    # A server project's marks are rows, made under the server's lock.
    users = [(name, moment) for name, moment in HELD_USERS if not (port and moment == "mark-fresh")]
    held = []
    for k, (name, moment) in enumerate(users):
        p = started_user(args, root, name, logon + memo_station(name, 9001 + k) + "(pv_logoff)\nQUIT\n",
                         {"PV_HOLD_AT": moment})
        _, status = os.waitpid(p.pid, os.WUNTRACED)
        check(os.WIFSTOPPED(status), "first memo lines (%s): %s is held at %s" % (road, name, moment))
        held.append(p)
    free = started_user(args, root, FREE_USER, logon + memo_station(FREE_USER, 9009) + "(pv_logoff)\nQUIT\n")
    said = ended_user(root, FREE_USER, free)
    for p in held:
        os.kill(p.pid, signal.SIGCONT)
    outs = [ended_user(root, name, p) for (name, _), p in zip(users, held)]
    names = [name for name, _ in users] + [FREE_USER]
    want = {name: ["Line of " + name] for name in names}
    got = memo_by_name(root, port)
    check(got == want, "first memo lines (%s): every line kept on its row: %r" % (road, got))
    for name, out in zip(names, outs + [said]):
        check("Could not add" not in out and "cannot be added" not in out,
              "first memo lines (%s): %s's row is not refused: %s" % (road, name, out[-1500:]))
    # A server mark names its command; a dBASE one what it is.
    marked = len([1 for _, moment in users if moment == "memo-create"])
    busy = "Table STATN is being written by %s in %d other sessions." % (
        "pv-add" if port else "a writer of rows with memo lines", marked)
    check(busy in said and said.count("being written") == 1,
          "first memo lines (%s): the logon beside the held users says once %r: %s" % (road, busy, said[-1500:]))


# Side tables a psql session makes in a transaction it holds open while a
# user adds a station with a memo line: the user's own CREATE of one waits
# for that transaction, and the server refuses it with a duplicate key in
# its type catalogue once the transaction is in.
AT_ONCE = [
    ("STATNMEM", "CREATE TABLE sgeo.statnmem (BASENUMBER INTEGER, ORDNUMBER INTEGER, MEMOTEXT CHAR(70))"),
]


def psql_held(port):
    """A psql session on the server answering from a pipe."""
    cmd = ["psql", "-X", "-q", "-At", "-h", "127.0.0.1", "-p", port, "-U", "geologist", "-d", "petrivex"]
    return subprocess.Popen(cmd, env=dict(os.environ, PGPASSWORD="rock", PGOPTIONS="--client-min-messages=warning"),
                            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)


def creates_at_once_run(pvhost, module, resources, work, port):
    """Each of AT_ONCE made by another session at the same moment as the
    user's add makes it: the table is taken as there and used, the row
    and its line go in."""
    args = (pvhost, module, resources)
    for table_name, create in AT_ONCE:
        root, logon, _ = two_users_root(resources, work, "at_once", port, memo=True)
        other = psql_held(port)
        other.stdin.write("BEGIN;\n%s;\nSELECT 'made';\n" % create)
        other.stdin.flush()
        other.stdout.readline()
        user = started_user(args, root, "adds", logon + memo_station("AtOnce", 9001) + "(pv_logoff)\nQUIT\n")
        # The user's CREATE waits for the open transaction.
        deadline = time.monotonic() + 60
        while user.poll() is None and time.monotonic() < deadline and \
                psql(port, "SELECT count(*) FROM pg_locks WHERE NOT granted").strip() == "0":
            time.sleep(0.01)
        waited = user.poll() is None
        other.communicate("COMMIT;\n", timeout=60)
        out = ended_user(root, "adds", user)
        check(waited, "%s made at once: the user's CREATE waited for the other session" % table_name)
        check("Could not add" not in out and memo_by_name(root, port) == {"AtOnce": ["Line of AtOnce"]},
              "%s made at once: the row and its line go in: %r %s" % (table_name, memo_by_name(root, port),
                                                                      out[-1500:]))


def edited_meanwhile(args, root, logon, value, column=2):
    """Another user (a pvhost run of its own) gives STATN row 2 that value
    of the column at that place in the editor's list (NAME) in pv-edit."""
    run_pvhost(*args, root, logon + "pv-edit\n10,10\npv_edit_col\n" + edit_answers(column, value) +
               "ok\n(pv_logoff)\nQUIT\n", os.path.join(root, "texts.dxf"))


def names_now(root, port):
    """{BASENUMBER: NAME} of every STATN row."""
    if port:
        return {int(float(n)): name.strip() for n, name in
                (line.split("|") for line in psql(port, "SELECT BASENUMBER, NAME FROM sgeo.statn").splitlines())}
    return names(root)


def deleted_meanwhile(root, number):
    """Another user deletes STATN row number."""
    t = dbf.Table(os.path.join(root, "projects", "GEO", "STATN.DBF"))
    t.open(dbf.READ_WRITE)
    for r in t:
        if int(r["basenumber"]) == number:
            dbf.delete(r)
    t.close()


# Every STATN row in one user's browser; meanwhile the other user gives row
# 2 another NAME or ROCKTYPE (its place in the editor's list, the value),
# and deletes a row; then the first replaces NAME with a value or the
# column ROCKTYPE in all rows: (what, the other user's edit, the row it
# deletes, the typed value, NAME of each row at the end, the rows counted,
# the rows named).
REPLACES = [
    ("a value over a NAME changed", (2, "Cache Creek B"), None, "Same",
     {1: "Same", 2: "Cache Creek B", 3: "Same", 4: "Same", 5: "Same"}, 4, "STATN row 2"),
    ("ROCKTYPE's value after a ROCKTYPE changed and a row deleted", (6, "B-rock"), 3, "ROCKTYPE",
     {1: "Limestone", 2: "B-rock", 4: "Sandstone", 5: "Marble"}, 4, None),
]


def replace_beside_edit_run(pvhost, module, resources, work):
    """REPLACES: a row whose NAME another user changed keeps it and is
    named; a column's value is the one each row holds when written; the
    count is the rows changed. (The browser replaces only in dBASE
    projects.)"""
    args = (pvhost, module, resources)
    for what, edit, deleted, value, want, count, named in REPLACES:
        root, logon, _ = two_users_root(resources, work, "replace", None)
        user = User(args, root, logon)
        opened = user.say("pv-query\nselect output 0 1 2 3 4 5 6\npick query\nok\n",
                          lambda s: s.endswith("pv_table_large> "))
        check(opened, "replace, %s: the browser is open: %s" % (what, user.screen[-600:]))
        edited_meanwhile(args, root, logon, edit[1], edit[0])
        if deleted:
            deleted_meanwhile(root, deleted)
        user.say("pick modall\nselect column 2\nset edit_value %s\nok\nok\nok\n" % value,
                 lambda s: s.endswith("Command: "))
        user.end()
        check(names(root) == want, "replace, %s: %r" % (what, names(root)))
        check("Replaced NAME with %s in %d rows." % (value, count) in user.screen,
              "replace, %s: %d rows counted: %s" % (what, count, user.screen[-800:]))
        check(("these keep their values: %s." % named in user.screen) if named else "keep their values" not in
              user.screen, "replace, %s: %s named: %s" % (what, named, user.screen[-800:]))


def update_beside_edit_run(pvhost, module, resources, work, port=None):
    """A user's import updating NAME of station 2 from a file, held after it
    found the row; meanwhile the other user gives the row another ROCKTYPE:
    the import writes NAME only, and ROCKTYPE keeps the other user's value."""
    args = (pvhost, module, resources)
    road = "server" if port else "dBASE"
    root, logon, row = two_users_root(resources, work, "update_beside", port)
    with open(os.path.join(root, "upd.txt"), "w") as f:
        f.write("2,Updated Two\n")
    script = (logon + "pv-import\npv_import\nset imp_fname upd.txt\npick imp_text\npick import\npv_importxt\n"
              "select txt_table 0\nset txt_coldel ,\nset txt_txtdel \"\npick txt_update\nselect txt_output 1 2\n"
              "pick import\n(pv_logoff)\nQUIT\n")
    p = started_user(args, root, "importer", script, {"PV_HOLD_AT": "import-update"})
    held = os.WIFSTOPPED(os.waitpid(p.pid, os.WUNTRACED)[1])
    check(held, "update beside an edit (%s): the import is held before its write" % road)
    edited_meanwhile(args, root, logon, "B-rock", 6)
    if held:
        os.kill(p.pid, signal.SIGCONT)
    out = ended_user(root, "importer", p)
    check(row() == ("Updated Two", "B-rock") and "Imported: 1 rows into STATN" in out,
          "update beside an edit (%s): NAME imported, ROCKTYPE the other user's: %r %s" % (road, row(), out[-800:]))


# The rock dictionary ROCKD and its profile ROCKP: Granite with Basalt and
# Coarse below it (the header packs the dictionary's name).
ROCK_TABLES = [
    ("ROCKD.DBF", "BASENUMBER N(8,0); LONGNAME C(32); SHORTNAME C(32); DEFINITION C(70)",
     [(0, "ROCKD", "", ""), (1, "Granite", "G", ""), (2, "Basalt", "B", ""), (3, "Coarse", "C", "")]),
    ("ROCKP.DBF", "SORTNUMBER N(8,0); BASENUMBER N(8,0); PARENTNUM N(8,0); WINDOW N(8,0)",
     [(0, 0, 60077, 8089), (1, 1, 0, 0), (2, 2, 1, 0), (3, 3, 1, 0)]),
]
PROFILE_LOAD = "pv-profile\npv_edit_profile\nset src_dix_name ROCKD\nset tgt_prf_name ROCKP\npick tgt_load\npv_prf_opts\nok\n"


def profile_items(root, port):
    """The item numbers of ROCKP in order, its header left out."""
    if port:
        return [int(float(n)) for n in psql(port, "SELECT basenumber FROM sgeo.rockp WHERE basenumber > 0 "
                                            "ORDER BY sortnumber").split()]
    rows = sorted((r["SORTNUMBER"], r["BASENUMBER"]) for r in
                  dbfread.DBF(os.path.join(root, "projects", "GEO", "ROCKP.DBF")))
    return [int(n) for _, n in rows if n]


def two_profile_saves_run(pvhost, module, resources, work, port=None):
    """One user has ROCKP loaded in the profile editor while the other
    deletes Coarse from it and saves; the first user's save is told that
    the profile changed and that Coarse went, saves nothing, and loads the
    profile again as it is now."""
    args = (pvhost, module, resources)
    road = "server" if port else "dBASE"
    root, logon, _ = two_users_root(resources, work, "profile_saves", port, tables=ROCK_TABLES)
    other = User(args, root, logon)
    # Answered from a pipe, the dialogs come without their names.
    loaded = other.say("\n".join(l for l in PROFILE_LOAD.splitlines() if l not in ("pv_edit_profile", "pv_prf_opts")) +
                       "\nshow\n", lambda s: "Coarse" in s and s.endswith("> "))
    check(loaded, "two profile saves (%s): the first user has ROCKP loaded: %s" % (road, other.screen[-600:]))
    run_pvhost(*args, root, logon + PROFILE_LOAD + "select tgt_prf 3\npick delete\npick tgt_save\npv_prf_opts\nok\n"
               "pv_okquit_small\nok\ncancel\n(pv_logoff)\nQUIT\n")
    check(profile_items(root, port) == [1, 2], "two profile saves (%s): the second user's save leaves Granite and "
          "Basalt: %r" % (road, profile_items(root, port)))
    seen = len(other.screen)
    other.say("pick tgt_save\nok\n", lambda s: "Overwrite" in s[seen:] or "as it is now" in s[seen:])
    told = "Profile ROCKP was changed by another user since it was loaded: Coarse removed. Nothing was saved."
    said = " ".join(other.screen[seen:].split())
    check(told in said and "Overwrite" not in said, "two profile saves (%s): the first user is told %r: %s" %
          (road, told, said[-800:]))
    other.say("ok\ncancel\n", lambda s: s.endswith("Command: "))
    other.end()
    check(profile_items(root, port) == [1, 2], "two profile saves (%s): Coarse stays deleted: %r" %
          (road, profile_items(root, port)))


def delete_pending_run(pvhost, module, resources, work, port=None):
    """pv-delete of row 2's objects with its question pending while the
    other user gives the row another NAME: the answer yes leaves the row
    and its objects, named."""
    args = (pvhost, module, resources)
    road = "server" if port else "dBASE"
    root, logon, _ = two_users_root(resources, work, "delete_pending", port)
    user = User(args, root, "OPEN texts.dxf\n" + logon)
    asked = user.say("pv-delete\nALL\n\n", lambda s: "Deletions cannot be recovered" in s and s.endswith("> "))
    check(asked, "delete pending (%s): the question is asked: %s" % (road, user.screen[-600:]))
    edited_meanwhile(args, root, logon, "Cache Creek B")
    user.say("ok\nSAVE after.dxf\n", lambda s: s.endswith("Command: ") and os.path.exists(os.path.join(root, "after.dxf")))
    user.end()
    check(names_now(root, port).get(2) == "Cache Creek B", "delete pending (%s): row 2 stays with the other user's "
          "name: %r" % (road, names_now(root, port)))
    check("stay with their objects: STATN row 2." in user.screen,
          "delete pending (%s): row 2 is named: %s" % (road, user.screen[-800:]))
    kept = [t[0] for t in texts(os.path.join(root, "after.dxf"))]
    check(kept == ["Cache Creek 2"] and [link[1:] for link in lines(os.path.join(root, "after.dxf"))] == [ATTACHED[1:]],
          "delete pending (%s): the row's objects stay: %r" % (road, kept))


def older_drawing_move_run(pvhost, module, resources, work, port=None):
    """map_setup's drawing, older than STATN: another user has since given
    row 2 another EASTING. Row 2's TEXT moved 3 right and 4 up is refused,
    naming the row and EASTING: no row is written and the TEXT goes back."""
    road = "server" if port else "dBASE"
    root = os.path.join(work, "older_move")
    drawing = map_setup(resources, root, project="SGEO" if port else "GEO")
    logon = SERVER_LOGON if port else '(pv_open "GEO" "DB3" "" "")\n'
    if port:
        on_server(root, port)
        psql(port, "UPDATE sgeo.statn SET EASTING = 615990 WHERE BASENUMBER = 2")
        rows = lambda: server_stations(port)  # noqa: E731
    else:
        set_coordinates(root, {2: (615990.0, 5621120.8)})
        rows = lambda: stations(root)  # noqa: E731
    before = rows()
    out = run_pvhost(pvhost, module, resources, root, logon + "pv-move\n615980,5621120.8\npv_ssget\nset ss_row 1\n"
                     "ok\n615983,5621124.8,478\nSAVE moved.dxf\n(pv_logoff)\nQUIT\n", drawing)
    check("Could not update table STATN: STATN row 2 was changed meanwhile (EASTING)" in out,
          "older drawing (%s): the move names row 2 and EASTING: %s" % (road, out[-600:]))
    check(rows() == before, "older drawing (%s): no row is written: %r" % (road, rows()))
    got = sorted((t[0], t[1], t[2]) for t in texts(os.path.join(root, "moved.dxf")))
    check(got == [("S2", 615980.0, 5621120.8), ("S3", 615990.0, 5621130.0)],
          "older drawing (%s): the TEXTs stay, %r" % (road, got))


# Stations of the file the stopped user imports; the rows the import
# has stored before it may be stopped; the seconds the other user waits
# for a lock (pvhost --lock-wait); the station that user adds.
HOLDER_ROWS = 5000
HOLDER_STOP_AT = 100
LOCK_WAIT_S = 2
ADDED = "select edit_list 1\nset edit_col 9001\nselect edit_list 2\nset edit_col Added\n" \
        "select edit_list 3\nset edit_col 600000\nselect edit_list 4\nset edit_col 5600000\n"


def stopped_holder_run(pvhost, module, resources, work, port=None):
    """A user imports stations into STATN and is stopped (SIGSTOP) while
    the import holds the server's lock on new rows; another user adds a
    station meanwhile. On the server that user is told, at once, that
    another user is adding rows to STATN, and after LOCK_WAIT_S that the
    lock is held, the command ending with nothing added; on dBASE files,
    which have no such lock, the station is added at once."""
    root, logon, _ = two_users_root(resources, work, "stopped_holder", port)
    road = "server" if port else "dBASE"
    with open(os.path.join(root, "stations.txt"), "w") as f:
        f.writelines("%d,I%d,%.1f,4000000.25,10,Chert\n" % (n, n, 500000.5 + n) for n in range(1, HOLDER_ROWS + 1))
    script = (logon + "pv-import\npv_import\nset imp_fname stations.txt\npick imp_text\npick import\n"
              "pv_importxt\nselect txt_table 0\nset txt_coldel ,\nset txt_txtdel \"\npick txt_append\n"
              "select txt_output 1 2 3 4 5 6\npick import\n(pv_logoff)\nQUIT\n")
    with open(os.path.join(root, "holder.scr"), "w") as f:
        f.write(script)
    env = dict(os.environ, ASI_INI=os.path.join(root, "asi.ini"), HOME=root, XDG_DATA_HOME=os.path.join(root, "data"))
    holder = subprocess.Popen([pvhost, "--script", "holder.scr", "--module", module, "--resources", resources],
                              cwd=root, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    statn = os.path.join(root, "projects", "GEO", "STATN.DBF")
    size = os.path.getsize(statn)

    def stored():
        if port:
            return int(psql(port, "SELECT count(*) FROM sgeo.statn") or 0)
        return (os.path.getsize(statn) - size) // 100

    def holds():
        return not port or psql(port, "SELECT count(*) FROM pg_locks WHERE locktype = 'advisory' AND granted") != "0\n"
    try:
        # Stopped after its first rows, at a moment it holds the lock.
        deadline, stopped = time.monotonic() + 60, False
        while holder.poll() is None and not stopped and time.monotonic() < deadline:
            if stored() >= HOLDER_STOP_AT:
                os.kill(holder.pid, signal.SIGSTOP)
                stopped = holds()
                if not stopped:
                    os.kill(holder.pid, signal.SIGCONT)
            time.sleep(0.01)
        check(stopped, "stopped holder (%s): the import is stopped holding the lock" % road)
        # On the server the alert is answered, and its lines read back.
        alert = "pv_alert_wrap\nshow\nok\n" if port else ""
        out = run_pvhost(pvhost, module, resources, root, logon + "pv-add\npv_add_tbl\n" + ADDED + "ok\n" + alert +
                         "pv_add_tbl\ncancel\n(pv_logoff)\nQUIT\n", options=("--lock-wait", str(LOCK_WAIT_S)))
        out += "".join(re.findall(r"^\s+\d+: (.*)$", out, re.M)).replace(" ", "")
    finally:
        os.kill(holder.pid, signal.SIGCONT)
    imported = holder.communicate(timeout=120)[0]
    names = [r[0].strip() for r in (psql(port, "SELECT NAME FROM sgeo.statn").splitlines() if port else
                                     [[r["NAME"]] for r in dbfread.DBF(statn)])]
    check("Imported: %d rows into STATN" % HOLDER_ROWS in imported,
          "stopped holder (%s): the import ends whole: %s" % (road, imported[-600:]))
    told = ["Another user is adding rows to table STATN: waiting for them, at most %d s" % LOCK_WAIT_S,
            "Could not add this row to table STATN: another user has held the lock on new rows of table STATN "
            "for more than %d s; nothing was added" % LOCK_WAIT_S]
    if port:
        check(told[0] in out and told[1].replace(" ", "") in out,
              "stopped holder (server): the other user is told: %s" % out[-1200:])
        check("Added" not in names, "stopped holder (server): nothing is added")
    else:
        check(not any(t[:30] in out for t in told), "stopped holder (dBASE): no wait: %s" % out[-1200:])
        check("Added" in names, "stopped holder (dBASE): the station is added")


def main():
    if len(sys.argv) == 7 and sys.argv[5] == "--server":
        move_killed_run(*sys.argv[1:5], port=sys.argv[6])
        if FAILURES:
            raise SystemExit("%d check(s) failed" % len(FAILURES))
        return
    if len(sys.argv) in (6, 8) and sys.argv[5] == "two-users":
        port = sys.argv[7] if len(sys.argv) == 8 else None
        for two_users in (two_users_run, update_beside_edit_run, two_profile_saves_run, stopped_holder_run,
                          two_users_memo_run, memo_edit_killed_run, first_memo_lines_run, delete_pending_run,
                          older_drawing_move_run):
            two_users(*sys.argv[1:5], port=port)
        if port:
            creates_at_once_run(*sys.argv[1:5], port=port)
        else:
            replace_beside_edit_run(*sys.argv[1:5])
        if FAILURES:
            raise SystemExit("%d check(s) failed" % len(FAILURES))
        return
    if len(sys.argv) != 5:
        raise SystemExit(__doc__)
    pvhost, module, resources, work = sys.argv[1:]
    edit_run(pvhost, module, resources, os.path.join(work, "edit"))
    lost_run(pvhost, module, resources, os.path.join(work, "lost"))
    gone_run(pvhost, module, resources, os.path.join(work, "gone"))
    move_run(pvhost, module, resources, os.path.join(work, "move"))
    map_move_run(pvhost, module, resources, os.path.join(work, "map_move"))
    map_move_run(pvhost, module, resources, os.path.join(work, "map_move_plan"), plan=True)
    refused_move_run(pvhost, module, resources, os.path.join(work, "refused_move"))
    ended_move_run(pvhost, module, resources, os.path.join(work, "ended_move"))
    move_killed_run(pvhost, module, resources, work)
    move_beside_writer_run(pvhost, module, resources, work)
    mark_recovery_run(pvhost, module, resources, work)
    if FAILURES:
        raise SystemExit("%d check(s) failed" % len(FAILURES))


if __name__ == "__main__":
    main()
