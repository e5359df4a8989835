#!/usr/bin/python3
"""The demo end to end: runs resources/demo/run-demo on the build in a
scratch TMPDIR and checks that each of its steps reached its closing
message, in order, and left in the scratch copy what it announced: GEO's
drawing with its contact line still linked; the RIDGE drawing with its
nets, roses, chemistry block, strike symbols, pies, drill holes, map units
and arcs, each linked to its rows; RIDGE's saved pie and chemistry
definitions; GEO's stations joined by RIDGE's.

  demo_check.py BUILD_DIR RESOURCES WORKDIR
"""
import collections
import glob
import os
import shutil
import subprocess
import sys

import dbfread
import ezdxf

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
    texts = {e.dxf.text.strip(): e.dxf.insert for e in doc.blocks.get("TAS001") if e.dxftype() == "TEXT"}
    for r in rows(work, "GEOCH"):
        at = texts.get(r["SAMPLE"].strip())
        check(at is not None and near(at.x, r["SIO2"]) and near(at.y, r["NA2O"] + r["K2O"]),
              "%s on TAS at %s, expected (%s, %s)" % (r["SAMPLE"], at, r["SIO2"], r["NA2O"] + r["K2O"]))


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
    """The contact LINE pv-link linked to station 3's NAME outlives pv-update and pv-edit."""
    doc = ezdxf.readfile(path)
    link = [(1000, "GEO"), (1000, "STATN"), (1071, 3), (1000, "NAME"), (1000, "3"), (1000, "")]
    lines = [[(t.code, t.value) for t in e.get_xdata("PETRIVEX")] if e.has_xdata("PETRIVEX") else []
             for e in doc.modelspace().query("LINE")]
    check(lines == [link], "the contact LINE keeps its link to station 3's NAME: %s" % lines)


def check_projects(work):
    pies = [r["PLOTNAME"] for r in rows(work, "PVPIE")]
    check(pies == ["METALS"], "RIDGE keeps the pie METALS: %s" % pies)
    chem = sorted({r["PLOTNAME"] for r in rows(work, "PVCHEM")})
    check(chem == ["TAS"], "RIDGE keeps the diagram TAS: %s" % chem)
    arcs = rows(work, "ARCS")
    check(len(arcs) == 8, "ARCS refilled with the coverage's eight arcs: %d" % len(arcs))
    stations = [r["STN"] for r in dbfread.DBF(os.path.join(work, "projects", "GEO", "STATN.DBF"))]
    check(stations[-len(RIDGE_STATIONS):] == RIDGE_STATIONS, "GEO's STATN ends with RIDGE's stations: %s"
          % stations)


def main():
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
    check("host fault" not in r.stdout, "every dialog and prompt answered")
    out = r.stdout.split("Command: OPEN ridge.dxf", 1)
    check(len(out) == 2, "the demo opens ridge.dxf")
    if len(out) == 2:
        in_order(out[1], RIDGE_STEPS)
    scratch = glob.glob(os.path.join(work, "petrivex-demo.*"))
    check(len(scratch) == 1, "one scratch directory: %s" % scratch)
    if len(scratch) == 1:
        check_contact(os.path.join(scratch[0], "demo.dxf"))
        check_drawing(os.path.join(scratch[0], "ridge.dxf"), scratch[0])
        check_projects(scratch[0])
    print("%d failure(s)" % len(FAILURES))
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
