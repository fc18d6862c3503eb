#!/usr/bin/env python3
"""Checks the packed MENUDATA: every picture and sound the front end loads is a member, pictures are
24-bit and at least the size they are shown at, sounds are 16-bit mono PCM, and the island map has
open land under the information point and the five games' destination points.

Usage: check_menudata.py RVPX PACK
"""
import pathlib
import subprocess
import sys
import tempfile
import wave

from PIL import Image

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools" / "artgen"))
import island  # noqa: E402

PICTURES = [   # name pattern, numbers it is used with, smallest width and height
    ("fade.bmp", [None], 640, 8), ("cursor.bmp", [None], 31, 15), ("vyg.bmp", [None], 186, 113),
    ("mossleaf_logo.bmp", [None], 289, 77),
    ("title_bg.bmp", [None], 640, 360), ("robina_logo.bmp", [None], 323, 121), ("mouse_crick.bmp", [None], 175, 19),
    ("39zumi2.bmp", [None], 61, 52), ("title.bmp", [None], 469, 346), ("bgline.bmp", [None], 640, 3),
    ("title_map.bmp", [None], 121, 233), ("mini_dws.bmp", [None], 120, 38),
    ("title_pomo%02d.bmp", range(1, 35), 312, 312),
    ("menu_bg.bmp", [None], 640, 360), ("map.bmp", [None], 354, 308), ("text.bmp", [None], 273, 121),
    ("text_logo.bmp", [None], 311, 44), ("b_version.bmp", [None], 31, 33), ("b_version_over.bmp", [None], 31, 33),
    ("versionwindow.bmp", [None], 181, 65), ("textlist.bmp", [None], 308, 348), ("textlist2.bmp", [None], 181, 65),
    ("logo_39zumi.bmp", [None], 256, 164), ("zumiall.bmp", [None], 256, 20),
    ("zumi%d.bmp", [1, 10, 100, 1000, 10000], 55, 45), ("listwindow.bmp", [None], 308, 348),
    ("b_left%s.bmp", ["", "_over", "_down1", "_down2", "_down3"], 115, 26),
    ("b_right%s.bmp", ["", "_over", "_down1", "_down2", "_down3"], 115, 26),
    ("b_ranking%s.bmp", ["", "_over", "_down1", "_down2", "_down3"], 123, 44),
    ("b_help%s.bmp", ["", "_over", "_down1", "_down2", "_down3"], 123, 44),
    ("b_return%s.bmp", ["", "_over", "_down1", "_down2", "_down3"], 97, 35),
    ("listhead.bmp", [None], 264, 24), ("list%02d.bmp", range(1, 11), 256, 20),
    ("point%d.bmp", range(1, 9), 32, 32), ("point_ti%d.bmp", range(1, 9), 32, 32),
    ("point_ti_%s.bmp", ["gakkou", "hatsudensyo", "jinjya", "kajyuen", "kuwabatake", "onsen", "denpa", "pomo",
                         "post", "recycle", "smoke", "tera"], 40, 40),
    ("logo_robina.bmp", [None], 256, 164), ("logo_island.bmp", [None], 256, 164),
    ("states_annaijyo.bmp", [None], 256, 100), ("states_none.bmp", [None], 256, 100),
    ("destpoint0.bmp", [None], 8, 8), ("name_tekuai.bmp", [None], 92, 20), ("name_tabisaki.bmp", [None], 92, 20),
    ("wave%d.bmp", range(1, 4), 394, 360),
    ("help_none.bmp", [None], 640, 360), ("sys_logo_%s.bmp", ["none", "missing", "refused"], 256, 164),
    ("sys_states_%s.bmp", ["none", "missing", "refused"], 256, 100),
]
SOUNDS = ["title_se0.wav", "title_se1.wav", "bt_norm.wav", "bt_loc.wav", "bt_notify.wav", "menubgm.wav",
          "menuintro.wav"]


def expand(pattern, numbers):
    return [pattern if n is None else pattern % n for n in numbers]


def check_members(folder, problems):
    for pattern, numbers, width, height in PICTURES:
        for name in expand(pattern, numbers):
            path = folder / name
            if not path.exists():
                problems.append("missing picture " + name)
                continue
            with Image.open(path) as image:
                if image.format != "BMP" or image.mode != "RGB" or image.width < width or image.height < height:
                    problems.append("%s is %s %s %dx%d, wanted a 24-bit BMP of at least %dx%d" % (
                        name, image.format, image.mode, image.width, image.height, width, height))
    for name in SOUNDS:
        path = folder / name
        if not path.exists():
            problems.append("missing sound " + name)
            continue
        with wave.open(str(path)) as sound:
            if sound.getnchannels() != 1 or sound.getsampwidth() != 2 or sound.getnframes() == 0:
                problems.append(name + " is not 16-bit mono PCM with samples")


def check_island(folder, problems):
    """Every pixel under the points is land: drawn (not transparent) and not the sea's blue."""
    with Image.open(folder / "map.bmp") as image:
        pixels = image.convert("RGB").load()
        for x0, y0, x1, y1 in island.point_boxes():
            for y in range(int(y0), int(y1)):
                for x in range(int(x0), int(x1)):
                    r, g, b = pixels[x, y]
                    if (r, g, b) == (0, 0, 0) or b > r + 40:
                        problems.append("no land under the point at map pixel (%d, %d)" % (x0, y0))
                        break
                else:
                    continue
                break
    for kind, (cx, cy) in island.LANDMARKS.items():
        half = island.LANDMARK_SIZE / 2
        for x0, y0, x1, y1 in island.point_boxes():
            if cx + half > x0 and cx - half < x1 and cy + half > y0 and cy - half < y1:
                problems.append("the %s stands under a point at map pixel (%d, %d)" % (kind, x0, y0))


def main():
    rvpx, pack = sys.argv[1], sys.argv[2]
    problems = []
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run([rvpx, "extract", pack, "-C", tmp], check=True, stdout=subprocess.DEVNULL)
        check_members(pathlib.Path(tmp), problems)
        if not problems:
            check_island(pathlib.Path(tmp), problems)
    for problem in problems:
        print(problem)
    print("MENUDATA: %d problems" % len(problems))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
