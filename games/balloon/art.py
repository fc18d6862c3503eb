#!/usr/bin/env python3
"""Pictures and sounds of ふうせんポン: the sky, a sheet of balloons, the text canvases, the
menu pictures, pops, a whistle and a short looping tune."""
import math
import pathlib
import sys

import numpy as np
from PIL import Image, ImageDraw, ImageFilter

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "common"))
import gameart  # noqa: E402

CELL_W, CELL_H = 48, 72
COLOURS = [(235, 60, 70), (60, 130, 235), (70, 200, 90), (170, 90, 220), (255, 215, 0)]


def sky():
    image = gameart.gradient(640, 360, (110, 180, 250), (205, 235, 255))
    draw = ImageDraw.Draw(image)
    rng = np.random.default_rng(7)
    for _ in range(9):
        x, y, s = rng.integers(0, 640), rng.integers(20, 200), rng.integers(30, 60)
        for dx, dy, r in ((0, 0, s), (s * 0.8, 8, s * 0.7), (-s * 0.8, 10, s * 0.6), (s * 0.3, -s * 0.4, s * 0.6)):
            draw.ellipse((x + dx - r, y + dy - r * 0.6, x + dx + r, y + dy + r * 0.6), fill=(250, 252, 255))
    image = image.filter(ImageFilter.GaussianBlur(1.2))
    draw = ImageDraw.Draw(image)
    hills = [(0, 360)] + [(x, 300 - 25 * math.sin(x / 70.0) - 10 * math.sin(x / 23.0)) for x in range(0, 641, 8)] + [(640, 360)]
    draw.polygon(hills, fill=(90, 175, 80))
    hills2 = [(0, 360)] + [(x, 330 - 12 * math.sin(x / 45.0 + 1)) for x in range(0, 641, 8)] + [(640, 360)]
    draw.polygon(hills2, fill=(70, 150, 65))
    return image


def balloon(draw, ox, colour, gold=False):
    cx, top, bottom = ox + CELL_W // 2, 2, 56
    dark = tuple(int(c * 0.6) for c in colour)
    draw.line((cx, bottom, cx - 3, 62, cx + 2, 67, cx, CELL_H - 1), fill=(120, 110, 100), width=1)
    draw.polygon([(cx - 4, bottom + 4), (cx + 4, bottom + 4), (cx, bottom - 2)], fill=dark)
    draw.ellipse((ox + 4, top, ox + CELL_W - 5, bottom), fill=dark)
    draw.ellipse((ox + 6, top + 1, ox + CELL_W - 8, bottom - 3), fill=colour)
    draw.ellipse((ox + 13, top + 8, ox + 22, top + 22), fill=tuple(min(255, c + 80) for c in colour))
    if gold:
        star = [(cx + 9 * math.cos(a) * (1 if i % 2 == 0 else 0.45), 32 + 9 * math.sin(a) * (1 if i % 2 == 0 else 0.45))
                for i, a in enumerate(np.linspace(-math.pi / 2, 1.5 * math.pi, 11)[:-1])]
        draw.polygon(star, fill=(255, 255, 230))


def sheet():
    image = Image.new("RGB", (CELL_W * 6, CELL_H), (0, 0, 0))
    draw = ImageDraw.Draw(image)
    for i, colour in enumerate(COLOURS):
        balloon(draw, i * CELL_W, colour, gold=(i == 4))
    cx, cy = 5 * CELL_W + CELL_W // 2, 30
    for k in range(12):
        a = k * math.pi / 6
        draw.line((cx + 8 * math.cos(a), cy + 8 * math.sin(a), cx + 21 * math.cos(a), cy + 21 * math.sin(a)),
                  fill=(255, 250, 150) if k % 2 else (255, 255, 255), width=3)
    return image


def sounds(folder):
    rng = np.random.default_rng(3)
    n = int(gameart.RATE * 0.12)
    noise = rng.uniform(-1, 1, n) * np.exp(-np.arange(n) / (gameart.RATE * 0.02))
    gameart.save_wav(folder / "pop.wav", 0.7 * noise + 0.5 * gameart.tone([900, 300], 0.12, decay=25))
    gold = np.concatenate([gameart.tone([f, f], 0.07, decay=10) for f in (784, 988, 1175, 1568)])
    gameart.save_wav(folder / "gold.wav", 0.8 * gold)


folder = gameart.out_folder()
SKY = sky()
BALLOONS = sheet()
gameart.save_bmp(SKY, folder / "sky.bmp")
gameart.save_bmp(BALLOONS, folder / "balloons.bmp")
sounds(folder)
# A gentle eight-bar loop: a major-key melody over a bouncing bass, 4.8 seconds.
gameart.stage_assets(folder, [72, 76, 79, 76, 77, 74, 71, 74, 72, 76, 79, 84, 83, 79, 74, 72],
                     [48, 55, 52, 55, 50, 57, 55, 50])

logo = SKY.resize((256, 164))
draw = ImageDraw.Draw(logo)
big = BALLOONS
for i, (x, y) in enumerate(((20, 30), (70, 12), (170, 22), (205, 60))):
    cell = big.crop((i * CELL_W, 0, (i + 1) * CELL_W, CELL_H))
    logo.paste(cell, (x, y), cell.convert("L").point(lambda v: 255 if v else 0))
gameart.shadowed_text(draw, (128, 112), "ふうせんポン", 30, (255, 255, 255), anchor="mm")
gameart.standard_pictures(folder, "ふうせんポン", "1ぷんかんで いくつ われるかな？",
                          ["のぼっていく ふうせんを クリックして わろう！",
                           "あか・あお・みどり・むらさき は 10てん。",
                           "ほしのついた きんいろ ふうせんは 50てん！",
                           "じかんは 1ぷん。 たくさん わって ハイスコアを めざそう。",
                           "わった かずの 10こに 1ズミが もらえるよ。"],
                          (110, 180, 250), (60, 120, 200), (255, 220, 80), logo=logo)
