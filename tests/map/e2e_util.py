"""What the end-to-end scripts of the map share: the list of failed checks
and a pvhost run of a script in a scratch directory that stands for the
user's home and data folder.

  from e2e_util import FAILURES, check, run_pvhost, map_setup_drawing
"""
import os
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data"))
from e2e_tables import FAILURES, check, children  # noqa: E402,F401 (one list of failed checks for every script)


def run_pvhost(pvhost, module, resources, root, script, drawing=None, status=0):
    """Runs pvhost on the script in root (opening the drawing when given);
    checks that it exits with status (0: reporting no fault) and
    initialises; answers its output (with status 1, its faults after it)."""
    with open(os.path.join(root, "run.scr"), "w") as f:
        f.write(script)
    env = dict(os.environ, ASI_INI=os.path.join(root, "asi.ini"), HOME=root,
               XDG_DATA_HOME=os.path.join(root, "data"))
    args = [pvhost, "--script", "run.scr", "--module", module, "--resources", resources]
    if drawing:
        args += ["--drawing", drawing]
    r = subprocess.run(args, cwd=root, env=env, capture_output=True, text=True, timeout=60)
    print(r.stdout)
    print(r.stderr, file=sys.stderr)
    check(r.returncode == status, "pvhost exit status %d, want %d" % (r.returncode, status))
    check(status != 0 or "fault" not in r.stderr, "pvhost reports no fault")
    check("Cannot initialize Petrivex" not in r.stdout, "start-up initialises the map setup")
    return r.stdout if status == 0 else r.stdout + r.stderr


def run_pvhost_driver_killed(pvhost, module, resources, root, answers, drawing=None):
    """Runs pvhost on GEO with its answers on a pipe, so that the DB3 driver
    is killed after the logon and before the answers; answers the output."""
    env = dict(os.environ, ASI_INI=os.path.join(root, "asi.ini"), HOME=root,
               XDG_DATA_HOME=os.path.join(root, "data"))
    args = [pvhost, "--module", module, "--resources", resources] + (["--drawing", drawing] if drawing else [])
    pv = subprocess.Popen(args, cwd=root, env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True)
    pv.stdin.write('(pv_open "GEO" "DB3" "" "")\nSAVE logged_on.dxf\n')
    pv.stdin.flush()
    started = time.time()
    while not os.path.exists(os.path.join(root, "logged_on.dxf")) and time.time() - started < 60:
        time.sleep(0.05)
    drivers = children(pv.pid, "pvdb3")
    for driver in drivers:
        os.kill(driver, signal.SIGKILL)
    out = pv.communicate(answers, timeout=60)[0]
    print(out)
    check(len(drivers) == 1, "the driver was found and killed: %r" % drivers)
    return out


def run_pvhost_killed(pvhost, module, resources, root, script, drawing, watched, delay, driver_only):
    """Runs pvhost on the script in root (its drawing opened) and, once one
    of the watched files has changed, waits delay seconds and kills pvhost
    or, with driver_only, its DB3 driver; answers when pvhost has ended."""
    with open(os.path.join(root, "run.scr"), "w") as f:
        f.write(script)
    env = dict(os.environ, ASI_INI=os.path.join(root, "asi.ini"), HOME=root,
               XDG_DATA_HOME=os.path.join(root, "data"))
    before = [os.stat(f).st_mtime_ns for f in watched]
    p = subprocess.Popen([pvhost, "--script", "run.scr", "--module", module, "--resources", resources,
                          "--drawing", drawing], cwd=root, env=env, stdout=subprocess.DEVNULL,
                         stderr=subprocess.DEVNULL)
    while p.poll() is None and [os.stat(f).st_mtime_ns for f in watched] == before:
        time.sleep(0.002)
    time.sleep(delay)
    drivers = children(p.pid, "pvdb3")
    for pid in drivers if driver_only else [p.pid]:
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
    try:
        p.wait(timeout=60)
    except subprocess.TimeoutExpired:
        p.kill()
        p.wait()
    # A driver left without its pvhost ends its statement first: the next
    # logon comes after it, as it would for a user.
    end = time.time() + 30
    while time.time() < end and any(os.path.exists("/proc/%d" % d) and not zombie(d) for d in drivers):
        time.sleep(0.01)


def zombie(pid):
    """Whether a process has ended and waits only to be reaped."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().split(")")[-1].split()[0] == "Z"
    except OSError:
        return True


def map_setup_drawing(proj):
    """A new ezdxf drawing holding the map setup block (PROJ the map's
    coordinate system, scale and text height 1) and its one reference."""
    import ezdxf
    doc = ezdxf.new("R2000")
    doc.appids.new("PETRIVEX")
    block = doc.blocks.new_anonymous_block("U")
    for tag, value in (("NAME", "PETRIVEX_PARAMS"), ("PROJ", proj), ("SCALE", "1.000000"),
                       ("HEIGHT", "1.000000")):
        block.add_attdef(tag, (0, 0), value, dxfattribs={"prompt": tag, "flags": 13, "height": 1.0})
    doc.modelspace().add_blockref(block.name, (0, 0), dxfattribs={"layer": "0"})
    return doc
