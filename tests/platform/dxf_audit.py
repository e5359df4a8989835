# dxf_audit.py: opens a drawing written by the stand-in editor with an
# independent reader (ezdxf), audits it and prints what it found; the file
# is read a second time in the reader's recover mode, which must find
# nothing to mend either.
# Usage: /usr/bin/python3 dxf_audit.py drawing.dxf
# Exit status 0 when the audit reports no error, 1 otherwise, 2 when the
# file cannot be read at all.
import sys

import ezdxf
from ezdxf import recover

try:
    doc = ezdxf.readfile(sys.argv[1])
except Exception as exc:  # the reader refused the file
    print("unreadable:", exc)
    sys.exit(2)
auditor = doc.audit()
for e in auditor.errors:
    print("error:", e.message)
for f in auditor.fixes:
    print("fix:", f.message)
msp = doc.modelspace()
print("entities:", " ".join("%s#%s" % (e.dxftype(), e.dxf.handle) for e in msp))
print("blocks:", " ".join(b.name for b in doc.blocks if not b.name.startswith("*Model") and not b.name.startswith("*Paper")))
for e in msp:
    for app in ("PETRIVEX",):
        if e.has_xdata(app):
            print("xdata:", e.dxf.handle, app, [t.value for t in e.get_xdata(app)])
try:
    _, recovered = recover.readfile(sys.argv[1])
except Exception as exc:  # even recover mode refused the file
    print("unrecoverable:", exc)
    sys.exit(2)
for e in recovered.errors:
    print("recover error:", e.message)
for f in recovered.fixes:
    print("recover fix:", f.message)
sys.exit(1 if auditor.has_errors or auditor.fixes or recovered.has_errors or recovered.fixes else 0)
