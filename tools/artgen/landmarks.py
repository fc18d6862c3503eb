"""The twelve places of Robina island, each drawn centred on (cx, cy) in a square of size s.

The same drawings stand on the menu's map and, larger, in the information point's special pictures.
"""
import math

import pomo
from artkit import BERRY, BROWN, BROWN_DARK, CREAM, GOLD, GRASS_DARK, INK, LEAF, WHITE, mix

ROOF_RED = (200, 70, 50)
WALL = (250, 244, 228)
WINDOW = (120, 180, 230)
GREY = (150, 156, 166)
GREY_DARK = (96, 100, 112)
STEAM = (236, 240, 246)


def ground(sk, cx, cy, s):
    sk.ellipse([cx - s * 0.45, cy + s * 0.3, cx + s * 0.45, cy + s * 0.5], mix(GRASS_DARK, INK, 0.3), 0.45)


def box(cx, cy, s, x0, y0, x1, y1):
    return [cx + s * x0, cy + s * y0, cx + s * x1, cy + s * y1]


def gakkou(sk, cx, cy, s):
    ground(sk, cx, cy, s)
    sk.rrect(box(cx, cy, s, -0.45, -0.05, 0.45, 0.4), s * 0.02, WALL)
    sk.rrect(box(cx, cy, s, -0.14, -0.35, 0.14, 0.4), s * 0.02, mix(WALL, CREAM, 0.5))
    sk.poly([(cx - s * 0.5, cy - s * 0.02), (cx, cy - s * 0.2), (cx + s * 0.5, cy - s * 0.02)], ROOF_RED)
    sk.poly([(cx - s * 0.19, cy - s * 0.33), (cx, cy - s * 0.5), (cx + s * 0.19, cy - s * 0.33)], ROOF_RED)
    sk.ellipse(box(cx, cy, s, -0.09, -0.3, 0.09, -0.12), WHITE)
    sk.line([(cx, cy - s * 0.21), (cx, cy - s * 0.27), (cx + s * 0.04, cy - s * 0.21)], s * 0.025, INK)
    for x in (-0.36, -0.25, 0.19, 0.3):
        sk.rrect(box(cx, cy, s, x, 0.06, x + 0.08, 0.17), s * 0.01, WINDOW)
        sk.rrect(box(cx, cy, s, x, 0.23, x + 0.08, 0.34), s * 0.01, WINDOW)
    sk.rrect(box(cx, cy, s, -0.06, 0.2, 0.06, 0.4), s * 0.01, BROWN)


def hatsudensyo(sk, cx, cy, s):
    ground(sk, cx, cy, s)
    sk.rrect(box(cx, cy, s, -0.44, -0.02, 0.2, 0.4), s * 0.03, mix(GREY, WALL, 0.5))
    sk.rrect(box(cx, cy, s, 0.22, -0.42, 0.36, 0.4), s * 0.02, GREY)
    sk.rrect(box(cx, cy, s, 0.22, -0.3, 0.36, -0.22), 0, ROOF_RED)
    sk.poly([(cx - s * 0.44, cy), (cx - s * 0.12, cy - s * 0.2), (cx + s * 0.2, cy)], GREY_DARK)
    bolt = [(0.0, -0.1), (-0.14, 0.17), (-0.03, 0.17), (-0.09, 0.38), (0.09, 0.07), (-0.02, 0.07), (0.06, -0.1)]
    sk.poly([(cx - s * 0.12 + s * x, cy + s * y) for x, y in bolt], GOLD)


def jinjya(sk, cx, cy, s):
    ground(sk, cx, cy, s)
    red = (222, 64, 44)
    for x in (-0.28, 0.22):
        sk.rrect(box(cx, cy, s, x, -0.25, x + 0.07, 0.42), s * 0.01, red)
    sk.poly([(cx - s * 0.5, cy - s * 0.36), (cx + s * 0.5, cy - s * 0.36), (cx + s * 0.44, cy - s * 0.26),
             (cx - s * 0.44, cy - s * 0.26)], mix(red, INK, 0.35))
    sk.rrect(box(cx, cy, s, -0.4, -0.28, 0.4, -0.2), 0, red)
    sk.rrect(box(cx, cy, s, -0.36, -0.1, 0.36, -0.04), 0, red)
    sk.rrect(box(cx, cy, s, -0.05, -0.2, 0.05, -0.1), 0, GOLD)


def fruit_tree(sk, x, y, s, fruit):
    sk.rrect([x - s * 0.04, y, x + s * 0.04, y + s * 0.3], s * 0.02, BROWN)
    sk.ellipse([x - s * 0.22, y - s * 0.25, x + s * 0.22, y + s * 0.12], LEAF)
    sk.ellipse([x - s * 0.16, y - s * 0.22, x + s * 0.08, y - s * 0.06], mix(LEAF, WHITE, 0.25))
    for fx, fy in ((-0.1, -0.05), (0.09, -0.12), (0.05, 0.04), (-0.03, -0.16)):
        sk.ellipse([x + s * (fx - 0.045), y + s * (fy - 0.045), x + s * (fx + 0.045), y + s * (fy + 0.045)], fruit)


def kajyuen(sk, cx, cy, s):
    ground(sk, cx, cy, s)
    fruit_tree(sk, cx - s * 0.2, cy - s * 0.05, s, (250, 140, 40))
    fruit_tree(sk, cx + s * 0.22, cy + s * 0.02, s, BERRY)
    sk.poly([(cx - s * 0.45, cy + s * 0.34), (cx + s * 0.45, cy + s * 0.34), (cx + s * 0.45, cy + s * 0.4),
             (cx - s * 0.45, cy + s * 0.4)], mix(BROWN, CREAM, 0.3))


def kuwabatake(sk, cx, cy, s):
    sk.rrect(box(cx, cy, s, -0.48, -0.3, 0.48, 0.42), s * 0.1, mix(BROWN, CREAM, 0.35))
    for k in range(4):
        y = cy - s * 0.2 + k * s * 0.18
        sk.rrect([cx - s * 0.42, y - s * 0.07, cx + s * 0.42, y + s * 0.07], s * 0.07, mix(LEAF, GRASS_DARK, 0.5))
        for j in range(5):
            x = cx - s * 0.34 + j * s * 0.17 + (k % 2) * s * 0.08
            sk.ellipse([x - s * 0.035, y - s * 0.035, x + s * 0.035, y + s * 0.035], (120, 50, 120))


def onsen(sk, cx, cy, s):
    for k, (x, y) in enumerate(((-0.4, 0.2), (0.38, 0.22), (-0.2, 0.36), (0.2, 0.37), (0.0, 0.05))):
        sk.ellipse([cx + s * (x - 0.1), cy + s * (y - 0.07), cx + s * (x + 0.1), cy + s * (y + 0.07)], GREY)
    sk.ellipse(box(cx, cy, s, -0.38, 0.08, 0.38, 0.36), (120, 200, 230))
    sk.ellipse(box(cx, cy, s, -0.28, 0.12, 0.1, 0.22), (190, 236, 246))
    for k in (-1, 0, 1):
        x = cx + k * s * 0.17
        wave = [(x + s * 0.05 * math.sin(t * 2.2 * math.pi), cy + s * 0.05 - t * s * 0.45) for t in
                [i / 12 for i in range(13)]]
        sk.line(wave, s * 0.065, (236, 92, 80))


def denpa(sk, cx, cy, s):
    ground(sk, cx, cy, s)
    red, white = (226, 70, 56), (250, 246, 240)
    for k in range(5):
        y0, y1 = -0.3 + k * 0.14, -0.16 + k * 0.14
        w0, w1 = 0.06 + k * 0.055, 0.06 + (k + 1) * 0.055
        sk.poly([(cx - s * w0, cy + s * y0), (cx + s * w0, cy + s * y0), (cx + s * w1, cy + s * y1),
                 (cx - s * w1, cy + s * y1)], red if k % 2 == 0 else white)
    sk.line([(cx, cy - s * 0.3), (cx, cy - s * 0.46)], s * 0.04, red)
    for k in (1, 2):
        for side in (-1, 1):
            r = s * 0.12 * k
            arc = [(cx + side * r * math.cos(a), cy - s * 0.42 + r * math.sin(a)) for a in
                   [math.radians(d) for d in range(-40, 41, 10)]]
            sk.line(arc, s * 0.035, (250, 220, 90))


def pomo_place(sk, cx, cy, s):
    sk.rrect(box(cx, cy, s, -0.44, 0.26, 0.44, 0.34), s * 0.04, BROWN)
    sk.ellipse(box(cx, cy, s, -0.26, 0.12, 0.26, 0.4), mix(BROWN_DARK, CREAM, 0.25))
    pomo.draw(sk, cx, cy - s * 0.02, s * 0.26, pomo.pose(feet="none"))


def post(sk, cx, cy, s):
    ground(sk, cx, cy, s)
    red = (228, 56, 48)
    sk.rrect(box(cx, cy, s, -0.05, 0.2, 0.05, 0.42), 0, GREY_DARK)
    sk.rrect(box(cx, cy, s, -0.22, -0.36, 0.22, 0.24), s * 0.14, red)
    sk.rrect(box(cx, cy, s, -0.22, -0.36, 0.22, -0.26), s * 0.1, mix(red, INK, 0.3))
    sk.rrect(box(cx, cy, s, -0.14, -0.18, 0.14, -0.13), 0, mix(red, INK, 0.5))
    sk.text((cx, cy + s * 0.05), "〒", s * 0.3, WHITE, anchor="mm", weight=s * 0.02)


def recycle(sk, cx, cy, s):
    ground(sk, cx, cy, s)
    green = (70, 170, 90)
    sk.ellipse(box(cx, cy, s, -0.42, -0.42, 0.42, 0.42), mix(green, WHITE, 0.75))
    for k in range(3):
        a0 = math.radians(-90 + k * 120 + 15)
        arc = [(cx + s * 0.27 * math.cos(a0 + t), cy + s * 0.27 * math.sin(a0 + t)) for t in
               [i * math.radians(80) / 10 for i in range(11)]]
        sk.line(arc, s * 0.09, green)
        tip = a0 + math.radians(95)
        tx, ty = cx + s * 0.27 * math.cos(tip), cy + s * 0.27 * math.sin(tip)
        back = a0 + math.radians(75)
        bx, by = cx + s * 0.27 * math.cos(back), cy + s * 0.27 * math.sin(back)
        nx, ny = math.cos(back) * s * 0.11, math.sin(back) * s * 0.11
        sk.poly([(tx, ty), (bx + nx, by + ny), (bx - nx, by - ny)], green)


def smoke(sk, cx, cy, s):
    ground(sk, cx, cy, s)
    sk.rrect(box(cx, cy, s, -0.42, 0.02, 0.12, 0.4), s * 0.02, mix(WALL, BROWN, 0.25))
    sk.poly([(cx - s * 0.46, cy + s * 0.05), (cx - s * 0.15, cy - s * 0.15), (cx + s * 0.16, cy + s * 0.05)],
            mix(GREY_DARK, BROWN, 0.4))
    sk.rrect(box(cx, cy, s, 0.14, -0.22, 0.3, 0.4), s * 0.01, (180, 90, 60))
    for k in range(3):
        sk.rrect(box(cx, cy, s, 0.14, -0.1 + 0.15 * k, 0.3, -0.08 + 0.15 * k), 0, (150, 70, 50))
    for k, (x, y, r) in enumerate(((0.24, -0.3, 0.08), (0.16, -0.4, 0.1), (0.3, -0.42, 0.09), (0.22, -0.47, 0.07))):
        sk.ellipse([cx + s * (x - r), cy + s * (y - r), cx + s * (x + r), cy + s * (y + r)], STEAM)


def tera(sk, cx, cy, s):
    ground(sk, cx, cy, s)
    roof = (90, 96, 120)
    for k, (y, w) in enumerate(((0.14, 0.44), (-0.08, 0.34), (-0.28, 0.25))):
        sk.rrect([cx - s * w * 0.6, cy + s * y, cx + s * w * 0.6, cy + s * (y + 0.2)], 0, (176, 100, 60))
        sk.poly([(cx - s * w, cy + s * y + s * 0.02), (cx - s * w * 0.6, cy + s * y - s * 0.07),
                 (cx + s * w * 0.6, cy + s * y - s * 0.07), (cx + s * w, cy + s * y + s * 0.02),
                 (cx + s * w * 0.55, cy + s * y), (cx - s * w * 0.55, cy + s * y)], roof)
    sk.rrect(box(cx, cy, s, -0.18, 0.34, 0.18, 0.42), 0, (176, 100, 60))
    sk.line([(cx, cy - s * 0.35), (cx, cy - s * 0.5)], s * 0.04, GOLD)


DRAW = {
    "gakkou": gakkou, "hatsudensyo": hatsudensyo, "jinjya": jinjya, "kajyuen": kajyuen,
    "kuwabatake": kuwabatake, "onsen": onsen, "denpa": denpa, "pomo": pomo_place, "post": post,
    "recycle": recycle, "smoke": smoke, "tera": tera,
}
# The order in which the map picks a special picture by its random number.
SPECIAL_ORDER = ["gakkou", "hatsudensyo", "jinjya", "kajyuen", "kuwabatake", "onsen", "denpa", "pomo", "post",
                 "recycle", "smoke", "tera"]


def draw(sk, kind, cx, cy, s):
    DRAW[kind](sk, cx, cy, s)

