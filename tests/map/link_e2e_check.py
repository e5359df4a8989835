"""Checks the drawing saved by the linked-symbols end-to-end test.

Reads the DXF file with ezdxf and checks that the TEXT, SHAPE and INSERT
of row 12 of GEO's STATION table each carry exactly their link under
"PETRIVEX", that the block STRIKE_DIP holds LINEs only, and that the
editor's link store (extended data "ASE" of the APPID entry "ASE") holds
the link path name GEO$STATION once, on the path DB3.PETRIVEX.GEO.STATION,
and exactly three links, one per entity. Exits 1 naming what is wrong.
"""
import sys

import ezdxf

WANT = {
    "TEXT": "NAME",
    "SHAPE": "STATION",
    "INSERT": "STATION",
}


def link_group(key_column):
    """The link's items after (1001 "PETRIVEX")."""
    return [(1000, "GEO"), (1000, "STATION"), (1071, 12),
            (1000, key_column), (1000, "ST1"), (1000, "")]


def main(path):
    doc = ezdxf.readfile(path)
    problems = []
    handles = set()
    for kind, column in WANT.items():
        found = [e for e in doc.modelspace().query(kind) if e.has_xdata("PETRIVEX")]
        if len(found) != 1:
            problems.append("%d linked %s entities, want 1" % (len(found), kind))
            continue
        tags = [(t.code, t.value) for t in found[0].get_xdata("PETRIVEX")]
        if tags != link_group(column):
            problems.append("%s link %r, want %r" % (kind, tags, link_group(column)))
        handles.add(found[0].dxf.handle)

    block = doc.blocks.get("STRIKE_DIP")
    kinds = [e.dxftype() for e in block] if block is not None else []
    if not kinds or set(kinds) != {"LINE"}:
        problems.append("block STRIKE_DIP holds %r, want LINEs only" % kinds)

    tags = [(t.code, t.value) for t in doc.appids.get("ASE").get_xdata("ASE")]
    names = [(tags[i + 1][1], tags[i + 2][1]) for i, t in enumerate(tags) if t == (1000, "LPN")]
    if names.count(("GEO$STATION", "DB3.PETRIVEX.GEO.STATION")) != 1 or len(names) != 1:
        problems.append("link path names %r, want GEO$STATION once" % names)
    linked = [tags[i + 4][1] for i, t in enumerate(tags) if t == (1000, "LINK")]
    if len(linked) != 3 or set(linked) != handles:
        problems.append("links of entities %r, want one of each of %r" % (linked, sorted(handles)))

    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
