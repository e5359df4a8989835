#!/usr/bin/python3
"""pv-upgrade end to end through pvhost: a version-3.0 project OLD made here
with the python dbf module (its catalogue PETRIVEX.DBF and old tables) and a
drawing made with ezdxf whose entities carry old links; dbfread and ezdxf
read back what the upgrade left.

  upgrade_e2e.py PVHOST MODULE RESOURCES WORKDIR
"""
import os
import re
import shutil
import sys
import time

import dbfread
import ezdxf

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import e2e_tables  # noqa: E402
from e2e_tables import FAILURES, check, table  # noqa: E402
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "map"))
from e2e_util import run_pvhost_killed  # noqa: E402


CATALOGUE_FIELDS = ("MODULE C(5); FIELDNAME C(10); TYPE C(4); LENGTH N(2,0); DECIMAL N(1,0); DEFAULTON C(1); "
                    "PROMPT C(11); KEYWORD C(255); FUNCTION C(8); NULL C(1); DISPLAY C(1); LAYER C(7); KEY C(15); "
                    "MASTER C(1); FIELDID C(2); MODULEID C(2); ANGLEID C(2); POSITIONID C(2); POSIT C(1); "
                    "PROJECTION C(1); SAVED C(1); XOFFSET C(2); YOFFSET C(2); SECONDKEY C(1); MAXRECID C(2); "
                    "ANGOFFSET C(2); GROUPKEY C(1); DATUM C(1); PROJECTID C(1); OWNERNAME C(20); UPGRADEFLG C(1)")
LETTER = "G"
STATN_ID = "SA"
STATION_FIELD_ID = "ST"
FIRST_MEMO = "First memo of the note, " + "f" * 700 + " end."
SECOND_MEMO = "Second memo " + "s" * 1200


def catalogue_row(module, field, kind, length, moduleid, fieldid, keyword="", master="N", projection="", datum="",
                  layer="", angleid="  "):
    return (module, field, kind, length, 0, "N", field, keyword, "", "Y", "Y", layer, "", master, fieldid, moduleid,
            angleid, "  ", "", projection, "", "  ", "  ", "", "  ", "  ", "N", datum, LETTER, "Field office", "N")


def make_project(root, loose=False, many=0):
    """The old project OLD; with loose, also a table LOOSE without the master
    column, which cannot be registered in the current layout; with many,
    that many stations more in STATN."""
    shutil.rmtree(root, ignore_errors=True)
    d = os.path.join(root, "projects", "OLD")
    os.makedirs(d)
    cat = [catalogue_row("STATN", "STATION", "INT", 8, STATN_ID, STATION_FIELD_ID, master="Y", layer="STNS",
                         angleid="NA"),
           catalogue_row("STATN", "NAME", "TEXT", 10, STATN_ID, "NA"),
           catalogue_row("STATN", "ROCKTYPE", "ISTR", 3, STATN_ID, "RT", keyword="granite (coarse fine) basalt"),
           catalogue_row("STATN", "GRADE", "RSTR", 4, STATN_ID, "GR", keyword="au ag"),
           catalogue_row("STATN", "ROCKNAME", "ISTR", 2, STATN_ID, "RN", keyword="shale slate"),
           catalogue_row("STATN", "LOC", "PNT", 12, STATN_ID, "LO", projection="3", datum="2"),
           catalogue_row("ORDER", "STATION", "INT", 8, "OR", STATION_FIELD_ID),
           catalogue_row("ORDER", "QTY", "INT", 5, "OR", "QT"),
           catalogue_row("ORDER", "ROCKKIND", "ISTR", 1, "OR", "RK", keyword="granite (coarse fine) basalt"),
           catalogue_row("ORDER", "OFFSET", "INT", 5, "OR", "OF"),
           catalogue_row("ORDER", "LIMIT", "INT", 5, "OR", "LI"),
           catalogue_row("ORDER", "ORDER", "INT", 5, "OR", "OD"),
           catalogue_row("NOTES", "STATION", "INT", 8, "NO", STATION_FIELD_ID),
           catalogue_row("NOTES", "NOTE", "MEMO", 10, "NO", "N1"),
           catalogue_row("NOTES", "NOTE2", "MEMO", 10, "NO", "N2"),
           catalogue_row("NOTES", "DESC", "TEXT", 10, "NO", "DS")]
    if loose:
        cat.append(catalogue_row("LOOSE", "DEPTH", "INT", 8, "LS", "DP"))
        table(os.path.join(d, "LOOSE.DBF"), "ID C(2); DEPTH N(8,0)", [("AB", 5)])
    table(os.path.join(d, "PETRIVEX.DBF"), CATALOGUE_FIELDS, cat)
    table(os.path.join(d, "STATN.DBF"), "ID C(2); STATION N(8,0); NAME C(10); ROCKTYPE C(3); GRADE C(4); "
          "ROCKNAME C(2); LOCX N(12,6); LOCY N(12,6); LOCZ N(8,2)",
          [("AB", 1, "Outcrop", "\x02\x04 ", "\x65\x04\x01\x01", "\x03\x02", -100.5, 45.25, 120.0),
           ("\x00\x07", 2, "Creek \u201a", "   ", "    ", "  ", -100.0, 45.0, 0.0)] +
          [(chr(0x21 + n // 94) + chr(0x21 + n % 94), n + 3, "S%d" % n, "\x02  ", "    ", "  ", -100.0 - n * 1e-4, 45.0,
            1.0) for n in range(many)])
    table(os.path.join(d, "ORDER.DBF"), "ID C(2); STATION N(8,0); QTY N(5,0); ROCKKIND C(1); OFFSET N(5,0); "
          "LIMIT N(5,0); ORDER N(5,0)", [("AB", 1, 12, "\x05", 30, 40, 50)])
    # STATN declares code page 437, in which "Creek \x82" is "Creek \u00e9".
    with open(os.path.join(d, "STATN.DBF"), "r+b") as f:
        f.seek(29)
        f.write(b"\x01")
    table(os.path.join(d, "NOTES.DBF"), "ID C(2); STATION N(8,0); NOTE M; NOTE2 M; DESC C(10)",
          [("AB", 1, FIRST_MEMO, SECOND_MEMO, "Wet")])
    with open(os.path.join(root, "asi.ini"), "w") as f:
        f.write("[ENVIRONMENTS]\nDB3=\n\n[DB3]\nDriver=pvdb3\nPETRIVEX=projects\nPETRIVEX.OLD=OLD\n\n"
                "[ASE_CATALOGS]\nOLD=projects\n\n[PETRIVEX_MISC]\nOLD.links=1\n")


def le16(text):
    return ord(text[0]) + 256 * ord(text[1])


def drawing(path, rows):
    doc = ezdxf.new("R12")
    doc.appids.new("PETRIVEX")
    msp = doc.modelspace()
    for i, (row_id, value) in enumerate(rows):
        t = msp.add_text("S%d" % i, dxfattribs={"insert": (i * 10, 0)})
        t.set_xdata("PETRIVEX", [(1000, "old"), (1070, ord(LETTER)), (1070, le16(STATN_ID)), (1070, row_id),
                                 (1070, le16(STATION_FIELD_ID)), (1000, value)])
    doc.saveas(path)


def pvhost(args, root, script):
    status, out = e2e_tables.pvhost_run(args, root, script)
    check(status == 0, "pvhost exit status %d" % status)
    return out


def rows(root, name):
    path = os.path.join(root, "projects", "OLD", name + ".DBF")
    if not os.path.exists(path):
        check(False, "%s exists" % path)
        return []
    return [dict(r) for r in dbfread.DBF(path, encoding="cp437", char_decode_errors="replace")]


def fields(root, name):
    return [(f.name, f.type, f.length) for f in dbfread.DBF(os.path.join(root, "projects", "OLD", name + ".DBF")).fields]


UPGRADE = "pv-upgrade\npv_upgrade\nselect project 0\nok\npv_load_sym\npick exit\n"
UPGRADE_REFUSED = "pv-upgrade\npv_upgrade\nselect project 0\nok\n"


def snapshot(root):
    d = os.path.join(root, "projects", "OLD")
    out = {}
    for n in sorted(os.listdir(d)):
        with open(os.path.join(d, n), "rb") as f:
            out[n] = f.read()
    return out


def test_upgrade(args, work):
    root = os.path.join(work, "upgrade")
    make_project(root)
    # Row 99 is not in STATN (a deleted record): its link is not converted.
    drawing(os.path.join(root, "in.dxf"), [(16706, "1"), (7, "2"), (99, "9")])
    out = pvhost(args, root, '(pv_open "OLD" "DB3" "" "")\n' + UPGRADE + "pv_yesno_small\nok\nALL\n\n"
                 "SAVE out.dxf\n(pv_logoff)\nQUIT\n")
    check("Upgrading complete. You may need to revise your Tables setup" in out, "closing alert shown")
    check("Upgrading... 2... done, 1 not converted: their rows are not in their tables" in out,
          "two entities converted, the one of row 99 not")

    rockd = rows(root, "ROCKD")
    check(len(rockd) == 5, "ROCKD has 5 records: %r" % rockd)
    if len(rockd) == 5:
        check(rockd[0]["LONGNAME"] == "ROCKD", "record 0 names ROCKD: %r" % rockd[0])
        check((rockd[1]["BASENUMBER"], rockd[1]["LONGNAME"]) == (1, "granite"), "record 1: %r" % rockd[1])
    rockp = [(r["SORTNUMBER"], r["BASENUMBER"], r["PARENTNUM"], r["WINDOW"]) for r in rows(root, "ROCKP")]
    check(rockp == [(0, 0, 60077, 8089)] + [(k, k, 0, 0) for k in range(1, 5)], "ROCKP: %r" % rockp)

    dictionaries = {(r["COLUMNAME"], r["TABLENAME"]): (r["DICTIONARY"], r["PROFILE"]) for r in rows(root, "PVCOLUMN")}
    check(dictionaries.get(("ROCKNAME", "STATN")) == ("ROC1D", "ROC1P"), "a second keyword list of the stem ROCK gets "
          "ROC1D: %r" % (dictionaries.get(("ROCKNAME", "STATN")),))
    check(dictionaries.get(("ROCKKIND", "ORDE_")) == ("ROCKD", "ROCKP"), "an equal keyword list shares ROCKD")
    check([r["LONGNAME"] for r in rows(root, "ROC1D")] == ["ROC1D", "shale", "slate"], "ROC1D holds its own list")
    check([r.get("GRANITE") for r in rows(root, "ORDE_")] == [" 4"], "a shared dictionary's codes decode")

    statn = rows(root, "STATN")
    check([r["ID"] for r in statn] == [16706, 7], "STATN ids: %r" % [r.get("ID") for r in statn])
    names = [r["NAME"] for r in dbfread.DBF(os.path.join(root, "projects", "OLD", "STATN.DBF"), encoding="cp1252")]
    check(names == ["Outcrop", "Creek \u00e9"], "STATN's text converted from code page 437: %r" % names)
    if statn:
        check(statn[0]["GRANITE"] == " 1", "ISTR 0x02 became ' 1': %r" % statn[0])
        check(statn[0]["AU"].strip() == "8.68", "RSTR 0x65 0x04 became 8.68: %r" % statn[0])
        check((statn[0]["SHALE"], statn[0]["SLATE"]) == (" 2", " 1"), "ROCKNAME decodes against its own items")
    old = rows(root, "STATN283")
    check([(r["ID"][:1], r["NAME"], r["ROCKTYPE"][:2], r["GRADE"]) for r in old] ==
          [("A", "Outcrop", "\x02\x04", "\x65\x04\x01\x01"), ("\x00", "Creek \u00e9", "", "")],
          "STATN283 keeps the old records: %r" % old)
    check(("ID", "C", 2) in fields(root, "STATN283"), "STATN283 keeps the old fields")

    check(os.path.exists(os.path.join(root, "projects", "OLD", "ORDE_.DBF")), "ORDER is ORDE_ in files")
    check(not os.path.exists(os.path.join(root, "projects", "OLD", "ORDER.DBF")), "no ORDER.DBF left")
    check([r["QTY"] for r in rows(root, "ORDE_")] == [12], "ORDE_ keeps its record")
    check([(r.get("OFFSET"), r.get("LIMIT"), r.get("ORDE_")) for r in rows(root, "ORDE_")] == [(30, 40, 50)],
          "only the dialect's reserved words give way: OFFSET and LIMIT are kept, the field ORDER is ORDE_: %r"
          % rows(root, "ORDE_"))
    pvtable = [r["TABLENAME"] for r in rows(root, "PVTABLE")]
    check("ORDE_" in pvtable and "ORDER" not in pvtable, "PVTABLE names ORDE_: %r" % pvtable)
    pvcolumn = [(r["COLUMNAME"], r["TABLENAME"]) for r in rows(root, "PVCOLUMN")]
    check(("STATION", "ORDE_") in pvcolumn and not any(t == "ORDER" for _, t in pvcolumn),
          "PVCOLUMN names ORDE_: %r" % pvcolumn)
    check(len(pvcolumn) == len(set(pvcolumn)), "one rule per (column, table): %r" % pvcolumn)
    check(("DES_", "NOTES") in pvcolumn and ("DESC", "NOTES") not in pvcolumn,
          "DESC's rule follows it to DES_: %r" % pvcolumn)

    notes_fields = fields(root, "NOTES")
    check(("NOTE", "C", 4) in notes_fields and ("NOTE2", "C", 100) in notes_fields, "memo fields: %r" % notes_fields)
    notes = rows(root, "NOTES")
    check(notes and notes[0]["NOTE"] == "MEMO", "first memo field holds MEMO")
    memo = sorted(rows(root, "NOTESMEM"), key=lambda r: r["ORDNUMBER"])
    text = "".join(r["MEMOTEXT"] for r in memo).replace(" ", "")
    check(text == FIRST_MEMO.replace(" ", ""), "only the first memo in the memo table (%d lines)" % len(memo))
    old_notes = rows(root, "NOTES283")
    check(old_notes and old_notes[0]["NOTE"] == FIRST_MEMO and old_notes[0]["NOTE2"] == SECOND_MEMO,
          "NOTES283 keeps both memos")

    datums = [(r["DATUMNAME"], r["MAJORAXISA"], r["MINORAXISB"]) for r in rows(root, "PVDATUM")]
    check(datums == [("NAD83", 6378137.0, 6356752.31414)], "PVDATUM holds NAD83 with its axes: %r" % datums)
    points = [(r["TABLENAME"], r["XCOLUMN"], r["YCOLUMN"], r["ZCOLUMN"], r["PROJECTION"].upper())
              for r in rows(root, "PVPOINT")]
    check(points == [("STATN", "LOCX", "LOCY", "LOCZ", "GEOGRAPHIC NAD83")], "PVPOINT holds LOC: %r" % points)

    symbols = [(r["OWNERKIND"], r["TABLENAME"], r["COLUMNNAME"], r["ITEMNAME"], r["PROFILE"], r["LAYER"],
                r["ANGASSOC"]) for r in rows(root, "PVSYMBOL")]
    check((2, "STATN", "STATION", "", "", "STNS", "NAME") in symbols, "the master column's symbol setup: %r" % symbols)
    items = [(s[3], s[4]) for s in symbols if s[0] == 5]
    check(items == [("granite", "ROCKP"), ("coarse", "ROCKP"), ("fine", "ROCKP"), ("basalt", "ROCKP"),
                    ("au", "GRADP"), ("ag", "GRADP"), ("shale", "ROC1P"), ("slate", "ROC1P")],
          "one setup per dictionary item: %r" % items)
    check(not any(s[2] in ("NOTE", "NOTE2") for s in symbols), "memo columns get no symbol setup")

    doc = ezdxf.readfile(os.path.join(root, "out.dxf"))
    links = sorted(tuple(v.value for v in e.get_xdata("PETRIVEX"))[:5] for e in doc.modelspace()
                   if e.has_xdata("PETRIVEX"))
    check(links == [("OLD", "STATN", 7, "STATION", "2"), ("OLD", "STATN", 16706, "STATION", "1"),
                    ("old", ord(LETTER), le16(STATN_ID), 99, le16(STATION_FIELD_ID))],
          "current links, the old one of row 99 kept: %r" % links)
    store = sorted(e2e_tables.store_links(doc).values())
    check(store == [("OLD$STATN", 7), ("OLD$STATN", 16706)], "the link store holds the two converted: %r" % store)

    before = snapshot(root)
    pvhost(args, root, '(pv_open "OLD" "DB3" "" "")\n' + UPGRADE + "pv_yesno_small\npick no\n(pv_logoff)\nQUIT\n")
    after = snapshot(root)
    for n in ("STATN.DBF", "ORDE_.DBF", "NOTES.DBF", "STATN283.DBF", "NOTES283.DBF", "ROCKD.DBF", "ROCKP.DBF",
              "PVTABLE.DBF", "PVCOLUMN.DBF"):
        check(before.get(n) == after.get(n), "a second upgrade leaves %s unchanged" % n)
    again = [(r["COLUMNAME"], r["TABLENAME"]) for r in rows(root, "PVCOLUMN")]
    check(set(pvcolumn) <= set(again) and len(again) == len(set(again)), "a second upgrade adds no second rule")
    check(len(rows(root, "PVPOINT")) == 1, "a second upgrade adds no second point setup")


def test_repeated_keywords(args, work):
    """A repeated keyword is one item and one field, two words cleaning to
    one name get fields kept apart; a catalogue table without a file is
    named in the closing alert, and a second run changes no setup table."""
    root = os.path.join(work, "repeated")
    shutil.rmtree(root, ignore_errors=True)
    d = os.path.join(root, "projects", "OLD")
    os.makedirs(d)
    cat = [catalogue_row("STATN", "STATION", "INT", 8, STATN_ID, STATION_FIELD_ID, master="Y"),
           catalogue_row("STATN", "ROCKTYPE", "ISTR", 2, STATN_ID, "RT", keyword="granite granite basalt"),
           catalogue_row("STATN", "ROCKNAME", "ISTR", 2, STATN_ID, "RN", keyword="Shale shale"),
           catalogue_row("GHOST", "STATION", "INT", 8, "GH", STATION_FIELD_ID)]
    table(os.path.join(d, "PETRIVEX.DBF"), CATALOGUE_FIELDS, cat)
    table(os.path.join(d, "STATN.DBF"), "ID C(2); STATION N(8,0); ROCKTYPE C(2); ROCKNAME C(2)",
          [("AB", 1, "\x02\x03", "\x04\x05")])
    with open(os.path.join(root, "asi.ini"), "w") as f:
        f.write("[ENVIRONMENTS]\nDB3=\n\n[DB3]\nDriver=pvdb3\nPETRIVEX=projects\nPETRIVEX.OLD=OLD\n")
    drawing(os.path.join(root, "in.dxf"), [])
    run = '(pv_open "OLD" "DB3" "" "")\n' + UPGRADE + "pv_yesno_small\npick no\n(pv_logoff)\nQUIT\n"
    out = pvhost(args, root, run)
    check("Upgrading incomplete. Not upgraded, kept as they were: GHOST (no table file)." in out,
          "the closing alert names the table not upgraded")
    check(fields(root, "STATN")[2:] == [("GRANITE", "C", 2), ("BASALT", "C", 2), ("SHALE", "C", 2),
                                        ("SHALE1", "C", 2)], "item fields: %r" % fields(root, "STATN"))
    statn = rows(root, "STATN")
    check([(r["GRANITE"], r["BASALT"], r["SHALE"], r["SHALE1"]) for r in statn] == [(" 1", " 2", " 3", " 4")],
          "every old value in its field: %r" % statn)
    check([r["LONGNAME"] for r in rows(root, "ROCKD")] == ["ROCKD", "granite", "basalt"], "granite counted once")
    check("STATN" in [r["TABLENAME"] for r in rows(root, "PVTABLE")], "STATN registered")
    before = snapshot(root)
    out = pvhost(args, root, run)
    check("Upgrading complete" not in out, "the second run names GHOST too")
    after = snapshot(root)
    for n in ("PVTABLE.DBF", "PVCOLUMN.DBF", "STATN.DBF"):
        check(before.get(n) == after.get(n), "a second upgrade leaves %s byte-identical" % n)


def test_failed_rewrite(args, work):
    root = os.path.join(work, "failed")
    make_project(root, loose=True)
    d = os.path.join(root, "projects", "OLD")
    os.makedirs(os.path.join(d, "ORDE_.DBF"))   # the new file of ORDER cannot be made
    drawing(os.path.join(root, "in.dxf"), [])
    with open(os.path.join(d, "ORDER.DBF"), "rb") as f:
        order = f.read()
    with open(os.path.join(d, "LOOSE.DBF"), "rb") as f:
        loose = f.read()
    out = pvhost(args, root, '(pv_open "OLD" "DB3" "" "")\n' + UPGRADE +
                 "pv_yesno_small\npick no\n(pv_logoff)\nQUIT\n")
    with open(os.path.join(d, "ORDER.DBF"), "rb") as f:
        check(f.read() == order, "a failed rewrite leaves ORDER.DBF as it was")
    check(not os.path.exists(os.path.join(d, "ORDER283.DBF")), "no ORDER283 left beside it")
    with open(os.path.join(d, "LOOSE.DBF"), "rb") as f:
        check(f.read() == loose, "a table that cannot be registered keeps LOOSE.DBF as it was")
    check(not os.path.exists(os.path.join(d, "LOOSE283.DBF")), "no LOOSE283 left beside it")
    pvtable = [r["TABLENAME"] for r in rows(root, "PVTABLE")]
    check("ORDER" in pvtable and "LOOSE" in pvtable and "ORDE_" not in pvtable and "STATN" in pvtable,
          "the failed tables keep their old registration: %r" % pvtable)
    check(("ID", "N", 8) in fields(root, "STATN"), "STATN is upgraded beside them")
    check("Not upgraded, kept as they were:" in out and "ORDER" in out and "LOOSE" in out and
          "Upgrading complete" not in out, "the closing alert names ORDER and LOOSE")


def cut(path, size):
    """Cuts a file to size bytes, or by -size bytes when negative."""
    with open(path, "rb") as f:
        data = f.read()
    with open(path, "wb") as f:
        f.write(data[:size])


def count_more(path):
    """Makes a table's header count more records than its file holds."""
    with open(path, "r+b") as f:
        f.seek(4)
        f.write(b"\x09")


# Projects the upgrade refuses, changing nothing: what is wrong, what is
# done to the project's folder, and the alert.
REFUSALS = [
    ("no catalogue", lambda d: os.remove(os.path.join(d, "PETRIVEX.DBF")), "Cannot open PETRIVEX.DBF"),
    ("a catalogue cut mid-record", lambda d: cut(os.path.join(d, "PETRIVEX.DBF"), -300), "Cannot read PETRIVEX.DBF"),
    ("a table cut mid-record", lambda d: cut(os.path.join(d, "STATN.DBF"), -10),
     "Cannot upgrade table STATN: STATN.DBF does not hold the records its header counts. Nothing was changed."),
    ("a header counting more records than the file", lambda d: count_more(os.path.join(d, "ORDER.DBF")),
     "Cannot upgrade table ORDER: ORDER.DBF does not hold the records its header counts. Nothing was changed."),
    ("a memo file cut", lambda d: cut(os.path.join(d, "NOTES.DBT"), 1024),
     "Cannot upgrade table NOTES: a memo lies outside NOTES.DBT. Nothing was changed."),
    ("a memo file removed", lambda d: os.remove(os.path.join(d, "NOTES.DBT")),
     "Cannot upgrade table NOTES: its memo file NOTES.DBT is missing. Nothing was changed."),
]
# A long alert, shown and closed; its lines joined.
WRAPPED = "pv_alert_wrap\nshow\nok\n"


def wrapped(out):
    return " ".join(re.findall(r"^ +\d+: (.*)$", out, re.M))


def test_refused(args, work):
    for what, harm, alert in REFUSALS:
        root = os.path.join(work, "refused")
        make_project(root)
        d = os.path.join(root, "projects", "OLD")
        harm(d)
        drawing(os.path.join(root, "in.dxf"), [])
        before = snapshot(root)
        # A mark left is named by the logon and the refusal, each in a long alert.
        long = WRAPPED if "UPGRADE.MRK" in os.listdir(d) else ""
        out = pvhost(args, root, '(pv_open "OLD" "DB3" "" "")\n' + long + UPGRADE_REFUSED + long + "(pv_logoff)\nQUIT\n")
        check(alert in " ".join((out + wrapped(out)).split()), "%s: alerted %r" % (what, alert))
        check("Upgrading complete" not in out, "%s: no closing alert" % what)
        check(snapshot(root) == before, "%s: nothing changes" % what)
    # The mark of an upgrade cut short that the logon cannot use is set
    # aside, named, and stands in no upgrade's way.
    make_project(root)
    drawing(os.path.join(root, "in.dxf"), [])
    mark = os.path.join(root, "projects", "OLD", "UPGRADE.MRK")
    with open(mark, "w") as f:
        f.write("not a mark\n")
    out = pvhost(args, root, '(pv_open "OLD" "DB3" "" "")\n' + WRAPPED + UPGRADE + "pv_yesno_small\npick no\n"
                 "(pv_logoff)\nQUIT\n")
    bare = lambda text: "".join(text.split())  # noqa: E731 (the alert's lines break long words too)
    check(bare("It is set aside as %s.BAD" % mark) in bare(wrapped(out)) and "Upgrading complete" in out and
          open(mark + ".BAD").read() == "not a mark\n", "a mark the logon cannot use is set aside: %s" % out[-1500:])


def state(root):
    """The project's files as read back: every table's rows (dbfread) and
    the names of the other files, index files left out."""
    d = os.path.join(root, "projects", "OLD")
    out = {}
    for n in sorted(os.listdir(d)):
        if n.upper().endswith(".DBF"):
            out[n] = [tuple(r.values()) for r in dbfread.DBF(os.path.join(d, n), encoding="cp437",
                                                             char_decode_errors="replace")]
        elif not n.upper().endswith(".INI"):
            out[n] = None
    return out


def test_upgrade_killed(args, work):
    """pv-upgrade of a project with 8,000 stations killed (pvhost or its
    driver) at several points: after the next logon the project is as
    version 3.0 had it, or upgraded whole as an uncut run upgrades it."""
    root = os.path.join(work, "killed")
    script = '(pv_open "OLD" "DB3" "" "")\n' + UPGRADE + "pv_yesno_small\npick no\n(pv_logoff)\nQUIT\n"
    make_project(root, many=8000)
    drawing(os.path.join(root, "in.dxf"), [])
    old = state(root)
    began = time.time()
    pvhost(args, root, script)
    span = time.time() - began
    upgraded = state(root)
    check(len(upgraded.get("STATN.DBF", [])) == 8002 and "STATN283.DBF" in upgraded, "an uncut upgrade upgrades STATN")
    folder = os.path.join(root, "projects", "OLD")
    for trial in range(6):
        make_project(root, many=8000)
        drawing(os.path.join(root, "in.dxf"), [])
        # The kill comes a little later each time after the folder first changes.
        run_pvhost_killed(args[0], args[1], args[2], root, script, "in.dxf", [folder], span * trial / 8,
                          trial % 2 == 1)
        what = "trial %d (%s killed)" % (trial, "driver" if trial % 2 else "pvhost")
        out = pvhost(args, root, '(pv_open "OLD" "DB3" "" "")\n(pv_logoff)\nQUIT\n')
        after = state(root)
        check(after == old or after == upgraded, "%s: after the next logon the project is as 3.0 had it or upgraded "
              "whole; files %s" % (what, sorted(after)))
        check(after == upgraded or "The upgrade of the project did not finish; it is undone" in out or
              after == old and "UPGRADE.MRK" not in os.listdir(folder), "%s: the logon says so" % what)


def main():
    if len(sys.argv) != 5:
        raise SystemExit(__doc__)
    args = sys.argv[1:4]
    work = sys.argv[4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    test_upgrade(args, work)
    test_refused(args, work)
    test_repeated_keywords(args, work)
    test_failed_rewrite(args, work)
    test_upgrade_killed(args, work)
    if FAILURES:
        print("%d failure(s)" % len(FAILURES))
        sys.exit(1)
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
