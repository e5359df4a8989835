#!/usr/bin/python3
"""pv-point end to end: pvhost opens a drawing written here with ezdxf
whose map setup block names "UTM 10 NAD27" (Clarke 1866), logs on to the
sample project GEO and picks station 1 of STATN; the latitude and
longitude the dialog shows agree with PROJ's cs2cs within one unit of
their last printed digit, also after a new northing is typed; choosing
"GEOGRAPHIC Clarke 1866" puts the latitude in the X tile.

  point_e2e.py PVHOST MODULE RESOURCES CS2CS WORKDIR
"""
import os
import re
import shutil
import subprocess
import sys

import ezdxf

FAILURES = []
ATTDEF_FLAGS = 13
STATION1 = (615230.5, 5620410.0)
NEW_NORTHING = 5621000.25
UTM10 = "+proj=utm +zone=10 +ellps=clrk66"
GEOGRAPHIC = "GEOGRAPHIC Clarke 1866"
DD_UNIT = 1e-6          # degrees: six places
SEC_UNIT = 1e-3         # seconds: three places
SLACK = 1e-9


def check(ok, what):
    if not ok:
        FAILURES.append(what)
        print("FAIL:", what)


def write_drawing(path):
    """A drawing whose anonymous map setup block names UTM 10 NAD27."""
    doc = ezdxf.new("R2000")
    block = doc.blocks.new_anonymous_block(type_char="U")
    for i, (tag, value) in enumerate((("NAME", "PETRIVEX_PARAMS"), ("PROJ", "UTM 10 NAD27"),
                                      ("SCALE", "1.000000"), ("HEIGHT", "1.000000"))):
        block.add_attdef(tag, (0, -i), text=value, dxfattribs={"prompt": tag, "flags": ATTDEF_FLAGS})
    doc.modelspace().add_blockref(block.name, (0, 0, 0), dxfattribs={"layer": "0"})
    doc.saveas(path)


def run_pvhost(args, root, script):
    pvhost, module, resources, drawing = args
    with open(os.path.join(root, "run.scr"), "w") as f:
        f.write(script)
    env = dict(os.environ, ASI_INI=os.path.join(root, "asi.ini"), HOME=root,
               XDG_DATA_HOME=os.path.join(root, "data"))
    r = subprocess.run([pvhost, "--script", "run.scr", "--module", module, "--resources", resources,
                        "--drawing", drawing], cwd=root, env=env, capture_output=True, text=True,
                       timeout=60)
    print(r.stdout)
    print(r.stderr, file=sys.stderr)
    check(r.returncode == 0, "pvhost exit status %d" % r.returncode)
    return r.stdout


def forms(out):
    """The dialog forms printed by show, each as {key: value} and lists."""
    found = []
    for block in out.split("=== Dialog pv_edit_point")[1:]:
        values = dict(re.findall(r'^\s*(\w+)\s+\w+(?: "[^"]*")? = "(.*)"(?: \((?:disabled|focus)\))*$',
                                 block, re.M))
        items = re.findall(r"^\s+\*?(\d+): (.*)$", block, re.M)
        found.append((values, items))
    return found


def cs2cs(cs2cs_path, easting, northing):
    r = subprocess.run([cs2cs_path, "-f", "%.12f"] + UTM10.split() + ["+to", "+proj=longlat",
                        "+ellps=clrk66"], input="%r %r\n" % (easting, northing), capture_output=True,
                       text=True, check=True)
    lon, lat = (float(v) for v in r.stdout.split()[:2])
    return lat, lon


def dms_seconds(deg, mins, secs):
    """Degrees, minutes and seconds as seconds, with the sign of the degrees text."""
    total = abs(float(deg)) * 3600 + float(mins) * 60 + float(secs)
    return -total if deg.startswith("-") else total


def check_latlong(values, want, what):
    lat, lon = want
    dd = [float(v) for v in values.get("ddlatlong", "0,0").split(",")]
    check(abs(dd[0] - lat) <= DD_UNIT + SLACK and abs(dd[1] - lon) <= DD_UNIT + SLACK,
          "%s: ddlatlong %r against cs2cs %.9f, %.9f" % (what, values.get("ddlatlong"), lat, lon))
    m = re.match(r"^(-?\d+) (\d+)' ([\d.]+)\",(-?\d+) (\d+)' ([\d.]+)\"$", values.get("dmslatlong", ""))
    check(m is not None, "%s: dmslatlong %r" % (what, values.get("dmslatlong")))
    if m:
        got_lat, got_lon = dms_seconds(*m.group(1, 2, 3)), dms_seconds(*m.group(4, 5, 6))
        check(abs(got_lat - lat * 3600) <= SEC_UNIT + SLACK and abs(got_lon - lon * 3600) <= SEC_UNIT + SLACK,
              "%s: dmslatlong %r against cs2cs %.9f, %.9f" % (what, m.group(0), lat, lon))


def main():
    if len(sys.argv) != 6:
        raise SystemExit(__doc__)
    pvhost, module, resources, cs2cs_path, work = sys.argv[1:]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    shutil.copy(os.path.join(resources, "asi.ini"), work)
    shutil.copytree(os.path.join(resources, "projects"), os.path.join(work, "projects"))
    drawing = os.path.join(work, "utm10.dxf")
    write_drawing(drawing)
    args = (pvhost, module, resources, drawing)
    pick = "pv-point\n%r,%r\npv_edit_point\n" % STATION1

    # The list of systems, to find the geographic system's line.
    out = run_pvhost(args, work, '(pv_open "GEO" "DB3" "" "")\n' + pick + "show\ncancel\nQUIT\n")
    shown = forms(out)
    check(len(shown) == 1, "the dialog was shown once")
    if not shown:
        raise SystemExit("%d check(s) failed" % len(FAILURES))
    values, items = shown[0]
    check(values.get("xname") == "Easting" and values.get("xpoint") == "615230.500"
          and values.get("ypoint") == "5620410.000", "station 1 shown in UTM 10 NAD27: %r" % values)
    check_latlong(values, cs2cs(cs2cs_path, *STATION1), "station 1")
    geo = [n for n, name in items if name.strip() == GEOGRAPHIC]
    check(len(geo) == 1, "%s listed once" % GEOGRAPHIC)
    if not geo:
        raise SystemExit("%d check(s) failed" % len(FAILURES))

    out = run_pvhost(args, work, '(pv_open "GEO" "DB3" "" "")\n' + pick +
                     "set ypoint %r\nshow\nselect projname %s\nshow\nok\n" % (NEW_NORTHING, geo[0]) +
                     pick + "cancel\n(pv_logoff)\nQUIT\n")
    shown = forms(out)
    check(len(shown) == 2, "two forms shown")
    if len(shown) == 2:
        typed, geographic = shown[0][0], shown[1][0]
        check(typed.get("ypoint") == "%.3f" % NEW_NORTHING, "the typed northing shown: %r" % typed.get("ypoint"))
        check_latlong(typed, cs2cs(cs2cs_path, STATION1[0], NEW_NORTHING), "new northing")
        lat, lon = cs2cs(cs2cs_path, STATION1[0], NEW_NORTHING)
        check(geographic.get("xname") == "Latitude" and geographic.get("yname") == "Longitude",
              "the geographic system labels X as the latitude: %r" % geographic)
        check(abs(float(geographic.get("xpoint", "0")) - lat) <= DD_UNIT + SLACK,
              "the latitude in the X tile: %r" % geographic.get("xpoint"))
        check(abs(float(geographic.get("ypoint", "0")) - lon) <= DD_UNIT + SLACK,
              "the longitude in the Y tile: %r" % geographic.get("ypoint"))
    check("Cannot convert" not in out, "no conversion failed")

    if FAILURES:
        raise SystemExit("%d check(s) failed" % len(FAILURES))
    print("pv-point end to end: all checks passed")


if __name__ == "__main__":
    main()
