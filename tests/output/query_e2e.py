#!/usr/bin/python3
"""pv-query end to end through pvhost on a DB3 project with STATION and
SAMPLE tables (query_project.py): the dialog builds SAMPLE.AU > 5 AND
STATION.ROCKTYPE = O'NEIL, names it AUQ and runs it ("Querying... 1 records
found...", the browser opens); pv-save, log off and on, and picking AUQ
shows both rows with O'NEIL as typed; python3-dbfread reads PVQUERY and
PVQOUT. On a copy of the sample project RIDGE, UNIT.AGE IS T (the value
picked in the tree picker) and HAS T list the rows python finds over
dbfread in the profile AGEP: IS the units whose age is T or lies below it,
HAS those whose age is T or lies above it.

  query_e2e.py PVHOST MODULE RESOURCES WORKDIR
"""
import os
import re
import shutil
import subprocess
import sys

import dbfread

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "map"))
from e2e_util import FAILURES, check, run_pvhost  # noqa: E402


def column_index(project, table, column):
    """The column's index in the dialog's lists: every column of every
    registered table, the tables in name order."""
    names = sorted(r["TABLENAME"].strip() for r in dbfread.DBF(os.path.join(project, "PVTABLE.DBF")))
    n = 0
    for name in names:
        fields = dbfread.DBF(os.path.join(project, name + ".DBF")).field_names
        if name == table:
            return n + fields.index(column)
        n += len(fields)
    raise KeyError(table + "." + column)


def dictionary_names(project, table):
    """A dictionary's long names by item number."""
    return {r["BASENUMBER"]: r["LONGNAME"].strip() for r in dbfread.DBF(os.path.join(project, table + ".DBF"))}


def profile_parents(project, profile, dictionary):
    """A profile's tree as {item name: parent item name or None}."""
    names = dictionary_names(project, dictionary)
    rows = [r for r in dbfread.DBF(os.path.join(project, profile + ".DBF")) if r["SORTNUMBER"] > 0]
    by_sort = {r["SORTNUMBER"]: names[r["BASENUMBER"]] for r in rows}
    return {names[r["BASENUMBER"]]: by_sort.get(r["PARENTNUM"]) for r in rows}


def at_or_below(parents, item, ancestor):
    """Whether the item is the ancestor or lies below it in the tree."""
    while item is not None:
        if item == ancestor:
            return True
        item = parents.get(item)
    return False


def browser_rows(out, dialog):
    """The rows each browser shows: lists of (UNITNO, AGE)."""
    shown = []
    for form in out.split("=== Dialog %s" % dialog)[1:]:
        block = form[form.find("sqlrow"):].split("\n")[1:]
        rows = []
        for line in block:
            fields = line.split(":", 1)[1].split() if re.match(r"^ +\*?\d+: ", line) else None
            if not fields:
                break
            rows.append((int(fields[0]), fields[1]))
        shown.append(rows)
    return shown


def test_item_operators(pvhost, module, resources, work):
    """IS and HAS on RIDGE's UNIT.AGE against its item tree."""
    root = os.path.join(work, "ridge")
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(root)
    shutil.copytree(os.path.join(resources, "projects"), os.path.join(root, "projects"))
    shutil.copy(os.path.join(resources, "asi.ini"), root)
    project = os.path.join(root, "projects", "RIDGE")
    age = column_index(project, "UNIT", "AGE")
    unitno = column_index(project, "UNIT", "UNITNO")
    query = f"""pv-query
pv_condition
select output {unitno} {age}
select column {age}
select operator %d
%s
pick modify
pick query
pv_msg_box
ok
pv_table_med
show
cancel
"""
    # The tree picker walks from the profile's top: K, then T under it.
    picked = "pick tree\npv_sel_tree\nselect symbol_tree 1\nselect symbol_tree 1\nok\nshow"
    script = ('(pv_open "RIDGE" "DB3" "" "")\n' + query % (9, picked) + query % (10, "set value T")
              + '(pv_logoff "RIDGE")\nQUIT\n')
    out = run_pvhost(pvhost, module, resources, root, script)
    check('value          edit_box "Value:" = "T"' in out, "the tree picker fills the value T")
    check("ERROR: Invalid operator" not in out, "IS and HAS are accepted on UNIT.AGE")
    parents = profile_parents(project, "AGEP", "AGES")
    units = [(r["UNITNO"], r["AGE"].strip()) for r in dbfread.DBF(os.path.join(project, "UNIT.DBF"))]
    want_is = [u for u in units if at_or_below(parents, u[1], "T")]
    want_has = [u for u in units if at_or_below(parents, "T", u[1])]
    got = browser_rows(out, "pv_table_med")
    check(got == [want_is, want_has], "IS T lists %r and HAS T %r: %r" % (want_is, want_has, got))
    check(0 < len(want_is) < len(units) and 0 < len(want_has) < len(units), "the filters choose among the units")


def main():
    pvhost, module, resources, root = sys.argv[1:5]
    test_item_operators(pvhost, module, resources, root + "_items")
    shutil.rmtree(root, ignore_errors=True)
    project = os.path.join(root, "projects", "QP")
    subprocess.run(["/usr/bin/python3", os.path.join(HERE, "query_project.py"), project], check=True)
    with open(os.path.join(root, "asi.ini"), "w") as f:
        f.write("[ENVIRONMENTS]\nDB3=\n\n[DB3]\nDriver=pvdb3\nPETRIVEX=projects\nPETRIVEX.QP=QP\n\n"
                "[ASE_CATALOGS]\nQP=projects\n\n[PETRIVEX_MISC]\nQP.links=0\n")
    au = column_index(project, "SAMPLE", "AU")
    rock = column_index(project, "STATION", "ROCKTYPE")
    script = f"""(pv_open "QP" "DB3" "" "")
pv-query
pv_condition
select column {au}
select operator 2
set value 5
pick modify
pick down
select connector 1
select column {rock}
select operator 5
set value O'NEIL
pick modify
set qname AUQ
pick query
pv_msg_box
show
ok
pv_table_large
show
ok
pv-save
pv_yesno_small
ok
(pv_logoff "QP")
(pv_open "QP" "DB3" "" "")
pv-query
pv_condition
select queries 0
show
cancel
(pv_logoff "QP")
QUIT
"""
    out = run_pvhost(pvhost, module, resources, root, script)
    check("Querying... 1 records found..." in out, "the query finds the one O'NEIL sample above 5")
    check("Dialog: pv_table_large" in out, "the browser opens on the result")
    check("9.125" in out, "the browser shows the sample's gold")
    check("Query GHOST of project QP is left out: table GONE is not registered." in out,
          "the query naming an unregistered table is left out with a warning")
    form = out[out.rfind("=== Dialog pv_condition"):]
    check('qname          edit_box "Query name:" = "AUQ"' in form, "picking AUQ shows its name")
    check("SAMPLE.AU       > 5" in form, "picking AUQ shows its first row")
    check("AND   STATION.ROCKTYPE       = O'NEIL" in form, "O'NEIL comes back as typed, unquoted")

    rows = [r for r in dbfread.DBF(os.path.join(project, "PVQUERY.DBF"))]
    auq = sorted((r for r in rows if r["QRYNAME"].strip() == "AUQ"), key=lambda r: r["POSITION"])
    check([(r["TABLENAME"].strip(), r["COLUMNAME"].strip(), r["OPERATOR"].strip(), r["VALUE"].strip())
           for r in auq] == [("SAMPLE", "AU", ">", "5"), ("STATION", "ROCKTYPE", "=", "'O''NEIL'")],
          "PVQUERY holds AUQ's two rows, the quote doubled: %r" % auq)
    check([r["CONNECTOR"].strip() for r in auq] == ["", "AND"], "AUQ's connectors")
    check(sum(1 for r in rows if r["QRYNAME"].strip() == "GHOST") == 1, "GHOST's row is written back")
    outs = sorted((r for r in dbfread.DBF(os.path.join(project, "PVQOUT.DBF")) if r["QRYNAME"].strip() == "AUQ"),
                  key=lambda r: r["POSITION"])
    check([(r["TABLENAME"].strip(), r["COLUMNAME"].strip(), r["FLAGS"]) for r in outs] ==
          [("SAMPLE", "BASENUMBER", 0), ("SAMPLE", "STATION", 0), ("SAMPLE", "AU", 1),
           ("STATION", "BASENUMBER", 0), ("STATION", "STATION", 0), ("STATION", "ROCKTYPE", 1)],
          "PVQOUT holds AUQ's outputs with their keys unshown: %r" % outs)
    if FAILURES:
        print("%d checks failed" % len(FAILURES))
        sys.exit(1)
    print("query end to end: all checks passed")


if __name__ == "__main__":
    main()
