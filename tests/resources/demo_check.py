#!/usr/bin/python3
"""The demo end to end: runs resources/demo/run-demo on the build in a
scratch TMPDIR and checks that each of its steps reached its closing
message, in order, and left in the scratch copy what it announced: GEO's
drawing with its contact line still linked; the RIDGE drawing with its
nets, roses, chemistry block, strike symbols, pies, drill holes, map units
and arcs, each linked to its rows; RIDGE's saved pie and chemistry
definitions; GEO's stations joined by RIDGE's.

Then it reads the RIDGE map as a geologist would, with other programs'
readers only (ezdxf, its shape-file reader, shapely, ogrinfo): each strike
symbol bears its row's strike with its tick on the dip side, every net and
rose has its N up, every map unit is a valid hatch of its coverage
polygon's area with a pattern of its own, pies tell their metals apart,
the TAS diagram is about square with no label on a marker, and nothing
is too small to see.

  demo_check.py BUILD_DIR RESOURCES WORKDIR
  demo_check.py --picture DRAWING PROJECT_DIR SHAPE_FILE COVERAGE_DIR
"""
import collections
import csv
import glob
import math
import os
import re
import shutil
import subprocess
import sys

import dbfread
import ezdxf
from ezdxf import bbox as ezbbox
from ezdxf import path as ezpath
from ezdxf import shapefile
from shapely import wkt
from shapely.geometry import LineString, MultiLineString, Point, Polygon, box as shapely_box

FAILURES = []

# The closing messages of the demo's steps on RIDGE, in the demo's order.
RIDGE_STEPS = [
    "Plotted... 10 records",                          # STRUC to MAP
    "Plotted... 10 entities",                         # pv-stereo
    "Plotted... 10 entities",                         # pv-rose
    "Plotted... 6 records",                           # Stereo Diagram of the lineations
    "Plotted... 6 records",                           # Rose Diagram of their trends
    "Plotted... 7",                                   # Pie Diagram
    "Plotted... 7",                                   # Chem Diagram
    "Plotted... 3 drill holes",                       # Drill Holes
    "Plotted... 4 records",                           # UNIT to MAP
    "Plotted... 4 map units",                         # pv-arcpoly
    "LEGEND CHECKER: ridge",                          # pv-arclegend
    "ARCS table exists. Overwrite ?",                 # pv-arcmake
    "Plotted... 8 arcs\nInserted... 8 arcs",
    "Your RIDGE setup has been changed.",             # SAVE ridge.dxf
    "The following tables were merged:\n\n     STATN",  # pv-merge
]
# The blocks the diagrams make.
DIAGRAM_BLOCKS = {"PLANES", "STRIKES", "LINEATIONS", "TRENDS", "TAS001"}
RIDGE_STATIONS = list(range(101, 107))


def check(ok, what):
    if not ok:
        FAILURES.append(what)
        print("FAIL:", what)


def in_order(out, texts):
    at = 0
    for t in texts:
        found = out.find(t, at)
        check(found >= 0, "after offset %d the demo shows %r" % (at, t))
        if found >= 0:
            at = found + len(t)


def linked_tables(doc, kind):
    """The tables the entities of one kind are linked to, counted."""
    count = collections.Counter()
    for e in doc.modelspace():
        if e.dxftype() == kind and e.has_xdata("PETRIVEX"):
            x = [v.value for v in e.get_xdata("PETRIVEX")]
            count[(x[0], x[1])] += 1
    return count


def rows(work, table):
    return list(dbfread.DBF(os.path.join(work, "projects", "RIDGE", table + ".DBF")))


def table_rows(project_dir, table):
    return list(dbfread.DBF(os.path.join(project_dir, table + ".DBF")))


def near(a, b):
    return abs(a - b) < 1e-6


def check_values(doc, work):
    """Symbols and chemistry points stand at their rows' own values, not
    at values rounded on the way from the sample tables."""
    where = {int(r["BASENUMBER"]): (r["EASTING"], r["NORTHING"]) for r in rows(work, "STRUC")}
    for e in doc.modelspace():
        if e.dxftype() == "SHAPE" and e.has_xdata("PETRIVEX"):
            n = int([v.value for v in e.get_xdata("PETRIVEX")][2])
            x, y = where.get(n, (None, None))
            check(x is not None and near(e.dxf.insert.x, x) and near(e.dxf.insert.y, y),
                  "STRUC row %d's symbol at %s, its row at (%s, %s)" % (n, e.dxf.insert, x, y))
    if "TAS001" not in doc.blocks:
        return
    labels = {e.dxf.text.strip(): e for e in doc.blocks.get("TAS001") if e.dxftype() == "TEXT"}
    marks = [e.dxf.center for e in doc.blocks.get("TAS001") if e.dxftype() == "CIRCLE"]
    terms = rows(work, "PVCHEM")
    xs, ys = terms[0]["XSCALE"] or 1.0, terms[0]["YSCALE"] or 1.0
    for r in rows(work, "GEOCH"):
        x, y = xs * r["SIO2"], ys * (r["NA2O"] + r["K2O"])
        check(any(near(m.x, x) and near(m.y, y) for m in marks),
              "%s's point on TAS not marked at (%s, %s): %s" % (r["SAMPLE"], x, y, marks))
        # a label set apart from another's still stands beside its point
        label = labels.get(r["SAMPLE"].strip())
        box = ezbbox.extents([label]) if label is not None else None
        far = (math.hypot(max(box.extmin.x - x, 0, x - box.extmax.x), max(box.extmin.y - y, 0, y - box.extmax.y))
               / label.dxf.height if box is not None and box.has_data else None)
        check(far is not None and far <= LABEL_REACH,
              "%s's label on TAS stands %s heights from its point (%s, %s)" % (r["SAMPLE"], far, x, y))


def check_drawing(path, work):
    doc = ezdxf.readfile(path)
    check_values(doc, work)
    blocks = {b.name for b in doc.blocks}
    check(DIAGRAM_BLOCKS <= blocks, "diagram blocks %s in %s" % (sorted(DIAGRAM_BLOCKS - blocks), sorted(blocks)))
    placed = {e.dxf.name for e in doc.modelspace() if e.dxftype() == "INSERT"}
    check(DIAGRAM_BLOCKS <= placed, "every diagram placed: %s" % sorted(placed))
    check(linked_tables(doc, "SHAPE") == {("RIDGE", "STRUC"): 10}, "ten strike symbols linked to STRUC: %s"
          % linked_tables(doc, "SHAPE"))
    pies = [e for e in doc.modelspace() if e.dxftype() == "INSERT" and e.dxf.name.startswith("*")
            and e.has_xdata("PETRIVEX")]
    check(len(pies) == 7, "seven pies linked to their samples: %d" % len(pies))
    check(linked_tables(doc, "HATCH") == {("RIDGE", "UNIT"): 4}, "four hatched units: %s"
          % linked_tables(doc, "HATCH"))
    lines = linked_tables(doc, "POLYLINE")
    check(lines[("RIDGE", "DDH")] == 3, "three drill holes: %s" % lines)
    # the two arcs the legend checker drew and the eight pv-arcmake drew
    check(lines[("RIDGE", "ARCS")] == 10, "ten arcs linked to ARCS: %s" % lines)


def check_contact(path):
    """The contact LINE pv-link linked to station 3's NAME outlives pv-update and pv-edit; the station TEXT
    keeps its layer."""
    doc = ezdxf.readfile(path)
    link = [(1000, "GEO"), (1000, "STATN"), (1071, 3), (1000, "NAME"), (1000, "3"), (1000, "")]
    lines = [[(t.code, t.value) for t in e.get_xdata("PETRIVEX")] if e.has_xdata("PETRIVEX") else []
             for e in doc.modelspace().query("LINE")]
    check(lines == [link], "the contact LINE keeps its link to station 3's NAME: %s" % lines)
    padded = [e.dxf.text for e in doc.modelspace().query("TEXT") if e.dxf.text != e.dxf.text.rstrip()]
    check(not padded, "texts drawn with their column's padding: %s" % padded)
    # STATN's NAME has no symbol setup naming a layer: pv-update leaves the
    # station TEXT on the layer the drawing gave it.
    layers = [e.dxf.layer for e in doc.modelspace().query("TEXT")]
    check(layers == ["STATIONS"], "the station TEXT's layer after pv-update: %s, drawn on STATIONS" % layers)


# ---- The map as a geologist reads it ----

# Largest error of a drawn strike, in degrees.
STRIKE_TOLERANCE_DEG = 0.5
# Largest error of a net's or rose's N, in degrees.
NORTH_TOLERANCE_DEG = 1.0
# Largest relative difference of a hatch's area from its polygon's.
AREA_TOLERANCE = 0.001
# The smallest text or symbol, as a part of the map's extent.
SMALLEST_PART = 1.0 / 500
# The diagrams placed on the map, and the TAS diagram's block.
NETS_AND_ROSES = ("PLANES", "LINEATIONS", "STRIKES", "TRENDS")
TAS_BLOCK = "TAS001"
TAS_RATIO = (0.5, 2.0)
# Farthest a TAS sample's label may stand from its point, in text heights.
LABEL_REACH = 3.0


def link_of(e):
    """(project, table, row id) of a linked entity, else None."""
    if not e.has_xdata("PETRIVEX"):
        return None
    x = [v.value for v in e.get_xdata("PETRIVEX")]
    return x[0], x[1], int(x[2])


def bearing(dx, dy):
    """Compass bearing of a vector in degrees, 0 north, clockwise."""
    return math.degrees(math.atan2(dx, dy)) % 360.0


def angle_apart(a, b, period):
    d = (a - b) % period
    return min(d, period - d)


def shape_segments(shapes, e):
    """The drawn segments of a SHAPE entity as its shape file draws them:
    scaled by its size, turned by its rotation, moved to its point."""
    sym = shapes.find(e.dxf.name.encode())
    if sym is None:
        return None
    rot = math.radians(e.dxf.get("rotation", 0.0))
    size = e.dxf.size
    ix, iy = e.dxf.insert.x, e.dxf.insert.y
    out = []
    for sub in shapes.render_shape(sym.number).sub_paths():
        pts = [(ix + size * (p.x * math.cos(rot) - p.y * math.sin(rot)),
                iy + size * (p.x * math.sin(rot) + p.y * math.cos(rot))) for p in sub.flattening(0.01)]
        out += list(zip(pts, pts[1:]))
    return out


def check_strike_symbols(doc, struc, shapes):
    """Each strike symbol's longest line bears the row's strike and its
    tick lies on the dip side, to the right along the strike."""
    for e in doc.modelspace().query("SHAPE"):
        link = link_of(e)
        if not link or link[1] != "STRUC":
            continue
        r = struc.get(link[2])
        what = "STRUC row %d's %s (SHAPE %s)" % (link[2], e.dxf.name, e.dxf.handle)
        if r is None:
            check(False, "%s is linked to a row that does not exist" % what)
            continue
        what += " for strike %03.0f dip %.0f" % (r["STRIKE"], r["DIP"])
        segs = shape_segments(shapes, e) if shapes else None
        if not segs:
            check(False, "%s: the shape file does not draw %s" % (what, e.dxf.name))
            continue
        strike = max(segs, key=lambda s: math.dist(*s))
        drawn = bearing(strike[1][0] - strike[0][0], strike[1][1] - strike[0][1])
        check(angle_apart(drawn, r["STRIKE"], 180.0) <= STRIKE_TOLERANCE_DEG,
              "%s: drawn striking %03.0f, a geologist reads the wrong strike" % (what, drawn % 180.0))
        dip_dir = math.radians(r["STRIKE"] + 90.0)
        ix, iy = e.dxf.insert.x, e.dxf.insert.y
        ticks = [s for s in segs if s is not strike]
        side = sum((px - ix) * math.sin(dip_dir) + (py - iy) * math.cos(dip_dir) for s in ticks for px, py in s)
        check(ticks and side > 0,
              "%s: the tick lies away from the dip direction %03.0f, a geologist reads the plane dipping the other way"
              % (what, math.degrees(dip_dir) % 360.0))


def check_north_up(doc):
    """The N of every net and rose lies straight above its centre."""
    for e in doc.modelspace().query("INSERT"):
        if e.dxf.name not in NETS_AND_ROSES:
            continue
        ns = [t for t in e.virtual_entities() if t.dxftype() == "TEXT" and t.dxf.text.strip() == "N"]
        if not ns:
            check(False, "net or rose %s has no N" % e.dxf.name)
            continue
        p = ns[0].dxf.insert
        north = bearing(p.x - e.dxf.insert.x, p.y - e.dxf.insert.y)
        check(angle_apart(north, 0.0, 360.0) <= NORTH_TOLERANCE_DEG,
              "%s's N points to %03.0f: a geologist reads every direction on it turned by that" % (e.dxf.name, north))


# Largest error of a drawn drill-hole segment's bearing (degrees) and of
# its horizontal length (a part of the length its survey row gives).
HOLE_BEARING_TOLERANCE_DEG = 0.05
HOLE_LENGTH_TOLERANCE = 0.01
# RIDGE's map system, "UTM 10 NAD27", as PROJ writes it: survey azimuths
# are from true north, which its grid north is turned from by the map's
# convergence (some 1.3 degrees at the property).
RIDGE_MAP_PROJ = "+proj=utm +zone=10 +a=6378206.4 +b=6356583.8 +no_defs"


def grid_bearing_of_true_north(easting, northing):
    """The bearing on RIDGE's UTM grid of true north at a point, degrees,
    by PROJ's cs2cs: the point's longitude and latitude, and the grid
    position of a point a hundredth of a degree north of it."""
    geo = "+proj=longlat +a=6378206.4 +b=6356583.8 +no_defs"
    def run(src, dst, text):
        out = subprocess.run(["cs2cs", "-f", "%.12f"] + src.split() + ["+to"] + dst.split(), input=text,
                             capture_output=True, text=True, timeout=60, check=True).stdout
        return [float(v) for v in out.split()[:2]]
    lon, lat = run(RIDGE_MAP_PROJ, geo, "%.6f %.6f\n" % (easting, northing))
    x, y = run(geo, RIDGE_MAP_PROJ, "%.12f %.12f\n" % (lon, lat + 0.01))
    return bearing(x - easting, y - northing)
# A drill hole's polyline: the collar octagon closed on its first vertex,
# then the trace, then the two ends of the cross bar.
OCTAGON_VERTICES = 9
CROSS_BAR_VERTICES = 2


def hole_surveys(ddh, first):
    """The survey rows of the hole whose first row is numbered first: the
    consecutive rows of its station, in the table's order."""
    order = sorted(ddh)
    at = order.index(first)
    out = []
    for n in order[at:]:
        if ddh[n]["STN"] != ddh[first]["STN"]:
            break
        out.append(ddh[n])
    return out


def check_drill_holes(doc, ddh):
    """Each drill hole's trace runs from its collar as its survey rows
    give it: each segment bears the row's azimuth (from true north, turned
    on the grid by the map's convergence at the collar) and is as long as
    the row's length times the cosine of its dip; a vertical hole is its
    collar alone."""
    drawn = set()
    box = ezbbox.extents(doc.modelspace().query("POLYLINE"))
    least = max(box.size.x, box.size.y) * SMALLEST_PART if box.has_data else 0
    for e in doc.modelspace().query("POLYLINE"):
        link = link_of(e)
        if not link or link[1] != "DDH":
            continue
        if link[2] not in ddh:
            check(False, "drill hole POLYLINE %s is linked to DDH row %d that does not exist" % (e.dxf.handle, link[2]))
            continue
        rows_ = hole_surveys(ddh, link[2])
        hole = rows_[0]["HOLE"].strip()
        drawn.add(hole)
        pts = [(v.dxf.location.x, v.dxf.location.y) for v in e.vertices]
        octagon = pts[:OCTAGON_VERTICES - 1]
        cx = sum(p[0] for p in octagon) / len(octagon) if octagon else 0
        cy = sum(p[1] for p in octagon) / len(octagon) if octagon else 0
        check(near(cx, rows_[0]["EASTING"]) and near(cy, rows_[0]["NORTHING"]) if octagon else False,
              "%s's collar drawn at (%.1f, %.1f), its rows give (%.1f, %.1f)"
              % (hole, cx, cy, rows_[0]["EASTING"], rows_[0]["NORTHING"]))
        width = max((math.dist(p, q) for p in octagon for q in octagon), default=0)
        check(width >= least, "%s's collar is %.1f across on a map %.0f across: too small to see"
              % (hole, width, least / SMALLEST_PART))
        want = [(r["AZIM"], r["LEN"] * math.cos(math.radians(r["DIP"]))) for r in rows_]
        want = [w for w in want if w[1] > 1e-6]
        trace = pts[OCTAGON_VERTICES:-CROSS_BAR_VERTICES] if want else pts[OCTAGON_VERTICES:]
        if not want:
            check(len(pts) == OCTAGON_VERTICES, "%s is vertical: drawn as its collar alone, not %d vertices"
                  % (hole, len(pts)))
            continue
        check(len(trace) == len(want), "%s's trace has %d segments, its survey rows %d" % (hole, len(trace), len(want)))
        start = (cx, cy)
        north = grid_bearing_of_true_north(cx, cy)
        for i, (end, (azimuth, length)) in enumerate(zip(trace, want)):
            dx, dy = end[0] - start[0], end[1] - start[1]
            got = bearing(dx, dy)
            check(angle_apart(got, azimuth + north, 360.0) <= HOLE_BEARING_TOLERANCE_DEG,
                  "%s's segment %d bears %03.1f on the grid, its survey row %03.1f from true north, %03.1f on "
                  "the grid: a geologist reads the hole going the wrong way" % (hole, i + 1, got, azimuth,
                                                                                (azimuth + north) % 360.0))
            check(abs(math.hypot(dx, dy) - length) <= HOLE_LENGTH_TOLERANCE * length,
                  "%s's segment %d is %.1f m long in plan, its survey row gives %.1f m"
                  % (hole, i + 1, math.hypot(dx, dy), length))
            start = end
    holes = {r["HOLE"].strip() for r in ddh.values()}
    check(drawn == holes, "drill holes drawn %s, DDH holds %s" % (sorted(drawn), sorted(holes)))


# Largest error of a net's plotted direction (degrees) and of its distance
# from the centre (a part of the net's radius); the rose's interval.
NET_BEARING_TOLERANCE_DEG = 1.0
NET_DISTANCE_TOLERANCE = 0.01
ROSE_INTERVAL_DEG = 15


def equal_area(angle_deg):
    """Distance from an equal-area net's centre, in radii, of a line
    plunging angle_deg (a plane's steepest line)."""
    return math.sqrt(2) * math.sin(math.radians(45 - angle_deg / 2))


def linked_in(insert, table):
    """The entities of a placed diagram linked to rows of a table, with
    their rows' numbers."""
    out = []
    for v in insert.virtual_entities():
        link = link_of(v)
        if link and link[1] == table:
            out.append((v, link[2]))
    return out


def check_nets(doc, struc):
    """PLANES draws each plane's great circle from the ends of its strike,
    its steepest point towards the dip; LINEATIONS each lineation at its
    trend, as far out as its plunge puts it (equal-area nets, radius as
    placed)."""
    for e in doc.modelspace().query("INSERT"):
        if e.dxf.name not in ("PLANES", "LINEATIONS"):
            continue
        c, radius = e.dxf.insert, e.dxf.xscale
        drawn = linked_in(e, "STRUC")
        rows_ = [n for n, r in struc.items() if (r["DIP"] if e.dxf.name == "PLANES" else r["PLUNGE"]) is not None]
        check(sorted(n for _, n in drawn) == sorted(rows_), "%s shows rows %s, STRUC gives %s"
              % (e.dxf.name, sorted(n for _, n in drawn), sorted(rows_)))
        for v, n in drawn:
            r = struc.get(n)
            if r is None:
                continue
            if e.dxf.name == "LINEATIONS":
                box = ezbbox.extents(v.virtual_entities() if v.dxftype() == "INSERT" else [v])
                p = box.center
                want_bearing, want_distance, period = r["TREND"], equal_area(r["PLUNGE"]), 360.0
            else:
                pts = list(ezpath.make_path(v).flattening(radius / 4000))
                ends = [pts[0], pts[-1]]
                for q in ends:
                    got = bearing(q.x - c.x, q.y - c.y)
                    check(angle_apart(got, r["STRIKE"], 180.0) <= NET_BEARING_TOLERANCE_DEG,
                          "PLANES: the great circle of STRUC row %d ends at %03.1f, its strike is %03.0f" % (n, got, r["STRIKE"]))
                p = min(pts, key=lambda q: math.hypot(q.x - c.x, q.y - c.y))
                want_bearing, want_distance, period = (r["STRIKE"] + 90) % 360, equal_area(r["DIP"]), 360.0
            dist = math.hypot(p.x - c.x, p.y - c.y) / radius
            check(abs(dist - want_distance) <= NET_DISTANCE_TOLERANCE,
                  "%s: STRUC row %d lies %.3f radii from the centre, its %s puts it at %.3f"
                  % (e.dxf.name, n, dist, "plunge" if e.dxf.name == "LINEATIONS" else "dip", want_distance))
            if want_distance > 2 * NET_DISTANCE_TOLERANCE:
                got = bearing(p.x - c.x, p.y - c.y)
                check(angle_apart(got, want_bearing, period) <= NET_BEARING_TOLERANCE_DEG,
                      "%s: STRUC row %d lies towards %03.1f, its row towards %03.0f" % (e.dxf.name, n, got, want_bearing))


def check_roses(doc, struc):
    """STRIKES counts the strikes, TRENDS the trends, in 15 degree
    intervals: each wedge as long as its count over the largest."""
    for name, column in (("STRIKES", "STRIKE"), ("TRENDS", "TREND")):
        counts = collections.Counter(int(r[column] % 360 // ROSE_INTERVAL_DEG) for r in struc.values()
                                     if r[column] is not None)
        most = max(counts.values(), default=1)
        want = {k: v / most for k, v in counts.items()}
        got = {}
        for e in doc.modelspace().query("INSERT"):
            if e.dxf.name != name:
                continue
            c, radius = e.dxf.insert, e.dxf.xscale
            for v in e.virtual_entities():
                if v.dxftype() != "SOLID":
                    continue
                tips = [v.dxf.vtx1, v.dxf.vtx2]
                mid = ((tips[0].x + tips[1].x) / 2 - c.x, (tips[0].y + tips[1].y) / 2 - c.y)
                k = int(bearing(*mid) // ROSE_INTERVAL_DEG)
                got[k] = round(math.hypot(tips[0].x - c.x, tips[0].y - c.y) / radius, 3)
        check(got == {k: round(v, 3) for k, v in want.items()},
              "rose %s's wedges %s (interval: length), %s gives %s" % (name, sorted(got.items()), column,
                                                                      sorted((k, round(v, 3)) for k, v in want.items())))


def text_boxes(doc):
    """(what, box) of every text of the nets, roses and the TAS diagram, its
    sample labels included, as placed on the map."""
    out = []
    for e in doc.modelspace().query("INSERT"):
        if e.dxf.name not in NETS_AND_ROSES + (TAS_BLOCK,):
            continue
        for t in e.virtual_entities():
            if t.dxftype() != "TEXT" or not t.dxf.text.strip():
                continue
            box = ezbbox.extents([t])
            if box.has_data:
                out.append(("%r of %s" % (t.dxf.text.strip(), e.dxf.name), box))
    return out


def check_texts_apart(doc):
    """No title, label or tick label of a diagram covers another's."""
    boxes = text_boxes(doc)
    check(boxes, "the diagrams have no texts")
    for i, (a, p) in enumerate(boxes):
        for b, q in boxes[i + 1:]:
            apart = (p.extmax.x <= q.extmin.x or q.extmax.x <= p.extmin.x or
                     p.extmax.y <= q.extmin.y or q.extmax.y <= p.extmin.y)
            check(apart, "%s covers %s: a geologist cannot read them" % (a, b))


def coverage_polygons(coverage):
    """Polygon number to shapely polygon, as ogrinfo assembles the coverage."""
    r = subprocess.run(["ogrinfo", "-al", "-q", coverage, "PAL"], capture_output=True, text=True, timeout=60)
    out, n = {}, None
    for line in r.stdout.splitlines():
        m = re.match(r"OGRFeature\(PAL\):(\d+)", line.strip())
        if m:
            n = int(m.group(1))
        elif line.strip().startswith(("POLYGON", "MULTIPOLYGON")) and n is not None:
            out[n] = wkt.loads(line.strip())
    return out


def hatch_polygon(h):
    """The hatch's boundary paths as one shapely polygon (first path the
    outline, the others holes); None without a path."""
    rings = []
    for p in h.paths:
        if hasattr(p, "vertices"):
            rings.append([(v[0], v[1]) for v in p.vertices])
        else:
            rings.append([(ed.start[0], ed.start[1]) for ed in p.edges if hasattr(ed, "start")])
    rings = [r for r in rings if len(r) >= 3]
    return Polygon(rings[0], rings[1:]) if rings else None


def check_units(doc, units, coverage):
    """Each hatched unit is a valid closed boundary of its polygon's area,
    and units of different legends have different patterns."""
    polygons = coverage_polygons(coverage)
    check(polygons, "ogrinfo reads no polygon from the coverage %s" % coverage)
    patterns = collections.defaultdict(set)
    for h in doc.modelspace().query("HATCH"):
        link = link_of(h)
        if not link or link[1] != "UNIT":
            continue
        r = units.get(link[2])
        if r is None:
            check(False, "HATCH %s is linked to UNIT row %d that does not exist" % (h.dxf.handle, link[2]))
            continue
        what = "unit %s (%s, HATCH %s)" % (r["UNITNO"], r["LEGEND"].strip(), h.dxf.handle)
        patterns[r["LEGEND"].strip()].add(h.dxf.pattern_name if not h.dxf.solid_fill else "SOLID")
        if "COLOUR" in r:
            check(colour_of(h, doc) == r["COLOUR"], "%s is drawn in colour %s, its legend's is %s"
                  % (what, colour_of(h, doc), r["COLOUR"]))
        poly = hatch_polygon(h)
        if poly is None:
            check(False, "%s has no boundary path: a geologist sees no unit there" % what)
            continue
        check(poly.is_valid, "%s's boundary is not a valid polygon (it crosses or retraces itself)" % what)
        want = polygons.get(int(r["UNITNO"]))
        if want is None:
            check(False, "%s: the coverage has no polygon %s" % (what, r["UNITNO"]))
            continue
        check(abs(poly.area - want.area) <= AREA_TOLERANCE * want.area,
              "%s covers %.0f m2, its coverage polygon %.0f m2: the unit is drawn the wrong shape"
              % (what, poly.area, want.area))
    used = collections.Counter(p for ps in patterns.values() for p in ps)
    for legend, ps in sorted(patterns.items()):
        check(len(ps) == 1 and used[next(iter(ps))] == 1,
              "unit %s is hatched %s, shared with other units: a geologist cannot tell them apart"
              % (legend, sorted(ps)))


def colour_of(e, doc):
    """An entity's colour number, its layer's when it has none."""
    c = e.dxf.get("color", 256)
    if c == 256 and doc.layers.has_entry(e.dxf.layer):
        c = doc.layers.get(e.dxf.layer).color
    return c


# The colour each metal's sectors are filled in (the setups of CU, ZN and
# PB), and the largest error of a metal's share of its pie.
PIE_COLOURS = {"CU": 1, "ZN": 5, "PB": 3}
PIE_SHARE_TOLERANCE = 0.01


def solid_span(solid):
    """The angle in degrees a pie's SOLID spans about the pie's centre."""
    bearings = [bearing(p.x, p.y) for p in (solid.dxf.vtx0, solid.dxf.vtx1, solid.dxf.vtx2, solid.dxf.vtx3)
                if math.hypot(p.x, p.y) > 1e-9]
    return max((angle_apart(a, b, 360.0) for a in bearings for b in bearings), default=0.0)


def check_pies(doc, geoch):
    """Every pie is filled, its metals in colours of their own, each metal's
    sectors as wide a share of the pie as its share of the row's copper,
    zinc and lead."""
    for e in doc.modelspace().query("INSERT"):
        if not (e.dxf.name.startswith("*") and link_of(e) and link_of(e)[1] == "GEOCH"):
            continue
        block = doc.blocks.get(e.dxf.name)
        solids = [x for x in block if x.dxftype() == "SOLID"]
        colours = {colour_of(x, doc) for x in solids}
        check(len(colours) >= 3, "the pie of GEOCH row %d (%s) has %d filled colour(s) %s: a geologist cannot tell "
              "copper, zinc and lead apart" % (link_of(e)[2], e.dxf.name, len(colours), sorted(colours)))
        r = geoch.get(link_of(e)[2])
        if r is None:
            continue
        spans = collections.Counter()
        for x in solids:
            spans[colour_of(x, doc)] += solid_span(x)
        drawn, total = sum(spans.values()), sum(r[m] for m in PIE_COLOURS)
        for metal, colour in PIE_COLOURS.items():
            got, want = spans[colour] / drawn if drawn else 0, r[metal] / total
            check(abs(got - want) <= PIE_SHARE_TOLERANCE, "the pie of %s gives %s %.0f%% of its circle, its row %.0f%%"
                  % (r["SAMPLE"].strip(), metal, 100 * got, 100 * want))


def check_tas(doc):
    """The TAS diagram's frame is about square, its axes are labelled in
    round steps, and no sample's label covers a point's marker."""
    if TAS_BLOCK not in doc.blocks:
        check(False, "no TAS diagram")
        return
    lines = [x for x in doc.blocks.get(TAS_BLOCK) if x.dxftype() == "LINE"]
    box = ezbbox.extents(lines)
    if not box.has_data:
        check(False, "the TAS diagram has no axes")
        return
    ratio = box.size.x / box.size.y if box.size.y else float("inf")
    check(TAS_RATIO[0] <= ratio <= TAS_RATIO[1],
          "the TAS diagram is %.1f times as wide as tall: its fields are squeezed out of shape" % ratio)
    texts = [x for x in doc.blocks.get(TAS_BLOCK) if x.dxftype() == "TEXT"]
    markers = [x for x in doc.blocks.get(TAS_BLOCK) if x.dxftype() in ("INSERT", "SHAPE", "POINT", "CIRCLE")]
    labels = [t for t in texts if re.match(r"R-\d+", t.dxf.text.strip())]
    titles = [t for t in texts if "SIO2" in t.dxf.text.upper()]
    check(len(markers) >= len(labels) > 0, "the TAS diagram marks %d of its %d samples" % (len(markers), len(labels)))
    numbers = collections.defaultdict(list)   # the X axis's labels share a line, the Y axis's do not
    for t in texts:
        if re.match(r"-?\d+(\.\d+)?$", t.dxf.text.strip()):
            numbers[round(t.dxf.insert.y, 6)].append(float(t.dxf.text))
    x_labels = max(numbers.values(), key=len, default=[])
    y_labels = [v for vs in numbers.values() if vs is not x_labels for v in vs]
    for axis, values in (("X", x_labels), ("Y", y_labels)):
        steps = {round(b - a, 9) for a, b in zip(sorted(values), sorted(values)[1:])}
        check(len(steps) == 1 and all(round_step(d) for d in steps),
              "the TAS diagram's %s axis is labelled in steps of %s: a geologist reads its values off with pains"
              % (axis, sorted(steps)))
    circles = [x for x in doc.blocks.get(TAS_BLOCK) if x.dxftype() == "CIRCLE"]
    for t in labels:
        a = ezbbox.extents([t])
        for c in circles:
            r, m = c.dxf.radius, c.dxf.center
            apart = a.extmax.x <= m.x - r or m.x + r <= a.extmin.x or a.extmax.y <= m.y - r or m.y + r <= a.extmin.y
            check(apart, "the TAS diagram's label %r covers the point at (%.2f, %.2f)" % (t.dxf.text.strip(), m.x, m.y))
    if titles and labels:
        check(max(t.dxf.height for t in labels) <= max(t.dxf.height for t in titles),
              "the TAS diagram's sample labels (%.2f) are larger than its axis titles (%.2f)"
              % (max(t.dxf.height for t in labels), max(t.dxf.height for t in titles)))


def round_step(step):
    """1, 2 or 5 times a power of ten."""
    if step <= 0:
        return False
    mantissa = step / 10 ** math.floor(math.log10(step))
    return any(abs(mantissa - m) < 1e-6 for m in (1, 2, 5, 10))


def drawn_texts_and_symbols(doc):
    """(what, size) of every text and symbol as drawn on the map, those of
    the diagrams' blocks at their placed size."""
    out = []

    def walk(entities, where):
        for e in entities:
            t = e.dxftype()
            if t == "TEXT":
                out.append(("TEXT %r %s" % (e.dxf.text.strip(), where), e.dxf.height))
            elif t == "SHAPE":
                out.append(("SHAPE %s %s" % (e.dxf.name, where), e.dxf.size))
            elif t == "INSERT":
                if e.dxf.name.upper().startswith("*PETRIVEX") or e.dxf.name.startswith("*U") and not link_of(e):
                    continue
                inner = list(e.virtual_entities())
                if e.dxf.name in NETS_AND_ROSES or e.dxf.name == TAS_BLOCK or e.dxf.name.startswith("*"):
                    walk(inner, "in %s" % e.dxf.name)
                else:
                    box = ezbbox.extents(inner)
                    if box.has_data:
                        out.append(("symbol %s %s" % (e.dxf.name, where), max(box.size.x, box.size.y)))

    walk(doc.modelspace(), "on the map")
    return out


def map_symbols(doc, shapes):
    """(what, outline) of every strike symbol (its strokes), pie (its
    box) and drill hole (its trace with the collar's octagon) on the map."""
    out = []
    for e in doc.modelspace():
        link = link_of(e)
        if link is None:
            continue
        if e.dxftype() == "SHAPE" and shapes is not None:
            strokes = shape_segments(shapes, e)
            if strokes:
                out.append(("the strike symbol of STRUC row %d" % link[2], MultiLineString(strokes)))
        elif e.dxftype() == "INSERT" and e.dxf.name.startswith("*"):
            box = ezbbox.extents(e.virtual_entities())
            if box.has_data:
                out.append(("the pie of GEOCH row %d" % link[2],
                            shapely_box(box.extmin.x, box.extmin.y, box.extmax.x, box.extmax.y)))
        elif e.dxftype() == "POLYLINE" and link[1] == "DDH":
            pts = [(v.dxf.location.x, v.dxf.location.y) for v in e.vertices]
            if len(pts) > 1:
                out.append(("the drill hole of DDH row %d" % link[2], LineString(pts)))
    return out


def check_symbols_apart(doc, shapes):
    """No strike symbol, pie or drill hole covers another, at a station as
    anywhere else."""
    drawn = map_symbols(doc, shapes)
    check(drawn, "the map has no symbols")
    for i, (a, p) in enumerate(drawn):
        for b, q in drawn[i + 1:]:
            check(not p.intersects(q), "%s covers %s: a geologist cannot read them" % (a, b))


def check_symbols_stand_off(doc):
    """Each strike symbol is drawn in a colour other than the hatch of the
    unit it stands in: red on red granite cannot be seen."""
    hatches = [(hatch_polygon(h), colour_of(h, doc)) for h in doc.modelspace().query("HATCH")]
    for e in doc.modelspace().query("SHAPE"):
        link = link_of(e)
        at = Point(e.dxf.insert.x, e.dxf.insert.y)
        under = [c for poly, c in hatches if poly is not None and poly.contains(at)]
        check(colour_of(e, doc) not in under, "the strike symbol of %s row %s is drawn in colour %d on a hatch of "
              "the same colour" % (link[1] if link else "no", link[2] if link else "", colour_of(e, doc)))


def check_sizes(doc):
    """Nothing smaller than a 500th of the map's extent."""
    hatches = list(doc.modelspace().query("HATCH"))
    box = ezbbox.extents(doc.modelspace().query("POLYLINE"))
    extent = max(box.size.x, box.size.y) if box.has_data else 0
    check(extent > 0, "the map has no extent")
    least = extent * SMALLEST_PART
    small = [(w, s) for w, s in drawn_texts_and_symbols(doc) if s < least]
    for w, s in small[:10]:
        check(False, "%s is %.2f across on a map %.0f across: too small to see" % (w, s, extent))
    check(len(small) <= 10, "%d more texts and symbols too small to see" % (len(small) - 10))
    del hatches


def check_picture(path, project_dir, shape_file, coverage):
    doc = ezdxf.readfile(path)
    try:
        shapes = shapefile.readfile(shape_file)
    except Exception as err:  # the reader's own refusal
        shapes = None
        check(False, "%s cannot be read by ezdxf's shape-file reader: %s" % (shape_file, err))
    struc = {int(r["BASENUMBER"]): r for r in table_rows(project_dir, "STRUC")}
    units = {int(r["BASENUMBER"]): r for r in table_rows(project_dir, "UNIT")}
    ddh = {int(r["BASENUMBER"]): r for r in table_rows(project_dir, "DDH")}
    check_strike_symbols(doc, struc, shapes)
    check_north_up(doc)
    check_units(doc, units, coverage)
    check_drill_holes(doc, ddh)
    check_nets(doc, struc)
    check_roses(doc, struc)
    check_texts_apart(doc)
    check_symbols_apart(doc, shapes)
    check_symbols_stand_off(doc)
    check_pies(doc, {int(r["BASENUMBER"]): r for r in table_rows(project_dir, "GEOCH")})
    check_tas(doc)
    check_sizes(doc)


# A row typed into each of RIDGE's station tables: the columns given, after
# the new station 107 the tables offer their next station numbers.
NEW_ROWS = {
    "STATN": {"STN": "107", "NAME": "New Camp", "EASTING": "619000", "NORTHING": "5625000"},
    "STRUC": {"EASTING": "619010", "NORTHING": "5625010", "STRIKE": "30", "DIP": "40"},
    "GEOCH": {"SAMPLE": "R-108", "EASTING": "619020", "NORTHING": "5625020"},
    "DDH": {"HOLE": "RD-04", "EASTING": "619030", "NORTHING": "5625030"},
}


def check_adds(build, resources, scratch):
    """pv-add adds a row to each of RIDGE's station tables (on a copy of
    the demo's scratch directory), each taking the key it offers."""
    work = scratch + "-add"
    shutil.copytree(scratch, work)
    ridge = os.path.join(work, "projects", "RIDGE")
    registered = sorted(r["TABLENAME"].strip() for r in table_rows(ridge, "PVTABLE"))
    before = {t: len(table_rows(ridge, t)) for t in NEW_ROWS}
    lines = ["OPEN ridge.dxf", '(pv_open "RIDGE" "DB3" "" "")', "pv-add"]
    for table, values in NEW_ROWS.items():
        fields = [f.name for f in dbfread.DBF(os.path.join(ridge, table + ".DBF")).fields]
        lines += ["pv_add_tbl", "select tables %d" % registered.index(table)]
        for column, value in values.items():
            lines += ["select edit_list %d" % fields.index(column), "set edit_col " + value]
        lines += ["select edit_list 0", "ok"]
    lines += ["pv_add_tbl", "cancel", "QUIT", ""]
    with open(os.path.join(work, "add.scr"), "w") as f:
        f.write("\n".join(lines))
    env = dict(os.environ, ASI_INI=os.path.join(work, "asi.ini"), XDG_DATA_HOME=work)
    r = subprocess.run([os.path.join(build, "host", "pvhost"), "--script", "add.scr", "--module",
                        os.path.join(build, "module", "libpvx14.so"), "--resources", resources],
                       cwd=work, env=env, capture_output=True, text=True, timeout=60)
    faults = [l for l in (r.stdout + r.stderr).splitlines() if "fault" in l or "already exists" in l]
    check(r.returncode == 0 and not faults, "pv-add on RIDGE's station tables: %s" % faults[:3])
    for table in NEW_ROWS:
        n = len(table_rows(ridge, table))
        check(n == before[table] + 1, "pv-add adds a row to RIDGE's %s: %d rows, before %d" % (table, n, before[table]))


def check_projects(work):
    pies = [r["PLOTNAME"] for r in rows(work, "PVPIE")]
    check(pies == ["METALS"], "RIDGE keeps the pie METALS: %s" % pies)
    chem = sorted({r["PLOTNAME"] for r in rows(work, "PVCHEM")})
    check(chem == ["TAS"], "RIDGE keeps the diagram TAS: %s" % chem)
    arcs = rows(work, "ARCS")
    check(len(arcs) == 8, "ARCS refilled with the coverage's eight arcs: %d" % len(arcs))
    geo = list(dbfread.DBF(os.path.join(work, "projects", "GEO", "STATN.DBF")))
    stations = [r["STN"] for r in geo]
    check(stations[-len(RIDGE_STATIONS):] == RIDGE_STATIONS, "GEO's STATN ends with RIDGE's stations: %s"
          % stations)
    # the symbol setups given to the columns the demo picks by their texts
    setups = {(r["TABLENAME"].strip(), r["COLUMNNAME"].strip() or r["ITEMNAME"].strip()):
              (r["SYMBOL"].strip(), r["ANGASSOC"].strip(), r["SCALE"])
              for project in ("GEO", "RIDGE")
              for r in dbfread.DBF(os.path.join(work, "projects", project, "PVSYMBOL.DBF"))}
    for key, want in ((("STATN", "NAME"), ("STRIKE_DIP", "", 2.5)), (("STRUC", "FEATURE"), ("STRIKE_DIP", "STRIKE", 60)),
                      (("", "DRILLHOLE"), ("", "", 20))):
        check(setups.get(key) == want, "the symbol setup of %s is %s, the demo gives %s" % (".".join(key), setups.get(key),
                                                                                              want))
    # the columns pv-import and pv-add were given, picked by their texts
    with open(os.path.join(work, "stations.txt"), newline="") as f:
        typed = [[float(v) if i in (0, 2, 3, 4) else v for i, v in enumerate(line)] for line in csv.reader(f)]
    typed.append([8, "Demo Creek", 612000, 5618000, None, ""])
    by_stn = {r["STN"]: [r["STN"], r["NAME"].strip(), r["EASTING"], r["NORTHING"], r["ELEV"], r["ROCKTYPE"].strip()]
              for r in geo}
    for row in typed:
        check(by_stn.get(int(row[0])) == row, "GEO's station %d holds %s, as typed %s" % (row[0], by_stn.get(int(row[0])), row))


def main():
    if len(sys.argv) == 6 and sys.argv[1] == "--picture":
        check_picture(*sys.argv[2:])
        print("%d failure(s)" % len(FAILURES))
        return 1 if FAILURES else 0
    if len(sys.argv) != 4:
        print(__doc__)
        return 2
    build, resources, work = sys.argv[1:]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    env = dict(os.environ, TMPDIR=work)
    env.pop("ASI_INI", None)
    r = subprocess.run([os.path.join(resources, "demo", "run-demo"), build], env=env, capture_output=True,
                       text=True, timeout=120)
    print(r.stdout)
    print(r.stderr, file=sys.stderr)
    check(r.returncode == 0, "run-demo exit status %d" % r.returncode)
    check("pvhost: fault" not in r.stdout + r.stderr, "every dialog and prompt answered")
    errors = [line for line in r.stdout.splitlines() if "ERROR" in line]
    check(not errors, "a demo that succeeds shows no error: %s" % errors[:3])
    check("Exported 1 table to Microstation 95:\n  NOTES" in r.stdout, "pv-ustation exports NOTES, keyed by MSLINK")
    out = r.stdout.split("Command: OPEN ridge.dxf", 1)
    check(len(out) == 2, "the demo opens ridge.dxf")
    if len(out) == 2:
        in_order(out[1], RIDGE_STEPS)
    scratch = glob.glob(os.path.join(work, "petrivex-demo.*"))
    check(len(scratch) == 1, "one scratch directory: %s" % scratch)
    if len(scratch) == 1:
        check_contact(os.path.join(scratch[0], "demo.dxf"))
        check_drawing(os.path.join(scratch[0], "ridge.dxf"), scratch[0])
        check_adds(build, resources, scratch[0])
        check_picture(os.path.join(scratch[0], "ridge.dxf"), os.path.join(scratch[0], "projects", "RIDGE"),
                      os.path.join(scratch[0], "petrivex", "shapes", "PVSTRUCT.SHX"), os.path.join(scratch[0], "ridge"))
        check_projects(scratch[0])
    print("%d failure(s)" % len(FAILURES))
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
