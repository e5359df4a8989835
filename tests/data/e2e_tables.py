"""What the end-to-end scripts of the data commands share to make DB3
projects with the python dbf module: a table with its rows, and the setup
tables PVTABLE and PVCOLUMN; and the marks of commands under way as the
module writes them (each line with the check of the body so far).

  table(path, PVCOLUMN_FIELDS, [("NOTES", "STATN", "", "", 0x200, 0, 0, 0, " ", "", 0, 0)])
"""
import fcntl
import glob
import os
import re
import signal
import subprocess
import sys
import time
import zlib

import dbf
import dbfread

PVTABLE_NAMES = ("TABLENAME", "TABLETYPE", "BASENUMBER", "ANALYSIS", "SAMPLE", "COMPOSE", "ROCK",
                 "GENESIS", "SEGMENT", "STATION", "OUTCROP", "TRAVERSE", "BOUNDARY", "UNIT", "LEGEND",
                 "REFERENCE", "DICTION", "OTHER", "GROUPING", "PNT", "POINT")
PVTABLE_FIELDS = ";".join("%s C(20)" % n for n in PVTABLE_NAMES)
PVCOLUMN_FIELDS = ("COLUMNAME C(20); TABLENAME C(20); DICTIONARY C(20); PROFILE C(20); "
                   "FLAGS N(11,0); RANGEFLAGS N(11,0); PICKLEVEL N(11,0); EXTRAWORD N(11,0); "
                   "DELIMITER C(1); DEFAULTVAL C(254); MINIMUM N(19,6); MAXIMUM N(19,6)")


def table(path, fields, rows):
    """Writes a dBASE III table in code page 1252 with its rows."""
    t = dbf.Table(path, fields, dbf_type="db3", codepage="cp1252")
    t.open(dbf.READ_WRITE)
    for r in rows:
        t.append(r)
    t.close()


def numeric_table(path, fields, rows):
    """Writes a dBASE III table as the DB3 driver's CREATE TABLE does, which
    python's dbf cannot (it stops at 19 digits): fields as table() takes
    them, C and N only, each N field marked NUMERIC in its descriptor's
    reserved bytes, so that an N(20,d) reads as NUMERIC(20,d) (unmarked it
    is a DOUBLE); a number given as a text is written as it is."""
    import struct
    specs = [re.match(r"\s*(\w+) ([CN])\((\d+)(?:,(\d+))?\)\s*$", f).groups() for f in fields.split(";")]
    specs = [(n, t, int(w), int(d or 0)) for n, t, w, d in specs]
    out = struct.pack("<4BIHH17xB2x", 3, 126, 1, 1, len(rows), 33 + 32 * len(specs), 1 + sum(s[2] for s in specs), 3)
    for name, kind, width, decimals in specs:
        mark = (b"P", 2) if kind == "N" else (b"\0", 0)
        out += struct.pack("<11sc4xBB2xcB10x", name.encode(), kind.encode(), width, decimals, *mark)
    out += b"\r"
    for row in rows:
        out += b" "
        for (_, kind, width, decimals), v in zip(specs, row):
            text = "" if v is None else v if isinstance(v, str) else "%.*f" % (decimals, v)
            out += (text.ljust(width) if kind == "C" else text.rjust(width)).encode("cp1252")
    with open(path, "wb") as f:
        f.write(out + b"\x1a")


def seal_mark(body):
    """A mark's body as the module writes it: each line followed by a tab
    and the CRC-32 of the body up to and with that line (newlines
    included), in eight lowercase hex digits."""
    out, crc = "", 0
    for line in body.splitlines():
        crc = zlib.crc32((line + "\n").encode(), crc)
        out += "%s\t%08x\n" % (line, crc)
    return out


def unseal_mark(text):
    """The whole lines of a mark without their checks (a line without one
    as it stands)."""
    return [re.sub(r"\t[0-9a-f]{8}$", "", l) for l in text.split("\n")[:-1]]


def mark_digest(texts):
    """The digest a merge mark lists for a row: the 64-bit FNV-1a hash of
    the row's texts as the table holds them, each ended by a NUL."""
    h = 0xcbf29ce484222325
    for t in texts:
        for b in t.encode("cp1252") + b"\0":
            h = ((h ^ b) * 0x100000001b3) & 0xFFFFFFFFFFFFFFFF
    return "%016x" % h


def listed_numbers(path):
    """The numbers a merge mark (or a row's own mark) lists, in order, a
    number taken back left out; [] while there is none or no mark."""
    try:
        with open(path) as f:
            return listed_in(unseal_mark(f.read()))
    except OSError:
        return []


def server_marks(psql, schema):
    """The marks of a server project's table PVMARK in schema, read with
    psql (a function running a statement, answering its rows): {name: the
    mark's lines without their checks}; {} when there is no such table."""
    if psql("SELECT to_regclass('%s.pvmark') IS NOT NULL" % schema).strip() != "t":
        return {}
    pieces = {}
    for line in psql("SELECT trim(name), marktext FROM %s.pvmark ORDER BY name, ordnumber" % schema).splitlines():
        name, text = line.split("|")
        pieces[name] = pieces.get(name, b"") + bytes.fromhex(text.strip())
    return {name: unseal_mark(text.decode("cp1252")) for name, text in pieces.items()}


def listed_in(lines):
    """The numbers a merge mark's lines (without their checks) list, in
    order, a number taken back left out."""
    numbers = []
    for line in lines[1:]:
        word = line.split(" ")[0]
        if word.isdigit():
            numbers.append(int(word))
        elif word[:1] == "-" and word[1:].isdigit() and int(word[1:]) in numbers:
            numbers.reverse()
            numbers.remove(int(word[1:]))
            numbers.reverse()
    return numbers


def second_user(args, root, logon):
    """A second user of the projects under root: pvhost (args: program,
    module, resources) in a home of its own (root/second), answering from a
    pipe, logged on with the logon line. Answers the subprocess.Popen once
    the logon is over; its further answers go with communicate."""
    home = os.path.join(root, "second")
    os.makedirs(home, exist_ok=True)
    pv, module, resources = args
    env = dict(os.environ, ASI_INI=os.path.join(root, "asi.ini"), HOME=home,
               XDG_DATA_HOME=os.path.join(home, "data"))
    p = subprocess.Popen([pv, "--module", module, "--resources", resources], cwd=root, env=env,
                         stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    marker = os.path.join(home, "logged_on.dxf")
    p.stdin.write(logon + "SAVE %s\n" % marker)
    p.stdin.flush()
    deadline = time.time() + 60
    while p.poll() is None and not os.path.exists(marker) and time.time() < deadline:
        time.sleep(0.02)
    return p


def cut_before_insert(p, dbf_path, pattern, after=1, driver="pvdb3"):
    """Cuts pvhost p (a command that lists each number in a mark matching
    pattern before its row goes into the dBASE table dbf_path) between the
    listing of a number and its insert: a shared lock on the table is taken
    once after numbers are listed (at once with after 0), so that the
    driver waits for it at the insert of the number listed last; pvhost and
    its driver are killed there and the lock let go. Answers that number, or
    None when p ended first."""
    deadline = time.time() + 60
    lock, seen, held = None, None, set()
    try:
        while p.poll() is None and time.time() < deadline:
            marks = glob.glob(pattern)
            numbers = listed_numbers(marks[0]) if marks else []
            if lock is None and (len(numbers) >= after or after == 0):
                lock = open(dbf_path, "rb")
                fcntl.flock(lock, fcntl.LOCK_SH)
                continue
            if lock and numbers and numbers[-1] != seen:
                seen = numbers[-1]
                held = {int(r["BASENUMBER"]) for r in dbfread.DBF(dbf_path)}
                if seen not in held:
                    drivers = children(p.pid, driver)
                    p.kill()
                    for d in drivers:
                        os.kill(d, signal.SIGKILL)
                    p.communicate()
                    return seen
            time.sleep(0.002)
        return None
    finally:
        if lock:
            lock.close()


def mslink_table(proj):
    """The project in folder proj gets SITES, keyed by MSLINK, for the
    Microstation export."""
    table(os.path.join(proj, "SITES.DBF"), "MSLINK N(10,0); NAME C(20)",
          [(n, "Site %d" % n) for n in range(1, 9)])
    registry = dbf.Table(os.path.join(proj, "PVTABLE.DBF"))
    registry.open(dbf.READ_WRITE)
    row = list(registry_row("SITES", "OTHER"))
    row[PVTABLE_NAMES.index("BASENUMBER")] = "MSLINK"
    registry.append(tuple(row))
    registry.close()


def registry_row(name, kind, **keys):
    """A PVTABLE row: unique number BASENUMBER and the key columns given."""
    row = dict.fromkeys(PVTABLE_NAMES, "")
    row.update(TABLENAME=name, TABLETYPE=kind, BASENUMBER="BASENUMBER", **keys)
    return tuple(row[n] for n in PVTABLE_NAMES)


def pvhost_start(args, root, script, options=(), preexec=None):
    """Starts pvhost (args: program, module, resources; options: more of its
    options; preexec: a function run in the child before pvhost, to set its
    limits) on root/in.dxf with a script written to root/run.scr, ASI_INI
    root/asi.ini and HOME root, its output to pipes; answers the
    subprocess.Popen."""
    with open(os.path.join(root, "run.scr"), "w") as f:
        f.write(script)
    pv, module, resources = args
    env = dict(os.environ, ASI_INI=os.path.join(root, "asi.ini"), HOME=root,
               XDG_DATA_HOME=os.path.join(root, "data"))
    return subprocess.Popen([pv, "--script", "run.scr", "--module", module, "--resources", resources,
                             "--drawing", "in.dxf", *options], cwd=root, env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True, preexec_fn=preexec)


def pvhost_run(args, root, script, options=(), preexec=None, timeout=120):
    """Runs pvhost as pvhost_start does, to its end (killed after timeout
    seconds); prints its output and answers (exit status, standard
    output)."""
    p = pvhost_start(args, root, script, options, preexec)
    try:
        out, err = p.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        p.kill()
        out, err = p.communicate()
    r = subprocess.CompletedProcess(p.args, p.returncode, out, err)
    print(r.stdout)
    print(r.stderr, file=sys.stderr)
    return r.returncode, r.stdout


def run_cut(args, root, script, library, at, program, whom="self"):
    """Runs pvhost (args: program, module, resources) on a script written
    to root/cut.scr, in root, its asi.ini and home there, with the kill
    library (tests/kill_at.cpp) preloaded to cut program (pvhost, pvdb3)
    at its call at, or with whom "parent" the program that started it.
    Once the program counted in has ended (a driver left without its
    pvhost ends its request first), answers (standard output, whether the
    run was cut)."""
    with open(os.path.join(root, "cut.scr"), "w") as f:
        f.write(script)
    pv, module, resources = args
    command = [pv, "--script", "cut.scr", "--module", module, "--resources", resources]
    note = os.path.join(root, "killed")
    if os.path.exists(note):
        os.remove(note)
    env = dict(os.environ, ASI_INI=os.path.join(root, "asi.ini"), HOME=root, XDG_DATA_HOME=os.path.join(root, "data"),
               LD_PRELOAD=library, PV_KILL_AT=str(at), PV_KILL_PROGRAM=program, PV_KILL_WHOM=whom,
               PV_KILL_NOTE=note)
    out = subprocess.run(command, cwd=root, env=env, capture_output=True, text=True, timeout=120).stdout
    if not os.path.exists(note):
        return out, False
    with open(note) as f:
        counted = int(f.read() or 0)
    end = time.time() + 30
    while counted and os.path.exists("/proc/%d" % counted) and time.time() < end:
        try:
            with open("/proc/%d/stat" % counted) as f:
                if f.read().split(")")[-1].split()[0] == "Z":
                    break
        except OSError:
            break
        time.sleep(0.01)
    return out, True


def wrapped(out):
    """The transcript with the lines of every wrapping alert joined again."""
    return re.sub(r"\n +\d+: ", " ", out)


def children(pid, name):
    """The processes of that name whose parent is pid (a driver that pvhost
    started, for a test to kill)."""
    found = []
    for d in os.listdir("/proc"):
        try:
            with open("/proc/%s/stat" % d) as f:
                st = f.read()
        except OSError:
            continue
        if st[st.find("(") + 1:st.rfind(")")] == name and int(st[st.rfind(")") + 2:].split()[1]) == pid:
            found.append(int(d))
    return found


def store_links(doc):
    """The editor's link store of an ezdxf drawing (extended data "ASE" of
    the APPID entry "ASE"): {entity handle: (link path name, row id)}."""
    ase = doc.appids.get("ASE") if "ASE" in doc.appids else None
    tags = [(t.code, t.value) for t in ase.get_xdata("ASE")] if ase is not None and ase.has_xdata("ASE") else []
    # A link: "LINK", number, kind, flag, handle, link path name, the count
    # of its key values, then the first value's type and the value.
    return {tags[i + 4][1]: (tags[i + 5][1], tags[i + 8][1])
            for i, t in enumerate(tags) if t == (1000, "LINK") and i + 8 < len(tags)}


FAILURES = []


def check(ok, what):
    """Records and prints a failed check."""
    if not ok:
        FAILURES.append(what)
        print("FAIL:", what)


def e2e_main(doc, test):
    """Runs test(args, work) for the arguments PVHOST MODULE RESOURCES WORKDIR
    and answers the exit status: 0 when no check failed."""
    if len(sys.argv) != 5:
        print(doc)
        return 2
    test(sys.argv[1:4], sys.argv[4])
    print("%d failure(s)" % len(FAILURES))
    return 1 if FAILURES else 0
