#!/usr/bin/python3
"""pv-merge and pv-rename end to end through pvhost scripts, on DB3 projects
MASTER and SLAVE made here with the python dbf module and drawings made with
ezdxf; dbfread and ezdxf read back what the commands left.

  merge_e2e.py PVHOST MODULE RESOURCES WORKDIR
"""
import os
import shutil
import sys

import dbfread
import ezdxf

import e2e_tables
from e2e_tables import FAILURES, PVCOLUMN_FIELDS, PVTABLE_FIELDS, check, table

MEMO_WORDS = 2000   # "rock " 2000 times: a memo of 10,000 characters


def registry_row(name, kind, station):
    return e2e_tables.registry_row(name, kind, STATION=station)


def project(root, name, statn_rows, memo_rows, station2_key):
    d = os.path.join(root, "projects", name)
    os.makedirs(d)
    table(os.path.join(d, "STATN.DBF"), "BASENUMBER N(8,0); STATION N(8,0); NAME C(20); NOTES C(20)", statn_rows)
    table(os.path.join(d, "STATNMEM.DBF"), "BASENUMBER N(8,0); ORDNUMBER N(8,0); MEMOTEXT C(70)", memo_rows)
    table(os.path.join(d, "STATN2.DBF"), "BASENUMBER N(8,0); %s N(8,0)" % station2_key, [(1, 1)])
    table(os.path.join(d, "LITH.DBF"), "BASENUMBER N(8,0); LONGNAME C(32)", [(0, "LITH")])
    tables = [registry_row("LITH", "DICTION", ""), registry_row("STATN", "STATION", "STATION"),
              registry_row("STATN2", "STATION", station2_key)]
    if name == "MASTER":
        table(os.path.join(d, "ONLYM.DBF"), "BASENUMBER N(8,0); A C(4)", [(1, "a")])
        tables.append(registry_row("ONLYM", "OTHER", ""))
    table(os.path.join(d, "PVTABLE.DBF"), PVTABLE_FIELDS, tables)
    table(os.path.join(d, "PVCOLUMN.DBF"), PVCOLUMN_FIELDS,
          [("NOTES", "STATN", "", "", 0x200, 0, 0, 0, " ", "", 0, 0)])


def memo_lines(number, words):
    text = ("rock " * words).strip()
    lines, at = [], 0
    while at < len(text):
        piece = text[at:at + 70]
        lines.append(piece)
        at += 70
    return [(number, i + 1, l) for i, l in enumerate(lines)]


def make_projects(root):
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(root)
    project(root, "MASTER", [(50, 1, "Fifty", ""), (100, 2, "Hundred", "")], [], "STATION")
    project(root, "SLAVE", [(1, 1, "O'NEIL", ""), (2, 2, "Montréal", ""), (3, 3, "Plain", "")],
            memo_lines(3, MEMO_WORDS), "STN")
    with open(os.path.join(root, "asi.ini"), "w") as f:
        f.write("[ENVIRONMENTS]\nDB3=\n\n[DB3]\nDriver=pvdb3\nPETRIVEX=projects\nPETRIVEX.MASTER=MASTER\n"
                "PETRIVEX.SLAVE=SLAVE\nPETRIVEX.NEWP=NEWP\n\n[ASE_CATALOGS]\nMASTER=projects\nSLAVE=projects\n"
                "NEWP=projects\n\n[PETRIVEX_MISC]\nMASTER.links=1\nSLAVE.links=0\nNEWP.links=0\n")
    os.makedirs(os.path.join(root, "projects", "NEWP"))


def drawing(path, links):
    doc = ezdxf.new("R12")
    doc.appids.new("PETRIVEX")
    doc.appids.new("OTHERAPP")
    msp = doc.modelspace()
    for i, (prj, tbl, row, col, val) in enumerate(links):
        t = msp.add_text("T%d" % i, dxfattribs={"insert": (i * 10, 0)})
        t.set_xdata("PETRIVEX", [(1000, prj), (1000, tbl), (1071, row), (1000, col), (1000, val), (1000, "")])
        t.set_xdata("OTHERAPP", [(1000, "keep me %d" % i)])
    doc.saveas(path)


def links_of(path):
    doc = ezdxf.readfile(path)
    out = []
    for e in doc.modelspace():
        if e.has_xdata("PETRIVEX"):
            x = e.get_xdata("PETRIVEX")
            out.append(tuple(v.value for v in x))
            other = e.get_xdata("OTHERAPP") if e.has_xdata("OTHERAPP") else None
            check(other is not None and other[0].value.startswith("keep me"), "other application's data kept")
    return out


def pvhost(args, root, script):
    status, out = e2e_tables.pvhost_run(args, root, script)
    check(status == 0, "pvhost exit status %d" % status)
    return out


LOGON = '(pv_open "MASTER" "DB3" "" "")\n(pv_open "SLAVE" "DB3" "" "")\n'
# Projects are listed newest first: SLAVE 0, MASTER 1.
MERGE_DIALOG = "pv-merge\npv_merge\nselect mrg_master 1\nselect mrg_slave 0\n"


def rows(root, prj, name):
    return [dict(r) for r in dbfread.DBF(os.path.join(root, "projects", prj, name + ".DBF"), encoding="cp1252")]


def test_database_and_maps(args, work):
    root = os.path.join(work, "both")
    make_projects(root)
    drawing(os.path.join(root, "in.dxf"), [("SLAVE", "STATN", n, "BASENUMBER", str(n)) for n in (1, 2, 3)] +
            [("ELSEWHERE", "STATN", 1, "BASENUMBER", "1")])
    out = pvhost(args, root, LOGON + MERGE_DIALOG + "pick mrg_dbf\nok\npv_yesno_small\nok\nALL\n\n" +
                 MERGE_DIALOG + "pick mrg_map\npick mrg_dbf\nok\npv_yesno_small\nok\n"
                 "SAVE out.dxf\n(pv_logoff)\nQUIT\n")
    statn = [(int(r["BASENUMBER"]), r["NAME"].strip()) for r in rows(root, "MASTER", "STATN")]
    check(statn[:5] == [(50, "Fifty"), (100, "Hundred"), (101, "O'NEIL"), (102, "Montréal"), (103, "Plain")],
          "first merge: rows %r" % statn)
    # The second merge of the same rows starts from last number 104.
    check(statn[5:] == [(105, "O'NEIL"), (106, "Montréal"), (107, "Plain")], "second merge: rows %r" % statn[5:])
    memo = [r for r in rows(root, "MASTER", "STATNMEM") if int(r["BASENUMBER"]) == 103]
    words = " ".join(r["MEMOTEXT"] for r in sorted(memo, key=lambda r: r["ORDNUMBER"])).split()
    check(words == ["rock"] * MEMO_WORDS, "the whole memo of row 3 under 103 (%d words)" % len(words))
    check("PETRIVEX - The following tables were merged:" in out, "merge report shown")
    report = out[out.find("The following tables were merged:"):]
    check("     STATN" in report and "ONLYM" not in report, "report names STATN only")
    check("Missing station number STATN2.STATION in project SLAVE" in out, "missing station key reported")
    check("Cannot merge Dictionary tables LITH and LITH" in out, "dictionaries refused")
    check("Merged... 3 entities" in out, "three entities merged, the other project's not counted")
    links = links_of(os.path.join(root, "out.dxf"))
    check(sorted(l[:3] for l in links if l[0] == "MASTER") ==
          [("MASTER", "STATN", 101), ("MASTER", "STATN", 102), ("MASTER", "STATN", 103)],
          "entities follow their rows: %r" % links)
    check(("ELSEWHERE", "STATN", 1) in [l[:3] for l in links], "another project's entity untouched")
    doc = ezdxf.readfile(os.path.join(root, "out.dxf"))
    ase = doc.appids.get("ASE") if "ASE" in doc.appids else None
    check(ase is not None and ase.has_xdata("ASE"), "the link store holds host links")


def test_maps_alone(args, work):
    root = os.path.join(work, "maps")
    make_projects(root)
    drawing(os.path.join(root, "in.dxf"), [("SLAVE", "STATN", 17, "BASENUMBER", "17")])
    out = pvhost(args, root, LOGON + MERGE_DIALOG + "ok\nALL\n\nSAVE out.dxf\n(pv_logoff)\nQUIT\n")
    check(links_of(os.path.join(root, "out.dxf"))[0][:3] == ("MASTER", "STATN", 117), "row 17 becomes 117")
    check("Merged... 1 entities" in out, "one entity merged")
    check([int(r["BASENUMBER"]) for r in rows(root, "MASTER", "STATN")] == [50, 100], "no rows merged")


def test_dialog_checks(args, work):
    root = os.path.join(work, "checks")
    make_projects(root)
    drawing(os.path.join(root, "in.dxf"), [])
    out = pvhost(args, root, LOGON + "pv-merge\npv_merge\nok\nshow\nselect mrg_master 1\nok\nshow\nselect mrg_slave 1\nok\nshow\n"
                 "select mrg_slave 0\npick mrg_map\nok\nshow\npick mrg_dbf\nok\npv_yesno_small\npick no\nshow\ncancel\n"
                 "(pv_logoff)\nQUIT\n")
    for text in ("ERROR:  No master project chosen", "ERROR:  No slave project chosen",
                 "ERROR:  Same master and slave projects", "ERROR:  Choose map or database for merging"):
        check(text in out, "accept shows %r" % text)
    check([int(r["BASENUMBER"]) for r in rows(root, "MASTER", "STATN")] == [50, 100], "no to the question merges nothing")


MEMO_ONE = "Granite, pink, coarse grained; feldspar megacrysts up to 4 cm. " * 3
MEMO_TWO = "Fault zone: breccia with quartz veins / calcite. Strike 040. " * 2


def unnumbered_projects(root):
    """MASTER without STATNMEM; SLAVE rows without a number of their own
    (blank, 0, -7) beside rows 1 and 2 with memos; SLAVE's STATN2 holds a
    number the master's column cannot take, so that table is refused."""
    shutil.rmtree(root, ignore_errors=True)
    for name, statn, statn2, memo in (
            ("MASTER", [(50, 1, "Fifty", ""), (100, 2, "Hundred", "")], [(1, 1)], None),
            ("SLAVE", [(1, 1, "One", "MEMO"), (2, 2, "Two", "MEMO"), (None, 3, "Blank", ""), (0, 4, "Zero", ""),
                       (-7, 5, "Minus", "")], [(1, 1), (2, 2), (99999999, 3)],
             e2e_lines(1, MEMO_ONE) + e2e_lines(2, MEMO_TWO))):
        d = os.path.join(root, "projects", name)
        os.makedirs(d)
        table(os.path.join(d, "STATN.DBF"), "BASENUMBER N(8,0); STATION N(8,0); NAME C(20); NOTES C(20)", statn)
        table(os.path.join(d, "STATN2.DBF"), "BASENUMBER N(8,0); STATION N(8,0)", statn2)
        if memo:
            table(os.path.join(d, "STATNMEM.DBF"), "BASENUMBER N(8,0); ORDNUMBER N(8,0); MEMOTEXT C(70)", memo)
        table(os.path.join(d, "PVTABLE.DBF"), PVTABLE_FIELDS,
              [registry_row("STATN", "STATION", "STATION"), registry_row("STATN2", "STATION", "STATION")])
        table(os.path.join(d, "PVCOLUMN.DBF"), PVCOLUMN_FIELDS,
              [("NOTES", "STATN", "", "", 0x200, 0, 0, 0, " ", "", 0, 0)])
    with open(os.path.join(root, "asi.ini"), "w") as f:
        f.write("[ENVIRONMENTS]\nDB3=\n\n[DB3]\nDriver=pvdb3\nPETRIVEX=projects\nPETRIVEX.MASTER=MASTER\n"
                "PETRIVEX.SLAVE=SLAVE\n\n[ASE_CATALOGS]\nMASTER=projects\nSLAVE=projects\n\n"
                "[PETRIVEX_MISC]\nMASTER.links=1\nSLAVE.links=0\n")
    # Links of rows without a number of their own hold row 0; they name
    # their row by another column.
    drawing(os.path.join(root, "in.dxf"), [("SLAVE", "STATN", n, "BASENUMBER", str(n)) for n in (0, 1, 2)] +
            [("SLAVE", "STATN", 0, "NAME", "Blank"), ("SLAVE", "STATN", 0, "NAME", "Minus"),
             ("SLAVE", "STATN2", 2, "BASENUMBER", "2")])


def e2e_lines(number, text):
    """The memo lines of a text as the memo editor stores them (68 at most)."""
    words, lines, line = text.split(), [], ""
    for w in words:
        if line and len(line) + 1 + len(w) > 68:
            lines.append(line)
            line = w
        else:
            line = (line + " " + w).strip()
    lines.append(line)
    return [(number, i + 1, l) for i, l in enumerate(lines)]


def test_unnumbered_rows_and_memos(args, work):
    """Rows without a number of their own get distinct numbers above the
    master's, with their links, whether the maps are merged before the
    database or with it; memos reach a master without a side table; a table
    with a refused row is not merged at all and its links stay."""
    expected = [(50, "Fifty"), (100, "Hundred"), (101, "One"), (102, "Two"), (103, "Blank"), (104, "Zero"),
                (105, "Minus")]
    refused = "pv_alert_wrap\nshow\nok\n"
    for order, script in (("maps first", MERGE_DIALOG + "ok\nALL\n\n" + MERGE_DIALOG + "pick mrg_map\npick mrg_dbf\n"
                           "ok\npv_yesno_small\nok\n" + refused),
                          ("together", MERGE_DIALOG + "pick mrg_dbf\nok\npv_yesno_small\nok\n" + refused + "ALL\n\n")):
        root = os.path.join(work, "unnumbered " + order)
        unnumbered_projects(root)
        out = pvhost(args, root, LOGON + script + "SAVE out.dxf\n(pv_logoff)\nQUIT\n")
        statn = [(int(r["BASENUMBER"]), r["NAME"].strip()) for r in rows(root, "MASTER", "STATN")]
        check(statn == expected, "%s: distinct new numbers %r" % (order, statn))
        links = sorted(l[:3] for l in links_of(os.path.join(root, "out.dxf")))
        want = [("MASTER", "STATN", n) for n in (101, 102, 103, 104, 105)]
        if order == "together":
            want.append(("SLAVE", "STATN2", 2))
        check([l for l in links if l[1] == "STATN" or order == "together"] == want,
              "%s: each entity follows its own row %r" % (order, links))
        memo = rows(root, "MASTER", "STATNMEM")
        for new, text in ((101, MEMO_ONE), (102, MEMO_TWO)):
            lines = sorted((int(r["ORDNUMBER"]), r["MEMOTEXT"]) for r in memo if int(r["BASENUMBER"]) == new)
            check(" ".join(l for _, l in lines).split() == text.split(), "%s: memo of %d in order" % (order, new))
        check([int(r["BASENUMBER"]) for r in rows(root, "MASTER", "STATN2")] == [1],
              "%s: STATN2 left as it was" % order)
        report = out[out.find("The following tables were merged:"):]
        check("STATN2" not in report, "%s: STATN2 not listed as merged" % order)
        check("Table STATN2 was not merged" in out and "99999999" in out, "%s: refusal names table and row" % order)


def test_rename(args, work):
    root = os.path.join(work, "rename")
    make_projects(root)
    drawing(os.path.join(root, "in.dxf"), [("OLDP", "ROCK", 17, "BASENUMBER", "17"),
                                          ("OLDP", "SAMPLE", 18, "BASENUMBER", "18"),
                                          ("THIRD", "ROCK", 19, "BASENUMBER", "19")])
    out = pvhost(args, root, '(pv_open "NEWP" "DB3" "" "")\npv-rename\npv_rename\nset ren_old_prj OLD P\nok\nshow\n'
                 "set ren_old_prj OLDP\nset ren_new_prj NOTON\nok\nshow\nset ren_new_prj NEWP\nset ren_old_tbl ROCK\n"
                 "set ren_new_tbl ROCKS\nok\nALL\n\nSAVE out.dxf\n(pv_logoff)\nQUIT\n")
    check("Invalid Old Project Name" in out, "a blank inside the old project is refused")
    check("Must be logged on to target project" in out, "a target not logged on is refused")
    check("Renamed... 2 entities" in out, "two entities renamed")
    links = sorted(links_of(os.path.join(root, "out.dxf")))
    check(links == [("NEWP", "ROCKS", 17, "BASENUMBER", "17", ""), ("NEWP", "SAMPLE", 18, "BASENUMBER", "18", ""),
                    ("THIRD", "ROCK", 19, "BASENUMBER", "19", "")], "renamed links %r" % links)


def main():
    if len(sys.argv) != 5:
        raise SystemExit(__doc__)
    args = sys.argv[1:4]
    work = sys.argv[4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    test_database_and_maps(args, work)
    test_maps_alone(args, work)
    test_dialog_checks(args, work)
    test_unnumbered_rows_and_memos(args, work)
    test_rename(args, work)
    if FAILURES:
        raise SystemExit("%d check(s) failed" % len(FAILURES))
    print("pv-merge and pv-rename end to end: all checks passed")


if __name__ == "__main__":
    main()
