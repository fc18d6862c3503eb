#!/usr/bin/python3
"""A visit of the real program, shot for the README: the first logo, the title, the menu at rest and
with a destination point under the mouse, and the balloon game. `make shots` runs it inside
tools/wine-env.sh (virtual display, the build's Wine prefix) and writes docs/*.png.

The visit is a table of stops; each stop does what a person would (a click, a move), waits until
the screen shows what the end-to-end tests know it shows (tests/e2e/screens.py), lets it settle and
takes the play area. A recorder of the whole visit (screen and captured sound) can later wrap the
same table.
"""
import argparse
import os
import pathlib
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from PIL import Image

REPO = pathlib.Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "e2e"))
from conftest import WIN, Program  # noqa: E402
from screens import PLAY_SIZE, board_of, park_mouse, play_area, point_centre, wait_screen  # noqa: E402

BALLOON = WIN / "games" / "BALLOON.VYG"
BALLOON_POINT = point_centre(70, 80)


def hover_balloon(program):
    program.move(*BALLOON_POINT)


def click_balloon(program):
    program.click(*BALLOON_POINT)


def leave_title(program):
    program.click(320, 200)
    park_mouse()


# One row per stop: picture file, action (None: just wait), screen waited for (name, checks),
# seconds to let it settle before the shot.
STOPS = [
    ("logo.png",       park_mouse,    ("first logo", None),   0.5),
    ("title.png",      None,          ("title", None),        1.5),
    ("menu.png",       leave_title,   ("menu", None),         1.0),
    ("menu-hover.png", hover_balloon, ("balloon's status board", board_of(BALLOON)), 0.8),
    ("game.png",       click_balloon, ("balloon game", None), 6.0),
]


def take(program, path):
    area = play_area(program, program.screenshot())
    Image.fromarray(area).save(path, optimize=True)
    assert area.shape[:2] == (PLAY_SIZE[1], PLAY_SIZE[0])


def visit(program, out):
    for picture, action, (screen, checks), settle in STOPS:
        if action:
            action(program)
        wait_screen(program, screen, checks)
        time.sleep(settle)
        take(program, out / picture)
        print(f"tour: {out / picture}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--out", default=str(REPO / "docs"), help="folder of the pictures (default docs/)")
    out = pathlib.Path(parser.parse_args().out)
    out.mkdir(parents=True, exist_ok=True)
    work = pathlib.Path(tempfile.mkdtemp(prefix="robina-tour-"))
    manager = subprocess.Popen(["openbox", "--sm-disable"], start_new_session=True,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    program = Program(work / "prog", work / "audio.raw")
    try:
        for game in sorted(WIN.glob("games/*.VYG")):
            shutil.copy(game, program.folder / game.name)
        program.start()  # the start-up dialog is answered with its stored choice
        visit(program, out)
        program.key("Escape")
        program.wait()
    finally:
        program.stop()
        os.killpg(manager.pid, signal.SIGTERM)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
