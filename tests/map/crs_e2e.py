#!/usr/bin/python3
"""The coordinate dialogs and the map commands end to end through pvhost
on a copy of the sample project GEO.

  crs_e2e.py PVHOST MODULE RESOURCES CS2CS WORKDIR

pv-datum inserts the ellipsoid "ZZ TEST", pv-projection a UTM zone 33
system on it; after pv-save dbfread finds both in GEO's PVDATUM and PVPROJ,
and "WGS 72", renamed "WGS 1972", still in the built-in projections' table.
A drawing made here with ezdxf in UTM 31 WGS84 (the map setup block, a
LINE, a TEXT, an LWPOLYLINE and a POLYLINE) is opened with --drawing;
pv-map sets scale 2.5, height 3, north 90 and clockwise angles, pv-project
converts it to GEOGRAPHIC WGS 84; the saved drawing's points agree with
cs2cs, its block names the new system with the new scale and height, and
$ANGDIR is 1. A circle, an arc, a text and an INSERT projected from UTM 10
NAD27 to UTM 11, to geographic and back have at each step the radii,
heights, scales and angles of cs2cs's images. Two Lambert systems with a
scale factor (PROJ's Michigan test case, a one-parallel grid) typed into
pv-projection convert a drawing as PROJ does and back.
"""
import math
import os
import re
import shutil
import subprocess
import sys

import dbfread
import ezdxf

from e2e_util import FAILURES, check, run_pvhost

UTM31 = "UTM 31 WGS84"
GEOGRAPHIC = "GEOGRAPHIC WGS 84"
TOLERANCE_DEG = 1e-7
ATTDEF_FLAGS = 13


def list_items(out, key):
    """The items of a list tile as the first "show" of the output prints
    them: {name: index}."""
    start = out.find("  %s " % key)
    items = {}
    for line in out[start:].splitlines()[1:]:
        m = re.match(r"\s+\*?(\d+): (.*)$", line)
        if not m:
            break
        items[m.group(2).strip()] = int(m.group(1))
    return items


def setup_tables(pvhost, module, resources, root):
    out = run_pvhost(pvhost, module, resources, root,
                     '(pv_open "GEO" "DB3" "" "")\npv-datum\npv_datum\nset dtm_name "ZZ TEST"\n'
                     "set dtm_a 6378200\nset dtm_b 6356800\npick insert\nshow\ncancel\n"
                     "QUIT\npv_yesno_small\ncancel\n")
    datum = list_items(out, "dtm_list")
    check("ZZ TEST" in " ".join(datum), "the new ellipsoid is listed")
    index = [i for name, i in datum.items() if name.startswith("ZZ TEST")]
    wgs72 = [i for name, i in datum.items() if name.split("\t")[0].strip() == "WGS 72"]
    # The first run did not save (no to the question at the end): the second
    # inserts again and saves.
    script = ('(pv_open "GEO" "DB3" "" "")\npv-datum\npv_datum\nset dtm_name "ZZ TEST"\n'
              "set dtm_a 6378200\nset dtm_b 6356800\npick insert\ncancel\n"
              'pv-projection\npv_projection\nset prj_name "ZZ UTM 33"\nselect dtm_list %d\n'
              "select prj_type 1\nset prj_zone 33\npick insert\ncancel\n"
              "pv-datum\npv_datum\nselect dtm_list %d\nset dtm_name \"WGS 1972\"\npick modify\ncancel\n"
              "pv-save\npv_yesno_small\nok\nQUIT\n" % (index[0] if index else 0, wgs72[0] if wgs72 else 0))
    run_pvhost(pvhost, module, resources, root, script)
    geo = os.path.join(root, "projects", "GEO")
    datums = [dict(r) for r in dbfread.DBF(os.path.join(geo, "PVDATUM.DBF"))]
    zz = [r for r in datums if r["DATUMNAME"].strip() == "ZZ TEST"]
    check(len(zz) == 1 and zz[0]["MAJORAXISA"] == 6378200 and zz[0]["MINORAXISB"] == 6356800,
          "PVDATUM holds ZZ TEST: %r" % zz)
    check(not [r for r in datums if r["DATUMNAME"].strip() == "WGS 1972"], "GEO does not take a renamed ellipsoid")
    builtin = [r["DATUMNAME"].strip() for r in dbfread.DBF(os.path.join(root, "projects", "Projections", "PVDATUM.DBF"))]
    check("WGS 1972" in builtin and "WGS 72" not in builtin, "the renamed ellipsoid stays the projections': %r" % builtin)
    projs = [dict(r) for r in dbfread.DBF(os.path.join(geo, "PVPROJ.DBF"))]
    utm = [r for r in projs if r["PROJNAME"].strip() == "ZZ UTM 33"]
    check(len(utm) == 1, "PVPROJ holds ZZ UTM 33: %r" % utm)
    if utm:
        r = utm[0]
        check(r["DATUMNAME"].strip() == "ZZ TEST" and r["PROJTYPE"].strip() == "UTM" and r["UTMZONE"] == 33,
              "ZZ UTM 33 is UTM zone 33 on ZZ TEST: %r" % r)
        check(r["FALSEEAST"] == 500000 and r["ORIGINLONG"] == 15, "false easting and central meridian %r" % r)


def setup_drawing(system):
    """A new drawing whose map setup block names the system."""
    doc = ezdxf.new("R2000")
    block = doc.blocks.new_anonymous_block("U")
    for tag, value in (("NAME", "PETRIVEX_PARAMS"), ("PROJ", system), ("SCALE", "1.000000"),
                       ("HEIGHT", "1.000000")):
        block.add_attdef(tag, (0, 0), text=value, dxfattribs={"prompt": tag, "flags": ATTDEF_FLAGS, "height": 1.0})
    doc.modelspace().add_blockref(block.name, (0, 0), dxfattribs={"layer": "0"})
    return doc


def utm_drawing(path):
    """A drawing in UTM 31 WGS84: the setup block and four entities."""
    doc = setup_drawing(UTM31)
    msp = doc.modelspace()
    msp.add_line((500000, 4500000), (501000, 4501000))
    msp.add_text("GRANITE", dxfattribs={"insert": (500500, 4500500), "height": 2.0})
    msp.add_lwpolyline([(499000, 4499000), (499500, 4499800), (500200, 4499100)])
    msp.add_polyline2d([(502000, 4502000), (502300, 4502400), (502600, 4502100)])
    doc.saveas(path)


def positions(doc):
    """Every point of the four kinds of entity, in model space order."""
    pts = []
    for e in doc.modelspace():
        t = e.dxftype()
        if t == "LINE":
            pts += [tuple(e.dxf.start)[:2], tuple(e.dxf.end)[:2]]
        elif t == "TEXT":
            pts.append(tuple(e.dxf.insert)[:2])
        elif t == "LWPOLYLINE":
            pts += [tuple(p[:2]) for p in e.get_points()]
        elif t == "POLYLINE":
            pts += [tuple(v.dxf.location)[:2] for v in e.vertices]
    return pts


def cs2cs(binary, pts):
    text = "".join("%.6f %.6f\n" % p for p in pts)
    r = subprocess.run([binary, "-f", "%.12f", "+proj=utm", "+zone=31", "+ellps=WGS84", "+to",
                        "+proj=longlat", "+ellps=WGS84"], input=text, capture_output=True, text=True, timeout=30)
    return [tuple(float(v) for v in line.split()[:2]) for line in r.stdout.splitlines() if line.strip()]


def map_commands(pvhost, module, resources, binary, root):
    src = os.path.join(root, "utm.dxf")
    utm_drawing(src)
    before = positions(ezdxf.readfile(src))
    out = run_pvhost(pvhost, module, resources, root,
                     '(pv_open "GEO" "DB3" "" "")\npv-project\npv_project\nshow\ncancel\nQUIT\n', drawing=src)
    systems = list_items(out, "proj_out")
    check(UTM31 in systems and GEOGRAPHIC in systems, "the systems are listed")
    script = ('(pv_open "GEO" "DB3" "" "")\npv-map\npv_map\nset proj_scale 2.5\nset proj_height 3\n'
              "set proj_angbase 90\nset proj_clock Y\nok\n"
              "pv-project\npv_project\nselect proj_out %d\nok\nSAVE out.dxf\nQUIT\n" % systems.get(GEOGRAPHIC, 0))
    out = run_pvhost(pvhost, module, resources, root, script, drawing=src)
    check("4 entities projected." in out and "other entities" not in out, "four entities projected")
    doc = ezdxf.readfile(os.path.join(root, "out.dxf"))
    after = positions(doc)
    want = cs2cs(binary, before)
    check(len(after) == len(want) == 9, "nine points: %d, %d" % (len(after), len(want)))
    for got, exp in zip(after, want):
        check(abs(got[0] - exp[0]) <= TOLERANCE_DEG and abs(got[1] - exp[1]) <= TOLERANCE_DEG,
              "point %r agrees with cs2cs %r" % (got, exp))
    values = {}
    for block in doc.blocks:
        ents = [e for e in block if e.dxftype() == "ATTDEF"]
        if ents and ents[0].dxf.tag == "NAME" and ents[0].dxf.text == "PETRIVEX_PARAMS":
            values = {e.dxf.tag: e.dxf.text for e in ents}
    check(values.get("PROJ") == GEOGRAPHIC, "the block names %s: %r" % (GEOGRAPHIC, values))
    check(values.get("SCALE") == "2.500000" and values.get("HEIGHT") == "3.000000",
          "the block holds scale and height: %r" % values)
    check(doc.header.get("$ANGDIR") == 1, "$ANGDIR is 1: %r" % doc.header.get("$ANGDIR"))
    return systems


UTM10 = "UTM 10 NAD27"
UTM11 = "UTM 11 NAD27"
CLARKE = "GEOGRAPHIC Clarke 1866"
PROJ = {UTM10: "+proj=utm +zone=10 +ellps=clrk66", UTM11: "+proj=utm +zone=11 +ellps=clrk66",
        CLARKE: "+proj=longlat +ellps=clrk66"}
SIZE_TOLERANCE = 0.001     # a size, relative
ANGLE_TOLERANCE = 0.05     # an angle, degrees


def sized_drawing(path):
    """A drawing in UTM 10 NAD27 with a circle, an arc, a text and an INSERT
    whose sizes and angles pv-project converts."""
    doc = setup_drawing(UTM10)
    doc.blocks.new("MARK").add_line((0, 0), (0, 1))
    msp = doc.modelspace()
    msp.add_circle((620000, 5620000), 1000)
    msp.add_arc((621000, 5621000), 500, 30, 120)
    msp.add_text("GRANITE", dxfattribs={"insert": (622000, 5622000), "height": 100, "rotation": 45})
    msp.add_blockref("MARK", (623000, 5623000), dxfattribs={"xscale": 25, "yscale": 25, "zscale": 25,
                                                               "rotation": 45})
    doc.saveas(path)


def sized(doc):
    """(kind, point, size, angles in degrees) of each converted entity."""
    out = []
    for e in doc.modelspace():
        t = e.dxftype()
        if t == "CIRCLE":
            out.append((t, e.dxf.center, e.dxf.radius, []))
        elif t == "ARC":
            out.append((t, e.dxf.center, e.dxf.radius, [e.dxf.start_angle, e.dxf.end_angle]))
        elif t == "TEXT":
            out.append((t, e.dxf.insert, e.dxf.height, [e.dxf.rotation]))
        elif t == "INSERT" and e.dxf.name == "MARK":
            out.append((t, e.dxf.insert, e.dxf.xscale, [e.dxf.rotation]))
    return out


def expected_sizes(binary, source, target, entities):
    """What cs2cs makes of each entity: a size s at point p is the side of the
    square of the area of the images of the sides s east and s north of p; an
    angle the direction of the image of a segment of a thousandth of the size
    in that direction (for an arc, of its end point)."""
    pts = []
    for kind, p, s, angles in entities:
        pts += [(p.x, p.y), (p.x + s, p.y), (p.x, p.y + s)]
        for a in angles:
            d = s if kind == "ARC" else s / 1000
            pts.append((p.x + d * math.cos(math.radians(a)), p.y + d * math.sin(math.radians(a))))
    text = "".join("%.12f %.12f\n" % q for q in pts)
    r = subprocess.run([binary, "-f", "%.12f"] + PROJ[source].split() + ["+to"] + PROJ[target].split(),
                       input=text, capture_output=True, text=True, timeout=30)
    img = [tuple(float(v) for v in line.split()[:2]) for line in r.stdout.splitlines() if line.strip()]
    out, at = [], 0
    for kind, _, _, angles in entities:
        (px, py), (ex, ey), (nx, ny) = img[at:at + 3]
        turned = [math.degrees(math.atan2(y - py, x - px)) for x, y in img[at + 3:at + 3 + len(angles)]]
        out.append((kind, math.sqrt(abs((ex - px) * (ny - py) - (ey - py) * (nx - px))), turned))
        at += 3 + len(angles)
    return out


def sizes_and_bearings(pvhost, module, resources, binary, root, systems):
    """pv-project from UTM 10 to UTM 11, to geographic and back to UTM 10:
    every step's radii, heights, scales and angles are cs2cs's images of the
    step before, and the last step gives back the first drawing's."""
    src = os.path.join(root, "sized.dxf")
    sized_drawing(src)
    steps = [UTM11, CLARKE, UTM10]
    script = '(pv_open "GEO" "DB3" "" "")\n'
    for i, target in enumerate(steps):
        script += "pv-project\npv_project\nselect proj_out %d\nok\nSAVE step%d.dxf\n" % (systems.get(target, 0), i)
    out = run_pvhost(pvhost, module, resources, root, script + "QUIT\n", drawing=src)
    check(out.count("4 entities projected.") == 3 and "other entities" not in out, "four entities projected each time")
    before, source = sized(ezdxf.readfile(src)), UTM10
    for i, target in enumerate(steps):
        after = sized(ezdxf.readfile(os.path.join(root, "step%d.dxf" % i)))
        want = expected_sizes(binary, source, target, before)
        check(len(after) == len(want) == 4, "%s: four sized entities: %d" % (target, len(after)))
        for (kind, _, size, angles), (_, size_want, angles_want) in zip(after, want):
            check(abs(size - size_want) <= SIZE_TOLERANCE * size_want,
                  "%s in %s: size %.6g, cs2cs %.6g" % (kind, target, size, size_want))
            for a, b in zip(angles, angles_want):
                check(abs((a - b + 180) % 360 - 180) <= ANGLE_TOLERANCE,
                      "%s in %s: angle %.4f, cs2cs %.4f" % (kind, target, a, b))
        before, source = after, target
    # Back in UTM 10 every size and angle is what it was.
    for (kind, _, size, angles), (_, _, size0, angles0) in zip(before, sized(ezdxf.readfile(src))):
        check(abs(size - size0) <= SIZE_TOLERANCE * size0 and
              all(abs((a - b + 180) % 360 - 180) <= ANGLE_TOLERANCE for a, b in zip(angles, angles0)),
              "%s back in %s: size %.6g, angles %s; it was %.6g, %s" % (kind, UTM10, size, angles, size0, angles0))


# Lambert systems with a scale factor, defined in pv-projection and reached
# by pv-project from the geographic system of their ellipsoid, and back:
# (name, ellipsoid, units, scale, false x, origin x, origin y, parallels,
# PROJ's definition, the system's units in metres, tolerance in metres,
# points (longitude, latitude) with their expected easting and northing in
# the system's units, None for cs2cs's). The Michigan 2SP grid is PROJ's
# own test case (more_builtins.gie line 316, EPSG guidance note 7-2: the
# figures rounded to 0.01 ft, the suite's 5 mm); the one-parallel grid
# with k0 (Lambert zone II on the Paris meridian) is checked against cs2cs
# with +k_0 to 1 mm.
USFT = 1200.0 / 3937.0
SCALED_CONES = [
    ("ZZ MICHIGAN 2SP", "Clarke 1866", "survey feet", "1.0000382", "2000000", "-84.333333333333",
     "43.316666666667", ("44.183333333333", "45.7"),
     "+proj=lcc +a=6378206.4 +b=6356583.8 +lat_1=44d11'N +lat_2=45d42'N +x_0=609601.2192 +lon_0=84d20'W "
     "+lat_0=43d19'N +k_0=1.0000382 +units=us-ft", USFT, 0.005,
     [((-83.166666666667, 43.75), (2308335.75, 160210.48))]),
    ("ZZ LAMBERT II", "Clarke 1880", "meters", "0.99987742", "600000", "2.33722917", "46.8", ("46.8", "46.8"),
     "+proj=lcc +a=6378249.145 +b=6356514.87 +lat_1=46.8 +lat_0=46.8 +lon_0=2.33722917 +k_0=0.99987742 "
     "+x_0=600000 +y_0=2200000", 1.0, 0.001,
     [((4.5, 49.75), None), ((-4.0, 43.0), None), ((8.25, 46.1), None)]),
]


def scaled_cones(pvhost, module, resources, binary, root):
    """Each Lambert system with a scale factor, typed into pv-projection,
    converts a drawing of its points from longitude and latitude as PROJ
    does, and back."""
    for i, (name, dtm, units, scale, fx, ox, oy, (p1, p2), proj, unit, tol, points) in enumerate(SCALED_CONES):
        fy = "2200000" if name == "ZZ LAMBERT II" else "0"
        src = os.path.join(root, "cone%d.dxf" % i)
        doc = setup_drawing("GEOGRAPHIC " + dtm)
        for (lon, lat), _ in points:
            doc.modelspace().add_line((lon, lat), (lon + 0.001, lat))
        doc.saveas(src)
        script = ('(pv_open "GEO" "DB3" "" "")\npv-projection\npv_projection\nset prj_name \"%s\"\n'
                  "select prj_type LAMBERT\nselect dtm_list %s\nselect prj_unit %s\nset prj_scale %s\n"
                  "set prj_falsex %s\nset prj_falsey %s\nset prj_originx %s\nset prj_originy %s\n"
                  "set prj_parallel1 %s\nset prj_parallel2 %s\npick insert\ncancel\n"
                  "pv-project\npv_project\nselect proj_out %s\nok\nSAVE cone%d_grid.dxf\npv_yesno_small\ncancel\n"
                  "pv-project\npv_project\nselect proj_out GEOGRAPHIC %s\nok\nSAVE cone%d_back.dxf\n"
                  "pv_yesno_small\ncancel\n"
                  "QUIT\npv_yesno_small\ncancel\n" % (name, dtm, units, scale, fx, fy, ox, oy, p1, p2, name, i, dtm, i))
        out = run_pvhost(pvhost, module, resources, root, script, drawing=src)
        lines = "%d entities projected." % len(points)
        check(out.count(lines) == 2 and "other entities" not in out, "%s: every line projected there and back" % name)
        ell = proj.split()[1:3]
        before = [p for (lon, lat), _ in points for p in ((lon, lat), (lon + 0.001, lat))]
        r = subprocess.run([binary, "-f", "%.9f", "+proj=longlat"] + ell + ["+to"] + proj.split(),
                           input="".join("%.12f %.12f\n" % p for p in before), capture_output=True, text=True,
                           timeout=30)
        want = [tuple(float(v) for v in line.split()[:2]) for line in r.stdout.splitlines() if line.strip()]
        for k, (_, given) in enumerate(points):
            if given:
                check(math.hypot(want[2 * k][0] - given[0], want[2 * k][1] - given[1]) * unit <= tol,
                      "%s: cs2cs gives PROJ's test values %r: %r" % (name, given, want[2 * k]))
        grid = positions(ezdxf.readfile(os.path.join(root, "cone%d_grid.dxf" % i)))
        back = positions(ezdxf.readfile(os.path.join(root, "cone%d_back.dxf" % i)))
        check(len(grid) == len(back) == len(before), "%s: %d points" % (name, len(grid)))
        for got, exp, home, again in zip(grid, want, before, back):
            check(math.hypot(got[0] - exp[0], got[1] - exp[1]) * unit <= tol,
                  "%s: %r, PROJ %r" % (name, got, exp))
            gap = math.hypot((again[0] - home[0]) * math.cos(math.radians(home[1])), again[1] - home[1]) * 111320.0
            check(gap <= tol, "%s: back at %r, was %r (%.3g m)" % (name, again, home, gap))


def main():
    if len(sys.argv) != 6:
        raise SystemExit(__doc__)
    pvhost, module, resources, binary, work = sys.argv[1:]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    shutil.copy(os.path.join(resources, "asi.ini"), work)
    shutil.copytree(os.path.join(resources, "projects"), os.path.join(work, "projects"))
    setup_tables(pvhost, module, resources, work)
    systems = map_commands(pvhost, module, resources, binary, work)
    sizes_and_bearings(pvhost, module, resources, binary, work, systems)
    scaled_cones(pvhost, module, resources, binary, work)
    if FAILURES:
        raise SystemExit("%d check(s) failed" % len(FAILURES))
    print("coordinate dialogs and map commands end to end: all checks passed")


if __name__ == "__main__":
    main()
