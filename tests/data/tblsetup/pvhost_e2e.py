"""Shared steps of the table setup's end-to-end scripts: a scratch copy of
the sample projects, running pvhost on a script there, and the checks.

  import pvhost_e2e as e2e
  proj = e2e.fresh_workdir(resources, root)
  out = e2e.run_pvhost(pvhost, module, resources, root, script, "run.scr")
  e2e.check("GEO database saved" in out, "the save reports it")
  e2e.finish("pv-tblsetup end to end")
"""
import os
import shutil
import subprocess
import sys

FAILURES = []


def check(ok, what):
    """Records a failed check and says so."""
    if not ok:
        FAILURES.append(what)
        print("FAIL:", what)


def fresh_workdir(resources, root):
    """Makes root afresh with copies of asi.ini and the sample projects;
    answers the directory of GEO."""
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(root)
    shutil.copytree(os.path.join(resources, "projects"), os.path.join(root, "projects"))
    shutil.copy(os.path.join(resources, "asi.ini"), os.path.join(root, "asi.ini"))
    return os.path.join(root, "projects", "GEO")


def run_pvhost(pvhost, module, resources, root, script, name):
    """Runs pvhost on script (written to root/name) with its own asi.ini
    and home; answers what it printed."""
    with open(os.path.join(root, name), "w") as f:
        f.write(script)
    env = dict(os.environ, ASI_INI=os.path.join(root, "asi.ini"), HOME=root,
               XDG_DATA_HOME=os.path.join(root, "data"))
    r = subprocess.run([pvhost, "--script", name, "--module", module, "--resources", resources],
                       cwd=root, env=env, capture_output=True, text=True, timeout=120)
    print(r.stdout)
    print(r.stderr, file=sys.stderr)
    check(r.returncode == 0, "%s: pvhost exit status %d" % (name, r.returncode))
    return r.stdout


def finish(what):
    """Ends the script: failed when any check failed."""
    if FAILURES:
        raise SystemExit("%d check(s) failed" % len(FAILURES))
    print(what + ": all checks passed")
