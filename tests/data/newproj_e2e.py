#!/usr/bin/python3
"""A new project from nothing, with the commands only, as the README's
"Starting a new project" walks it: the project's entry in the SQL
configuration and its folder; pv-tblsetup designs and registers the
station table STATN and the structure table STRUC (unique number
BASENUMBER, station key STN; STRUC as GENESIS, whose station key is not
unique); the column input setup gives ROCKTYPE a rock-type profile (its
dictionary and profile made after the questions), ELEV a value required
and DIP the range 0 to 90, and pv-profile puts three rock types into both;
STATN's point setup is in "UTM 10 NAD27", the map's north angle 90 with
clockwise angles, NAME is drawn as a text and STRUC's FEATURE as
STRIKE_DIP of the library PVSTRUCT (loaded by name) turned by STRIKE;
pv-add, in a new logon, adds and draws five stations (rock types by long
or short name) and adds five structures, two at one station; a rock type
the profile lacks, a blank ELEV and a DIP of 95 are refused with their
messages and nothing of them is written; a query joining each structure
to its station's coordinates plots them to the map and to E00 and MIF
files that ogrinfo reads; a last logon finds the rules and the map setup
again and stores a blank DIP as blank; pv-import appends a structure and
writes the refused lines (a DIP that is no number, a FEATURE longer than
its column) to the .ERR its message names. dbfread reads the
tables, ezdxf the drawing.

A second project SOIL (dBASE files only) breaks each rule the README
states once and then follows it, checking the message the README quotes:
"Columns" before the new table is selected, the column names AU_PPB and
DATE, a join condition at the station, a gold value above its rule's
maximum typed and imported, and two texts at one station drawn over each
other until a symbol setup's Y offset keeps them apart.

  newproj_e2e.py PVHOST MODULE RESOURCES WORKDIR [--server PORT]

With --server the project is the schema "blue" of the PostgreSQL server
listening on 127.0.0.1:PORT (the data source PVTEST, user geologist), and
psql reads the tables where dbfread would. The project is made in a short
temporary folder (kept when a check fails), not in WORKDIR: the import's
message names its error file by its full path.
"""
import csv
import io
import os
import re
import shutil
import subprocess
import sys
import tempfile

import dbfread

FAILURES = []

CONFIG = """[ENVIRONMENTS]
DB3=

[DB3]
Driver=pvdb3
PETRIVEX=projects
PETRIVEX.Projections=Projections
PETRIVEX.BLUE=BLUE
PETRIVEX.SOIL=SOIL
"""

SERVER_CONFIG = """[ENVIRONMENTS]
DB3=
ODBC=

[DB3]
Driver=pvdb3
PETRIVEX=projects
PETRIVEX.Projections=Projections

[ODBC]
Driver=pvodbc
PETRIVEX=PVTEST
PETRIVEX.BLUE=blue
"""

LOGON = '(pv_open "BLUE" "DB3" "" "")\n'
SERVER_LOGON = '(pv_open "BLUE" "ODBC" "geologist" "rock")\n'
LOGOFF = "(pv_logoff)\nQUIT\n"


def check(ok, what):
    """Records a failed check and says so."""
    if not ok:
        FAILURES.append(what)
        print("FAIL:", what)


def run(args, root, name, script, drawing_file="blue.dxf", faults=()):
    """Runs pvhost on a script in root; answers what it printed. Every
    dialog must be answered as the script expects, but for the faults
    given (texts of the lines pvhost reports them with)."""
    if SERVER["port"] is not None:
        script = script.replace(LOGON, SERVER_LOGON)
    with open(os.path.join(root, name), "w") as f:
        f.write(script)
    pvhost, module, resources = args
    env = dict(os.environ, ASI_INI=os.path.join(root, "asi.ini"), HOME=root,
               XDG_DATA_HOME=os.path.join(root, "data"))
    drawing = ["--drawing", drawing_file] if os.path.exists(os.path.join(root, drawing_file)) else []
    r = subprocess.run([pvhost, "--script", name, "--module", module, "--resources", resources] + drawing,
                       cwd=root, env=env, capture_output=True, text=True, timeout=60)
    print(r.stdout)
    print(r.stderr, file=sys.stderr)
    check(r.returncode == (1 if faults else 0), "%s: pvhost exit status %d" % (name, r.returncode))
    found = [line for line in r.stderr.splitlines() if line.startswith("pvhost: fault:")]
    check([f for f in found if not any(x in f for x in faults)] == [] and len(found) == len(faults),
          "%s: every dialog answered as expected, faults %r" % (name, found))
    return r.stdout


def table_script(name, columns, keys):
    """pv-tblsetup answers that design a new table (columns: name, type
    index or None for text, length, decimals), save it and register it as
    a table of the type given with BASENUMBER and STN as its keys."""
    lines = ["pick tbl_opt", "pick new", "set tbl_name " + name.lower(), "select opt_list %d" % keys["row"],
             "pick col_opt", "pick new"]
    lines += ["set col_name " + c[0] for c in columns]
    for i, (_, kind, length, dec) in enumerate(columns):
        lines += ["select opt_list %d" % i, "pick setup", "pv_colsetup"]
        if SERVER["port"] is not None:
            # A server takes no NUMERIC from the table setup: whole
            # numbers are INT, the others DOUBLE, neither with a size.
            if kind is None:
                lines += ["select col_type %d" % TYPE_CHAR, "set col_len %d" % length]
            else:
                lines += ["select col_type %d" % (TYPE_INT if dec == 0 else TYPE_DOUBLE)]
        else:
            if kind is not None:
                lines += ["select col_type %d" % kind]
            lines += ["set col_len %d" % length]
            if kind is not None:
                lines += ["set col_dec %d" % dec]
        lines += ["ok"]
    lines += ["pick save", "pv_yesno_small", "ok", "pick tbl_opt", "select opt_list %d" % keys["row"], "pick setup",
              "pv_tblimport", "select tbl_type %d" % keys["type"], "pick opt_basenum", "select tbl_cols 0", "pick opt_statnum",
              "select tbl_cols 1", "pick register"]
    return "\n".join(lines) + "\n"


# Entries of the registration's table types: a STATION table's station key
# is unique, a GENESIS table's is not, so it holds several rows a station.
TYPE_GENESIS, TYPE_STATION = 4, 6
# Entries of the column setup's type list.
TYPE_CHAR, NUMBER, TYPE_INT, TYPE_DOUBLE = 0, 1, 3, 7
STATN = [("BASENUMBER", NUMBER, 8, 0), ("STN", NUMBER, 8, 0), ("NAME", None, 20, 0), ("EASTING", NUMBER, 12, 2),
         ("NORTHING", NUMBER, 12, 2), ("ELEV", NUMBER, 8, 1), ("ROCKTYPE", None, 20, 0)]
STRUC = [("BASENUMBER", NUMBER, 8, 0), ("STN", NUMBER, 8, 0), ("FEATURE", None, 16, 0), ("STRIKE", NUMBER, 6, 1),
         ("DIP", NUMBER, 6, 1)]

def tables_script():
    return ("SAVE blue.dxf\n" + LOGON + "pv-tblsetup\npv_tblsetup\n" + table_script("STATN", STATN, {"row": 0, "type": TYPE_STATION}) +
            table_script("STRUC", STRUC, {"row": 1, "type": TYPE_GENESIS}) + "pick exit\npv-save\npv_yesno_small\nok\n" + LOGOFF)


RULES = (LOGON + """pv-tblsetup
pv_tblsetup
select opt_list 2
pick input
pv_cinsetup
pick cin_plot
ok
select opt_list 5
pick input
pv_cinsetup
pick cin_null
ok
select opt_list 6
pick input
pv_cinsetup
set cin_prf ROCKP
set cin_dix ROCKD
ok
pv_okquit_small
pick accept
pv_okquit_small
pick accept
pick tbl_opt
select opt_list 1
pick col_opt
select opt_list 4
pick input
pv_cinsetup
set cin_minval 0
set cin_maxval 90
ok
pick exit
pv-save
pv_yesno_small
ok
pv-profile
pv_edit_profile
set src_dix_name ROCKD
set tgt_prf_name ROCKP
pick tgt_load
pv_prf_opts
ok
select tgt_prf 0
set tgt_longname Granite
set tgt_shortname GR
pick insert
pv_edit_col
ok
select tgt_prf 1
pick sibling
set tgt_longname Schist
set tgt_shortname SC
pick insert
pv_edit_col
ok
select tgt_prf 2
set tgt_longname Basalt
set tgt_shortname BA
pick insert
pv_edit_col
ok
pick tgt_save
pv_prf_opts
ok
pv_okquit_small
ok
cancel
""" + LOGOFF)

# The point setup of STATN in "UTM 10 NAD27" (the 19th coordinate system),
# the map in that system with north at 90 and clockwise angles, the library
# PVSTRUCT loaded by name, NAME drawn as a text and STRUC's FEATURE as the
# shape STRIKE_DIP turned by STRIKE.
UTM10 = 18


def points_and_map(table, z):
    """In the open table setup: the point setup of the table listed at
    that index (X, Y and, with z, Z the columns after NAME; NAME the
    symbol column) in "UTM 10 NAD27"; then the map in that system, north
    at 90 with clockwise angles, symbol scale and text height 25."""
    return ("pick tbl_opt\nselect opt_list %d\npick points\npv_pntsetup\nselect pnt_xcol 3\nselect pnt_ycol 4\n" % table +
            ("select pnt_zcol 5\n" if z else "") +
            "select pnt_symbol 2\nselect pnt_proj %d\npick insert\npick exit\npick exit\n" % UTM10 +
            "pv-map\npv_map\nselect proj_in %d\nset proj_scale 25\nset proj_height 25\n" % UTM10 +
            "set proj_angbase 90\nset proj_clock Y\nok\n")


SETUP = LOGON + "pv-tblsetup\npv_tblsetup\n" + points_and_map(0, True) + """pv-setup
pv_setup
pick symlib
pv_load_sym
set symname PVSTRUCT
pick load
pick exit
pick symsetup
pv_sympick
select sym_list 2
ok
pv_symsetup
pick sym_text
set sym_lay_chc STATIONS
set sym_clr_chc 3
set sym_size_chc 25
ok
pick symsetup
pv_sympick
select sym_list 9
ok
pv_symsetup
pick sym_symbol
pick sym_shape
set sym_lib_chc PVSTRUCT
pick sym_name
pv_sel_sym
pick image1
set sym_lay_chc STRUCT
set sym_clr_chc 1
set sym_size_chc 50
pick sym_assoc
pv_asspick
pick sym_ang
select sym_list 2
ok
ok
pick exit
pv-save
pv_yesno_small
ok
SAVE blue.dxf
""" + LOGOFF

# The browser's "Plot to" entries used here.
PLOT_MAP, PLOT_E00, PLOT_MIF = 1, 5, 6


def query_plot(plots, output="select output 3 4 8 9 10 11"):
    """pv-query of the output columns (STATN's EASTING and NORTHING with
    STRUC's columns: each structure joined by itself to its station's
    coordinates, no condition given), run, and its rows plotted from the
    browser to each target with its options. The map's plot closes the
    browser, a file's leaves it open."""
    lines = ["pv-query", "pv_condition", output, "pick query", "pv_msg_box", "ok", "pv_table_large"]
    for target, options in plots:
        lines += ["select plot %d" % target, "pv_plot_opts"] + options + ["pick plot"]
    if plots[-1][0] != PLOT_MAP:
        lines.append("cancel")
    return "\n".join(lines) + "\n"


FILE = ["select output 1 2 3 4", "set filename struc"]
PLOTS = (LOGON + query_plot([(PLOT_MAP, ["select output 2"])]) + query_plot([(PLOT_E00, FILE), (PLOT_MIF, FILE)]) +
         "SAVE blue.dxf\n" + LOGOFF)

# Three structures imported from a text file; the second's DIP is no
# number and the third's FEATURE longer than its column: both go to the
# error file. On a server no folder of the schema's name
# is needed in the working folder.
IMPORT = LOGON + """pv-import
pv_import
set imp_fname more.txt
pick imp_text
pick import
pv_importxt
select txt_table 1
set txt_coldel ,
pick txt_append
select txt_output 1 2 3 4
pick import
pv_alert_wrap
show
ok
""" + LOGOFF

# A new logon finds the rules, the profile and the map as they were; the
# refused DIP is left blank, which the rule allows.
AGAIN = LOGON + """pv-add
pv_add_tbl
select tables 1
select edit_list 1
set edit_col 2
select edit_list 4
set edit_col 95
ok
show
set edit_col
ok
pv_add_tbl
cancel
pv-map
pv_map
show
cancel
""" + LOGOFF

# Five stations (STN, NAME, EASTING, NORTHING, ELEV, ROCKTYPE as typed) and
# five structures at them (STN, FEATURE, STRIKE, DIP).
STATIONS = [(1, "Blue Lake", 612000, 5622000, 1210.5, "Granite"), (2, "Blue Ridge", 612400, 5622300, 1350, "SC"),
            (3, "Cedar Bluff", 612800, 5622100, 1290.2, "Basalt"), (4, "North Knob", 613100, 5622600, 1402, "GR"),
            (5, "Fox Creek", 613500, 5622250, 1188.7, "Schist")]
STRUCTURES = [(1, "bedding", 35, 42), (2, "foliation", 120, 65), (3, "joint", 275.5, 88),
              (4, "bedding", 40, 38), (1, "joint", 128, 70)]


def row_answers(values):
    """The row entry's answers for the values of columns 1, 2, ..."""
    lines = []
    for i, v in enumerate(values):
        lines += ["select edit_list %d" % (i + 1), "set edit_col %s" % v]
    return lines


def add_script():
    lines = ["pv-add", "pv_add_tbl", "set plot 1"]
    for s in STATIONS:
        lines += row_answers(s) + ["ok", "pv_add_tbl"]
    # A rock type the profile lacks, then a blank where a value is required.
    lines += row_answers((6, "Nowhere", 614000, 5623000, 1000, "gneiss")) + ["ok", "show"]
    lines += ["set edit_col Granite", "select edit_list 5", "set edit_col", "ok", "show", "cancel"]
    lines += ["pv-add", "pv_add_tbl", "select tables 1"]
    for s in STRUCTURES:
        lines += row_answers(s) + ["ok", "pv_add_tbl"]
    lines += row_answers((1, "bedding", 10, 95)) + ["ok", "show", "cancel"]
    return LOGON + "\n".join(lines) + "\nSAVE blue.dxf\n" + LOGOFF


# The PostgreSQL server's port with --server, else None.
SERVER = {"port": None}


def value(text):
    """A value psql printed, as dbfread would give it (a CHAR value
    without the padding that dBASE readers take off)."""
    for kind in (int, float):
        try:
            return kind(text)
        except ValueError:
            pass
    return text.rstrip()


def rows(blue, table):
    """A table's rows in order, as dicts of upper-case column names."""
    if SERVER["port"] is None:
        return [dict(r) for r in dbfread.DBF(os.path.join(blue, table + ".DBF"), encoding="cp1252")]
    sql = "SELECT * FROM blue.%s ORDER BY 1" % table.lower()
    r = subprocess.run(["psql", "-X", "-q", "--csv", "-h", "127.0.0.1", "-p", str(SERVER["port"]), "-U", "geologist",
                        "-d", "petrivex", "-c", sql], capture_output=True, text=True,
                       env=dict(os.environ, PGPASSWORD="rock"))
    check(r.returncode == 0, "psql reads %s: %s" % (table, r.stderr))
    lines = list(csv.reader(io.StringIO(r.stdout)))
    if not lines:
        return []
    names = [n.upper() for n in lines[0]]
    return [{n: value(v) for n, v in zip(names, line)} for line in lines[1:]]


def test_new_project(args, work):
    # The import's closing message names its error file by its full path
    # and the reason of its refused row: it goes to the wrapping alert.
    root = tempfile.mkdtemp(prefix="pvnew")
    try:
        new_project(args, root)
        if SERVER["port"] is None:
            soil_project(args, root)
    finally:
        if FAILURES:
            print("the project is kept in", root)
        else:
            shutil.rmtree(root, ignore_errors=True)


def new_project(args, root):
    os.makedirs(os.path.join(root, "projects", "BLUE"))
    shutil.copytree(os.path.join(args[2], "projects", "Projections"), os.path.join(root, "projects", "Projections"))
    with open(os.path.join(root, "asi.ini"), "w") as f:
        f.write(CONFIG if SERVER["port"] is None else SERVER_CONFIG)
    blue = os.path.join(root, "projects", "BLUE")

    out = run(args, root, "tables.scr", tables_script())
    check(out.count("BLUE database saved") >= 2, "both tables saved")
    registry = [(r["TABLENAME"].strip(), r["TABLETYPE"].strip(), r["BASENUMBER"].strip(), r["STATION"].strip())
                for r in rows(blue, "PVTABLE")]
    check(registry == [("STATN", "STATION", "BASENUMBER", "STN"), ("STRUC", "GENESIS", "BASENUMBER", "STN")],
          "both tables registered with their keys: %r" % registry)

    out = run(args, root, "rules.scr", RULES)
    check("Profile saved as ROCKP" in out, "the profile is saved")
    dictionary = [(r["LONGNAME"].strip(), r["SHORTNAME"].strip()) for r in rows(blue, "ROCKD")]
    check(dictionary[1:] == [("Granite", "GR"), ("Schist", "SC"), ("Basalt", "BA")], "ROCKD: %r" % dictionary)

    out = run(args, root, "setup.scr", SETUP)
    check("Invalid symbol library" not in out and "Cannot load" not in out, "PVSTRUCT loads by name")

    out = run(args, root, "add.scr", add_script())
    check("Entry for ROCKTYPE gneiss not found in profile ROCKP" in out, "a rock type the profile lacks is refused")
    check("Blank entry not allowed in column ELEV" in out, "a blank ELEV is refused")
    check("DIP 95 is greater than maximum of 90.000000" in out, "a DIP of 95 is refused")
    statn = [(int(r["STN"]), r["NAME"], r["ROCKTYPE"]) for r in rows(blue, "STATN")]
    check(statn == [(s[0], s[1], r) for s, r in zip(STATIONS, ["Granite", "Schist", "Basalt", "Granite", "Schist"])],
          "five stations with the profile's names, none refused written: %r" % statn)
    struc = [(int(r["STN"]), r["FEATURE"], r["STRIKE"], r["DIP"]) for r in rows(blue, "STRUC")]
    check(struc == [(s[0], s[1], s[2], s[3]) for s in STRUCTURES], "five structures, no DIP 95: %r" % struc)

    out = run(args, root, "plots.scr", PLOTS)
    check(out.count("Plotted... 5 records") == 3, "the five structures plotted to the map, E00 and MIF")
    drawing(root)
    exports(root)

    out = run(args, root, "again.scr", AGAIN)
    check("DIP 95 is greater than maximum of 90.000000" in out, "the range holds after a new logon")
    check('proj_in        list_box "Map projection:" = "%d"' % UTM10 in out and '"90.000000"' in out,
          "the map setup holds after a new logon")
    struc = rows(blue, "STRUC")
    check(len(struc) == 6 and len(rows(blue, "STATN")) == 5, "one row added after the refusal: %r" % struc)
    check(struc[-1]["DIP"] in (None, ""), "a blank DIP is stored blank, not 0: %r" % struc[-1])
    drawing(root)

    with open(os.path.join(root, "more.txt"), "w") as f:
        f.write("2,fault,200,75\n3,fault,210,steep\n4,a fault too long for FEATURE,220,60\n")
    out = run(args, root, "import.scr", IMPORT)
    err = (os.path.join(blue, "STRUC.ERR") if SERVER["port"] is None
           else os.path.join(root, "data", "petrivex", "BLUE", "STRUC.ERR"))
    shown = re.sub(r"\s", "", "".join(re.findall(r"^ +\d+: (.*)$", out, re.M)))
    check("Imported:1rowsintoSTRUC" in shown and "ERRORS:2rowswrittento" + re.sub(r"\s", "", err) in shown and
          "Line2:thedatabaserefusedtherow:" in shown, "the import names the error file %s and why" % err)
    check(os.path.exists(err) and "steep" in open(err).read() and "too long for FEATURE" in open(err).read(),
          "the refused lines, one with a FEATURE longer than its column, are in %s" % err)
    check([r["FEATURE"].strip() for r in rows(blue, "STRUC")][6:] == ["fault"], "the good line is imported")


# ---- The second project: each rule of the README broken once, then followed ----

SOIL_LOGON = '(pv_open "SOIL" "DB3" "" "")\n'
SITE = [("BASENUMBER", NUMBER, 8, 0), ("STN", NUMBER, 8, 0), ("NAME", None, 20, 0), ("EASTING", NUMBER, 12, 2),
        ("NORTHING", NUMBER, 12, 2), ("SDATE", None, 10, 0)]
SAMPL = [("BASENUMBER", NUMBER, 8, 0), ("STN", NUMBER, 8, 0), ("SAMPNO", None, 8, 0), ("AUPPB", NUMBER, 8, 1)]
# The names typed first, which the table setup refuses.
REFUSED_NAMES = {"SDATE": "DATE", "AUPPB": "AU_PPB"}
# Once saved, tables are listed by name: SAMPL 0, SITE 1; the setups'
# column lists run through SAMPL's four columns, then SITE's.
SOIL_SAMPL, SOIL_SITE = 0, 1
COL_SAMPL_STN, COL_SITE_NAME, COL_SITE_SDATE = 1, 6, 9


def soil_tables():
    """SITE typed first, "Columns" picked before it is selected; each
    refused name typed before the one the table takes."""
    scripts = []
    for name, columns, row, kind in (("SITE", SITE, 0, TYPE_STATION), ("SAMPL", SAMPL, 1, TYPE_GENESIS)):
        script = table_script(name, columns, {"row": row, "type": kind})
        for good, bad in REFUSED_NAMES.items():
            script = script.replace("set col_name %s\n" % good, "set col_name %s\nset col_name %s\n" % (bad, good))
        scripts.append(script.replace("set tbl_name site\n", "set tbl_name site\npick col_opt\n"))
    return ("SAVE soil.dxf\n" + SOIL_LOGON + "pv-tblsetup\npv_tblsetup\n" + "".join(scripts) +
            "pick exit\npv-save\npv_yesno_small\nok\n" + LOGOFF)


# AUPPB at most 10000; SITE's point in "UTM 10 NAD27"; NAME and SDATE
# drawn as texts, on layers of their own.
SOIL_SETUP = SOIL_LOGON + """pv-tblsetup
pv_tblsetup
select opt_list 3
pick input
pv_cinsetup
set cin_maxval 10000
ok
""" + points_and_map(SOIL_SITE, False) + """pv-setup
pv_setup
pick symsetup
pv_sympick
select sym_list %(name)d
ok
pv_symsetup
pick sym_text
set sym_lay_chc SITES
set sym_size_chc 25
ok
pick symsetup
pv_sympick
select sym_list %(sdate)d
ok
pv_symsetup
pick sym_text
set sym_lay_chc DATES
set sym_size_chc 25
ok
pick exit
pv-save
pv_yesno_small
ok
SAVE soil.dxf
""" % {"name": COL_SITE_NAME, "sdate": COL_SITE_SDATE} + LOGOFF

SITES = [(1, "Hill A", 612000, 5622000, "2026-06-01"), (2, "Hill B", 612400, 5622300, "2026-06-02")]
SAMPLES = [(1, "S-1", 120.5), (1, "S-2", 35), (2, "S-3", 8)]


def soil_add():
    """The sites, then a sample with its gold above the maximum, which is
    refused and cancelled (a script answers nothing else after a refusal),
    then the samples."""
    lines = ["pv-add", "pv_add_tbl", "select tables %d" % SOIL_SITE]
    for s in SITES:
        lines += row_answers(s) + ["ok", "pv_add_tbl"]
    lines += ["select tables %d" % SOIL_SAMPL] + row_answers((1, "S-1", 20000)) + ["ok", "cancel"]
    lines += ["pv-add", "pv_add_tbl", "select tables %d" % SOIL_SAMPL]
    for s in SAMPLES:
        lines += row_answers(s) + ["ok", "pv_add_tbl"]
    return SOIL_LOGON + "\n".join(lines + ["cancel"]) + "\n" + LOGOFF


def soil_sites_to_map(setup=""):
    """The sites' NAME and SDATE plotted to the map, after a setup."""
    return (SOIL_LOGON + setup + query_plot([(PLOT_MAP, ["select output 2 5"])], "select output 6 7 8 9") +
            "SAVE soil.dxf\n" + ("pv_yesno_small\nok\n" if setup else "") + LOGOFF)


# SDATE's symbol setup moves its text 30 m below the site's point.
SDATE_OFFSET = """pv-setup
pv_setup
pick symsetup
pv_sympick
select sym_list %d
ok
pv_symsetup
set sym_yof_chc -30
ok
pick exit
""" % COL_SITE_SDATE

# A condition joining the samples to their sites is refused; without one
# the query joins them by itself.
SOIL_JOIN = SOIL_LOGON + """pv-query
pv_condition
select column %d
select operator 5
set value SITE.STN
pick modify
show
cancel
""" % COL_SAMPL_STN + query_plot([(PLOT_E00, ["select output 2 3", "set filename gold"])], "select output 2 3 7 8") + LOGOFF

# Gold above the maximum, and a value that is no number.
SOIL_IMPORT = SOIL_LOGON + """pv-import
pv_import
set imp_fname gold.txt
pick imp_text
pick import
pv_importxt
select txt_table %d
set txt_coldel ,
pick txt_append
select txt_output 1 2 3
pick import
pv_alert_wrap
show
ok
""" % SOIL_SAMPL + LOGOFF


def soil_texts(root):
    """(layer, text, x, y) of the drawing's texts, sorted."""
    import ezdxf
    msp = ezdxf.readfile(os.path.join(root, "soil.dxf")).modelspace()
    return sorted((e.dxf.layer, e.dxf.text.strip(), round(e.dxf.insert.x), round(e.dxf.insert.y))
                  for e in msp if e.dxftype() == "TEXT")


def soil_project(args, root):
    os.makedirs(os.path.join(root, "projects", "SOIL"))
    soil = os.path.join(root, "projects", "SOIL")

    out = run(args, root, "soil_tables.scr", soil_tables(), "soil.dxf", ['tile "col_opt" is disabled'])
    check('*Invalid* tile "col_opt" is disabled' in out, "Columns is disabled until the table is selected")
    check("Column name DATE is a reserved word" in out, "DATE is refused as a reserved word")
    check("Column name AU_PPB has invalid characters" in out, "AU_PPB is refused for its underscore")
    registry = sorted(r["TABLENAME"].strip() for r in rows(soil, "PVTABLE"))
    check(registry == ["SAMPL", "SITE"], "both tables registered: %r" % registry)
    check([f.name for f in dbfread.DBF(os.path.join(soil, "SAMPL.DBF")).fields] == [c[0] for c in SAMPL],
          "SAMPL has the names it took")

    run(args, root, "soil_setup.scr", SOIL_SETUP, "soil.dxf")
    out = run(args, root, "soil_add.scr", soil_add(), "soil.dxf")
    check("AUPPB 20000 is greater than maximum of 10000.000000" in out, "the dialog refuses gold above the maximum")
    check([(int(r["STN"]), r["SAMPNO"], r["AUPPB"]) for r in rows(soil, "SAMPL")] == SAMPLES,
          "three samples, none above the maximum: %r" % rows(soil, "SAMPL"))

    out = run(args, root, "soil_map.scr", soil_sites_to_map(), "soil.dxf")
    together = sorted([("SITES", s[1], s[2], s[3]) for s in SITES] + [("DATES", s[4], s[2], s[3]) for s in SITES])
    check(soil_texts(root) == together, "without an offset both texts stand on the site's point: %r" % soil_texts(root))
    out = run(args, root, "soil_offset.scr", soil_sites_to_map(SDATE_OFFSET), "soil.dxf")
    apart = sorted(together + [("SITES", s[1], s[2], s[3]) for s in SITES] + [("DATES", s[4], s[2], s[3] - 30)
                                                                               for s in SITES])
    check(soil_texts(root) == apart, "the Y offset draws SDATE 30 m below NAME: %r" % soil_texts(root))

    out = run(args, root, "soil_join.scr", SOIL_JOIN, "soil.dxf")
    check("ERROR: Non-numeric entry in column STN" in out, "a join condition at the station is refused")
    check("Plotted... 3 records" in out, "without it each sample is joined to its own site, once")

    with open(os.path.join(root, "gold.txt"), "w") as f:
        f.write("1,S-4,20000\n2,S-5,lots\n")
    out = run(args, root, "soil_import.scr", SOIL_IMPORT, "soil.dxf")
    err = os.path.join(soil, "SAMPL.ERR")
    shown = re.sub(r"\s", "", "".join(re.findall(r"^ +\d+: (.*)$", out, re.M)))
    check("Imported:1rowsintoSAMPL" in shown and "ERRORS:1rowswrittento" + re.sub(r"\s", "", err) in shown,
          "pv-import takes the gold above the maximum and refuses only what the database refuses")
    check(rows(soil, "SAMPL")[-1]["AUPPB"] == 20000, "the imported gold is stored as the file gives it")
    check(os.path.exists(err) and "lots" in open(err).read(), "the line the database refuses is in %s" % err)


def drawing(root):
    """The stations' names as texts at their points, the structures as
    STRIKE_DIP turned so that the strike line bears the strike."""
    import ezdxf
    msp = ezdxf.readfile(os.path.join(root, "blue.dxf")).modelspace()
    texts = sorted((e.dxf.text.strip(), round(e.dxf.insert.x), round(e.dxf.insert.y))
                   for e in msp if e.dxftype() == "TEXT" and e.dxf.layer == "STATIONS")
    check(texts == sorted((s[1], s[2], s[3]) for s in STATIONS), "station names drawn at their points: %r" % texts)
    shapes = [(round(e.dxf.insert.x), round(e.dxf.insert.y), round(-e.dxf.rotation % 360, 1))
              for e in msp if e.dxftype() == "SHAPE" and e.dxf.name == "STRIKE_DIP"]
    at = {s[0]: (s[2], s[3]) for s in STATIONS}
    want = [at[s[0]] + (float(s[2]),) for s in STRUCTURES]
    check(sorted(shapes) == sorted(want), "strike symbols at the stations, turned by the strike: %r" % shapes)


def exports(root):
    """ogrinfo reads the E00 and MIF files the browser wrote."""
    for name, driver in (("struc.e00", "AVCE00"), ("struc.mif", "MapInfo File")):
        path = os.path.join(root, name)
        found = [f for f in os.listdir(root) if f.lower() == name]
        check(found, "%s written: %r" % (name, os.listdir(root)))
        if not found:
            continue
        r = subprocess.run(["ogrinfo", "-ro", "-al", "-so", os.path.join(root, found[0])], capture_output=True,
                           text=True)
        print(r.stdout, r.stderr)
        check(r.returncode == 0 and driver in r.stdout and "Feature Count: 5" in r.stdout,
              "ogrinfo reads the five structures from %s with %s" % (name, driver))


def main():
    if len(sys.argv) == 7 and sys.argv[5] == "--server":
        SERVER["port"] = int(sys.argv[6])
    elif len(sys.argv) != 5:
        print(__doc__)
        return 2
    test_new_project(sys.argv[1:4], sys.argv[4])
    print("%d failure(s)" % len(FAILURES))
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
