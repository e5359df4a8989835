"""What the end-to-end scripts of the data commands share to make DB3
projects with the python dbf module: a table with its rows, and the setup
tables PVTABLE and PVCOLUMN.

  table(path, PVCOLUMN_FIELDS, [("NOTES", "STATN", "", "", 0x200, 0, 0, 0, " ", "", 0, 0)])
"""
import os
import subprocess
import sys

import dbf

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


def registry_row(name, kind, **keys):
    """A PVTABLE row: unique number BASENUMBER and the key columns given."""
    row = dict.fromkeys(PVTABLE_NAMES, "")
    row.update(TABLENAME=name, TABLETYPE=kind, BASENUMBER="BASENUMBER", **keys)
    return tuple(row[n] for n in PVTABLE_NAMES)


def pvhost_start(args, root, script, options=()):
    """Starts pvhost (args: program, module, resources; options: more of its
    options) on root/in.dxf with a script written to root/run.scr, ASI_INI
    root/asi.ini and HOME root, its output to pipes; answers the
    subprocess.Popen."""
    with open(os.path.join(root, "run.scr"), "w") as f:
        f.write(script)
    pv, module, resources = args
    env = dict(os.environ, ASI_INI=os.path.join(root, "asi.ini"), HOME=root,
               XDG_DATA_HOME=os.path.join(root, "data"))
    return subprocess.Popen([pv, "--script", "run.scr", "--module", module, "--resources", resources,
                             "--drawing", "in.dxf", *options], cwd=root, env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True)


def pvhost_run(args, root, script, options=()):
    """Runs pvhost as pvhost_start does, to its end; prints its output and
    answers (exit status, standard output)."""
    p = pvhost_start(args, root, script, options)
    try:
        out, err = p.communicate(timeout=120)
    except subprocess.TimeoutExpired:
        p.kill()
        out, err = p.communicate()
    r = subprocess.CompletedProcess(p.args, p.returncode, out, err)
    print(r.stdout)
    print(r.stderr, file=sys.stderr)
    return r.returncode, r.stdout


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
