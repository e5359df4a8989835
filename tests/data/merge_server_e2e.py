#!/usr/bin/python3
"""pv-merge across the two kinds of project, driven through pvhost against
the PostgreSQL server newproj_server_e2e starts: the sample RIDGE (dBASE
files) merged into GEO put into the schema "sgeo", and RIDGE put into the
schema "sridge" merged into the dBASE GEO; every RIDGE station arrives
with its values under a number of its own. Then a large dBASE project is
merged into "sgeo" with the server connection cut (pg_terminate_backend)
at several points: after the next logon STATN is as it was or merged
whole. Last, two pvhost processes add 200 stations each to the server's
STATN at once: all 400 are kept under 400 distinct numbers; and BIG is
merged, and a text file of stations with memos imported, into the
server's GEO and into the dBASE GEO while another pvhost adds stations to
it, the command stopped (SIGSTOP) after its first rows until the writer
is done or waits for it: every row is kept, each under a number of its
own, and each imported memo under its row's. Then an import, a row added
with memo lines and a merge into the server's GEO are cut between a
number's listing in their mark (the table PVMARK) and its insert, another
writer stores a row under that number, and a second user's logon keeps
that row and names it (and a merged row changed since); a mark whose
listed number is changed is refused whole and named; the marks a
colleague's role that may write only PVMARK plants (a refill's, a row's, a
move's, one named by a path) are refused by name and change no table or
file; an export's mark whose writer the logon cannot read is named and
left for the next logon; and pv-ustation writes its files into the
project's folder in the user's data folder, and its refill of MSCATLOG
is held: a second user's logon says which command writes it, and once
the writer is killed puts the former MSCATLOG back; pvhost killed at
each call of its file work during pv-ustation (the library
tests/kill_at.cpp preloaded), the next logon leaves MSCATLOG and
pvddict.s agreeing.

  merge_server_e2e.py PVHOST MODULE RESOURCES WORKDIR KILL_AT_LIBRARY --server PORT
"""
import os
import re
import shutil
import signal
import subprocess
import sys
import time

import dbfread

from e2e_tables import (FAILURES, PVCOLUMN_FIELDS, check, children, listed_in, mark_digest, mslink_table, run_cut,
                         seal_mark, server_marks, table)

HOST_INI = """[ENVIRONMENTS]
DB3=
ODBC=

[DB3]
Driver=pvdb3
PETRIVEX=%(root)s/projects
PETRIVEX.Projections=Projections
PETRIVEX.GEO=GEO
PETRIVEX.RIDGE=RIDGE
PETRIVEX.BIG=BIG

[ODBC]
Driver=pvodbc
PETRIVEX=PVTEST
PETRIVEX.SGEO=sgeo
PETRIVEX.SRIDGE=sridge

[PETRIVEX_MISC]
GEO.links=0
SGEO.links=0
RIDGE.links=0
SRIDGE.links=0
BIG.links=0
"""
STATN = "BASENUMBER N(11,0); STN N(11,0); NAME C(20); EASTING N(19,6); NORTHING N(19,6); ELEV N(19,6); ROCKTYPE C(20)"
# Rows of the large project, and the rows of the server's STATN at which
# its merge is cut.
BIG_ROWS = 3000
CUT_AT = (1, 400, 1500, 2900)
SERVER = {}
# Rows each of two writers adds at once.
TWO_WRITER_ROWS = 200
# Rows a writer adds while a merge is stopped, and the merged rows after
# which it is stopped.
BESIDE_ROWS = 20
STOP_AT = 50
# Stations of the file imported beside a writer; every MEMO_EVERY-th
# has a memo.
IMPORT_ROWS = 6000
MEMO_EVERY = 10
MEMO_FLAG = 0x200


def logon(name):
    return '(pv_open "%s" "ODBC" "geologist" "rock")\n' % name if name.startswith("S") else \
        '(pv_open "%s" "DB3" "" "")\n' % name


def merge_script(master, slave):
    """The slave logged on first, so the master is the first of the list."""
    return (logon(slave) + logon(master) + "pv-merge\npv_merge\nselect mrg_master 0\nselect mrg_slave 1\n"
            "pick mrg_map\npick mrg_dbf\nok\npv_yesno_small\nok\n(pv_logoff)\nQUIT\n")


def pvhost(args, root, script, wait=True):
    with open(os.path.join(root, "run.scr"), "w") as f:
        f.write(script)
    env = dict(os.environ, ASI_INI=os.path.join(root, "host.ini"), HOME=root, XDG_DATA_HOME=os.path.join(root, "data"))
    cmd = [args[0], "--script", "run.scr", "--module", args[1], "--resources", args[2]]
    p = subprocess.Popen(cmd, cwd=root, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if not wait:
        return p
    out = p.communicate(timeout=120)[0]
    return out


def psql(sql, f=None, refused=None, role=None):
    """The output of a statement (or file f) run as role (name, password);
    with refused, the statement must fail and its error hold that text."""
    role = role or OWNER
    cmd = ["psql", "-X", "-q", "-At", "-h", "127.0.0.1", "-p", SERVER["port"], "-U", role[0], "-d", "petrivex"]
    cmd += ["-v", "ON_ERROR_STOP=1", "-f", f] if f else ["-c", sql]
    r = subprocess.run(cmd, env=dict(os.environ, PGPASSWORD=role[1], PGOPTIONS="--client-min-messages=warning"),
                       capture_output=True, text=True, timeout=60)
    if refused is not None:
        check(r.returncode != 0 and refused in r.stderr, "psql %s is refused with %r: %s" % (sql, refused, r.stderr))
    else:
        check(r.returncode == 0, "psql %s: %s" % (f or sql, r.stderr))
    return r.stdout


def load(root, project, schema):
    sql = os.path.join(root, schema + ".sql")
    here = os.path.dirname(os.path.abspath(__file__))
    subprocess.run([sys.executable, os.path.join(here, "..", "drivers", "pg_load_project.py"),
                    os.path.join(root, "projects", project), schema, sql], check=True, timeout=60)
    psql(None, sql)


def stations(rows):
    """(STN, NAME, EASTING, NORTHING, ELEV, ROCKTYPE) of rows, trimmed and in
    numbers, ordered by STN."""
    return sorted((int(r[0]), r[1].strip(), round(float(r[2]), 6), round(float(r[3]), 6), round(float(r[4]), 6),
                   r[5].strip()) for r in rows)


def dbf_stations(path):
    return stations([(r["STN"], r["NAME"], r["EASTING"], r["NORTHING"], r["ELEV"], r["ROCKTYPE"])
                     for r in dbfread.DBF(path)])


def server_rows(schema, columns="STN, NAME, EASTING, NORTHING, ELEV, ROCKTYPE"):
    out = psql("SELECT %s FROM %s.statn" % (columns, schema))
    return [line.split("|") for line in out.splitlines()]


def across(args, root):
    """RIDGE into the server's GEO, the server's RIDGE into dBASE GEO."""
    projects = os.path.join(root, "projects")
    ridge = dbf_stations(os.path.join(projects, "RIDGE", "STATN.DBF"))
    geo = dbf_stations(os.path.join(projects, "GEO", "STATN.DBF"))
    load(root, "GEO", "sgeo")
    load(root, "RIDGE", "sridge")

    out = pvhost(args, root, merge_script("SGEO", "RIDGE"))
    check("The following tables were merged:\n\n     STATN" in out, "RIDGE merged into the server's GEO: " + out)
    got = stations(server_rows("sgeo"))
    check(got == sorted(geo + ridge), "the server's GEO holds its own stations and RIDGE's: %r" % got)
    numbers = sorted(int(r[0]) for r in server_rows("sgeo", "BASENUMBER"))
    check(len(set(numbers)) == len(geo) + len(ridge), "each station has a number of its own: %r" % numbers)

    out = pvhost(args, root, merge_script("GEO", "SRIDGE"))
    check("The following tables were merged:\n\n     STATN" in out, "the server's RIDGE merged into GEO: " + out)
    got = dbf_stations(os.path.join(projects, "GEO", "STATN.DBF"))
    check(got == sorted(geo + ridge), "dBASE GEO holds its own stations and RIDGE's: %r" % got)


def cut_short(args, root):
    """BIG's STATN merged into the server's GEO, the connection cut when
    the table holds so many rows; the next logon leaves it as it was or
    whole."""
    big = os.path.join(root, "projects", "BIG")
    shutil.copytree(os.path.join(root, "projects", "RIDGE"), big)
    os.remove(os.path.join(big, "STATN.DBF"))
    table(os.path.join(big, "STATN.DBF"), STATN,
          [(n, n, "S%d" % n, 500000.5 + n, 4000000.25, 10.0, "granite") for n in range(1, BIG_ROWS + 1)])
    for cut in CUT_AT:
        load(root, "GEO", "sgeo")
        before = sorted(stations(server_rows("sgeo")))
        p = pvhost(args, root, merge_script("SGEO", "BIG"), wait=False)
        deadline = time.monotonic() + 120
        while p.poll() is None and time.monotonic() < deadline:
            if int(psql("SELECT count(*) FROM sgeo.statn") or 0) >= len(before) + cut:
                psql("SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity WHERE usename = 'geologist' "
                     "AND pid <> pg_backend_pid()")
                break
            time.sleep(0.05)
        try:
            out = p.communicate(timeout=120)[0]
        except subprocess.TimeoutExpired:
            p.kill()
            out = p.communicate()[0]
            check(False, "the merge cut at %d rows ends" % cut)
        left = len(server_rows("sgeo"))
        pvhost(args, root, logon("SGEO") + "(pv_logoff)\nQUIT\n")
        after = stations(server_rows("sgeo"))
        print("cut at %d rows: STATN holds %d rows after the merge, %d after the next logon" % (cut, left, len(after)))
        whole = len(after) == len(before) + BIG_ROWS and all(r in after for r in before)
        check(after == before or whole, "cut at %d rows: STATN holds %d rows, neither the %d it had nor all %d: %s"
              % (cut, len(after), len(before), len(before) + BIG_ROWS, out[-2000:]))


def writer(args, root, k, project, count):
    """A pvhost in a home of its own adding count stations named W<k>-<i>
    to the project's STATN."""
    home = os.path.join(root, "writer%d" % k)
    os.makedirs(home, exist_ok=True)
    shutil.copy(os.path.join(root, "host.ini"), home)
    rows = "".join("pv_add_tbl\nselect edit_list 1\nset edit_col %d\nselect edit_list 2\nset edit_col W%d-%d\n"
                   "select edit_list 3\nset edit_col %d\nselect edit_list 4\nset edit_col 5600000\nok\n"
                   % (1000 * (k + 1) + i, k, i, 600000 + i) for i in range(count))
    return pvhost(args, home, logon(project) + "pv-add\n%spv_add_tbl\ncancel\n(pv_logoff)\nQUIT\n" % rows,
                  wait=False)


def two_writers(args, root):
    """Two pvhost processes add 200 stations each to the server's GEO at
    once: every row is kept and every BASENUMBER is another."""
    load(root, "GEO", "sgeo")
    writers = [writer(args, root, k, "SGEO", TWO_WRITER_ROWS) for k in range(2)]
    for k, w in enumerate(writers):
        out = w.communicate(timeout=240)[0]
        check(w.returncode == 0 and "already exists" not in out,
              "writer %d exits 0 and is never refused a number (%d): %s" % (k, w.returncode, out[-2000:]))
    added = [r for r in server_rows("sgeo", "NAME") if r[0].startswith("W")]
    numbers = [int(r[0]) for r in server_rows("sgeo", "BASENUMBER")]
    check(len(added) == 2 * TWO_WRITER_ROWS, "%d rows added of %d" % (len(added), 2 * TWO_WRITER_ROWS))
    check(len(set(numbers)) == len(numbers), "%d distinct numbers in %d rows" % (len(set(numbers)), len(numbers)))


def import_script(master, path):
    """pv-import appending the stations of a text file to master's STATN."""
    return (logon(master) + "pv-import\npv_import\nset imp_fname %s\npick imp_text\npick import\npv_importxt\n"
            "select txt_table 0\nset txt_coldel ,\nset txt_txtdel \"\npick txt_append\n"
            "select txt_output 1 2 3 4 5 6\npick import\n(pv_logoff)\nQUIT\n" % path)


def beside_writer(args, root, master, command):
    """BIG merged, or a file of IMPORT_ROWS stations imported, into
    master's STATN (the server's GEO or the dBASE GEO) while another pvhost
    adds stations to it: the command is stopped after its first rows, the
    writer adds its rows and the command goes on (at once when the writer
    waits for a lock the command holds). Every row is kept, each under a
    number of its own, and each imported row's memo line under its own."""
    server = master.startswith("S")
    imported = command == "import"
    geo = os.path.join(root, "projects", "GEO")
    statn = os.path.join(geo, "STATN.DBF")
    shutil.copy(os.path.join(args[2], "projects", "GEO", "STATN.DBF"), geo)
    if imported:
        # ROCKTYPE is a memo: an imported station's is "memo of I<n>".
        for f in os.listdir(geo):
            if f.upper().startswith("STATNMEM"):
                os.remove(os.path.join(geo, f))
        table(os.path.join(geo, "PVCOLUMN.DBF"), PVCOLUMN_FIELDS,
              [("ROCKTYPE", "STATN", "", "", MEMO_FLAG, 0, 0, 0, " ", "", 0, 0)])
        count, text = IMPORT_ROWS, os.path.join(root, "stations.txt")
        with open(text, "w") as f:
            f.writelines("%d,I%d,%.1f,4000000.25,10,%s\n" % (n, n, 500000.5 + n, "" if n % MEMO_EVERY else
                                                             "memo of I%d" % n) for n in range(1, count + 1))
        script, names = import_script(master, text), "I%d"
    else:
        script, count, names = merge_script(master, "BIG"), BIG_ROWS, "S%d"
    if server:
        load(root, "GEO", "sgeo")

    def rows(columns="BASENUMBER, NAME", name="STATN"):
        if server:
            return [line.split("|") for line in psql("SELECT %s FROM sgeo.%s" % (columns, name)).splitlines()]
        return [[str(r[c.strip()]) for c in columns.split(",")] for r in dbfread.DBF(os.path.join(geo, name + ".DBF"))]

    size, record = os.path.getsize(statn), dbfread.DBF(statn).header.recordlen

    def done():
        """Rows the command has stored so far."""
        if server:
            return int(psql("SELECT count(*) FROM sgeo.statn") or 0) - before
        if imported:
            return (os.path.getsize(statn) - size) // record
        try:
            with open(os.path.join(geo, "STATN.MRG")) as f:
                return len(f.read().splitlines()) - 1
        except OSError:
            return 0

    before = len(rows())
    p = pvhost(args, root, script, wait=False)
    deadline = time.monotonic() + 120
    while p.poll() is None and done() < STOP_AT and time.monotonic() < deadline:
        time.sleep(0.001 if imported else 0.02)
    stopped = p.poll() is None
    check(stopped, "the %s into %s is stopped before its end" % (command, master))
    if stopped:
        os.kill(p.pid, signal.SIGSTOP)
    w = writer(args, root, 9, master, BESIDE_ROWS)
    deadline = time.monotonic() + 120
    while w.poll() is None and time.monotonic() < deadline:
        # A writer waiting for the server's lock on new rows waits for the
        # command: it goes on.
        if server and psql("SELECT count(*) FROM pg_locks WHERE locktype = 'advisory' AND NOT granted") != "0\n":
            break
        time.sleep(0.05)
    if stopped:
        os.kill(p.pid, signal.SIGCONT)
    out = p.communicate(timeout=240)[0]
    wrote = w.communicate(timeout=240)[0]
    if imported:
        check("Imported: %d rows into STATN" % count in out, "the file imported into %s: %s" % (master, out[-2000:]))
    else:
        check("The following tables were merged:\n\n     STATN" in out,
              "BIG merged into %s: %s" % (master, out[-2000:]))
    check(w.returncode == 0, "the writer beside the %s into %s exits 0: %s" % (command, master, wrote[-2000:]))
    got = rows()
    numbers = [int(float(r[0])) for r in got]
    check(len(got) == before + count + BESIDE_ROWS,
          "%s's STATN holds %d rows of %d" % (master, len(got), before + count + BESIDE_ROWS))
    stored = sorted(r[1].strip() for r in got)
    check(all(names % n in stored for n in range(1, count + 1)) and
          all("W9-%d" % i in stored for i in range(BESIDE_ROWS)),
          "%s holds every row of the %s and of the writer" % (master, command))
    check(len(set(numbers)) == len(numbers),
          "%d distinct numbers in %d rows of %s's STATN" % (len(set(numbers)), len(numbers), master))
    if imported:
        memo = {}
        for number, order, line in sorted((int(float(m[0])), int(float(m[1])), m[2].strip())
                                          for m in rows("BASENUMBER, ORDNUMBER, MEMOTEXT", "STATNMEM")):
            memo[number] = (memo.get(number, "") + " " + line).strip()
        given = dict(("I%d" % n, "memo of I%d" % n) for n in range(MEMO_EVERY, count + 1, MEMO_EVERY))
        wrong = [(r[1].strip(), memo.get(int(float(r[0])))) for r in got
                 if memo.get(int(float(r[0]))) != given.get(r[1].strip())]
        check(not wrong and len(memo) == len(given),
              "each imported row's memo stored under its own number in %s: %r" % (master, wrong[:5]))


WRAPPED = "pv_alert_wrap\nshow\nok\n"


def psql_session():
    """A psql session answering from a pipe, for a lock held across steps."""
    cmd = ["psql", "-X", "-q", "-At", "-h", "127.0.0.1", "-p", SERVER["port"], "-U", "geologist", "-d", "petrivex"]
    return subprocess.Popen(cmd, env=dict(os.environ, PGPASSWORD="rock", PGOPTIONS="--client-min-messages=warning"),
                            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)


def second_logon(args, root, script=""):
    """The output of a logon to SGEO by a second user (a home and data
    folder of its own), then script, then logoff."""
    home = os.path.join(root, "second")
    os.makedirs(home, exist_ok=True)
    shutil.copy(os.path.join(root, "host.ini"), home)
    return pvhost(args, home, logon("SGEO") + script + "(pv_logoff)\nQUIT\n")


def memo_statn(args, root):
    """GEO with STATN's ROCKTYPE a memo, put into the schema sgeo."""
    geo = os.path.join(root, "projects", "GEO")
    shutil.copy(os.path.join(args[2], "projects", "GEO", "STATN.DBF"), geo)
    for f in os.listdir(geo):
        if f.upper().startswith("STATNMEM"):
            os.remove(os.path.join(geo, f))
    # Editable, so that the row editor takes its lines.
    table(os.path.join(geo, "PVCOLUMN.DBF"), PVCOLUMN_FIELDS,
          [("ROCKTYPE", "STATN", "", "", MEMO_FLAG | 1, 0, 0, 0, " ", "", 0, 0)])
    load(root, "GEO", "sgeo")


def share_lock():
    """A psql session holding a SHARE lock on sgeo's STATN: every insert
    into it waits."""
    lock = psql_session()
    lock.stdin.write("BEGIN;\nLOCK TABLE sgeo.statn IN SHARE MODE;\nSELECT 'locked';\n")
    lock.stdin.flush()
    lock.stdout.readline()
    return lock


def cut_before_server_insert(p, prefix, after, lock=None):
    """Cuts pvhost p (a command listing each number in the server mark whose
    name starts with prefix before its row goes into sgeo's STATN) between
    the listing of a number and its insert: STATN is locked (SHARE) once
    after numbers are listed, the insert waits for it; pvhost, its driver
    and its waiting session are ended there and the lock let go (lock,
    when given, is held from the start). Answers that number, or None when
    p ended first."""
    deadline = time.monotonic() + 60
    try:
        while p.poll() is None and time.monotonic() < deadline:
            marks = [lines for name, lines in server_marks(psql, "sgeo").items() if name.startswith(prefix)]
            numbers = listed_in(marks[0]) if marks else []
            if lock is None and len(numbers) >= after:
                lock = share_lock()
                continue
            waiting = psql("SELECT pid FROM pg_locks WHERE NOT granted AND relation = 'sgeo.statn'::regclass")
            held = {int(float(r[0])) for r in server_rows("sgeo", "BASENUMBER")}
            if lock and numbers and waiting.strip() and numbers[-1] not in held:
                drivers = children(p.pid, "pvodbc")
                p.kill()
                for d in drivers:
                    os.kill(d, signal.SIGKILL)
                p.communicate()
                psql("SELECT count(pg_terminate_backend(pid)) FROM pg_locks WHERE NOT granted AND "
                     "relation = 'sgeo.statn'::regclass")
                return numbers[-1]
            time.sleep(0.01)
        if p.poll() is None:
            print("still running: listed %r; %s" % (numbers, psql("SELECT locktype, relation::regclass, granted, "
                                                              "left(query, 60) FROM pg_locks JOIN pg_stat_activity "
                                                              "USING (pid) WHERE datname = 'petrivex'")))
            p.kill()
        print(p.communicate(timeout=60)[0][-3000:])
        return None
    finally:
        if lock:
            lock.communicate("ROLLBACK;\n", timeout=60)
        # The ended session's locks go with it.
        while psql("SELECT count(*) FROM pg_locks WHERE locktype = 'advisory'").strip() != "0" and \
                time.monotonic() < deadline:
            time.sleep(0.05)


def add_with_memo(stn, name):
    """pv-add of a station to the server's GEO with a memo line."""
    return (logon("SGEO") + "pv-add\npv_add_tbl\nselect edit_list 1\nset edit_col %d\nselect edit_list 2\n"
            "set edit_col %s\nselect edit_list 3\nset edit_col 600000\nselect edit_list 4\n"
            "set edit_col 5600000\nselect edit_list 6\npick memo\npv_edit_memo\nset pv_memo_line \"Line\"\n"
            "pick insert\nok\nok\npv_add_tbl\ncancel\n(pv_logoff)\nQUIT\n" % (stn, name))


def taken_on_server(args, root, command):
    """An import of stations with memos, a row added with memo lines, or a
    merge into the server's GEO cut after a row's number is listed in its
    mark and before its insert; another writer then stores a row under
    that number. A second user's logon (the cut user's folder is not
    theirs) takes back the command's rows, keeps that row and names it,
    and lets the mark go."""
    memo_statn(args, root)
    before = {int(float(r[0])) for r in server_rows("sgeo", "BASENUMBER")}
    if command == "import":
        text = os.path.join(root, "taken.txt")
        with open(text, "w") as f:
            f.writelines("%d,T%d,%.1f,4000000.25,10,memo of T%d\n" % (n, n, 500000.5 + n, n) for n in range(1, 501))
        script, prefix, after = import_script("SGEO", text), "STATN-", 1
    elif command == "add":
        script = add_with_memo(4242, "Added")
        prefix, after = "STATN-", 0
    else:
        script, prefix, after = merge_script("SGEO", "BIG"), "STATN.MRG", 20
    # A single row is cut at its insert whatever the load: STATN is locked
    # before the command starts.
    lock = share_lock() if after == 0 else None
    p = pvhost(args, root, script, wait=False)
    taken = cut_before_server_insert(p, prefix, after, lock)
    check(taken is not None, "%s on the server: cut before an insert" % command)
    if taken is None:
        return
    psql("INSERT INTO sgeo.statn (basenumber, stn, name) VALUES (%d, 9999, 'Second user')" % taken)
    # A merged row changed after the kill stays too.
    merged = sorted({int(float(r[0])) for r in server_rows("sgeo", "BASENUMBER")} - before - {taken})
    changed = merged[0] if command == "merge" and merged else None
    if changed:
        psql("UPDATE sgeo.statn SET name = 'Changed' WHERE basenumber = %d" % changed)
    out = second_logon(args, root, WRAPPED)
    rows = {int(float(r[0])): r[1].strip() for r in server_rows("sgeo", "BASENUMBER, NAME")}
    check(rows.get(taken) == "Second user", "%s on the server: the other writer's row %d stays: %r" %
          (command, taken, rows.get(taken)))
    shown = "".join(" ".join(re.findall(r"^ +\d+: (.*)$", out, re.M)).split())
    check(("STATNrow%d." % taken) in shown, "%s on the server: the second user's logon names row %d: %s" %
          (command, taken, out[-1500:]))
    check(server_marks(psql, "sgeo") == {}, "%s on the server: the mark goes: %r" %
          (command, list(server_marks(psql, "sgeo"))))
    if command == "merge":
        check(set(rows) == before | {taken, changed} and rows.get(changed) == "Changed",
              "the merged rows go but the changed one %r: %d rows left" % (changed, len(rows)))
        check(("stay:STATNrow%d,STATNrow%d." % (changed, taken)) in shown,
              "the second user's logon names the changed row %r too" % changed)
    memo = set() if psql("SELECT to_regclass('sgeo.statnmem') IS NULL").strip() == "t" else \
        {int(float(line)) for line in psql("SELECT basenumber FROM sgeo.statnmem").splitlines()}
    check(memo <= set(rows) - {taken}, "%s on the server: no memo line without its row, none for row %d" %
          (command, taken))


def ended_session(p):
    """Kills pvhost p and its driver, and ends the server session left
    waiting for a lock; answers when its locks are gone."""
    drivers = children(p.pid, "pvodbc")
    p.kill()
    for d in drivers:
        os.kill(d, signal.SIGKILL)
    p.communicate()
    psql("SELECT count(pg_terminate_backend(l.pid)) FROM pg_locks l WHERE NOT l.granted AND l.pid <> pg_backend_pid()")


def alert_words(out):
    """The words of every wrapping alert's lines, one blank apart."""
    return " ".join(" ".join(re.findall(r"^ +\d+: (.*)$", out, re.M)).split())


def damaged_on_server(args, root):
    """A row added with memo lines cut before its insert leaves its mark in
    PVMARK; its listed number is then changed so that the mark still
    parses. A second user's logon refuses the mark whole and names it, and
    sets it aside under the name it gives."""
    memo_statn(args, root)
    script = add_with_memo(4343, "Damaged")
    lock = share_lock()
    p = pvhost(args, root, script, wait=False)
    listed = cut_before_server_insert(p, "STATN-", 0, lock)
    check(listed is not None, "a damaged mark: the add is cut before its insert")
    if listed is None:
        return
    pieces = [line.split("|") for line in
              psql("SELECT trim(name), ordnumber, trim(marktext) FROM sgeo.pvmark ORDER BY name, ordnumber").splitlines()]
    name = pieces[0][0]
    whole = "".join(p[2] for p in pieces if p[0] == name)
    was, now = ("\n%d " % listed).encode().hex(), ("\n%d " % (listed + 1)).encode().hex()
    at = next(i for i in range(0, len(whole), 2) if whole.startswith(was, i))
    whole = whole[:at] + now + whole[at + len(was):]
    for p in pieces:
        if p[0] == name:
            size = len(p[2])
            psql("UPDATE sgeo.pvmark SET marktext = '%s' WHERE name = '%s' AND ordnumber = %s" %
                 (whole[:size], name, p[1]))
            whole = whole[size:]
    out = second_logon(args, root, WRAPPED)
    shown = alert_words(out)
    check(("The merge mark %s in PVMARK was not used: its line 3 fails its check. It is set aside as %s.BAD in "
           "PVMARK and no row was changed" % (name, name)) in shown,
          "a damaged mark is refused whole and named: %s" % out[-1500:])
    check(set(server_marks(psql, "sgeo")) == {name + ".BAD"}, "a damaged mark stays, set aside")
    psql("DELETE FROM sgeo.pvmark")


# A colleague's role (pg_server.h makes it), granted here to read every
# table of sgeo and to write its PVMARK only.
COLLEAGUE = ("colleague", "stone")
OWNER = ("geologist", "rock")
# Bytes of a mark's text one row of PVMARK holds.
PIECE_BYTES = 120


def schema_rows(schema):
    """Every row of every table of the schema but PVMARK, as text."""
    tables = psql("SELECT table_name FROM information_schema.tables WHERE table_schema = '%s' AND table_name <> "
                  "'pvmark' ORDER BY 1" % schema).split()
    return {t: psql("SELECT t::text FROM %s.%s t ORDER BY 1" % (schema, t)) for t in tables}


def planted_on_server(args, root):
    """The colleague plants in PVMARK marks no command of its own could
    have left: a refill of STATN and the mark of a row added with memo
    lines listing rows 2 and 4 (a digest over NAME alone), which would
    have the owner's logon drop STATN and delete those rows, a move's
    giving row 2 another NAME, a save's making a save of PVPOINT that
    holds no row current, an export's writing pvddict.s and cleanup.bat,
    and a refill mark whose name is a path
    outside every project, a file standing at its fresh name; the owner
    plants two that no command of its made. The owner's logon names the
    colleague's, sets them aside (the one named by a path is left) and
    leaves every table, row and file as it was."""
    memo_statn(args, root)
    out = pvhost(args, root, add_with_memo(4444, "Owned"))
    check("4444" in psql("SELECT stn FROM sgeo.statn") and server_marks(psql, "sgeo") == {},
          "the owner adds a row with its memo: %s" % out[-1500:])
    # PVPOINT as a save keeps it: each row under the number of its save.
    psql("ALTER TABLE sgeo.pvpoint ADD savegen INTEGER, ADD saverow INTEGER; UPDATE sgeo.pvpoint SET savegen = 1, "
         "saverow = 0")
    psql("GRANT USAGE ON SCHEMA sgeo TO colleague; GRANT SELECT ON ALL TABLES IN SCHEMA sgeo TO colleague; "
         "GRANT INSERT, UPDATE, DELETE ON sgeo.pvmark TO colleague")
    rows = {int(r[0]): (r[1].strip(), r[2].strip()) for r in server_rows("sgeo", "BASENUMBER, STN, NAME")}
    outside = os.path.join(root, "outside")
    os.makedirs(outside, exist_ok=True)
    canary = os.path.join(outside, "canary.MRFN")
    with open(canary, "w") as f:
        f.write("not a mark\n")
    digest = lambda n: mark_digest([rows[n][1]])  # noqa: E731
    planted = [
        (COLLEAGUE, "STATN.MRF", "STATN\n0\n"),
        (COLLEAGUE, "STATN-1.MRG", "STATN BASENUMBER 0\nC NAME\n2 %s\n4 %s\n" % (digest(2), digest(4))),
        (COLLEAGUE, "PVMOVE.MRK", "PVMOVE\nR\tSTATN\t2\tNAME\t%s\t\nC\tNAME\tPlanted\t%s\nEND\n" % rows[2]),
        (COLLEAGUE, "PVSETUP.MRS", "setup\nPVPOINT 7\ndone\n"),
        (COLLEAGUE, "MSCATLOG.MRU", "MSCATLOG\nS -init\nS -ta MSCATLOG MSCATALOG\nS -ta PVCOLUMN PVCOLUMN\ndone\n"),
        # Relative to the logon's working folder, root.
        (COLLEAGUE, "outside/canary.MRF", "STATN\n0\n"),
        # The owner's own, of a refill of a table holding rows without its
        # guard, and of a row that holds more than the listed column.
        (OWNER, "PVPOINT.MRF", "PVPOINT\n0\n"),
        (OWNER, "STATN-2.MRG", "STATN BASENUMBER 0\nC NAME\n5 %s\n" % digest(5)),
    ]
    for role, name, body in planted:
        text = seal_mark(body).encode()
        for k in range(0, len(text), PIECE_BYTES):
            psql("INSERT INTO sgeo.pvmark (name, ordnumber, marktext, writer) VALUES ('%s', %d, '%s', 'pv-add')"
                 % (name, k // PIECE_BYTES, text[k:k + PIECE_BYTES].hex()), role=role)
    before = schema_rows("sgeo")
    out = pvhost(args, root, logon("SGEO") + WRAPPED * len(planted) + "(pv_logoff)\nQUIT\n")
    shown = alert_words(out) + " ".join(out.split())
    marks = server_marks(psql, "sgeo")
    for role, name, body in planted[:5]:
        check(("%s in PVMARK" % name) in shown and name + ".BAD" in marks and name not in marks,
              "the planted mark %s is named and set aside: %s" % (name, out[-3000:]))
    check("outside/canary.MRF in PVMARK" in shown and "outside/canary.MRF" in marks,
          "the planted mark named by a path is named and left: %s" % out[-3000:])
    after = schema_rows("sgeo")
    check(after == before, "the planted marks change no table: %r" % [t for t in before if after.get(t) != before[t]])
    check(os.path.exists(canary), "the planted path leaves %s alone" % canary)
    check(not os.path.exists(os.path.join(root, "data", "petrivex", "SGEO", "cleanup.bat")),
          "the planted export's files are not written")
    psql("DELETE FROM sgeo.pvmark")


def writer_unread_on_server(args, root):
    """The owner's logon may read every column of PVMARK but the one in
    which the server records who wrote a mark: it cannot say who wrote an
    export's mark it finds, says so in the server's words and leaves the
    mark; given that column back, its next logon uses the mark."""
    text = seal_mark("MSCATLOG\n").encode()
    psql("INSERT INTO sgeo.pvmark (name, ordnumber, marktext, writer) VALUES ('MSCATLOG.MRU', 0, '%s', "
         "'pv-ustation')" % text.hex())
    psql("REVOKE SELECT ON sgeo.pvmark FROM geologist; "
         "GRANT SELECT (name, ordnumber, marktext, writer) ON sgeo.pvmark TO geologist")
    out = pvhost(args, root, logon("SGEO") + WRAPPED + "(pv_logoff)\nQUIT\n")
    shown = alert_words(out) + " ".join(out.split())
    check("MSCATLOG.MRU in PVMARK of pv-ustation cut short cannot be used now: the server cannot say who wrote it: "
          in shown and "permission denied" in shown and "It stays for the next logon." in shown,
          "a mark whose writer cannot be read is said so: %s" % out[-1500:])
    check(set(server_marks(psql, "sgeo")) == {"MSCATLOG.MRU"}, "a mark whose writer cannot be read stays in place")
    psql("GRANT SELECT ON sgeo.pvmark TO geologist")
    out = " ".join(pvhost(args, root, logon("SGEO") + "(pv_logoff)\nQUIT\n").split())
    check("pv-ustation on project SGEO was cut short;" in out and server_marks(psql, "sgeo") == {},
          "the writer readable again, the next logon uses the mark: %s" % out[-1500:])


def refill_on_server(args, root):
    """pv-ustation refills the server's MSCATLOG and is held (SITES, which
    it reads, locked) after the former catalogue is set aside: a
    second user's logon says which command writes MSCATLOG and changes
    nothing, and a write to the part filled is refused. The writer
    killed, the next logon of that second user puts the former MSCATLOG
    back; an edit of it then survives the first user's next logon."""
    geo = os.path.join(root, "projects", "GEO")
    # GEO as shipped, without column rules (the memo ones above make the
    # logon read the registered tables).
    if os.path.exists(os.path.join(geo, "PVCOLUMN.DBF")):
        os.remove(os.path.join(geo, "PVCOLUMN.DBF"))
    mslink_table(geo)
    load(root, "GEO", "sgeo")
    # pv-ustation writes its files into the project's folder in the user's
    # data folder, made when missing, whatever the working folder holds.
    export = logon("SGEO") + "pv-ustation\npv_ustation\nselect project 0\nok\n(pv_logoff)\nQUIT\n"
    out = pvhost(args, root, export)
    own = os.path.join(root, "data", "petrivex", "SGEO")
    check(all(os.path.isfile(os.path.join(own, f)) for f in ("pvddict.s", "cleanup.bat")) and
          not os.path.exists(os.path.join(root, "sgeo")),
          "pv-ustation writes its files in %s: %s" % (own, out[-1500:]))
    catalog = "SELECT * FROM sgeo.mscatlog ORDER BY 1, 2"
    edit = "UPDATE sgeo.mscatlog SET tablename = 'EDITED' WHERE entitynum = (SELECT min(entitynum) FROM sgeo.mscatlog)"
    before = psql(catalog)
    check(before.strip() != "", "pv-ustation makes MSCATLOG on the server: %s" % out[-1500:])
    # Once logged on, SITES is locked against every reader: the export
    # waits at its first read of the table, after it set the former
    # catalogue aside, and is stopped there. Answered from a pipe, the
    # dialogs come without their names.
    env = dict(os.environ, ASI_INI=os.path.join(root, "host.ini"), HOME=root,
               XDG_DATA_HOME=os.path.join(root, "data"))
    p = subprocess.Popen([args[0], "--module", args[1], "--resources", args[2]], cwd=root, env=env,
                         stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    marker = os.path.join(root, "logged_on.dxf")
    p.stdin.write(logon("SGEO") + "SAVE %s\n" % marker)
    p.stdin.flush()
    deadline = time.monotonic() + 60
    while p.poll() is None and not os.path.exists(marker) and time.monotonic() < deadline:
        time.sleep(0.02)
    lock = psql_session()
    lock.stdin.write("BEGIN;\nLOCK TABLE sgeo.sites IN ACCESS EXCLUSIVE MODE;\nSELECT 'locked';\n")
    lock.stdin.flush()
    lock.stdout.readline()
    p.stdin.write("pv-ustation\nselect project 0\nok\n(pv_logoff)\nQUIT\n")
    p.stdin.flush()
    while p.poll() is None and time.monotonic() < deadline and \
            psql("SELECT count(*) FROM pg_locks WHERE NOT granted AND relation = 'sgeo.sites'::regclass").strip() == "0":
        time.sleep(0.01)
    held = p.poll() is None and psql("SELECT to_regclass('sgeo.mscatlog_dbo') IS NOT NULL").strip() == "t"
    check(held, "pv-ustation is held with the former MSCATLOG set aside: %s" %
          (p.communicate()[0][-2000:] if p.poll() is not None else
           psql("SELECT relation::regclass, mode, granted FROM pg_locks WHERE relation IS NOT NULL")))
    if held:
        # pvhost stopped, SITES let go: its session lives on, idle.
        os.kill(p.pid, signal.SIGSTOP)
    lock.communicate("ROLLBACK;\n", timeout=60)
    if held:
        out = second_logon(args, root)
        check("Table MSCATLOG is being written by pv-ustation in another session." in out,
              "a second user's logon says which command writes MSCATLOG: %s" % out[-1500:])
        check(psql("SELECT to_regclass('sgeo.mscatlog_dbo') IS NOT NULL").strip() == "t",
              "the second user's logon leaves the running refill alone")
        # A put-back would discard a second user's write to the part
        # filled: each is refused, saying why.
        for write in (edit, "DELETE FROM sgeo.mscatlog", "INSERT INTO sgeo.mscatlog SELECT * FROM sgeo.mscatlog_dbo LIMIT 1"):
            psql(write, refused="Table MSCATLOG is being written by pv-ustation in another session.")
        ended_session(p)
        psql(edit, refused="Filling table MSCATLOG by pv-ustation was cut short in another session; log on to the "
             "project again to put it back.")
    while psql("SELECT count(*) FROM pg_locks WHERE locktype = 'advisory'").strip() != "0" and \
            time.monotonic() < deadline:
        time.sleep(0.05)
    out = second_logon(args, root)
    check("Filling table MSCATLOG was cut short; MSCATLOG is as it was before." in " ".join(out.split()),
          "the second user's logon puts MSCATLOG back: %s" % out[-1500:])
    check(psql(catalog) == before and psql("SELECT to_regclass('sgeo.mscatlog_dbo') IS NULL").strip() == "t" and
          server_marks(psql, "sgeo") == {}, "MSCATLOG as it was, nothing set aside, no mark left")
    psql(edit)
    edited = psql(catalog)
    out = pvhost(args, root, logon("SGEO") + "(pv_logoff)\nQUIT\n")
    check(psql(catalog) == edited and "cut short" not in out, "the first user's next logon keeps the edit: %s" %
          out[-1500:])


def ustation_cut_on_server(args, root, library):
    """pv-ustation on SGEO (SITES keyed by MSLINK) from an empty MSCATLOG
    and a script naming no table, pvhost killed at its 1st, 2nd... call of
    file work until one run ends whole: after the next logon MSCATLOG and
    pvddict.s name the same tables, no mark is left, and where the export
    had come so far the logon says that it finished it."""
    script = os.path.join(root, "data", "petrivex", "SGEO", "pvddict.s")
    shutil.copy(os.path.join(root, "host.ini"), os.path.join(root, "asi.ini"))
    export = logon("SGEO") + "pv-ustation\npv_ustation\nselect project 0\nok\n(pv_logoff)\nQUIT\n"
    finished = False
    for at in range(1, 40):
        psql("DELETE FROM sgeo.mscatlog")
        with open(script, "wb") as f:
            f.write(b"-init\r\n-ta MSCATLOG MSCATALOG\r\n-ta PVCOLUMN PVCOLUMN\r\n")
        cut = run_cut(args, root, export, library, at, "pvhost")[1]
        out = " ".join(pvhost(args, root, logon("SGEO") + "(pv_logoff)\nQUIT\n").split())
        finished = finished or "pv-ustation on project SGEO was cut short after it was complete; it is finished now." in out
        listed = psql("SELECT trim(tablename) FROM sgeo.mscatlog ORDER BY entitynum").split()
        with open(script, "rb") as f:
            given = [ln.split()[1] for ln in f.read().decode().splitlines()[3:] if ln.startswith("-ta ")]
        check(listed == given and server_marks(psql, "sgeo") == {},
              "pvhost killed at %d: MSCATLOG %r and pvddict.s %r agree, no mark left: %s" % (at, listed, given,
                                                                                          out[-1500:]))
        if not cut:
            break
    check(not cut and finished, "the runs reach a whole export, and a logon finishes one cut short")


def main():
    if len(sys.argv) != 8 or sys.argv[6] != "--server":
        raise SystemExit(__doc__)
    args, root = sys.argv[1:4], os.path.abspath(sys.argv[4])
    SERVER["port"] = sys.argv[7]
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(os.path.join(root, "data"))
    for p in ("GEO", "RIDGE", "Projections"):
        shutil.copytree(os.path.join(args[2], "projects", p), os.path.join(root, "projects", p))
    with open(os.path.join(root, "host.ini"), "w") as f:
        f.write(HOST_INI % {"root": root})
    across(args, root)
    cut_short(args, root)
    two_writers(args, root)
    for command in ("merge", "import"):
        beside_writer(args, root, "SGEO", command)
        beside_writer(args, root, "GEO", command)
    for command in ("import", "add", "merge"):
        taken_on_server(args, root, command)
    damaged_on_server(args, root)
    planted_on_server(args, root)
    writer_unread_on_server(args, root)
    refill_on_server(args, root)
    ustation_cut_on_server(args, root, sys.argv[5])
    if FAILURES:
        print("FAILED:", len(FAILURES), "checks; the work is kept in", root)
        sys.exit(1)
    shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main()
