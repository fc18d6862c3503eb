#!/usr/bin/env python3
"""Pictures and sounds of ぴょこっとキャッチ: the garden, the robin watching and pecking, the worm
and its catch, the text canvas of the sign, the menu pictures, the pop of the worm, the catch,
the miss and the whistle."""
import math
import pathlib
import sys

import numpy as np
from PIL import Image, ImageFilter

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "common"))
import gameart  # noqa: E402

ROBIN_W, ROBIN_H = 160, 140
WORM_W, WORM_H = 80, 80
GRASS = (120, 185, 85)
SOIL = (140, 95, 60, 255)
WORM = (240, 150, 160, 255)


def garden():
    image, pen = gameart.big_gradient(640, 360, (150, 205, 245), (225, 243, 255))
    s = gameart.SCALE
    pen.ellipse((520 * s, 40 * s, 600 * s, 120 * s), fill=(255, 246, 200, 255))
    for x, y, r in ((120, 60, 26), (300, 90, 20), (470, 50, 22)):
        for dx, dr in ((-1, 0.8), (0, 1.0), (1, 0.75)):
            pen.ellipse(((x + dx * r - r * dr) * s, (y - r * dr * 0.6) * s, (x + dx * r + r * dr) * s,
                         (y + r * dr * 0.6) * s), fill=(255, 255, 255, 255))
    pen.rectangle((0, 236 * s, 640 * s, 360 * s), fill=GRASS + (255,))
    hills = [(0, 240 * s)] + [(x * s, (226 - 12 * math.sin(x / 60.0)) * s) for x in range(0, 641, 4)] + [(640 * s, 240 * s)]
    pen.polygon(hills, fill=GRASS + (255,))
    pen.ellipse((360 * s, 276 * s, 480 * s, 306 * s), fill=SOIL)
    pen.ellipse((392 * s, 282 * s, 448 * s, 298 * s), fill=(95, 62, 40, 255))
    rng = np.random.default_rng(23)
    for _ in range(90):
        x, y = rng.uniform(0, 640) * s, rng.uniform(245, 360) * s
        pen.line((x, y, x - 3 * s, y - 8 * s), fill=(95, 160, 65, 255), width=2 * s)
        pen.line((x, y, x + 3 * s, y - 9 * s), fill=(95, 160, 65, 255), width=2 * s)
    for x in (60, 560, 600):
        gameart.thing(pen, "flower", x * s, 300 * s, 10 * s)
    image = image.filter(ImageFilter.GaussianBlur(0.5 * s))
    return gameart.finish(image)


def robins():
    """Two cells: the robin upright and watching, and the robin bent forward in a peck."""
    image, pen = gameart.big(ROBIN_W * 2, ROBIN_H)
    s = gameart.SCALE
    gameart.robin(pen, 74 * s, 72 * s, 46 * s)
    bird, bird_pen = gameart.big(ROBIN_W, ROBIN_H)
    gameart.robin(bird_pen, 70 * s, 72 * s, 46 * s)
    image.alpha_composite(bird.rotate(-28, resample=Image.BICUBIC, center=(70 * s, 110 * s)), (ROBIN_W * s, 8 * s))
    return gameart.finish(image, GRASS)


def worms():
    """Two cells: the worm up out of the soil, and the catch with its sparkle."""
    image, pen = gameart.big(WORM_W * 2, WORM_H)
    s = gameart.SCALE
    for cell in (0, 1):
        worm(pen, cell * WORM_W * s, 0, s)
    for k in range(8):  # the sparkle of the catch
        a = k * math.pi / 4
        cx, cy = WORM_W * 1.5 * s, 30 * s
        pen.line((cx + 18 * s * math.cos(a), cy + 18 * s * math.sin(a), cx + 30 * s * math.cos(a),
                  cy + 30 * s * math.sin(a)), fill=(255, 250, 150, 255), width=3 * s)
    return gameart.finish(image, GRASS)


def worm(pen, ox, oy, s):
    """A worm standing up out of its mound, in an 80x80 box at (ox, oy) in big pixels."""
    body = [(ox + (40 + 6 * math.sin(t * 2.4)) * s, oy + (70 - 48 * t) * s) for t in np.linspace(0, 1, 24)]
    pen.line(body, fill=WORM, width=12 * s, joint="curve")
    hx, hy = body[-1]
    pen.ellipse((hx - 8 * s, hy - 8 * s, hx + 8 * s, hy + 8 * s), fill=WORM)
    for k in range(1, 5):
        x, y = body[k * 4]
        pen.line((x - 6 * s, y, x + 6 * s, y), fill=(220, 120, 135, 255), width=s)
    for side in (-1, 1):
        gameart.eye(pen, hx + side * 3.5 * s, hy - 2 * s, 2.2 * s)
    pen.ellipse((ox + 18 * s, oy + 66 * s, ox + 62 * s, oy + 80 * s), fill=SOIL)


def sounds(folder):
    gameart.save_wav(folder / "pop.wav", 0.7 * gameart.tone([400, 1200], 0.12, decay=14))
    gameart.save_wav(folder / "catch.wav", 0.7 * gameart.jingle([72, 76, 79, 84], 0.06))
    gameart.save_wav(folder / "miss.wav", 0.6 * gameart.tone([500, 200], 0.4, decay=5, shape="square"))


folder = gameart.out_folder()
GARDEN = garden()
gameart.save_bmp(GARDEN, folder / "garden.bmp")
gameart.save_bmp(robins(), folder / "robin.bmp")
gameart.save_bmp(worms(), folder / "worm.bmp")
gameart.save_bmp(Image.new("RGB", (420, 56), (0, 0, 0)), folder / "sign.bmp")
sounds(folder)
gameart.stage_assets(folder)


def logo_scene(logo, pen, s):
    gameart.robin(pen, 80 * s, 62 * s, 38 * s)
    worm(pen, 150 * s, 10 * s, s)
    gameart.big_text(pen, (132, 26), "！", 34, (255, 230, 80, 255), anchor="mm", outline=(160, 60, 30, 255))


gameart.standard_pictures(folder, "ぴょこっとキャッチ", "はやおしで ミミズを つかまえろ",
                          ["ロビナと いっしょに つちの ところを みていてね。",
                           "ミミズが ぴょこっと でたら すぐに クリック！",
                           "はやいほど たかい てん。 でるまえは がまん がまん。",
                           "でるまえに おすと フライングで その かいは 0てん。",
                           "ぜんぶで 6かい。 なんびょうで つかまえられるかな？"],
                          (150, 205, 245), (80, 150, 90), (255, 220, 90),
                          logo=gameart.logo_with(GARDEN, "ぴょこっとキャッチ", logo_scene))
