"""What the real-desktop tests share: waits on conditions within one deadline for the
whole run, child processes in their own groups, a private X server, and X input."""

import os
import signal
import subprocess
import time

DEADLINE = time.monotonic() + 150
PROCS = []
# The private X server's environment, once start_x_server() has one.
X_ENV = None


class Failure(Exception):
    pass


def limit_run(seconds):
    global DEADLINE
    DEADLINE = time.monotonic() + seconds


def check(condition, what):
    if not condition:
        raise Failure(what)


def wait_for(predicate, what, timeout=20.0):
    """Polls predicate until it returns something true; that value is returned."""
    end = min(time.monotonic() + timeout, DEADLINE)
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > end:
            raise Failure("timed out waiting for " + what)
        time.sleep(0.05)


def start(argv, env=None, log=None):
    out = open(log, "wb") if log else subprocess.DEVNULL
    proc = subprocess.Popen(argv, env=env, stdout=out, stderr=subprocess.STDOUT, start_new_session=True)
    PROCS.append(proc)
    return proc


def stop_all(sig=signal.SIGTERM):
    """Ends every process started, last first, each with its whole group."""
    for proc in reversed(PROCS):
        if proc.poll() is None:
            try:
                os.killpg(proc.pid, sig)
                proc.wait(5)
            except (ProcessLookupError, subprocess.TimeoutExpired):
                pass


def start_x_server(work, first):
    """A private X server on a display no other server holds (tried from display `first`
    on); returns its environment, without the offscreen platform the tests run under."""
    global X_ENV
    for number in range(first + os.getpid() % 50, first + 100):
        if os.path.exists("/tmp/.X%d-lock" % number) or os.path.exists("/tmp/.X11-unix/X%d" % number):
            continue
        xvfb = start(["Xvfb", ":%d" % number, "-screen", "0", "1280x800x24", "-nolisten", "tcp", "-noreset"], None,
                     os.path.join(work, "xvfb.log"))
        env = dict(os.environ, DISPLAY=":%d" % number)
        try:
            wait_for(lambda: xvfb.poll() is not None or
                     subprocess.run(["xdpyinfo"], env=env, capture_output=True).returncode == 0, "the X server", 10)
        except Failure:
            pass
        if xvfb.poll() is None:
            env.pop("QT_QPA_PLATFORM", None)
            X_ENV = env
            return env
    raise Failure("no X server could be started")


# ---- X input -----------------------------------------------------------------------

def xdo(*args):
    subprocess.run(["xdotool", *args], check=True, env=X_ENV, timeout=20)


def key(*names):
    for name in names:
        xdo("key", "--clearmodifiers", name)
        time.sleep(0.05)


def type_text(text, delay_ms=40):
    xdo("type", "--delay", str(delay_ms), text)
