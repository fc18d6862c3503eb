#!/usr/bin/env python3
"""Pictures and sounds of なかよしカード: the table, the sheet of cards (the back and nine faces),
the menu pictures, the turn of a card, the chime of a pair, the shrug of a miss and a tune."""
import pathlib
import sys

import numpy as np

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "common"))
import gameart  # noqa: E402

CARD_W, CARD_H = 72, 96
TABLE = (240, 214, 170)
FACES = [("friend", "robin"), ("friend", "mole"), ("friend", "rabbit"), ("friend", "squirrel"),
         ("friend", "bee"), ("thing", "apple"), ("thing", "acorn"), ("thing", "mushroom"),
         ("thing", "flower")]
TINTS = [(255, 236, 214), (236, 230, 246), (250, 240, 248), (255, 238, 220), (255, 250, 222),
         (255, 236, 236), (246, 238, 222), (255, 240, 236), (252, 238, 248)]


def table():
    image, pen = gameart.big_gradient(640, 360, (250, 232, 196), (230, 196, 150))
    s = gameart.SCALE
    rng = np.random.default_rng(11)
    for _ in range(60):  # faint clover leaves scattered over the cloth
        x, y, r = rng.uniform(0, 640) * s, rng.uniform(30, 360) * s, rng.uniform(4, 8) * s
        for k in range(3):
            a = k * 2.094 + rng.uniform(0, 1)
            px, py = x + r * np.cos(a), y + r * np.sin(a)
            pen.ellipse((px - r * 0.7, py - r * 0.7, px + r * 0.7, py + r * 0.7), fill=(236, 206, 160, 255))
    gameart.robin(pen, 40 * s, 330 * s, 18 * s)
    return gameart.finish(image)


def card(pen, index, left, cx, cy, s):
    box = (left + 2 * s, 2 * s, left + (CARD_W - 2) * s, (CARD_H - 2) * s)
    pen.rounded_rectangle(box, radius=9 * s, fill=(150, 100, 60, 255))
    inner = (box[0] + 3 * s, box[1] + 3 * s, box[2] - 3 * s, box[3] - 3 * s)
    if index == 0:  # the back: a deep green with a golden star and a frame of dots
        pen.rounded_rectangle(inner, radius=7 * s, fill=(50, 130, 110, 255))
        pen.rounded_rectangle((inner[0] + 5 * s, inner[1] + 5 * s, inner[2] - 5 * s, inner[3] - 5 * s),
                              radius=5 * s, outline=(240, 200, 90, 255), width=2 * s)
        gameart.thing(pen, "star", cx, cy, 20 * s)
        return
    pen.rounded_rectangle(inner, radius=7 * s, fill=TINTS[index - 1] + (255,))
    kind, name = FACES[index - 1]
    if kind == "friend":
        gameart.friend(pen, name, cx, cy + 8 * s, 22 * s)
    else:
        gameart.thing(pen, name, cx, cy, 24 * s)


def sounds(folder):
    rng = np.random.default_rng(5)
    n = int(gameart.RATE * 0.09)
    swish = rng.uniform(-1, 1, n) * np.sin(np.linspace(0, np.pi, n)) ** 2
    gameart.save_wav(folder / "flip.wav", 0.35 * swish)
    gameart.save_wav(folder / "pair.wav", 0.7 * gameart.jingle([76, 79, 84, 88], 0.08))
    gameart.save_wav(folder / "miss.wav", 0.5 * gameart.jingle([62, 58], 0.14, decay=8))


folder = gameart.out_folder()
TABLE_PICTURE = table()
gameart.save_bmp(TABLE_PICTURE, folder / "table.bmp")
cards = gameart.sheet(10, CARD_W, CARD_H, card, TABLE)
gameart.save_bmp(cards, folder / "cards.bmp")
sounds(folder)
gameart.stage_assets(folder, [67, 72, 76, 72, 74, 77, 76, 72, 69, 72, 77, 76, 74, 71, 72, 72],
                     [48, 52, 53, 55, 53, 50, 55, 48], beat=0.28)


def logo_cards(logo, pen, s):
    for i, (x, y, index) in enumerate(((40, 14, 1), (92, 8, 0), (144, 14, 3))):
        image, small = gameart.big(CARD_W, CARD_H)
        card(small, index, 0, CARD_W / 2 * s, CARD_H / 2 * s, s)
        image = image.rotate((-8, 0, 8)[i], resample=3, expand=False)
        logo.alpha_composite(image, (x * s, y * s))


logo = gameart.logo_with(TABLE_PICTURE, "なかよしカード", logo_cards)
gameart.standard_pictures(folder, "なかよしカード", "おなじ えの ペアを みつけよう",
                          ["カードを クリックすると おもてに なるよ。",
                           "2まいが おなじ えなら ペアの できあがり！ 100てん。",
                           "つづけて みつけると 50てん おまけ。",
                           "ちがう えなら うらに もどるよ。 ばしょを おぼえてね。",
                           "1ぷんで ぜんぶ そろえると、 のこりびょうすうも てんに！"],
                          (240, 170, 110), (170, 100, 60), (255, 230, 150), logo=logo)
