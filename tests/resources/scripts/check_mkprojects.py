#!/usr/bin/env python3
"""Runs mkprojects in a scratch folder and fails unless every project folder
it writes holds exactly the shipped tables: a list changed in mkprojects.cpp
without the tables written again (or a table edited by hand) is caught here.

A dBASE table carries the day it was written in its header (bytes 1-3, the
date of last update), so those three bytes, and nothing else, are left out
of the comparison of a .DBF: the check holds on any day.  Before comparing,
the check proves itself on the first table: the table with its date changed
still matches, the table with one byte of a value changed does not.

usage: check_mkprojects.py MKPROJECTS SHIPPED WORK
"""
import os
import shutil
import subprocess
import sys

PROJECTS = ("Projections", "GEO", "RIDGE")
DATE_BYTES = slice(1, 4)  # YY MM DD of the last update


def differs(written: bytes, shipped: bytes, name: str) -> bool:
    """True when two files differ in anything but a table's date of last update."""
    if name.upper().endswith(".DBF") and len(written) >= 4 and len(shipped) >= 4:
        written = written[:1] + b"\0\0\0" + written[4:]
        shipped = shipped[:1] + b"\0\0\0" + shipped[4:]
    return written != shipped


def self_check(table: bytes, name: str) -> None:
    """The comparison passes a changed date and fails a changed value."""
    redated = bytearray(table)
    redated[DATE_BYTES] = bytes([(b + 7) % 100 for b in table[DATE_BYTES]])
    if differs(bytes(redated), table, name):
        sys.exit(f"{name}: a table differing only in its date was taken as different")
    header_len = int.from_bytes(table[8:10], "little")
    if header_len + 1 >= len(table):
        sys.exit(f"{name}: the self-check needs a table with a record")
    changed = bytearray(table)
    changed[header_len + 1] ^= 0x01  # first value byte of the first record
    if not differs(bytes(changed), table, name):
        sys.exit(f"{name}: a table with a changed value was taken as the same")


def main() -> None:
    mkprojects, shipped_top, work = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    for p in PROJECTS:
        os.makedirs(os.path.join(work, p))
    rc = subprocess.run([mkprojects], cwd=work).returncode
    if rc != 0:
        sys.exit(f"mkprojects exited with {rc}")
    checked = False
    for p in PROJECTS:
        written = sorted(os.listdir(os.path.join(work, p)))
        shipped = sorted(os.listdir(os.path.join(shipped_top, p)))
        if written != shipped:
            sys.exit(f"{p}: mkprojects writes {written}, the tree ships {shipped}")
        for f in written:
            with open(os.path.join(work, p, f), "rb") as fh:
                w = fh.read()
            with open(os.path.join(shipped_top, p, f), "rb") as fh:
                s = fh.read()
            if not checked and f.upper().endswith(".DBF"):
                self_check(w, f"{p}/{f}")
                checked = True
            if differs(w, s, f):
                sys.exit(f"{p}/{f}: the shipped table differs from what mkprojects writes")
    print(f"{sum(len(os.listdir(os.path.join(work, p))) for p in PROJECTS)} tables match")


if __name__ == "__main__":
    main()
