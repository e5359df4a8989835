#!/usr/bin/python3
"""Commands that read rows, each met by a failure, end to end through
pvhost: one table of commands against one table of failures.

  read_failure_e2e.py PVHOST MODULE RESOURCES WORKDIR [--server PORT]

Each run copies the sample projects into a scratch root, makes the
command's drawing, logs on and saves the drawing as before.dxf, then brings
the failure about and copies the project's files; then the command runs
with its answers, the drawing is saved as after.dxf and pvhost quits. The
failures:

  count     the header of the table read counts three records more than
            its file holds
  cut       the table read is cut in the middle of its third record
  killed    the DB3 driver is killed
  readonly  the table the command writes cannot be written (its file made
            immutable, or for a user other than root it and its folder
            left without write permission), for commands that write
  refilled  the table the command writes is being filled anew by another
            session (its guard file names a running driver of this
            machine), for commands that write
  coverage cut
            the coverage's polygon file loses the end of its last record,
            or its arc file half its records (the command's cover_file),
            for the coverage commands
  full      no file of pvhost and its driver may grow past FULL_BYTES
            bytes (a file-size limit: every write beyond fails as on a
            full disk, "File too large"), for commands that write; the
            limit goes once the command is over, before after.dxf
  lost      (with --server, on GEO put into the schema "sgeo" of the
            PostgreSQL server at 127.0.0.1:PORT, logged on as SGEO) the
            server ends the connection (pg_terminate_backend from a
            connection of its own)
  timeout   (with --server) pvhost's session cuts every statement short
            after STATEMENT_TIMEOUT_MS, and a connection of the test's own
            holds the rows inserted into the table the command makes (a
            trigger the server's event trigger puts on it waits for an
            advisory lock the test holds) until the command is over: the
            inserts end with the server's timeout; only these two failures
            are run then

The coverage commands (pv-arclegend, pv-arcmake) run on the legend
checker's project and coverage (arclegend_e2e.py), written by the program
named in PV_COVER_SAMPLES; they are left out without it.

Each run checks that the command said what failed in one error alert,
naming the table (the driver of DB3 when it was killed, the server's
words when the connection was cut), that no closing alert of a command
that went through was shown, and that the drawing (after.dxf against
before.dxf), the project's tables (on the server, every row of every table
of its schema) and the output files are byte for byte as before.

To add a command, add a Command to COMMANDS: its drawing, its answers (as
typed: the command, its selection and its dialogs' answers; a dialog's
name need not be given), the tables it reads and writes and the texts it
must not show under a failure.
"""
import os
import re
import resource
import shutil
import signal
import socket
import subprocess
import sys
import threading
import time

import ezdxf

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_util import FAILURES, check, children, copy_projects, make_unwritable, map_setup_drawing  # noqa: E402

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "output"))
import arclegend_e2e  # noqa: E402
import row_edit_e2e  # noqa: E402

# The title of an error alert.
ERR_TITLE = "Petrivex ERROR:"
# The closing alert of a command that went through: its counts.
CLOSING = "[Alert] PETRIVEX\n"
# Bytes a file may grow to under the failure "full".
FULL_BYTES = 16
# The reason a write past the file-size limit fails with, without blanks.
FULL_REASON = "Filetoolarge"
# How long pvhost's server session lets a statement run under "timeout".
STATEMENT_TIMEOUT_MS = 1000


# The run's programs (pvhost, module, resources) and, with --server, the
# server's port.
RUN = {}


class Command:
    """One row of the table of commands."""

    def __init__(self, name, answers, reads, writes=None, drawing=None, setup=None, not_shown=(), failures=None,
                 said=None, files=(), server=("lost",), cover_file=None, full_bytes=None):
        self.name = name              # what the run is called
        self.answers = answers        # typed after the logon; or made by a function of the root and failure
        self.reads = reads            # the table whose file is damaged
        self.writes = writes          # the table made read-only, None when the command writes none
        self.drawing = drawing        # makes the drawing in root; its path
        self.setup = setup            # changes the project's copy before the run
        self.not_shown = not_shown    # texts that must not be shown under a failure
        self.failures = failures      # the failures it meets; all that apply when None
        self.said = said              # the failures it said, from its output; error_alerts when None
        self.files = files            # the files it writes beside the drawing: none is left by a failure
        self.server = server          # the failures it meets on the server ("timeout": it makes writes)
        self.cover_file = cover_file  # the coverage's file cut under "coverage cut" ("pal", "arc")
        self.full_bytes = full_bytes or FULL_BYTES  # the file-size limit under "full"


def geo_link(row, column="NAME"):
    return [(1000, RUN.get("project", "GEO")), (1000, "STATN"), (1071, row), (1000, column), (1000, str(row)),
            (1000, "")]


def stations_drawing(root, proj="UTM 10 NAD27"):
    """The map setup (UTM 10 NAD27) and a TEXT linked to each of GEO's
    stations 2 and 4 through NAME, off their rows' points."""
    doc = map_setup_drawing(proj)
    msp = doc.modelspace()
    msp.add_text("Cache Creek 2", dxfattribs={"height": 2.5, "insert": (615990, 5621130)}).set_xdata(
        "PETRIVEX", geo_link(2))
    msp.add_text("Hat Creek", dxfattribs={"height": 2.5, "insert": (603120, 5615490)}).set_xdata(
        "PETRIVEX", geo_link(4))
    path = os.path.join(root, "in.dxf")
    doc.saveas(path)
    return path


def point_symbol_name(proj):
    """GEO's point setup names NAME as its symbol column."""
    import dbf
    table = dbf.Table(os.path.join(proj, "PVPOINT.DBF"))
    table.open(dbf.READ_WRITE)
    for rec in table:
        with rec:
            rec["symcolumn"] = "NAME"
    table.close()


def legend_drawing(root):
    """The legend checker's project (units, ages, rock types, legend, ARCS)
    in place of GEO, and its four-unit coverage in root/cover; the map
    setup drawing."""
    made = os.path.join(root, "legend")
    arclegend_e2e.make_project(made)
    shutil.rmtree(os.path.join(root, "projects", "GEO"))
    shutil.move(os.path.join(made, "projects", "GEO"), os.path.join(root, "projects", "GEO"))
    subprocess.run([os.environ["PV_COVER_SAMPLES"], "write", os.path.join(root, "cover"), "four"], check=True,
                   capture_output=True)
    path = os.path.join(root, "in.dxf")
    map_setup_drawing("UTM 10 NAD27").saveas(path)
    return path


def legend_answers(root, failure):
    """pv-arclegend on the coverage, the ages of UNIT.AGE; the answers of
    the two matrices and of the box it waits in."""
    columns = arclegend_e2e.column_list(RUN["args"], root)
    col = columns.index
    return ("pv-arclegend\nselect project 0\nset covername %s\nselect projection 0\nselect unitnum %d\n"
            "select alegend %d\nselect mlegend %d\nselect rocktype %d\nselect arcnum %d\nok\nok\nok\n"
            % (os.path.join(root, "cover"), col("UNIT.UNITNO"), col("UNIT.AGE"), col("LEGND.ROCKT"), col("UNIT.ROCK"),
               col("ARCS.ARC_NUM")))


def arcmake_answers(root, failure):
    """pv-arcmake refilling ARCS from the coverage, keeping its types."""
    return ("pv-arcmake\nselect project 0\nset covername %s\nselect projection 0\npick table\nok\nok\n"
            % os.path.join(root, "cover"))


def legend_one_arc(root):
    """The legend checker's project and coverage, ARCS holding only its
    first arc's row: refilled, it grows past what it held."""
    import dbfread
    import e2e_tables
    path = legend_drawing(root)
    arcs = os.path.join(root, "projects", "GEO", "ARCS.DBF")
    first = [tuple(r.values()) for r in dbfread.DBF(arcs)][:1]
    os.remove(arcs)
    e2e_tables.table(arcs, arclegend_e2e.ARCS_FIELDS, first)
    return path


def arcplot_answers(root, failure):
    """pv-arcmake drawing the coverage's arcs, ARCS left as it is."""
    return ("pv-arcmake\nselect project 0\nset covername %s\nselect projection 0\npick arcs\nok\nok\n"
            % os.path.join(root, "cover"))


def mslink_table(proj):
    """GEO gets SITES, keyed by MSLINK, for the Microstation export."""
    import e2e_tables
    e2e_tables.mslink_table(proj)


def ustation_answers(root, failure):
    """pv-ustation on GEO; its dialog stays after a failure at the start,
    and is cancelled (the server's long words are in an alert that waits
    for OK)."""
    return "pv-ustation\nselect project 0\nok\n" + ("ok\n" if failure == "lost" else "") + "cancel\n"


def import_update(root, failure):
    """pv-import updating the names of GEO's stations 2 and 4 by their
    numbers from a text file."""
    path = os.path.join(root, "update.txt")
    with open(path, "w") as f:
        f.write("2,Cache Creek Two\n4,Hat Creek Four\n")
    answers = ("pv-import\nset imp_fname %s\npick imp_text\npick import\nselect txt_table 0\nset txt_coldel ,\n"
               "set txt_txtdel \"\npick txt_update\nselect txt_output 1 2\npick import\n" % path)
    # Without its driver or server the import cannot start: its dialog
    # says so, and is cancelled.
    return answers + ("show\ncancel\ncancel\n" if failure in ("killed", "lost", "timeout") else "")


def unregistered_copy(proj):
    """GEO gets NEWS, a copy of STATN no registry row names."""
    shutil.copy(os.path.join(proj, "STATN.DBF"), os.path.join(proj, "NEWS.DBF"))


def register_answers(root, failure):
    """pv-import registering NEWS as a station table; its dialog stays
    after a refusal, and is cancelled."""
    return ("pv-import\nset imp_fname %s\npick imp_dbase\npick import\nshow\nselect tbl_type STATION\n"
            "set basenum BASENUMBER\nset statnum STN\npick register\nshow\ncancel\n"
            % os.path.join(root, "projects", "GEO", "NEWS.DBF"))


def rename_answers(root, failure):
    """pv-rename of the links' project to itself over the whole drawing."""
    project = RUN.get("project", "GEO")
    return "pv-rename\nset ren_old_prj %s\nset ren_new_prj %s\nok\nALL\n\n" % (project, project)


def import_stopped(out):
    """The closing alert of an import that stopped, and the error line of
    its dialog, without blanks."""
    said = [" ".join(re.findall(r"^\s+\d+: (.*)$", b, re.M)) for b in re.split(r"\n(?====)", out)
            if b.startswith("=== Dialog pv_alert_wrap") and "The import stopped" in b]
    return [s.replace(" ", "").replace("\n", "") for s in said] + dialog_errors(out)


def export_stopped(out):
    """The alerts of pv-ustation but those of the tables it passes over."""
    return [a for a in error_alerts(out) if not a.startswith("UniquecolumnnotnamedMSLINK")]


# The browser on GEO's stations, as pv-query shows them.
BROWSE = "pv-query\nselect output \"STATN.STN\" \"STATN.NAME\"\npick query\nok\n"

COMMANDS = [
    Command("pv-delete", "pv-delete\nALL\n\nok\n", "STATN", writes="STATN", drawing=stations_drawing),
    Command("pv-clean", "pv-clean\nALL\n\n", "STATN", drawing=stations_drawing, not_shown=(CLOSING,)),
    Command("pv-update", "pv-update\nALL\n\n", "STATN", drawing=stations_drawing, setup=point_symbol_name,
            not_shown=(CLOSING, "Row not found")),
    Command("pv-edit", "pv-edit\n615990,5621130\n", "STATN", drawing=stations_drawing,
            not_shown=("Row not found", "Dialog pv_edit")),
    Command("pv-link", "pv-link\n615990,5621130\ncancel\n", "STATN", drawing=stations_drawing,
            said=lambda out: dialog_errors(out), not_shown=("Query: None found",)),
    Command("pv-scale", "pv-scale\npick scl_absolute\npick scl_relative\npick scl_station\npick scl_text\n"
            "set scl_height 0.5\nselect scl_point 0\nok\nALL\n\n", "STATN", drawing=stations_drawing,
            not_shown=(CLOSING,)),
    Command("pv-move", "pv-move\n615990,5621130\nset ss_row 1\nok\n615993,5621134\n", "STATN",
            drawing=stations_drawing),
    Command("pv-query", "pv-query\nselect output \"STATN.STN\" \"STATN.NAME\"\npick query\nok\nok\n", "STATN",
            not_shown=("records found",)),
    Command("browser delete", "pv-query\nselect output \"STATN.STN\" \"STATN.NAME\"\npick query\nok\n"
            "select sqlrow 0\npick delete\nok\nok\n", "STATN", writes="STATN", failures=("readonly", "refilled", "full"),
            not_shown=("\nDeleted ",)),
    Command("browser modify", "pv-query\nselect output \"STATN.STN\" \"STATN.NAME\"\npick query\nok\n"
            "select sqlrow 0\npick modify\nselect edit_list 2\nset edit_col Renamed\nok\n", "STATN",
            writes="STATN", failures=("readonly", "refilled", "full"), not_shown=("Modified 1 rows",)),
    Command("pv-import", import_update, "STATN", writes="STATN", said=import_stopped,
            failures=("count", "cut", "killed", "full"), not_shown=("Imported: 2",)),
    Command("pv-import register", register_answers, "NEWS", setup=unregistered_copy, failures=("count", "cut"),
            said=lambda out: dialog_errors(out), not_shown=("NEWS imported",), server=()),
    Command("browser table", BROWSE + "select plot 3\npv_plot_opts\nselect output 0 1\nset filename NEWT\npick plot\n",
            "STATN", writes="NEWT", failures=("full",), not_shown=("Saved...",),
            server=("timeout",)),
    Command("browser text", BROWSE + "select plot 4\npv_plot_opts\nselect output 0 1\nset filename bt\npick plot\n",
            "STATN", writes="bt.TXT", failures=("full",), not_shown=("Plotted...",),
            files=("bt.TXT",), server=()),
    Command("browser delete all", BROWSE + "pick delall\nok\n", "STATN", writes="STATN",
            failures=("readonly", "refilled", "full"), not_shown=("\nDeleted ",), server=()),
    Command("browser replace", BROWSE + "pick modall\nselect column 2\nset edit_value Renamed\nok\nok\n", "STATN",
            writes="STATN", failures=("full",), not_shown=("\nReplaced ",), server=()),
    Command("pv-export", "pv-export\nselect plotype 0\npick point\nselect output \"STATN.NAME\"\nset filename ex\n"
            "pick plot\nALL\n\n", "STATN", writes="ex.TXT", drawing=stations_drawing, failures=("full",),
            not_shown=("Plotted...",), files=("ex.TXT",), server=()),
    Command("pv-rename", rename_answers, "STATN", drawing=stations_drawing, not_shown=("Renamed...",)),
    Command("pv-ustation", ustation_answers, "SITES", setup=mslink_table,
            said=export_stopped, not_shown=("to Microstation 95:",)),
]
# The coverage commands, on the legend checker's project (no server copy).
COVER_COMMANDS = [
    Command("pv-arclegend", legend_answers, "UNIT", drawing=legend_drawing,
            failures=("count", "cut", "killed", "coverage cut"), not_shown=("Dialog leg_matrix",), cover_file="pal"),
    Command("pv-arclegend-arcs", legend_answers, "ARCS", drawing=legend_drawing, failures=("count", "cut", "coverage cut"),
            not_shown=("Dialog leg_matrix",), cover_file="arc"),
    Command("pv-arcmake", arcmake_answers, "ARCS", writes="ARCS", drawing=legend_drawing,
            failures=("count", "cut", "killed", "readonly", "full"), not_shown=("Inserted...",)),
    Command("pv-arcmake plot", arcplot_answers, "ARCS", drawing=legend_drawing, failures=("coverage cut",),
            not_shown=("Plotted...",), cover_file="arc"),
    # A disk that takes the former ARCS aside but not the rows of the new.
    Command("pv-arcmake fill", arcmake_answers, "ARCS", writes="ARCS", drawing=legend_one_arc, failures=("full",),
            not_shown=("Inserted...",), full_bytes=600),
]


def rock_dictionary(proj):
    """GEO holds RIDGE's rock dictionary ROCKS and its profile ROCKP."""
    ridge = os.path.join(os.path.dirname(proj), "RIDGE")
    for name in ("ROCKS.DBF", "ROCKP.DBF"):
        shutil.copy(os.path.join(ridge, name), os.path.join(proj, name))


# pv-profile loads ROCKP of ROCKS as its target: a dictionary or profile
# that cannot be read is never offered as new (a yes would write over it).
PROFILE_LOAD = "pv-profile\nset src_dix_name ROCKS\nset tgt_prf_name ROCKP\npick tgt_load\nok\nok\ncancel\n"
COMMANDS += [
    Command("pv-profile-ROCKS", PROFILE_LOAD, "ROCKS", setup=rock_dictionary, failures=("count", "cut", "killed"),
            not_shown=("Create new dictionary", "Profile saved as")),
    Command("pv-profile-ROCKP", PROFILE_LOAD, "ROCKP", setup=rock_dictionary, failures=("count", "cut"),
            not_shown=("Create new profile", "Profile saved as")),
]


def damage_count(path):
    """The header counts three records more than the file holds."""
    with open(path, "r+b") as f:
        head = bytearray(f.read(8))
        count = int.from_bytes(head[4:8], "little") + 3
        f.seek(4)
        f.write(count.to_bytes(4, "little"))


def damage_cut(path):
    """The file ends in the middle of its third record."""
    with open(path, "rb") as f:
        head = f.read(12)
    header, record = int.from_bytes(head[8:10], "little"), int.from_bytes(head[10:12], "little")
    with open(path, "r+b") as f:
        f.truncate(header + 2 * record + record // 2)


def snapshot(proj):
    """Every file of the project's folder with its bytes; with a server,
    every row of every table of its schema too, as psql prints them."""
    got = {}
    for name in sorted(os.listdir(proj)):
        path = os.path.join(proj, name)
        if os.path.isfile(path):
            with open(path, "rb") as f:
                got[name] = f.read()
    if "port" in RUN:
        for name in psql("SELECT table_name FROM information_schema.tables WHERE table_schema = 'sgeo' "
                         "ORDER BY 1").split():
            got["sgeo." + name] = "\n".join(sorted(psql("SELECT * FROM sgeo.%s" % name).splitlines()))
        # The marks' table, made at the first mark, is no change while it
        # holds none.
        if got.get("sgeo.pvmark") == "":
            del got["sgeo.pvmark"]
    return got


def psql(sql, f=None):
    """Runs a statement, or the file f, on the server through a connection
    of its own; its rows as text."""
    return row_edit_e2e.psql(RUN["port"], sql, f)


def load_server(root):
    """Puts the scratch copy of GEO into the schema sgeo, and the server's
    project into asi.ini."""
    row_edit_e2e.on_server(root, RUN["port"])


def error_alerts(out):
    """The texts of the error alerts shown: the host's alerts and the long
    ones wrapped in pv_alert_wrap, each without its blanks."""
    said = []
    for block in re.split(r"\n(?=\[Alert\]|=== Dialog)", out):
        if block.startswith("[Alert] " + ERR_TITLE):
            said.append(block[len("[Alert] " + ERR_TITLE):].split("\nCommand:")[0])
        elif block.startswith("=== Dialog pv_alert_wrap") and ERR_TITLE in block:
            said.append(" ".join(re.findall(r"^\s+\d+: (.*)$", block, re.M)))
    return [s.replace(" ", "").replace("\n", "") for s in said]


def dialog_errors(out):
    """The texts of a dialog's error line when it first shows, each without
    its blanks."""
    said = re.findall(r'^\s+error\s+text = "(.+)"$', out, re.M)
    return [s.replace(" ", "") for s in said]


def release_after(pv, answers, release):
    """Gives pvhost its answers and, once they are over (the host's list of
    functions asked after them is printed), runs release (which takes the
    failure away); answers the output so far."""
    out, done = [], threading.Event()

    def read():
        for line in pv.stdout:
            out.append(line)
            if line.endswith("functions defined.\n"):
                done.set()
                return
        done.set()

    reader = threading.Thread(target=read)
    reader.start()
    pv.stdin.write(answers + "FUNCTIONS\n")
    pv.stdin.flush()
    done.wait(120)
    release()
    reader.join(120)
    return "".join(out)


def unlimit(pids):
    """Takes the file-size limit off the processes."""
    for pid in pids:
        try:
            resource.prlimit(pid, resource.RLIMIT_FSIZE, (resource.RLIM_INFINITY, resource.RLIM_INFINITY))
        except ProcessLookupError:
            pass


# The advisory lock on which the inserts into a held table wait.
HOLD_LOCK = 4242
# As the server's superuser: every new table named NEWTABLE in sgeo gets a
# trigger whose inserts wait for HOLD_LOCK.
HOLD_SQL = """
CREATE OR REPLACE FUNCTION public.pv_test_hold() RETURNS trigger LANGUAGE plpgsql AS
$$ BEGIN PERFORM pg_advisory_lock_shared(%(lock)d); PERFORM pg_advisory_unlock_shared(%(lock)d); RETURN NEW; END $$;
CREATE OR REPLACE FUNCTION public.pv_test_hold_new() RETURNS event_trigger LANGUAGE plpgsql AS $$
DECLARE r record;
BEGIN
  FOR r IN SELECT * FROM pg_event_trigger_ddl_commands()
           WHERE command_tag = 'CREATE TABLE' AND object_identity = 'sgeo.%(table)s' LOOP
    EXECUTE 'CREATE TRIGGER pv_test_hold BEFORE INSERT ON sgeo.%(table)s FOR EACH ROW '
            'EXECUTE FUNCTION public.pv_test_hold()';
  END LOOP;
END $$;
CREATE EVENT TRIGGER pv_test_hold_new ON ddl_command_end WHEN TAG IN ('CREATE TABLE')
  EXECUTE FUNCTION public.pv_test_hold_new();
"""


def admin_psql(sql):
    """Runs statements as the server's superuser (its password is the
    runner's)."""
    r = subprocess.run(["psql", "-X", "-q", "-At", "-h", "127.0.0.1", "-p", RUN["port"], "-U", "pvadmin", "-d",
                        "petrivex", "-v", "ON_ERROR_STOP=1", "-c", sql], capture_output=True, text=True, timeout=60,
                       env=dict(os.environ, PGPASSWORD="admin-pw", PGOPTIONS="--client-min-messages=warning"))
    check(r.returncode == 0, "psql as the superuser: %s" % r.stderr)


def hold_inserts(table):
    """A connection of the test's own holding every row inserted into the
    new table until release: the running psql, once it holds the lock."""
    admin_psql(HOLD_SQL % {"lock": HOLD_LOCK, "table": table.lower()})
    holder = subprocess.Popen(["psql", "-X", "-q", "-h", "127.0.0.1", "-p", RUN["port"], "-U", "geologist", "-d",
                               "petrivex"], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, text=True, env=dict(os.environ, PGPASSWORD="rock"))
    holder.stdin.write("SELECT pg_advisory_lock(%d);\n" % HOLD_LOCK)
    holder.stdin.flush()
    held = "SELECT count(*) FROM pg_locks WHERE locktype = 'advisory' AND objid = %d AND granted" % HOLD_LOCK
    deadline = time.time() + 60
    while psql(held).strip() != "1" and time.time() < deadline:
        time.sleep(0.02)
    return holder


def release(holder):
    """Ends the hold of hold_inserts."""
    holder.stdin.close()
    holder.wait(60)
    admin_psql("DROP EVENT TRIGGER pv_test_hold_new")


def run(pvhost, module, resources, work, command, failure):
    what = "%s, %s" % (command.name, failure)
    root = os.path.join(work, (command.name + "_" + failure).replace(" ", "_"))
    for d, _, files in os.walk(root):
        for f in files:
            subprocess.run(["chattr", "-i", os.path.join(d, f)], capture_output=True)
    copy_projects(resources, root)
    proj = os.path.join(root, "projects", "GEO")
    if command.setup:
        command.setup(proj)
    drawing = command.drawing(root) if command.drawing else None
    answers = command.answers(root, failure) if callable(command.answers) else command.answers
    if failure in ("lost", "timeout"):
        load_server(root)
    env = dict(os.environ, ASI_INI=os.path.join(root, "asi.ini"), HOME=root, XDG_DATA_HOME=os.path.join(root, "data"))
    if failure == "timeout":
        env["PGOPTIONS"] = "-c statement_timeout=%d" % STATEMENT_TIMEOUT_MS
    args = [pvhost, "--module", module, "--resources", resources] + (["--drawing", drawing] if drawing else [])
    pv = subprocess.Popen(args, cwd=root, env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True)
    logon = '(pv_open "SGEO" "ODBC" "geologist" "rock")' if "port" in RUN else '(pv_open "GEO" "DB3" "" "")'
    pv.stdin.write(logon + '\nSAVE before.dxf\n')
    pv.stdin.flush()
    started = time.time()
    while not os.path.exists(os.path.join(root, "before.dxf")) and time.time() - started < 60:
        time.sleep(0.05)
    time.sleep(0.2)
    writable_again = other = None
    if failure == "count":
        damage_count(os.path.join(proj, command.reads + ".DBF"))
    elif failure == "cut":
        damage_cut(os.path.join(proj, command.reads + ".DBF"))
    elif failure == "killed":
        drivers = children(pv.pid, "pvdb3")
        check(len(drivers) == 1, "%s: the driver was found: %r" % (what, drivers))
        for d in drivers:
            os.kill(d, signal.SIGKILL)
    elif failure == "readonly":
        writable_again = make_unwritable(os.path.join(proj, command.writes + ".DBF"), replaced_too=True)
    elif failure == "refilled":
        # Another session's driver: a process of the driver's name.
        other = subprocess.Popen(["/usr/bin/python3", "-c", "import ctypes, signal; "
                                  "ctypes.CDLL(None).prctl(15, b'pvdb3', 0, 0, 0); signal.pause()"])
        deadline = time.time() + 60
        while open("/proc/%d/comm" % other.pid).read().strip() != "pvdb3" and time.time() < deadline:
            time.sleep(0.01)
        with open(os.path.join(proj, command.writes + ".RFG"), "w") as f:
            f.write("%d %s\nFill ARCS\n" % (other.pid, socket.gethostname()))
    elif failure == "coverage cut":
        path = os.path.join(root, "cover", command.cover_file + ".adf")
        os.truncate(path, os.path.getsize(path) - 10 if command.cover_file == "pal" else os.path.getsize(path) // 2)
    elif failure == "full":
        limited = [pv.pid] + children(pv.pid, "pvdb3")
        for pid in limited:
            resource.prlimit(pid, resource.RLIMIT_FSIZE, (command.full_bytes, resource.RLIM_INFINITY))
    elif failure == "lost":
        cut = psql("SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity WHERE usename = 'geologist' "
                   "AND pid <> pg_backend_pid()")
        check(cut.strip() not in ("", "0"), "%s: the server ended pvhost's connection" % what)
    before = snapshot(proj)
    try:
        if failure == "full":
            out = release_after(pv, answers + "ok\nok\n", lambda: unlimit(limited)) + pv.communicate(
                "SAVE after.dxf\nQUIT\n", timeout=120)[0]
        elif failure == "timeout":
            holder = hold_inserts(command.writes)
            out = release_after(pv, answers + "ok\nok\n", lambda: release(holder)) + pv.communicate(
                "SAVE after.dxf\nQUIT\n", timeout=120)[0]
        else:
            out = pv.communicate(answers + "ok\nok\nSAVE after.dxf\nQUIT\n", timeout=120)[0]
    finally:
        if writable_again:
            writable_again()
        if other:
            other.kill()
            other.wait()
    print("=== %s ===\n%s" % (what, out))
    said = out[out.find("Saved before.dxf"):]
    alerts = (command.said or error_alerts)(said)
    named = {"killed": "driverofDB3", "lost": "connection", "full": command.writes,
             "timeout": "statementtimeout",
             "coverage cut": os.path.join(root, "cover").replace(" ", "")}.get(failure, command.reads)
    reason = FULL_REASON if failure == "full" else ""
    check(len(alerts) == 1 and named in alerts[0] and reason in alerts[0],
          "%s: one error names %s %s, shown: %r" % (what, named, reason, alerts))
    for text in command.not_shown + (CLOSING,):
        check(text not in said, "%s: %r is not shown" % (what, text))
    for name in command.files:
        check(not os.path.lexists(os.path.join(root, name)), "%s: no %s is left" % (what, name))
    left = [n for n in os.listdir(root) if ".tmp" in n or n.startswith(".")]
    check(not left, "%s: no temporary file is left: %r" % (what, left))
    after = snapshot(proj)
    changed = sorted(n for n in set(before) | set(after) if before.get(n) != after.get(n))
    check(not changed, "%s: the project's files are as before, changed: %r" % (what, changed))
    with open(os.path.join(root, "before.dxf"), "rb") as f:
        drawn = f.read()
    path = os.path.join(root, "after.dxf")
    same = os.path.exists(path) and open(path, "rb").read() == drawn
    check(same, "%s: the drawing is as before" % what)
    if not same and os.path.exists(path):
        texts = lambda p: sorted((e.dxftype(), e.dxf.text if e.dxftype() == "TEXT" else "")
                                 for e in ezdxf.readfile(p).modelspace())
        print("before: %r\nafter: %r" % (texts(os.path.join(root, "before.dxf")), texts(path)))


def main():
    if len(sys.argv) not in (5, 7) or (len(sys.argv) == 7 and sys.argv[5] != "--server"):
        raise SystemExit(__doc__)
    pvhost, module, resources, work = sys.argv[1:5]
    RUN["args"] = (pvhost, module, resources)
    if len(sys.argv) == 7:
        RUN["port"], RUN["project"] = sys.argv[6], "SGEO"
    only = os.environ.get("PV_FAILURE_ONLY", "")
    commands = COMMANDS + (COVER_COMMANDS if os.environ.get("PV_COVER_SAMPLES") else [])
    for command in commands:
        failures = command.failures or ("count", "cut", "killed", "readonly", "refilled", "full")
        if "port" in RUN:
            failures = command.server if command.drawing != legend_drawing else ()
        for failure in failures:
            if failure in ("readonly", "refilled", "full") and not command.writes:
                continue
            if only and only not in "%s %s" % (command.name, failure):
                continue
            run(pvhost, module, resources, work, command, failure)
    if FAILURES:
        raise SystemExit("%d check(s) failed" % len(FAILURES))
    print("every command said what failed and changed nothing")


if __name__ == "__main__":
    main()
