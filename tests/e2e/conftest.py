"""End-to-end harness: the real Robina.exe, started under Wine from a program folder of the test's own.

Each test process has a desktop of its own (desktop.py: a virtual display, a Wine prefix, a home
folder), entered by the fixture `desktop` before its first test, so pytest-xdist runs tests side by
side. The fixture `robina` gives a Program: it starts the program with testtool.exe watching for
dialogs and message boxes (each one is recorded and answered), drives the window with xdotool, takes
screenshots, and reads debug.log, the registry of the prefix and the captured audio. Each test starts
with an empty configuration key and no identity file.
"""
import json
import os
import pathlib
import shutil
import signal
import subprocess

import pytest

import desktop
from desktop import BUILD, REPO, WAIT_SECONDS, WIN, WINENV, wait_for, xdotool  # noqa: F401 (the tests' imports)

TESTTOOL = WIN / "tests" / "testtool.exe"
TITLE = "ポモのロビナ"
CONFIG_KEY = "Software\\Mossleaf\\" + TITLE + "\\Config\\"
PREFIX = desktop.PREFIX
IDENTITY_FILE = PREFIX / "drive_c" / "windows" / "system32" / "wtconf.ini"
# The program as a Windows of each language runs it: Wine gives it the code page of the locale, 932,
# 1252 and 936. Scenarios that show text or touch names take one of these as a parameter.
LOCALES = ["ja_JP.UTF-8", "en_US.UTF-8", "zh_CN.UTF-8"]


def need_windows():
    """Skips the test (or the fixture that runs a Windows program) where Wine cannot start."""
    why = desktop.why_windows_cannot_run()
    if why:
        pytest.skip(why)
    desktop.enter()


def wine(args, cwd=None, env=None, timeout=60, check=False):
    """Runs a Windows program to its end; returns the CompletedProcess (stdout as text)."""
    need_windows()
    return subprocess.run([str(WINENV)] + [str(a) for a in args], cwd=cwd, env=env, timeout=timeout,
                          check=check, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)


def reg_get(name, key=CONFIG_KEY):
    """The raw bytes of a value of the configuration key, or None when it is missing."""
    result = wine([TESTTOOL, "reg-get", key, name])
    if result.returncode != 0:
        return None
    _, hexbytes = result.stdout.split()
    return bytes.fromhex(hexbytes)


def reg_set(name, data, key=CONFIG_KEY):
    """Stores a string value of exactly these bytes (terminator included by the caller)."""
    wine([TESTTOOL, "reg-set", key, name, data.hex()], check=True)


def reg_clear():
    wine([TESTTOOL, "reg-delete", "Software\\Mossleaf"])


def hkcr_get(key):
    result = wine([TESTTOOL, "hkcr-get", key])
    return result.stdout.rstrip("\n") if result.returncode == 0 else None


class Program:
    """One program folder with a copy of Robina.exe, and at most one running instance of it."""

    def __init__(self, folder, audio_file, prefix=None, copy=True):
        """copy=False runs the Robina.exe already in the folder (an installed one); prefix names a
        Wine prefix other than the shared one."""
        self.folder = folder
        self.audio_file = audio_file
        self.prefix = prefix
        self.boxes_file = audio_file.parent / (folder.name + "-boxes.jsonl")
        self.process = None
        self.watcher = None
        self.dll_overrides = ""  # Wine DLL overrides of this program, e.g. "dinput=d" (none missing)
        self.locale = None  # one of LOCALES; None: Japanese
        folder.mkdir(parents=True, exist_ok=True)
        if copy:
            shutil.copy(WIN / "Robina.exe", folder / "Robina.exe")
        (folder / "debughqx.bin").write_bytes(b"")

    def env(self):
        env = dict(os.environ)
        env["ROBINA_AUDIO_FILE"] = str(self.audio_file)
        env["ROBINA_DLL_OVERRIDES"] = self.dll_overrides
        if self.locale:
            env["ROBINA_LANG"] = self.locale
        if self.prefix:
            env["ROBINA_PREFIX"] = str(self.prefix)
        return env

    def watch(self, answers=None):
        """Starts answering dialogs: answers maps a caption to the control id to press (0: leave open)."""
        if self.watcher:
            return
        rules = [f"{caption}={button}" for caption, button in (answers or {}).items()]
        self.watcher = subprocess.Popen([str(WINENV), str(TESTTOOL), "watch", str(self.boxes_file)] + rules,
                                        env=self.env(), start_new_session=True,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(self.boxes_file.exists, what="the dialog watcher's log")  # it opens it first thing

    def start(self, *args, answers=None, watch=True):
        """Starts Robina.exe with the given command line; dialogs are answered unless watch is False."""
        if watch:
            self.watch(answers)
        self.process = subprocess.Popen([str(WINENV), "Robina.exe"] + list(args), cwd=self.folder,
                                        env=self.env(), start_new_session=True,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return self

    def run(self, *args, timeout=WAIT_SECONDS, answers=None):
        """Starts the program and waits for it to end; returns its exit code."""
        self.start(*args, answers=answers)
        return self.wait(timeout)

    def wait(self, timeout=WAIT_SECONDS):
        """The program's exit code, once every process of its run has ended: the program's own process
        outlives the shell that started it by a moment, and may still write."""
        try:
            status = self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"the program did not end within {timeout:.0f} s; log tail: "
                                 f"{self.log()[-500:]!r}; boxes: {[b['caption'] for b in self.boxes()]}")
        wait_for(lambda: not session_running(self.process.pid, b"Robina.exe"), what="Robina.exe to end")
        return status

    def running(self):
        return self.process is not None and self.process.poll() is None

    def window(self, timeout=WAIT_SECONDS):
        """The X window of the client area (there is no window manager on the virtual display)."""
        def find():
            out = xdotool("search", "--onlyvisible", "--name", f"^{TITLE}$", check=False).split()
            return out[-1] if out else None
        return wait_for(find, timeout, what="the main window",
                        seen=lambda: {"running": self.running(), "log tail": self.log()[-300:]})

    def geometry(self):
        """Place and size of the client area on the screen. xwininfo, not xdotool: under a window
        manager xdotool counts the frame's offset twice."""
        out = subprocess.run(["xwininfo", "-id", self.window()], check=True, stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, text=True).stdout
        fields = {"Absolute upper-left X": "X", "Absolute upper-left Y": "Y", "Width": "WIDTH", "Height": "HEIGHT"}
        values = (line.strip().split(":", 1) for line in out.splitlines() if ":" in line)
        return {fields[k]: int(v) for k, v in values if k in fields}

    def click(self, x, y, button=1):
        xdotool("mousemove", "--window", self.window(), x, y, "click", button)

    def click_until(self, point, text, count=1):
        """Clicks the point until the log holds text count times: the map ignores clicks while it
        moves, and a busy machine may slide it in slowly."""
        def clicked():
            if self.log().count(text) >= count:
                return True
            self.click(*point)
            return False
        wait_for(clicked, interval=0.3, what=f"{text!r} {count} times")

    def move(self, x, y):
        xdotool("mousemove", "--window", self.window(), x, y)

    def key(self, *keys):
        window = self.window()
        xdotool("windowfocus", "--sync", window, check=False)
        xdotool("key", *keys)

    def screenshot(self, path=None):
        """The whole virtual screen as a PIL image (also saved when a path is given). Read from the X
        server in this process: a busy machine starts a program for each look too slowly to catch a
        screen that shows for a second."""
        from PIL import ImageGrab
        shot = ImageGrab.grab(xdisplay=os.environ["DISPLAY"]).convert("RGB")
        if path:
            shot.save(path)
        return shot

    def client_pixel(self, image, x, y):
        g = self.geometry()
        return image.getpixel((g["X"] + x, g["Y"] + y))

    def log(self):
        path = self.folder / "debug.log"
        if not path.exists():
            return ""
        return path.read_bytes().decode("cp932", errors="replace").replace("\r\n", "\n")

    def wait_log(self, text, timeout=WAIT_SECONDS):
        return wait_for(lambda: text in self.log(), timeout, what=f"log line {text!r}",
                        seen=lambda: {"running": self.running(), "exit status": self.process and self.process.poll(),
                                      "boxes": [b["caption"] for b in self.boxes()], "log tail": self.log()[-500:]})

    def boxes(self):
        if not self.boxes_file.exists():
            return []
        return [json.loads(line) for line in self.boxes_file.read_text(encoding="utf-8").splitlines() if line]

    def wait_box(self, caption, timeout=WAIT_SECONDS):
        return wait_for(lambda: next((b for b in self.boxes() if b["caption"] == caption), None), timeout,
                        what=f"a box titled {caption!r}",
                        seen=lambda: {"boxes": [b["caption"] for b in self.boxes()], "running": self.running()})

    def audio(self):
        return self.audio_file.read_bytes() if self.audio_file.exists() else b""

    def stop(self):
        """Kills the program and the watcher, and returns once no process of theirs runs any more: the
        program's own process outlives the shell that started it by a moment, and may still write."""
        for proc in (self.process, self.watcher):
            if proc is not None and proc.poll() is None:
                try:
                    os.killpg(proc.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
                proc.wait(timeout=10)
                wait_for(lambda: not session_running(proc.pid), what="the killed processes to end")
        self.watcher = None


def session_running(session, named=b""):
    """Whether a process of the session (whose command line holds `named`) is alive; a zombie runs
    nothing and is not counted. Wine's own processes of the prefix (explorer.exe, services.exe) may
    live on in the session of the program that started them, as long as any program of the prefix."""
    for entry in pathlib.Path("/proc").iterdir():
        try:
            if entry.name.isdigit() and os.getsid(int(entry.name)) == session and \
                    named in (entry / "cmdline").read_bytes() and \
                    (entry / "stat").read_text().rsplit(")", 1)[1].split()[0] != "Z":
                return True
        except (OSError, IndexError):
            continue
    return False


@pytest.fixture(autouse=True)
def desktop_entered(request):
    """This process's own display, prefix and home, for every test (test modules elsewhere import it).
    A test that starts no Windows program is marked linux_only and runs also where Wine cannot."""
    if not request.node.get_closest_marker("linux_only"):
        need_windows()


@pytest.fixture
def clean_profile():
    """No configuration key and no identity file: the state of a machine that never ran the program."""
    reg_clear()
    if IDENTITY_FILE.exists():
        IDENTITY_FILE.unlink()
    yield


@pytest.fixture
def robina(tmp_path, clean_profile):
    program = Program(tmp_path / "prog", tmp_path / "audio.raw")
    yield program
    program.stop()


@pytest.fixture
def window_manager():
    """Openbox on the virtual display, for tests that click or type into dialogs as a person would:
    without a window manager a click on a dialog's button only activates the dialog."""
    manager = subprocess.Popen(["openbox", "--sm-disable"], start_new_session=True,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_for(lambda: "window id" in subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"],
                                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                                   text=True).stdout, 20, what="the window manager")
    yield manager
    os.killpg(manager.pid, signal.SIGTERM)
    manager.wait(timeout=10)


@pytest.fixture
def make_program(tmp_path, clean_profile):
    """Program folders of the test's choice (a name with blanks, a second copy, ...)."""
    made = []

    def make(name="prog"):
        program = Program(tmp_path / name, tmp_path / (name.replace(" ", "_") + ".raw"))
        made.append(program)
        return program
    yield make
    for program in made:
        program.stop()


@pytest.fixture(scope="session")
def ranking_servers(tmp_path_factory):
    """The ranking page on 127.0.0.1 on each store, {name: base address}: a SQLite file behind the
    standard library's server, and a PostgreSQL server of the test's own behind gunicorn."""
    import sys
    sys.path.insert(0, str(REPO / "tests" / "ranking"))
    import ranking_support
    postgres = ranking_support.start_postgres()
    folder = tmp_path_factory.mktemp("ranking")
    started = {}
    try:
        started["SQLite"] = ranking_support.serve(str(folder / "ranking.sqlite"), folder / "sqlite")
        started["PostgreSQL"] = ranking_support.serve(ranking_support.pg_database(postgres, "ranking"), folder / "pg",
                                                      workers=2)
        yield {name: base for name, (_, base, _) in started.items()}
    finally:
        for process, _, _ in started.values():
            ranking_support.stop(process)
        ranking_support.stop_postgres(postgres)
