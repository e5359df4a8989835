#!/usr/bin/python3
"""Reads coverages with the coverage reader (cover_samples dump) and with
GDAL's ogrinfo and checks that both give the same counts, ARC, CNT, LAB
and PAL records and polygon rings.

  cover_external_check.py COVER_SAMPLES OUT_SAMPLES

The coverages: the test writer's two squares with a hole, big-endian, in
single and double precision (an empty info/arc.dir beside them), and the
E00 writer's two squares brought in by avcimport when it is installed.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from out_external_check import layers  # noqa: E402

FAILURES = []


def check(ok, what):
    if not ok:
        FAILURES.append(what)
        print("FAIL:", what)


def run(*args):
    r = subprocess.run(args, capture_output=True, text=True)
    if r.returncode != 0:
        raise SystemExit("%s failed: %s%s" % (" ".join(args), r.stdout, r.stderr.strip()))
    return r.stdout


def points(text):
    return [tuple(float(v) for v in p.split()) for p in text.split(",") if p.strip()]


def ogr_rings(geometry):
    """The rings of a POLYGON text, each as a list of points."""
    body = geometry[geometry.index("(") + 1:geometry.rindex(")")]
    return [points(r) for r in re.findall(r"\(([^()]*)\)", body)]


def same_points(a, b):
    return len(a) == len(b) and all(abs(p[0] - q[0]) < 1e-9 and abs(p[1] - q[1]) < 1e-9
                                    for p, q in zip(a, b))


def same_ring(a, b):
    """Equal as closed rings, whatever the start and direction."""
    a, b = a[:-1] if a and a[0] == a[-1] else a, b[:-1] if b and b[0] == b[-1] else b
    if len(a) != len(b):
        return False
    for cand in (b, b[::-1]):
        for s in range(len(cand)):
            if same_points(a, cand[s:] + cand[:s]):
                return True
    return False


def cut_after_first_arc(cover, cut):
    """Copies the test writer's coverage to cut with its arc file ending
    after its first arc, as a copy broken off part-way leaves it."""
    shutil.copytree(cover, cut)
    with open(os.path.join(cut, "arx.adf"), "rb") as f:
        arx = f.read()
    start = 0 if arx[2] == 0x27 else 256
    second = int.from_bytes(arx[start + 108:start + 112], "big") * 2
    with open(os.path.join(cut, "arc.adf"), "r+b") as f:
        f.truncate(start + second)


def check_cover(samples, cover, name):
    mine = {}
    rings = {}
    for line in run(samples, "dump", cover).splitlines():
        kind, rest = line.split(" ", 1)
        if kind == "COUNTS":
            mine["COUNTS"] = [int(v) for v in rest.split()]
            continue
        n, _, rest = rest.partition(" ")
        if kind == "RING":
            rings.setdefault(int(n), []).append([tuple(float(v) for v in p.split(","))
                                                 for p in rest.split()])
        else:
            mine.setdefault(kind, {})[int(n)] = rest.split()
    ogr = layers(cover)
    kind, nlab, narc, npol, ncnt = mine["COUNTS"]
    check(kind == 2, "%s: a polygon coverage (kind %d)" % (name, kind))
    check(narc == len(ogr["ARC"]), "%s: %d arcs, ogrinfo %d" % (name, narc, len(ogr["ARC"])))
    check(ncnt == len(ogr["CNT"]), "%s: %d centroids, ogrinfo %d" % (name, ncnt, len(ogr["CNT"])))
    check(nlab == len(ogr["LAB"]), "%s: %d labels, ogrinfo %d" % (name, nlab, len(ogr["LAB"])))
    # ogrinfo leaves out polygon 1, the outside
    check(npol == len(ogr["PAL"]) + 1, "%s: %d polygons, ogrinfo %d" % (name, npol, len(ogr["PAL"])))
    for n, f in ogr["ARC"].items():
        m = mine["ARC"][n]
        check([int(v) for v in m[:5]] == [int(f[k]) for k in ("UserId", "FNODE_", "TNODE_", "LPOLY_", "RPOLY_")],
              "%s: arc %d header %s, ogrinfo %s" % (name, n, m[:5], f))
        got = [tuple(float(v) for v in p.split(",")) for p in m[5:]]
        check(same_points(got, points(f["geometry"][len("LINESTRING ("):-1])),
              "%s: arc %d points %s, ogrinfo %s" % (name, n, got, f["geometry"]))
    for n, f in ogr["CNT"].items():
        m = mine["CNT"][n]
        ids = f["LabelIds"].split(":", 1)[1].rstrip(")")
        check([int(v) for v in m[1:]] == [int(v) for v in ids.split(",") if v],
              "%s: centroid %d labels %s, ogrinfo %s" % (name, n, m[1:], f["LabelIds"]))
        check(same_points([tuple(float(v) for v in m[0].split(","))], points(f["geometry"][7:-1])),
              "%s: centroid %d at %s, ogrinfo %s" % (name, n, m[0], f["geometry"]))
    for n, f in ogr["LAB"].items():
        m = mine["LAB"][n]
        check(int(m[0]) == int(f["ValueId"]) and int(m[1]) == int(f["PolyId"]),
              "%s: label %d ids %s, ogrinfo %s" % (name, n, m[:2], f))
        check(same_points([tuple(float(v) for v in m[2].split(","))], points(f["geometry"][7:-1])),
              "%s: label %d at %s, ogrinfo %s" % (name, n, m[2], f["geometry"]))
    for n, f in ogr["PAL"].items():
        ids = f["ArcIds"].split(":", 1)[1].rstrip(")")
        check([int(v) for v in mine["PAL"][n]] == [int(v) for v in ids.split(",") if v],
              "%s: polygon %d arcs %s, ogrinfo %s" % (name, n, mine["PAL"][n], f["ArcIds"]))
        theirs = ogr_rings(f["geometry"])
        ours = rings.get(n, [])
        # ogrinfo keeps the first ring of a polygon whose arc list is broken by
        # an arc 0; the reader gives one ring per group of arcs
        groups = 1 + [int(v) for v in mine["PAL"][n]].count(0)
        check(len(ours) == groups and all(any(same_ring(o, t) for o in ours) for t in theirs),
              "%s: polygon %d rings %s, ogrinfo %s" % (name, n, ours, f["geometry"]))


def main():
    samples, out_samples = sys.argv[1], sys.argv[2]
    tmp = tempfile.mkdtemp(prefix="pv_cover_")
    try:
        for prec in ("single", "double"):
            cover = os.path.join(tmp, prec, "squares")
            run(samples, "write", cover, prec)
            check_cover(samples, cover, "squares " + prec)
        if shutil.which("avcimport"):
            e00 = os.path.join(tmp, "POLY")
            run(out_samples, "e00-polygons", e00)
            cover = os.path.join(tmp, "imported")
            subprocess.run(["avcimport", e00 + ".E00", cover], cwd=tmp, capture_output=True, check=True)
            check_cover(samples, cover, "avcimport")
    finally:
        shutil.rmtree(tmp)
    if FAILURES:
        print("%d failure(s)" % len(FAILURES))
        return 1
    print("coverages agree with ogrinfo")
    return 0


if __name__ == "__main__":
    sys.exit(main())
