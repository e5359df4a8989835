#!/usr/bin/python3
"""Reads the export files that out_samples writes with independent readers.

  out_external_check.py e00 OUT_SAMPLES   E00 point and polygon coverages: ogrinfo,
                                          gdalsrsinfo, avcimport and avcexport
  out_external_check.py mif OUT_SAMPLES   MIF/MID pairs with "," and blank
                                          delimiters: ogrinfo and gdalsrsinfo
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

FAILURES = []


def check(ok, what):
    if not ok:
        FAILURES.append(what)
        print("FAIL:", what)


def run(*args, cwd=None):
    r = subprocess.run(args, cwd=cwd, capture_output=True, text=True)
    if r.returncode != 0:
        raise SystemExit("%s failed: %s" % (" ".join(args), r.stderr.strip()))
    return r.stdout


def layers(path, layer=None):
    """The features ogrinfo lists, as {layer: {fid: {field: text, 'geometry': text}}}."""
    args = ["ogrinfo", "-ro", "-al" if layer is None else "-q", path]
    if layer is not None:
        args.append(layer)
    out = run(*args)
    found, cur = {}, None
    for line in out.splitlines():
        m = re.match(r"^OGRFeature\((\w+)\):(\d+)$", line)
        if m:
            cur = found.setdefault(m.group(1), {}).setdefault(int(m.group(2)), {})
            continue
        if cur is None:
            continue
        m = re.match(r"^  (\S+) \([^)]*\) = (.*)$", line)
        if m:
            cur[m.group(1)] = m.group(2)
        elif re.match(r"^  (POINT|LINESTRING|POLYGON)", line):
            cur["geometry"] = line.strip()
    return found


def features(path, layer=None):
    """The features ogrinfo lists, as dicts of field -> text plus 'geometry'."""
    return [f for feats in layers(path, layer).values() for _, f in sorted(feats.items())]


def proj4(path):
    return run("gdalsrsinfo", "-o", "proj4", path).strip()


E00_SRS = {
    "geographic": "+proj=longlat +datum=WGS84 +no_defs",
    "utm": "+proj=utm +zone=32 +datum=WGS84 +units=m +no_defs",
    "transverse": "+proj=tmerc +lat_0=0 +lon_0=9.5 +k=0.9996 +x_0=500000 +y_0=0 "
                  "+datum=WGS84 +units=m +no_defs",
    "lambert": "+proj=lcc +lat_0=40 +lon_0=-100.5 +lat_1=33 +lat_2=45 +x_0=200000 "
               "+y_0=100000 +datum=WGS84 +units=m +no_defs",
}

ITEM_DEF = re.compile(r"^(\S+)\s+\d+-1\s+\d+-1.*-$")


def item_defs(e00_path, cover):
    """The item definition lines of a file, cover items named COVER# and COVER-ID."""
    out = []
    with open(e00_path, "r", newline="") as f:
        for line in f:
            line = line.rstrip("\r\n")
            if ITEM_DEF.match(line):
                name = line[:16].strip()
                for suffix in ("#", "-ID"):
                    if name.upper() == cover.upper() + suffix:
                        line = ("COVER" + suffix).ljust(16) + line[16:]
                out.append(line)
    return out


def check_e00(samples, tmp):
    for prj, srs in E00_SRS.items():
        base = os.path.join(tmp, "pts" + prj[:4])
        run(samples, "e00-points", base, prj)
        e00 = base + ".E00"
        check(open(e00, "rb").read().count(b"\r\n") > 20, "%s: CR LF line ends" % prj)
        feats = features(e00)
        check(len(feats) == 2, "%s: two labels, found %d" % (prj, len(feats)))
        if len(feats) == 2:
            a, b = feats
            check(a.get("ROCK") == "granite" and b.get("ROCK") == "gneiss", "%s: ROCK values" % prj)
            check(a.get("DIP") == "45" and b.get("DIP") == "80", "%s: DIP values" % prj)
            check(float(a.get("WEIGHT", "nan")) == 1.5 and float(b.get("WEIGHT", "nan")) == -2.25,
                  "%s: WEIGHT values" % prj)
            check(a.get("geometry") == "POINT (10.5 20.25)" and b.get("geometry") == "POINT (30 40)",
                  "%s: label points %s %s" % (prj, a.get("geometry"), b.get("geometry")))
        got = proj4(e00)
        check(got == srs, "%s: spatial reference %r, expected %r" % (prj, got, srs))
        if shutil.which("avcimport") and shutil.which("avcexport"):
            cover = os.path.join(tmp, "cv" + prj[:4])
            run("avcimport", e00, cover)
            back = os.path.join(tmp, "back" + prj[:4] + ".e00")
            run("avcexport", cover, back)
            mine = item_defs(e00, os.path.basename(base))
            theirs = item_defs(back, os.path.basename(cover))
            check(len(mine) == 3 + 4 + 7 and mine == theirs,
                  "%s: item definitions after avcimport/avcexport differ:\n%s\n%s"
                  % (prj, "\n".join(mine), "\n".join(theirs)))

    base = os.path.join(tmp, "poly")
    run(samples, "e00-polygons", base)
    arcs = features(base + ".E00", "ARC")
    check(len(arcs) == 3, "polygons: three arcs, found %d" % len(arcs))
    pals = features(base + ".E00", "PAL")
    units = sorted((p.get("UNIT"), p.get("geometry")) for p in pals)
    check(units == [("Qal", "POLYGON ((1 0,1 1,0 1,0 0,1 0))"),
                    ("Tbx", "POLYGON ((1 0,1 1,2 1,2 0,1 0))")],
          "polygons: %r" % units)
    if shutil.which("avcimport") and shutil.which("avcexport"):
        cover = os.path.join(tmp, "cvpoly")
        run("avcimport", base + ".E00", cover)
        back = os.path.join(tmp, "backpoly.e00")
        run("avcexport", cover, back)
        check(item_defs(base + ".E00", "poly") == item_defs(back, "cvpoly"),
              "polygons: item definitions after avcimport/avcexport differ")


MIF_SRS = {
    "geographic": "+proj=longlat +datum=WGS84 +no_defs",
    "transverse": "+proj=tmerc +lat_0=0 +lon_0=9.5 +k=0.9996 +x_0=500000 +y_0=0 "
                  "+datum=WGS84 +units=m +no_defs",
    "lambert": "+proj=lcc +lat_0=40 +lon_0=-100.5 +lat_1=33 +lat_2=45 +x_0=200000 "
               "+y_0=100000 +datum=WGS84 +units=m +no_defs",
}


def check_mif(samples, tmp):
    for delim in ("comma", "blank"):
        for prj in list(MIF_SRS) + ["user"]:
            base = os.path.join(tmp, "m%s%s" % (delim[0], prj[:4]))
            run(samples, "mif", base, delim, prj)
            what = "%s/%s" % (delim, prj)
            feats = features(base + ".MIF")
            check(len(feats) == 5, "%s: five objects, found %d" % (what, len(feats)))
            if len(feats) != 5:
                continue
            strip = lambda v: (v or "").strip()
            check([strip(f.get("NAME")) for f in feats] == ["ST1", "ST 2", "LINE", "AREA", ""],
                  "%s: NAME values %r" % (what, [f.get("NAME") for f in feats]))
            check([strip(f.get("NOTE")) for f in feats] ==
                  ["grey, coarse", 'say "hi"', "plain", "", ""],
                  "%s: NOTE values %r" % (what, [f.get("NOTE") for f in feats]))
            check([f.get("DIP") for f in feats] == ["45", "80", "0", "1", "0"],
                  "%s: DIP values" % what)
            check([float(f.get("GRADE")) for f in feats] == [12.5, 3.0, 0.0, 1.0, 0.0],
                  "%s: GRADE values" % what)
            check([float(f.get("DEPTH")) for f in feats] == [100.25, 0.5, 0.0, 1.0, 0.0],
                  "%s: DEPTH values" % what)
            check(feats[0].get("geometry") == "POINT (10 20)", "%s: point" % what)
            check(feats[2].get("geometry") == "LINESTRING (0 0,50 50,100 0)", "%s: line" % what)
            check(feats[3].get("geometry") == "POLYGON ((200 200,300 200,300 300,200 300,200 200))",
                  "%s: region" % what)
            if prj in MIF_SRS:
                got = proj4(base + ".MIF")
                check(got == MIF_SRS[prj], "%s: spatial reference %r" % (what, got))
            else:
                check("Nonearth" in run("ogrinfo", "-ro", "-so", "-al", base + ".MIF"),
                      "%s: a non-earth system" % what)


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("e00", "mif"):
        raise SystemExit(__doc__)
    tmp = tempfile.mkdtemp(prefix="pv_out_check_")
    try:
        (check_e00 if sys.argv[1] == "e00" else check_mif)(sys.argv[2], tmp)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    if FAILURES:
        raise SystemExit("%d check(s) failed" % len(FAILURES))
    print("all %s checks passed" % sys.argv[1])


if __name__ == "__main__":
    main()
