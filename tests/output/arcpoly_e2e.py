#!/usr/bin/python3
"""pv-arcpoly end to end through pvhost: a DB3 project GEO with the unit table
UNIT (UNITNO, AGE, LEGEND, ROCK with dictionaries, ARCNO), a drawing of
points linked to rows naming units 2, 3, 2 again and 99, and a two-square
coverage from the test writer; ezdxf reads the hatched polygons back. The
dialog first refuses bad choices with their messages and is cancelled; the
coverage is then picked with Browse; a damaged coverage is not opened.

  arcpoly_e2e.py PVHOST MODULE RESOURCES WORKDIR COVER_SAMPLES
"""
import os
import re
import shutil
import subprocess
import sys

import ezdxf

for sub in ("data", "map"):
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", sub))
import e2e_tables  # noqa: E402
from e2e_tables import PVCOLUMN_FIELDS, PVTABLE_FIELDS, registry_row, table  # noqa: E402
from e2e_util import FAILURES, check, run_pvhost_driver_killed  # noqa: E402
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cover_external_check import cut_after_first_arc, ogr_rings, same_ring  # noqa: E402
from out_external_check import layers  # noqa: E402

# (base number, unit number) of every UNIT row the drawing links to; unit 1
# is the universe polygon.
ROWS = [(1, 2), (2, 3), (3, 2), (4, 99), (5, 1)]
# The columns offered, in list order (LITH's, then UNIT's).
COLUMNS = ["LITH.BASENUMBER", "LITH.LONGNAME", "UNIT.BASENUMBER", "UNIT.UNITNO", "UNIT.AGE", "UNIT.LEGEND",
           "UNIT.ROCK", "UNIT.ARCNO"]


def make_project(root):
    shutil.rmtree(root, ignore_errors=True)
    d = os.path.join(root, "projects", "GEO")
    os.makedirs(d)
    table(os.path.join(d, "UNIT.DBF"), "BASENUMBER N(8,0); UNITNO N(8,0); AGE C(8); LEGEND C(8); ROCK C(8); "
          "ARCNO N(8,0)", [(n, u, "K", "KS", "SST", n) for n, u in ROWS])
    table(os.path.join(d, "LITH.DBF"), "BASENUMBER N(8,0); LONGNAME C(32)", [(0, "LITH")])
    table(os.path.join(d, "PVTABLE.DBF"), PVTABLE_FIELDS,
          [registry_row("UNIT", "UNIT", UNIT="UNITNO"), registry_row("LITH", "DICTION")])
    table(os.path.join(d, "PVCOLUMN.DBF"), PVCOLUMN_FIELDS,
          [(c, "UNIT", "LITH", "", 0, 0, 0, 0, " ", "", 0, 0) for c in ("AGE", "LEGEND", "ROCK")])
    with open(os.path.join(root, "asi.ini"), "w") as f:
        f.write("[ENVIRONMENTS]\nDB3=\n\n[DB3]\nDriver=pvdb3\nPETRIVEX=projects\nPETRIVEX.GEO=GEO\n\n"
                "[ASE_CATALOGS]\nGEO=projects\n\n[PETRIVEX_MISC]\nGEO.links=0\n")
    doc = ezdxf.new("R12")
    doc.appids.new("PETRIVEX")
    msp = doc.modelspace()
    for n, u in ROWS:
        pt = msp.add_point((n * 10, 50))
        pt.set_xdata("PETRIVEX", [(1000, "GEO"), (1000, "UNIT"), (1071, n), (1000, "UNITNO"),
                                  (1000, str(u)), (1000, "")])
    doc.saveas(os.path.join(root, "in.dxf"))


def rings(cover_samples, cover):
    """The rings of every polygon as the coverage reader assembles them."""
    out = subprocess.run([cover_samples, "dump", cover], capture_output=True, text=True, check=True).stdout
    found = {}
    for line in out.splitlines():
        words = line.split()
        if words and words[0] == "RING":
            pts = [tuple(float(v) for v in w.split(",")) for w in words[2:]]
            if pts:
                found.setdefault(int(words[1]), []).append(pts)
    return found


def dialog(cover, unit="UNIT.UNITNO", rock="UNIT.ROCK"):
    """The answers to pv_arcpoly up to OK: project GEO, the coverage (or
    "pick cover" and the answer to the file dialog), projection USER and the
    four columns."""
    col = COLUMNS.index
    where = cover if cover.startswith("pick") else "set covername %s" % cover
    return ("pv_arcpoly\nselect project 0\n%s\nselect projection 0\nselect unitnum %d\n"
            "select alegend %d\nselect mlegend %d\nselect rocktype %d\nok\n"
            % (where, col(unit), col("UNIT.AGE"), col("UNIT.LEGEND"), col(rock)))


# Choices the dialog refuses, in the order tried, and the message each shows.
REFUSED = [("nopal", "UNIT.AGE", "UNIT.ROCK", "ERROR: Invalid map unit number - must be numeric"),
           ("nopal", "UNIT.UNITNO", "UNIT.ARCNO", "ERROR: Invalid rocktype - must be non-numeric"),
           ("nopal", "UNIT.UNITNO", "UNIT.ROCK", "ERROR: Invalid ArcInfo coverage"),
           ("", "UNIT.UNITNO", "UNIT.ROCK", "ERROR: Invalid ArcInfo coverage")]


def refusals(root):
    """A pv-arcpoly that tries every refused choice (keeping the dialog
    open, shown each time) and is cancelled."""
    text = "pv-arcpoly\n"
    for i, (cover, unit, rock, _) in enumerate(REFUSED):
        answers = dialog(os.path.join(root, cover) if cover else "set covername  ", unit, rock)
        text += (answers if i == 0 else answers.split("\n", 1)[1]) + "show\n"
    return text + "cancel\n"


def polylines(doc):
    """Vertex lists of the POLYLINEs, by their handle."""
    return {p.dxf.handle: [(round(v.dxf.location.x, 6), round(v.dxf.location.y, 6)) for v in p.vertices]
            for p in doc.modelspace() if p.dxftype() == "POLYLINE"}


def alert_answers(text, title="Petrivex ERROR:"):
    """The answers an alert of this text needs: a long one is the wrapping dialog."""
    return "pv_alert_wrap\nshow\nok\n" if len(title) + len(text) >= 133 else ""


def alert_shown(out):
    """Every alert text of a transcript, blanks and wrapping aside."""
    wrapped = re.findall(r"^ +\d+: (.*)$", out, re.M)
    return re.sub(r"\s", "", out + "".join(wrapped))


def main():
    if len(sys.argv) != 6:
        print(__doc__)
        return 2
    args, work, cover_samples = sys.argv[1:4], sys.argv[4], sys.argv[5]
    root = os.path.join(work, "units")
    make_project(root)
    cover = os.path.join(root, "cover")
    subprocess.run([cover_samples, "write", cover, "single"], check=True)
    os.makedirs(os.path.join(root, "nopal"))
    damaged = os.path.join(root, "damaged")
    os.makedirs(damaged)
    with open(os.path.join(damaged, "PAL"), "wb") as f:
        f.write(b"\x00\x00\x27\x0a" + b"\xff" * 12)
    refusal = "Could not open cover %s: %s/PAL has no PAX file beside it" % (damaged, damaged)
    cut = os.path.join(root, "cut")
    cut_after_first_arc(cover, cut)
    universe = "unit 1: polygon 1 is the universe, the outside of the coverage"
    first = "Plotted... 2 map units\n\nNot drawn:\nunit 99: the coverage has no polygon 99\n" + universe
    partial = ("Plotted... 0 map units\n\nNot drawn:\nunit 2: arc 2 of its polygon cannot be read\n"
               "unit 3: arcs 3, 4 of its polygon cannot be read\nunit 99: the coverage has no polygon 99\n" + universe)
    script = ('(pv_open "GEO" "DB3" "" "")\n' + refusals(root) +
              "pv-arcpoly\n" + dialog("pick cover\n" + os.path.join(cover, "pal.adf")) + "ALL\n\n" +
              alert_answers(first, "PETRIVEX") +
              "pv-arcpoly\n" + dialog(damaged) + "ALL\n\n" + alert_answers(refusal) +
              "pv-arcpoly\n" + dialog(cut) + "ALL\n\n" + alert_answers(partial, "PETRIVEX") +
              "SAVE out.dxf\n(pv_logoff)\nQUIT\n")
    status, out = e2e_tables.pvhost_run(args, root, script)
    check(status == 0, "pvhost exit status %d" % status)
    shown = re.findall(r'^ +error +text = "(.*)"$', out, re.M)
    check(shown == [r[3] for r in REFUSED], "messages %s, expected %s" % (shown, [r[3] for r in REFUSED]))
    shown_alerts = alert_shown(out)
    check(first.replace(" ", "").replace("\n", "") in shown_alerts,
          "units 2 and 3 plotted once, 99 and the universe named as not drawn")
    check(partial.replace(" ", "").replace("\n", "") in shown_alerts,
          "a cut arc file draws no unit from part of its arcs, and says which arcs")
    check(refusal.replace(" ", "") in alert_shown(out), "a damaged coverage is not opened, and why: %s"
          % alert_shown(out))
    doc = ezdxf.readfile(os.path.join(root, "out.dxf"))
    hatches = [h for h in doc.modelspace() if h.dxftype() == "HATCH"]
    check(len(hatches) == 2, "two hatches: %d" % len(hatches))
    lines = polylines(doc)
    want = rings(cover_samples, cover)
    linked = {}
    for h in hatches:
        x = [v.value for v in h.get_xdata("PETRIVEX")] if h.has_xdata("PETRIVEX") else []
        check(len(x) > 2 and x[0] == "GEO" and x[1] == "UNIT", "hatch linked to a UNIT row: %s" % x)
        if len(x) > 2:
            linked[int(x[2])] = h
    check(sorted(linked) == [1, 2], "hatches linked to the first rows of units 2 and 3: %s" % sorted(linked))
    drawn = sorted(sorted(pts) for pts in lines.values())
    expected = sorted(sorted((round(x, 6), round(y, 6)) for x, y in ring) for u in (2, 3) for ring in want[u])
    check(drawn == expected, "polylines %s, expected the rings %s" % (drawn, expected))
    check(len(lines) == 3, "three polylines (unit 3 has an island): %d" % len(lines))
    if shutil.which("ogrinfo"):
        # ogrinfo keeps only the outer ring of unit 3; each of its rings is drawn
        for n, f in layers(cover).get("PAL", {}).items():
            for ring in ogr_rings(f["geometry"]):
                check(any(same_ring(list(pts), ring) for pts in lines.values()),
                      "ogrinfo's ring %s of polygon %d drawn" % (ring, n))
    # With the driver ended after the logon no unit row can be read: that
    # is no unit without a row, and nothing is drawn.
    root = os.path.join(work, "units ended")
    make_project(root)
    out = run_pvhost_driver_killed(*args, root, "pv-arcpoly\n" + dialog(cover) +
                                   "ALL\n\npv_alert_wrap\nshow\nok\nSAVE out.dxf\n(pv_logoff)\nQUIT\n", "in.dxf")
    check("Nothingwasplotted:row1oftableUNITcannotberead:" in alert_shown(out) and "Plotted..." not in out,
          "ended driver: the unread row is reported")
    check(not [h for h in ezdxf.readfile(os.path.join(root, "out.dxf")).modelspace() if h.dxftype() == "HATCH"],
          "ended driver: no unit drawn")
    print("%d failure(s)" % len(FAILURES))
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
