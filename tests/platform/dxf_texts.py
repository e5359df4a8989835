# dxf_texts.py: writes and reads the texts of a drawing with an independent
# DXF library (ezdxf), to see that texts beyond ASCII pass through the
# stand-in editor unchanged.
# Usage: /usr/bin/python3 dxf_texts.py write R12|R2000|R2010 out.dxf TEXT...
#        /usr/bin/python3 dxf_texts.py read in.dxf
# read prints the code page the file declares, then each TEXT entity's
# value, one per line, in UTF-8.
import sys

import ezdxf

if sys.argv[1] == "write":
    doc = ezdxf.new(sys.argv[2])
    msp = doc.modelspace()
    for i, text in enumerate(sys.argv[4:]):
        msp.add_text(text, dxfattribs={"insert": (0, i * 3), "height": 2.5})
    doc.saveas(sys.argv[3])
else:
    doc = ezdxf.readfile(sys.argv[2])
    sys.stdout.buffer.write((doc.header.get("$DWGCODEPAGE", "") + "\n").encode("utf-8"))
    for e in doc.modelspace().query("TEXT"):
        sys.stdout.buffer.write((e.dxf.text + "\n").encode("utf-8"))
