#!/usr/bin/env python3
"""Pictures and sounds of ひょっこりタッチ: the meadow with its nine holes, the sheet of friends
(mole, rabbit, squirrel, robin, bee, the sparkle of a touch and the sting of the bee), the front
lip of a hole, the menu pictures, the touch, the robin's chime, the bee's buzz and a tune."""
import math
import pathlib
import sys

import numpy as np
from PIL import ImageFilter

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "common"))
import gameart  # noqa: E402

CELL_W, CELL_H = 80, 96
FRIENDS = ["mole", "rabbit", "squirrel", "robin", "bee"]
HOLES = [(x, y) for y in (150, 235, 320) for x in (160, 320, 480)]  # as in mogura.cpp
GRASS = (110, 180, 80)
EARTH = (150, 105, 65, 255)
HOLE = (60, 42, 32, 255)
LIP_W, LIP_H = 112, 20


def meadow():
    image, pen = gameart.big_gradient(640, 360, (150, 205, 245), (215, 240, 255))
    s = gameart.SCALE
    hills = [(0, 360 * s)] + [(x * s, (98 - 14 * math.sin(x / 90.0) - 6 * math.sin(x / 31.0)) * s)
                              for x in range(0, 641, 4)] + [(640 * s, 360 * s)]
    pen.polygon(hills, fill=(130, 195, 95, 255))
    pen.rectangle((0, 118 * s, 640 * s, 360 * s), fill=GRASS + (255,))
    rng = np.random.default_rng(17)
    for _ in range(140):  # tufts and little flowers in the grass
        x, y = rng.uniform(0, 640) * s, rng.uniform(120, 360) * s
        if rng.uniform() < 0.2:
            colour = [(255, 255, 255, 255), (255, 220, 80, 255), (255, 160, 200, 255)][rng.integers(0, 3)]
            pen.ellipse((x - 3 * s, y - 3 * s, x + 3 * s, y + 3 * s), fill=colour)
        else:
            pen.line((x, y, x - 3 * s, y - 7 * s), fill=(90, 160, 65, 255), width=2 * s)
            pen.line((x, y, x + 3 * s, y - 8 * s), fill=(90, 160, 65, 255), width=2 * s)
    for x, y in HOLES:
        pen.ellipse(((x - 56) * s, (y - 14) * s, (x + 56) * s, (y + 18) * s), fill=EARTH)
        pen.ellipse(((x - 48) * s, (y - 12) * s, (x + 48) * s, (y + 12) * s), fill=HOLE)
    gameart.robin(pen, 590 * s, 70 * s, 20 * s)
    image = image.filter(ImageFilter.GaussianBlur(0.6 * s))
    return gameart.finish(image)


def lip():
    """The front half of a hole, its top at the mouth line: drawn over the lower part of a friend
    that peeks out, so the friend comes up from inside the hole."""
    image, pen = gameart.big(LIP_W, LIP_H)
    s = gameart.SCALE
    pen.chord((0, -14 * s, 112 * s, 18 * s), 0, 180, fill=EARTH)
    pen.chord((8 * s, -12 * s, 104 * s, 12 * s), 0, 180, fill=HOLE)
    return gameart.finish(image, GRASS)


def cell(pen, index, left, cx, cy, s):
    if index < len(FRIENDS):
        gameart.friend(pen, FRIENDS[index], cx, cy + 10 * s, 26 * s)
    elif index == 5:  # the sparkle of a touch
        for k in range(10):
            a = k * math.pi / 5
            pen.line((cx + 12 * s * math.cos(a), cy + 12 * s * math.sin(a), cx + 32 * s * math.cos(a),
                      cy + 32 * s * math.sin(a)), fill=(255, 250, 150, 255) if k % 2 else (255, 255, 255, 255),
                     width=4 * s)
        gameart.thing(pen, "star", cx, cy, 13 * s)
    else:  # the sting: a red zigzag burst
        points = [(cx + (30 if k % 2 == 0 else 14) * s * math.cos(k * math.pi / 7),
                   cy + (30 if k % 2 == 0 else 14) * s * math.sin(k * math.pi / 7)) for k in range(14)]
        pen.polygon(points, fill=(235, 60, 50, 255))
        pen.polygon([(x * 0.6 + cx * 0.4, y * 0.6 + cy * 0.4) for x, y in points], fill=(255, 200, 80, 255))


def sounds(folder):
    boing = gameart.tone([300, 700, 500], 0.16, decay=12)
    gameart.save_wav(folder / "touch.wav", 0.7 * boing)
    gameart.save_wav(folder / "gold.wav", 0.7 * gameart.jingle([79, 83, 86, 91], 0.07))
    n = int(gameart.RATE * 0.35)
    buzz = gameart.tone([180, 200, 170], 0.35, decay=3, shape="square") * (1 + 0.5 * np.sin(np.arange(n) / 60))
    gameart.save_wav(folder / "buzz.wav", 0.5 * buzz)


folder = gameart.out_folder()
MEADOW = meadow()
gameart.save_bmp(MEADOW, folder / "meadow.bmp")
friends = gameart.sheet(7, CELL_W, CELL_H, cell, GRASS)
gameart.save_bmp(friends, folder / "friends.bmp")
gameart.save_bmp(lip(), folder / "lip.bmp")
sounds(folder)
gameart.stage_assets(folder, [72, 74, 76, 79, 76, 74, 72, 67, 69, 72, 74, 76, 74, 72, 74, 79],
                     [48, 55, 53, 55, 48, 53, 55, 55], beat=0.24)


def logo_friends(logo, pen, s):
    for kind, x, y, r in (("mole", 56, 64, 24), ("rabbit", 128, 58, 24), ("squirrel", 200, 64, 24)):
        pen.ellipse(((x - 34) * s, (y + 16) * s, (x + 34) * s, (y + 34) * s), fill=HOLE)
        gameart.friend(pen, kind, x * s, y * s, r * s)


gameart.standard_pictures(folder, "ひょっこりタッチ", "かおを だした ともだちに タッチ！",
                          ["あなから ともだちが ひょっこり かおを だすよ。",
                           "かくれる まえに クリックで タッチしよう！",
                           "もぐら・うさぎ・りすは 10てん、 ロビナは 30てん。",
                           "ハチに さわると チクッ！ 20てん へっちゃうよ。",
                           "じかんは 45びょう。 だんだん はやく なるよ。"],
                          (120, 190, 90), (60, 130, 60), (255, 230, 120),
                          logo=gameart.logo_with(MEADOW, "ひょっこりタッチ", logo_friends))
