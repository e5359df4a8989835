#!/usr/bin/python3
"""pv-ustation end to end: pvhost exports a DB3 project made here with the
python dbf module, and dbfread reads what the export wrote.

  ustation_e2e.py PVHOST MODULE RESOURCES WORKDIR KILL_AT_LIBRARY

The project MS holds SITES (unique column MSLINK, memo column NOTES whose
lines are in SITESMEM), ROCKS (unique column registered as 'mslink'),
NOTES (unique column BASENUMBER) and TWICE (MSLINK 2 on two rows). A second run without SITESMEM checks that
a failed memo copy leaves nothing behind and no gap in the catalogue. A
third, whose SITESMEM is cut short after the logon, checks that a memo side
table that cannot be read stops the export: the project's files are as
before it, and the message names the table. Last the export is cut, its
driver killed at an exact call of its file work (the library
tests/kill_at.cpp preloaded): it says the driver ended and leaves the
catalogue and the script as they were.
"""
import os
import shutil
import subprocess
import sys
import time

import dbf
import dbfread

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data"))
from e2e_tables import FAILURES, PVCOLUMN_FIELDS, PVTABLE_FIELDS, check, run_cut, wrapped  # noqa: E402

MEMO_FLAG = 0x200

MEMO_LINES = [(1, 1, "Granite outcrop on the ridge,"), (1, 2, "weathered surface."),
              (2, 1, "Contact with the schist.")]


def make_table(path, fields, rows):
    t = dbf.Table(path, fields, dbf_type="db3")
    t.open(dbf.READ_WRITE)
    for r in rows:
        t.append(r)
    t.close()


def make_project(root, with_memo, twice=True):
    proj = os.path.join(root, "projects", "MS")
    os.makedirs(proj)
    make_table(os.path.join(proj, "SITES.DBF"), "MSLINK N(10,0); NAME C(20); NOTES C(20)",
               [(1, "Ridge", ""), (2, "Valley", "")])
    if with_memo:
        make_table(os.path.join(proj, "SITESMEM.DBF"),
                   "BASENUMBER N(8,0); ORDNUMBER N(8,0); MEMOTEXT C(70)", MEMO_LINES)
    make_table(os.path.join(proj, "ROCKS.DBF"), "MSLINK N(10,0); ROCK C(20)", [(1, "granite")])
    make_table(os.path.join(proj, "NOTES.DBF"), "BASENUMBER N(8,0); TEXT C(20)", [(1, "n")])
    make_table(os.path.join(proj, "TWICE.DBF"), "MSLINK N(10,0); NAME C(20)", [(3, "c"), (2, "a"), (2, "b")])
    blank = [""] * 18
    make_table(os.path.join(proj, "PVTABLE.DBF"), PVTABLE_FIELDS, [
        tuple(["NOTES", "OTHER", "BASENUMBER"] + blank),
        tuple(["ROCKS", "OTHER", "mslink"] + blank),
        tuple(["SITES", "OTHER", "MSLINK"] + blank),
    ] + ([tuple(["TWICE", "OTHER", "MSLINK"] + blank)] if twice else []))
    make_table(os.path.join(proj, "PVCOLUMN.DBF"), PVCOLUMN_FIELDS,
               [("NOTES", "SITES", "", "", MEMO_FLAG, 0, 0, 0, " ", "", 0, 0)])
    with open(os.path.join(root, "asi.ini"), "w") as f:
        f.write("[ENVIRONMENTS]\nDB3=\n\n[DB3]\nDriver=pvdb3\nPETRIVEX=projects\n"
                "PETRIVEX.MS=MS\n\n[ASE_CATALOGS]\nMS=projects\n\n[PETRIVEX_MISC]\nMS.links=0\n")
    return proj


SCRIPT = """(pv_open "MS" "DB3" "" "")
pv-ustation
pv_ustation
ok
(pv_logoff)
QUIT
"""


def run_pvhost(pvhost, module, resources, root, script=SCRIPT):
    with open(os.path.join(root, "export.scr"), "w") as f:
        f.write(script)
    env = dict(os.environ, ASI_INI=os.path.join(root, "asi.ini"), HOME=root,
               XDG_DATA_HOME=os.path.join(root, "data"))
    r = subprocess.run([pvhost, "--script", "export.scr", "--module", module,
                        "--resources", resources], cwd=root, env=env, capture_output=True,
                       text=True, timeout=120)
    print(r.stdout)
    print(r.stderr, file=sys.stderr)
    check(r.returncode == 0, "pvhost exit status %d" % r.returncode)
    return r.stdout


def rows(path):
    return [dict(r) for r in dbfread.DBF(path)]


def file_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def exported_script(with_memo):
    lines = ["-init", "-ta MSCATLOG MSCATALOG", "-ta PVCOLUMN PVCOLUMN",
             "-ta ROCKS ROCKS", "-ia ROCKSUNQ ROCKS", "-ta SITES SITES", "-ia SITESUNQ SITES"]
    if with_memo:
        lines += ["-ta SITESMMO SITESMMO", "-ia SITESMMI SITESMMO"]
    return ("\r\n".join(lines) + "\r\n").encode()


CLEANUP = (b"del ccolumn.ndx ccrtb.ndx creator.ndx crtb.ndx crtbcl.ndx\r\n"
           b"del crtbps.ndx ctable.ndx owntb.ndx owntbnm.ndx table.ndx\r\n"
           b"del sqlcolmn.dbf sqlindex.dbf sqltable.dbf\r\n"
           b"del sqlcolmn.cgp sqlindex.cgp sqltable.cgp\r\n")


def one_run(pvhost, module, resources, root, with_memo):
    what = "with memo" if with_memo else "without SITESMEM"
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(root)
    proj = make_project(root, with_memo)
    out = run_pvhost(pvhost, module, resources, root)
    check("Unique column not named MSLINK in:" in out and "NOTES." in out,
          "%s: NOTES is reported as not keyed by MSLINK" % what)
    check("MSLINK 2 repeats in:\nTWICE.\nThe table is not exported." in out,
          "%s: TWICE is refused for its repeated MSLINK" % what)
    count = 3 if with_memo else 2
    title = "Exported %d tables to Microstation 95:" % count
    check(title in out, "%s: %r in the output" % (what, title))
    tail = out[out.find(title):] if title in out else ""
    for name in ["  ROCKS", "  SITES"] + (["  SITESMMO"] if with_memo else []):
        check(name in tail, "%s: summary line %r" % (what, name))
    check(with_memo or "SITESMMO" not in tail, "%s: no SITESMMO line" % what)

    catalog = [(r["TABLENAME"], int(r["ENTITYNUM"])) for r in rows(os.path.join(proj, "MSCATLOG.DBF"))]
    want = [("ROCKS", 1), ("SITES", 2)] + ([("SITESMMO", 3)] if with_memo else [])
    check(catalog == want, "%s: MSCATLOG rows %r" % (what, catalog))
    mmo = os.path.join(proj, "SITESMMO.DBF")
    if with_memo:
        copied = [(int(r["MSLINK"]), int(r["ORDNUMBER"]), r["MEMOTEXT"]) for r in rows(mmo)]
        check(copied == MEMO_LINES, "%s: SITESMMO rows %r" % (what, copied))
    else:
        check(not os.path.exists(mmo), "%s: no SITESMMO table left" % what)
    check(file_bytes(os.path.join(proj, "pvddict.s")) == exported_script(with_memo),
          "%s: pvddict.s is %r" % (what, file_bytes(os.path.join(proj, "pvddict.s"))))
    check(file_bytes(os.path.join(proj, "cleanup.bat")) == CLEANUP, "%s: cleanup.bat" % what)
    sides = [n for n in os.listdir(proj) if n.upper().startswith(("SITES.", "SITESMMO.", "ROCKS."))
             and not n.upper().endswith((".DBF", ".DBT"))]
    check(not sides, "%s: index side files left: %r" % (what, sides))
    kept = [n for n in os.listdir(proj) if n.upper().endswith((".MRF", ".DBO"))]
    check(not kept, "%s: the marks and former copies of the catalogue and memo copy go: %r" % (what, kept))


def damaged_memo_run(pvhost, module, resources, root):
    """The export over a SITESMEM cut short after the logon (pvhost fed on
    a pipe): it stops, names the table, and leaves every file as it was."""
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(root)
    proj = make_project(root, True)
    env = dict(os.environ, ASI_INI=os.path.join(root, "asi.ini"), HOME=root,
               XDG_DATA_HOME=os.path.join(root, "data"))
    pv = subprocess.Popen([pvhost, "--module", module, "--resources", resources], cwd=root, env=env,
                          stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    pv.stdin.write('(pv_open "MS" "DB3" "" "")\nSAVE logged_on.dxf\n')
    pv.stdin.flush()
    started = time.time()
    while not os.path.exists(os.path.join(root, "logged_on.dxf")) and time.time() - started < 60:
        time.sleep(0.05)
    with open(os.path.join(proj, "SITESMEM.DBF"), "r+b") as f:
        f.truncate(10)
    before = {n: file_bytes(os.path.join(proj, n)) for n in os.listdir(proj)}
    out = pv.communicate("pv-ustation\npv_ustation\nok\npv_alert_wrap\nok\n(pv_logoff)\nQUIT\n", timeout=120)[0]
    print(out)
    said = "".join(wrapped(out).split())
    check("Nothingwasexported:thememolinesofSITES(tableSITESMEM)cannotbecopied:" in said,
          "damaged SITESMEM: the export stops naming the table: %s" % out)
    check("Exported" not in out, "damaged SITESMEM: no table is said exported")
    after = {n: file_bytes(os.path.join(proj, n)) for n in os.listdir(proj)}
    check(after == before, "damaged SITESMEM: the project's files are as before the export: %r" % sorted(
        set(after) ^ set(before) | {n for n in after if n in before and after[n] != before[n]}))


def logon(pvhost, module, resources, root):
    """The next logon to MS, and its output."""
    return run_pvhost(pvhost, module, resources, root, '(pv_open "MS" "DB3" "" "")\n(pv_logoff)\nQUIT\n')


def exported(proj):
    """The tables MSCATLOG lists and those pvddict.s gives (None for a file
    not there)."""
    catalog, script = os.path.join(proj, "MSCATLOG.DBF"), os.path.join(proj, "pvddict.s")
    listed = [r["TABLENAME"] for r in rows(catalog)] if os.path.exists(catalog) else None
    given = [ln.split()[1] for ln in file_bytes(script).decode().splitlines()[3:] if ln.startswith("-ta ")] \
        if os.path.exists(script) else None
    return listed, given


def unreadable_catalog(pvhost, module, resources, root, proj):
    """An export cut short once whole, its MSCATLOG.DBF damaged: the next
    logon cannot read MSCATLOG, says so, and leaves the mark and every file
    as they were for a later logon (the table whole again before it)."""
    catalog = os.path.join(proj, "MSCATLOG.DBF")
    whole = file_bytes(catalog)
    with open(catalog, "r+b") as f:
        f.truncate(10)
    # The temporary files of the writer killed go at any logon.
    kept = lambda: {n: file_bytes(os.path.join(proj, n)) for n in os.listdir(proj)  # noqa: E731
                    if not n.endswith(".tmp")}
    before = kept()
    said = " ".join(wrapped(run_pvhost(pvhost, module, resources, root, '(pv_open "MS" "DB3" "" "")\n'
                                       'pv_alert_wrap\nshow\nok\n(pv_logoff)\nQUIT\n')).split())
    check("it cannot be finished now: table MSCATLOG cannot be read:" in said and "MSCATLOG.MRU stays" in said,
          "MSCATLOG unreadable: the logon says it cannot finish the export: %s" % said[-800:])
    after = kept()
    check(after == before, "MSCATLOG unreadable: the mark and the project's files stay: %r" % sorted(
        set(after) ^ set(before) | {n for n in after if n in before and after[n] != before[n]}))
    with open(catalog, "wb") as f:
        f.write(whole)


def killed_runs(pvhost, module, resources, work, library):
    """The export of MS (without TWICE, SITES last) with its driver killed
    at its 3rd or 9th call of file work (the catalogue rows of SITES and of
    SITESMMO going in): it says the driver ended, exports nothing, and the
    next logon finds no catalogue, script or batch file and nothing left.
    Then pvhost killed at its 13th call (the catalogue filled, the script
    not yet in place) or its 16th (the script placed, the batch file not):
    the next logon says the export was cut short and puts it back or
    finishes it, MSCATLOG and pvddict.s agreeing, cleanup.bat with them;
    at the 16th a logon that cannot read MSCATLOG comes first."""
    for at, program in ((3, "pvdb3"), (9, "pvdb3"), (13, "pvhost"), (16, "pvhost")):
        root = os.path.join(work, "%s%d" % (program, at))
        shutil.rmtree(root, ignore_errors=True)
        os.makedirs(root)
        proj = make_project(root, True, twice=False)
        out, cut = run_cut((pvhost, module, resources), root,
                           SCRIPT.replace("ok\n(pv_logoff)", "ok\npv_alert_wrap\nshow\nok\n(pv_logoff)"), library,
                           at, program)
        said = wrapped(out)
        if program == "pvhost" and at == 16:
            unreadable_catalog(pvhost, module, resources, root, proj)
        if program == "pvhost":
            said = wrapped(logon(pvhost, module, resources, root))
            listed, given = exported(proj)
            batch = os.path.exists(os.path.join(proj, "cleanup.bat"))
            check(listed == given and batch == (given is not None),
                  "pvhost killed at %d: MSCATLOG %r, pvddict.s %r and cleanup.bat agree" % (at, listed, given))
            told = "finished now" if listed else "stay as they were"
            check(cut and "pv-ustation on project MS was cut short" in said and told in said,
                  "pvhost killed at %d: the next logon says the export %s: %s" % (at, told, said[-800:]))
            left = [n for n in os.listdir(proj) if n.upper().endswith((".MRF", ".MRU", ".DBO", ".TMP"))]
            check(not left, "pvhost killed at %d: no mark or copy left: %r" % (at, left))
            continue
        check(cut and "Exported" not in out and "Nothing was exported: " in said and "driver of DB3" in said,
              "driver killed at %d: the export says the driver ended: %s" % (at, said[-800:]))
        logon(pvhost, module, resources, root)
        left = [n for n in os.listdir(proj) if n.upper().endswith((".MRF", ".DBO", ".TMP"))
                or n.upper().startswith(("MSCATLOG.", "SITESMMO.")) or n in ("pvddict.s", "cleanup.bat")]
        check(not left, "driver killed at %d: nothing of the export is there after the next logon: %r" % (at, left))


def main():
    if len(sys.argv) != 6:
        raise SystemExit(__doc__)
    pvhost, module, resources, work, library = sys.argv[1:]
    one_run(pvhost, module, resources, os.path.join(work, "memo"), True)
    one_run(pvhost, module, resources, os.path.join(work, "nomemo"), False)
    damaged_memo_run(pvhost, module, resources, os.path.join(work, "damaged"))
    killed_runs(pvhost, module, resources, work, library)
    if FAILURES:
        raise SystemExit("%d check(s) failed" % len(FAILURES))
    print("pv-ustation end to end: all checks passed")


if __name__ == "__main__":
    main()
