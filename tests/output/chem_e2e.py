#!/usr/bin/python3
"""A chemistry diagram from a query end to end through pvhost: a DB3 project
GEO with the sample table CHEM (sample name, SIO2, MGO), made here; the
query's rows are plotted from the browser as "Chem Diagram" with both
dialogs answered by the script (X = SIO2, Y = MGO, the sample name drawn,
name CH1) and a placing circle. ezdxf reads back the block CH1001 (the
frame and one TEXT per row beside its (SIO2, MGO)) and its INSERT; dbfread
reads the diagram the dialog saved. The samples with SIO2 or MGO blank are
left out of the diagram, and the closing message counts them and names
the first.

  chem_e2e.py PVHOST MODULE RESOURCES WORKDIR
"""
import math
import os
import shutil
import sys

import dbfread
import ezdxf

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data"))
import e2e_tables  # noqa: E402
from e2e_tables import PVTABLE_FIELDS, check, table  # noqa: E402

# CHEM rows: base number, sample, SIO2, MGO; then the rows with a value
# missing, left out.
ROWS = [(1, "S1", 45, 10), (2, "S2", 50, 5), (3, "S3", 60, 2), (4, "S4", 70, 20)]
BLANK_ROWS = [(5, "S5", 80, None), (6, "S6", None, 30)]
COLUMNS = ["BASENUMBER", "SAMPLE", "SIO2", "MGO"]
CENTRE, RADIUS = (100, 200), 10


def make_project(root):
    shutil.rmtree(root, ignore_errors=True)
    d = os.path.join(root, "projects", "GEO")
    os.makedirs(d)
    table(os.path.join(d, "CHEM.DBF"), "BASENUMBER N(8,0); SAMPLE C(8); SIO2 N(8,2); MGO N(8,2)",
          ROWS[:2] + BLANK_ROWS[:1] + ROWS[2:] + BLANK_ROWS[1:])
    table(os.path.join(d, "PVTABLE.DBF"), PVTABLE_FIELDS,
          [e2e_tables.registry_row("CHEM", "SAMPLE", SAMPLE="SAMPLE")])
    with open(os.path.join(root, "asi.ini"), "w") as f:
        f.write("[ENVIRONMENTS]\nDB3=\n\n[DB3]\nDriver=pvdb3\nPETRIVEX=projects\nPETRIVEX.GEO=GEO\n\n"
                "[ASE_CATALOGS]\nGEO=projects\n\n[PETRIVEX_MISC]\nGEO.links=0\n")
    ezdxf.new("R12").saveas(os.path.join(root, "in.dxf"))


def equation(column):
    """The equation editor's answers for an equation of one column."""
    return "pv_chemequation\nselect chem_col %d\npick modify\npick exit\n" % COLUMNS.index(column)


def check_block(doc):
    check("CH1001" in doc.blocks, "block CH1001 made: %s" % [b.name for b in doc.blocks])
    if "CH1001" not in doc.blocks:
        return
    ents = list(doc.blocks.get("CH1001"))
    texts = {e.dxf.text.rstrip(): e for e in ents if e.dxftype() == "TEXT"}   # CHAR values keep their width
    for n, sample, sio2, mgo in BLANK_ROWS:
        check(sample not in texts, "%s, a value missing, is left out of the diagram" % sample)
    for n, sample, sio2, mgo in ROWS:
        e = texts.get(sample)
        check(e is not None, "row %d drawn as its sample name" % n)
        if e is not None:
            # beside its point: half a height to the right, clear of its marker
            check(abs(e.dxf.insert.x - sio2 - e.dxf.height / 2) < 1e-9 and abs(e.dxf.insert.y - mgo) < 1e-9,
                  "%s beside (%s, %s): %s" % (sample, sio2, mgo, e.dxf.insert))
    check("SIO2" in texts and "MGO" in texts, "both axis titles")
    check("45" in texts and "70" in texts and "2" in texts and "20" in texts,
          "the axes run over the plotted points: %s" % sorted(texts))
    lines = [e for e in ents if e.dxftype() == "LINE"]
    check(len(lines) == 2 + 2 * 11, "two axes and 22 ticks: %d lines" % len(lines))


def check_insert(doc):
    inserts = [e for e in doc.modelspace() if e.dxftype() == "INSERT" and e.dxf.name == "CH1001"]
    check(len(inserts) == 1, "one INSERT of CH1001")
    if not inserts:
        return
    xs, ys = [r[2] for r in ROWS], [r[3] for r in ROWS]
    dx, dy = max(xs) - min(xs), max(ys) - min(ys)
    k = math.sin(math.radians(45)) * RADIUS / max(dx, dy) * 2
    want = (CENTRE[0] - k * min(xs) - k * dx / 2, CENTRE[1] - k * min(ys) - k * dy / 2)
    i = inserts[0]
    check(abs(i.dxf.xscale - k) < 1e-9, "scale %f, expected %f" % (i.dxf.xscale, k))
    check(abs(i.dxf.insert.x - want[0]) < 1e-9 and abs(i.dxf.insert.y - want[1]) < 1e-9,
          "the frame's middle on the circle's centre: %s, expected %s" % (i.dxf.insert, want))


def check_saved(root):
    rows = [dict(r) for r in dbfread.DBF(os.path.join(root, "projects", "GEO", "PVCHEM.DBF"))]
    got = [(r["PLOTNAME"], r["AXIS"], r["TABLENAME"], r["COLUMNNAME"], r["SYMCOLUMN"]) for r in rows]
    check(got == [("CH1", 0, "CHEM", "SIO2", "SAMPLE"), ("CH1", 1, "CHEM", "MGO", "SAMPLE")], "PVCHEM: %s" % got)


def test_plot(args, work):
    root = os.path.join(work, "chem")
    make_project(root)
    script = ('(pv_open "GEO" "DB3" "" "")\n'
              "pv-query\npv_condition\nselect output %s\npick query\npv_msg_box\nok\npv_table_med\n"
              % " ".join(str(i) for i in range(len(COLUMNS)))
              + "select plot 10\npv_chemdiagram\npick chem_x\n" + equation("SIO2") + "pick chem_y\n"
              + equation("MGO") + "select chem_sym %d\nset chem_name CH1\nok\n" % COLUMNS.index("SAMPLE")
              + "%d,%d\n%d,%d\n" % (CENTRE[0], CENTRE[1], CENTRE[0] + RADIUS, CENTRE[1])
              + "SAVE out.dxf\npv_yesno_small\nok\n(pv_logoff)\nQUIT\n")
    status, out = e2e_tables.pvhost_run(args, root, script)
    check(status == 0, "pvhost exit status %d" % status)
    check("Plotted... %d\n\nLeft out, a value of the diagram's equations missing: 2 samples, the first S5."
          % len(ROWS) in out, "every row with its values reported plotted, the others counted: %s" % out[-600:])
    doc = ezdxf.readfile(os.path.join(root, "out.dxf"))
    check_block(doc)
    check_insert(doc)
    check_saved(root)


if __name__ == "__main__":
    sys.exit(e2e_tables.e2e_main(__doc__, test_plot))
