"""What the front end's screens show, told from the program's own pictures: the art the build drew
for MENUDATA (build/win/art) and the members of game files. A screen is a list of checks, each a
picture (or a plain colour) expected at a place of the play area; a check passes when enough of the
picture's visible pixels (black is transparent) are on screen exactly. The end-to-end tests wait for
screens with these, and tools/tour.py uses them to know when to take its pictures.
"""
import pathlib
import subprocess
import tempfile

import numpy as np
from PIL import Image

from desktop import BUILD, WIN, wait_for, xdotool

ART = WIN / "art"
RVPX = BUILD / "host" / "rvpx"
PLAY_SIZE = (640, 360)
OFF_SCREEN = (1010, 760)  # outside the play area in both modes on the 1024x768 desktop: no drawn cursor in the shots
POINT_HALF = 16           # a destination point is 32x32; the mouse aims at its centre
GREY = (16, 16, 16)
WHITE = (255, 255, 255)
_members = pathlib.Path(tempfile.mkdtemp(prefix="robina-members-"))
_pictures = {}


def picture(name, pack=None):
    """A picture of MENUDATA's art, or the member of a game file, as an RGB array."""
    key = (name, str(pack))
    if key not in _pictures:
        path = ART / name
        if pack is not None:
            folder = _members / pathlib.Path(pack).stem
            folder.mkdir(exist_ok=True)
            subprocess.run([str(RVPX), "extract", str(pack), "-C", str(folder), name], check=True,
                           stdout=subprocess.DEVNULL)
            path = folder / name
        _pictures[key] = np.asarray(Image.open(path).convert("RGB"))
    return _pictures[key]


# A check: (picture name or plain colour, game file or None, x, y, part of the picture as
# (left, top, right, bottom) or None for all of it, least share shown).
def check_share(area, check):
    what, pack, x, y, part, _ = check
    if isinstance(what, tuple):
        left, top, right, bottom = part
        expected = np.empty((bottom - top, right - left, 3), np.uint8)
        expected[:] = what
        part = (0, 0, right - left, bottom - top)
    else:
        expected = picture(what, pack)
    left, top, right, bottom = part or (0, 0, expected.shape[1], expected.shape[0])
    expected = expected[top:bottom, left:right]
    seen = area[y + top:y + bottom, x + left:x + right]
    visible = expected.any(axis=2)
    if seen.shape != expected.shape or not visible.any():
        return 0.0
    return float((seen == expected).all(axis=2)[visible].mean())


# The screens of a visit, as the program draws them. Parts leave out what moves over a picture
# (the title's logo and inlays, the map's points, the game's balloons).
SCREENS = {
    "first logo": [("vyg.bmp", None, 227, 123, None, 0.99),
                   (WHITE, None, 0, 0, (0, 0, 640, 100), 0.99)],
    "second logo": [("mossleaf_logo.bmp", None, 175, 141, None, 0.99),
                    (GREY, None, 0, 0, (0, 0, 640, 120), 0.99)],
    "title": [("title.bmp", None, 68, 0, (0, 170, 469, 300), 0.98)],
    "menu": [("map.bmp", None, 15, 27, None, 0.85),
             ("states_none.bmp", None, 380, 80, None, 0.99)],
    # The right button at rest: the panel waits for a press (during one it shows the press frames).
    "records overall page": [("logo_39zumi.bmp", None, 357, 66, None, 0.95),
                             ("b_right.bmp", None, 490, 243, None, 0.99)],
    "balloon game": [("sky.bmp", WIN / "games" / "BALLOON.VYG", 0, 0, (0, 40, 640, 320), 0.6)],
}


def board_of(game_file):
    """The status board of a game under the mouse: its own sys_states.bmp on the panel."""
    return [("sys_states.bmp", game_file, 380, 80, None, 0.99)]


def point_centre(map_x, map_y):
    return map_x + POINT_HALF, map_y + POINT_HALF


def park_mouse(program=None):
    xdotool("mousemove", *OFF_SCREEN)


def placement(width, height):
    """The play area's place and factor in a client area of this size: the largest whole factor that
    fits, centred (a window's client is the play area at its factor; full screen centres it)."""
    k = max(1, min(width // PLAY_SIZE[0], height // PLAY_SIZE[1]))
    return (width - PLAY_SIZE[0] * k) // 2, (height - PLAY_SIZE[1] * k) // 2, k


def enlarged_area(program, shot):
    """The play area of a whole-screen shot as the screen shows it (factor k), and k."""
    g = program.geometry()
    left, top, k = placement(g["WIDTH"], g["HEIGHT"])
    x, y = g["X"] + left, g["Y"] + top
    return np.asarray(shot)[y:y + PLAY_SIZE[1] * k, x:x + PLAY_SIZE[0] * k], k


def play_area(program, shot):
    """The play area of a whole-screen shot as an array of 640x360: one screen pixel of each block."""
    area, k = enlarged_area(program, shot)
    return area[::k, ::k]


def shares(program, checks):
    area = play_area(program, program.screenshot())
    return [round(check_share(area, c), 3) for c in checks]


def wait_screen(program, name, checks=None, timeout=None):
    """Waits until every check of the screen passes; a time-out says the shares seen last."""
    checks = checks or SCREENS[name]
    last = {}

    def showing():
        last["shares"] = shares(program, checks)
        return all(s >= c[-1] for s, c in zip(last["shares"], checks))
    kwargs = {"timeout": timeout} if timeout else {}
    wait_for(showing, interval=0.3, what=f"the {name}", **kwargs,
             seen=lambda: {"shares": last.get("shares"), "wanted": [c[-1] for c in checks],
                           "running": program.running(), "log tail": program.log()[-300:]})
