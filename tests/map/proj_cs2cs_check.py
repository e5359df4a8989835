#!/usr/bin/python3
"""Checks the projection formulas against PROJ's cs2cs.

For several ellipsoids and systems of every projected type, a grid of
points around each system's origin is projected forward (longitude and
latitude to easting and northing) and back, both by prj_probe and by cs2cs
given the same a, b and false origin in metres. Agreement required:
0.1 mm for the transverse Mercator family (TM, UTM), 0.01 mm for the
Lambert inverse, a micrometre for the Lambert forward and the double
stereographic.
Double stereographic systems with polar and near-polar origins (88N, 90N,
80S) are checked on a ring of points at every 15 degrees of longitude
difference from the origin meridian, all round, out to 30 degrees from the
origin, where the inverse must not fold points back across the meridian.
The held values of tests/map/prj_formulas_test.cpp cover the antimeridian,
the poles and 80 to 84 degrees of latitude.

usage: proj_cs2cs_check.py PRJ_PROBE CS2CS
"""
import math
import subprocess
import sys

ELLIPSOIDS = [
    ("WGS84", 6378137.0, 6356752.314245179),
    ("CLARKE1866", 6378206.4, 6356583.8),
    ("BESSEL1841", 6377397.155, 6356078.962818189),
    ("INTL1924", 6378388.0, 6356911.946127947),
]
FT = 0.3048
USFT = 1200.0 / 3937.0

# name, type, units, zone, scale, lon0, lat0, fe_m, fn_m, p1, p2, PROJ text
# (without ellipsoid), units factor into metres, grid half-widths (degrees)
SYSTEMS = [
    ("UTM31N", "UTM", "meters", 31, 0.9996, 0, 0, 500000, 0, 0, 0,
     "+proj=utm +zone=31", 1.0, (3.0, 44.0, 8.0)),
    ("UTM33S", "UTM", "meters", 33, 0.9996, 0, 0, 500000, 10000000, 0, 0,
     "+proj=utm +zone=33 +south", 1.0, (3.0, -30.0, 8.0)),
    ("TMGB", "TM", "meters", 0, 0.9996012717, -2, 49, 400000, -100000, 0, 0,
     "+proj=tmerc +lat_0=49 +lon_0=-2 +k_0=0.9996012717 +x_0=400000 +y_0=-100000", 1.0, (3.0, 53.0, 5.0)),
    ("TMFT", "TM", "feet", 0, 0.9999, -115.5833333333, 31, 213360, 0, 0, 0,
     "+proj=tmerc +lat_0=31 +lon_0=-115.5833333333 +k_0=0.9999 +x_0=213360 +y_0=0 +units=ft", FT,
     (2.0, 34.0, 3.0)),
    ("LCCUS", "LAMBERT", "meters", 0, 1, -96, 23, 0, 0, 33, 45,
     "+proj=lcc +lat_1=33 +lat_2=45 +lat_0=23 +lon_0=-96 +x_0=0 +y_0=0", 1.0, (10.0, 39.0, 8.0)),
    ("LCCAU", "LAMBERT", "meters", 0, 1, 134, 0, 0, 10000000, -18, -36,
     "+proj=lcc +lat_1=-18 +lat_2=-36 +lat_0=0 +lon_0=134 +x_0=0 +y_0=10000000", 1.0, (10.0, -27.0, 9.0)),
    ("LCCSF", "LAMBERT", "survey_feet", 0, 1, -120.5, 41.6666666667, 609601.2192024384, 152400.3048006096, 43, 44.3333333333,
     "+proj=lcc +lat_1=43 +lat_2=44.3333333333 +lat_0=41.6666666667 +lon_0=-120.5 +x_0=609601.2192024384 "
     "+y_0=152400.3048006096 +units=us-ft", USFT, (3.0, 43.6, 1.5)),
    ("STRD", "DSTEREO", "meters", 0, 0.9999079, 5.38763888888889, 52.15616055555555, 155000, 463000, 0, 0,
     "+proj=sterea +lat_0=52.15616055555555 +lon_0=5.38763888888889 +k=0.9999079 +x_0=155000 +y_0=463000",
     1.0, (2.0, 52.2, 2.0)),
    ("STNB", "DSTEREO", "meters", 0, 0.999912, -66.5, 46.5, 2500000, 7500000, 0, 0,
     "+proj=sterea +lat_0=46.5 +lon_0=-66.5 +k=0.999912 +x_0=2500000 +y_0=7500000", 1.0, (3.0, 46.5, 3.0)),
]
# Polar and near-polar double stereographic systems: the points lie at
# every 15 degrees of longitude difference all round, at the listed
# latitudes.
POLAR = [
    ("STPN88", "DSTEREO", "meters", 0, 0.9994, 10, 88, 2000000, 2000000, 0, 0,
     "+proj=sterea +lat_0=88 +lon_0=10 +k=0.9994 +x_0=2000000 +y_0=2000000", 1.0, (60, 70, 80, 85, 88, 89.5)),
    ("STPN90", "DSTEREO", "meters", 0, 0.994, 0, 90, 2000000, 2000000, 0, 0,
     "+proj=sterea +lat_0=90 +lon_0=0 +k=0.994 +x_0=2000000 +y_0=2000000", 1.0, (60, 75, 85, 89, 89.9)),
    ("STPS80", "DSTEREO", "meters", 0, 1.0, -40, -80, 0, 0, 0, 0,
     "+proj=sterea +lat_0=-80 +lon_0=-40 +k=1 +x_0=0 +y_0=0", 1.0, (-55, -65, -75, -80, -85, -89.5)),
]
LON_STEP_DEG = 15


def lon_gap(a, b):
    """The difference of two longitudes, degrees, brought into -180..180."""
    return (a - b + 180.0) % 360.0 - 180.0


def ring(lats, lon0, lat0):
    """The points of a polar ring: longitude differences -165 to 180, each
    point written as the origin longitude plus its difference (the formulas
    take the difference the short way round, in (-180, 180], as PROJ does).
    The meridian opposite the origin's is the conformal sphere's seam: the
    formulas put it at +180, PROJ at +180 or -180 as the origin longitude
    falls, so it is checked only from a pole, where the two sides meet."""
    for lat in lats:
        for d in range(-180 + LON_STEP_DEG, 181, LON_STEP_DEG):
            if d == 180 and abs(lat0) != 90:
                continue
            yield (lon0 + d if d != 180 else lon_gap(lon0 + d, 0.0)), float(lat)


TOL_M = {"UTM": (1e-4, 1e-4), "TM": (1e-4, 1e-4), "LAMBERT": (1e-6, 1e-5), "DSTEREO": (1e-6, 1e-6)}


def grid(half_lon, mid_lat, half_lat, lon0):
    steps = 7
    for i in range(steps):
        for j in range(steps):
            lon = lon0 - half_lon + 2 * half_lon * i / (steps - 1)
            lat = mid_lat - half_lat + 2 * half_lat * j / (steps - 1)
            yield lon + 0.123456789 * (i % 2), lat + 0.0987654321 * (j % 2)


def cs2cs(exe, src, dst, pts):
    text = "".join("%.12f %.12f\n" % p for p in pts)
    out = subprocess.run([exe, "-f", "%.12f"] + src.split() + ["+to"] + dst.split(), input=text,
                         capture_output=True, text=True, check=True).stdout
    return [tuple(float(v) for v in line.split()[:2]) for line in out.splitlines()]


def main():
    probe, exe = sys.argv[1], sys.argv[2]
    cmds = []
    for name, a, b in ELLIPSOIDS:
        cmds.append("datum %s %.12f %.12f" % (name, a, b))
    cases = []
    systems = [(ell, a, b, sysdef) for ell, a, b in ELLIPSOIDS for sysdef in SYSTEMS]
    systems += [(ell, a, b, sysdef) for ell, a, b in ELLIPSOIDS[:2] for sysdef in POLAR]
    for ell, a, b, (name, typ, units, zone, k, lon0, lat0, fe, fn, p1, p2, ptext, uf, g) in systems:
        sysname = "%s_%s" % (name, ell)
        cmds.append("proj %s %s %s %s %d %.12f %.12f %.12f %.12f %.12f %.12f %.12f" %
                    (sysname, ell, units, typ, zone, k, lon0, lat0, fe / uf, fn / uf, p1, p2))
        ell_text = "+a=%.12f +b=%.12f +no_defs" % (a, b)
        geo_text = "+proj=longlat " + ell_text
        cm = zone * 6 - 183 if typ == "UTM" else lon0
        pts = list(grid(g[0], g[1], g[2], cm)) if len(g) == 3 else list(ring(g, lon0, lat0))
        fwd = cs2cs(exe, geo_text, ptext + " " + ell_text, pts)
        inv = cs2cs(exe, ptext + " " + ell_text, geo_text, fwd)
        cases.append((sysname, typ, uf, pts, fwd, inv))
    for (sysname, typ, uf, pts, fwd, inv) in cases:
        for (lon, lat) in pts:
            cmds.append("conv GEOGRAPHIC_%s %s %.12f %.12f" % (sysname.split("_", 1)[1], sysname, lon, lat))
        for (x, y) in fwd:
            cmds.append("conv %s GEOGRAPHIC_%s %.12f %.12f" % (sysname, sysname.split("_", 1)[1], x, y))
    out = subprocess.run([probe], input="\n".join(cmds) + "\n", capture_output=True, text=True,
                         check=True).stdout.splitlines()
    setup = out[:len(ELLIPSOIDS) + len(systems)]
    if any(s != "ok" for s in setup):
        print("setup refused:", setup)
        return 1
    answers = iter(out[len(setup):])
    failures = 0
    worst = {}
    for (sysname, typ, uf, pts, fwd, inv) in cases:
        tol_fwd, tol_inv = TOL_M[typ]
        for (lon, lat), (x, y) in zip(pts, fwd):
            got = next(answers)
            if got == "fail":
                print("%s forward %.6f %.6f failed" % (sysname, lon, lat))
                failures += 1
                continue
            gx, gy = (float(v) for v in got.split())
            d = math.hypot(gx - x, gy - y) * uf
            worst[(sysname, "fwd")] = max(worst.get((sysname, "fwd"), 0), d)
            if d > tol_fwd:
                print("%s forward %.6f %.6f: %.6f %.6f, cs2cs %.6f %.6f (%.3g m)" % (sysname, lon, lat, gx, gy, x, y, d))
                failures += 1
        for (x, y), (lon, lat) in zip(fwd, inv):
            got = next(answers)
            if got == "fail":
                print("%s inverse %.6f %.6f failed" % (sysname, x, y))
                failures += 1
                continue
            glon, glat = (float(v) for v in got.split())
            dm = math.hypot(lon_gap(glon, lon) * math.cos(math.radians(lat)), glat - lat) * 111320.0
            worst[(sysname, "inv")] = max(worst.get((sysname, "inv"), 0), dm)
            if dm > tol_inv:
                print("%s inverse %.6f %.6f: %.12f %.12f, cs2cs %.12f %.12f (%.3g m)" % (sysname, x, y, glon, glat, lon, lat, dm))
                failures += 1
    for key in sorted(worst):
        print("%-22s %s worst %.3g m" % (key[0], key[1], worst[key]))
    print("%d failures" % failures)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
