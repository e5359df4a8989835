#!/usr/bin/python3
"""pv-add and pv-delete end to end through pvhost on copies of the sample
project GEO; dbfread reads the table back, ezdxf makes and reads the
drawings.

  row_cmd_e2e.py PVHOST MODULE RESOURCES WORKDIR

Adding: a station typed in "pv_add_tbl" (STN 6, NAME "Test Crëek", EASTING
600000, NORTHING 5600000) is row 6 of STATN.DBF, its name stored in
Windows-1252; the dialog comes back with the next number and cancel ends
the command.

A refused field move: EASTING typed "abc" is refused when NORTHING is
picked ("*Refused*" with the dialog's error); the script answering on
(NORTHING's value) stops with the refusal among its faults, exit status 1,
and no row is stored with a value in a column the script did not mean.

Drawing: with NAME given the plot flag in the column input setup, the
station's name is placed by hand and saved as a TEXT linked to GEO, STATN
and row 6; with a unique index on NAME, a second station named
"Bonaparte" is refused: "Could not add this row to table STATN", its TEXT
erased, no row added.

A point asked for: with the map in "UTM 10 NAD27" (STATN's point system),
a station typed without coordinates has its name placed by hand and its
point asked for ("Select point for EASTING"); the picked point is stored
in EASTING and NORTHING.

The driver ended: with pvdb3 killed after logon, pv-add's OK says "45091:
the driver of DB3 has ended" as pv-query does and shows it in the dialog,
which stays open; cancel ends the command and no row is added.

Deleting: a TEXT linked to row 2 picked, a LINE of the same row 30 km
away and a plain TEXT; answered yes, both linked entities and row 2 go
("Deleted... 2 entities, 1 rows"), the plain TEXT stays; answered no,
nothing goes ("Deleted... 0 entities, 0 rows"). Deleting rows with memo
lines, cut short by killing pvhost or its driver at several points and run
again, leaves every row and memo line gone as one uninterrupted run does:
a row's memo lines go after the row, and a run cut short between them has
them deleted at the next logon, so no memo line is ever left without its
row. A table that cannot be written keeps its rows with their lines (STATN)
or has the lines of the row that went deleted at the next logon (STATNMEM). Adding a row with memo lines, cut short the same way, leaves the
row with its lines or neither once the project is logged on again; cut
between the listing of its number and its insert, while a second user
logged on before then adds a row with a memo line under that number, the
next logon keeps the second user's row and line and names the row.

Two writers: two pvhost processes add 200 stations each to one STATN at
once; all 400 rows are kept under 400 distinct BASENUMBERs, and neither
is refused a number the other took meanwhile.
"""
import os
import re
import shutil
import subprocess
import sys
import time

import dbfread
import ezdxf

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_util import (FAILURES, check, make_unwritable, run_pvhost, run_pvhost_driver_killed,  # noqa: E402
                      run_pvhost_killed)
from e2e_tables import (PVCOLUMN_FIELDS, PVTABLE_FIELDS, cut_before_insert, registry_row, second_user,  # noqa: E402
                        table)

# Rows each of two writers adds at once.
TWO_WRITER_ROWS = 200

# The question pv-delete asks, as the host's small yes/no box.
YES_NO = "pv_yesno_small"


def setup(resources, root):
    """A scratch copy of the sample project and asi.ini; the project's folder."""
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(os.path.join(root, "projects"))
    shutil.copytree(os.path.join(resources, "projects", "GEO"), os.path.join(root, "projects", "GEO"))
    shutil.copy(os.path.join(resources, "asi.ini"), os.path.join(root, "asi.ini"))
    return os.path.join(root, "projects", "GEO")


ADD_SCRIPT = """(pv_open "GEO" "DB3" "" "")
pv-add
pv_add_tbl
select edit_list 1
set edit_col 6
select edit_list 2
set edit_col Test Crëek
select edit_list 3
set edit_col 600000
select edit_list 4
set edit_col 5600000
ok
pv_add_tbl
show
cancel
(pv_logoff)
QUIT
"""


def add_run(pvhost, module, resources, root):
    proj = setup(resources, root)
    out = run_pvhost(pvhost, module, resources, root, ADD_SCRIPT)
    path = os.path.join(proj, "STATN.DBF")
    rows = {int(r["BASENUMBER"]): r for r in dbfread.DBF(path, encoding="cp1252")}
    row = rows.get(6)
    check(row is not None, "row 6 added to STATN")
    if row is not None:
        got = (row["STN"], row["NAME"].strip(), row["EASTING"], row["NORTHING"])
        check(got == (6, "Test Crëek", 600000, 5600000), "row 6 holds %r" % (got,))
    with open(path, "rb") as f:
        raw = f.read()
    check(b"Test Cr\xebek" in raw, "the name reaches the .DBF in Windows-1252")
    check(out.count("Dialog: pv_add_tbl") == 2, "the dialog comes back after the row")
    check("BASENUMBER     \t:\t7" in out, "the next row is offered number 7")
    check(len(rows) == 6, "one row added, %d rows" % len(rows))


REFUSED_SCRIPT = """(pv_open "GEO" "DB3" "" "")
pv-add
pv_add_tbl
select edit_list 1
set edit_col 6
select edit_list 3
set edit_col abc
select edit_list 4
set edit_col 5600000
select edit_list 2
set edit_col Shifted
ok
pv_add_tbl
cancel
(pv_logoff)
QUIT
"""


def refused_run(pvhost, module, resources, root):
    proj = setup(resources, root)
    out = run_pvhost(pvhost, module, resources, root, REFUSED_SCRIPT, status=1)
    check("*Refused* " in out and "EASTING" in out[out.find("*Refused* "):], "the refused move is printed")
    check("refused an answer and the script answered on" in out, "answering on is a fault")
    rows = [int(r["BASENUMBER"]) for r in dbfread.DBF(os.path.join(proj, "STATN.DBF"))]
    check(rows == [1, 2, 3, 4, 5], "no row stored, rows %r" % rows)


PLOT_SCRIPT = """(pv_open "GEO" "DB3" "" "")
pv-add
pv_add_tbl
select edit_list 2
pick input
pv_cinsetup
pick cin_plot
ok
set edit_col Test Creek
select edit_list 1
set edit_col 6
select edit_list 3
set edit_col 600000
select edit_list 4
set edit_col 5600000
ok
100,200
pv_add_tbl
select edit_list 2
set edit_col Bonaparte
ok
300,400
150,250
pv_add_tbl
cancel
SAVE plotted.dxf
pv_yesno_small
cancel
(pv_logoff)
pv_yesno_small
cancel
QUIT
"""


def plot_run(pvhost, module, resources, root):
    proj = setup(resources, root)
    with open(os.path.join(proj, "STATN.INI"), "w") as f:
        f.write("; indexes of table STATN\n[STATNNAME]\nUnique=1\nColumns=NAME\n")
    out = run_pvhost(pvhost, module, resources, root, PLOT_SCRIPT)
    check("Place NAME on map" in out, "a name without its own point is placed by hand")
    check("Could not add this row to table STATN" in out, "the refused row is reported")
    rows = [int(r["BASENUMBER"]) for r in dbfread.DBF(os.path.join(proj, "STATN.DBF"))]
    check(rows == [1, 2, 3, 4, 5, 6], "only row 6 added, rows %r" % rows)
    texts = list(ezdxf.readfile(os.path.join(root, "plotted.dxf")).modelspace().query("TEXT"))
    got = [(t.dxf.text, tuple(t.dxf.insert)[:2],
            [(g.code, g.value) for g in t.get_xdata("PETRIVEX")] if t.has_xdata("PETRIVEX") else [])
           for t in texts]
    want = [("Test Creek", (100.0, 200.0),
             [(1000, "GEO"), (1000, "STATN"), (1071, 6), (1000, "NAME"), (1000, "6"), (1000, "")])]
    check(got == want, "the drawing holds %r, want %r (the refused row's TEXT erased)" % (got, want))


ZERO_SCRIPT = """(pv_open "GEO" "DB3" "" "")
pv-map
pv_map
select proj_in 18
ok
pv-add
pv_add_tbl
select edit_list 2
pick input
pv_cinsetup
pick cin_plot
ok
set edit_col Zero Point
select edit_list 1
set edit_col 6
ok
300,400
612345.5,5612345.25
pv_add_tbl
cancel
(pv_logoff)
pv_yesno_small
cancel
QUIT
"""


def zero_run(pvhost, module, resources, root):
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(root)
    shutil.copytree(os.path.join(resources, "projects", "GEO"), os.path.join(root, "projects", "GEO"))
    shutil.copytree(os.path.join(resources, "projects", "Projections"), os.path.join(root, "projects", "Projections"))
    shutil.copy(os.path.join(resources, "asi.ini"), os.path.join(root, "asi.ini"))
    out = run_pvhost(pvhost, module, resources, root, ZERO_SCRIPT)
    check("Select point for EASTING" in out, "the row without coordinates asks for its point")
    check("Could not transform" not in out, "the point converts into STATN's system")
    rows = {int(r["BASENUMBER"]): r for r in dbfread.DBF(os.path.join(root, "projects", "GEO", "STATN.DBF"))}
    row = rows.get(6)
    got = (row["NAME"].strip(), row["EASTING"], row["NORTHING"], row["ELEV"]) if row else None
    check(got == ("Zero Point", 612345.5, 5612345.25, None), "row 6 holds %r, ELEV left blank" % (got,))


DELETE_SCRIPT = """(pv_open "GEO" "DB3" "" "")
pv-delete
10,10

%s
%s
SAVE deleted.dxf
(pv_logoff)
QUIT
"""


def texts_drawing(root):
    """A drawing of a TEXT linked to GEO's station 2 and a plain TEXT."""
    doc = ezdxf.new("R2000")
    doc.appids.new("PETRIVEX")
    linked = doc.modelspace().add_text("Cache Creek 2", dxfattribs={"height": 2.5, "insert": (10, 10)})
    linked.set_xdata("PETRIVEX", [(1000, "GEO"), (1000, "STATN"), (1071, 2), (1000, "NAME"),
                                  (1000, "2"), (1000, "")])
    doc.modelspace().add_text("plain", dxfattribs={"height": 2.5, "insert": (100, 100)})
    # The same row's LINE 30 km away, outside any window around the TEXT.
    doc.modelspace().add_line((30000, 10), (30010, 10)).set_xdata(
        "PETRIVEX", [(1000, "GEO"), (1000, "STATN"), (1071, 2), (1000, "NAME"), (1000, "2"), (1000, "")])
    drawing = os.path.join(root, "texts.dxf")
    doc.saveas(drawing)
    return drawing


def delete_run(pvhost, module, resources, root, answer):
    proj = setup(resources, root)
    drawing = texts_drawing(root)
    out = run_pvhost(pvhost, module, resources, root, DELETE_SCRIPT % (YES_NO, answer), drawing)
    table = dbfread.DBF(os.path.join(proj, "STATN.DBF"), load=True)
    deleted = [int(r["BASENUMBER"]) for r in table.deleted]
    saved = ezdxf.readfile(os.path.join(root, "deleted.dxf")).modelspace()
    texts = [t.dxf.text for t in saved.query("TEXT")]
    if answer == "ok":
        check("Deleted... 2 entities, 1 rows" in out, "yes: 'Deleted... 2 entities, 1 rows' shown")
        check(deleted == [2], "yes: row 2 marked deleted, deleted rows %r" % deleted)
        check(texts == ["plain"], "yes: only the plain TEXT left, %r" % texts)
        check(len(saved.query("LINE")) == 0, "yes: the row's LINE 30 km away erased too")
    else:
        check("Deleted... 0 entities, 0 rows" in out, "no: 'Deleted... 0 entities, 0 rows' shown")
        check(deleted == [], "no: no row deleted, %r" % deleted)
        check(sorted(texts) == ["Cache Creek 2", "plain"], "no: both TEXTs kept, %r" % texts)


def lost_run(pvhost, module, resources, root):
    """pv-add and pv-delete after the driver died. pvhost reads its answers
    from a pipe so that the driver is killed between the logon and the
    commands."""
    proj = setup(resources, root)
    drawing = texts_drawing(root)
    out = run_pvhost_driver_killed(pvhost, module, resources, root,
                                   "pv-add\nselect edit_list 1\nset edit_col 6\nselect edit_list 2\n"
                                   "set edit_col Lost\nok\nshow\ncancel\npv-delete\nALL\n\nok\nSAVE deleted.dxf\nQUIT\n",
                                   drawing)
    check("[Alert] Petrivex ERROR:\n45091: the driver of DB3 ended" in out or
          "[Alert] Petrivex ERROR:\n45091: the driver of DB3 has ended" in out, "OK says the driver ended")
    check('error          text = "ERROR:  the driver of DB3' in out, "the dialog shows it and stays open")
    check("Cannot retreive Unique Number" not in out, "the numbers unread are not blamed on the table")
    rows = [int(r["BASENUMBER"]) for r in dbfread.DBF(os.path.join(proj, "STATN.DBF"))]
    check(rows == [1, 2, 3, 4, 5], "no row added or deleted, rows %r" % rows)
    texts = [t.dxf.text for t in ezdxf.readfile(os.path.join(root, "deleted.dxf")).modelspace().query("TEXT")]
    check(sorted(texts) == ["Cache Creek 2", "plain"], "pv-delete erases no object whose row stays: %r" % texts)
    after = out[out.rfind("Select objects"):]
    check("45091: the driver of DB3" in after and "Deleted... " not in after,
          "pv-delete says the driver ended, and no count after it")
    # A table cut short after the logon: a row that cannot be read is no row
    # that is not there, and its objects stay.
    root = root + " damaged"
    proj = setup(resources, root)
    out = run_pvhost_driver_killed(pvhost, module, resources, root,
                                   "pv-delete\nALL\n\nok\npv_alert_wrap\nok\nSAVE deleted.dxf\nQUIT\n",
                                   texts_drawing(root), damaged=os.path.join(proj, "STATN.DBF"))
    texts = [t.dxf.text for t in ezdxf.readfile(os.path.join(root, "deleted.dxf")).modelspace().query("TEXT")]
    check(sorted(texts) == ["Cache Creek 2", "plain"], "damaged: no object whose row stays is erased: %r" % texts)
    alert = "".join(re.findall(r"^ +\d+: (.*)$", out, re.M)).replace(" ", "")
    check("oftableSTATNcannotberead:" in alert and "Deleted... " not in out,
          "damaged: pv-delete names the row it cannot read, and no count after it")


MEMO_ROWS = 300   # rows of STATN, each with two memo lines, deleted by pv-delete


def memo_project(root):
    """Project DEL: STATN with MEMO_ROWS rows whose NOTES are memos of two
    lines in STATNMEM (NOTES editable), and a drawing of a TEXT linked to
    each row."""
    shutil.rmtree(root, ignore_errors=True)
    proj = os.path.join(root, "projects", "DEL")
    os.makedirs(proj)
    numbers = range(1, MEMO_ROWS + 1)
    table(os.path.join(proj, "STATN.DBF"), "BASENUMBER N(8,0); STATION N(8,0); NAME C(20); NOTES C(20)",
          [(n, n, "Station %d" % n, "MEMO") for n in numbers])
    table(os.path.join(proj, "STATNMEM.DBF"), "BASENUMBER N(8,0); ORDNUMBER N(8,0); MEMOTEXT C(70)",
          [(n, k, "Line %d of station %d" % (k, n)) for n in numbers for k in (1, 2)])
    table(os.path.join(proj, "PVTABLE.DBF"), PVTABLE_FIELDS, [registry_row("STATN", "STATION", STATION="STATION")])
    table(os.path.join(proj, "PVCOLUMN.DBF"), PVCOLUMN_FIELDS,
          [("NOTES", "STATN", "", "", 0x201, 0, 0, 0, " ", "", 0, 0)])
    with open(os.path.join(root, "asi.ini"), "w") as f:
        f.write("[ENVIRONMENTS]\nDB3=\n\n[DB3]\nDriver=pvdb3\nPETRIVEX=projects\nPETRIVEX.DEL=DEL\n\n"
                "[ASE_CATALOGS]\nDEL=projects\n\n[PETRIVEX_MISC]\nDEL.links=0\n")
    doc = ezdxf.new("R2000")
    doc.appids.new("PETRIVEX")
    for n in numbers:
        t = doc.modelspace().add_text("S%d" % n, dxfattribs={"height": 2.5, "insert": (n * 10, 0)})
        t.set_xdata("PETRIVEX", [(1000, "DEL"), (1000, "STATN"), (1071, n), (1000, "BASENUMBER"),
                                 (1000, str(n)), (1000, "")])
    doc.saveas(os.path.join(root, "in.dxf"))
    return proj


def memo_state(proj):
    """The live rows of STATN and of STATNMEM, as dbfread reads them."""
    statn = sorted(int(r["BASENUMBER"]) for r in dbfread.DBF(os.path.join(proj, "STATN.DBF")))
    memo = sorted((int(r["BASENUMBER"]), int(r["ORDNUMBER"])) for r in dbfread.DBF(os.path.join(proj, "STATNMEM.DBF")))
    return statn, memo


MEMO_DELETE = '(pv_open "DEL" "DB3" "" "")\npv-delete\nALL\n\n%s\nok\n(pv_logoff)\nQUIT\n' % YES_NO


def memo_delete_killed_run(pvhost, module, resources, work):
    """pv-delete of rows with memo lines killed at eight points (pvhost or its
    driver), then run again: every row and memo line is gone, as after one
    uninterrupted run."""
    root = os.path.join(work, "delete_killed")
    proj = memo_project(root)
    start = time.time()
    out = run_pvhost(pvhost, module, resources, root, MEMO_DELETE, "in.dxf")
    span = time.time() - start
    check(memo_state(proj) == ([], []), "an uncut pv-delete deletes every row and memo line")
    check("Deleted... %d entities, %d rows" % (MEMO_ROWS, MEMO_ROWS) in out, "an uncut pv-delete counts every row")
    for trial in range(8):
        proj = memo_project(root)
        # The kill comes a little later each time after the first delete.
        driver_only = trial % 2 == 1
        run_pvhost_killed(pvhost, module, resources, root, MEMO_DELETE, "in.dxf",
                          [os.path.join(proj, f) for f in ("STATN.DBF", "STATNMEM.DBF")], span * trial / 10,
                          driver_only)
        statn, memo = memo_state(proj)
        what = "trial %d (%s killed)" % (trial, "driver" if driver_only else "pvhost")
        run_pvhost(pvhost, module, resources, root, MEMO_DELETE, "in.dxf")
        check(memo_state(proj) == ([], []), "%s, run again after %d rows and %d memo lines were left: every row "
              "and memo line gone, left %r" % (what, len(statn), len(memo), memo_state(proj)))


def memo_readonly_run(pvhost, module, resources, work):
    """pv-delete of rows with memo lines where a table cannot be written
    (its file immutable, or without write permission for a user other
    than root): with STATN so, no row and no memo line goes and
    the alert names STATN; with STATNMEM so, the first row goes, the alert
    names STATNMEM, and the next logon (the file writable again) deletes
    that row's lines: no line is left without its row, no row loses its
    lines while it stays."""
    root = os.path.join(work, "delete_readonly")
    for name in ("STATN", "STATNMEM"):
        proj = memo_project(root)
        before = memo_state(proj)
        path = os.path.join(proj, name + ".DBF")
        writable_again = make_unwritable(path)
        try:
            # The alert of STATNMEM is long enough to be wrapped in a dialog.
            wrap = "pv_alert_wrap\nshow\nok\n" if name == "STATNMEM" else ""
            out = run_pvhost(pvhost, module, resources, root,
                             MEMO_DELETE.replace(YES_NO + "\nok\n", YES_NO + "\nok\n" + wrap), "in.dxf")
        finally:
            writable_again()
        # The alert's lines, as the host shows it or wrapped in its dialog.
        shown = re.findall(r"^ +\d+: (.*)$|^\[Alert\] Petrivex ERROR:\n(.*)$", out, re.M)
        alert = "".join(a + b for a, b in shown).replace(" ", "")
        statn, memo = memo_state(proj)
        if name == "STATN":
            check((statn, memo) == before, "STATN read-only: every row and memo line stays")
            check("Row1oftableSTATNcannotbedeleted:tableSTATN" in alert, "STATN read-only: the alert names STATN")
            continue
        check(statn == before[0][1:] and memo == before[1], "STATNMEM read-only: row 1 goes, every line stays "
              "until the next logon: %d rows, %d lines" % (len(statn), len(memo)))
        check("Row1oftableSTATNwasdeleted,butitsmemolinescannotbe:tableSTATNMEM" in alert,
              "STATNMEM read-only: the alert names the row and STATNMEM")
        out = run_pvhost(pvhost, module, resources, root, '(pv_open "DEL" "DB3" "" "")\n(pv_logoff)\nQUIT\n',
                         "in.dxf")
        check("The delete of row 1 of table STATN was cut short after the row; its memo lines were deleted now."
              in out, "STATNMEM read-only: the next logon says it deleted the lines")
        check(memo_state(proj) == (before[0][1:], [m for m in before[1] if m[0] != 1]),
              "STATNMEM read-only: the next logon deletes row 1's lines, and only those")


ADDED_LINES = 30  # memo lines typed for the row pv-add adds
MEMO_ADD = ('(pv_open "DEL" "DB3" "" "")\npv-add\npv_add_tbl\nselect edit_list 1\nset edit_col 999\n'
            'select edit_list 2\nset edit_col Added\nselect edit_list 3\npick memo\npv_edit_memo\n' +
            "".join('set pv_memo_line "Line %d"\npick insert\n' % k for k in range(ADDED_LINES)) +
            'ok\nok\npv_add_tbl\ncancel\n(pv_logoff)\nQUIT\n')


def memo_add_killed_run(pvhost, module, resources, work):
    """pv-add of a row with 30 memo lines killed (pvhost or its driver) at
    twelve points just after the row went in; the next logon leaves the row
    with both its lines, or neither."""
    root = os.path.join(work, "add_killed")
    proj = memo_project(root)
    run_pvhost(pvhost, module, resources, root, MEMO_ADD, "in.dxf")
    added = MEMO_ROWS + 1
    whole = memo_state(proj)
    check(whole[0][-1] == added and [m for m in whole[1] if m[0] == added] ==
          [(added, k) for k in range(1, ADDED_LINES + 1)], "an uncut pv-add adds row %d with its lines" % added)
    for trial in range(12):
        proj = memo_project(root)
        before = memo_state(proj)
        driver_only = trial % 2 == 1
        run_pvhost_killed(pvhost, module, resources, root, MEMO_ADD, "in.dxf", [os.path.join(proj, "STATN.DBF")],
                          0.0005 * (trial // 4), driver_only)
        run_pvhost(pvhost, module, resources, root, '(pv_open "DEL" "DB3" "" "")\n(pv_logoff)\nQUIT\n', "in.dxf")
        left = memo_state(proj)
        check(left in (before, whole), "trial %d (%s killed): the row with all its lines or neither, left row %d "
              "with %d lines" % (trial, "driver" if driver_only else "pvhost", left[0][-1],
                                 len([m for m in left[1] if m[0] == added])))


def memo_add_number_taken_run(pvhost, module, resources, work):
    """pv-add of a row with memo lines cut after its number is listed in its
    mark and before its insert; a second user, logged on before the cut,
    then adds a row with a memo line of its own, which takes that number.
    The next logon of the first user leaves that row and its line and names
    it."""
    root = os.path.join(work, "add_taken")
    proj = memo_project(root)
    args = (pvhost, module, resources)
    other = second_user(args, root, '(pv_open "DEL" "DB3" "" "")\n')
    with open(os.path.join(root, "run.scr"), "w") as f:
        f.write(MEMO_ADD)
    env = dict(os.environ, ASI_INI=os.path.join(root, "asi.ini"), HOME=root,
               XDG_DATA_HOME=os.path.join(root, "data"))
    p = subprocess.Popen([pvhost, "--script", "run.scr", "--module", module, "--resources", resources,
                          "--drawing", "in.dxf"], cwd=root, env=env, stdout=subprocess.PIPE,
                         stderr=subprocess.STDOUT, text=True)
    taken = cut_before_insert(p, os.path.join(proj, "STATN.DBF"), os.path.join(proj, "STATN-*.MRG"), after=0)
    check(taken == MEMO_ROWS + 1, "the add is cut before the insert of row %d: %r" % (MEMO_ROWS + 1, taken))
    # Answered from a pipe, the dialogs come without their names.
    added = other.communicate('pv-add\nselect edit_list 1\nset edit_col 777\nselect edit_list 2\n'
                              'set edit_col Second user\nselect edit_list 3\npick memo\n'
                              'set pv_memo_line "Second line"\npick insert\nok\nok\ncancel\n'
                              '(pv_logoff)\nQUIT\n', timeout=60)[0]
    statn = {int(r["BASENUMBER"]): r["NAME"].strip() for r in dbfread.DBF(os.path.join(proj, "STATN.DBF"))}
    check(statn.get(taken) == "Second user", "the second user's row takes number %r: %s" % (taken, added[-800:]))
    out = run_pvhost(pvhost, module, resources, root, '(pv_open "DEL" "DB3" "" "")\npv_alert_wrap\nshow\nok\n'
                     '(pv_logoff)\nQUIT\n', "in.dxf")
    statn = {int(r["BASENUMBER"]): r["NAME"].strip() for r in dbfread.DBF(os.path.join(proj, "STATN.DBF"))}
    lines = [r["MEMOTEXT"].strip() for r in dbfread.DBF(os.path.join(proj, "STATNMEM.DBF"))
             if int(r["BASENUMBER"]) == taken]
    check(statn.get(taken) == "Second user" and lines == ["Second line"],
          "the second user's row %r and its line stay: %r, %r" % (taken, statn.get(taken), lines))
    shown = "".join(re.findall(r"^\s+\d+: (.*)$", out, re.M)).replace(" ", "")
    check(("stay:STATNrow%d." % taken) in shown, "the logon names row %r: %s" % (taken, out[-800:]))


def two_writers_run(pvhost, module, resources, root):
    """Two pvhost processes add 200 stations each to GEO's STATN at once:
    every row is kept and every BASENUMBER is another."""
    proj = setup(resources, root)
    env = dict(os.environ, ASI_INI=os.path.join(root, "asi.ini"))
    writers = []
    for k in range(2):
        home = os.path.join(root, "writer%d" % k)
        os.makedirs(home)
        rows = "".join("pv_add_tbl\nselect edit_list 1\nset edit_col %d\nselect edit_list 2\nset edit_col W%d-%d\n"
                       "select edit_list 3\nset edit_col %d\nselect edit_list 4\nset edit_col 5600000\nok\n"
                       % (1000 * (k + 1) + i, k, i, 600000 + i) for i in range(TWO_WRITER_ROWS))
        with open(os.path.join(home, "run.scr"), "w") as f:
            f.write('(pv_open "GEO" "DB3" "" "")\npv-add\n%spv_add_tbl\ncancel\n(pv_logoff)\nQUIT\n' % rows)
        writers.append(subprocess.Popen([pvhost, "--script", "run.scr", "--module", module, "--resources", resources],
                                        cwd=home, env=dict(env, HOME=home, XDG_DATA_HOME=os.path.join(home, "data")),
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True))
    for k, w in enumerate(writers):
        out, _ = w.communicate(timeout=600)
        check(w.returncode == 0, "writer %d exits 0 (%d)" % (k, w.returncode))
        check("already exists" not in out, "writer %d is never asked again for a number taken meanwhile" % k)
        if w.returncode != 0 or "already exists" in out:
            print(out[-3000:])
    rows = list(dbfread.DBF(os.path.join(proj, "STATN.DBF"), encoding="cp1252"))
    added = [r for r in rows if r["NAME"].startswith("W")]
    numbers = [int(r["BASENUMBER"]) for r in rows]
    check(len(added) == 2 * TWO_WRITER_ROWS, "%d rows added of %d" % (len(added), 2 * TWO_WRITER_ROWS))
    check(len(set(numbers)) == len(numbers), "%d distinct numbers in %d rows" % (len(set(numbers)), len(numbers)))


def main():
    if len(sys.argv) != 5:
        raise SystemExit(__doc__)
    pvhost, module, resources, work = sys.argv[1:]
    add_run(pvhost, module, resources, os.path.join(work, "add"))
    refused_run(pvhost, module, resources, os.path.join(work, "refused"))
    plot_run(pvhost, module, resources, os.path.join(work, "plot"))
    zero_run(pvhost, module, resources, os.path.join(work, "zero"))
    lost_run(pvhost, module, resources, os.path.join(work, "lost"))
    delete_run(pvhost, module, resources, os.path.join(work, "delete_yes"), "ok")
    delete_run(pvhost, module, resources, os.path.join(work, "delete_no"), "cancel")
    memo_delete_killed_run(pvhost, module, resources, work)
    memo_readonly_run(pvhost, module, resources, work)
    memo_add_killed_run(pvhost, module, resources, work)
    memo_add_number_taken_run(pvhost, module, resources, work)
    two_writers_run(pvhost, module, resources, os.path.join(work, "two_writers"))
    if FAILURES:
        raise SystemExit("%d check(s) failed" % len(FAILURES))


if __name__ == "__main__":
    main()
