#!/usr/bin/python3
"""Runs one end-to-end test in a folder of its own: a new folder made by
mkdtemp under the test's folder of the build tree, so that two runs of the
tests of one build (two ctest commands at once) never share or wipe each
other's work. Every "@WORK@" among the arguments stands for that folder,
and the environment variable PV_E2E_WORK names it for the test programs
that take no argument. The folder is removed when the test passes or is
skipped, and kept, its path printed, when it fails, for a look at what it
left.

    run_e2e.py TEST_FOLDER COMMAND [ARGS...]

Answers the command's exit status (77, a skipped test, included).
"""
import os
import shutil
import subprocess
import sys
import tempfile

# The argument the fresh folder's path replaces.
WORK_MARK = "@WORK@"
# The status CTest reads as a skipped test (SKIP_RETURN_CODE).
SKIPPED = 77


def main(argv):
    if len(argv) < 3:
        print("usage: run_e2e.py TEST_FOLDER COMMAND [ARGS...]", file=sys.stderr)
        return 2
    test_folder, command = argv[1], argv[2:]
    os.makedirs(test_folder, exist_ok=True)
    work = tempfile.mkdtemp(prefix="run_", dir=test_folder)
    command = [a.replace(WORK_MARK, work) for a in command]
    env = dict(os.environ, PV_E2E_WORK=work)
    sys.stdout.flush()
    try:
        status = subprocess.call(command, env=env)
    except OSError as e:
        print("cannot run %s: %s" % (command[0], e.strerror))
        status = 1
    if status in (0, SKIPPED):
        shutil.rmtree(work, ignore_errors=True)
    else:
        print("the test's work is kept in %s" % work)
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv))
