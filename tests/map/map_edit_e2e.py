#!/usr/bin/python3
"""pv-update and pv-scale end to end through pvhost on a copy of the
sample project GEO whose point setup names NAME as its symbol column.

  map_edit_e2e.py PVHOST MODULE RESOURCES CS2CS WORKDIR

The drawing, made here, holds the map setup block (PROJ "GEOGRAPHIC
Clarke 1866") and a TEXT "Bonaparte" linked to row 3 of STATN through
NAME, drawn at a wrong place. pv-update puts it at row 3's EASTING and
NORTHING (UTM 10 NAD27) in longitude and latitude, as cs2cs gives them,
and keeps its link. A LINE and a CIRCLE linked to the same row and column
(drawn before the TEXT) and an object attached
to the row (keyed by BASENUMBER) are not updated and stay where they are,
the attached object still linked; a TEXT of row 4, whose coordinates are
all 0, keeps its place. pv-scale with an absolute text size of 2.5 makes
every TEXT 2.5 high and leaves the LINE and the setup block's reference
alone. Without a map projection pv-update only says so.
"""
import os
import re
import subprocess
import sys

import dbf
import ezdxf

from e2e_util import FAILURES, check, copy_projects, held_against_single, map_setup_drawing, run_pvhost

TOLERANCE_DEG = 1e-7
LINK = [(1000, "GEO"), (1000, "STATN"), (1071, 3), (1000, "NAME"), (1000, "3"), (1000, "")]
ATTACHED = [(1000, "GEO"), (1000, "STATN"), (1071, 3), (1000, "BASENUMBER"), (1000, "3"), (1000, "")]
AT_ZERO = [(1000, "GEO"), (1000, "STATN"), (1071, 4), (1000, "NAME"), (1000, "4"), (1000, "")]


def setup(resources, root):
    """A scratch copy of GEO and asi.ini; PVPOINT names NAME as the symbol column."""
    copy_projects(resources, root)
    proj = os.path.join(root, "projects", "GEO")
    table = dbf.Table(os.path.join(proj, "PVPOINT.DBF"))
    table.open(dbf.READ_WRITE)
    for rec in table:
        with rec:
            rec["symcolumn"] = "NAME"
    table.close()
    table = dbf.Table(os.path.join(proj, "STATN.DBF"))
    table.open(dbf.READ_WRITE)
    for rec in table:
        if rec["stn"] == 4:
            with rec:
                rec["easting"], rec["northing"], rec["elev"] = 0, 0, 0
    table.close()
    return proj


def drawing(path, proj):
    doc = map_setup_drawing(proj)
    msp = doc.modelspace()
    # drawn ahead of the TEXT, so the row's group meets the LINE and the CIRCLE first
    msp.add_line((-100.0, 12.0), (-98.0, 14.0)).set_xdata("PETRIVEX", LINK)
    msp.add_circle((-90.0, 12.0), 1.5).set_xdata("PETRIVEX", LINK)
    text = doc.modelspace().add_text("Bonaparte", dxfattribs={"height": 1.0, "insert": (-100.0, 10.0)})
    text.set_xdata("PETRIVEX", LINK)
    msp.add_text("note", dxfattribs={"height": 1.0, "insert": (-99.0, 8.0)}).set_xdata("PETRIVEX", ATTACHED)
    msp.add_text("Hat Creek", dxfattribs={"height": 1.0, "insert": (30.0, 30.0)}).set_xdata("PETRIVEX", AT_ZERO)
    doc.saveas(path)


def cs2cs(binary, x, y):
    r = subprocess.run([binary, "-f", "%.12f", "+proj=utm", "+zone=10", "+ellps=clrk66", "+to",
                        "+proj=longlat", "+ellps=clrk66"], input="%.6f %.6f\n" % (x, y),
                       capture_output=True, text=True, timeout=30)
    return tuple(float(v) for v in r.stdout.split()[:2])


def tags(entity):
    return [(t.code, t.value) for t in entity.get_xdata("PETRIVEX")] if entity.has_xdata("PETRIVEX") else []


SCRIPT = """(pv_open "GEO" "DB3" "" "")
pv-update
ALL

SAVE updated.dxf
pv-scale
pv_scale
pick scl_text
set scl_height 2.5
ok
ALL

SAVE scaled.dxf
(pv_logoff)
QUIT
"""


STATION_SCRIPT = """(pv_open "GEO" "DB3" "" "")
pv-scale
pv_scale
pick scl_absolute
pick scl_relative
pick scl_station
pick scl_text
set scl_height 0.5
select scl_point 0
show
ok
ALL

SAVE station.dxf
(pv_logoff)
QUIT
"""


def station_run(pvhost, module, resources, binary, root):
    """A TEXT of row 3 drawn 0.001 degrees east of the station, relative
    factor 0.5 about the station: it ends 0.0005 degrees east of it."""
    setup(resources, root)
    lon, lat = cs2cs(binary, 617402.3, 5623055.1)
    src = os.path.join(root, "station_in.dxf")
    drawing(src, "GEOGRAPHIC Clarke 1866")
    doc = ezdxf.readfile(src)
    for e in list(doc.modelspace()):
        if e.dxftype() != "INSERT":
            doc.modelspace().delete_entity(e)
    rock = [(1000, "GEO"), (1000, "STATN"), (1071, 3), (1000, "ROCKTYPE"), (1000, "3"), (1000, "")]
    doc.modelspace().add_text("Basalt", dxfattribs={"height": 1.0, "insert": (lon + 0.001, lat)}).set_xdata(
        "PETRIVEX", rock)
    doc.saveas(src)
    out = run_pvhost(pvhost, module, resources, root, STATION_SCRIPT, drawing=src)
    check("Scaled... 1 entities" in out, "station scaling: 'Scaled... 1 entities' shown")
    check(re.search(r"\*?0: STATN\.EASTING\n", out), "the station list names the point setup by its table")
    texts = list(ezdxf.readfile(os.path.join(root, "station.dxf")).modelspace().query("TEXT"))
    check(len(texts) == 1, "station scaling: one TEXT")
    for t in texts:
        x, y = tuple(t.dxf.insert)[:2]
        check(abs(x - (lon + 0.0005)) <= TOLERANCE_DEG and abs(y - lat) <= TOLERANCE_DEG,
              "station scaling: TEXT at %r, want %r" % ((x, y), (lon + 0.0005, lat)))
        check(abs(t.dxf.height - 0.5) < 1e-12, "station scaling: height %r, want 0.5" % t.dxf.height)


def main():
    if len(sys.argv) != 6:
        raise SystemExit(__doc__)
    pvhost, module, resources, binary, work = sys.argv[1:]
    root = os.path.join(work, "update")
    setup(resources, root)
    src = os.path.join(root, "wrong.dxf")
    drawing(src, "GEOGRAPHIC Clarke 1866")
    out = run_pvhost(pvhost, module, resources, root, SCRIPT, drawing=src)
    check("Updated... 2 entities" in out, "'Updated... 2 entities' shown (Bonaparte and Hat Creek)")
    check("Scaled... 3 entities" in out, "'Scaled... 3 entities' shown (the three TEXTs)")
    want = cs2cs(binary, 617402.3, 5623055.1)
    updated = ezdxf.readfile(os.path.join(root, "updated.dxf"))
    texts = {t.dxf.text.strip(): t for t in updated.modelspace().query("TEXT")}
    check(sorted(texts) == ["Bonaparte", "Hat Creek", "note"], "TEXTs after the update %r" % sorted(texts))
    if "note" in texts:
        check(tuple(texts["note"].dxf.insert)[:2] == (-99.0, 8.0), "the attached object stays")
        check(tags(texts["note"]) == ATTACHED, "the attached object keeps its row's link %r" % tags(texts["note"]))
    if "Hat Creek" in texts:
        check(tuple(texts["Hat Creek"].dxf.insert)[:2] == (30.0, 30.0), "the row at (0, 0, 0) keeps its symbol")
    lines = list(updated.modelspace().query("LINE"))
    check(len(lines) == 1 and tuple(lines[0].dxf.start)[:2] == (-100.0, 12.0) and tags(lines[0]) == LINK,
          "the linked LINE is not updated")
    circles = list(updated.modelspace().query("CIRCLE"))
    check(len(circles) == 1 and tuple(circles[0].dxf.center)[:2] == (-90.0, 12.0) and tags(circles[0]) == LINK,
          "the linked CIRCLE is not updated")
    for text in [texts["Bonaparte"]] if "Bonaparte" in texts else []:
        got = tuple(text.dxf.insert)[:2]
        check(abs(got[0] - want[0]) <= TOLERANCE_DEG and abs(got[1] - want[1]) <= TOLERANCE_DEG,
              "TEXT at %r, cs2cs gives %r" % (got, want))
        check(tags(text) == LINK, "TEXT link %r, want %r" % (tags(text), LINK))
    scaled = ezdxf.readfile(os.path.join(root, "scaled.dxf"))
    texts = list(scaled.modelspace().query("TEXT"))
    check([t.dxf.height for t in texts] == [2.5] * 3, "TEXT heights %r, want 2.5" % [t.dxf.height for t in texts])
    check(len(list(scaled.modelspace().query("LINE"))) == 1, "the LINE stays")
    refs = list(scaled.modelspace().query("INSERT"))
    check(len(refs) == 1 and tuple(refs[0].dxf.insert) == (0, 0, 0) and refs[0].dxf.xscale == 1.0
          and refs[0].dxf.yscale == 1.0, "the setup block's reference is unchanged")

    station_run(pvhost, module, resources, binary, os.path.join(work, "station"))

    # Rows fetched for a batch of symbols at once redraw what rows fetched
    # one by one redraw, with the same messages for the missing ones.
    out = held_against_single(pvhost, module, resources, os.path.join(work, "batch"),
                              '(pv_open "RIDGE" "DB3" "" "")\npv-update\nALL\n\nSAVE out.dxf\n(pv_logoff)\nQUIT\n', 83)
    check(re.search(r"Updated\.\.\. [1-9]\d\d entities", out) and "Row not found" in out,
          "the random drawing is updated, rows missing for some")

    root = os.path.join(work, "noproj")
    setup(resources, root)
    src = os.path.join(root, "user.dxf")
    drawing(src, "NOWHERE 99")
    out = run_pvhost(pvhost, module, resources, root,
                     '(pv_open "GEO" "DB3" "" "")\npv-update\nSAVE same.dxf\n(pv_logoff)\nQUIT\n', drawing=src)
    check("No map projection defined.\nUse Map Setup unded DU-ZOREZ to initialize map." in out,
          "without a map projection the refusal is shown")
    check("Updating" not in out, "without a map projection nothing is updated")
    if FAILURES:
        raise SystemExit("%d check(s) failed" % len(FAILURES))
    print("pv-update and pv-scale end to end: all checks passed")


if __name__ == "__main__":
    main()
