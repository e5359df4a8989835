# dxf_foreign.py: writes a drawing with an independent writer (ezdxf) so
# that the stand-in editor's reader can be tried on a file it did not make.
# Usage: /usr/bin/python3 dxf_foreign.py R12|R2000|R2013|R2018 out.dxf
import sys

import ezdxf

doc = ezdxf.new(sys.argv[1])
msp = doc.modelspace()
doc.appids.new("PETRIVEX")
line = msp.add_line((0, 0), (10, 5), dxfattribs={"layer": "GEOLOGY"})
line.set_xdata("PETRIVEX", [(1000, "GEO"), (1000, "STATION"), (1071, 42)])
msp.add_circle((2, 2), 1.5)
msp.add_text("Sample 7", dxfattribs={"height": 2.5, "rotation": 90})
blk = doc.blocks.new("SYM")
blk.add_line((0, 0), (1, 0))
msp.add_blockref("SYM", (3, 3))
msp.add_polyline2d([(0, 0), (4, 0), (4, 4)])
if sys.argv[1] != "R12":
    msp.add_lwpolyline([(0, 0), (1, 0), (1, 1)], close=True)
    msp.add_mtext("First line\\PSecond line", dxfattribs={"insert": (5, 5), "char_height": 1.5})
    blk.add_mtext("In the block", dxfattribs={"char_height": 0.5})
doc.saveas(sys.argv[2])
