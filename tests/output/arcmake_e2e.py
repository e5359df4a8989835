#!/usr/bin/python3
"""pv-arcmake end to end through pvhost: a DB3 project GEO with the sample
projections, a drawing whose map is "GEOGRAPHIC Clarke 1866" and the test
writer's two-square coverage taken as "UTM 10 NAD27". In order: "arcs"
alone without ARCS stops; a coverage of the outside polygon alone is
refused; "table" alone fills ARCS (read back by python3-dbfread, equal to
the arcs ogrinfo reports); an existing ARCS is confirmed before it is
overwritten (No keeps the dialog open); "arcs" draws one polyline per arc
linked to its ARCS row, with its entry in the editor's link store, its
vertices as cs2cs converts the arc's points.
A fill of ARCS from a coverage of 3,004 arcs killed (pvhost or its driver)
at several points leaves, after the next logon, the former ARCS as it was
(or none, when there was none) or the new one whole.

  arcmake_e2e.py PVHOST MODULE RESOURCES WORKDIR COVER_SAMPLES CS2CS
"""
import os
import re
import shutil
import subprocess
import sys
import time

import dbf
import dbfread
import ezdxf

for sub in ("data", "map"):
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", sub))
import e2e_tables  # noqa: E402
from e2e_tables import PVCOLUMN_FIELDS, PVTABLE_FIELDS, registry_row, table  # noqa: E402
from e2e_util import FAILURES, check, run_pvhost_killed  # noqa: E402
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cover_external_check import cut_after_first_arc  # noqa: E402
from out_external_check import layers  # noqa: E402

COVER_SYSTEM = "UTM 10 NAD27"
COVER_PROJ = "+proj=utm +zone=10 +ellps=clrk66"
MAP_SYSTEM = "GEOGRAPHIC Clarke 1866"
ATTDEF_FLAGS = 9
# degrees: well below a millimetre on the ground
SLACK_DEG = 1e-8
ARCS_COLUMNS = ["ARC_NUM", "REC_SIZE", "ARC_ID", "FROM_NODE", "TO_NODE", "LEFT_POLY", "RIGHT_POLY",
                "NUM_VERTEX", "ARC_UNIQUE", "ARC_TYPE"]


def make_project(root, resources):
    shutil.rmtree(root, ignore_errors=True)
    d = os.path.join(root, "projects", "GEO")
    os.makedirs(d)
    for name in ("PVDATUM.DBF", "PVPROJ.DBF"):
        shutil.copy(os.path.join(resources, "projects", "Projections", name), d)
    table(os.path.join(d, "LITH.DBF"), "BASENUMBER N(8,0); LONGNAME C(32)", [(0, "LITH")])
    table(os.path.join(d, "PVTABLE.DBF"), PVTABLE_FIELDS, [registry_row("LITH", "DICTION")])
    table(os.path.join(d, "PVCOLUMN.DBF"), PVCOLUMN_FIELDS, [])
    with open(os.path.join(root, "asi.ini"), "w") as f:
        f.write("[ENVIRONMENTS]\nDB3=\n\n[DB3]\nDriver=pvdb3\nPETRIVEX=projects\nPETRIVEX.GEO=GEO\n\n"
                "[ASE_CATALOGS]\nGEO=projects\n\n[PETRIVEX_MISC]\nGEO.links=1\n")
    doc = ezdxf.new("R2000")
    block = doc.blocks.new_anonymous_block(type_char="U")
    for i, (tag, value) in enumerate((("NAME", "PETRIVEX_PARAMS"), ("PROJ", MAP_SYSTEM),
                                      ("SCALE", "1.000000"), ("HEIGHT", "1.000000"))):
        block.add_attdef(tag, (0, -i), text=value, dxfattribs={"prompt": tag, "flags": ATTDEF_FLAGS})
    doc.modelspace().add_blockref(block.name, (0, 0, 0), dxfattribs={"layer": "0"})
    doc.saveas(os.path.join(root, "in.dxf"))


def projection_index(args, root):
    """The position of the coverage's system in the dialog's projection list."""
    status, out = e2e_tables.pvhost_run(args, root, '(pv_open "GEO" "DB3" "" "")\npv-arcmake\npv_arc\n'
                                        "select project 0\nshow\ncancel\n(pv_logoff)\nQUIT\n")
    form = out.split("=== Dialog pv_arc", 1)[-1]
    block = form.split("projection", 1)[-1]
    for n, name in re.findall(r"^\s+\*?(\d+): (.*)$", block, re.M):
        if name.strip() == COVER_SYSTEM:
            return int(n)
    raise SystemExit("no %s in the projection list:\n%s" % (COVER_SYSTEM, form))


def dialog(cover, projection, toggles):
    return ("pv_arc\nselect project 0\nset covername %s\nselect projection %d\n%s" %
            (cover, projection, "".join("pick %s\n" % t for t in toggles)))


def cs2cs(path, points):
    text = "".join("%r %r\n" % p for p in points)
    r = subprocess.run([path, "-f", "%.12f"] + COVER_PROJ.split() + ["+to", "+proj=longlat", "+ellps=clrk66"],
                       input=text, capture_output=True, text=True, check=True)
    return [tuple(float(v) for v in line.split()[:2]) for line in r.stdout.splitlines()]


def arc_types(root):
    return [(r["ARC_NUM"], (r["ARC_TYPE"] or "").strip())
            for r in dbfread.DBF(os.path.join(root, "projects", "GEO", "ARCS.DBF"))]


def refill(args, root, cover, utm):
    """The user types a type for arc 2; a coverage whose arc file ends after
    its first arc leaves ARCS as it was, the whole coverage refills it with
    that type kept."""
    path = os.path.join(root, "projects", "GEO", "ARCS.DBF")
    t = dbf.Table(path)
    t.open(dbf.READ_WRITE)
    for r in t:
        if r.arc_num == 2:
            dbf.write(r, arc_type="fault")
    t.close()
    before = arc_types(root)
    cut = os.path.join(root, "cut")
    cut_after_first_arc(cover, cut)
    refill_run = ('(pv_open "GEO" "DB3" "" "")\n'
                  "pv-arcmake\n%sok\npv_yesno_small\nok\n(pv_logoff)\nQUIT\n")
    status, out = e2e_tables.pvhost_run(args, root, refill_run.replace("(pv_logoff)", "pv_alert_wrap\nshow\nok\n(pv_logoff)")
                                        % dialog(cut, utm, ["table"]))
    said = "".join(re.findall(r"^ +\d+: (.*)$", out, re.M)).replace(" ", "")
    check(status == 0 and ("ERROR:3ofthe4arcsofthecoverage%scannotberead.ARCSwasnotchanged." % cut.replace(" ", ""))
          in said, "a coverage with unreadable arcs is refused, named, and how many: %s" % said)
    check(arc_types(root) == before, "ARCS as it was: %r" % arc_types(root))
    status, out = e2e_tables.pvhost_run(args, root, refill_run % dialog(cover, utm, ["table"]))
    check(sorted(arc_types(root)) == [(1, ""), (2, "fault"), (3, ""), (4, "")],
          "ARCS refilled, arc 2 keeps its type: %r" % arc_types(root))


def main():
    if len(sys.argv) != 7:
        print(__doc__)
        return 2
    args, work, cover_samples, cs2cs_path = sys.argv[1:4], sys.argv[4], sys.argv[5], sys.argv[6]
    root = os.path.join(work, "arcs")
    make_project(root, args[2])
    cover, one = os.path.join(root, "cover"), os.path.join(root, "one")
    subprocess.run([cover_samples, "write", cover, "single"], check=True)
    subprocess.run([cover_samples, "write", one, "one"], check=True)
    utm = projection_index(args, root)
    script = ('(pv_open "GEO" "DB3" "" "")\n'
              "pv-arcmake\n" + dialog(cover, utm, ["arcs"]) + "ok\n"
              "pv-arcmake\n" + dialog(one, utm, ["table"]) + "ok\npv_alert_wrap\nshow\nok\n"
              "pv-arcmake\n" + dialog(cover, utm, ["table"]) + "ok\n"
              "pv-arcmake\n" + dialog(cover, utm, ["arcs"]) + "ok\npv_yesno_small\npick no\nshow\n"
              "ok\npv_yesno_small\nok\n"
              "SAVE out.dxf\npv_yesno_small\nok\n(pv_logoff)\nQUIT\n")
    status, out = e2e_tables.pvhost_run(args, root, script)
    check(status == 0, "pvhost exit status %d" % status)
    check("pvhost: fault" not in out, "every dialog answered")
    alerts = re.findall(r"(ERROR: no ARCS table exists\.|ERROR: invalid ArcInfo coverage|"
                        r"Plotted\.\.\. \d+ arcs\nInserted\.\.\. \d+ arcs)", out)
    want = ["ERROR: no ARCS table exists.", "ERROR: invalid ArcInfo coverage",
            "Plotted... 4 arcs\nInserted... 4 arcs", "Plotted... 4 arcs\nInserted... 4 arcs"]
    check(alerts == want, "alerts %r, expected %r" % (alerts, want))
    shown = re.sub(r"\s", "", "".join(re.findall(r"^ +\d+: (.*)$", out, re.M)))
    why = "%s/: %s holds 1 polygon, at least 2 needed (the universe and one more)" % (one, one)
    check(re.sub(r"\s", "", why) in shown, "the refused coverage is named with its cause: %s" % shown)
    runs = out.split("Command: pv-arcmake")[1:]
    asked = [r.split("Command:", 1)[0].count("Dialog: pv_yesno_small") for r in runs]
    check(asked == [0, 0, 0, 2], "the overwrite question asked only when ARCS exists, again after No: %s" % asked)
    check(len(runs) == 4 and "=== Dialog pv_arc" in runs[3], "No keeps the dialog open")

    ogr = layers(cover)["ARC"]
    rows = list(dbfread.DBF(os.path.join(root, "projects", "GEO", "ARCS.DBF")))
    check([f.upper() for f in dbfread.DBF(os.path.join(root, "projects", "GEO", "ARCS.DBF")).field_names]
          == ARCS_COLUMNS, "the columns of ARCS")
    check(len(rows) == len(ogr), "ARCS holds %d rows, ogrinfo %d arcs" % (len(rows), len(ogr)))
    points = {}
    for n, f in sorted(ogr.items()):
        pts = [tuple(float(v) for v in p.split()) for p in f["geometry"][len("LINESTRING ("):-1].split(",")]
        points[n] = pts
        row = next((r for r in rows if r["ARC_NUM"] == n), None)
        check(row is not None, "a row for arc %d" % n)
        if row is None:
            continue
        got = [row[c] for c in ("ARC_ID", "FROM_NODE", "TO_NODE", "LEFT_POLY", "RIGHT_POLY", "NUM_VERTEX",
                                "ARC_UNIQUE")]
        expected = [int(f[k]) for k in ("UserId", "FNODE_", "TNODE_", "LPOLY_", "RPOLY_")] + [len(pts), n]
        check(got == expected, "arc %d row %s, ogrinfo %s" % (n, got, expected))
        check((row["ARC_TYPE"] or "").strip() == "", "arc %d without a type" % n)

    doc = ezdxf.readfile(os.path.join(root, "out.dxf"))
    lines = [p for p in doc.modelspace() if p.dxftype() == "POLYLINE"]
    check(len(lines) == len(ogr), "%d polylines, one per arc" % len(lines))
    store = e2e_tables.store_links(doc)
    want = {p.dxf.handle: ("GEO$ARCS", p.get_xdata("PETRIVEX")[2].value) for p in lines if p.has_xdata("PETRIVEX")}
    check(store == want, "each arc's link-store entry names its ARCS row: %r, want %r" % (store, want))
    for p in lines:
        x = [v.value for v in p.get_xdata("PETRIVEX")] if p.has_xdata("PETRIVEX") else []
        check(len(x) >= 5 and x[:2] == ["GEO", "ARCS"] and x[3] == "ARC_NUM" and str(x[2]) == x[4],
              "polyline linked to its ARCS row: %s" % x)
        if len(x) < 5 or int(x[2]) not in points:
            continue
        want_pts = cs2cs(cs2cs_path, points[int(x[2])])
        got_pts = [(v.dxf.location.x, v.dxf.location.y) for v in p.vertices]
        check(len(got_pts) == len(want_pts) and
              all(abs(a[0] - b[0]) < SLACK_DEG and abs(a[1] - b[1]) < SLACK_DEG for a, b in zip(got_pts, want_pts)),
              "arc %s vertices %s, cs2cs %s" % (x[2], got_pts, want_pts))
    refill(args, root, cover, utm)
    fill_killed(args, work, cover_samples, utm, root)
    print("%d failure(s)" % len(FAILURES))
    return 1 if FAILURES else 0


def arcs_rows(root):
    path = os.path.join(root, "projects", "GEO", "ARCS.DBF")
    return [tuple(r.values()) for r in dbfread.DBF(path)] if os.path.exists(path) else None


def arcs_when_cut(root):
    """What a kill left in ARCS.DBF, for the messages: its rows, or why they
    cannot be read (a kill may leave the file half made)."""
    try:
        rows = arcs_rows(root)
        return None if rows is None else len(rows)
    except Exception as e:   # a header or record cut short
        return "unreadable: %s" % e


def fill_killed(args, work, cover_samples, utm, start):
    """Fill ARCS from a long coverage, killed at several points, over the
    project as start left it (ARCS of four arcs registered) and without ARCS."""
    many = os.path.join(work, "many")
    subprocess.run([cover_samples, "write", many, "many"], check=True)
    root = os.path.join(work, "killed")
    folder = os.path.join(root, "projects", "GEO")

    def fresh(had):
        shutil.rmtree(root, ignore_errors=True)
        shutil.copytree(start, root)
        if not had:
            os.remove(os.path.join(folder, "ARCS.DBF"))
            table(os.path.join(folder, "PVTABLE.DBF"), PVTABLE_FIELDS, [registry_row("LITH", "DICTION")])

    for had in (True, False):
        fill = ('(pv_open "GEO" "DB3" "" "")\npv-arcmake\n' + dialog(many, utm, ["table"]) + "ok\n" +
                ("pv_yesno_small\nok\n" if had else "") + "(pv_logoff)\npv_yesno_small\ncancel\nQUIT\n")
        fresh(had)
        before = arcs_rows(root)
        began = time.time()
        status, _ = e2e_tables.pvhost_run(args, root, fill)
        span = time.time() - began
        filled = arcs_rows(root)
        check(status == 0 and filled is not None and len(filled) == 3004, "an uncut fill fills ARCS whole")
        for trial in range(6):
            fresh(had)
            # The kill comes a little later each time after the folder first changes.
            run_pvhost_killed(args[0], args[1], args[2], root, fill, "in.dxf", [folder], span * trial / 8,
                              trial % 2 == 1)
            what = "%s ARCS, trial %d (%s killed)" % ("former" if had else "no", trial,
                                                      "driver" if trial % 2 else "pvhost")
            cut = arcs_when_cut(root)
            e2e_tables.pvhost_run(args, root, '(pv_open "GEO" "DB3" "" "")\n(pv_logoff)\nQUIT\n')
            after = arcs_rows(root)
            check(after == before or after == filled, "%s: after the next logon ARCS holds %s rows (%s when cut)" %
                  (what, None if after is None else len(after), cut))
            check(not os.path.exists(os.path.join(folder, "ARCS.MRF")), "%s: the mark goes" % what)

if __name__ == "__main__":
    sys.exit(main())
