#!/usr/bin/python3
"""pv-import end to end through pvhost scripts: text rows appended and
updated in the sample project GEO, refused rows in the error file with
their values whole and the corrected error file imported again, UTF-8 and
Windows-1252 input, the driver killed at ten points of an import of rows
with memos, an import cut between the listing of a row's number and its
insert while a second user then stores a row under that number, points
converted from a geographic system, and, on a project made here with the
python dbf module, the Fieldworker layout, an OTHER table updated by its
number, the dialog's option checks and the registration of a dBASE table.

  import_e2e.py PVHOST MODULE RESOURCES WORKDIR KILL_AT_LIBRARY

An import updating rows is cut too, pvhost killed as its driver writes
(the library tests/kill_at.cpp preloaded): the next logon names the table
left part updated, and importing the file again finishes it.
"""
import datetime
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import dbfread

from e2e_tables import (FAILURES, PVCOLUMN_FIELDS, PVTABLE_FIELDS, check, children, cut_before_insert, registry_row,
                        run_cut, second_user, table, wrapped)



MEMO_FLAG = 0x200
# The library that cuts a program at a chosen call (tests/kill_at.cpp).
KILL_AT = []


def rows(root, prj, name):
    return [dict(r) for r in dbfread.DBF(os.path.join(root, "projects", prj, name + ".DBF"), encoding="cp1252")]


def pvhost(args, root, script):
    with open(os.path.join(root, "run.scr"), "w", encoding="utf-8") as f:
        f.write(script)
    pv, module, resources = args
    env = dict(os.environ, ASI_INI=os.path.join(root, "asi.ini"), HOME=root,
               XDG_DATA_HOME=os.path.join(root, "data"))
    r = subprocess.run([pv, "--script", "run.scr", "--module", module, "--resources", resources],
                       cwd=root, env=env, capture_output=True, text=True, timeout=120)
    print(r.stdout)
    print(r.stderr, file=sys.stderr)
    check(r.returncode == 0, "pvhost exit status %d" % r.returncode)
    return r.stdout


def put(root, name, data):
    path = os.path.join(root, name)
    with open(path, "wb") as f:
        f.write(data)
    return path


def text_import(path, table, coldel, txtdel, mode, columns, proj=None, fieldworker=False, extra=""):
    """The answers of pv_import and pv_importxt for one text import."""
    lines = ["pv-import", "pv_import", "set imp_fname " + path, "pick imp_text", "pick import",
             "pv_importxt", "select txt_table %d" % table]
    if fieldworker:
        lines.append("pick txt_fw")
    lines += ["set txt_coldel " + coldel, "set txt_txtdel " + txtdel, "pick txt_" + mode]
    if columns:
        lines.append("select txt_output " + " ".join(str(c) for c in columns))
    if proj is not None:
        lines.append("select txt_proj %d" % proj)
    lines.append("pick import")
    return "\n".join(lines) + "\n" + extra


# ---- GEO: STATN (BASENUMBER, STN, NAME, EASTING, NORTHING, ELEV, ROCKTYPE) in UTM 10 NAD27

def geo_root(work, name):
    root = os.path.join(work, name)
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(root)
    shutil.copytree(os.path.join(sys.argv[3], "projects"), os.path.join(root, "projects"))
    shutil.copy(os.path.join(sys.argv[3], "asi.ini"), os.path.join(root, "asi.ini"))
    return root


GEO = '(pv_open "GEO" "DB3" "" "")\n'
STATN_COLUMNS = [1, 2, 3, 4, 5, 6]


def test_append_and_update(args, work):
    root = geo_root(work, "append")
    first = put(root, "first.txt", b'7,"Clinton, BC",600000,5600000,100,granite\n'
                b'8,Montr\xe9al,601000,5601000,200,gneiss\n\n'
                b"9,O'Neil Creek,602000,5602000,300,schist\n"
                b'7,Twin,1,2,3,x\n'
                b'12,Short\n')
    update = put(root, "update.txt", b"3,Bonaparte Ridge\n7,Two of them\n9,O'Neil Updated\n")
    out = pvhost(args, root, GEO + text_import(first, 0, ",", '"', "append", STATN_COLUMNS) +
                 text_import(update, 0, ",", "", "update", [1, 2]) + "(pv_logoff)\nQUIT\n")
    statn = rows(root, "GEO", "STATN")
    got = [(int(r["BASENUMBER"]), int(r["STN"]), r["NAME"].strip()) for r in statn]
    check(got[5:9] == [(6, 7, "Clinton, BC"), (7, 8, "Montréal"), (8, 9, "O'Neil Updated"), (9, 7, "Twin")],
          "appended above the highest number, blank line gives its number back: %r" % got[5:9])
    check(statn[5]["EASTING"] == 600000 and statn[5]["ELEV"] == 100 and statn[5]["ROCKTYPE"] == "granite",
          "every later column in place: %r" % statn[5])
    check(got[2] == (3, 3, "Bonaparte Ridge") and statn[2]["ROCKTYPE"] == "Basalt",
          "one matching row updated, unselected columns kept: %r" % statn[2])
    check(got[10:] == [(11, 7, "Two of them")], "two matching rows make a new row: %r" % got[9:])
    check(len(got) == 11, "no row duplicated: %d rows" % len(got))
    short = statn[9]
    check((short["STN"], short["NAME"], short["EASTING"], short["ROCKTYPE"]) == (12, "Short", None, ""),
          "a short line leaves the missing columns empty: %r" % short)
    check("Imported: 5 rows into STATN" in out, "append alert")
    check("Imported: 3 rows into STATN" in out, "update alert")
    check(not os.path.exists(os.path.join(root, "projects", "GEO", "STATN.ERR")),
          "imports that refuse nothing leave no error file of their own")


def in_short_root(args, name, test, make=None):
    """Runs test(args, root) on a copy of GEO (or the project make gives)
    under a short temporary root. The alert names the error file by its
    full path; the short root keeps its length, and so whether it goes to
    the wrapping alert, the same wherever the build lives."""
    short = tempfile.mkdtemp(prefix="pvimp")
    try:
        test(args, (make or geo_root)(short, name))
    finally:
        shutil.rmtree(short, ignore_errors=True)


def test_refused_rows(args, work):
    in_short_root(args, "refused", refused_rows)


def error_line(stn, name, e, n, z, rock):
    """A line of STATN.ERR: each value padded to its column, never cut."""
    return (b"%-11s" % stn + b',"%-20s"' % name + b",%-20s,%-20s,%-20s" % (e, n, z) + b',"%-20s"' % rock + b"\r\n")


def said(text, out):
    """Whether the transcript holds the text, runs of blanks and line ends aside."""
    return " ".join(text.split()) in " ".join(out.split())


# Answers of the wrapping alert that a message too long for a plain one opens.
WRAP = "pv_alert_wrap\nshow\nok\n"


def refused_rows(args, root):
    # A unique index on STN makes the driver refuse stations 3 and 4, which exist.
    with open(os.path.join(root, "projects", "GEO", "STATN.INI"), "w") as f:
        f.write("; indexes of table STATN\n[STATNSTN]\nUnique=1\nColumns=STN\n")
    # Station 123456789012 is wider than STN (N 11): refused, never cut.
    bad = put(root, "bad.txt", b"3,First,1,2,3,a\n11,Good,1,2,3,b\n4,Second,4,5,6,c\n123456789012,Wide,7,8,9,d\n")
    err = os.path.join(root, "projects", "GEO", "STATN.ERR")
    out = wrapped(pvhost(args, root, GEO + text_import(bad, 0, ",", '"', "append", STATN_COLUMNS, extra=WRAP) +
                         "(pv_logoff)\nQUIT\n"))
    with open(err, "rb") as f:
        data = f.read()

    line = error_line
    want = (line(b"3", b"First", b"1", b"2", b"3", b"a") + line(b"4", b"Second", b"4", b"5", b"6", b"c") +
            line(b"123456789012", b"Wide", b"7", b"8", b"9", b"d"))
    check(data == want, "error file byte for byte, the wide value whole: %r" % data)
    # unwrapped and without blanks: the alert breaks a long path wherever its line ends
    flat = out.replace(" ", "").replace("//", "/")
    check(os.path.realpath(err).replace(" ", "") in flat or "GEO/STATN.ERR" in flat, "alert names the error file")
    check(said("Imported: 1 rows into STATN\n\nERRORS: 3 rows written to", out), "alert gives both counts")
    check("Line 1: the database refused the row: duplicate key in unique index STATNSTN" in out,
          "the first reason the database gave is named")
    got = [(int(r["BASENUMBER"]), r["NAME"].strip()) for r in rows(root, "GEO", "STATN")]
    check(got[5:] == [(6, "Good")], "refused rows give their numbers back, the wide one not cut: %r" % got[5:])
    # Corrected in place and imported from the project's folder: the table's own .ERR file imports.
    fixed = data.replace(b"3          ,", b"21         ,").replace(b"4          ,", b"22         ,")
    fixed = fixed.replace(b"123456789012,", b"123456789   ,")
    with open(err, "wb") as f:
        f.write(fixed)
    out = pvhost(args, root, GEO + text_import(err, 0, ",", '"', "append", STATN_COLUMNS) + "(pv_logoff)\nQUIT\n")
    check("Imported: 3 rows into STATN" in out and "ERRORS" not in out, "the corrected error file imports")
    got = [(r["STN"], r["NAME"].strip(), r["EASTING"]) for r in rows(root, "GEO", "STATN")]
    check(got[6:] == [(21, "First", 1), (22, "Second", 4), (123456789, "Wide", 7)],
          "the corrected rows are in the table: %r" % got[6:])
    with open(err, "rb") as f:
        check(f.read() == fixed, "an import that refuses nothing leaves the error file as it was")


def test_code_pages(args, work):
    in_short_root(args, "codepage", code_pages)


def code_pages(args, root):
    # Windows-1252 with a byte the code page leaves unassigned, then UTF-8
    # with a character it lacks: each refuses its own row only.
    cp = put(root, "cp.txt", b"34,Ok\xe9,1,2,3,a\n35,Bad\x81,1,2,3,b\n")
    utf = put(root, "utf.txt", "31,Montréal,1,2,3,gneiss\n32,Zürich € œ,1,2,3,x\n33,中山,1,2,3,y\n,中\n".encode())
    # Each line of a file in its own encoding: UTF-8, then Windows-1252.
    mixed = put(root, "mixed.txt", b"36,Montr\xc3\xa9al,1,2,3,m\n37,Montr\xe9al,1,2,3,n\n")
    out = wrapped(pvhost(args, root, GEO + text_import(cp, 0, ",", '"', "append", STATN_COLUMNS, extra=WRAP) +
                         text_import(utf, 0, ",", '"', "append", STATN_COLUMNS, extra=WRAP) +
                         text_import(mixed, 0, ",", '"', "append", STATN_COLUMNS) + "(pv_logoff)\nQUIT\n"))
    try:
        got = [(r["STN"], r["NAME"].strip()) for r in rows(root, "GEO", "STATN")][5:]
    except UnicodeDecodeError as e:
        got = "unreadable in Windows-1252: %s" % e
    check(got == [(34, "Oké"), (31, "Montréal"), (32, "Zürich € œ"), (36, "Montréal"), (37, "Montréal")],
          "every file stored in Windows-1252 as typed, line by line: %r" % got)
    check("Line 2: NAME holds the byte 0x81, which Windows-1252 leaves unassigned" in out, "the byte 0x81 is named")
    check("Line 3: NAME holds U+4E2D, a character Windows-1252 lacks" in out, "the character U+4E2D is named")
    with open(os.path.join(root, "projects", "GEO", "STATN.ERR"), "rb") as f:
        data = f.read()
    want = (error_line(b"33", "中山".encode(), b"1", b"2", b"3", b"y") +
            error_line(b"", "中".encode(), b"", b"", b"", b""))
    check(data == want, "the refused row kept in the .ERR as read, in UTF-8: %r" % data)


def test_driver_killed(args, work):
    """The driver killed at ten points of a 3,000-row import into STATN, whose
    unique STN refuses every tenth row and whose ROCKTYPE is a memo: no row
    is both in the table and in the .ERR, an import cut short says so, and
    once the project is logged on again every row has its memo line and no
    line is left without its row."""
    total = 3000
    record = 123   # bytes of a STATN record
    for point in range(10):
        root = geo_root(work, "killed")
        with open(os.path.join(root, "projects", "GEO", "STATN.INI"), "w") as f:
            f.write("; indexes of table STATN\n[STATNSTN]\nUnique=1\nColumns=STN\n")
        table(os.path.join(root, "projects", "GEO", "PVCOLUMN.DBF"), PVCOLUMN_FIELDS,
              [("ROCKTYPE", "STATN", "", "", MEMO_FLAG, 0, 0, 0, " ", "", 0, 0)])
        many = put(root, "many.txt", b"".join(b"%d,N%05d,1,2,3,r\n" % (100 + i if i % 10 else 1 + i // 10 % 5, i)
                                              for i in range(total)))
        with open(os.path.join(root, "run.scr"), "w") as f:
            f.write(GEO + text_import(many, 0, ",", '"', "append", STATN_COLUMNS, extra=WRAP) + "QUIT\n")
        dbf = os.path.join(root, "projects", "GEO", "STATN.DBF")
        kill_at = os.path.getsize(dbf) + (20 + point * 280) * record
        env = dict(os.environ, ASI_INI=os.path.join(root, "asi.ini"), HOME=root,
                   XDG_DATA_HOME=os.path.join(root, "data"))
        pv = subprocess.Popen([args[0], "--script", "run.scr", "--module", args[1], "--resources", args[2]],
                              cwd=root, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        killed = False
        started = time.time()
        while pv.poll() is None and not killed and time.time() - started < 60:
            if os.path.getsize(dbf) >= kill_at:
                for driver in children(pv.pid, "pvdb3"):
                    os.kill(driver, signal.SIGKILL)
                    killed = True
            time.sleep(0.001)
        out = wrapped(pv.communicate(timeout=120)[0])
        names = [r["NAME"] for r in rows(root, "GEO", "STATN")][5:]
        err = os.path.join(root, "projects", "GEO", "STATN.ERR")
        refused = []
        if os.path.exists(err):
            with open(err, "rb") as f:
                refused = [l.split(b",")[1].strip(b'" ').decode() for l in f.read().splitlines()]
        check(not set(names) & set(refused), "kill %d: rows both in the table and the .ERR: %r" %
              (point, sorted(set(names) & set(refused))))
        check(all(int(n[1:]) % 10 == 0 for n in refused), "kill %d: only refused rows in the .ERR" % point)
        stop = re.search(r"The import stopped at line \d+: [^.]*", out)
        print("kill %d: %d rows in the table, %d in the .ERR; %s" % (point, len(names), len(refused),
                                                                   stop.group(0) if stop else "not stopped"))
        m = re.search(r"Imported: (\d+) rows into STATN", out)
        imported = int(m.group(1)) if m else -1
        if len(names) + len(refused) < total:
            check("The import stopped at line %d: the driver of DB3" % (len(names) + len(refused) + 1) in out or
                  "The import stopped at line %d: the driver of DB3" % (len(names) + len(refused)) in out,
                  "kill %d: the import says where it stopped and why" % point)
            check(imported in (len(names), len(names) - 1), "kill %d: %d imported, %d in the table" %
                  (point, imported, len(names)))
        else:
            check(imported == len(names), "kill %d came too late: %d imported, %d in the table" %
                  (point, imported, len(names)))
        pvhost(args, root, GEO + "(pv_logoff)\nQUIT\n")
        kept = rows(root, "GEO", "STATN")[5:]
        memo = os.path.join(root, "projects", "GEO", "STATNMEM.DBF")
        lines = [int(r["BASENUMBER"]) for r in dbfread.DBF(memo)] if os.path.exists(memo) else []
        check(sorted(lines) == sorted(int(r["BASENUMBER"]) for r in kept) and
              all(r["ROCKTYPE"] == "MEMO" for r in kept),
              "kill %d: each row with its memo line and no line without its row, after the next logon: "
              "%d rows, %d lines" % (point, len(kept), len(lines)))


def test_update_killed(args, work):
    """An import updating 300 stations of STATN by their STN, pvhost killed
    as its driver makes its 30th, 150th or 290th call of file work (about
    one a row): the next logon says STATN was left part updated by the
    import, and importing the file again updates every station once. A
    damaged mark of the update is set aside by the logon, named, and the
    update then runs."""
    for at in (30, 150, 290):
        root = geo_root(work, "update killed")
        add = put(root, "add.txt", b"".join(b"%d,N%05d,1,2,3,r\n" % (100 + i, i) for i in range(300)))
        upd = put(root, "upd.txt", b"".join(b"%d,Updated %d\n" % (100 + i, i) for i in range(300)))
        pvhost(args, root, GEO + text_import(add, 0, ",", '"', "append", STATN_COLUMNS) + "(pv_logoff)\nQUIT\n")
        cut = run_cut(args, root, GEO + text_import(upd, 0, ",", "", "update", [1, 2]) + "(pv_logoff)\nQUIT\n",
                      KILL_AT[0], at, "pvdb3", "parent")[1]
        updated = sum(r["NAME"].startswith("Updated") for r in rows(root, "GEO", "STATN"))
        check(cut and 0 < updated < 300, "kill at %d: the update is cut part way: %d rows updated" % (at, updated))
        out = pvhost(args, root, GEO + "(pv_logoff)\nQUIT\n")
        check("Table STATN was left part updated by an import of upd.txt cut short; import it again to finish." in out,
              "kill at %d: the next logon names the table left part updated: %s" % (at, out[-800:]))
        pvhost(args, root, GEO + text_import(upd, 0, ",", "", "update", [1, 2]) + "(pv_logoff)\nQUIT\n")
        names = sorted(r["NAME"] for r in rows(root, "GEO", "STATN")[5:])
        check(names == sorted("Updated %d" % i for i in range(300)),
              "kill at %d: imported again, every station updated once: %d rows" % (at, len(names)))
    # A mark the logon cannot use (written by hand, without its checks) is
    # set aside and named, and stands in no later update's way.
    mark = os.path.join(root, "projects", "GEO", "STATN.MRI")
    put(root, mark, b"STATN\nupd.txt\n")
    out = pvhost(args, root, GEO + WRAP + text_import(upd, 0, ",", "", "update", [1, 2]) + "(pv_logoff)\nQUIT\n")
    check(re.sub(r"\s", "", "The mark %s of an import cut short was not used: its line 1 has no check. It is set "
                 "aside as %s.BAD" % (mark, mark)) in re.sub(r"\s", "", wrapped(out)) and
          os.path.exists(mark + ".BAD") and not os.path.exists(mark),
          "a damaged mark of an update is set aside, named: %s" % out[-800:])
    check("Imported: 300 rows into STATN" in out, "an update then runs: %s" % out[-400:])


def test_number_taken(args, work):
    """An import of rows with memos into STATN cut after a row's number is
    listed in its mark and before its insert; a second user, logged on
    before the cut, then adds a station, which takes that number. The next
    logon of the importer keeps the second user's row and names it, and
    every row the import stored keeps its memo line."""
    root = geo_root(work, "taken")
    geo = os.path.join(root, "projects", "GEO")
    table(os.path.join(geo, "PVCOLUMN.DBF"), PVCOLUMN_FIELDS,
          [("ROCKTYPE", "STATN", "", "", MEMO_FLAG, 0, 0, 0, " ", "", 0, 0)])
    many = put(root, "many.txt", b"".join(b"%d,N%05d,1,2,3,r\n" % (100 + i, i) for i in range(500)))
    other = second_user(args, root, GEO)
    with open(os.path.join(root, "run.scr"), "w") as f:
        f.write(GEO + text_import(many, 0, ",", '"', "append", STATN_COLUMNS, extra=WRAP) + "QUIT\n")
    env = dict(os.environ, ASI_INI=os.path.join(root, "asi.ini"), HOME=root,
               XDG_DATA_HOME=os.path.join(root, "data"))
    pv = subprocess.Popen([args[0], "--script", "run.scr", "--module", args[1], "--resources", args[2]],
                          cwd=root, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    taken = cut_before_insert(pv, os.path.join(geo, "STATN.DBF"), os.path.join(geo, "STATN-*.MRG"))
    check(taken is not None, "the import is cut before an insert")
    # Answered from a pipe, the dialogs come without their names.
    added = other.communicate("pv-add\nselect edit_list 1\nset edit_col 77\nselect edit_list 2\n"
                              "set edit_col Second user\nselect edit_list 3\nset edit_col 600000\nselect edit_list 4\n"
                              "set edit_col 5600000\nok\ncancel\n(pv_logoff)\nQUIT\n", timeout=60)[0]
    names = {int(r["BASENUMBER"]): r["NAME"].strip() for r in rows(root, "GEO", "STATN")}
    check(names.get(taken) == "Second user", "the second user's row takes number %r: %s" % (taken, added[-800:]))
    out = wrapped(pvhost(args, root, GEO + WRAP + "(pv_logoff)\nQUIT\n"))
    kept = rows(root, "GEO", "STATN")
    names = {int(r["BASENUMBER"]): r["NAME"].strip() for r in kept}
    check(names.get(taken) == "Second user", "the second user's row %r stays: %r" % (taken, names.get(taken)))
    check(said("these rows are another writer's or were changed since, and stay: STATN row %d." % taken, out),
          "the logon names row %r: %s" % (taken, out[-800:]))
    memo = os.path.join(geo, "STATNMEM.DBF")
    lines = sorted(int(r["BASENUMBER"]) for r in dbfread.DBF(memo)) if os.path.exists(memo) else []
    check(lines == sorted(int(r["BASENUMBER"]) for r in kept if r["ROCKTYPE"] == "MEMO"),
          "each imported row with its memo line and no line without its row: %r" % lines[-5:])


def test_points(args, work):
    in_short_root(args, "points", points)


def points(args, root):
    # STATN again with millimetres in its point columns.
    statn = os.path.join(root, "projects", "GEO", "STATN.DBF")
    old = rows(root, "GEO", "STATN")
    os.remove(statn)
    table(statn, "BASENUMBER N(11,0); STN N(11,0); NAME C(20); EASTING N(14,3); NORTHING N(14,3); ELEV N(10,1); "
          "ROCKTYPE C(20)", [tuple(r.values()) for r in old])
    # Geographic input with the X column before the Y column: latitude
    # first. Latitude 95, and WGS 84 (no fitted path to NAD27), cannot be
    # converted: their rows go to the .ERR as read.
    pts = put(root, "pts.txt", b"21,P1,50.7,-121.5\n23,P3,95,-121.5\n22,P2,50.25,-122.1\n")
    wgs = put(root, "wgs.txt", b"24,P4,50.7,-121.5\n")
    out = wrapped(pvhost(args, root, GEO + text_import(pts, 0, ",", "", "append", [1, 2, 3, 4], proj=4, extra=WRAP) +
                         text_import(wgs, 0, ",", "", "append", [1, 2, 3, 4], proj=14, extra=WRAP) +
                         "(pv_logoff)\nQUIT\n"))
    check(said("Imported: 2 rows into STATN\n\nERRORS: 1 rows", out), "convertible points imported, the other refused")
    check("Line 2: EASTING, NORTHING: latitude 95 lies outside -90 to 90" in out, "latitude 95 refused with its reason")
    check("Line 1: EASTING, NORTHING: the point -121.5, 50.7 cannot be converted from GEOGRAPHIC WGS 84 into "
          "UTM 10 NAD27" in out, "a system without a path to the table's refused with its reason")
    err = os.path.join(root, "projects", "GEO", "STATN.ERR")
    check(os.path.exists(err) and open(err, "rb").read().startswith(b"24         ,P4                  ,50.7"),
          "the WGS 84 row in the .ERR as read")
    got = [(r["EASTING"], r["NORTHING"]) for r in rows(root, "GEO", "STATN")][5:]
    cs = subprocess.run(["cs2cs", "+proj=longlat", "+ellps=clrk66", "+to", "+proj=utm", "+zone=10",
                         "+ellps=clrk66", "-f", "%.4f"], input="-121.5 50.7\n-122.1 50.25\n",
                        capture_output=True, text=True)
    want = [tuple(float(v) for v in l.split()[:2]) for l in cs.stdout.splitlines()]
    check(len(got) == 2 and len(want) == 2 and
          all(abs(g[0] - w[0]) < 0.0011 and abs(g[1] - w[1]) < 0.0011 for g, w in zip(got, want)),
          "UTM of the geographic points as cs2cs gives them, to the millimetre: %r against %r" % (got, want))


# ---- FLD: a project made here

def fld_root(work, name, gone=False, visit=False):
    root = os.path.join(work, name)
    shutil.rmtree(root, ignore_errors=True)
    d = os.path.join(root, "projects", "FLD")
    os.makedirs(d)
    table(os.path.join(d, "STATN.DBF"), "BASENUMBER N(8,0); STATION C(10); X N(14,6); Y N(14,6); Z N(8,0); "
          "GEOL C(20)", [])
    table(os.path.join(d, "ROCKS.DBF"), "BASENUMBER N(8,0); STATION C(10); ROCK C(10); NAME C(20)", [])
    table(os.path.join(d, "OTHR.DBF"), "BASENUMBER N(8,0); LABEL C(20); REMARK C(10)",
          [(1, "one", ""), (2, "two", "")])
    table(os.path.join(d, "OTHRMEM.DBF"), "BASENUMBER N(8,0); ORDNUMBER N(8,0); MEMOTEXT C(70)",
          [(2, 1, "old memo")])
    table(os.path.join(d, "PVTABLE.DBF"), PVTABLE_FIELDS,
          [registry_row("OTHR", "OTHER"), registry_row("ROCKS", "ROCK", STATION="STATION", ROCK="ROCK"),
           registry_row("STATN", "STATION", STATION="STATION")] + ([registry_row("KEYLS", "UNIT")] if gone else []) +
          ([registry_row("VISIT", "OTHER")] if visit else []))
    if visit:
        table(os.path.join(d, "VISIT.DBF"), "BASENUMBER N(8,0); LABEL C(10); SEEN D; OK L", [])
    if gone:
        table(os.path.join(d, "KEYLS.DBF"), "BASENUMBER N(8,0); LABEL C(20)", [])
    table(os.path.join(d, "PVCOLUMN.DBF"), PVCOLUMN_FIELDS,
          [("REMARK", "OTHR", "", "", MEMO_FLAG, 0, 0, 0, " ", "", 0, 0)])
    table(os.path.join(d, "PVPOINT.DBF"), "TABLENAME C(20); XCOLUMN C(20); YCOLUMN C(20); ZCOLUMN C(20); "
          "SYMCOLUMN C(20); PROJECTION C(32)", [("STATN", "X", "Y", "Z", "", "GEOGRAPHIC WGS 84")])
    with open(os.path.join(root, "asi.ini"), "w") as f:
        f.write("[ENVIRONMENTS]\nDB3=\n\n[DB3]\nDriver=pvdb3\nPETRIVEX=projects\nPETRIVEX.FLD=FLD\n\n"
                "[ASE_CATALOGS]\nFLD=projects\n\n[PETRIVEX_MISC]\nFLD.links=0\n")
    return root


FLD = '(pv_open "FLD" "DB3" "" "")\n'
# Tables of FLD in list order: OTHR 0, ROCKS 1, STATN 2.


def test_fieldworker(args, work):
    in_short_root(args, "fw", fieldworker, fld_root)


def fieldworker(args, root):
    # Degrees that are not a number (abc, 45,5 in a tab-delimited file) refuse their records.
    rec = put(root, "fw.txt", b"0\tST1\t2\t3\t4\t45\t30\tS\t75\t15\tW\t120\t12\t13\t14\tgneiss\tR1\tgranite\n"
              b"0\tST2\t2\t3\t4\tabc\t30\tN\t75\t15\tW\t120\t12\t13\t14\tgneiss\tR2\tgranite\n"
              b"0\tST3\t2\t3\t4\t45,5\t0\tN\t75\t15\tW\t120\t12\t13\t14\tgneiss\tR3\tgranite\n")
    again = put(root, "fw2.txt", b"0,ST1,2,3,4,46,0,N,75,15,W,130,12,13,14,schist,R1,granite\n")
    out = wrapped(pvhost(args, root, FLD + text_import(rec, 2, "tab", "", "append", None, fieldworker=True,
                                                         extra=WRAP) +
                         text_import(rec, 1, "TAB", "", "append", None, fieldworker=True, extra=WRAP) +
                         "(pv_logoff)\nQUIT\n"))
    check(out.count("ERRORS: 2 rows") == 2 and out.count("Line 2: latitude degrees abc is not a number") == 2,
          "records whose degrees are not a number refused")
    statn = rows(root, "FLD", "STATN")
    check(len(statn) == 1 and statn[0]["STATION"] == "ST1" and abs(statn[0]["Y"] + 45.5) < 1e-9 and
          abs(statn[0]["X"] + 75.25) < 1e-9 and statn[0]["Z"] == 120 and statn[0]["GEOL"] == "gneiss",
          "Fieldworker station row: %r" % statn)
    out += pvhost(args, root, FLD + text_import(again, 2, ",", "", "update", None, fieldworker=True) +
                  "(pv_logoff)\nQUIT\n")
    statn = rows(root, "FLD", "STATN")
    check(len(statn) == 1 and statn[0]["BASENUMBER"] == 1 and statn[0]["STATION"] == "ST1" and
          abs(statn[0]["Y"] - 46.0) < 1e-9 and abs(statn[0]["X"] + 75.25) < 1e-9 and statn[0]["Z"] == 130 and
          statn[0]["GEOL"] == "schist", "Fieldworker update of the station row, number kept: %r" % statn)
    rocks = [(r["STATION"], r["ROCK"], r["NAME"]) for r in rows(root, "FLD", "ROCKS")]
    check(rocks == [("ST1", "R1", "granite")], "Fieldworker rock row: %r" % rocks)
    check(out.count("Imported: 1 rows into") == 3, "three Fieldworker imports")


def test_other_update_and_options(args, work):
    root = fld_root(work, "other")
    upd = put(root, "othr.txt", "2;renamed;new memo text: Cr\u00eate \u00e0 l'Ouest pr\u00e8s du lac\n7;seven;\n".encode())
    sampl = os.path.join(root, "projects", "FLD", "SAMPL.DBF")
    table(sampl, "BASENUMBER N(8,0); STN C(10); SMP C(10); WT N(8,2)", [(1, "S1", "A", 1.5)])
    table(os.path.join(root, "projects", "FLD", "SAMPLES.DBF"), "BASENUMBER N(8,0)", [])
    table(os.path.join(root, "projects", "FLD", "ORDER.DBF"), "BASENUMBER N(8,0)", [])
    script = (FLD + text_import(upd, 0, "; more", "", "update", [0, 1, 2]) +
              "pv-import\npv_import\nset imp_fname x\npick import\nshow\npick imp_text\npick imp_dbase\npick import\n"
              "show\npick imp_text\nset imp_fname %s\npick import\npv_tblimport\nselect tbl_type 1\n"
              "set basenum BASENUMBER\nset statnum STN\nset smplnum SMP\npick register\n" % sampl +
              "pv-import\npv_import\nset imp_fname %s\npick imp_dbase\npick import\nshow\ncancel\n"
              % sampl.replace("SAMPL", "SAMPLES") +
              "pv-import\npv_import\nset imp_fname %s\npick imp_dbase\npick import\nshow\ncancel\n"
              % sampl.replace("SAMPL", "ORDER") +
              text_import(upd, 0, ",", "", "update", [2], extra="show\n") + "select txt_output 3\npick import\nshow\n"
              "cancel\n" +
              "pv-save\npv_yesno_small\nok\n(pv_logoff)\nQUIT\n")
    # The SAMPL table is the first of the list once registered: OTHR 0, ROCKS 1, SAMPL 2, STATN 3.
    script = script.replace(text_import(upd, 0, ",", "", "update", [2], extra="show\n"),
                            text_import(upd, 2, ",", "", "update", [2], extra="show\n"))
    out = pvhost(args, root, script)
    othr = [(int(r["BASENUMBER"]), r["LABEL"].strip(), r["REMARK"].strip()) for r in rows(root, "FLD", "OTHR")]
    check(othr[:2] == [(1, "one", ""), (2, "renamed", "MEMO")], "OTHER row updated by its number: %r" % othr)
    check(othr[2:] == [(3, "seven", "")], "a number not found gets a new number: %r" % othr[2:])
    lines = sorted((r["ORDNUMBER"], r["MEMOTEXT"]) for r in rows(root, "FLD", "OTHRMEM") if int(r["BASENUMBER"]) == 2)
    memo = " ".join(t for _, t in lines).split()
    check(memo == ["new", "memo", "text:", "Cr\u00eate", "\u00e0", "l'Ouest", "pr\u00e8s", "du", "lac"],
          "memo replaced, accents and quote kept: %r" % memo)
    check("ERROR: No file name specified" not in out, "a typed name is taken")
    check("ERROR:  Choose database or text file import" in out, "neither or both toggles refused")
    check("SAMPL imported" in out, "dBASE table registered")
    check("ERROR: File name SAMPLES too long" in out, "six-character name refused")
    check("ERROR: Table name ORDER is a reserved word of SQL" in out, "a table named with a word of SQL refused")
    check("Must import STN" in out, "update without the station key refused")
    check("Must import SMP,STN" in out, "update without both keys refused")
    reg = [(r["TABLENAME"].strip(), r["TABLETYPE"].strip()) for r in rows(root, "FLD", "PVTABLE")]
    check(("SAMPL", "SAMPLE") in reg, "SAMPL in PVTABLE after pv-save: %r" % reg)


def test_dates_and_logicals(args, work):
    in_short_root(args, "visit", dates_and_logicals, lambda short, name: fld_root(short, name, visit=True))


def dates_and_logicals(args, root):
    # Tables of FLD: OTHR 0, ROCKS 1, STATN 2, VISIT 3 (LABEL C, SEEN D, OK L).
    dates = put(root, "visit.txt", b"good,20240715,Y\na,15/07/2024,Y\nb,2024-07-15,N\nc,20241345,T\nd,20230229,F\n"
                b"e,20240716,1\nf,20240717,yes\nblank,,\n")
    out = wrapped(pvhost(args, root, FLD + text_import(dates, 3, ",", "", "append", [1, 2, 3], extra=WRAP) +
                         "(pv_logoff)\nQUIT\n"))
    check(said("Imported: 2 rows into VISIT\n\nERRORS: 6 rows", out), "bad dates and logicals refused")
    check("Line 2: SEEN: 15/07/2024 is not a date (YYYYMMDD)" in out, "the first bad date named")
    try:
        got = [(r["LABEL"], r["SEEN"], r["OK"]) for r in rows(root, "FLD", "VISIT")]
    except ValueError as e:
        got = "unreadable: %s" % e
    check(got == [("good", datetime.date(2024, 7, 15), True), ("blank", None, None)],
          "only the good and blank rows stored, the table read by dbfread: %r" % got)
    err = os.path.join(root, "projects", "FLD", "VISIT.ERR")
    refused = [l.split(b",")[0].strip() for l in open(err, "rb").read().splitlines()] if os.path.exists(err) else []
    check(refused == [b"a", b"b", b"c", b"d", b"e", b"f"], "each refused row in the .ERR: %r" % refused)


def named_fields_table(path, names):
    """A dBASE table whose C(10) fields bear names the dbf module would not
    write ("A=A OR B"): made with stand-in names, then renamed in place."""
    table(path, "; ".join("F%d C(10)" % i for i in range(len(names))), [tuple("secret" for _ in names)])
    with open(path, "r+b") as f:
        for i, name in enumerate(names):
            f.seek(32 + 32 * i)
            f.write(name.encode().ljust(11, b"\0"))


def test_foreign_field_names(args, work):
    """A dBASE table whose field name a statement cannot hold as it stands,
    or a reserved word, is not registered, and the refusal names it."""
    root = fld_root(work, "names")
    proj = os.path.join(root, "projects", "FLD")
    named_fields_table(os.path.join(proj, "ODD.DBF"), ["NAME", "A=A OR B"])
    named_fields_table(os.path.join(proj, "RSV.DBF"), ["DESC"])
    script = FLD + "".join("pv-import\npv_import\nset imp_fname %s\npick imp_dbase\npick import\nshow\ncancel\n"
                           % os.path.join(proj, t + ".DBF") for t in ("ODD", "RSV"))
    out = pvhost(args, root, script + "(pv_logoff)\nQUIT\n")
    check("ERROR: Field A=A OR B of table ODD is not a plain name" in out, "the odd field is named")
    check("ERROR: Field DESC of table RSV is a reserved word" in out, "the reserved word is named")
    check("ODD imported" not in out and "RSV imported" not in out, "neither table registered")


def test_unreadable_table(args, work):
    # KEYLS is a UNIT table without its UNIT key column: the import says so and writes nothing.
    root = fld_root(work, "gone", gone=True)
    rec = put(root, "gone.txt", b"1\n")
    out = pvhost(args, root, FLD + text_import(rec, 0, ",", "", "append", [0], extra="show\ncancel\n") +
                 "(pv_logoff)\nQUIT\n")
    check('error          text = "ERROR: Table KEYLS has no key column"' in out, "a missing key column is named")
    check("Imported:" not in out, "nothing imported from a table that cannot be read")


def test_memo_that_cannot_be_stored(args, work):
    # OTHR's memo side table is cut in its one record: the row and its
    # memo go together or not at all, so the import stops there naming it.
    root = fld_root(work, "memo_cut")
    upd = put(root, "othr.txt", b"2;renamed;new memo\n")
    memo = os.path.join(root, "projects", "FLD", "OTHRMEM.DBF")
    with open(memo, "rb") as f:
        head = f.read(12)
    with open(memo, "r+b") as f:
        f.truncate(int.from_bytes(head[8:10], "little") + int.from_bytes(head[10:12], "little") // 2)
    with open(memo, "rb") as f:
        before = f.read()
    out = pvhost(args, root, FLD + text_import(upd, 0, ";", "", "update", [0, 1, 2], extra=WRAP) +
                 "(pv_logoff)\nQUIT\n")
    check("The import stopped at line 1" in out and "table OTHRMEM is damaged" in out,
          "a memo that cannot be stored is said: %s" % out[-800:])
    check(open(memo, "rb").read() == before, "the memo side table is as it was")


def main():
    args = sys.argv[1:4]
    work = sys.argv[4]
    KILL_AT.append(sys.argv[5])
    os.makedirs(work, exist_ok=True)
    for test in (test_append_and_update, test_refused_rows, test_code_pages, test_driver_killed, test_update_killed,
                 test_number_taken,
                 test_points, test_fieldworker,
                 test_other_update_and_options, test_dates_and_logicals, test_foreign_field_names,
                 test_unreadable_table, test_memo_that_cannot_be_stored):
        test(args, work)
    if FAILURES:
        print("%d failure(s)" % len(FAILURES))
        sys.exit(1)
    print("all import checks passed")


if __name__ == "__main__":
    main()
