#!/usr/bin/python3
"""A scripted visit of Robina.exe with real input on a virtual display, recorded with its sound.

Run inside tools/wine-env.sh --exec (`make tour`, or `make run` without a display). The visit starts
the program from --folder with an empty record key, answers the start-up dialog, watches the logos
and the title, hovers two map points, opens the records panel, turns to a game's page and its help
page, plays ぴょこっとキャッチ to its end by watching for the worm, enters a name for the high score,
and leaves the menu with Esc. Each stop is a screenshot of the play area in FOLDER/tour/ (NN-name.png);
FOLDER/tour.png is the contact sheet and FOLDER/tour.mp4 the video: ffmpeg grabs the whole virtual
screen and the sound the program plays, then crops the picture to the play area.
The sound goes through a PulseAudio server of the tour's own with a null sink, which plays in real
time: the ALSA file sink of wine-env.sh (32-bit float stereo at 48 kHz) is written as fast as Wine
mixes, several times faster than real time, so its samples cannot be laid under the picture.
--readme DIR also writes the README's pictures there (`make shots`: docs/).
--short skips the help page, for the end-to-end test.
"""
import argparse
import os
import pathlib
import shutil
import signal
import subprocess
import sys
import time

import numpy as np
from PIL import Image, ImageDraw, ImageFont, ImageGrab

REPO = pathlib.Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "e2e"))
from desktop import WIN, WINENV, run, wait_for, xdotool  # noqa: E402
from screens import SCREENS, check_share  # noqa: E402

TITLE = "ポモのロビナ"
STARTUP_DIALOG = "ポモのロビナ　スタートアップ"
NAME_DIALOG = "ハイ！ハイ！ハイスコア"
RECORD_KEY = "HKCU\\Software\\Mossleaf"
PLAYER_NAME = "Robin"
PLAY_W, PLAY_H = 640, 360
SCREEN_W, SCREEN_H = 1024, 768           # the virtual display of wine-env.sh
FRAMES_PER_SECOND = 15
SINK = "robina"
WAIT_SECONDS = 90.0
GAME = "HAYAOSHI.VYG"
FIRST_PAGE_GAME = "BALLOON.VYG"          # the records panel's first game page, whose help the visit opens

# Places in the play area (a map point is 32x32 at its game's MAP position).
#                   x    y
INFORMATION     = (165, 151)
BALLOON_POINT   = (86,  96)
HAYAOSHI_POINT  = (246, 246)
PANEL_RIGHT     = (547, 256)
PANEL_HELP      = (103, 314)
PANEL_RETURN    = (581, 333)
TITLE_LEAVE     = (600, 40)              # anywhere but the mascot in the lower left corner
GAME_CLICK      = (320, 200)
WORM_BOX        = (398, 228, 442, 294)   # the worm itself, in its 80x80 place at (380, 214)
WORM_CHANGED    = 0.2                    # share of the box that differs from the empty soil
PANEL_BORDER    = (0, 0, 14, 348)        # the left edge of the records panel's frame, which nothing covers
HELP_PART       = (0, 0, 500, 300)       # the help picture less the corner of its return button


# The screens the end-to-end tests know, and those only the tour visits (checks as in screens.py).
TOUR_SCREENS = dict(SCREENS, **{
    "records": [("listwindow.bmp", None, 14, 6, PANEL_BORDER, 0.9)],
    "help":    [("help.bmp", WIN / "games" / FIRST_PAGE_GAME, 0, 0, HELP_PART, 0.75)],
    "game":    [("garden.bmp", WIN / "games" / GAME, 0, 0, (0, 40, 640, 200), 0.6)],
})


def showing(area, name):
    return all(check_share(area, check) >= check[-1] for check in TOUR_SCREENS[name])


def log(text):
    print(f"tour: {text}", flush=True)


def find_window(name):
    found = xdotool("search", "--onlyvisible", "--name", f"^{name}$", check=False).split()
    return found[-1] if found else None


class Tour:
    def __init__(self, folder, short):
        self.folder = folder
        self.short = short
        self.shots = folder / "tour"
        self.pulse = folder / "tour-pulse"
        self.window = None
        self.origin = (0, 0)
        self.stops = []
        self.program = self.recorder = self.manager = self.sound_server = None
    # --- the program and its window ---
    def start(self):
        shutil.rmtree(self.shots, ignore_errors=True)
        self.shots.mkdir(parents=True)
        run(WINENV, "reg", "delete", RECORD_KEY, "/f", check=False)  # a first visit: no records yet
        self.manager = self.spawn(["openbox", "--sm-disable"])
        wait_for(lambda: "window id" in run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK", check=False),
                 20, what="the window manager")
        self.start_pulse()
        self.video_raw = self.folder / "tour-screen.mkv"
        self.recorder = self.spawn(
            ["ffmpeg", "-y", "-loglevel", "error",
             "-f", "x11grab", "-framerate", str(FRAMES_PER_SECOND), "-video_size", f"{SCREEN_W}x{SCREEN_H}",
             "-i", os.environ["DISPLAY"], "-f", "pulse", "-i", f"{SINK}.monitor",
             "-c:v", "libx264", "-preset", "ultrafast", "-qp", "0", "-c:a", "flac", str(self.video_raw)],
            stdin=subprocess.PIPE, env=self.pulse_env)
        self.program = self.spawn([str(WINENV), "Robina.exe"], cwd=self.folder, env=self.pulse_env)

    def spawn(self, args, **kw):
        kw.setdefault("stdin", subprocess.DEVNULL)
        return subprocess.Popen(args, start_new_session=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                **kw)

    def start_pulse(self):
        """A sound server that only this visit uses: a null sink, reached by its socket in the folder."""
        shutil.rmtree(self.pulse, ignore_errors=True)
        self.pulse.mkdir()
        socket = self.pulse / "native"
        self.pulse_env = dict(os.environ, PULSE_SERVER=f"unix:{socket}", PULSE_RUNTIME_PATH=str(self.pulse),
                              ROBINA_AUDIO_FILE="system")
        self.sound_server = self.spawn(
            ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disable-shm=yes", "--use-pid-file=no",
             "-L", f"module-native-protocol-unix socket={socket} auth-anonymous=1",
             "-L", f"module-null-sink sink_name={SINK} rate=48000 channels=2"],
            env=dict(self.pulse_env, HOME=str(self.pulse)))
        wait_for(lambda: run("pactl", "info", check=False, env=self.pulse_env), 20, what="the sound server")

    def grab(self):
        """The play area as an RGB array. The window manager may still move the window, so ask each time,
        and ask xwininfo: under a window manager xdotool's position is off by the frame's border."""
        info = dict(line.strip().split(":", 1) for line in run("xwininfo", "-id", self.window).splitlines()
                    if line.strip().startswith("Absolute upper-left"))
        self.origin = x, y = int(info["Absolute upper-left X"]), int(info["Absolute upper-left Y"])
        return np.asarray(ImageGrab.grab(bbox=(x, y, x + PLAY_W, y + PLAY_H), xdisplay=os.environ["DISPLAY"]))

    def wait_screen(self, name, timeout=WAIT_SECONDS):
        seen = {}

        def shown():
            seen["area"] = self.grab()
            return showing(seen["area"], name)
        try:
            return wait_for(shown, timeout, what=f"the {name}")
        except AssertionError:
            failed = self.folder / "tour-failed.png"
            Image.fromarray(seen["area"]).save(failed)
            ImageGrab.grab(xdisplay=os.environ["DISPLAY"]).save(self.folder / "tour-failed-screen.png")
            log(f"what the screen showed instead: {failed}")
            raise

    def stop(self, name):
        """A stop of the visit: the play area saved as the next numbered screenshot."""
        path = self.shots / f"{len(self.stops) + 1:02d}-{name.replace(' ', '-')}.png"
        Image.fromarray(self.grab()).save(path)
        self.stops.append((name, path))

    def move(self, place):
        xdotool("mousemove", "--window", self.window, *place)

    def click(self, place):
        self.move(place)
        xdotool("click", "1")

    def answer_dialog(self, caption, *keys):
        dialog = wait_for(lambda: find_window(caption), WAIT_SECONDS, what=f"the dialog {caption}")
        time.sleep(0.5)
        xdotool("windowactivate", "--sync", dialog)
        for key in keys:
            xdotool(*key)
        return dialog

    # --- the visit ---
    def visit(self):
        self.answer_dialog(STARTUP_DIALOG, ("key", "Return"))
        self.window = wait_for(lambda: find_window(TITLE), WAIT_SECONDS, what="the main window")
        self.move((PLAY_W - 1, PLAY_H - 1))
        for name in ("first logo", "second logo"):
            self.wait_screen(name)
            time.sleep(0.6)
            self.stop(name)
        self.wait_screen("title")
        time.sleep(4.5)                                  # the title heeds clicks once its idle step runs
        self.stop("title")
        self.click(TITLE_LEAVE)
        self.wait_screen("menu")
        time.sleep(2.0)
        self.stop("menu")
        for name, place in (("hover balloon", BALLOON_POINT), ("hover hayaoshi", HAYAOSHI_POINT)):
            self.move(place)
            time.sleep(1.2)
            self.stop(name)
        self.records()
        self.play()
        self.answer_dialog(NAME_DIALOG, ("key", "ctrl+a"), ("type", "--delay", "120", PLAYER_NAME))
        time.sleep(0.8)
        self.stop("name entry")
        xdotool("key", "Return")
        self.wait_screen("menu")
        time.sleep(2.0)
        self.stop("menu again")
        xdotool("windowactivate", "--sync", self.window)
        xdotool("key", "Escape")
        wait_for(lambda: self.program.poll() is not None, WAIT_SECONDS, what="the program to end")

    def records(self):
        self.click(INFORMATION)
        self.wait_screen("records")
        time.sleep(1.5)
        self.stop("records")
        self.click(PANEL_RIGHT)
        time.sleep(1.5)
        self.stop("game records")
        if not self.short:
            self.click(PANEL_HELP)
            self.wait_screen("help")
            time.sleep(1.5)
            self.stop("help")
            self.click(PANEL_RETURN)
            self.wait_screen("records")
            time.sleep(1.0)
        self.click(PANEL_RETURN)
        self.wait_screen("menu")
        time.sleep(1.0)

    def play(self):
        """ぴょこっとキャッチ: a click as soon as the worm shows, until the game hands back the menu."""
        self.click(HAYAOSHI_POINT)
        self.wait_screen("game")
        time.sleep(1.0)
        self.stop("game")
        left, top, right, bottom = WORM_BOX
        soil = self.grab()[top:bottom, left:right].astype(int)
        caught = 0
        deadline = time.monotonic() + 120
        while find_window(NAME_DIALOG) is None and time.monotonic() < deadline:
            area = self.grab()
            if not showing(area, "game"):
                time.sleep(0.2)
                continue
            changed = (np.abs(area[top:bottom, left:right].astype(int) - soil).sum(axis=2) > 60).mean()
            if changed > WORM_CHANGED:
                self.click(GAME_CLICK)
                caught += 1
                time.sleep(0.3)
                if caught == 1:
                    self.stop("worm caught")
                time.sleep(1.5)                      # the round's result shows, the worm goes
        if caught == 0:
            raise SystemExit("tour: the game ended without a single worm caught")

    # --- the recording ---
    def finish(self):
        self.recorder.communicate(b"q", timeout=60)
        video = self.folder / "tour.mp4"
        x, y = self.origin
        run("ffmpeg", "-y", "-loglevel", "error", "-i", self.video_raw, "-vf", f"crop={PLAY_W}:{PLAY_H}:{x}:{y}",
            "-c:v", "libx264", "-preset", "veryfast", "-crf", "23", "-pix_fmt", "yuv420p",
            "-c:a", "aac", "-b:a", "128k", video)
        self.video_raw.unlink()
        return video

    def contact_sheet(self):
        columns, scale, label_h = 4, 0.5, 22
        w, h = int(PLAY_W * scale), int(PLAY_H * scale)
        rows = (len(self.stops) + columns - 1) // columns
        sheet = Image.new("RGB", (columns * (w + 8) + 8, rows * (h + label_h + 8) + 8), (40, 44, 52))
        draw = ImageDraw.Draw(sheet)
        font = ImageFont.truetype("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 14)
        for n, (name, path) in enumerate(self.stops):
            x, y = 8 + (n % columns) * (w + 8), 8 + (n // columns) * (h + label_h + 8)
            sheet.paste(Image.open(path).resize((w, h), Image.LANCZOS), (x, y))
            draw.text((x, y + h + 3), f"{n + 1}. {name}", fill=(230, 230, 230), font=font)
        path = self.folder / "tour.png"
        sheet.save(path)
        return path

    def close(self):
        for proc in (self.program, self.recorder, self.sound_server, self.manager):
            if proc is not None and proc.poll() is None:
                os.killpg(proc.pid, signal.SIGTERM)
                proc.wait(timeout=20)
        shutil.rmtree(self.pulse, ignore_errors=True)


# The README's pictures: the contact sheet, and a few stops at full size.
README_STOPS = {"first logo": "logo.png", "title": "title.png", "menu": "menu.png",
                "hover balloon": "menu-hover.png", "game records": "records.png", "help": "help.png",
                "game": "game.png"}


def readme_pictures(stops, sheet, folder):
    folder.mkdir(parents=True, exist_ok=True)
    shutil.copy(sheet, folder / "tour.png")
    for name, path in stops:
        if name in README_STOPS:
            Image.open(path).save(folder / README_STOPS[name], optimize=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--folder", type=pathlib.Path, required=True, help="program folder (Robina.exe, games)")
    parser.add_argument("--short", action="store_true", help="no help page (for the test)")
    parser.add_argument("--readme", type=pathlib.Path, help="also write the README's pictures here")
    args = parser.parse_args()
    folder = args.folder.resolve()
    tour = Tour(folder, args.short)
    log(f"Robina.exe runs in {folder}; its log is {folder / 'debug.log'}. Ctrl+C stops the tour.")
    started = time.monotonic()
    try:
        tour.start()
        tour.visit()
        video = tour.finish()
        sheet = tour.contact_sheet()
    except AssertionError as failure:   # a wait that ran out: its line says for what
        raise SystemExit(f"tour: {failure}") from None
    finally:
        tour.close()
    log(f"{len(tour.stops)} stops in {time.monotonic() - started:.0f} s")
    log(f"video:         {video}")
    log(f"contact sheet: {sheet}")
    log(f"screenshots:   {tour.shots}/")
    if args.readme:
        readme_pictures(tour.stops, sheet, args.readme)
        log(f"the README's pictures: {args.readme}/")


if __name__ == "__main__":
    sys.exit(main())
