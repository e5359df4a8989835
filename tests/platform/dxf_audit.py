# dxf_audit.py: opens a drawing written by the stand-in editor with an
# independent reader (ezdxf), audits it and prints what it found.
# Usage: /usr/bin/python3 dxf_audit.py drawing.dxf
# Exit status 0 when the audit reports no error, 1 otherwise, 2 when the
# file cannot be read at all.
import sys

import ezdxf

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
sys.exit(1 if auditor.has_errors or auditor.fixes else 0)
