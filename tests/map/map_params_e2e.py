#!/usr/bin/python3
"""The drawing's map setup block end to end: pvhost saves drawings and
ezdxf reads what was saved.

  map_params_e2e.py PVHOST MODULE RESOURCES WORKDIR

A new drawing gets one anonymous block of the four attribute definitions
(PROJ "USER", SCALE and HEIGHT "1.000000") and one reference of it. A
drawing opened with --drawing whose block names "UTM 31 WGS84" at scale
2.5 keeps both, and still one block, through SAVE; one whose PROJ names no
loaded system keeps that name.
"""
import os
import shutil
import sys

import ezdxf

from e2e_util import FAILURES, check, run_pvhost

ATTDEF_FLAGS = 13


def setup_blocks(doc):
    """The blocks that begin with NAME = PETRIVEX_PARAMS, as
    (name, [(tag, prompt, value, flags)...])."""
    found = []
    for block in doc.blocks:
        ents = list(block)
        if ents and ents[0].dxftype() == "ATTDEF" and ents[0].dxf.tag == "NAME" \
                and ents[0].dxf.text == "PETRIVEX_PARAMS":
            found.append((block.name, [(e.dxf.tag, e.dxf.prompt, e.dxf.text, e.dxf.flags)
                                       for e in ents if e.dxftype() == "ATTDEF"]))
    return found


def check_setup(path, what, proj, scale, height):
    doc = ezdxf.readfile(path)
    blocks = setup_blocks(doc)
    check(len(blocks) == 1, "%s: one setup block, found %d" % (what, len(blocks)))
    if not blocks:
        return
    name, defs = blocks[0]
    check(name.startswith("*U"), "%s: the block is anonymous (%s)" % (what, name))
    want = [("NAME", "NAME", "PETRIVEX_PARAMS", ATTDEF_FLAGS), ("PROJ", "PROJ", proj, ATTDEF_FLAGS),
            ("SCALE", "SCALE", scale, ATTDEF_FLAGS), ("HEIGHT", "HEIGHT", height, ATTDEF_FLAGS)]
    check(defs == want, "%s: definitions %r" % (what, defs))
    refs = [e for e in doc.modelspace() if e.dxftype() == "INSERT" and e.dxf.name == name]
    check(len(refs) == 1, "%s: one reference of the block, found %d" % (what, len(refs)))
    if refs:
        r = refs[0]
        check(r.dxf.layer == "0", "%s: reference on layer 0" % what)
        check(tuple(r.dxf.insert) == (0, 0, 0), "%s: reference at the origin %r" % (what, r.dxf.insert))
        check((r.dxf.xscale, r.dxf.yscale, r.dxf.zscale, r.dxf.rotation) == (1, 1, 1, 0),
              "%s: reference unscaled and unturned" % what)


def edited(src, dst, proj, scale):
    """A copy of a saved drawing whose PROJ and SCALE values are changed."""
    with open(src, encoding="cp1252", newline="") as f:
        text = f.read()
    nl = "\r\n" if "\r\n" in text else "\n"
    for old, new in (("USER", proj), ("1.000000", scale)):
        tag = "PROJ" if old == "USER" else "SCALE"
        before = nl.join(["1", old, "3", tag]) + nl
        check(text.count(before) == 1, "the saved drawing holds the %s value once" % tag)
        text = text.replace(before, nl.join(["1", new, "3", tag]) + nl)
    with open(dst, "w", encoding="cp1252", newline="") as f:
        f.write(text)


def main():
    if len(sys.argv) != 5:
        raise SystemExit(__doc__)
    pvhost, module, resources, work = sys.argv[1:]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    shutil.copy(os.path.join(resources, "asi.ini"), work)
    shutil.copytree(os.path.join(resources, "projects"), os.path.join(work, "projects"))

    run_pvhost(pvhost, module, resources, work, "SAVE new.dxf\nQUIT\n")
    new = os.path.join(work, "new.dxf")
    check_setup(new, "new drawing", "USER", "1.000000", "1.000000")

    for name, proj in (("utm", "UTM 31 WGS84"), ("unknown", "GRID OF NOWHERE")):
        src = os.path.join(work, name + ".dxf")
        edited(new, src, proj, "2.500000")
        out = name + "-saved.dxf"
        run_pvhost(pvhost, module, resources, work, "SAVE %s\nQUIT\n" % out, drawing=src)
        check_setup(os.path.join(work, out), "opened with %s" % proj, proj, "2.500000", "1.000000")

    if FAILURES:
        raise SystemExit("%d check(s) failed" % len(FAILURES))
    print("map setup block end to end: all checks passed")


if __name__ == "__main__":
    main()
