#!/usr/bin/env python3
"""Pictures and sounds of こみちなぞり: the field, the stepping stones (plain, lit, next), the
nest, the robin sitting and flying, the dot of the drawn line, the text canvas of the sign, the
menu pictures, the ping of a stone, the goal, the slip and a tune."""
import math
import pathlib
import sys

import numpy as np
from PIL import Image, ImageFilter

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "common"))
import gameart  # noqa: E402

STONE = 28
NEST_W, NEST_H = 72, 52
BIRD_W, BIRD_H = 48, 44
DOT = 10
FIELD = (125, 190, 90)
LINE = (255, 140, 50, 255)


def field():
    image, pen = gameart.big_gradient(640, 360, (135, 200, 95), (105, 170, 75))
    s = gameart.SCALE
    rng = np.random.default_rng(31)
    for _ in range(40):  # soft patches of lighter grass
        x, y, r = rng.uniform(0, 640) * s, rng.uniform(30, 360) * s, rng.uniform(20, 50) * s
        pen.ellipse((x - r, y - r * 0.5, x + r, y + r * 0.5), fill=(140, 200, 100, 255))
    image = image.filter(ImageFilter.GaussianBlur(6 * s))
    pen = gameart.ImageDraw.Draw(image)
    for _ in range(120):
        x, y = rng.uniform(0, 640) * s, rng.uniform(34, 360) * s
        pen.line((x, y, x - 3 * s, y - 7 * s), fill=(90, 150, 60, 255), width=2 * s)
        pen.line((x, y, x + 2 * s, y - 8 * s), fill=(90, 150, 60, 255), width=2 * s)
    for _ in range(24):
        x, y = rng.uniform(0, 640) * s, rng.uniform(40, 360) * s
        gameart.thing(pen, "flower", x, y, rng.uniform(5, 8) * s)
    return gameart.finish(image)


def stone(pen, index, left, cx, cy, s):
    if index == 2:  # the next stone: a glowing ring around a plain one
        pen.ellipse((cx - 13.5 * s, cy - 13.5 * s, cx + 13.5 * s, cy + 13.5 * s), outline=(255, 250, 170, 255),
                    width=int(2.5 * s))
    body, light = ((235, 185, 50, 255), (255, 240, 150, 255)) if index == 1 else ((175, 170, 165, 255), (225, 222, 215, 255))
    pen.ellipse((cx - 10 * s, cy - 8 * s, cx + 10 * s, cy + 9 * s), fill=body)
    pen.ellipse((cx - 6 * s, cy - 6 * s, cx + 2 * s, cy - 1 * s), fill=light)


def nest():
    image, pen = gameart.big(NEST_W, NEST_H)
    s = gameart.SCALE
    for k, colour in enumerate(((150, 210, 230, 255), (170, 220, 240, 255), (140, 200, 225, 255))):
        x = (22 + k * 14) * s
        pen.ellipse((x - 8 * s, 8 * s, x + 8 * s, 30 * s), fill=colour)
        pen.ellipse((x - 4 * s, 12 * s, x, 18 * s), fill=(235, 250, 255, 255))
    pen.chord((4 * s, 4 * s, 68 * s, 48 * s), 0, 180, fill=(150, 100, 55, 255))
    rng = np.random.default_rng(41)
    for _ in range(26):  # twigs
        x0, y0 = rng.uniform(6, 66) * s, rng.uniform(26, 44) * s
        a = rng.uniform(-0.5, 0.5)
        pen.line((x0 - 9 * s * math.cos(a), y0 - 9 * s * math.sin(a), x0 + 9 * s * math.cos(a),
                  y0 + 9 * s * math.sin(a)), fill=(115, 75, 40, 255) if rng.uniform() < 0.5 else (185, 135, 80, 255),
                 width=2 * s)
    return gameart.finish(image, FIELD)


def birds():
    """Two cells: the robin sitting, and the robin flying with its wing up."""
    image, pen = gameart.big(BIRD_W * 2, BIRD_H)
    s = gameart.SCALE
    gameart.robin(pen, 22 * s, 24 * s, 15 * s)
    gameart.robin(pen, (BIRD_W + 22) * s, 22 * s, 15 * s)
    wing = [((BIRD_W + 14) * s, 20 * s), ((BIRD_W + 4) * s, 2 * s), ((BIRD_W + 26) * s, 14 * s)]
    pen.polygon(wing, fill=gameart.art_shell.BROWN_DARK)
    return gameart.finish(image, FIELD)


def dot():
    image, pen = gameart.big(DOT, DOT)
    s = gameart.SCALE
    pen.ellipse((0, 0, DOT * s - 1, DOT * s - 1), fill=LINE)
    pen.ellipse((2 * s, 2 * s, 5 * s, 5 * s), fill=(255, 200, 130, 255))
    return gameart.finish(image, FIELD)


def sounds(folder):
    gameart.save_wav(folder / "ping.wav", 0.6 * gameart.tone([1320, 1320], 0.15, decay=18))
    gameart.save_wav(folder / "goal.wav", 0.7 * gameart.jingle([72, 76, 79, 84, 79, 84], 0.09))
    gameart.save_wav(folder / "oops.wav", 0.5 * gameart.tone([600, 250], 0.3, decay=6, shape="square"))


folder = gameart.out_folder()
FIELD_PICTURE = field()
gameart.save_bmp(FIELD_PICTURE, folder / "field.bmp")
gameart.save_bmp(gameart.sheet(3, STONE, STONE, stone, FIELD), folder / "stones.bmp")
NEST = nest()
gameart.save_bmp(NEST, folder / "nest.bmp")
gameart.save_bmp(birds(), folder / "bird.bmp")
gameart.save_bmp(dot(), folder / "dot.bmp")
gameart.save_bmp(Image.new("RGB", (420, 56), (0, 0, 0)), folder / "sign.bmp")
sounds(folder)
gameart.stage_assets(folder, [74, 76, 78, 81, 79, 78, 76, 74, 71, 74, 76, 78, 76, 74, 73, 74],
                     [50, 57, 55, 57, 47, 54, 55, 57], beat=0.26)


def logo_path(logo, pen, s):
    points = [(24 + i * 19, 80 + 26 * math.sin(i / 1.7)) for i in range(12)]
    pen.line([(x * s, y * s) for x, y in points[:7]], fill=LINE, width=4 * s, joint="curve")
    for i, (x, y) in enumerate(points[:-1]):
        stone(pen, 1 if i < 6 else 2 if i == 6 else 0, 0, x * s, y * s, s)
    logo.alpha_composite(gameart.layer(NEST), (196 * s, 40 * s))
    gameart.robin(pen, points[6][0] * s, (points[6][1] - 20) * s, 16 * s)


gameart.standard_pictures(folder, "こみちなぞり", "いしの こみちを すまで なぞろう",
                          ["ひかっている いしの うえで ボタンを おしてね。",
                           "おしたまま つぎの いしへ せんを ひいていこう。",
                           "いしに とどくと 10てん、 すに つくと 100てん！",
                           "みちから はみだしたり はなしたりしたら やりなおし。",
                           "じかんは 45びょう。 いくつの みちを ゴールできるかな？"],
                          (130, 195, 95), (60, 130, 70), (255, 210, 120),
                          logo=gameart.logo_with(FIELD_PICTURE, "こみちなぞり", logo_path))
