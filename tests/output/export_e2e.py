#!/usr/bin/python3
"""pv-export end to end through pvhost on a DB3 project GEO made here (the
station table SITES and the system UTM 33 WGS84) and a drawing in
GEOGRAPHIC WGS 84 written by ezdxf: POINT, INSERT and TEXT stations, a LINE,
two closed squares (a POLYLINE running clockwise, an LWPOLYLINE counter-
clockwise) and an open LWPOLYLINE, each linked to a SITES row.

  export_e2e.py PVHOST MODULE RESOURCES CS2CS WORKDIR

Text and SPANS files are compared byte for byte with what the format rules
give; E00 files are read by ogrinfo and avcimport, their polygon areas
checked with shapely; MapInfo files are read by ogrinfo; points exported
into UTM 33 agree with cs2cs within a millimetre. A second project's
stations (accented names, a 14-digit and a tiny number, points a
millimetre apart) are exported and plotted from a query to E00 and MapInfo
and read back value for value; a plot made to fail leaves the earlier file.
A random drawing over three tables whose rows changed since it was drawn is
exported to E00, MapInfo and text with one look-up an entity and with rows
fetched in batches: files and messages alike, the text read back as CSV.
The E00 files of points, lines, polygons and of the random drawing hold
the bytes the export writes (their SHA-256 below). Stations with hostile
texts (a line break, quotes, a comma, a tab), six decimals and blank
numbers, drawn as strike-and-dip symbols on a map of north 90 and
clockwise angles, are exported to MapInfo, text and E00: ogrinfo reads the
symbols as ezdxf draws them and every text whole without a warning,
Python's csv (strict) reads the .MID and the text files, avcimport the E00
with its decimals; and every format's export stops at a row it cannot read
(its table cut short, its driver ended), leaving the earlier files.
"""
import hashlib
import math
import os
import re
import resource
import shutil
import signal
import subprocess
import sys
import time

import ezdxf
from shapely.geometry import Polygon

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data"))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "map"))
import e2e_tables  # noqa: E402
from e2e_tables import FAILURES, PVCOLUMN_FIELDS, PVTABLE_FIELDS, check, table  # noqa: E402

ATTDEF_FLAGS = 13
GEOGRAPHIC = "GEOGRAPHIC WGS 84"
UTM33 = "UTM 33 WGS84"
PVPOINT_FIELDS = "TABLENAME C(20); XCOLUMN C(20); YCOLUMN C(20); ZCOLUMN C(20); SYMCOLUMN C(20); PROJECTION C(32)"
PVPROJ_FIELDS = ("PROJNAME C(32); DATUMNAME C(32); UNITS C(32); PROJTYPE C(32); UTMZONE N(11,0); "
                 "SCALE N(19,10); ORIGINLONG N(19,10); ORIGINLAT N(19,10); FALSEEAST N(19,3); "
                 "FALSENORTH N(19,3); PARALLEL1 N(19,10); PARALLEL2 N(19,10)")
# SITES rows: base number, station, name, dip (None: null), note.
# Bytes a file may grow to while the disk is made full for a plot (the
# query before it grows no file).
FULL_DISK_BYTES = 16
ROWS = [(1, "S1", "Granite", 30, "fresh"), (2, "S2", "Gneiss", None, ""), (3, "S3", "Schist", 75, "weathered")]
POINT_AT = (15.1, 45.2)
INSERT_AT = (15.3, 45.4)
TEXT_AT = (15.5, 45.6)
LINE = [(15.0, 45.0), (15.2, 45.1)]
CW_SQUARE = [(15.0, 45.0), (15.0, 45.1), (15.1, 45.1), (15.1, 45.0)]
CCW_SQUARE = [(15.2, 45.0), (15.3, 45.0), (15.3, 45.1), (15.2, 45.1)]
OPEN_LINE = [(15.4, 45.0), (15.5, 45.05), (15.6, 45.0)]
# Every entity, the map setup block's reference at the origin among them:
# it is the module's own and never exported.
EVERYTHING = "ALL"
POINTS_WINDOW = "W 15.05,45.15 15.6,45.7"
LINES_WINDOW = "W 14.9,44.9 15.25,45.15"
MM = 0.001
# SHA-256 of the E00 files as the export writes them, every later pass's
# records made from what the first read, each float item declaring its
# column's decimals and written from its value's own digits.
E00_DIGESTS = {
    "sites.E00": "da9cfc86822aae52b71cc6befc57eb3f0b78e01bbeed6b134b8dfd41521c6eb0",
    "faults.E00": "726f3b7694ad73d62d99bd2f46f8517b3ad6ca096115dbb3d9a3662e5ec5af50",
    "units.E00": "f91e394c7810265ee902de819893a85b35897839544fe72aa9bb44f6bce74891",
    "bsites.E00": "095ea055e74a6fd9e3eb38a300aa69f563bf9fa94105576c77507081535f3abe",
}


def check_digest(name, data):
    """Checks that an E00 file holds the bytes it always held."""
    got = hashlib.sha256(data or b"").hexdigest()
    check(got == E00_DIGESTS[name], "%s holds the bytes the export always wrote (SHA-256 %s)" % (name, got))


def link(entity, row):
    entity.set_xdata("PETRIVEX", [(1000, "GEO"), (1000, "SITES"), (1071, row), (1000, "STATION"),
                                  (1000, "S%d" % row), (1000, "")])


def draw_stations(msp):
    """The stations of ROWS and the lines and polygons linked to them."""
    mark = msp.doc.blocks.new("MARK")
    mark.add_circle((0, 0), 0.001)
    link(msp.add_point(POINT_AT, dxfattribs={"layer": "SITES"}), 1)
    link(msp.add_blockref("MARK", INSERT_AT, dxfattribs={"layer": "SITES", "xscale": 2, "yscale": 2,
                                                        "rotation": 30}), 2)
    link(msp.add_text("Gneiss", dxfattribs={"insert": TEXT_AT, "height": 0.01, "layer": "TEXTS"}), 3)
    link(msp.add_line(*LINE, dxfattribs={"layer": "FAULTS"}), 1)
    link(msp.add_polyline2d(CW_SQUARE, close=True, dxfattribs={"layer": "UNITS"}), 2)
    link(msp.add_lwpolyline(CCW_SQUARE, close=True, dxfattribs={"layer": "UNITS"}), 3)
    link(msp.add_lwpolyline(OPEN_LINE, dxfattribs={"layer": "FAULTS"}), 1)


def make_project(root, resources, system=GEOGRAPHIC,
                 sites=("BASENUMBER N(8,0); STATION C(10); NAME C(12); DIP N(5,0); NOTE C(20)", ROWS),
                 draw=draw_stations, point=None):
    """A project GEO with its station table SITES (fields, rows) and a
    drawing in.dxf whose map is in system; point: the PVPOINT row that makes
    SITES's coordinate columns a point, or None."""
    shutil.rmtree(root, ignore_errors=True)
    geo = os.path.join(root, "projects", "GEO")
    os.makedirs(geo)
    shutil.copytree(os.path.join(resources, "projects", "Projections"), os.path.join(root, "projects", "Projections"))
    table(os.path.join(geo, "SITES.DBF"), sites[0], sites[1])
    table(os.path.join(geo, "PVTABLE.DBF"), PVTABLE_FIELDS,
          [e2e_tables.registry_row("SITES", "STATION", STATION="STATION")])
    if point:
        table(os.path.join(geo, "PVPOINT.DBF"), PVPOINT_FIELDS, [point])
    table(os.path.join(geo, "PVCOLUMN.DBF"), PVCOLUMN_FIELDS, [])
    table(os.path.join(geo, "PVPROJ.DBF"), PVPROJ_FIELDS,
          [(UTM33, "WGS 84", "meters", "UTM", 33, 0.9996, 15, 0, 500000, 0, 0, 0)])
    with open(os.path.join(root, "asi.ini"), "w") as f:
        f.write("[ENVIRONMENTS]\nDB3=\n\n[DB3]\nDriver=pvdb3\nPETRIVEX=projects\nPETRIVEX.Projections=Projections\n"
                "PETRIVEX.GEO=GEO\n\n[ASE_CATALOGS]\nProjections=projects\nGEO=projects\n\n"
                "[PETRIVEX_MISC]\nProjections.links=0\nGEO.links=0\n")
    doc = ezdxf.new("R2000")
    doc.appids.new("PETRIVEX")
    msp = doc.modelspace()
    # The map setup block; a system that no list holds leaves the map without one.
    params = doc.blocks.new_anonymous_block("U")
    for tag, value in (("NAME", "PETRIVEX_PARAMS"), ("PROJ", system), ("SCALE", "1.000000"),
                       ("HEIGHT", "1.000000")):
        params.add_attdef(tag, (0, 0), text=value, dxfattribs={"prompt": tag, "flags": ATTDEF_FLAGS, "height": 1.0})
    msp.add_blockref(params.name, (0, 0))
    draw(msp)
    doc.saveas(os.path.join(root, "in.dxf"))


def list_items(out, key):
    """The items of a list tile as the first "show" prints them: {name: index}."""
    start = out.find("  %s " % key)
    items = {}
    for line in out[start:].splitlines()[1:]:
        m = re.match(r"\s+\*?(\d+): (.*)$", line)
        if not m:
            break
        items[m.group(2).strip()] = int(m.group(1))
    return items


def export_script(plotype, kind, name, outputs=(), projection=None, col=None, txt=None, select=EVERYTHING,
                  extra=""):
    lines = ["pv-export", "pv_export_opts", "select plotype %d" % plotype, "pick " + kind]
    if outputs:
        lines.append("select output " + " ".join(str(i) for i in outputs))
    if projection is not None:
        lines.append("select projection %d" % projection)
    lines.append("set filename " + name)
    if col is not None:
        lines.append("set col_delim " + col)
    if txt is not None:
        lines.append("set txt_delim " + txt)
    if extra:
        lines.append(extra)
    lines.append("pick plot")
    if select:
        lines.append(select)
    lines.append("")
    return "\n".join(lines) + "\n"


def field(value, width, qualifier):
    """A field of a record line: the value padded to width + 1 when it fits, qualified."""
    return qualifier + value + (" " * (width + 1 - len(value)) if len(value) <= width else "") + qualifier


def record(values, columns, delim, qualifier, spans):
    """A record line from (value or None) per column (name, code, width)."""
    out = []
    for v, (_, code, width) in zip(values, columns):
        qualified = code >= 20 if spans else code == 1
        if v is None and not spans:
            out.append("")
            continue
        v = (v or "").strip()
        if spans and not qualified and not v:
            v = "0"
        out.append(field(v, width, qualifier if qualified else ""))
    return delim.join(out)


def f6(v):
    return "%.6f" % v


POINT_COLUMNS_TEXT = [("X", 3, 17), ("Y", 3, 17), ("Z", 3, 17), ("NAME", 1, 32), ("SCALE", 3, 11),
                      ("ANGLE", 3, 8), ("LAYER", 1, 32), ("NAME", 1, 12), ("DIP", 2, 5)]


def point_values(name_dip=True):
    """The point objects' values in the drawing's order (text output of NAME and DIP)."""
    return [
        [f6(POINT_AT[0]), f6(POINT_AT[1]), f6(0), "", "0.000", "0.000", "SITES", "Granite", "30"],
        [f6(INSERT_AT[0]), f6(INSERT_AT[1]), f6(0), "MARK", "2.000", "30.000", "SITES", "Gneiss", None],
        [f6(TEXT_AT[0]), f6(TEXT_AT[1]), f6(0), "Gneiss", "0.010", "0.000", "TEXTS", None, None],
    ]


def full_disk_pvhost(args, root, logon):
    """pvhost (args: program, module, resources) on root/in.dxf answering
    from a pipe, logged on with the logon line and then denied every byte
    a file would grow past FULL_DISK_BYTES (the signal of that ignored, the
    write failing as on a full disk). Answers the subprocess.Popen; its
    further answers go with communicate."""
    pv, module, resources = args
    env = dict(os.environ, ASI_INI=os.path.join(root, "asi.ini"), HOME=root,
               XDG_DATA_HOME=os.path.join(root, "data"))
    marker = os.path.join(root, "logged_on.dxf")
    p = subprocess.Popen([pv, "--module", module, "--resources", resources, "--drawing", "in.dxf"], cwd=root,
                         env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                         preexec_fn=lambda: signal.signal(signal.SIGXFSZ, signal.SIG_IGN))
    p.stdin.write(logon + "SAVE %s\n" % marker)
    p.stdin.flush()
    deadline = time.time() + 60
    while p.poll() is None and not os.path.exists(marker) and time.time() < deadline:
        time.sleep(0.02)
    resource.prlimit(p.pid, resource.RLIMIT_FSIZE, (FULL_DISK_BYTES, resource.RLIM_INFINITY))
    return p


def read(path):
    with open(path, "rb") as f:
        return f.read().decode("cp1252")


def test_text_and_spans(args, root, items):
    out_idx = list_items(items, "output")
    prj_idx = list_items(items, "projection")
    name_i, dip_i = out_idx.get("SITES.NAME", -1), out_idx.get("SITES.DIP", -1)
    geo_i = prj_idx.get(GEOGRAPHIC, -1)
    script = '(pv_open "GEO" "DB3" "" "")\n'
    script += export_script(0, "point", "pts.dat", (name_i, dip_i), geo_i, col="TAB", txt='"')
    script += export_script(3, "point", "sites", (name_i, dip_i), geo_i, col=",")
    script += export_script(3, "line", "faults", (), geo_i)
    script += export_script(3, "polygon", "units", (), geo_i)
    script += export_script(3, "line", "empty", (), geo_i, select=POINTS_WINDOW)
    script += export_script(3, "line", "nothing", (), geo_i, select="")
    script += export_script(0, "point", "onlylines", (), geo_i, select=LINES_WINDOW)
    script += export_script(0, "line", "tlines", (name_i,), geo_i, col=";", txt="'")
    script += export_script(0, "polygon", "tpolys", (name_i,), geo_i, col=";", txt="'")
    script += "(pv_logoff)\nQUIT\n"
    status, out = e2e_tables.pvhost_run(args, root, script)
    check(status == 0, "pvhost exit status %d" % status)

    want = "".join(record(v, POINT_COLUMNS_TEXT, "\t", '"', False) + "\r\n" for v in point_values())
    got = read(os.path.join(root, "pts.TXT")) if os.path.exists(os.path.join(root, "pts.TXT")) else None
    check(got == want, "pts.TXT:\n%r\nexpected\n%r" % (got, want))
    check(not os.path.exists(os.path.join(root, "pts.dat")), "pts.dat is written as pts.TXT")

    spans_cols = [("X", 10, 12, 6), ("Y", 10, 12, 6), ("Z", 7, 17, 6), ("NAME", 52, 32, 0), ("SCALE", 7, 11, 3),
                  ("ANGLE", 7, 8, 3), ("LAYER", 52, 32, 0), ("NAME_1", 32, 12, 0), ("DIP", 3, 5, 0)]
    head = ("ID sites\r\nTITLE sites\r\nTABTYPE 4\r\nFTYPE free\r\nDELIMITER ,\r\nRECSKIP 0\r\nCHARSKIP 0\r\n"
            "NRECORD %8d\r\n" % 3)
    for i, (n, code, width, dec) in enumerate(spans_cols):
        head += "%d %d %d.%d 0 %8.8s %s\r\n" % (i + 1, code, width, dec, n, n)
    head += "DATA\r\n"
    body = "".join(record(v, [(n, c, w) for n, c, w, _ in spans_cols], ",", '"', True) + "\r\n"
                   for v in point_values())
    got = read(os.path.join(root, "sites.TBA")) if os.path.exists(os.path.join(root, "sites.TBA")) else None
    check(got == head + body, "sites.TBA:\n%r\nexpected\n%r" % (got, head + body))

    def veh(kind, count, box):
        if kind == "ARCS":
            first = "FILE_TYPE A X U 0 1\r\nVERSION 4.0\r\nARCS_HEADER %8d 4 %12.7f %12.7f %12.7f %12.7f 2 0 0 0 0 0 0\r\n"
        else:
            first = ("FILE_TYPE P O U 0 1\r\nVERSION 4.0\r\n"
                     "AREAS_HEADER %8d 1 4 %12.7f %12.7f %12.7f %12.7f 3 0 3 2 0 0 0\r\n")
        return (first % ((count,) + box) + "EXTENTS 4 %12.7f %12.7f %12.7f %12.7f\r\n" % box +
                "PROJECTION 0\r\nREFERENCE 0\r\n")

    def vec(kind, objects):
        text = kind + "\r\n"
        for i, pts in enumerate(objects):
            text += field(str(i + 1), 8, "") + " " + field(str(len(pts)), 5, "")
            text += (" 1" if kind == "AREAS" else "") + "\r\n"
            text += "".join("%.6f %.6f\r\n" % p for p in pts)
        return text

    lines = [LINE, CW_SQUARE + CW_SQUARE[:1], CCW_SQUARE + CCW_SQUARE[:1], OPEN_LINE]
    check(read(os.path.join(root, "faults.VEC")) == vec("ARCS", lines), "faults.VEC holds the four lines")
    check(read(os.path.join(root, "faults.VEH")) == veh("ARCS", 4, (15.0, 45.0, 15.6, 45.1)),
          "faults.VEH: %r" % read(os.path.join(root, "faults.VEH")))
    rings = [CW_SQUARE + CW_SQUARE[:1], list(reversed(CCW_SQUARE + CCW_SQUARE[:1]))]
    check(read(os.path.join(root, "units.VEC")) == vec("AREAS", rings),
          "units.VEC holds both squares clockwise: %r" % read(os.path.join(root, "units.VEC")))
    check(read(os.path.join(root, "units.VEH")) == veh("AREAS", 2, (15.0, 45.0, 15.3, 45.1)), "units.VEH")
    check(read(os.path.join(root, "empty.VEH")) == veh("ARCS", 0, (0.0, 0.0, 0.0, 0.0)),
          "a lines export of points writes a whole .VEH with count 0")
    check(read(os.path.join(root, "empty.VEC")) == "ARCS\r\n", "and a .VEC of its first line")
    check(not os.path.exists(os.path.join(root, "nothing.VEH")) and not os.path.exists(
        os.path.join(root, "nothing.VEC")), "an empty selection writes no file")
    counts = re.findall(r"Plotted\.\.\. (\d+) entities", out)
    check(counts == ["3", "3", "4", "2", "0", "0", "4", "2"], "counts reported: %r" % counts)

    # The drawing's lines have no linetype of their own: they are written with their layer's.
    line_cols = [("ID", 4, 8), ("NUMVERTEX", 4, 5), ("LAYER", 1, 32), ("LINETYPE", 1, 32), ("NAME", 1, 12)]
    want = "".join(record(v, line_cols, ";", "'", False) + "\r\n" for v in [
        ["1", "2", "FAULTS", "CONTINUOUS", "Granite"], ["2", "5", "UNITS", "CONTINUOUS", "Gneiss"],
        ["3", "5", "UNITS", "CONTINUOUS", "Schist"], ["4", "3", "FAULTS", "CONTINUOUS", "Granite"]])
    got = read(os.path.join(root, "tlines.TXT"))
    check(got == want, "tlines.TXT:\n%r\nexpected\n%r" % (got, want))
    poly_cols = [("ID", 4, 8), ("NUMVERTEX", 4, 5), ("XCENTER", 3, 17), ("YCENTER", 3, 17), ("LAYER", 1, 32),
                 ("LINETYPE", 1, 32), ("NAME", 1, 12)]
    want = "".join(record(v, poly_cols, ";", "'", False) + "\r\n" for v in [
        ["1", "5", f6(15.05), f6(45.05), "UNITS", "CONTINUOUS", "Gneiss"],
        ["2", "5", f6(15.25), f6(45.05), "UNITS", "CONTINUOUS", "Schist"]])
    got = read(os.path.join(root, "tpolys.TXT"))
    check(got == want, "tpolys.TXT:\n%r\nexpected\n%r" % (got, want))


def test_refusals(args, root, items, resources):
    prj_idx = list_items(items, "projection")
    script = ('(pv_open "GEO" "DB3" "" "")\npv-export\npv_export_opts\nselect plotype 3\npick point\n'
              "set filename \"   \"\npick plot\nshow\nset filename sites\nselect projection %d\npick plot\nshow\n"
              "cancel\n(pv_logoff)\nQUIT\n" % prj_idx.get(UTM33, -1))
    status, out = e2e_tables.pvhost_run(args, root, script)
    check(status == 0, "pvhost exit status %d" % status)
    at = out.find("ERROR: No file name specified")
    check(at >= 0, "a blank file name is refused")
    check(out.find("ERROR: Projection must be GEOGRAPHIC", max(at, 0)) >= 0, "SPANS in UTM is refused")
    check(not os.path.exists(os.path.join(root, "sites.TBA")), "nothing written")
    bare = os.path.join(root, "bare")
    make_project(bare, resources, system="NO SUCH SYSTEM")
    status, out = e2e_tables.pvhost_run(args, bare, '(pv_open "GEO" "DB3" "" "")\npv-export\n(pv_logoff)\nQUIT\n')
    check(status == 0, "pvhost exit status %d without map projection" % status)
    check("No projection assigned to map.\nUse the Map Setup option in DU-ZOREZ." in out,
          "a map without projection is refused before the dialog")
    check("pv_export_opts" not in out.split("pv-export", 1)[-1], "the dialog is not shown")


def test_utm(args, root, items, cs2cs):
    prj_idx = list_items(items, "projection")
    script = '(pv_open "GEO" "DB3" "" "")\n'
    script += export_script(0, "point", "utm", (), prj_idx.get(UTM33, -1), col=",")
    script += "(pv_logoff)\nQUIT\n"
    status, out = e2e_tables.pvhost_run(args, root, script)
    check(status == 0, "pvhost exit status %d" % status)
    path = os.path.join(root, "utm.TXT")
    got = [tuple(float(v) for v in line.split(",")[:2]) for line in read(path).splitlines()] if os.path.exists(
        path) else []
    pts = [POINT_AT, INSERT_AT, TEXT_AT]
    r = subprocess.run([cs2cs, "-f", "%.6f", "+proj=longlat", "+ellps=WGS84", "+to", "+proj=utm", "+zone=33",
                        "+ellps=WGS84"], input="".join("%.9f %.9f\n" % p for p in pts), capture_output=True,
                       text=True, timeout=30)
    want = [tuple(float(v) for v in line.split()[:2]) for line in r.stdout.splitlines() if line.strip()]
    check(len(got) == 3 and len(want) == 3, "three points: %r %r" % (got, want))
    for g, w in zip(got, want):
        check(abs(g[0] - w[0]) <= MM and abs(g[1] - w[1]) <= MM, "UTM 33 point %r, cs2cs %r" % (g, w))


def ogr(path, layer=None):
    """ogrinfo's report of one layer, or of all layers."""
    cmd = ["ogrinfo", "-ro", path, layer] if layer else ["ogrinfo", "-ro", "-al", path]
    r = subprocess.run(cmd, capture_output=True, text=True, timeout=60)
    return r.returncode, r.stdout + r.stderr


def features(text):
    """ogrinfo's features as dicts of field = value (and the geometry line)."""
    feats = []
    for block in text.split("OGRFeature")[1:]:
        f = {}
        for line in block.splitlines()[1:]:
            m = re.match(r"\s+(\S+) \(\w+\) = (.*)$", line)
            if m:
                f[m.group(1)] = m.group(2).strip()
            elif line.strip().startswith(("POINT", "LINESTRING", "POLYGON", "MULTI")):
                f["geometry"] = line.strip()
        feats.append(f)
    return feats


def test_e00_and_mif(args, root, items):
    out_idx = list_items(items, "output")
    prj_idx = list_items(items, "projection")
    name_i, dip_i = out_idx.get("SITES.NAME", -1), out_idx.get("SITES.DIP", -1)
    geo_i = prj_idx.get(GEOGRAPHIC, -1)
    script = '(pv_open "GEO" "DB3" "" "")\n'
    script += export_script(1, "point", "sites.dat", (name_i, dip_i), geo_i, extra="pick txtdbf")
    script += export_script(1, "line", "faults", (name_i,), geo_i)
    script += export_script(1, "polygon", "units", (name_i, dip_i), geo_i)
    script += export_script(2, "point", "msites", (name_i, dip_i), geo_i, col=",")
    script += export_script(2, "line", "mfaults", (name_i,), geo_i, col=",")
    script += export_script(2, "polygon", "munits", (name_i, dip_i), geo_i, col=",")
    script += "(pv_logoff)\nQUIT\n"
    status, out = e2e_tables.pvhost_run(args, root, script)
    check(status == 0, "pvhost exit status %d" % status)
    check(os.path.exists(os.path.join(root, "sites.E00")), "sites.dat is written as sites.E00")
    counts = re.findall(r"Plotted\.\.\. (\d+) entities", out)
    check(counts == ["3", "4", "2", "3", "4", "2"], "counts (the open polyline is no polygon): %r" % counts)
    for cover in ("sites", "faults", "units"):
        e00 = os.path.join(root, cover + ".E00")
        shutil.rmtree(os.path.join(root, "cov_" + cover), ignore_errors=True)
        r = subprocess.run(["avcimport", e00, os.path.join(root, "cov_" + cover)], capture_output=True, text=True,
                           timeout=60)
        check(r.returncode == 0, "avcimport accepts %s: %s" % (cover, r.stdout + r.stderr))
    rc, text = ogr(os.path.join(root, "units.E00"), "PAL")
    polys = [f for f in features(text) if f.get("NAME")]
    got = sorted((f.get("ID"), f.get("NAME"), f.get("DIP"), f.get("LAYER")) for f in polys)
    check(rc == 0 and got == [("1", "Gneiss", "0", "UNITS"), ("2", "Schist", "75", "UNITS")],
          "both polygons with their ids and their rows' values: %r" % got)
    want_area = Polygon(CW_SQUARE).area
    for f in polys:
        check(abs(float(f.get("AREA", "nan")) - want_area) < 1e-6, "AREA %s equals shapely's %g" % (
            f.get("AREA"), want_area))
    rc, text = ogr(os.path.join(root, "faults.E00"), "ARC")
    arcs = features(text)
    got = [(f.get("ID"), f.get("NAME")) for f in arcs]
    check(rc == 0 and got == [("1", "Granite"), ("2", "Gneiss"), ("3", "Schist"), ("4", "Granite")],
          "four arcs with their rows' names: %r" % got)
    rc, text = ogr(os.path.join(root, "sites.E00"), "LAB")
    labs = features(text)
    check(rc == 0 and len(labs) == 3, "three labels, the text's among them: %s" % text)
    check(rc == 0 and "TX6" in read(os.path.join(root, "sites.E00")), "the text is annotation too")
    for cover in ("sites", "faults", "units"):
        check("Spheroid      WGS84\r\n" in read(os.path.join(root, cover + ".E00")),
              "%s.E00 names its spheroid WGS84" % cover)
        with open(os.path.join(root, cover + ".E00"), "rb") as f:
            check_digest(cover + ".E00", f.read())
    rc, text = ogr(os.path.join(root, "msites.MIF"))
    pts = features(text)
    check(rc == 0 and len(pts) == 3, "three MapInfo points: %s" % text)
    check("Granite" in text and "Schist" not in text and "GEOGCRS" in text,
          "MID values and the earth system: %s" % text)
    check("PROJECTION 1,104\r\n" in read(os.path.join(root, "msites.MIF")) and "World Geodetic System 1984" in text,
          "the MapInfo system is WGS 84: %s" % text)
    rc, text = ogr(os.path.join(root, "mfaults.MIF"))
    check(rc == 0 and text.count("LINESTRING") == 4, "four MapInfo lines: %s" % text)
    rc, text = ogr(os.path.join(root, "munits.MIF"))
    check(rc == 0 and text.count("POLYGON") == 2 and "Schist" in text, "two MapInfo regions: %s" % text)


# Stations whose every value an exchange file must keep: texts beyond
# ASCII, a number of 14 digits and a tiny one, points a millimetre apart
# far from round coordinates (UTM 33), each linked to its row; and exact
# numbers of 17 to 20 digits, more than a double holds (NUMERIC(20,0) and
# NUMERIC(20,6) at their largest).
KEPT_FIELDS = ("BASENUMBER N(8,0); STATION C(10); NAME C(20); BIG N(19,2); TINY N(19,10); "
               "EASTING N(19,6); NORTHING N(19,6); WIDE N(20,0); EXACT N(20,6)")
KEPT_AT = [(512345.678, 5012345.678), (512345.679, 5012345.678), (512345.678, 5012345.679)]
KEPT_WIDE = [("12345678901234567890", "9999999999999.999999"), ("-9999999999999999999", "-999999999999.999999"),
             ("10000000000000001", "99999999999.999999")]
KEPT_ROWS = [(1, "S1", "Cr\u00eate \u00e0 l'Ouest", 123456789012.34, 1e-08) + KEPT_AT[0] + KEPT_WIDE[0],
             (2, "S2", "Pe\u00f1\u00f3n", -12345.67, -0.12345678) + KEPT_AT[1] + KEPT_WIDE[1],
             (3, "S3", "\u00d8rsted", 0.25, 1e-08) + KEPT_AT[2] + KEPT_WIDE[2]]
# The digits after the point of an E00 INFO number (double precision).
E00_INFO_DIGITS = 17


def draw_kept(msp):
    for i, at in enumerate(KEPT_AT):
        link(msp.add_point(at, dxfattribs={"layer": "SITES"}), i + 1)


def ogr_features(path, layer, encoding):
    """ogrinfo's features of one layer (or all), its output read in encoding."""
    cmd = ["ogrinfo", "-ro", path] + ([layer] if layer else ["-al"])
    r = subprocess.run(cmd, capture_output=True, timeout=60)
    return r.returncode, features(r.stdout.decode(encoding, "replace")), r.stdout.decode(encoding, "replace")


def kept_value(got, want):
    """True when the text read back is the value to the digits it shows."""
    try:
        g = float(got)
    except (TypeError, ValueError):
        return False
    shown = len(got.split(".")[1]) if "." in got and "e" not in got.lower() else 15
    return abs(g - want) <= max(0.5 * 10 ** -shown, abs(want) * 1e-15)


def check_kept(what, feats, name_col, places, tolerance):
    """Each feature holds its row's name, numbers and point (in places, to tolerance)."""
    check(len(feats) == 3, "%s: three features: %r" % (what, feats))
    for f, row, at in zip(feats, KEPT_ROWS, places):
        check(f.get(name_col) == row[2], "%s: %s %r is %r" % (what, name_col, f.get(name_col), row[2]))
        for col, want in (("BIG", row[3]), ("TINY", row[4])):
            check(kept_value(f.get(col), want), "%s: %s %r is %r" % (what, col, f.get(col), want))
        m = re.match(r"POINT \(([-\d.e+]+) ([-\d.e+]+)", f.get("geometry", ""))
        check(m is not None and abs(float(m.group(1)) - at[0]) <= tolerance and
              abs(float(m.group(2)) - at[1]) <= tolerance, "%s: point %r is %r" % (what, f.get("geometry"), at))


def e00_digits(text):
    """An exact number as an E00 INFO item holds it: rounded half away from
    zero to the significant digits the item's format writes."""
    from decimal import ROUND_HALF_UP, Decimal
    d = Decimal(text)
    return d.quantize(Decimal(1).scaleb(d.adjusted() - E00_INFO_DIGITS), rounding=ROUND_HALF_UP)


def check_wide(what, records, wide_at, e00=False):
    """Each record (a list of values, WIDE and EXACT at wide_at and the
    next) holds its row's exact numbers as they are stored (an E00 reader's
    as the nearest double to the digits its item holds)."""
    check(len(records) == len(KEPT_WIDE), "%s: %d records" % (what, len(records)))
    for rec, want in zip(records, KEPT_WIDE):
        got = tuple(v.strip() for v in rec[wide_at:wide_at + 2])
        if e00:
            same = all(float(g) == float(e00_digits(w)) for g, w in zip(got, want))
        else:
            same = got == want
        check(same, "%s: WIDE and EXACT %r are %r" % (what, got, want))


def delimited(path, after=None):
    """The records of a delimited export file as Python's csv reads them,
    from the line after the one that reads after (a SPANS header's DATA)."""
    import csv
    import io
    text = read(path) if os.path.exists(path) else ""
    if after is not None:
        text = text.split(after + "\r\n", 1)[-1]
    return list(csv.reader(io.StringIO(text, newline="")))


def test_values_kept(args, work, resources, cs2cs):
    root = os.path.join(work, "kept")
    make_project(root, resources, system=UTM33, sites=("BASENUMBER N(8,0)", []), draw=draw_kept,
                 point=("SITES", "EASTING", "NORTHING", "", "", UTM33))
    e2e_tables.numeric_table(os.path.join(root, "projects", "GEO", "SITES.DBF"), KEPT_FIELDS, KEPT_ROWS)
    status, items = e2e_tables.pvhost_run(
        args, root, '(pv_open "GEO" "DB3" "" "")\npv-export\npv_export_opts\nshow\ncancel\n(pv_logoff)\nQUIT\n')
    out_idx = list_items(items, "output")
    prj_idx = list_items(items, "projection")
    chosen = [out_idx.get("SITES." + c, -1) for c in ("NAME", "BIG", "TINY", "WIDE", "EXACT")]
    utm, geo = prj_idx.get(UTM33, -1), prj_idx.get(GEOGRAPHIC, -1)
    script = '(pv_open "GEO" "DB3" "" "")\n'
    script += export_script(1, "point", "ksites", chosen, utm)
    script += export_script(1, "point", "gsites", chosen, geo)
    script += export_script(2, "point", "msites", chosen, utm, col=",")
    script += export_script(2, "point", "gmsites", chosen, geo, col=",")
    script += export_script(0, "point", "tsites", chosen, utm, col=",", txt='"')
    script += export_script(3, "point", "ssites", chosen, geo, col=",")
    script += "(pv_logoff)\nQUIT\n"
    status, out = e2e_tables.pvhost_run(args, root, script)
    check(status == 0, "pvhost exit status %d" % status)
    check(out.count("Columns renamed: NAME as NAME_1") == 5, "each export names the renamed column: %s" % out)
    # The exact numbers as each format's reader reads them, after the seven
    # fixed point columns and NAME, BIG and TINY.
    check_wide("tsites.TXT", delimited(os.path.join(root, "tsites.TXT")), 10)
    check_wide("ssites.TBA", delimited(os.path.join(root, "ssites.TBA"), "DATA"), 10)
    check_wide("msites.MID", delimited(os.path.join(root, "msites.MID")), 10)

    rc, feats, text = ogr_features(os.path.join(root, "ksites.E00"), "LAB", "cp1252")
    check_kept("ksites.E00", feats, "NAME_1", KEPT_AT, MM / 2)
    check_wide("ksites.E00", [[f.get("WIDE", ""), f.get("EXACT", "")] for f in feats], 0, e00=True)
    cover = os.path.join(root, "cov_ksites")
    shutil.rmtree(cover, ignore_errors=True)
    r = subprocess.run(["avcimport", os.path.join(root, "ksites.E00"), cover], capture_output=True, timeout=60)
    check(r.returncode == 0, "avcimport accepts ksites.E00: %r" % r)
    rc, feats, text = ogr_features(cover, "LAB", "cp1252")
    check_kept("ksites after avcimport", feats, "NAME_1", KEPT_AT, MM / 2)

    r = subprocess.run([cs2cs, "-f", "%.12f", "+proj=utm", "+zone=33", "+ellps=WGS84", "+to", "+proj=longlat",
                        "+ellps=WGS84"], input="".join("%.6f %.6f\n" % p for p in KEPT_AT), capture_output=True,
                       text=True, timeout=30)
    lonlat = [tuple(float(v) for v in line.split()[:2]) for line in r.stdout.splitlines() if line.strip()]
    rc, feats, text = ogr_features(os.path.join(root, "gsites.E00"), "LAB", "cp1252")
    check_kept("gsites.E00", feats, "NAME_1", lonlat, 1e-8)

    mif = read(os.path.join(root, "msites.MIF"))
    check('DELIMITER ","\r\nCHARSET "WindowsLatin1"\r\n' in mif and "  NAME_1 char(20)\r\n" in mif,
          "the MapInfo header names its code page and the second NAME NAME_1: %r" % mif[:400])
    rc, feats, text = ogr_features(os.path.join(root, "msites.MIF"), None, "utf-8")
    check_kept("msites.MIF", feats, "NAME_1", KEPT_AT, MM / 2)
    rc, feats, text = ogr_features(os.path.join(root, "gmsites.MIF"), None, "utf-8")
    check_kept("gmsites.MIF", feats, "NAME_1", lonlat, 1e-8)

    # The same rows plotted from the table browser of a query. A plot made
    # to fail midway (its file is written beside the target, here on a disk
    # that takes no more bytes) leaves the earlier file as it was.
    for name in ("pfail.E00", "pfail.MIF"):
        with open(os.path.join(root, name), "w") as f:
            f.write("earlier")

    def plot(output, name, more=""):
        return ("select plot %d\npv_plot_opts\nselect output 2 3 4 7 8\nset filename %s\nselect projection %d\n%s"
                "pick plot\n" % (output, name, utm, more))

    def browse(plots):
        return ('(pv_open "GEO" "DB3" "" "")\npv-query\npv_condition\nselect output 2 3 4 5 6 7 8\npick query\n'
                "pv_msg_box\nok\npv_table_large\n" + plots + "cancel\n(pv_logoff)\nQUIT\n")

    status, out = e2e_tables.pvhost_run(args, root, browse(plot(5, "psites") + plot(6, "mpsites", "set col_delim ,\n")))
    check(status == 0, "pvhost exit status %d" % status)
    # The disk is made full once the project is logged on (the driver's
    # shared memory is a file too), a file growing past its first bytes
    # failing as on a full disk.
    p = full_disk_pvhost(args, root, '(pv_open "GEO" "DB3" "" "")\n')
    failed, _ = p.communicate(browse(plot(5, "pfail") + plot(6, "pfail", "set col_delim ,\n")).split("\n", 1)[1],
                              timeout=120)
    print(failed)
    out += failed
    rc, feats, text = ogr_features(os.path.join(root, "psites.E00"), "LAB", "cp1252")
    check_kept("psites.E00", feats, "NAME", KEPT_AT, MM / 2)
    rc, feats, text = ogr_features(os.path.join(root, "mpsites.MIF"), None, "utf-8")
    check_kept("mpsites.MIF", feats, "NAME", KEPT_AT, MM / 2)
    check_wide("mpsites.MID", delimited(os.path.join(root, "mpsites.MID")), 3)
    for name in ("pfail.E00", "pfail.MIF"):
        check(read(os.path.join(root, name)) == "earlier", "a failed plot leaves the earlier %s" % name)
        check(not os.path.lexists(os.path.join(root, name + ".tmp")), "and no file beside it")
    check(not os.path.exists(os.path.join(root, "pfail.MID")), "nor half a pair")
    check("Could not write pfail.E00: File too large; no file was written." in out and
          "Could not write pfail.MIF: File too large; no file was written." in out,
          "both failures are told with the system's reason: %s" % out)


# A drawing of linked points over three tables, drawn at random (a fixed
# seed) from rows that changed since: rows deleted (missing), key values
# changed (stale links), BASENUMBERs held by two rows, links of a table no
# longer registered; exported with one look-up an entity and with rows
# fetched in batches, the files and messages must be the same byte for byte.
BATCH_SEED = 83
BATCH_ENTITIES = 700
BATCH_IDS = 120
BATCH_TABLES = {  # name: (type, fields, one row's values beside BASENUMBER and STATION, columns exported)
    "SITES": ("STATION", "NAME C(12); DIP N(5,0)", lambda r, i: ("Site%d" % i, r.choice([None, r.randint(0, 90)])),
              ("NAME", "DIP")),
    "ROCKS": ("GENESIS", "ROCK C(12); AGE N(8,2)", lambda r, i: (r.choice(["granite", "gneiss", "", "schist"]),
                                                                  round(r.uniform(1, 500), 2)), ("ROCK", "AGE")),
    "SAMPL": ("SAMPLE", "CU N(10,3); NOTE C(20)", lambda r, i: (round(r.uniform(0, 9), 3), "n%d" % i), ("CU",)),
}


def make_batch_project(root, resources):
    """The project and drawing of the batched export; answers the expected
    attribute values of each exported point, in drawing order, by
    "TABLE.COLUMN"."""
    import random
    rnd = random.Random(BATCH_SEED)
    rows, held = {}, {}
    for name, (_, fields, values, _) in BATCH_TABLES.items():
        rows[name] = []
        for i in range(1, BATCH_IDS + 1):
            if rnd.random() < 0.1:
                continue  # deleted after drawing
            key = "S%d" % i
            rows[name].append((i, key) + values(rnd, i))
            if rnd.random() < 0.05:
                rows[name].append((i, key + "B") + values(rnd, i))  # the BASENUMBER held twice
        held[name] = {}
        for r in rows[name]:
            held[name].setdefault(r[0], r)  # the first in record order answers
    plan = []
    for _ in range(BATCH_ENTITIES):
        table_name = rnd.choice(list(BATCH_TABLES) + ["OLDTB"])
        i = rnd.randint(1, BATCH_IDS)
        key = "S%d" % i if rnd.random() < 0.9 else "OLD%d" % i  # stale: the row's key value changed
        kind = "text" if rnd.random() < 0.05 else "point"
        plan.append((table_name, i, key, kind, round(rnd.uniform(15, 16), 6), round(rnd.uniform(45, 46), 6)))

    def draw(msp):
        for table_name, i, key, kind, x, y in plan:
            e = (msp.add_text("T%d" % i, dxfattribs={"insert": (x, y), "height": 0.01}) if kind == "text" else
                 msp.add_point((x, y), dxfattribs={"layer": table_name}))
            e.set_xdata("PETRIVEX", [(1000, "GEO"), (1000, table_name), (1071, i), (1000, "STATION"),
                                     (1000, key), (1000, "")])
    fields = {name: "BASENUMBER N(8,0); STATION C(10); " + spec[1] for name, spec in BATCH_TABLES.items()}
    make_project(root, resources, sites=(fields["SITES"], rows["SITES"]), draw=draw)
    geo = os.path.join(root, "projects", "GEO")
    registry = []
    for name, (kind, _, _, _) in BATCH_TABLES.items():
        if name != "SITES":
            table(os.path.join(geo, name + ".DBF"), fields[name], rows[name])
        registry.append(e2e_tables.registry_row(name, kind, STATION="STATION"))
    os.remove(os.path.join(geo, "PVTABLE.DBF"))
    table(os.path.join(geo, "PVTABLE.DBF"), PVTABLE_FIELDS, registry)
    expected = []
    for table_name, i, key, kind, x, y in plan:
        row = held.get(table_name, {}).get(i) if kind == "point" else None
        values = {}
        if row:
            for n, c in enumerate(BATCH_TABLES[table_name][3]):
                values[table_name + "." + c] = row[2 + n]
        expected.append(values)
    return expected


def batch_text_value(v, decimals):
    """A value as the text output writes it: a blank number empty."""
    if v is None:
        return ""
    if isinstance(v, str):
        return v
    return "%.*f" % (decimals, v)


def test_batched_rows(args, work, resources):
    root = os.path.join(work, "batched")
    expected = make_batch_project(root, resources)
    status, items = e2e_tables.pvhost_run(
        args, root, '(pv_open "GEO" "DB3" "" "")\npv-export\npv_export_opts\nshow\ncancel\n(pv_logoff)\nQUIT\n')
    out_idx = list_items(items, "output")
    geo_i = list_items(items, "projection").get(GEOGRAPHIC, -1)
    columns = [t + "." + c for t, spec in BATCH_TABLES.items() for c in spec[3]]
    chosen = [out_idx.get(c, -1) for c in columns]
    check(-1 not in chosen, "every column is offered: %r" % out_idx)
    script = '(pv_open "GEO" "DB3" "" "")\n'
    script += export_script(1, "point", "bsites", chosen, geo_i)
    script += export_script(2, "point", "msites", chosen[:1], geo_i, col=",")
    script += export_script(0, "point", "tsites", chosen, geo_i, col=",", txt='"')
    script += "(pv_logoff)\nQUIT\n"
    files = ("bsites.E00", "msites.MIF", "msites.MID", "tsites.TXT")
    runs = {}
    for per in ("1", "7", ""):  # one look-up an entity, small batches, the default batch
        options = ("--rows-per-request", per) if per else ()
        status, out = e2e_tables.pvhost_run(args, root, script, options)
        check(status == 0, "pvhost exit status %d (rows a request %r)" % (status, per))
        got = {"messages": out.encode()}
        for f in files:
            path = os.path.join(root, f)
            got[f] = open(path, "rb").read() if os.path.exists(path) else None
            if os.path.exists(path):
                os.remove(path)
        runs[per] = got
    for per in ("7", ""):
        for what, data in runs[per].items():
            check(data is not None and data == runs["1"][what],
                  "%s batched (%r rows a request) is what one look-up an entity writes" % (what, per))
    check_digest("bsites.E00", runs[""]["bsites.E00"])
    counts = re.findall(r"Plotted\.\.\. (\d+) entities", runs[""]["messages"].decode())
    check(counts == [str(BATCH_ENTITIES)] * 3, "every entity exported: %r" % counts)

    # The text file read as CSV: each point's values from its row.
    import csv
    import io
    decimals = {"SITES.DIP": 0, "ROCKS.AGE": 2, "SAMPL.CU": 3}
    text = (runs[""]["tsites.TXT"] or b"").decode("cp1252")
    records = list(csv.reader(io.StringIO(text, newline="")))
    check(len(records) == BATCH_ENTITIES, "%d records in tsites.TXT" % len(records))
    for n, (rec, want) in enumerate(zip(records, expected)):
        got = dict(zip(columns, (v.strip() for v in rec[7:])))
        wanted = {c: batch_text_value(want[c], decimals.get(c, 0)) if c in want else "" for c in columns}
        if got != wanted:
            check(False, "tsites.TXT record %d: %r, expected %r" % (n + 1, got, wanted))
            break


# Stations whose texts hold what a reader of delimited text must be told
# apart (a line break, quotes, a comma, a tab), a number of six decimals
# and blank numbers, each drawn as the strike-and-dip symbol of PVSTRUCT
# on a map set as a geologist sets one (north at 90, angles clockwise).
HOSTILE_FIELDS = ("BASENUMBER N(8,0); STATION C(10); NAME C(30); DIP N(5,0); VAL N(12,6); "
                  "EASTING N(19,6); NORTHING N(19,6)")
HOSTILE_AT = [(512000.0, 5012000.0), (512100.0, 5012000.0), (512200.0, 5012000.0), (512300.0, 5012000.0),
              (512400.0, 5012000.0)]
HOSTILE_ROWS = [(1, "S1", "two\r\nlines", 30, 12.345678) + HOSTILE_AT[0],
                (2, "S2", 'a "quoted" word', None, None) + HOSTILE_AT[1],
                (3, "S3", "comma, inside", 75, -0.000001) + HOSTILE_AT[2],
                (4, "S4", "tab\there", 5, 1234.5) + HOSTILE_AT[3],
                (5, "S5", "plain", 10, 0.5) + HOSTILE_AT[4]]
# Drawing rotation (degrees counter-clockwise from east) of each symbol:
# the strike of a row on a map of north 90 and clockwise angles, less 90.
HOSTILE_ROTATION = [-strike for strike in (322, 48, 0, 233, 200)]
SYMBOL_SIZE = 20.0
SYMBOL_TOLERANCE = 0.01


def draw_symbols(msp):
    doc = msp.doc
    doc.header["$ANGBASE"] = math.pi / 2
    doc.header["$ANGDIR"] = 1
    doc.styles.new("PVSTRUCT", dxfattribs={"font": "PVSTRUCT.SHX", "flags": 1})
    for i, (at, rot) in enumerate(zip(HOSTILE_AT, HOSTILE_ROTATION)):
        link(msp.add_shape("STRIKE_DIP", at, SYMBOL_SIZE, dxfattribs={"rotation": rot, "layer": "SITES"}), i + 1)


def drawn_vertices(path, shapes):
    """Each symbol's drawn segment ends, as ezdxf and the shape file draw
    them, in drawing order."""
    out = []
    for e in ezdxf.readfile(path).modelspace().query("SHAPE"):
        sym = shapes.find(e.dxf.name.encode())
        rot = math.radians(e.dxf.get("rotation", 0.0))
        ix, iy, size = e.dxf.insert.x, e.dxf.insert.y, e.dxf.size
        pts = []
        for sub in shapes.render_shape(sym.number).sub_paths():
            pts += [(ix + size * (p.x * math.cos(rot) - p.y * math.sin(rot)),
                     iy + size * (p.x * math.sin(rot) + p.y * math.cos(rot))) for p in sub.flattening(0.01)]
        out.append(pts)
    return out


def same_points(got, want, tolerance):
    """True when every point of each list lies on a point of the other."""
    near = lambda p, pts: any(math.dist(p, q) <= tolerance for q in pts)  # noqa: E731
    return bool(got) and all(near(p, want) for p in got) and all(near(q, got) for q in want)


def csv_records(path, delimiter):
    """The records of a delimited file as Python's csv reads it in strict
    mode; None (with the reason checked) when it refuses the file."""
    import csv
    import io
    text = open(path, "rb").read().decode("cp1252") if os.path.exists(path) else ""
    try:
        return list(csv.reader(io.StringIO(text, newline=""), delimiter=delimiter, strict=True))
    except csv.Error as err:
        check(False, "csv (strict) refuses %s: %s" % (os.path.basename(path), err))
        return None


def make_hostile(args, root, resources):
    """The project and drawing of the hostile rows in root; answers the
    dialog's indexes of NAME, DIP and VAL, and of the UTM 33 and the
    geographic projections."""
    make_project(root, resources, system=UTM33, sites=(HOSTILE_FIELDS, HOSTILE_ROWS), draw=draw_symbols,
                 point=("SITES", "EASTING", "NORTHING", "", "", UTM33))
    shutil.copy(os.path.join(resources, "shapes", "PVSTRUCT.SHX"), root)
    status, items = e2e_tables.pvhost_run(
        args, root,
        '(pv_open "GEO" "DB3" "" "")\npv-export\npv_export_opts\nshow\ncancel\n(pv_logoff)\nQUIT\n')
    out_idx = list_items(items, "output")
    prj_idx = list_items(items, "projection")
    chosen = [out_idx.get("SITES." + c, -1) for c in ("NAME", "DIP", "VAL")]
    check(-1 not in chosen, "NAME, DIP and VAL are offered: %r" % out_idx)
    return chosen, prj_idx.get(UTM33, -1), prj_idx.get(GEOGRAPHIC, -1)


def failure_rows(args, root, resources):
    """The exports of every format stop at a linked row that cannot be read
    (its table cut short, its driver ended): no file is written, an earlier
    one stays as it was, and the message names the row and table once."""
    from e2e_util import run_pvhost_driver_killed
    chosen, utm, geo = make_hostile(args, root, resources)
    # A long alert is a dialog of its own, answered; a short one needs none
    # (the answer is then an unknown command).
    alert = "pv_alert_wrap\nok\n"
    answers = (export_script(0, "point", "fail", chosen, utm, col=",", txt='"') + alert +
               export_script(1, "point", "fail", chosen, utm) + alert +
               export_script(2, "point", "fail", chosen, utm, col=",") + alert +
               export_script(3, "point", "fail", chosen, geo, col=",") + alert + "(pv_logoff)\nQUIT\n")
    outputs = ("fail.TXT", "fail.E00", "fail.MIF", "fail.MID", "fail.TBA")
    for case in ("table cut short", "driver ended"):
        make_hostile(args, root, resources)
        for name in outputs[:3]:
            with open(os.path.join(root, name), "w") as f:
                f.write("earlier")
        damaged = os.path.join(root, "projects", "GEO", "SITES.DBF") if case == "table cut short" else None
        out = run_pvhost_driver_killed(args[0], args[1], args[2], root, answers, "in.dxf", damaged)
        said = re.sub(r"\s", "", re.sub(r"\n +\d+: ", " ", out))
        told = re.findall(r"Nothingwasexported:row(\d+)oftableSITEScannotberead", said)
        check(len(told) == 4, "%s: each of the four exports names the row and table it could not read once: %r"
              % (case, told))
        check("Plotted..." not in out, "%s: no export says it plotted anything" % case)
        for name in outputs[:3]:
            check(read(os.path.join(root, name)) == "earlier", "%s: the earlier %s stays as it was" % (case, name))
        for name in outputs[3:]:
            check(not os.path.exists(os.path.join(root, name)), "%s: no %s is written" % (case, name))
        left = [n for n in os.listdir(root) if n.endswith(".tmp")]
        check(not left, "%s: no file left beside its target: %r" % (case, left))


def test_as_a_gis_reads_them(args, work, resources):
    root = os.path.join(work, "hostile")
    chosen, utm, geo = make_hostile(args, root, resources)
    script = '(pv_open "GEO" "DB3" "" "")\n'
    script += export_script(2, "point", "hsym", chosen, utm, col=",")
    script += export_script(0, "point", "htext", chosen, utm, col=",", txt='"')
    script += export_script(0, "point", "htab", chosen, utm, col="TAB", txt='"')
    script += export_script(1, "point", "hcov", chosen, utm)
    script += "(pv_logoff)\nQUIT\n"
    status, out = e2e_tables.pvhost_run(args, root, script)
    check(status == 0, "pvhost exit status %d" % status)
    names = [r[2] for r in HOSTILE_ROWS]

    # MapInfo: each symbol as drawn, every text whole, numbers read without a warning.
    from ezdxf import shapefile
    shapes = shapefile.readfile(os.path.join(resources, "shapes", "PVSTRUCT.SHX"))
    drawn = drawn_vertices(os.path.join(root, "in.dxf"), shapes)
    r = subprocess.run(["ogrinfo", "-ro", "-al", os.path.join(root, "hsym.MIF")], capture_output=True, timeout=60)
    text, warnings = r.stdout.decode("cp1252", "replace"), r.stderr.decode("cp1252", "replace")
    check(r.returncode == 0 and "Warning" not in warnings, "ogrinfo reads hsym.MIF without a warning: %s" % warnings)
    feats = features(text)
    check(len(feats) == len(HOSTILE_ROWS), "hsym.MIF: one feature a symbol: %d" % len(feats))
    for n, f in enumerate(feats[:len(drawn)]):
        m = re.match(r"LINESTRING \((.*)\)", f.get("geometry", ""))
        got = [tuple(float(v) for v in p.split()) for p in m.group(1).split(",")] if m else []
        check(same_points(got, drawn[n], SYMBOL_TOLERANCE),
              "hsym.MIF symbol %d is written as drawn: %r, drawn %r" % (n + 1, got, drawn[n]))
    ogr_names = [re.search(r"NAME_1 \(String\) = (.*?)\n  [A-Z]+ \(", block, re.S) for block in
                 text.split("OGRFeature")[1:]]
    got = [m.group(1).replace("\r\n", "\n") if m else None for m in ogr_names]
    check(got == [n.replace("\r\n", "\n") for n in names], "hsym.MID texts come back whole: %r" % got)
    mid = csv_records(os.path.join(root, "hsym.MID"), ",")
    if mid is not None:
        cols = [rec[7:10] if len(rec) == 10 else None for rec in mid]
        check([c and c[0] for c in cols] == names, "hsym.MID read as CSV: texts %r" % mid)
        check([c and c[1] for c in cols] == ["30", "", "75", "5", "10"] and cols[1] and cols[1][2] == "",
              "hsym.MID: a blank number is an empty field: %r" % mid)
        check(cols[0] and cols[0][2] == "12.345678", "hsym.MID: VAL keeps its six decimals: %r" % mid)

    # Delimited text: strict CSV, each text whole with its padding inside the quotes.
    for name, delim in (("htext.TXT", ","), ("htab.TXT", "\t")):
        recs = csv_records(os.path.join(root, name), delim)
        if recs is None:
            continue
        cols = [[v.strip(" ") for v in rec[7:10]] if len(rec) == 10 else None for rec in recs]
        check([c and c[0] for c in cols] == names, "%s texts come back whole: %r" % (name, recs))
        check([c and c[1] for c in cols] == ["30", "", "75", "5", "10"] and cols[1] and cols[1][2] == "",
              "%s: a blank number is written empty: %r" % (name, recs))

    # The same rows plotted from the table browser of a query to MapInfo:
    # its .MID holds every text whole and a blank number empty too.
    script = ('(pv_open "GEO" "DB3" "" "")\npv-query\npv_condition\nselect output 2 3 4 5 6\npick query\n'
              "pv_msg_box\nok\npv_table_large\nselect plot 6\npv_plot_opts\nselect output 2 3 4\n"
              "set filename hplot\nselect projection %d\nset col_delim ,\npick plot\ncancel\n(pv_logoff)\nQUIT\n" % utm)
    status, out = e2e_tables.pvhost_run(args, root, script)
    check(status == 0 and "Plotted... 5 records" in out, "the browser plots the five rows to MapInfo: %s" % out[-400:])
    plotted = csv_records(os.path.join(root, "hplot.MID"), ",")
    if plotted is not None:
        check([rec[0] for rec in plotted] == names and [rec[1:] for rec in plotted] == [
            ["30", "12.345678"], ["", ""], ["75", "-1e-06"], ["5", "1234.5"], ["10", "0.5"]],
            "hplot.MID read as CSV holds each row's values: %r" % plotted)
    r = subprocess.run(["ogrinfo", "-ro", "-al", os.path.join(root, "hplot.MIF")], capture_output=True, timeout=60)
    check(r.returncode == 0 and "Warning" not in r.stderr.decode() and
          len(features(r.stdout.decode("cp1252", "replace"))) == len(HOSTILE_ROWS),
          "ogrinfo reads a feature a row of hplot.MIF without a warning: %s" % r.stderr.decode())

    # E00: the column declares its six decimals; a blank number is 0, as the format has no empty number.
    e00 = read(os.path.join(root, "hcov.E00"))
    item = re.search(r"^VAL +(\d+)-1 +\d+-1 +(\d+) (\d+) 60", e00, re.M)
    check(item is not None and item.group(3) == "6", "hcov.E00 declares VAL with six decimals: %r" % (
        item.group(0) if item else None))
    cover = os.path.join(root, "cov_hcov")
    shutil.rmtree(cover, ignore_errors=True)
    r = subprocess.run(["avcimport", os.path.join(root, "hcov.E00"), cover], capture_output=True, timeout=60)
    check(r.returncode == 0, "avcimport accepts hcov.E00: %r" % r)
    rc, feats, text = ogr_features(cover, "LAB", "cp1252")
    check(len(feats) == len(HOSTILE_ROWS), "the coverage holds a label a row: %d" % len(feats))
    for f, (_, _, name, dip, val, _, _) in zip(feats, HOSTILE_ROWS):
        want = name.replace("\r", " ").replace("\n", " ").replace("\t", " ")
        check(f.get("NAME_1") == want and kept_value(f.get("DIP"), dip or 0) and kept_value(f.get("VAL"), val or 0)
              and len((f.get("VAL") or "").partition(".")[2]) == 6,
              "the coverage holds the row's values: %r, expected %r %r %r" % (f, want, dip, val))

def main():
    if len(sys.argv) != 6:
        print(__doc__)
        return 2
    args = sys.argv[1:4]
    resources = args[2]
    cs2cs = sys.argv[4]
    work = sys.argv[5]
    root = os.path.join(work, "export")
    make_project(root, resources)
    status, items = e2e_tables.pvhost_run(
        args, root, '(pv_open "GEO" "DB3" "" "")\npv-export\npv_export_opts\nshow\ncancel\n(pv_logoff)\nQUIT\n')
    check(status == 0, "pvhost exit status %d" % status)
    test_text_and_spans(args, root, items)
    make_project(os.path.join(work, "refusals"), resources)
    test_refusals(args, os.path.join(work, "refusals"), items, resources)
    test_utm(args, root, items, cs2cs)
    test_e00_and_mif(args, root, items)
    test_values_kept(args, work, resources, cs2cs)
    test_batched_rows(args, work, resources)
    test_as_a_gis_reads_them(args, work, resources)
    failure_rows(args, os.path.join(work, "failures"), resources)
    print("%d failure(s)" % len(FAILURES))
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
