"""Plotting a query result through pvhost, end to end.

  plot_query_e2e.py PVHOST MODULE RESOURCES WORKDIR

A copy of the sample project GEO (station table STATN, EASTING and NORTHING
in a point setup in "UTM 10 NAD27") and a sample table SMP without
coordinates made by the script are queried with pv-query; the browser's
"plot" list sends the result to text (latitude first, six decimals, in a
GEOGRAPHIC output), TABLE (read by dbfread), E00 and MapInfo (read by
ogrinfo), SPANS (byte for byte) and, after the map setup, to the map (the
saved drawing read by ezdxf). Exit status 0 when every check holds.
"""
import csv
import os
import re
import shutil
import subprocess
import sys

import ezdxf

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data"))
import e2e_tables  # noqa: E402
from e2e_tables import PVTABLE_FIELDS, check, table  # noqa: E402

# Entries of the lists in the sample configuration: the query dialog counts
# the columns of SMP (0 to 3) and then of STATN (4 to 10) by table name.
GEOGRAPHIC_CLARKE = 4
UTM10 = 18
SAMPLES = [(n, "S%03d" % n, n * 1.5) for n in range(1, 11)]
NAMES = {"Bonaparte": "Qu\u00e9bec", "Hat Creek": 'Ga"mma'}
STATIONS = ["Cache Creek 1", "Cache Creek 2", NAMES["Bonaparte"], NAMES["Hat Creek"], "Marble Canyon"]


def make_project(root, resources):
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(os.path.join(root, "projects"))
    for p in ("GEO", "Projections"):
        shutil.copytree(os.path.join(resources, "projects", p), os.path.join(root, "projects", p))
    geo = os.path.join(root, "projects", "GEO")
    # Station 3 gets an accented name and station 4 one holding the text
    # qualifier, both in the field's own Windows-1252 bytes and width.
    statn = os.path.join(geo, "STATN.DBF")
    data = open(statn, "rb").read()
    for name, new in NAMES.items():
        data = data.replace(name.encode("cp1252"), new.encode("cp1252").ljust(len(name)))
    open(statn, "wb").write(data)
    table(os.path.join(geo, "SMP.DBF"), "BASENUMBER N(8,0); SAMPLE N(8,0); SMPNO C(8); DEPTH N(8,2)",
          [(n, n, s, d) for n, s, d in SAMPLES])
    rows = [tuple(r.values()) for r in __import__("dbfread").DBF(os.path.join(geo, "PVTABLE.DBF"))]
    rows.append(e2e_tables.registry_row("SMP", "SAMPLE", SAMPLE="SAMPLE"))
    os.remove(os.path.join(geo, "PVTABLE.DBF"))
    table(os.path.join(geo, "PVTABLE.DBF"), PVTABLE_FIELDS, rows)
    with open(os.path.join(root, "asi.ini"), "w") as f:
        f.write("[ENVIRONMENTS]\nDB3=\n\n[DB3]\nDriver=pvdb3\nPETRIVEX=projects\n"
                "PETRIVEX.Projections=Projections\nPETRIVEX.GEO=GEO\n\n[PETRIVEX_MISC]\nGEO.links=0\n")
    ezdxf.new("R12").saveas(os.path.join(root, "in.dxf"))


def plot(output, filename, projection, more=""):
    """The browser's answers for one plot of a file output."""
    s = "select plot %d\npv_plot_opts\nselect output %s\nset filename %s\n" % (output[0], output[1], filename)
    if projection is not None:
        s += "select projection %d\n" % projection
    return s + more + "pick plot\n"


def ogr(path, layer=None):
    args = ["ogrinfo", "-ro", "-al" if layer is None else "-q", path] + ([layer] if layer else [])
    out = subprocess.run(args, capture_output=True, text=True, encoding="cp1252").stdout
    feats = []
    for line in out.splitlines():
        if re.match(r"^OGRFeature\(\w+\):\d+$", line):
            feats.append({})
        elif feats:
            m = re.match(r"^  (\S+) \([^)]*\) = (.*)$", line)
            if m:
                feats[-1][m.group(1)] = m.group(2).strip()
            elif line.startswith("  POINT"):
                feats[-1]["geometry"] = line.strip()
    return feats


def main():
    if len(sys.argv) != 5:
        print(__doc__)
        return 2
    args, work = sys.argv[1:4], sys.argv[4]
    root = os.path.join(work, "query")
    make_project(root, args[2])
    stations = ("(pv_open \"GEO\" \"DB3\" \"\" \"\")\npv-query\npv_condition\nselect output 5 6 7 8 9\n"
                "pick query\npv_msg_box\nok\npv_table_large\n")
    script = (stations + "select column 2 5\npick apply\nshow\nselect column 1 2 3 4 5\npick apply\n"
              + plot((4, "1 2 3 4"), "rocks.dat", GEOGRAPHIC_CLARKE, "set col_delim ,\nset txt_delim \"\n")
              + plot((4, "2 5"), "elev", None, "set col_delim ,\nset txt_delim \"\n")
              + plot((3, "1 2 3"), "STNCOPY", None)
              + plot((5, "1 2"), "stations", UTM10)
              + plot((6, "1 2"), "stations", UTM10, "set col_delim ,\n")
              + "pick plot_sel\n" + plot((5, "1 2"), "nothing", UTM10)
              + "cancel\npv-map\npv_map\nselect proj_in %d\nok\n" % UTM10 + stations
              + "select plot 1\npv_plot_opts\nselect output 2\npick plot\n"
              + "SAVE out.dxf\npv-query\npv_condition\nselect output 2 3\npick query\npv_msg_box\nok\n"
              "pv_table_med\n"
              + plot((7, "1 2"), "samples", None, "set col_delim ,\n")
              + "cancel\n(pv_logoff)\nQUIT\n")
    status, out = e2e_tables.pvhost_run(args, root, script)
    check(status == 0, "pvhost exit status %d" % status)

    # Text: the X column before the Y column in GEOGRAPHIC, so latitude first.
    lines = open(os.path.join(root, "rocks.TXT"), "rb").read().decode("cp1252").split("\r\n")
    check(len(lines) == 6 and lines[-1] == "", "five CR LF lines: %r" % lines)
    rows = list(csv.reader(lines[:-1]))
    check([r[1] for r in rows] == STATIONS, "names read back whole by csv, the qualifier doubled: %r" % lines)
    for r in rows:
        check(len(r) == 4 and r[0].isdigit(), "qualified delimited line %r" % r)
        if len(r) == 4:
            lat, lon = r[2], r[3]
            check(len(lat) == 12 and len(lon) == 12 and lat.split(".")[1].__len__() == 6,
                  "width 12, six decimals: %r" % r)
            check(50.6 < float(lat) < 50.9 and -121.7 < float(lon) < -121.3, "latitude first: %r" % r)
    check("Plotted... 5 records" in out, "text: five records plotted")

    # Numbers as the table holds them, in the browser and in the text file;
    # names without their padding.
    elev = open(os.path.join(root, "elev.TXT"), "rb").read().decode("cp1252")
    check(elev.split("\r\n")[2] == '"%s",512.7' % NAMES["Bonaparte"], "elev.TXT: %r" % elev)
    browser = out[out.find("Dialog: pv_table_large"):]
    check(re.search(r"Qu\u00e9bec +512\.7 *\n", browser) is not None, "the browser shows 512.7: %s" % browser[:900])

    import dbfread
    stncopy = os.path.join(root, "projects", "GEO", "STNCOPY.DBF")
    copy = [(r["STN"], r["NAME"]) for r in dbfread.DBF(stncopy)]
    check(copy == list(enumerate(STATIONS, 1)), "TABLE rows %r" % copy)
    # Another program reads the accents and fractions of the new table and
    # of the shipped one.
    for name in ("STNCOPY", "STATN"):
        ogr_csv = os.path.join(root, name + ".csv")
        subprocess.run(["ogr2ogr", "-f", "CSV", ogr_csv, os.path.join(root, "projects", "GEO", name + ".DBF")],
                       capture_output=True)
        got = list(csv.DictReader(open(ogr_csv, encoding="utf-8"))) if os.path.exists(ogr_csv) else []
        check([r.get("NAME") for r in got] == STATIONS and float(got[0].get("EASTING", "nan")) == 615230.5,
              "ogr2ogr reads %s with its accents and fractions: %r" % (name, got))
    check("Saved... 5 records" in out, "TABLE: five records saved")

    labels = ogr(os.path.join(root, "stations.E00"), "LAB")
    check([f.get("ValueId") for f in labels] == ["1", "2", "3", "4", "5"], "labels numbered 1 to 5")
    check([f.get("NAME") for f in labels][:2] == ["Cache Creek 1", "Cache Creek 2"], "labels' .PAT values")
    check("Spheroid      CLARKE1866" in open(os.path.join(root, "stations.E00"), encoding="cp1252").read(),
          "spheroid CLARKE1866")

    points = ogr(os.path.join(root, "stations.MIF"))
    check([f.get("STN") for f in points] == ["1", "2", "3", "4", "5"], "MapInfo points with their MID values")
    check(points and points[0].get("geometry") == "POINT (615230.5 5620410.0)", "MapInfo point of station 1")
    check("PROJECTION 8,66," in open(os.path.join(root, "stations.MIF"), encoding="cp1252").read(), "datum 66")

    check("No records plotted" in out, "E00 of no selected row: nothing plotted")
    check(not os.path.exists(os.path.join(root, "nothing.E00")) or
          "EOS" not in open(os.path.join(root, "nothing.E00")).read(), "no finished E00 of no rows")

    doc = ezdxf.readfile(os.path.join(root, "out.dxf"))
    texts = sorted((e.dxf.text, round(e.dxf.insert.x, 1), round(e.dxf.insert.y, 1))
                   for e in doc.modelspace() if e.dxftype() == "TEXT")
    check([t[0] for t in texts] == sorted(STATIONS), "MAP draws the chosen NAME only, unpadded: %r" % texts)
    check(("Cache Creek 1", 615230.5, 5620410.0) in texts, "NAME drawn at its station: %r" % texts)
    linked = [e for e in doc.modelspace() if e.dxftype() == "TEXT" and e.has_xdata("PETRIVEX")]
    check(len(linked) == 5, "every drawn NAME linked to its row")

    tba = open(os.path.join(root, "samples.TBA"), "rb").read().decode("cp1252")
    want = ("ID samples\r\nTITLE samples\r\nTABTYPE 4\r\nFTYPE free\r\nDELIMITER ,\r\nRECSKIP 0\r\n"
            "CHARSKIP 0\r\nNRECORD 11\r\n1 28 8.0 0    SMPNO SMPNO\r\n2 0 8.2 0    DEPTH DEPTH\r\nDATA\r\n")
    check(tba.startswith(want), "SPANS header %r" % tba[:len(want) + 40])
    check(tba.count("\r\n") == want.count("\r\n") + 10, "ten SPANS lines")
    print("%d failure(s)" % len(e2e_tables.FAILURES))
    return 1 if e2e_tables.FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
