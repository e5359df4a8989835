#!/usr/bin/python3
"""A project or a drawing from elsewhere writes only where the user chose:
for every name the program writes in a project's folder or beside a
drawing, a symbolic link planted there (to a canary file outside, and
then to a name outside that does not exist) is never written through.
pvhost runs each command of the table below; the canary stays as it was
and nothing is made outside, and a drawing saved keeps its mode. A
project whose table file is a link to another folder is refused at logon,
one swapped for a link after the logon is never written through, and a
journal naming a file that is not its table's restores nothing. What
stands at a fixed name and is no file of its own (a FIFO, a second link)
is refused, named, within seconds; a mark the logon cannot use is set
aside, a refill's guard whose writer is gone is removed, and one naming a
process that is no driver keeps no one out. An import line holding a NUL
byte is refused, and a memo the upgrade cannot hold in memory stops it
before anything changes. Last, OPEN of drawings too large for memory,
under a memory limit, ends with a message and the session and its
drawing go on.

  planted_links_e2e.py PVHOST MODULE RESOURCES WORKDIR
"""
import os
import re
import resource
import shutil
import socket
import stat
import struct
import subprocess
import sys

import dbfread
import ezdxf

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "upgrade"))
sys.path.insert(0, os.path.join(HERE, "..", "output"))
import e2e_tables  # noqa: E402
from e2e_tables import check  # noqa: E402
import upgrade_e2e  # noqa: E402
import ustation_e2e  # noqa: E402

CANARY = b"canary: written by no one\n"
GEO = '(pv_open "GEO" "DB3" "" "")\n'
# Bytes of address space pvhost may have for the drawings too large for it
# (its own code, the module and the stand-in editor take some 200 MB; a
# drawing of points some 8 times its file's size).
MEMORY_LIMIT = 384 << 20


def geo(root):
    """A copy of the sample projects under root, with the shipped asi.ini."""
    shutil.copytree(os.path.join(sys.argv[3], "projects"), os.path.join(root, "projects"))
    shutil.copy(os.path.join(sys.argv[3], "asi.ini"), os.path.join(root, "asi.ini"))


def upgrade(root):
    """The version-3.0 project OLD with a setup file PVNOTE.TXT the upgrade copies aside."""
    upgrade_e2e.make_project(root)
    with open(os.path.join(root, "projects", "OLD", "PVNOTE.TXT"), "w") as f:
        f.write("the sender's note\n")


def ustation(root):
    ustation_e2e.make_project(root, True)


def text_import(path, extra=""):
    """pv-import's answers to append the text file path to STATN of GEO."""
    return ("pv-import\npv_import\nset imp_fname %s\npick imp_text\npick import\npv_importxt\nselect txt_table 0\n"
            "set txt_coldel ,\nset txt_txtdel \"\npick txt_append\nselect txt_output 1 2 3 4 5 6\npick import\n%s"
            % (path, extra))


def rows_file(root):
    """Two station rows, the second wider than STN and so refused into STATN.ERR."""
    path = os.path.join(root, "rows.txt")
    with open(path, "wb") as f:
        f.write(b"71,Planted,1,2,3,a\n123456789012,Wide,7,8,9,d\n")
    return path


LOGON_OLD = '(pv_open "OLD" "DB3" "" "")\n'
UPGRADE = LOGON_OLD + upgrade_e2e.UPGRADE + "pv_yesno_small\nok\nALL\n\n(pv_logoff)\nQUIT\n"
USTATION = '(pv_open "MS" "DB3" "" "")\npv-ustation\npv_ustation\nok\n(pv_logoff)\nQUIT\n'
# The answers to a long alert: shown, then closed.
WRAP = "pv_alert_wrap\nshow\nok\n"
IMPORT_START = "pv-import\npv_import\nset imp_fname %s\npick imp_text\npick import\n"

# Each command: its name, what it runs on, the names it writes (from root),
# its script (given root) as it goes with the links to the canary (with
# links to nowhere it may go otherwise) and a text its output then shows.
COMMANDS = [
    ("upgrade's copy of a setup file", upgrade, ["projects/OLD/PVNOTE.TXT.UPG"], lambda root: UPGRADE,
     "Upgrading complete"),
    ("upgrade's mark", upgrade, ["projects/OLD/UPGRADE.MRKN"],
     lambda root: LOGON_OLD + "pv-upgrade\npv_upgrade\nselect project 0\nok\n" + WRAP + "(pv_logoff)\nQUIT\n",
     "UPGRADE.MRK: it is a symbolic link"),
    ("SAVE of a drawing opened", None, ["map.dxf.tmp"], lambda root: "OPEN map.dxf\nSAVE\nQUIT\n", "Saved"),
    ("import's error file", geo, ["projects/GEO/STATN.ERR"],
     lambda root: GEO + text_import(rows_file(root), WRAP + "cancel\n") + "(pv_logoff)\nQUIT\n",
     "STATN.ERR: it is a symbolic link"),
    ("the driver's journal and index file", geo, ["projects/GEO/STATN.JNL", "projects/GEO/STATN.INI.new"],
     lambda root: GEO + WRAP + IMPORT_START % rows_file(root) + "(pv_logoff)\nQUIT\n",
     "STATN.JNL: it is a symbolic link"),
    ("the driver's journal of a first write", geo, ["projects/GEO/STATN.JNL"],
     lambda root: GEO + text_import(rows_file(root), WRAP) + "(pv_logoff)\nQUIT\n", ""),
    ("pv-ustation's script and batch file", ustation,
     ["projects/MS/pvddict.s", "projects/MS/pvddict.s.tmp", "projects/MS/cleanup.bat"], lambda root: USTATION,
     "Exported 3 tables to Microstation 95:"),
    ("pv-ustation's copy and mark of its catalogue", ustation,
     ["projects/MS/MSCATLOG.DBO", "projects/MS/MSCATLOG.MRFN"], lambda root: USTATION, ""),
]


def shown(text, out):
    """Whether out shows text, a long alert's lines wrapped anywhere."""
    def bare(t):
        return re.sub(r"\s+|\n +\d+: ", "", t)
    return bare(text) in bare(re.sub(r"\n +\d+: ", "", out))


def drawing(path, text):
    doc = ezdxf.new("R12")
    doc.modelspace().add_text(text)
    doc.saveas(path)


def texts(path):
    return [e.dxf.text for e in ezdxf.readfile(path).modelspace().query("TEXT")]


def outside_untouched(outside, what):
    with open(os.path.join(outside, "canary"), "rb") as f:
        check(f.read() == CANARY, "%s: the canary outside is unchanged" % what)
    made = sorted(set(os.listdir(outside)) - {"canary", "STATN.DBF"})
    check(not made, "%s: nothing made outside: %r" % (what, made))


def fresh(work, name):
    """work/name made anew: the sample projects, in.dxf, and the canary in
    its folder outside; answers (the root, GEO's folder)."""
    root = os.path.join(work, name)
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(os.path.join(root, "outside"))
    geo(root)
    drawing(os.path.join(root, "in.dxf"), "kept")
    with open(os.path.join(root, "outside", "canary"), "wb") as f:
        f.write(CANARY)
    return root, os.path.join(root, "projects", "GEO")


def statn_outside(root):
    """GEO's STATN.DBF moved to root/outside and a symbolic link to it put
    in its place; answers (the link, the table outside, its bytes)."""
    statn, outside = os.path.join(root, "projects", "GEO", "STATN.DBF"), os.path.join(root, "outside", "STATN.DBF")
    shutil.move(statn, outside)
    os.symlink(outside, statn)
    with open(outside, "rb") as f:
        return statn, outside, f.read()


def test_planted_links(args, work):
    for n, (name, make, written, script, said) in enumerate(COMMANDS):
        for dangling in (False, True):
            what = "%s (%s)" % (name, "a link to nowhere" if dangling else "a link to the canary")
            root = os.path.join(work, "cmd%d%s" % (n, "d" if dangling else ""))
            outside = os.path.join(root, "outside")
            shutil.rmtree(root, ignore_errors=True)
            os.makedirs(root)
            if make:
                make(root)   # some start from an empty root
            os.makedirs(outside)
            with open(os.path.join(outside, "canary"), "wb") as f:
                f.write(CANARY)
            drawing(os.path.join(root, "in.dxf"), "kept")
            shutil.copy(os.path.join(root, "in.dxf"), os.path.join(root, "map.dxf"))
            os.chmod(os.path.join(root, "map.dxf"), 0o600)   # the user's own
            for i, w in enumerate(written):
                target = os.path.join(outside, "made%d" % i if dangling else "canary")
                os.symlink(target, os.path.join(root, w))
            print("==== %s" % what)
            status, out = e2e_tables.pvhost_run(args, root, script(root))
            check(status in (0, 1), "%s: pvhost ended by itself (status %d)" % (what, status))
            outside_untouched(outside, what)
            if not dangling and said:
                check(shown(said, out), "%s: %r said" % (what, said))
    saved = os.path.join(work, "cmd2", "map.dxf")
    check(os.path.isfile(saved) and not os.path.islink(saved), "SAVE leaves map.dxf a file of its own")
    check(os.stat(saved).st_mode & 0o777 == 0o600, "SAVE keeps map.dxf the user's own: %o" % os.stat(saved).st_mode)


def journal(path, size, at, data):
    """A journal of an unfinished statement as the DB3 driver writes it,
    naming the file path (size bytes before) and data to put back at at."""
    le = lambda n: struct.pack("<Q", n)  # noqa: E731
    name = path.encode()
    return (b"PVDB3JNL" + le(1) + le(len(name)) + name + le(size) + le(1) + le(at) + le(len(data)) + data +
            b"JNLEND!!")


def test_foreign_tables(args, work):
    """A table file that is a link outside the project is refused at
    logon; a journal that names a file outside its table restores
    nothing into it."""
    root, _ = fresh(work, "tables")
    outside = os.path.join(root, "outside")
    statn, _, before = statn_outside(root)
    status, out = e2e_tables.pvhost_run(args, root, GEO + WRAP + "(pv_logoff)\nQUIT\n")
    check(shown("its table file STATN.DBF is a link to %s" % os.path.realpath(os.path.join(outside, "STATN.DBF")), out),
          "logon names the table file linked outside the project")
    with open(os.path.join(outside, "STATN.DBF"), "rb") as f:
        check(f.read() == before, "the other folder's table is unchanged")

    os.remove(statn)
    shutil.copy(os.path.join(outside, "STATN.DBF"), statn)
    with open(os.path.join(root, "projects", "GEO", "STATN.JNL"), "wb") as f:
        f.write(journal(os.path.join(outside, "canary"), len(CANARY), 0, b"WRITTEN"))
    status, out = e2e_tables.pvhost_run(args, root, GEO + WRAP + "(pv_logoff)\nQUIT\n")
    check(shown("which is not a file of its table", out), "the journal naming another file is refused")
    outside_untouched(outside, "a journal naming a file outside")


# Fixed names of a project's folder where a FIFO is refused by the logon,
# which sets it aside (one of each kind of mark), and at pv-import, with
# what is said and whether the row then goes in (a refill's guard is
# removed by the logon); and a second link of a file outside at the
# import's error file.
MARK_NAMES = ["STATN.MRF", "PVMOVE.MRK", "STATN.MRG", "UPGRADE.MRK", "TEMPRARY.MRK", "STATN-1.MRD", "PVSETUP.MRS"]
IMPORT_NAMES = [("STATN.RFG", "fifo", "STATN.RFG of a refill whose writer is gone, not a regular file, was removed", True),
                ("STATN.JNL", "fifo", "STATN.JNL: it is not a regular file", False),
                ("STATN.INI", "fifo", "STATN.INI: it is not a regular file", False),
                ("STATN.ERR", "fifo", "STATN.ERR: it is not a regular file", False),
                ("STATN.ERR", "link", "STATN.ERR: it has another name (a hard link)", False)]
FIFO_SECONDS = 30


def good_rows(root):
    path = os.path.join(root, "good.txt")
    with open(path, "wb") as f:
        f.write(b"72,Good,1,2,3,a\n")
    return path


def good_rows_imported(p, root):
    """The user p (e2e_tables.second_user, logged on to GEO) imports
    good_rows and logs off; answers its output, printed."""
    out = p.communicate(text_import(good_rows(root), WRAP) + "(pv_logoff)\nQUIT\n", timeout=120)[0]
    print(out)
    return out


def guard_of(proj, pid):
    """A refill's guard of STATN naming process pid of this machine as its
    writer; answers its path."""
    guard = os.path.join(proj, "STATN.RFG")
    with open(guard, "w") as f:
        f.write("%d %s\nFill ARCS\n" % (pid, socket.gethostname()))
    return guard


def statn_numbers(root):
    return sorted(int(r["STN"]) for r in dbfread.DBF(os.path.join(root, "projects", "GEO", "STATN.DBF")))


def test_fixed_names(args, work):
    """FIFOs at the marks' names: the logon sets each aside, named, within
    seconds. FIFOs at the names pv-import's driver and error file use, and
    a hard link at the error file: each refused, named, within seconds,
    nothing imported."""
    root, proj = fresh(work, "fifo marks")
    for name in MARK_NAMES:
        os.mkfifo(os.path.join(proj, name))
    status, out = e2e_tables.pvhost_run(args, root, GEO + WRAP * len(MARK_NAMES) + "(pv_logoff)\nQUIT\n",
                                        timeout=FIFO_SECONDS)
    check(status in (0, 1), "FIFOs at the marks' names: the logon ends by itself (status %d)" % status)
    for name in MARK_NAMES:
        path = os.path.join(proj, name)
        check(shown("%s.BAD" % path, out) and not os.path.exists(path) and stat.S_ISFIFO(os.stat(path + ".BAD").st_mode),
              "a FIFO at %s is set aside, named" % name)
    for name, kind, said, imported in IMPORT_NAMES:
        root, proj = fresh(work, "import " + name)
        path = os.path.join(proj, name)
        if kind == "fifo":
            os.mkfifo(path)
        else:
            os.link(os.path.join(root, "outside", "canary"), path)
        script = GEO + WRAP + text_import(good_rows(root)) if imported else GEO + text_import(good_rows(root), WRAP)
        status, out = e2e_tables.pvhost_run(args, root, script + "(pv_logoff)\nQUIT\n", timeout=FIFO_SECONDS)
        what = "a %s at %s" % (kind, name)
        check(status in (0, 1), "%s: pv-import ends by itself (status %d)" % (what, status))
        check(shown(said, out) and (72 in statn_numbers(root)) == imported,
              "%s: %r said, the row %s" % (what, said, "imported" if imported else "not imported"))
        outside_untouched(os.path.join(root, "outside"), what)


def test_guards(args, work):
    """A refill's guard whose writer is gone, beside no mark, is removed by
    the logon, which says so; one naming a live process that is no driver
    (this test), found after the logon, keeps no one out. The rows go in."""
    root, proj = fresh(work, "stale guard")
    gone = subprocess.Popen(["/bin/true"])
    gone.wait()
    guard = guard_of(proj, gone.pid)
    status, out = e2e_tables.pvhost_run(args, root, GEO + WRAP + text_import(good_rows(root), WRAP) +
                                        "(pv_logoff)\nQUIT\n")
    check(shown("The guard %s of a refill whose writer is gone was removed" % guard, out) and
          not os.path.exists(guard) and 72 in statn_numbers(root), "a guard whose writer is gone is removed, said")
    root, proj = fresh(work, "guard of no driver")
    p = e2e_tables.second_user(args, root, GEO)
    guard = guard_of(proj, os.getpid())
    out = good_rows_imported(p, root)
    check(72 in statn_numbers(root) and "being written" not in out and os.path.exists(guard),
          "a guard naming a process that is no driver keeps no one out")


def test_swapped_table(args, work):
    """A table file swapped for a link to a table outside after the logon
    is refused, named, and the table outside stays as it was."""
    root, _ = fresh(work, "swapped")
    p = e2e_tables.second_user(args, root, GEO)
    _, outside, before = statn_outside(root)
    out = good_rows_imported(p, root)
    with open(outside, "rb") as f:
        check(f.read() == before, "the table outside is unchanged")
    check(shown("STATN.DBF: it is a symbolic link, which is never written through", out), "the link is named")


def test_nul_line(args, work):
    """A line holding a NUL byte is refused, the column named, into the
    error file, as a character outside the code page is; the lines around
    it go in."""
    root, proj = fresh(work, "nul")
    path = os.path.join(root, "nul.txt")
    with open(path, "wb") as f:
        f.write(b"72,Before,1,2,3,a\n74,Nul,5,6,2\x0000,gne\x00iss\n73,After,1,2,3,c\n")
    status, out = e2e_tables.pvhost_run(args, root, GEO + text_import(path, WRAP) + "(pv_logoff)\nQUIT\n")
    numbers = statn_numbers(root)
    check(72 in numbers and 73 in numbers and 74 not in numbers, "only the lines without a NUL go in: %r" % numbers)
    check(shown("Line 2: ELEV holds a NUL byte, which is not text", out), "the NUL is named with its line and column")
    with open(os.path.join(proj, "STATN.ERR"), "rb") as f:
        check(b"Nul" in f.read(), "the line goes to STATN.ERR")


def test_memo_beyond_memory(args, work):
    """pv-upgrade of a table whose memo file's header claims 2^31-1 blocks
    and whose memo runs on through them, under a memory limit: the memo
    that cannot be read is named with its table and row, nothing is
    changed."""
    root = os.path.join(work, "memo")
    upgrade(root)
    drawing(os.path.join(root, "in.dxf"), "kept")
    proj = os.path.join(root, "projects", "OLD")
    with open(os.path.join(proj, "NOTES.DBT"), "r+b") as f:
        data = f.read()
        f.seek(0)
        # The header's claim; no memo ends; zeros beyond the memory pvhost
        # has, in a sparse file.
        f.write(struct.pack("<I", 0x7FFFFFFF) + data[4:512] + data[512:].replace(b"\x1a", b" "))
        f.truncate(2 << 30)
    before = {n: os.stat(os.path.join(proj, n)).st_mtime_ns for n in os.listdir(proj)}

    def limit():
        resource.setrlimit(resource.RLIMIT_AS, (MEMORY_LIMIT, MEMORY_LIMIT))
    status, out = e2e_tables.pvhost_run(args, root, LOGON_OLD + upgrade_e2e.UPGRADE_REFUSED + WRAP +
                                        "(pv_logoff)\nQUIT\n", preexec=limit)
    check(status in (0, 1), "pvhost ends by itself (status %d)" % status)
    check(shown("Cannot upgrade table NOTES: its row 1 has a memo in NOTES.DBT that cannot be read: No memory "
                "available. Nothing was changed.", out) and "Upgrading complete" not in out, "the memo is named")
    after = {n: os.stat(os.path.join(proj, n)).st_mtime_ns for n in os.listdir(proj)}
    check(after == before, "nothing was changed: %r" % sorted(set(after.items()) ^ set(before.items())))


def test_huge_drawings(args, work):
    """OPEN of a drawing over the size limit, of a link to /dev/zero, of a
    FIFO and of one too large for the memory pvhost has: each ends with a
    message, and the drawing open before is saved whole after them."""
    root = os.path.join(work, "huge")
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(root)
    shutil.copy(os.path.join(sys.argv[3], "asi.ini"), os.path.join(root, "asi.ini"))
    drawing(os.path.join(root, "in.dxf"), "kept")
    with open(os.path.join(root, "huge.dxf"), "wb") as f:
        f.truncate(330 << 20)   # sparse: read as one long line of NULs
    os.symlink("/dev/zero", os.path.join(root, "zero.dxf"))
    os.mkfifo(os.path.join(root, "fifo.dxf"))   # no writer: opened as a file, it would wait for ever
    # Some 60 MB of points: well under the size limit, but many times that in memory.
    point = "0\nPOINT\n8\n0\n10\n1.0\n20\n2.0\n30\n0.0\n"
    with open(os.path.join(root, "many.dxf"), "w") as f:
        f.write("0\nSECTION\n2\nENTITIES\n")
        chunk = point * 10000
        for _ in range((60 << 20) // len(chunk)):
            f.write(chunk)
        f.write("0\nENDSEC\n0\nEOF\n")

    def limit():
        resource.setrlimit(resource.RLIMIT_AS, (MEMORY_LIMIT, MEMORY_LIMIT))
    status, out = e2e_tables.pvhost_run(
        args, root, "OPEN huge.dxf\nOPEN zero.dxf\nOPEN fifo.dxf\nOPEN many.dxf\nSAVE after.dxf\nQUIT\n", preexec=limit)
    check(status in (0, 1), "pvhost ends by itself, not by an abort (status %d)" % status)
    check("huge.dxf is 330 MB, more than the 256 MB a drawing may be" in out, "the huge drawing refused by its size")
    check("zero.dxf is not a regular file" in out, "a link to /dev/zero refused")
    check("fifo.dxf is not a regular file" in out, "a FIFO refused")
    check("not enough memory to read many.dxf" in out, "a drawing too large for memory refused")
    check(os.path.exists(os.path.join(root, "after.dxf")) and texts(os.path.join(root, "after.dxf")) == ["kept"],
          "the drawing open before is saved whole after")


def main():
    for test in (test_planted_links, test_foreign_tables, test_fixed_names, test_guards, test_swapped_table,
                 test_nul_line, test_memo_beyond_memory, test_huge_drawings):
        test(sys.argv[1:4], sys.argv[4])
    print("%d failure(s)" % len(e2e_tables.FAILURES))
    return 1 if e2e_tables.FAILURES else 0


if __name__ == "__main__":
    if len(sys.argv) != 5:
        print(__doc__)
        sys.exit(2)
    sys.exit(main())
