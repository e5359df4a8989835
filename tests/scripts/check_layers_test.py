#!/usr/bin/python3
"""The include check: it passes on includes of a file's own layer and of the
layers below, and fails, naming file and line, on an include planted upward,
both in a small tree and in a copy of the product tree.

    check_layers_test.py SCRIPT SOURCE_DIR
"""
import os
import shutil
import subprocess
import sys
import tempfile


def run(script, root):
    done = subprocess.run([sys.executable, script, root], capture_output=True, text=True)
    return done.returncode, done.stdout


def write(root, path, text):
    os.makedirs(os.path.dirname(os.path.join(root, path)), exist_ok=True)
    with open(os.path.join(root, path), "w") as out:
        out.write(text)


def expect(condition, what, failures):
    if not condition:
        failures.append(what)


def main(script, source_dir):
    failures = []
    with tempfile.TemporaryDirectory() as root:
        # Downward, sideways and beside-the-file includes pass; tests are not read.
        write(root, "coords/geo_point.h", "")
        write(root, "core/pjct.h", '#include "coords/geo_point.h"\n#include "core/tbl.h"\n')
        write(root, "core/tbl.h", '#include "pjct.h"\n#include <vector>\n#include "not/in/the/tree.h"\n')
        write(root, "map/sym_draw.h", '#include "core/pjct.h"\n')
        write(root, "sqlclient/values/asi_data.h", '#include "sqlclient/base/asi_object.h"\n')
        write(root, "sqlclient/base/asi_object.h", "")
        write(root, "tests/map/sym_draw_test.cpp", '#include "module/pv_entry.h"\n')
        write(root, "module/pv_entry.h", '#include "map/sym_draw.h"\n')
        code, out = run(script, root)
        expect(code == 0 and out == "", f"a tree without upward includes is refused: {out}", failures)

        # An upward include between top folders, and one between nested ones.
        write(root, "core/setup.cpp", '#include "core/pjct.h"\n\n#include "map/sym_draw.h"\n')
        write(root, "sqlclient/base/asi_except.cpp", '#include "../values/asi_data.h"\n')
        code, out = run(script, root)
        expect(code == 1, "upward includes pass", failures)
        expect("core/setup.cpp:3: includes map/sym_draw.h" in out, f"core/setup.cpp:3 not named: {out}", failures)
        expect("sqlclient/base/asi_except.cpp:1: includes sqlclient/values/asi_data.h" in out,
               f"sqlclient/base/asi_except.cpp:1 not named: {out}", failures)
        expect(out.count("\n") == 3, f"more than the two planted includes named: {out}", failures)

    with tempfile.TemporaryDirectory() as root:
        # The product tree passes; with one include planted upward, it fails on it alone.
        for top in os.listdir(source_dir):
            if top in ("build", "tests", "bench", ".git") or not os.path.isdir(os.path.join(source_dir, top)):
                continue
            shutil.copytree(os.path.join(source_dir, top), os.path.join(root, top),
                            ignore=shutil.ignore_patterns("*.dbf", "*.DBF", "*.dxf", "*.e00", "*.xmx"))
        code, out = run(script, root)
        expect(code == 0, f"the product tree has upward includes: {out}", failures)
        with open(os.path.join(root, "core/str_util.cpp")) as f:
            lines = f.read().count("\n")
        with open(os.path.join(root, "core/str_util.cpp"), "a") as f:
            f.write('#include "output/plot.h"\n')
        code, out = run(script, root)
        expect(code == 1 and out.startswith(f"core/str_util.cpp:{lines + 1}: includes output/plot.h")
               and out.count("\n") == 2, f"the planted include is not the one named: {out}", failures)

    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
