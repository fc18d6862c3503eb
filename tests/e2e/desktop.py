"""A desktop of this test process's own: a virtual display, a Wine prefix and a home folder that no
other process uses, so that pytest-xdist can run tests side by side (make test runs several workers);
and what drives it: commands, xdotool, waits. A plain module: tools/tour.py uses it too.

The fixture `desktop_entered` of conftest.py enters it once, before the first test that starts a
Windows program. It is named by the
pytest-xdist worker ("gw0", "gw1", ...) or "main" without workers; its prefix and home are kept in the
build folder (build/desktops/NAME/) and used again by the next run, its display lives as long as the
process. Tests that start a window manager start it on this display.
"""
import ctypes
import functools
import os
import pathlib
import signal
import subprocess
import time

REPO = pathlib.Path(__file__).resolve().parents[2]
BUILD = pathlib.Path(os.environ.get("ROBINA_BUILD", REPO / "build")).resolve()
WIN = BUILD / "win"
WINENV = REPO / "tools" / "wine-env.sh"
NAME = os.environ.get("PYTEST_XDIST_WORKER", "main")
FOLDER = BUILD / "desktops" / NAME
PREFIX = FOLDER / "prefix"
SCREEN = "1024x768x24"
PR_SET_PDEATHSIG = 1
# Characters beyond the keyboard's that tests type (high-score names). xdotool types such a character
# by binding it to a spare key for a moment, and a program that looks at the key before it has seen
# the new binding (a busy machine) gets nothing: each is bound once, before any program starts.
TYPED_CHARACTERS = "ëロビン"
# Waits leave room for a machine busy with other builds: a wait that times out has failed anyway, so
# a generous limit costs nothing on a quiet machine.
WAIT_SECONDS = 60.0


def run(*args, check=True, **kw):
    """A command's output as text; what it writes to stderr is left out."""
    return subprocess.run([str(a) for a in args], check=check, stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, text=True, errors="replace", **kw).stdout


def xdotool(*args, check=True):
    return run("xdotool", *args, check=check)


def wait_for(predicate, timeout=WAIT_SECONDS, interval=0.1, what="condition", seen=None):
    """The first true value of predicate; on a time-out the failure says what seen() gave last."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(interval)
    saw = f"; saw: {seen()!r}" if seen else ""
    raise AssertionError(f"timed out after {timeout:.0f} s waiting for {what}{saw}")


def _end_with_parent():
    """The display goes with this process however it ends, even killed: none is left behind."""
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGKILL)


def start_display(screen=SCREEN):
    """Starts Xvfb on a free display number of its choice; returns (process, ":N")."""
    read, write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", screen, "-nolisten", "tcp",
                               "-noreset"], pass_fds=(write,), preexec_fn=_end_with_parent,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read) as answer:
        number = answer.readline().strip()  # written once the server accepts connections
    if not number:
        raise RuntimeError(f"Xvfb did not start (exit status {server.wait()})")
    return server, f":{number}"


def bind_keys(display, characters=TYPED_CHARACTERS):
    """Binds each character to a key of its own that the display's keyboard leaves unused."""
    env = dict(os.environ, DISPLAY=display)
    keymap = subprocess.run(["xmodmap", "-pke"], env=env, check=True, stdout=subprocess.PIPE, text=True).stdout
    spare = [line.split()[1] for line in keymap.splitlines() if line.rstrip().endswith("=")]
    if len(spare) < len(characters):
        raise RuntimeError(f"{len(spare)} unused keys for {len(characters)} characters")
    bindings = [f"keycode {key} = U{ord(c):04X}" for key, c in zip(spare, characters)]
    subprocess.run(["xmodmap"] + [a for b in bindings for a in ("-e", b)], env=env, check=True)


@functools.cache
def why_windows_cannot_run():
    """None when this machine runs Wine's 32-bit programs, else why it does not (asked once a process)."""
    result = subprocess.run([str(WINENV), "--can-run"], stderr=subprocess.PIPE, text=True)
    return result.stderr.strip() if result.returncode else None


def enter():
    """Points this process, and every program it starts, at its own display, prefix and home; makes
    the prefix (a copy of the build's template) when it is not there yet. Once a process."""
    if os.environ.get("ROBINA_DESKTOP") == f"{os.getpid()}":
        return
    home = FOLDER / "home"
    home.mkdir(parents=True, exist_ok=True)
    _, display = start_display()
    bind_keys(display)
    os.environ.update(DISPLAY=display, HOME=str(home), ROBINA_BUILD=str(BUILD),
                      ROBINA_PREFIX=str(PREFIX), WINEPREFIX=str(PREFIX), ROBINA_AUDIO_FILE=str(FOLDER / "audio.raw"),
                      ROBINA_DESKTOP=f"{os.getpid()}")
    subprocess.run([str(WINENV), "--init"], check=True)
