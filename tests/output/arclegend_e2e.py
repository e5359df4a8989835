#!/usr/bin/python3
"""pv-arclegend end to end through pvhost: the test writer's coverage of four
unit squares (polygons 2 and 3 below, 4 and 5 above) and a DB3 project GEO
whose units have the ages K, T, Q and K. The age dictionary AGES is ordered
by its profile AGEP (T under K, Q under T), the rock types ROCKS by ROCKP
(sandstone and shale sedimentary, granite plutonic), the map legend LEGND
by LEGP (Kgr under K: granite; Tss under T: sandstone; Qsh under Q: shale),
and ARCS records the contact of every arc (dictionary ATYPE). The two
matrices of leg_mtx are read line by line; the arcs drawn are those of the
implied intrusions (T and Q on the plutonic K) whose recorded contact is
another one: arc 4 (UNCONFORMABLE) and arc 3 (CONFORMABLE), not arc 1
(INTRUSIONS, agreeing) nor arc 2 (FAULTS). A second run reads the ages of
AGE2, where unit 5 has an age outside the dictionary: it takes part in
nothing, and only arc 3 is drawn.

  arclegend_e2e.py PVHOST MODULE RESOURCES WORKDIR COVER_SAMPLES
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
from e2e_util import FAILURES, check  # noqa: E402

DIX_FIELDS = "BASENUMBER N(8,0); LONGNAME C(32); SHORTNAME C(32); DEFINITION C(70)"
PRF_FIELDS = "SORTNUMBER N(8,0); BASENUMBER N(8,0); PARENTNUM N(8,0); WINDOW N(8,0)"
ARCS_FIELDS = ("ARC_NUM N(8,0); REC_SIZE N(8,0); ARC_ID N(8,0); FROM_NODE N(8,0); TO_NODE N(8,0); "
               "LEFT_POLY N(8,0); RIGHT_POLY N(8,0); NUM_VERTEX N(8,0); ARC_UNIQUE N(8,0); ARC_TYPE C(32)")
# (arc, left, right, recorded contact) of the four-unit coverage
ARCS = [(1, 2, 3, "INTRUSIONS"), (2, 4, 5, "FAULTS"), (3, 4, 2, "CONFORMABLE"), (4, 5, 3, "UNCONFORMABLE"),
        (5, 1, 2, "BORDER"), (6, 1, 3, "BORDER"), (7, 1, 4, "BORDER"), (8, 1, 5, "BORDER")]
# (base number, unit, AGE, AGE2); unit 9 lies outside the coverage
UNITS = [(1, 2, "K", "K"), (2, 3, "T", "T"), (3, 4, "Q", "Q"), (4, 5, "K", "X"), (5, 9, "Q", "Q")]
EMPTY = "%-4s\t" % "..."


def pack(name):
    """A dictionary's name packed into a profile's header row (PARENTNUM, WINDOW)."""
    def code(ch):
        if "A" <= ch <= "Z":
            return ord(ch) - ord("@") + 27
        if "a" <= ch <= "z":
            return ord(ch) - ord("a") + 28
        if "0" <= ch <= "9":
            return ord(ch) - ord("0") + 12
        return 0
    c = [code(ch) for ch in name[:5] if code(ch)] + [0] * 5
    return (c[0] + (c[1] << 6) + (c[2] << 12)) & 0xFFFF, ((c[2] >> 4) & 3) + (c[3] << 2) + (c[4] << 8)


def dictionary(d, name, items, extra=None):
    """A dictionary table: its header row, then items numbered from 1."""
    rows = [(0, name, "", "") + (("",) if extra else ())]
    for n, item in enumerate(items, 1):
        rows.append((n, item, "", "") + ((extra.get(item, ""),) if extra else ()))
    table(os.path.join(d, name + ".DBF"), DIX_FIELDS + ("; ROCKT C(32)" if extra else ""), rows)


def profile(d, name, dix, parents):
    """A profile over dictionary dix: (item number, parent number) in order."""
    rows = [(0, 0) + pack(dix)] + [(i, n, p, 0) for i, (n, p) in enumerate(parents, 1)]
    table(os.path.join(d, name + ".DBF"), PRF_FIELDS, rows)


def arcs_registry_row():
    """ARCS as the arc command registers it: unique number ARC_NUM, own key ARC_UNIQUE."""
    row = list(registry_row("ARCS", "BOUNDARY", BOUNDARY="ARC_UNIQUE"))
    row[e2e_tables.PVTABLE_NAMES.index("BASENUMBER")] = "ARC_NUM"
    return tuple(row)


def make_project(root):
    shutil.rmtree(root, ignore_errors=True)
    d = os.path.join(root, "projects", "GEO")
    os.makedirs(d)
    dictionary(d, "AGES", ["K", "T", "Q"])
    profile(d, "AGEP", "AGES", [(1, 0), (2, 1), (3, 2)])
    dictionary(d, "ROCKS", ["sedimentary", "sandstone", "shale", "plutonic", "granite"])
    profile(d, "ROCKP", "ROCKS", [(1, 0), (2, 1), (3, 1), (4, 0), (5, 4)])
    dictionary(d, "LEGND", ["K", "T", "Q", "Kgr", "Tss", "Qsh"],
               {"Kgr": "granite", "Tss": "sandstone", "Qsh": "shale"})
    profile(d, "LEGP", "LEGND", [(1, 0), (4, 1), (2, 0), (5, 2), (3, 0), (6, 3)])
    dictionary(d, "ATYPE", ["BORDER", "SHORELINE", "FAULTS", "INTRUSIONS", "UNCONFORMABLE", "CONFORMABLE",
                            "BASEMENT"])
    table(os.path.join(d, "UNIT.DBF"), "BASENUMBER N(8,0); UNITNO N(8,0); AGE C(8); AGE2 C(8); ROCK C(16)",
          [(n, u, a, b, "") for n, u, a, b in UNITS])
    table(os.path.join(d, "ARCS.DBF"), ARCS_FIELDS, [(n, 0, n, 0, 0, l, r, 2, n, t) for n, l, r, t in ARCS])
    table(os.path.join(d, "PVTABLE.DBF"), PVTABLE_FIELDS,
          [registry_row("UNIT", "UNIT", UNIT="UNITNO"), registry_row("LEGND", "DICTION"),
           arcs_registry_row()])
    rules = [("AGE", "UNIT", "AGES", "AGEP"), ("AGE2", "UNIT", "AGES", "AGEP"), ("ROCK", "UNIT", "ROCKS", "ROCKP"),
             ("ROCKT", "LEGND", "LEGND", "LEGP"), ("ARC_TYPE", "ARCS", "ATYPE", "")]
    table(os.path.join(d, "PVCOLUMN.DBF"), PVCOLUMN_FIELDS,
          [(c, t, dix, prf, 0, 0, 0, 0, " ", "", 0, 0) for c, t, dix, prf in rules])
    with open(os.path.join(root, "asi.ini"), "w") as f:
        f.write("[ENVIRONMENTS]\nDB3=\n\n[DB3]\nDriver=pvdb3\nPETRIVEX=projects\nPETRIVEX.GEO=GEO\n\n"
                "[ASE_CATALOGS]\nGEO=projects\n\n[PETRIVEX_MISC]\nGEO.links=0\n")
    ezdxf.new("R12").saveas(os.path.join(root, "in.dxf"))


def column_list(args, root):
    """The columns the dialog offers, in list order."""
    status, out = e2e_tables.pvhost_run(args, root, '(pv_open "GEO" "DB3" "" "")\npv-arclegend\npv_arcpoly\n'
                                        "select project 0\nshow\ncancel\n(pv_logoff)\nQUIT\n")
    block = out.split("=== Dialog pv_arcpoly", 1)[-1].split("unitnum", 1)[-1].split("arcnum", 1)[0]
    return [name.strip() for _, name in re.findall(r"^\s+\*?(\d+): (.*)$", block, re.M)]


def legend_run(args, root, cover, columns, age, name):
    col = columns.index
    script = ('(pv_open "GEO" "DB3" "" "")\npv-arclegend\npv_arcpoly\nselect project 0\n'
              "set covername %s\nselect projection 0\nselect unitnum %d\nselect alegend %d\n"
              "select mlegend %d\nselect rocktype %d\nselect arcnum %d\nok\n"
              "leg_matrix\nshow\nok\nleg_matrix\nshow\nok\npv_msg_box\nshow\nok\n"
              "SAVE %s\n(pv_logoff)\nQUIT\n"
              % (cover, col("UNIT.UNITNO"), col(age), col("LEGND.ROCKT"), col("UNIT.ROCK"), col("ARCS.ARC_NUM"),
                 name))
    status, out = e2e_tables.pvhost_run(args, root, script)
    check(status == 0, "%s: pvhost exit status %d" % (name, status))
    check("pvhost: fault" not in out, "%s: every dialog answered" % name)
    matrices = []
    for form in out.split("=== Dialog leg_matrix")[1:]:
        form = form.split("Answers:", 1)[0]
        matrices.append([line for _, line in re.findall(r"^\s+\*?(\d+): (.*)$", form, re.M)])
    box = out.split("=== Dialog pv_msg_box", 1)[-1].split("Answers:", 1)[0]
    check("LEGEND CHECKER: %s" % cover in box, "%s: the box's title names the coverage" % name)
    check("Legend Checker... press OK to continue" in box, "%s: the box waits for OK" % name)
    doc = ezdxf.readfile(os.path.join(root, name))
    drawn = []
    for p in doc.modelspace():
        if p.dxftype() != "POLYLINE":
            continue
        x = [v.value for v in p.get_xdata("PETRIVEX")] if p.has_xdata("PETRIVEX") else []
        check(len(x) >= 5 and x[:2] == ["GEO", "ARCS"] and x[3] == "ARC_NUM", "%s: arc linked to ARCS: %s" % (name, x))
        if len(x) >= 3:
            drawn.append(int(x[2]))
    return matrices, sorted(drawn)


def row(name, cells):
    return "%-4s\t" % name + "".join(EMPTY if c == 0 else "%-4d\t" % c for c in cells)


def main():
    if len(sys.argv) != 6:
        print(__doc__)
        return 2
    args, work, cover_samples = sys.argv[1:4], sys.argv[4], sys.argv[5]
    root = os.path.join(work, "legend")
    make_project(root)
    cover = os.path.join(root, "cover")
    subprocess.run([cover_samples, "write", cover, "four"], check=True)
    columns = column_list(args, root)
    header = "    \tK   \tT   \tQ   \t"

    matrices, drawn = legend_run(args, root, cover, columns, "UNIT.AGE", "ages.dxf")
    # every adjacency of two classes, then those whose ages agree (the younger under the older)
    want = [[header, row("K", [0, 2, 2]), row("T", [2, 0, 0]), row("Q", [2, 0, 0])],
            [header, row("K", [0, 0, 0]), row("T", [2, 0, 0]), row("Q", [2, 0, 0])]]
    check(matrices == want, "matrices %r, expected %r" % (matrices, want))
    check(drawn == [3, 4], "arcs drawn %s, expected the differing contacts 3 and 4" % drawn)

    matrices, drawn = legend_run(args, root, cover, columns, "UNIT.AGE2", "ages2.dxf")
    want = [[header, row("K", [0, 1, 1]), row("T", [1, 0, 0]), row("Q", [1, 0, 0])],
            [header, row("K", [0, 0, 0]), row("T", [1, 0, 0]), row("Q", [1, 0, 0])]]
    check(matrices == want, "unit of unknown age: matrices %r, expected %r" % (matrices, want))
    check(drawn == [3], "unit of unknown age: arcs drawn %s, expected 3" % drawn)
    print("%d failure(s)" % len(FAILURES))
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
