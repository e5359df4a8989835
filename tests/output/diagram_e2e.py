#!/usr/bin/python3
"""Pie diagrams and drill holes from a query end to end through pvhost: a DB3
project GEO with the drill-hole station table HOLE (station, collar X and Y,
assays CU, ZN, PB, survey AZIM, DIP, LEN), made here; the query's rows are
plotted from the browser as "Pie Diagram" and as "Drill Holes" with every
dialog answered by the script. ezdxf reads back one linked anonymous-block
INSERT per row at the row's point and one linked POLYLINE per hole; dbfread
reads the pie definition the dialog saved.

  diagram_e2e.py PVHOST MODULE RESOURCES WORKDIR
"""
import math
import os
import shutil
import sys

import dbfread
import ezdxf

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data"))
import e2e_tables  # noqa: E402
from e2e_tables import FAILURES, PVTABLE_FIELDS, check, table  # noqa: E402

# HOLE rows: base number, station, X, Y, CU, ZN, PB, azimuth, dip, length.
ROWS = [(1, "A", 100, 200, 1, 1, 2, 0, 0, 2), (2, "A", 100, 200, 2, 1, 1, 90, 0, 1),
        (3, "B", 300, 400, 1, 3, 0, 0, 90, 5)]
COLUMNS = ["BASENUMBER", "STN", "X", "Y", "CU", "ZN", "PB", "AZIM", "DIP", "LEN"]
# Hole A: the octagon of width 1 from the first azimuth (north), the two
# segments, the cross bar. Hole B is vertical: its octagon alone, from east.
HOLE_A_END = [(100, 202), (101, 202), (101, 202.25), (101, 201.75)]
PVPOINT_FIELDS = ("TABLENAME C(20); XCOLUMN C(20); YCOLUMN C(20); ZCOLUMN C(20); SYMCOLUMN C(20); "
                  "PROJECTION C(32)")


def make_project(root):
    shutil.rmtree(root, ignore_errors=True)
    d = os.path.join(root, "projects", "GEO")
    os.makedirs(d)
    table(os.path.join(d, "HOLE.DBF"), "BASENUMBER N(8,0); STN C(8); X N(10,2); Y N(10,2); CU N(8,2); "
          "ZN N(8,2); PB N(8,2); AZIM N(8,2); DIP N(8,2); LEN N(8,2)", ROWS)
    table(os.path.join(d, "PVTABLE.DBF"), PVTABLE_FIELDS,
          [e2e_tables.registry_row("HOLE", "STATION", STATION="STN")])
    table(os.path.join(d, "PVPOINT.DBF"), PVPOINT_FIELDS, [("HOLE", "X", "Y", "", "", "USER")])
    with open(os.path.join(root, "asi.ini"), "w") as f:
        f.write("[ENVIRONMENTS]\nDB3=\n\n[DB3]\nDriver=pvdb3\nPETRIVEX=projects\nPETRIVEX.GEO=GEO\n\n"
                "[ASE_CATALOGS]\nGEO=projects\n\n[PETRIVEX_MISC]\nGEO.links=0\n")
    doc = ezdxf.new("R12")
    doc.saveas(os.path.join(root, "in.dxf"))


def link_of(e):
    """The link fields of an entity: project, table, row id, key column, key value."""
    if not e.has_xdata("PETRIVEX"):
        return None
    x = [v.value for v in e.get_xdata("PETRIVEX")]
    return x[0], x[1], int(x[2]), x[3], x[4]


def check_pies(doc):
    inserts = [e for e in doc.modelspace() if e.dxftype() == "INSERT" and e.has_xdata("PETRIVEX")]
    check(len(inserts) == len(ROWS), "one INSERT per row: %d" % len(inserts))
    for e, row in zip(inserts, ROWS):
        n, x, y = row[0], row[2], row[3]
        check(e.dxf.name.startswith("*"), "row %d: an anonymous block, not %s" % (n, e.dxf.name))
        check(abs(e.dxf.insert.x - x) < 1e-9 and abs(e.dxf.insert.y - y) < 1e-9,
              "row %d at (%s, %s): %s" % (n, x, y, e.dxf.insert))
        check(link_of(e) == ("GEO", "HOLE", n, "BASENUMBER", row[1]), "row %d linked: %s" % (n, link_of(e)))
        block = doc.blocks.get(e.dxf.name)
        sectors = [b for b in block if b.dxftype() == "POLYLINE"] if block else []
        # Proportional widths of CU, ZN, PB over the row's total, in pieces of at most 45 degrees.
        total = sum(row[4:7])
        pieces = sum(math.ceil(360.0 * v / total / 45 - 1e-9) for v in row[4:7] if v)
        check(len(sectors) == pieces + 1, "row %d: the circle and %d pieces, found %d polylines"
              % (n, pieces, len(sectors)))


def check_holes(doc):
    holes = [e for e in doc.modelspace() if e.dxftype() == "POLYLINE"]
    check(len(holes) == 2, "one POLYLINE per hole: %d" % len(holes))
    if len(holes) != 2:
        return
    a, b = ([(round(v.dxf.location.x, 6), round(v.dxf.location.y, 6)) for v in h.vertices] for h in holes)
    check(len(a) == 13 and a[-4:] == HOLE_A_END, "hole A: 13 vertices ending %s: %s" % (HOLE_A_END, a))
    check(len(b) == 9 and b[0] == (300.5, 400), "hole B: an octagon from east: %s" % b)
    check(holes[0].dxf.flags & 1 == 0, "hole A's polyline is open")
    check(link_of(holes[0]) == ("GEO", "HOLE", 1, "BASENUMBER", "A"), "hole A linked: %s" % (link_of(holes[0]),))
    check(link_of(holes[1]) == ("GEO", "HOLE", 3, "BASENUMBER", "B"), "hole B linked: %s" % (link_of(holes[1]),))


def check_saved_pie(root):
    d = os.path.join(root, "projects", "GEO")
    pies = [dict(r) for r in dbfread.DBF(os.path.join(d, "PVPIE.DBF"))]
    check([p["PLOTNAME"] for p in pies] == ["ASSAYS"], "PVPIE holds ASSAYS: %s" % pies)
    if pies:
        check(pies[0]["RADIUS"] == 1 and pies[0]["INWIDPROP"] == 1, "radius 1, proportional widths: %s" % pies[0])
    cols = [(r["PLOTNAME"], r["TABLENAME"], r["COLUMNAME"], r["INSIDE"])
            for r in dbfread.DBF(os.path.join(d, "PVPIEOUT.DBF"))]
    check(cols == [("ASSAYS", "HOLE", c, "Y") for c in ("CU", "ZN", "PB")], "PVPIEOUT: %s" % cols)


def query_answers():
    """The answers that run the query of every HOLE column (no condition) and
    open the browser on its rows."""
    return ("pv-query\npv_condition\nselect output %s\npick query\npv_msg_box\nok\npv_table_large\n"
            % " ".join(str(i) for i in range(len(COLUMNS))))


def test_plots(args, work):
    root = os.path.join(work, "plots")
    make_project(root)
    ins = " ".join(str(COLUMNS.index(c)) for c in ("CU", "ZN", "PB"))
    script = ('(pv_open "GEO" "DB3" "" "")\n' + query_answers() + "select plot 11\n"
              "pv_piediagram\nset pie_name ASSAYS\nset pie_rad 1\npick pie_ins_wid_prp\nselect pie_ins %s\nok\n" % ins
              + query_answers() + "select plot 12\npv_dhole\nselect ddh_str %d\nselect ddh_dip %d\nselect ddh_len %d\n"
              "ok\n" % (COLUMNS.index("AZIM"), COLUMNS.index("DIP"), COLUMNS.index("LEN"))
              + "SAVE out.dxf\npv_yesno_small\nok\n(pv_logoff)\nQUIT\n")
    status, out = e2e_tables.pvhost_run(args, root, script)
    check(status == 0, "pvhost exit status %d" % status)
    check("Plotted... 2 drill holes" in out, "two holes reported")
    doc = ezdxf.readfile(os.path.join(root, "out.dxf"))
    check_pies(doc)
    check_holes(doc)
    check_saved_pie(root)


def main():
    if len(sys.argv) != 5:
        print(__doc__)
        return 2
    test_plots(sys.argv[1:4], sys.argv[4])
    print("%d failure(s)" % len(FAILURES))
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
