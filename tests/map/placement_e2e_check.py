"""Checks the drawing saved by the placement end-to-end test.

Reads the DXF file with ezdxf: the SHAPE STRIKE_DIP of row 12 at
(100,200) with its NAME text east and its DIP text west of it, all three
linked to row 12 by their own columns; one INSERT of STRIKE_DIP of row 13
at (50,50) turned to -60 degrees; no reference of the drag block
PETRIVEX_SYMBOL left. Exits 1 naming what is wrong.
"""
import math
import sys

import ezdxf


def link(e):
    """(row id, key column) of an entity's link; None when unlinked."""
    if not e.has_xdata("PETRIVEX"):
        return None
    tags = [t.value for t in e.get_xdata("PETRIVEX")]
    return (tags[2], tags[3]) if len(tags) == 6 else None


def near(a, b):
    return abs(a - b) < 1e-6


def main(path):
    doc = ezdxf.readfile(path)
    msp = doc.modelspace()
    problems = []

    shapes = [e for e in msp.query("SHAPE")]
    if len(shapes) != 1:
        problems.append("%d SHAPEs, want 1" % len(shapes))
    else:
        s = shapes[0]
        if s.dxf.name != "STRIKE_DIP" or not (near(s.dxf.insert.x, 100) and near(s.dxf.insert.y, 200)):
            problems.append("SHAPE %s at %r, want STRIKE_DIP at (100,200)" % (s.dxf.name, s.dxf.insert))
        if link(s) != (12, "STATION"):
            problems.append("SHAPE link %r" % (link(s),))

    texts = {t.dxf.text: t for t in msp.query("TEXT")}
    for text, column, east in (("Red Hill", "NAME", True), ("45", "DIP", False)):
        t = texts.get(text)
        if t is None:
            problems.append("no TEXT %r" % text)
            continue
        if link(t) != (12, column):
            problems.append("TEXT %r link %r, want row 12 column %s" % (text, link(t), column))
        if (t.dxf.insert.x > 100) != east:
            problems.append("TEXT %r at %r, want it %s of the symbol" % (text, t.dxf.insert,
                                                                         "east" if east else "west"))

    inserts = [e for e in msp.query("INSERT") if e.dxf.name == "STRIKE_DIP"]
    if len(inserts) != 1:
        problems.append("%d INSERTs of STRIKE_DIP, want 1" % len(inserts))
    else:
        i = inserts[0]
        if not (near(i.dxf.insert.x, 50) and near(i.dxf.insert.y, 50)):
            problems.append("INSERT at %r, want (50,50)" % (i.dxf.insert,))
        if not near(math.fmod(i.dxf.rotation + 360.0, 360.0), 300.0):
            problems.append("INSERT turned %r degrees, want -60" % i.dxf.rotation)
        if link(i) != (13, "STATION"):
            problems.append("INSERT link %r" % (link(i),))

    drags = [e for e in msp.query("INSERT") if e.dxf.name.upper() == "PETRIVEX_SYMBOL"]
    if drags:
        problems.append("%d references of PETRIVEX_SYMBOL left" % len(drags))

    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
