#!/usr/bin/python3
"""A query restricted to an area drawn in the map, end to end through
pvhost on a DB3 project made here: STATION with its X and Y under a point
setup.

  qry_area_e2e.py PVHOST MODULE RESOURCES CS2CS WORKDIR

pv-query: the column STATION.X with INSIDE, "area", pv_sel_mode accepted,
four points and RETURN; the dialog comes back with the row, which is
modified, given the output columns, named and run. The browser lists the
stations that shapely's Polygon.contains puts inside the ring and no
other. After pv-save, dbfread finds the ring's five points in PVQPOINT;
after a new logon the stored query, run again, lists the same stations.
With a geographic point setup under a UTM map the stored points are the
drawn ones converted as cs2cs converts them, to the millimetre. A ring
that crosses itself is refused point by point, and a pick with no map
projection is refused with its message before anything is asked.
"""
import os
import random
import re
import shutil
import subprocess
import sys

import dbfread
from shapely.geometry import LineString, Point, Polygon

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data"))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "map"))
from e2e_tables import PVTABLE_FIELDS, registry_row, table  # noqa: E402
from e2e_util import FAILURES, check, map_setup_drawing, run_pvhost  # noqa: E402

UTM = "UTM 10 NAD27"
GEOGRAPHIC = "GEOGRAPHIC Clarke 1866"
CS2CS_UTM = ["+proj=utm", "+zone=10", "+ellps=clrk66"]
CS2CS_GEO = ["+proj=longlat", "+ellps=clrk66"]
TOLERANCE_M = 0.001
# Registered columns in list order: STATION.BASENUMBER 0, STATION 1, NAME 2, X 3, Y 4.
COL_NAME, COL_X, COL_Y = 2, 3, 4
OP_INSIDE = 11
OP_NEAR = 13
# The drawn ring (map units), its corners in drawing order.
RING_UTM = [(600010.0, 5000020.0), (600180.0, 5000005.0), (600160.0, 5000170.0), (600030.0, 5000140.0)]
SEED = 44


def cs2cs(points, src, dst):
    text = "".join("%.9f %.9f\n" % p for p in points)
    r = subprocess.run([CS2CS] + ["-f", "%.10f"] + src + ["+to"] + dst, input=text, capture_output=True,
                       text=True, timeout=30, check=True)
    return [tuple(float(v) for v in line.split()[:2]) for line in r.stdout.splitlines()]


def stations_utm():
    """Thirty stations spread over and around the ring, none near its edges."""
    rng = random.Random(SEED)
    ring = Polygon(RING_UTM)
    out = []
    while len(out) < 30:
        p = (round(rng.uniform(599950, 600250), 3), round(rng.uniform(4999950, 5000250), 3))
        if ring.exterior.distance(Point(p)) > 1.0:
            out.append(p)
    return out


def make_project(root, setup_projection, stations):
    shutil.rmtree(root, ignore_errors=True)
    d = os.path.join(root, "projects", "SPAT")
    os.makedirs(d)
    shutil.copytree(os.path.join(RESOURCES, "projects", "Projections"), os.path.join(root, "projects", "Projections"))
    table(os.path.join(d, "STATION.DBF"), "BASENUMBER N(8,0); STATION N(8,0); NAME C(20); X N(19,9); Y N(19,9)",
          [(i + 1, i + 1, "S%02d" % (i + 1), x, y) for i, (x, y) in enumerate(stations)])
    table(os.path.join(d, "PVTABLE.DBF"), PVTABLE_FIELDS, [registry_row("STATION", "STATION", STATION="STATION")])
    table(os.path.join(d, "PVPOINT.DBF"), "TABLENAME C(20); XCOLUMN C(20); YCOLUMN C(20); ZCOLUMN C(20); "
          "SYMCOLUMN C(20); PROJECTION C(32)", [("STATION", "X", "Y", "", "", setup_projection)])
    with open(os.path.join(root, "asi.ini"), "w") as f:
        f.write("[ENVIRONMENTS]\nDB3=\n\n[DB3]\nDriver=pvdb3\nPETRIVEX=projects\n"
                "PETRIVEX.Projections=Projections\nPETRIVEX.SPAT=SPAT\n\n"
                "[ASE_CATALOGS]\nSPAT=projects\n\n[PETRIVEX_MISC]\nSPAT.links=0\n")
    drawing(os.path.join(root, "map.dxf"), UTM)


def drawing(path, proj):
    """A drawing whose map setup block names the map's projection."""
    map_setup_drawing(proj).saveas(path)


def points_text(ring):
    return "".join("%.3f,%.3f\n" % p for p in ring)


OPEN = '(pv_open "SPAT" "DB3" "" "")\n'
SAVE = "pv-save\npv_yesno_small\nok\n(pv_logoff)\nQUIT\n"


def query_script(ring):
    """pv-query: STATION.X INSIDE an area drawn with the ring's corners and
    RETURN; the row modified, NAME shown, the query named AREA1 and run."""
    return (OPEN + "pv-query\npv_condition\nselect column %d\nselect operator %d\npick area\n"
            "pv_sel_mode\nok\n" % (COL_X, OP_INSIDE) + points_text(ring) + "\n"
            "pv_condition\npick modify\nselect output %d\nset qname AREA1\npick query\n" % COL_NAME)


def listed(out):
    """The station names the browser pages show."""
    return sorted(set(re.findall(r"\bS\d\d\b", out)))


def browser_answers():
    return "pv_msg_box\nok\npv_table_large\nshow\nok\n"


def run(root, script):
    return run_pvhost(PVHOST, MODULE, RESOURCES, root, script, drawing=os.path.join(root, "map.dxf"))


def pvqpoint(root):
    path = os.path.join(root, "projects", "SPAT", "PVQPOINT.DBF")
    if not os.path.exists(path):
        return []
    rows = [dict(r) for r in dbfread.DBF(path)]
    rows.sort(key=lambda r: r["POSITION"])
    return rows


def utm_case(work):
    """The point setup in the map's own system: the ring is stored as drawn."""
    root = os.path.join(work, "utm")
    stations = stations_utm()
    make_project(root, UTM, stations)
    inside = sorted("S%02d" % (i + 1) for i, p in enumerate(stations) if Polygon(RING_UTM).contains(Point(p)))
    check(0 < len(inside) < len(stations), "the sample puts some stations inside and some outside")
    out = run(root, query_script(RING_UTM) + browser_answers() + SAVE)
    check(listed(out) == inside, "browser lists %r, shapely puts %r inside" % (listed(out), inside))
    pts = pvqpoint(root)
    check(len(pts) == 5, "PVQPOINT holds five points: %d" % len(pts))
    want = RING_UTM + [RING_UTM[0]]
    got = [(r["X"], r["Y"]) for r in pts]
    check(len(got) == 5 and all(abs(g[0] - w[0]) < 1e-6 and abs(g[1] - w[1]) < 1e-6 for g, w in zip(got, want)),
          "stored ring %r, drawn %r" % (got, want))
    # A new logon gives the ring back: the stored query lists the same stations.
    out = run(root, OPEN + "pv-query\npv_condition\nselect queries 0\npick query\n" + browser_answers() +
              "(pv_logoff)\npv_yesno_small\nok\nQUIT\n")
    check(listed(out) == inside, "after a new logon the stored query lists %r, want %r" % (listed(out), inside))


def geographic_case(work):
    """A geographic point setup under a UTM map: the ring is kept in degrees."""
    root = os.path.join(work, "geographic")
    stations = stations_utm()
    make_project(root, GEOGRAPHIC, cs2cs(stations, CS2CS_UTM, CS2CS_GEO))
    inside = sorted("S%02d" % (i + 1) for i, p in enumerate(stations) if Polygon(RING_UTM).contains(Point(p)))
    out = run(root, query_script(RING_UTM) + browser_answers() + SAVE)
    check(listed(out) == inside, "geographic: browser lists %r, want %r" % (listed(out), inside))
    pts = pvqpoint(root)
    check(len(pts) == 5, "geographic: PVQPOINT holds five points: %d" % len(pts))
    if len(pts) == 5:
        back = cs2cs([(r["X"], r["Y"]) for r in pts], CS2CS_GEO, CS2CS_UTM)
        want = RING_UTM + [RING_UTM[0]]
        worst = max(max(abs(b[0] - w[0]), abs(b[1] - w[1])) for b, w in zip(back, want))
        print("geographic: stored ring within %.9f m of the drawn one, by cs2cs" % worst)
        check(worst <= TOLERANCE_M, "geographic: stored points %.6f m from the drawn ones by cs2cs" % worst)


# A closed LWPOLYLINE and an open one already in the drawing, picked by a
# point on their first edge.
PICKED_RING = [(600020.0, 5000010.0), (600200.0, 5000040.0), (600120.0, 5000190.0), (600000.0, 5000120.0)]
PICKED_LINE = [(599960.0, 5000000.0), (600100.0, 5000100.0), (600240.0, 5000060.0)]
NEAR_M = 30.0


def on_first_edge(pts):
    (x1, y1), (x2, y2) = pts[0], pts[1]
    return "%.3f,%.3f\n" % ((x1 + x2) / 2, (y1 + y2) / 2)


def picked_case(work):
    """An area and a line taken from polylines of the drawing: INSIDE the
    closed one, then NEAR (30 m) the open one."""
    root = os.path.join(work, "picked")
    stations = [p for p in stations_utm() if abs(LineString(PICKED_LINE).distance(Point(p)) - NEAR_M) > 1.0]
    make_project(root, UTM, stations)
    doc = map_setup_drawing(UTM)
    doc.modelspace().add_lwpolyline(PICKED_RING, close=True)
    doc.modelspace().add_lwpolyline(PICKED_LINE)
    doc.saveas(os.path.join(root, "map.dxf"))
    names = ["S%02d" % (i + 1) for i in range(len(stations))]
    inside = sorted(n for n, p in zip(names, stations) if Polygon(PICKED_RING).contains(Point(p)))
    near = sorted(n for n, p in zip(names, stations) if LineString(PICKED_LINE).distance(Point(p)) <= NEAR_M)
    check(0 < len(near) < len(stations), "the sample puts some stations near the line and some not")
    out = run(root, OPEN + "pv-query\npv_condition\nselect column %d\nselect operator %d\npick area\n"
              "pv_sel_mode\npick sel_option\nok\n" % (COL_X, OP_INSIDE) + on_first_edge(PICKED_RING) +
              "pv_condition\npick modify\nselect output %d\npick query\n" % COL_NAME + browser_answers() +
              "(pv_logoff)\nQUIT\n")
    check(listed(out) == inside, "picked area: browser lists %r, want %r" % (listed(out), inside))
    out = run(root, OPEN + "pv-query\npv_condition\nselect column %d\nselect operator %d\npick line\n"
              "pv_sel_mode\npick sel_option\nok\n" % (COL_Y, OP_NEAR) + on_first_edge(PICKED_LINE) +
              "pv_condition\nset value %g\npick modify\nselect output %d\npick query\n" % (NEAR_M, COL_NAME) +
              browser_answers() + "(pv_logoff)\nQUIT\n")
    check(listed(out) == near, "picked line: browser lists %r, want those within %g m: %r" % (listed(out), NEAR_M, near))


def refusals(work):
    """A bow-tie refused point by point and picked as a closed LWPOLYLINE;
    no map projection refuses the pick."""
    root = os.path.join(work, "refused")
    make_project(root, UTM, stations_utm())
    bow = [(600000.0, 5000000.0), (600100.0, 5000100.0), (600100.0, 5000000.0), (600000.0, 5000100.0)]
    out = run(root, OPEN + "pv-query\npv_condition\nselect column %d\nselect operator %d\npick area\n"
              "pv_sel_mode\nok\n" % (COL_X, OP_INSIDE) + points_text(bow) + "\n"
              "pv_condition\ncancel\n(pv_logoff)\nQUIT\n")
    check("Polygon edges cannot intersect." in out, "the bow-tie's crossing point is refused")
    doc = map_setup_drawing(UTM)
    doc.modelspace().add_lwpolyline(bow, close=True)
    doc.saveas(os.path.join(root, "map.dxf"))
    out = run(root, OPEN + "pv-query\npv_condition\nselect column %d\nselect operator %d\npick area\n"
              "pv_sel_mode\npick sel_option\nok\n" % (COL_X, OP_INSIDE) + on_first_edge(bow) +
              "*cancel*\npv_condition\ncancel\n(pv_logoff)\nQUIT\n")
    check("The polygon crosses itself." in out, "the bow-tie picked as a closed LWPOLYLINE is refused")
    check(out.count("Select a polyline:") == 2, "after the refusal the user is asked again")
    drawing(os.path.join(root, "map.dxf"), "NOWHERE")
    out = run(root, OPEN + "pv-query\npv_condition\nselect column %d\nselect operator %d\npick area\n"
              "pv_condition\ncancel\n(pv_logoff)\nQUIT\n" % (COL_X, OP_INSIDE))
    check("No projection assigned to map.\nUse the Map Setup option in DU-ZOREZ." in out,
          "without a map projection the pick is refused with its message")


def main():
    global PVHOST, MODULE, RESOURCES, CS2CS
    if len(sys.argv) != 6:
        raise SystemExit(__doc__)
    PVHOST, MODULE, RESOURCES, CS2CS, work = sys.argv[1:]
    os.makedirs(work, exist_ok=True)
    utm_case(work)
    geographic_case(work)
    picked_case(work)
    refusals(work)
    if FAILURES:
        print("%d check(s) failed" % len(FAILURES))
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
