#!/usr/bin/python3
"""pv-stereo and pv-rose end to end through pvhost: a DB3 project GEO with the structure
table STRUC (STRIKE, DIP, AZIM) and a drawing of INSERTs linked to its rows
(one of them twice), both made here; ezdxf reads back the blocks of the net and of the rose and
where they were put. On the equal-area net every plane of strikes 0 to 350 by 10 and dips 10
to 90 by 10 is drawn on its own great circle (every point of it within 0.001 of the radius) and
its pole mark is centred on the pole.

  stereo_e2e.py PVHOST MODULE RESOURCES WORKDIR
"""
import math
import os
import shutil
import sys

import ezdxf

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data"))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "map"))
import e2e_tables  # noqa: E402
from e2e_tables import FAILURES, PVCOLUMN_FIELDS, PVTABLE_FIELDS, check, table  # noqa: E402
from e2e_util import run_pvhost_driver_killed  # noqa: E402

# (base number, strike, dip, azimuth) of every STRUC row.
ROWS = [(1, 330, 30, 10), (2, 0, 0, 20), (3, 45, 90, 100), (4, 120, 60, 350), (5, 200, 89, None)]
# The rose's wedges over 10, 20, 100 and 350 in intervals of 30 (row 5 has no azimuth).
WEDGES = [[(0, 0), (0, 1), (0.5, 0.866025)], [(0, 0), (0.5, 0), (0.433013, -0.25)],
          [(0, 0), (-0.25, 0.433013), (0, 0.5)]]
VERTICAL_CENTRE = 4999.99995   # a vertical plane's arc: centre distance and radius
VERTICAL_RADIUS = 5000.00005


def make_project(root, rows=ROWS):
    shutil.rmtree(root, ignore_errors=True)
    d = os.path.join(root, "projects", "GEO")
    os.makedirs(d)
    table(os.path.join(d, "STRUC.DBF"), "BASENUMBER N(8,0); OUTCROP N(8,0); STRIKE N(8,2); DIP N(8,2); AZIM N(8,2); "
          "NOTE C(10)", [(n, n, s, dp, a, "") for n, s, dp, a in rows])
    table(os.path.join(d, "PVTABLE.DBF"), PVTABLE_FIELDS,
          [e2e_tables.registry_row("STRUC", "OUTCROP", OUTCROP="OUTCROP")])
    table(os.path.join(d, "PVCOLUMN.DBF"), PVCOLUMN_FIELDS, [])
    with open(os.path.join(root, "asi.ini"), "w") as f:
        f.write("[ENVIRONMENTS]\nDB3=\n\n[DB3]\nDriver=pvdb3\nPETRIVEX=projects\nPETRIVEX.GEO=GEO\n\n"
                "[ASE_CATALOGS]\nGEO=projects\n\n[PETRIVEX_MISC]\nGEO.links=0\n")
    doc = ezdxf.new("R12")
    doc.appids.new("PETRIVEX")
    blk = doc.blocks.new("MARK")
    blk.add_circle((0, 0), 0.5)
    msp = doc.modelspace()
    # Row 1 is drawn twice (added, then plotted again from the browser): it counts once.
    for n, _, _, _ in rows + rows[:1]:
        ins = msp.add_blockref("MARK", (n * 10, 0))
        ins.set_xdata("PETRIVEX", [(1000, "GEO"), (1000, "STRUC"), (1071, n), (1000, "OUTCROP"),
                                   (1000, str(n)), (1000, "")])
    doc.saveas(os.path.join(root, "in.dxf"))


def expected_arc(strike, dip):
    """Centre and radius of a plane's great circle on the unit net."""
    towards = math.radians(-strike)   # drawing angle of the dip direction
    far = VERTICAL_CENTRE if dip == 90 else math.tan(math.radians(dip))
    radius = VERTICAL_RADIUS if dip == 90 else 1 / math.cos(math.radians(dip))
    return (-far * math.cos(towards), -far * math.sin(towards)), radius


def test_stereonet(args, work):
    root = os.path.join(work, "net")
    make_project(root)
    script = ('(pv_open "GEO" "DB3" "" "")\npv-stereo\npv_stereonet\nselect project 0\npick planar\n'
              "pick pole\npick gcircle\npick stereo\nselect strike 2\nselect dip 3\nset netname NET1\nok\n"
              "ALL\n\n100,100\n110,100\n"
              "pv-rose\npv_rose\nselect rose_project 0\nselect rose_angle 4\nset rose_interval 30\n"
              "set rose_name ROSE1\nok\nALL\n\n200,200\n205,200\nSAVE out.dxf\n(pv_logoff)\nQUIT\n")
    status, out = e2e_tables.pvhost_run(args, root, script)
    check(status == 0, "pvhost exit status %d" % status)
    net, _, rose = out.partition("Command: pv-rose")
    check("Plotted... %d entities" % len(ROWS) in net, "every linked row plotted once")
    check("Plotted... 4 entities" in rose, "the rows with an azimuth counted once")
    doc = ezdxf.readfile(os.path.join(root, "out.dxf"))
    check("NET1" in doc.blocks, "block NET1 made")
    if "NET1" not in doc.blocks:
        return
    ents = list(doc.blocks.get("NET1"))
    kinds = [e.dxftype() for e in ents]
    check(kinds.count("CIRCLE") == 1 and kinds.count("LINE") == 3, "net circle and three lines: %s" % kinds)
    texts = [e.dxf.text for e in ents if e.dxftype() == "TEXT"]
    check(sorted(texts) == ["N", "NET1"], "texts N and the title: %s" % texts)
    arcs = {}
    for e in ents:
        if e.dxftype() == "ARC" and e.has_xdata("PETRIVEX"):
            x = [v.value for v in e.get_xdata("PETRIVEX")]
            arcs[int(x[2])] = e
    check(sorted(arcs) == [n for n, _, _, _ in ROWS], "one linked ARC per row: %s" % sorted(arcs))
    for n, strike, dip, _ in ROWS:
        if n not in arcs:
            continue
        (cx, cy), r = expected_arc(strike, dip)
        a = arcs[n]
        check(abs(a.dxf.center.x - cx) < 1e-6 and abs(a.dxf.center.y - cy) < 1e-6,
              "row %d centre %s, expected (%f, %f)" % (n, a.dxf.center, cx, cy))
        check(abs(a.dxf.radius - r) < 1e-6, "row %d radius %f, expected %f" % (n, a.dxf.radius, r))
    inserts = [e for e in doc.modelspace() if e.dxftype() == "INSERT" and e.dxf.name == "NET1"]
    check(len(inserts) == 1, "one INSERT of NET1")
    if inserts:
        i = inserts[0]
        check(abs(i.dxf.insert.x - 100) < 1e-9 and abs(i.dxf.insert.y - 100) < 1e-9, "net placed at (100,100)")
        check(abs(i.dxf.xscale - 10) < 1e-9, "net scaled by the circle's radius")
    check_rose(doc)

    # With the driver ended after the logon no row can be read: that is no
    # net without planes, and nothing is drawn.
    root = os.path.join(work, "net ended")
    make_project(root)
    out = run_pvhost_driver_killed(*args, root, "pv-stereo\npv_stereonet\nselect project 0\npick planar\npick pole\n"
                                   "pick gcircle\npick stereo\nselect strike 2\nselect dip 3\nset netname NET1\nok\n"
                                   "ALL\n\nSAVE out.dxf\n(pv_logoff)\nQUIT\n", drawing="in.dxf")
    check("Nothing was plotted: row " in out and " of table STRUC cannot be read" in out and "Plotted..." not in out,
          "ended driver: the unread row is reported")
    check("NET1" not in ezdxf.readfile(os.path.join(root, "out.dxf")).blocks, "ended driver: no net made")


def check_rose(doc):
    check("ROSE1" in doc.blocks, "block ROSE1 made")
    if "ROSE1" not in doc.blocks:
        return
    ents = list(doc.blocks.get("ROSE1"))
    texts = sorted(e.dxf.text for e in ents if e.dxftype() == "TEXT")
    check(texts == ["Maximum = 2", "N", "ROSE1", "Total   = 4"], "rose texts: %s" % texts)
    check([e.dxftype() for e in ents].count("LINE") == 3, "both axes and the west half-axis")
    solids = [[(round(p[0], 6), round(p[1], 6)) for p in (e.dxf.vtx0, e.dxf.vtx1, e.dxf.vtx2)]
              for e in ents if e.dxftype() == "SOLID"]
    want = [[(round(x, 6), round(y, 6)) for x, y in w] for w in WEDGES]
    check(sorted(solids) == sorted(want), "wedges %s, expected %s" % (solids, want))
    inserts = [e for e in doc.modelspace() if e.dxftype() == "INSERT" and e.dxf.name == "ROSE1"]
    check(len(inserts) == 1 and abs(inserts[0].dxf.xscale - 5) < 1e-9, "rose placed with scale 5")


# Every plane of the equal-area net, (base number, strike, dip, azimuth).
PLANES = [(1 + i, strike, dip, None) for i, (strike, dip) in
          enumerate((s, d) for s in range(0, 360, 10) for d in range(10, 91, 10))]
# Largest distance of a drawn point from its true curve or mark, as a part of the net's radius.
NET_TOLERANCE = 0.001


def plane_normal(strike, dip):
    """Unit normal of a plane (x east, y north, z up)."""
    s, d = math.radians(strike), math.radians(dip)
    return (math.cos(s) * math.sin(d), -math.sin(s) * math.sin(d), math.cos(d))


def net_to_line(x, y):
    """The unit line vector (pointing down) whose equal-area image on the unit net is (x, y)."""
    r = math.hypot(x, y)
    c = 2 * math.asin(min(1.0, r / math.sqrt(2)))   # angle from the nadir
    h = math.sin(c) / r if r > 0 else 0.0
    return (x * h, y * h, -math.cos(c))


def curve_points(e):
    """Points along a drawn great circle: every vertex of a polyline and the middle of each
    chord, or 400 points along an arc."""
    if e.dxftype() == "ARC":
        a0, a1 = math.radians(e.dxf.start_angle), math.radians(e.dxf.end_angle)
        a1 += 2 * math.pi if a1 < a0 else 0
        c, r = e.dxf.center, e.dxf.radius
        return [(c.x + r * math.cos(a0 + (a1 - a0) * i / 400), c.y + r * math.sin(a0 + (a1 - a0) * i / 400))
                for i in range(401)]
    v = [(p.dxf.location.x, p.dxf.location.y) for p in e.vertices]
    return v + [((a[0] + b[0]) / 2, (a[1] + b[1]) / 2) for a, b in zip(v, v[1:])]


def pole_on_net(strike, dip):
    """The equal-area point of a plane's pole: trend opposite the dip direction, plunge 90 - dip."""
    trend, plunge = math.radians(strike - 90), math.radians(90 - dip)
    r = math.sqrt(2) * math.sin(math.pi / 4 - plunge / 2)
    return r * math.sin(trend), r * math.cos(trend)


def linked(ents, kinds):
    out = {}
    for e in ents:
        if e.dxftype() in kinds and e.has_xdata("PETRIVEX"):
            out[int([v.value for v in e.get_xdata("PETRIVEX")][2])] = e
    return out


def test_equal_area(args, work):
    """Great circles and poles of every plane on the equal-area net. The net's scale is at most
    its radius a radian, so a point within 0.001 radians of its plane lies within 0.001 of the
    radius of its curve."""
    root = os.path.join(work, "equal")
    make_project(root, PLANES)
    script = '(pv_open "GEO" "DB3" "" "")\n'
    # Planar picks poles; picking both toggles gives great circles instead.
    for name, kind in (("CIRCLES", "pick pole\npick gcircle\n"), ("POLES", "")):
        script += ("pv-stereo\npv_stereonet\nselect project 0\npick planar\n%sselect strike 2\nselect dip 3\n"
                   "set netname %s\nok\nALL\n\n100,100\n110,100\n" % (kind, name))
    status, _ = e2e_tables.pvhost_run(args, root, script + "SAVE out.dxf\n(pv_logoff)\nQUIT\n")
    check(status == 0, "pvhost exit status %d" % status)
    doc = ezdxf.readfile(os.path.join(root, "out.dxf"))
    circles = linked(doc.blocks.get("CIRCLES") or [], ("ARC", "POLYLINE"))
    check(len(circles) == len(PLANES), "%d great circles of %d planes" % (len(circles), len(PLANES)))
    for n, strike, dip, _ in PLANES:
        if n not in circles:
            continue
        normal = plane_normal(strike, dip)
        off = max(abs(math.asin(max(-1.0, min(1.0, sum(a * b for a, b in zip(net_to_line(x, y), normal))))))
                  for x, y in curve_points(circles[n]))
        check(off <= NET_TOLERANCE, "plane %d/%d: a point of its great circle %.4f off the plane" % (strike, dip, off))
    marks = linked(doc.blocks.get("POLES") or [], ("TEXT",))
    check(len(marks) == len(PLANES), "%d pole marks of %d planes" % (len(marks), len(PLANES)))
    for n, strike, dip, _ in PLANES:
        if n not in marks:
            continue
        align, (x, y, _), _ = marks[n].get_placement()
        px, py = pole_on_net(strike, dip)
        check(align == ezdxf.enums.TextEntityAlignment.MIDDLE_CENTER and math.hypot(x - px, y - py) <= NET_TOLERANCE,
              "pole of %d/%d: the middle of its mark (%s) at (%.4f, %.4f), the pole at (%.4f, %.4f)"
              % (strike, dip, align.name, x, y, px, py))


# Dialog answers, each followed by the error it must show.
# Without a project OK is disabled, so "No project chosen" cannot be reached here.
STEREO_CHECKS = [("select project 0", "ERROR: Choose Planar or Linear"),
                 ("pick planar", "ERROR: Stereonet must have a title"),
                 ("set netname " + "T" * 513, "ERROR: Stereonet title is too long"),
                 ("set netname NET2", "ERROR: No strike chosen"),
                 ("pick gcircle", "ERROR: Choose Pole-to-plane or Great-Circle"),  # poles and circles both
                 ("pick pole", "ERROR: No strike chosen"), ("select strike 2", "ERROR: No dip chosen"),
                 ("select dip 2", "ERROR: Strike cannot be same as Dip"),
                 ("select dip 5", "ERROR: Dip is non-numeric"),
                 ("pick linear", "ERROR: No trend chosen"), ("select trend 2", "ERROR: No plunge chosen"),
                 ("select plunge 5", "ERROR: Plunge is non-numeric"),
                 ("select plunge 2", "ERROR: Trend cannot be same as Plunge")]
ROSE_CHECKS = [("select rose_project 0", "ERROR: Diagram must have a title"),
               ("set rose_name " + "R" * 513, "ERROR: Diagram title is too long"),
               ("set rose_name R2", "ERROR: No angle chosen"), ("select rose_angle 5", "ERROR: Angle is non-numeric"),
               ("select rose_angle 4", "ERROR: Minimum interval is 1.0"),
               ("set rose_interval 400", "ERROR: Interval exceeds 360"),
               ("pick rose_360", "ERROR: Choose 180 or 360 degrees")]


def test_dialog_checks(args, work):
    root = os.path.join(work, "checks")
    make_project(root)
    script = '(pv_open "GEO" "DB3" "" "")\npv-stereo\npv_stereonet\n'
    for answer, _ in STEREO_CHECKS:
        script += (answer + "\n" if answer else "") + "ok\nshow\n"
    script += "cancel\npv-rose\npv_rose\n"
    for answer, _ in ROSE_CHECKS:
        script += (answer + "\n" if answer else "") + "ok\nshow\n"
    script += "cancel\n(pv_logoff)\nQUIT\n"
    status, out = e2e_tables.pvhost_run(args, root, script)
    check(status == 0, "pvhost exit status %d" % status)
    at = 0
    for answer, message in STEREO_CHECKS + ROSE_CHECKS:
        found = out.find(message, at)
        check(found >= 0, "after %r the dialog shows %r" % (answer, message))
        at = max(at, found)


def main():
    if len(sys.argv) != 5:
        print(__doc__)
        return 2
    args = sys.argv[1:4]
    work = sys.argv[4]
    test_stereonet(args, work)
    test_dialog_checks(args, work)
    test_equal_area(args, work)
    print("%d failure(s)" % len(FAILURES))
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
