"""What the end-to-end scripts of the map share: the list of failed checks
and a pvhost run of a script in a scratch directory that stands for the
user's home and data folder.

  from e2e_util import FAILURES, check, run_pvhost, map_setup_drawing
"""
import os
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data"))
from e2e_tables import FAILURES, check, children, store_links  # noqa: E402,F401 (one list of failed checks for every script)


def run_pvhost(pvhost, module, resources, root, script, drawing=None, status=0, env=None, rows_per_request=None,
               options=()):
    """Runs pvhost on the script in root (opening the drawing when given,
    with env added to the environment, the rows a batched look-up asks
    for when given, and more of its options);
    checks that it exits with status (0: reporting no fault) and
    initialises; answers its output (with status 1, its faults after it)."""
    with open(os.path.join(root, "run.scr"), "w") as f:
        f.write(script)
    env = dict(os.environ, ASI_INI=os.path.join(root, "asi.ini"), HOME=root,
               XDG_DATA_HOME=os.path.join(root, "data"), **(env or {}))
    args = [pvhost, "--script", "run.scr", "--module", module, "--resources", resources]
    if drawing:
        args += ["--drawing", drawing]
    if rows_per_request:
        args += ["--rows-per-request", str(rows_per_request)]
    args += list(options)
    r = subprocess.run(args, cwd=root, env=env, capture_output=True, text=True, timeout=60)
    print(r.stdout)
    print(r.stderr, file=sys.stderr)
    check(r.returncode == status, "pvhost exit status %d, want %d" % (r.returncode, status))
    check(status != 0 or "fault" not in r.stderr, "pvhost reports no fault")
    check("Cannot initialize Petrivex" not in r.stdout, "start-up initialises the map setup")
    return r.stdout if status == 0 else r.stdout + r.stderr


def make_unwritable(path, replaced_too=False):
    """Makes a file that no one may write (nor, with replaced_too, replace
    by renaming another over it), and answers what makes it writable
    again: immutable for root, whom file modes do not stop (chattr +i),
    else without any write permission (with replaced_too its folder too)."""
    if os.geteuid() == 0:
        subprocess.run(["chattr", "+i", path], check=True, capture_output=True)
        return lambda: subprocess.run(["chattr", "-i", path], check=True, capture_output=True)
    paths = [path] + ([os.path.dirname(os.path.abspath(path))] if replaced_too else [])
    modes = [(p, os.stat(p).st_mode) for p in paths]
    for p, mode in modes:
        os.chmod(p, mode & ~0o222)

    def writable_again():
        for p, mode in modes:
            os.chmod(p, mode)
    return writable_again


def run_pvhost_driver_killed(pvhost, module, resources, root, answers, drawing=None, damaged=None):
    """Runs pvhost on GEO with its answers on a pipe, so that the DB3 driver
    is killed (or, with damaged given, that file cut short) after the logon
    and before the answers; answers the output."""
    env = dict(os.environ, ASI_INI=os.path.join(root, "asi.ini"), HOME=root,
               XDG_DATA_HOME=os.path.join(root, "data"))
    args = [pvhost, "--module", module, "--resources", resources] + (["--drawing", drawing] if drawing else [])
    pv = subprocess.Popen(args, cwd=root, env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True)
    pv.stdin.write('(pv_open "GEO" "DB3" "" "")\nSAVE logged_on.dxf\n')
    pv.stdin.flush()
    started = time.time()
    while not os.path.exists(os.path.join(root, "logged_on.dxf")) and time.time() - started < 60:
        time.sleep(0.05)
    if damaged:
        with open(damaged, "r+b") as f:
            f.truncate(10)
        drivers = [None]
    else:
        drivers = children(pv.pid, "pvdb3")
        for driver in drivers:
            os.kill(driver, signal.SIGKILL)
    out = pv.communicate(answers, timeout=60)[0]
    print(out)
    check(len(drivers) == 1, "the driver was found and killed: %r" % drivers)
    return out


def run_pvhost_killed(pvhost, module, resources, root, script, drawing, watched, delay, driver_only):
    """Runs pvhost on the script in root (its drawing opened) and, once one
    of the watched files has changed (or watched, a function, answers
    true), waits delay seconds and kills pvhost or, with driver_only, its
    DB3 driver; answers when pvhost has ended."""
    with open(os.path.join(root, "run.scr"), "w") as f:
        f.write(script)
    env = dict(os.environ, ASI_INI=os.path.join(root, "asi.ini"), HOME=root,
               XDG_DATA_HOME=os.path.join(root, "data"))
    changed = watched if callable(watched) else None
    before = [] if changed else [os.stat(f).st_mtime_ns for f in watched]
    p = subprocess.Popen([pvhost, "--script", "run.scr", "--module", module, "--resources", resources,
                          "--drawing", drawing], cwd=root, env=env, stdout=subprocess.DEVNULL,
                         stderr=subprocess.DEVNULL)
    while p.poll() is None and (not changed() if changed else [os.stat(f).st_mtime_ns for f in watched] == before):
        time.sleep(0.002)
    time.sleep(delay)
    drivers = children(p.pid, "pvdb3")
    for pid in drivers if driver_only else [p.pid]:
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    try:
        p.wait(timeout=60)
    except subprocess.TimeoutExpired:
        p.kill()
        p.wait()
    # A driver left without its pvhost ends its statement first: the next
    # logon comes after it, as it would for a user.
    end = time.time() + 30
    while time.time() < end and any(os.path.exists("/proc/%d" % d) and not zombie(d) for d in drivers):
        time.sleep(0.01)


def zombie(pid):
    """Whether a process has ended and waits only to be reaped."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().split(")")[-1].split()[0] == "Z"
    except OSError:
        return True


def map_setup_drawing(proj):
    """A new ezdxf drawing holding the map setup block (PROJ the map's
    coordinate system, scale and text height 1) and its one reference."""
    import ezdxf
    doc = ezdxf.new("R2000")
    doc.appids.new("PETRIVEX")
    block = doc.blocks.new_anonymous_block("U")
    for tag, value in (("NAME", "PETRIVEX_PARAMS"), ("PROJ", proj), ("SCALE", "1.000000"),
                       ("HEIGHT", "1.000000")):
        block.add_attdef(tag, (0, 0), value, dxfattribs={"prompt": tag, "flags": 13, "height": 1.0})
    doc.modelspace().add_blockref(block.name, (0, 0), dxfattribs={"layer": "0"})
    return doc


def copy_projects(resources, root, links=None):
    """A scratch root holding a copy of the sample projects and asi.ini
    (with the editor's links on for the project named by links)."""
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(os.path.join(root, "projects"))
    for name in os.listdir(os.path.join(resources, "projects")):
        src = os.path.join(resources, "projects", name)
        if os.path.isdir(src):
            shutil.copytree(src, os.path.join(root, "projects", name))
    with open(os.path.join(resources, "asi.ini")) as f:
        ini = f.read()
    with open(os.path.join(root, "asi.ini"), "w") as f:
        f.write(ini.replace("%s.links=0" % links, "%s.links=1" % links) if links else ini)


# Tables of the random drawing: the own key column, the columns an entity
# may be linked through (and show), and the values of a new row.
RANDOM_TABLES = {
    "STATN": ("STN", ("NAME", "ROCKTYPE", "STN"),
              lambda i, stn: dict(stn=stn, name="Stn %d" % stn, elev=1000 + i, rocktype="Rock %d" % (i % 7))),
    "STRUC": ("STN", ("FEATURE", "STRIKE"),
              lambda i, stn: dict(stn=stn, feature="feat %d" % i, strike=i % 360, dip=45)),
    "UNIT": ("UNITNO", ("LEGEND", "UNITNO", "ROCK"),
             lambda i, stn: dict(unitno=stn, age="Q", legend="L%d" % stn, rock="rock %d" % i, pattern="BASALT",
                                 colour=i % 7)),
    "GEOCH": ("STN", ("SAMPLE", "CU"),
              lambda i, stn: dict(sample="G-%d" % i, stn=stn, rock="granite", cu=10 + i, zn=5, pb=1)),
}


def random_ridge(resources, root, seed, rows=260):
    """A scratch copy of the sample projects with RIDGE's links on, its
    tables STATN, STRUC, UNIT and GEOCH grown by `rows` random rows (the
    point setup of each names the first of its columns below), and
    root/in.dxf: the map setup (UTM 10 NAD27) and TEXTs (some LINEs, some
    objects attached by BASENUMBER) linked to them, drawn off their rows'
    points, in random order. Then rows are taken away (missing rows) or
    renumbered (stale links), and two rows are given a BASENUMBER another
    row holds: one whose entities come near the start of the drawing
    beside those of the other row, one whose entity comes at its end, far
    from the other's. The same seed makes the same project and drawing."""
    import dbf
    import random
    rng = random.Random(seed)
    copy_projects(resources, root, "RIDGE")
    proj = os.path.join(root, "projects", "RIDGE")
    points = dbf.Table(os.path.join(proj, "PVPOINT.DBF"))
    points.open(dbf.READ_WRITE)
    for record in points:
        if record.tablename.strip() in RANDOM_TABLES:
            with record:
                record.symcolumn = RANDOM_TABLES[record.tablename.strip()][1][0]
    points.close()
    tables = {name: dbf.Table(os.path.join(proj, name + ".DBF")) for name in RANDOM_TABLES}
    for t in tables.values():
        t.open(dbf.READ_WRITE)
    doc = map_setup_drawing("UTM 10 NAD27")
    entities, made = [], {}
    for i in range(rows):
        name = rng.choice(sorted(RANDOM_TABLES))
        own, shown, values = RANDOM_TABLES[name]
        number = len(tables[name]) + 1
        stn = 500 + i
        x, y = 618000.0 + (i % 20) * 100, 5624000.0 + (i // 20) * 100
        row = dict(values(i, stn), basenumber=number, easting=x, northing=y)
        tables[name].append(row)
        record = tables[name][-1]
        made.setdefault(name, []).append(record)
        for k, column in enumerate(rng.sample(shown, rng.randint(1, 2))):
            text = str(row[column.lower()])
            link = [(1000, "RIDGE"), (1000, name), (1071, number), (1000, column), (1000, str(stn)), (1000, "")]
            entities.append(("TEXT", text, (x + 7 + 4 * k, y + 3), link))
        if rng.random() < 0.1:
            link = [(1000, "RIDGE"), (1000, name), (1071, number), (1000, "BASENUMBER"), (1000, str(stn)), (1000, "")]
            entities.append(("TEXT", "note %d" % i, (x + 2, y - 4), link))
        if rng.random() < 0.1:
            link = [(1000, "RIDGE"), (1000, name), (1071, number), (1000, shown[0]), (1000, str(stn)), (1000, "")]
            entities.append(("LINE", None, (x - 5, y - 5), link))
    rng.shuffle(entities)
    # Rows taken away and rows renumbered behind their entities' backs.
    for name, records in sorted(made.items()):
        for record in rng.sample(records, len(records) // 10):
            dbf.delete(record)
        for record in rng.sample(records, len(records) // 10):
            if not dbf.is_deleted(record):
                with record:
                    record.basenumber += 1000
    # Two more rows of STATN under BASENUMBERs other rows hold.
    statn = [r for r in made["STATN"] if not dbf.is_deleted(r) and r.basenumber < 1000]
    for k, (other, at) in enumerate(((statn[0], 3), (statn[-1], len(entities)))):
        stn, number = 900 + k, int(other.basenumber)
        x, y = float(other.easting) + 50, float(other.northing) + 50
        tables["STATN"].append(dict(basenumber=number, stn=stn, name="Twin %d" % k, elev=1, rocktype="twin",
                                    easting=x, northing=y))
        link = [(1000, "RIDGE"), (1000, "STATN"), (1071, number), (1000, "NAME"), (1000, str(stn)), (1000, "")]
        entities.insert(at, ("TEXT", "Twin %d" % k, (x + 7, y + 3), link))
        if k == 0:
            ours = [e for e in entities if e[3][1:3] == [(1000, "STATN"), (1071, number)] and e[3][4][1] != str(stn)]
            for e in ours:
                entities.remove(e)
                entities.insert(1, e)
    for t in tables.values():
        t.pack()
        t.close()
    msp = doc.modelspace()
    for kind, text, at, link in entities:
        if kind == "TEXT":
            e = msp.add_text(text, dxfattribs={"height": 1.0, "insert": at})
        else:
            e = msp.add_line(at, (at[0] + 3, at[1] + 3))
        e.set_xdata("PETRIVEX", link)
    doc.saveas(os.path.join(root, "in.dxf"))
    return proj


def drawing_dump(path):
    """What a saved drawing holds, for holding two against each other: each
    entity of its database with its type, handle, attributes and extended
    data, and the link store."""
    import ezdxf
    doc = ezdxf.readfile(path)
    out = []
    for e in doc.entitydb.values():
        attribs = sorted((k, str(v)) for k, v in e.dxf.all_existing_dxf_attribs().items())
        xdata = [(app, [(t.code, str(t.value)) for t in e.get_xdata(app)]) for app in ("PETRIVEX", "ASE")
                 if e.has_xdata(app)]
        out.append((e.dxftype(), e.dxf.handle, attribs, xdata))
    return sorted(out), store_links(doc)


def tables_dump(proj, names):
    """Every row of the named tables of a project, as dbfread reads them."""
    import dbfread
    return {n: [dict(r) for r in dbfread.DBF(os.path.join(proj, n + ".DBF"))] for n in names}


def held_against_single(pvhost, module, resources, work, script, seed, rows=260):
    """Runs the script on the same random drawing and project twice, with
    rows fetched for a batch of 100 entities at once (a few batches a
    drawing) and one by one (--rows-per-request 1), saving out.dxf, and
    checks that the saved drawings, their link stores, the tables and
    pvhost's output are the same. Answers the output of the batched run."""
    got = {}
    for way, per in (("batched", 100), ("single", 1)):
        root = os.path.join(work, way)
        proj = random_ridge(resources, root, seed, rows)
        out = run_pvhost(pvhost, module, resources, root, script, drawing=os.path.join(root, "in.dxf"),
                         rows_per_request=per)
        drawn, store = drawing_dump(os.path.join(root, "out.dxf"))
        got[way] = {"pvhost's output": out.replace(root, "ROOT"), "saved drawing": drawn, "link store": store,
                    "tables": tables_dump(proj, sorted(RANDOM_TABLES))}
    for what, batched in got["batched"].items():
        single = got["single"][what]
        if isinstance(batched, str):
            batched, single = batched.splitlines(), single.splitlines()
        keys = sorted(set(batched) | set(single)) if isinstance(batched, dict) else range(max(len(batched), len(single)))
        pick = (lambda d, k: d.get(k)) if isinstance(batched, dict) else (lambda d, k: d[k] if k < len(d) else None)
        first = next((k for k in keys if pick(batched, k) != pick(single, k)), None)
        if first is not None:
            check(False, "the batched run's %s differs from the one-by-one run's at %r: %.300r against %.300r"
                  % (what, first, pick(batched, first), pick(single, first)))
    return got["batched"]["pvhost's output"]
