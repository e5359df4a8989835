#!/usr/bin/python3
"""The layer check: it passes on a file's own layer and the layers below, and
fails, naming file and line (or symbol and libraries), on each way of using a
higher layer that the compiler or the linker would take: in a small tree, and
in a copy of the product tree and its libraries with five uses planted at once.

    check_layers_test.py SCRIPT SOURCE_DIR BUILD_DIR
"""
import json
import os
import shlex
import shutil
import subprocess
import sys
import tempfile


def run(script, root, build):
    done = subprocess.run([sys.executable, script, root, build], capture_output=True, text=True)
    return done.returncode, done.stdout


def write(root, path, text, mode="w"):
    os.makedirs(os.path.dirname(os.path.join(root, path)), exist_ok=True)
    with open(os.path.join(root, path), mode) as out:
        out.write(text)


def lines_of(root, path):
    with open(os.path.join(root, path)) as f:
        return f.read().count("\n")


def expect(condition, what, failures):
    if not condition:
        failures.append(what)


def small_tree(script, failures):
    """Downward, sideways and beside-the-file includes pass; two planted
    upward ones, between top folders and between nested ones, are named."""
    with tempfile.TemporaryDirectory() as root, tempfile.TemporaryDirectory() as build:
        write(root, "coords/geo_point.h", "#pragma once\n")
        write(root, "core/pjct.h", '#pragma once\n#include "coords/geo_point.h"\n#include "core/tbl.h"\n')
        write(root, "core/tbl.h", '#pragma once\n#include "pjct.h"\n#include <vector>\n')
        write(root, "map/sym_draw.h", '#pragma once\n#include "core/pjct.h"\n')
        write(root, "map/sym_draw.cpp", '#include "sym_draw.h"\n')
        write(root, "sqlclient/values/asi_data.h", '#pragma once\n#include "sqlclient/base/asi_object.h"\n')
        write(root, "sqlclient/base/asi_object.h", "#pragma once\n")
        write(root, "tests/map/sym_draw_test.cpp", '#include "module/pv_entry.h"\n')
        write(root, "module/pv_entry.h", '#pragma once\n#include "map/sym_draw.h"\n')
        write(root, "module/pv_entry.cpp", '#include "module/pv_entry.h"\n')
        write(root, "core/setup.cpp", '#include "core/pjct.h"\n')
        write(root, "sqlclient/base/asi_except.cpp", '#include "asi_object.h"\n')
        sources = ["map/sym_draw.cpp", "module/pv_entry.cpp", "core/setup.cpp", "sqlclient/base/asi_except.cpp",
                   "tests/map/sym_draw_test.cpp"]
        with open(os.path.join(build, "compile_commands.json"), "w") as f:
            json.dump([{"directory": build, "file": os.path.join(root, s),
                        "command": f"c++ -std=c++20 -I{root} -o x.o -c {os.path.join(root, s)}"}
                       for s in sources], f)
        code, out = run(script, root, build)
        expect(code == 0 and out == "", f"a tree without upward includes is refused: {out}", failures)

        write(root, "core/setup.cpp", '\n#include "map/sym_draw.h"\n', "a")
        write(root, "sqlclient/base/asi_except.cpp", '#include "../values/asi_data.h"\n', "a")
        code, out = run(script, root, build)
        expect(code == 1, "upward includes pass", failures)
        expect("core/setup.cpp:3: includes map/sym_draw.h" in out, f"core/setup.cpp:3 not named: {out}", failures)
        expect("sqlclient/base/asi_except.cpp:2: includes sqlclient/values/asi_data.h" in out,
               f"sqlclient/base/asi_except.cpp:2 not named: {out}", failures)
        expect(out.count("\n") == 3, f"more than the two planted includes named: {out}", failures)


def product_copy(script, source_dir, build_dir, failures):
    """A copy of the product tree, its compile commands and its libraries,
    with an angle include, a macro include, a commented include, an include
    in a .inc file and a bare declaration of a higher layer's function
    planted: each is named, and nothing else."""
    with tempfile.TemporaryDirectory() as root, tempfile.TemporaryDirectory() as build:
        for top in os.listdir(source_dir):
            if top in ("build", "tests", "bench", "resources", ".git", "scripts") or top.startswith("build"):
                continue
            if os.path.isdir(os.path.join(source_dir, top)):
                shutil.copytree(os.path.join(source_dir, top), os.path.join(root, top),
                                ignore=shutil.ignore_patterns("*.dbf", "*.DBF", "*.dxf", "*.e00"))
        with open(os.path.join(build_dir, "compile_commands.json")) as f:
            text = f.read()
        text = text.replace(build_dir, "\0").replace(source_dir, root).replace("\0", build_dir)
        commands = json.loads(text)
        with open(os.path.join(build, "compile_commands.json"), "w") as f:
            json.dump(commands, f)
        for directory, _, names in os.walk(build_dir):
            rel = os.path.relpath(directory, build_dir)
            if rel.split(os.sep)[0] in ("tests", "bench"):
                continue
            for name in names:
                if name.startswith("lib") and name.endswith((".a", ".so")):
                    os.makedirs(os.path.join(build, rel), exist_ok=True)
                    shutil.copy(os.path.join(directory, name), os.path.join(build, rel, name))

        planted = {
            "core/str_util.cpp": "#include <output/diagrams/rose_geom.h>\n",
            "core/tbl.cpp": '#define PV_PLANTED_HEADER "output/diagrams/rose_geom.h"\n#include PV_PLANTED_HEADER\n',
            "core/pnt.cpp": '#include /* planted */ "output/diagrams/rose_geom.h"\n',
            "core/geo_util.cpp": '#include "core/planted.inc"\n',
        }
        named = []
        for path, text in planted.items():
            line = lines_of(root, path) + text.count("\n")
            write(root, path, text, "a")
            if path != "core/geo_util.cpp":
                named.append(f"{path}:{line}: includes output/diagrams/rose_geom.h")
        write(root, "core/planted.inc", '#include "output/diagrams/rose_geom.h"\n')
        named.append("core/planted.inc:1: includes output/diagrams/rose_geom.h")

        # The bare declaration: core's library gets an object calling output's function.
        write(root, "core/sql_ddl.cpp", "int rose_interval_count(double range_deg, double interval_deg);\n"
              "int pv_planted_call() { return rose_interval_count(180, 10); }\n", "a")
        entry = next(e for e in commands if e["file"].endswith("/core/sql_ddl.cpp"))
        words = shlex.split(entry["command"])
        words[words.index("-o") + 1] = os.path.join(build, "sql_ddl.cpp.o")
        subprocess.run(words, cwd=entry["directory"], check=True)
        archive = os.path.join(build, "core", "libpvcore.a")
        subprocess.run(["ar", "r", archive, os.path.join(build, "sql_ddl.cpp.o")], check=True,
                       capture_output=True)

        code, out = run(script, root, build)
        expect(code == 1, f"the planted uses pass: {out}", failures)
        for text in named:
            expect(text in out, f"not named: {text}\n{out}", failures)
        expect("rose_interval_count" in out and "core/libpvcore.a (layer core) uses output/libpvoutput.a" in out,
               f"the bare declaration is not named: {out}", failures)
        expect(out.count("\n") == len(named) + 2, f"more than the planted uses named: {out}", failures)


def readme_table(script, source_dir, failures):
    """The README's layout table against the check's layers: the tree's own
    table passes; a row dropped or two rows swapped is named, and so is an
    include the table does not allow though it runs downward (dBASE files
    using the platform below them), and a word of "may use" naming no
    layer."""
    with open(os.path.join(source_dir, "README.md"), encoding="utf-8") as f:
        readme = f.read().splitlines(keepends=True)
    rows = [i for i, line in enumerate(readme) if line.startswith("| `")]
    shapes = [i for i in rows if line_names(readme[i], "shapes/")]
    core, draw = ([i for i in rows if line_names(readme[i], name)][0] for name in ("core/", "draw/"))
    dropped = [line for i, line in enumerate(readme) if i not in shapes]
    swapped = list(readme)
    swapped[core], swapped[draw] = readme[draw], readme[core]
    for text, broken in (("".join(readme), False), ("".join(dropped), True), ("".join(swapped), True)):
        with tempfile.TemporaryDirectory() as root, tempfile.TemporaryDirectory() as build:
            write(root, "README.md", text)
            write(build, "compile_commands.json", "[]")
            code, out = run(script, root, build)
            if broken:
                expect(code == 1 and "README.md: its layout table lists the layers" in out,
                       f"a layout table unlike the check's layers passes: {out}", failures)
            else:
                expect(code == 0 and out == "", f"the tree's own layout table is refused: {out}", failures)
    with tempfile.TemporaryDirectory() as root, tempfile.TemporaryDirectory() as build:
        write(root, "README.md", "".join(readme))
        write(root, "platform/host_io.h", "#pragma once\n/* the platform */\n")
        write(root, "wfile/wfile.h", "#pragma once\n/* file writing */\n")
        write(root, "dbf/dbf_file.cpp", '#include "wfile/wfile.h"\n#include "platform/host_io.h"\n')
        source = os.path.join(root, "dbf/dbf_file.cpp")
        write(build, "compile_commands.json", json.dumps(
            [{"directory": build, "file": source, "command": f"c++ -std=c++20 -I{root} -o x.o -c {source}"}]))
        code, out = run(script, root, build)
        expect(code == 1 and "dbf/dbf_file.cpp:2: includes platform/host_io.h: layer dbf may not use layer platform"
               in out and out.count("\n") == 2, f"an include the table does not allow passes: {out}", failures)
        write(root, "README.md", "".join(readme).replace("| file writing |", "| file writers |", 1))
        code, out = run(script, root, build)
        expect(code == 1 and 'may use "file writers", which names no layer' in out,
               f"a word of the table naming no layer passes: {out}", failures)


def line_names(line, folder):
    """Whether a table row's first cell names the folder."""
    return f"`{folder}`" in line.split("|")[1]


def main(script, source_dir, build_dir):
    failures = []
    small_tree(script, failures)
    readme_table(script, os.path.abspath(source_dir), failures)
    product_copy(script, os.path.abspath(source_dir), os.path.abspath(build_dir), failures)
    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2], sys.argv[3]))
