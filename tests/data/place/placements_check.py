#!/usr/bin/python3
"""Checks the points of the placements end-to-end run against PROJ's cs2cs:
to_map.csv (stations in UTM 10 NAD27 and their map points in geographic
Clarke 1866 degrees) within 2e-8 degrees, and from_map.csv (a picked
longitude and latitude and the easting and northing written for it)
within 2 mm. Prints "ok" or one line per disagreement.

  placements_check.py FOLDER
"""
import csv
import os
import shutil
import subprocess
import sys

UTM10 = "+proj=utm +zone=10 +ellps=clrk66".split()
GEOGRAPHIC = "+proj=longlat +ellps=clrk66".split()
DEGREES = 2e-8
METERS = 0.002


def cs2cs(source, target, pairs):
    text = "".join("%r %r\n" % p for p in pairs)
    r = subprocess.run([shutil.which("cs2cs") or "/usr/bin/cs2cs", "-f", "%.12f"] + source + ["+to"] + target,
                       input=text, capture_output=True, text=True, check=True)
    return [tuple(float(v) for v in line.split()[:2]) for line in r.stdout.splitlines()]


def main(folder):
    bad = []
    with open(os.path.join(folder, "to_map.csv")) as f:
        rows = list(csv.DictReader(f))
    if len(rows) != 5:
        bad.append("%d stations in to_map.csv" % len(rows))
    want = cs2cs(UTM10, GEOGRAPHIC, [(float(r["EASTING"]), float(r["NORTHING"])) for r in rows])
    for r, (lon, lat) in zip(rows, want):
        if abs(float(r["X"]) - lon) > DEGREES or abs(float(r["Y"]) - lat) > DEGREES:
            bad.append("station %s: %s %s, cs2cs %.12f %.12f" % (r["BASENUMBER"], r["X"], r["Y"], lon, lat))
    with open(os.path.join(folder, "from_map.csv")) as f:
        picked = list(csv.DictReader(f))
    want = cs2cs(GEOGRAPHIC, UTM10, [(float(r["LON"]), float(r["LAT"])) for r in picked])
    for r, (e, n) in zip(picked, want):
        if abs(float(r["EASTING"]) - e) > METERS or abs(float(r["NORTHING"]) - n) > METERS:
            bad.append("picked %s %s: %s %s, cs2cs %.4f %.4f" % (r["LON"], r["LAT"], r["EASTING"], r["NORTHING"], e, n))
    print("\n".join(bad) if bad else "ok")


if __name__ == "__main__":
    main(sys.argv[1])
