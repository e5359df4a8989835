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
            session (its guard file names a running process of this
            machine), for commands that write
  lost      (with --server, on GEO put into the schema "sgeo" of the
            PostgreSQL server at 127.0.0.1:PORT, logged on as SGEO) the
            server ends the connection (pg_terminate_backend from a
            connection of its own); only this failure is run then

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
import shutil
import signal
import socket
import subprocess
import sys
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


# The run's programs (pvhost, module, resources) and, with --server, the
# server's port.
RUN = {}


class Command:
    """One row of the table of commands."""

    def __init__(self, name, answers, reads, writes=None, drawing=None, setup=None, not_shown=(), failures=None,
                 said=None):
        self.name = name              # what the run is called
        self.answers = answers        # typed after the logon; or made by a function of the root and failure
        self.reads = reads            # the table whose file is damaged
        self.writes = writes          # the table made read-only, None when the command writes none
        self.drawing = drawing        # makes the drawing in root; its path
        self.setup = setup            # changes the project's copy before the run
        self.not_shown = not_shown    # texts that must not be shown under a failure
        self.failures = failures      # the failures it meets; all that apply when None
        self.said = said              # the failures it said, from its output; error_alerts when None


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
    return answers + ("show\ncancel\ncancel\n" if failure in ("killed", "lost") else "")


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
            "select sqlrow 0\npick delete\nok\nok\n", "STATN", writes="STATN", failures=("readonly", "refilled"),
            not_shown=("Deleted 1 rows",)),
    Command("browser modify", "pv-query\nselect output \"STATN.STN\" \"STATN.NAME\"\npick query\nok\n"
            "select sqlrow 0\npick modify\nselect edit_list 2\nset edit_col Renamed\nok\n", "STATN",
            writes="STATN", failures=("readonly", "refilled"), not_shown=("Modified 1 rows",)),
    Command("pv-import", import_update, "STATN", said=import_stopped, not_shown=("Imported: 2",)),
    Command("pv-rename", rename_answers, "STATN", drawing=stations_drawing, not_shown=("Renamed...",)),
    Command("pv-ustation", ustation_answers, "SITES", setup=mslink_table,
            said=export_stopped, not_shown=("to Microstation 95:",)),
]
# The coverage commands, on the legend checker's project (no server copy).
COVER_COMMANDS = [
    Command("pv-arclegend", legend_answers, "UNIT", drawing=legend_drawing, failures=("count", "cut", "killed"),
            not_shown=("Dialog leg_matrix",)),
    Command("pv-arclegend-arcs", legend_answers, "ARCS", drawing=legend_drawing, failures=("count", "cut"),
            not_shown=("Dialog leg_matrix",)),
    Command("pv-arcmake", arcmake_answers, "ARCS", writes="ARCS", drawing=legend_drawing,
            failures=("count", "cut", "killed", "readonly"), not_shown=("Inserted...",)),
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
    return got


def psql(sql, f=None):
    """Runs a statement, or the file f, on the server through a connection
    of its own; its rows as text."""
    return row_edit_e2e.psql(RUN["port"], sql, f)


def load_server(root):
    """Puts the scratch copy of GEO into the schema sgeo, and the server's
    project into asi.ini."""
    sql = os.path.join(root, "sgeo.sql")
    subprocess.run([sys.executable, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "drivers",
                    "pg_load_project.py"), os.path.join(root, "projects", "GEO"), "sgeo", sql], check=True,
                   timeout=60)
    psql(None, sql)
    with open(os.path.join(root, "asi.ini"), "w") as f:
        f.write(row_edit_e2e.SERVER_INI)


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


def run(pvhost, module, resources, work, command, failure):
    what = "%s, %s" % (command.name, failure)
    root = os.path.join(work, command.name + "_" + failure)
    for d, _, files in os.walk(root):
        for f in files:
            subprocess.run(["chattr", "-i", os.path.join(d, f)], capture_output=True)
    copy_projects(resources, root)
    proj = os.path.join(root, "projects", "GEO")
    if command.setup:
        command.setup(proj)
    drawing = command.drawing(root) if command.drawing else None
    answers = command.answers(root, failure) if callable(command.answers) else command.answers
    if failure == "lost":
        load_server(root)
    env = dict(os.environ, ASI_INI=os.path.join(root, "asi.ini"), HOME=root, XDG_DATA_HOME=os.path.join(root, "data"))
    args = [pvhost, "--module", module, "--resources", resources] + (["--drawing", drawing] if drawing else [])
    pv = subprocess.Popen(args, cwd=root, env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True)
    logon = '(pv_open "SGEO" "ODBC" "geologist" "rock")' if failure == "lost" else '(pv_open "GEO" "DB3" "" "")'
    pv.stdin.write(logon + '\nSAVE before.dxf\n')
    pv.stdin.flush()
    started = time.time()
    while not os.path.exists(os.path.join(root, "before.dxf")) and time.time() - started < 60:
        time.sleep(0.05)
    time.sleep(0.2)
    writable_again = None
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
        with open(os.path.join(proj, command.writes + ".RFG"), "w") as f:
            f.write("1 %s\nFill %s\n" % (socket.gethostname(), command.writes))
    elif failure == "lost":
        cut = psql("SELECT count(pg_terminate_backend(pid)) FROM pg_stat_activity WHERE usename = 'geologist' "
                   "AND pid <> pg_backend_pid()")
        check(cut.strip() not in ("", "0"), "%s: the server ended pvhost's connection" % what)
    before = snapshot(proj)
    try:
        out = pv.communicate(answers + "ok\nok\nSAVE after.dxf\nQUIT\n", timeout=120)[0]
    finally:
        if writable_again:
            writable_again()
    print("=== %s ===\n%s" % (what, out))
    said = out[out.find("Saved before.dxf"):]
    alerts = (command.said or error_alerts)(said)
    named = {"killed": "driverofDB3", "lost": "connection"}.get(failure, command.reads)
    check(len(alerts) == 1 and named in alerts[0],
          "%s: one error names %s, shown: %r" % (what, named, alerts))
    for text in command.not_shown:
        check(text not in said, "%s: %r is not shown" % (what, text))
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
        failures = command.failures or ("count", "cut", "killed", "readonly", "refilled")
        if "port" in RUN:
            failures = ("lost",) if command.drawing != legend_drawing else ()
        for failure in failures:
            if failure in ("readonly", "refilled") and not command.writes:
                continue
            if only and only not in "%s %s" % (command.name, failure):
                continue
            run(pvhost, module, resources, work, command, failure)
    if FAILURES:
        raise SystemExit("%d check(s) failed" % len(FAILURES))
    print("every command said what failed and changed nothing")


if __name__ == "__main__":
    main()
