"""Zumi, the island's little crab apples that players collect, and the zumi sprite who stands for them."""
from artkit import (BERRY, BERRY_DARK, BROWN, BROWN_DARK, CREAM, GOLD, GOLD_DARK, GOLD_LIGHT, INK, LEAF, WHITE,
                    ellipse_points, mix, star_points)


def berry(sk, cx, cy, r, colour=BERRY):
    """One crab apple: a round red fruit, a shine, a stalk and a leaf."""
    sk.line([(cx, cy - r * 0.7), (cx + r * 0.25, cy - r * 1.45)], r * 0.16, BROWN)
    sk.poly(ellipse_points(cx + r * 0.55, cy - r * 1.2, r * 0.42, r * 0.2, 32, turn=-0.5), LEAF)
    sk.ellipse([cx - r, cy - r * 0.92, cx + r, cy + r], sk.vgrad(mix(colour, WHITE, 0.15), mix(colour, BERRY_DARK, 0.6),
                                                                  cy - r, cy + r))
    sk.ellipse([cx - r * 0.55, cy - r * 0.6, cx - r * 0.1, cy - r * 0.2], WHITE, 0.6)


def coin(sk, cx, cy, r, face, rim, mark):
    sk.ellipse([cx - r, cy - r + r * 0.12, cx + r, cy + r + r * 0.12], mix(rim, INK, 0.35))
    sk.ellipse([cx - r, cy - r, cx + r, cy + r], sk.vgrad(mix(face, WHITE, 0.4), rim, cy - r, cy + r))
    sk.ellipse([cx - r * 0.78, cy - r * 0.78, cx + r * 0.78, cy + r * 0.78], face)
    if mark == "star":
        sk.poly(star_points(cx, cy, r * 0.55, r * 0.24), mix(face, WHITE, 0.6))
    else:
        berry(sk, cx, cy + r * 0.12, r * 0.38)
    sk.ellipse([cx - r * 0.6, cy - r * 0.7, cx - r * 0.1, cy - r * 0.4], WHITE, 0.45)


def character(sk, cx, cy, r, wave=False):
    """The zumi sprite: a crab apple with a face, little arms and feet."""
    for side in (-1, 1):
        sk.ellipse([cx + side * r * 0.45 - r * 0.28, cy + r * 0.8, cx + side * r * 0.45 + r * 0.28, cy + r * 1.08],
                   BROWN_DARK)
    arm_up = -0.55 if wave else 0.3
    sk.line([(cx + r * 0.85, cy + r * 0.2), (cx + r * 1.15, cy + r * arm_up)], r * 0.18, BERRY_DARK)
    sk.line([(cx - r * 0.85, cy + r * 0.2), (cx - r * 1.12, cy + r * 0.4)], r * 0.18, BERRY_DARK)
    berry(sk, cx, cy, r)
    for side in (-1, 1):
        ex = cx + side * r * 0.33
        sk.ellipse([ex - r * 0.11, cy - r * 0.2, ex + r * 0.11, cy + r * 0.08], INK)
        sk.ellipse([ex - r * 0.03, cy - r * 0.16, ex + r * 0.06, cy - r * 0.07], WHITE)
        sk.ellipse([ex + side * r * 0.12 - r * 0.16, cy + r * 0.12, ex + side * r * 0.12 + r * 0.16, cy + r * 0.26],
                   (255, 150, 150), 0.6)
    smile = [(cx - r * 0.16 + r * 0.32 * t, cy + r * 0.2 + r * 0.14 * (1 - (2 * t - 1) ** 2)) for t in
             [k / 8 for k in range(9)]]
    sk.line(smile, r * 0.08, INK)


DENOMINATIONS = [   # value, how its icon is drawn
    (1, "berry"), (10, "bunch"), (100, "bronze"), (1000, "silver"), (10000, "gold"),
]


def icon(sk, kind, value):
    """A 55x45 collectible icon with its value under it."""
    if kind == "berry":
        berry(sk, 27.5, 23, 11)
    elif kind == "bunch":
        for x, y in ((19, 26), (36, 26), (27.5, 18)):
            berry(sk, x, y, 9)
    else:
        face, rim = {"bronze": ((214, 140, 80), (150, 86, 40)), "silver": ((226, 230, 238), (140, 148, 166)),
                     "gold": (GOLD, GOLD_DARK)}[kind]
        coin(sk, 27.5, 20, 16, face, rim, "star" if kind == "gold" else "berry")
    label = str(value)
    sk.text((52, 44), label, 10, BROWN_DARK, anchor="rs", kind="m", weight=1.6)
    sk.text((52, 44), label, 10, GOLD_LIGHT if value >= 1000 else CREAM, anchor="rs", kind="m", weight=0.3)
