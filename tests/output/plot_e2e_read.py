"""Reads what a plot wrote, for the plot end-to-end program.

  plot_e2e_read.py ogr FILE [LAYER]   one line per feature ogrinfo lists:
                                      "field=value|...|geometry" in fid order
  plot_e2e_read.py dbf FILE COLUMNS   one line per row: the columns' values joined by "|"
"""
import re
import subprocess
import sys


def ogr(path, layer=None):
    args = ["ogrinfo", "-ro", "-al" if layer is None else "-q", path]
    if layer is not None:
        args.append(layer)
    r = subprocess.run(args, capture_output=True, text=True)
    if r.returncode != 0:
        raise SystemExit("ogrinfo failed: " + r.stderr.strip())
    feats, cur = [], None
    for line in r.stdout.splitlines():
        if re.match(r"^OGRFeature\(\w+\):\d+$", line):
            cur = []
            feats.append(cur)
            continue
        if cur is None:
            continue
        m = re.match(r"^  (\S+) \([^)]*\) = (.*)$", line)
        if m:
            cur.append("%s=%s" % (m.group(1), m.group(2).strip()))
        elif re.match(r"^  (POINT|LINESTRING|POLYGON)", line):
            cur.append(line.strip())
    for f in feats:
        print("|".join(f))


def dbf(path, columns):
    import dbfread
    for rec in dbfread.DBF(path):
        print("|".join("" if rec[c] is None else str(rec[c]) for c in columns))


def main():
    if sys.argv[1] == "ogr":
        ogr(sys.argv[2], sys.argv[3] if len(sys.argv) > 3 else None)
    elif sys.argv[1] == "dbf":
        dbf(sys.argv[2], sys.argv[3:])
    return 0


if __name__ == "__main__":
    sys.exit(main())
