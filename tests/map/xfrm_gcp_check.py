#!/usr/bin/python3
"""Checks the fitted transformations against GDAL's GCP polynomial.

For degrees 1 to 3, a well-conditioned set of control points (a jittered
grid mapped by a smooth non-linear function with small noise, so that the
fit is a true least-squares one) is fitted by prj_probe between two USER
systems and by ogr2ogr -gcp -order n; points inside the control points'
extents must come out of both within 1e-6.

usage: xfrm_gcp_check.py PRJ_PROBE OGR2OGR
"""
import os
import random
import re
import subprocess
import sys
import tempfile

TOLERANCE = 1e-6


def target(x, y, rnd):
    """A smooth map from a local grid to a projected system, plus noise."""
    u, v = x / 1000.0, y / 1000.0
    X = 431250.0 + 998.7 * u - 41.3 * v + 3.1 * u * u - 1.7 * u * v + 0.21 * u ** 3 + rnd.uniform(-0.05, 0.05)
    Y = 5012345.0 + 40.9 * u + 1001.2 * v - 2.3 * v * v + 0.9 * u * v - 0.17 * v ** 3 + rnd.uniform(-0.05, 0.05)
    return X, Y


def ogr_transform(exe, gcps, order, pts, tmp):
    src = os.path.join(tmp, "in_%d.csv" % order)
    dst = os.path.join(tmp, "out_%d.csv" % order)
    with open(src, "w") as f:
        f.write("WKT,id\n")
        for i, (x, y) in enumerate(pts):
            f.write('"POINT (%.12f %.12f)",%d\n' % (x, y, i))
    args = [exe, "-f", "CSV", dst, src, "-order", str(order), "-lco", "GEOMETRY=AS_WKT"]
    for (x1, y1, x2, y2) in gcps:
        args += ["-gcp", "%.12f" % x1, "%.12f" % y1, "%.12f" % x2, "%.12f" % y2]
    subprocess.run(args, check=True, capture_output=True)
    out = []
    with open(dst) as f:
        next(f)
        for line in f:
            m = re.match(r'"POINT \(([-0-9.e+]+) ([-0-9.e+]+)\)"', line)
            out.append((float(m.group(1)), float(m.group(2))))
    return out


def main():
    probe, exe = sys.argv[1], sys.argv[2]
    rnd = random.Random(20261207)
    failures = 0
    with tempfile.TemporaryDirectory() as tmp:
        for order in (1, 2, 3):
            gcps = []
            for i in range(6):
                for j in range(6):
                    x = i * 1000.0 + rnd.uniform(-150, 150)
                    y = j * 1000.0 + rnd.uniform(-150, 150)
                    gcps.append((x, y) + target(x, y, rnd))
            xs = [g[0] for g in gcps]
            ys = [g[1] for g in gcps]
            pts = [(rnd.uniform(min(xs), max(xs)), rnd.uniform(min(ys), max(ys))) for _ in range(50)]
            pts += [(g[0], g[1]) for g in gcps[:5]]
            cmds = ["proj LOCAL%d - - USER 0 1 0 0 0 0 0 0" % order,
                    "proj GRID%d - meters USER 0 1 0 0 0 0 0 0" % order,
                    "xform T%d LOCAL%d GRID%d %d %d %s" % (order, order, order, order, len(gcps),
                                                        " ".join("%.12f %.12f %.12f %.12f" % g for g in gcps))]
            cmds += ["conv LOCAL%d GRID%d %.12f %.12f" % (order, order, x, y) for (x, y) in pts]
            out = subprocess.run([probe], input="\n".join(cmds) + "\n", capture_output=True, text=True,
                                 check=True).stdout.splitlines()
            if out[:3] != ["ok", "ok", "ok"]:
                print("order %d: setup refused: %s" % (order, out[:3]))
                failures += 1
                continue
            ref = ogr_transform(exe, gcps, order, pts, tmp)
            worst = 0.0
            for (x, y), got, (rx, ry) in zip(pts, out[3:], ref):
                if got == "fail":
                    print("order %d: %.6f %.6f failed" % (order, x, y))
                    failures += 1
                    continue
                gx, gy = (float(v) for v in got.split())
                d = max(abs(gx - rx), abs(gy - ry))
                worst = max(worst, d)
                if d > TOLERANCE:
                    print("order %d: %.6f %.6f -> %.9f %.9f, ogr2ogr %.9f %.9f" % (order, x, y, gx, gy, rx, ry))
                    failures += 1
            print("order %d: worst difference %.3g" % (order, worst))
    print("%d failures" % failures)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
