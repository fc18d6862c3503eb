"""The title scene: a dusk hillside by the sea, the product logo, the click hint, the zumi sprite,
the little island map, the credit plate, the racing lines and Pomo's arrival in 34 frames.

The 34 frames are one movement, drawn at (68, 0) over the hillside: Pomo flies down facing left,
lands, turns round (frames 1-15), crouches for a spring (frame 16, held while the scene waits),
jumps with a backward somersault, lands and waves (17-34). "title.bmp" is the last frame's pose with
a sparkle added, so the swap to it at the end is seamless.
"""
import functools
import math

import numpy as np
from PIL import Image

import island
import pomo
import zumi
from artkit import (BROWN, BROWN_DARK, CREAM, GOLD_LIGHT, GRASS, GRASS_DARK, GRASS_LIGHT, INK, LEAF, ORANGE,
                    SKY_BOTTOM, SKY_TOP, TITLE_STROKE, WHITE, Sketch, mix, save, star_points)

FRAME_AT = (68, 0)
FRAME_SIZE = 312
GROUND = 274            # screen row Pomo's feet stand on
R = 84                  # Pomo's body radius in the title frames
HOME_X = 150            # Pomo's centre in the frames while standing


@functools.lru_cache(maxsize=None)
def background():
    sk = Sketch(640, 360)
    sk.rrect([0, 0, 640, 360], 0, sk.vgrad(SKY_TOP, SKY_BOTTOM, 0, 250))
    sk.ellipse([520, 150, 680, 310], (255, 240, 190), 0.6, blur=30)
    sk.ellipse([570, 178, 630, 238], (255, 246, 206))
    rng = np.random.default_rng(17)
    for _ in range(7):
        x, y, s = rng.uniform(0, 640), rng.uniform(20, 170), rng.uniform(22, 44)
        for dx, dy, r in ((0, 0, 1.0), (0.8, 0.15, 0.7), (-0.8, 0.2, 0.6), (0.3, -0.35, 0.6)):
            sk.ellipse([x + dx * s - r * s, y + dy * s - r * s * 0.55, x + dx * s + r * s, y + dy * s + r * s * 0.55],
                       (255, 250, 244), 0.75, blur=2)
    sea_top = 238
    sk.rrect([0, sea_top, 640, 360], 0, sk.vgrad((120, 176, 220), (70, 130, 196), sea_top, 300))
    for k in range(10):
        y = sea_top + 4 + k * 6
        sk.line([(rng.uniform(380, 600), y), (rng.uniform(610, 660), y)], 1, (255, 236, 200), 0.4)
    sk.poly([(470, sea_top + 1), (500, 222), (530, 214), (560, 222), (600, sea_top + 1)], (96, 140, 120))
    sk.ellipse([-230, 262, 640, 760], sk.vgrad(GRASS_LIGHT, GRASS_DARK, 262, 360))
    sk.ellipse([330, 300, 760, 520], GRASS)
    for _ in range(60):
        x, y = rng.uniform(0, 520), rng.uniform(282, 356)
        colour = [(255, 250, 240), (255, 214, 90), (250, 150, 160)][int(rng.integers(0, 3))]
        sk.ellipse([x - 1.6, y - 1.6, x + 1.6, y + 1.6], colour, 0.9)
    return sk.finish()


def under(x, y, w, h):
    return background().crop((x, y, x + w, y + h))


# --- Pomo's movement ------------------------------------------------------------------------------

def standing_y(sy=1.0):
    return GROUND - FRAME_AT[1] - pomo.FOOT_DEPTH * R * sy


def flight(i):
    """Frames 1-9: a swoop down from above the right of the hillside, facing left, wings beating."""
    t = (i - 1) / 8.0
    start, bend, end = (176, -58), (196, 100), (HOME_X + 8, standing_y() - 30)
    x = (1 - t) ** 2 * start[0] + 2 * t * (1 - t) * bend[0] + t * t * end[0]
    y = (1 - t) ** 2 * start[1] + 2 * t * (1 - t) * bend[1] + t * t * end[1]
    wing = 95 if i % 2 else -25
    feet = "stand" if i >= 8 else "tuck"
    if i == 9:
        return x, y, pomo.pose(face=-1, wing=100, tilt=6, feet=feet)
    return x, y, pomo.pose(face=-1, wing=wing, tilt=-12, feet=feet)


# Frames 10-34: (centre x, height above standing, pose changes); squash keeps the feet on the ground.
MOVES = {
    10: (HOME_X, 0, dict(face=-1, sx=1.16, sy=0.78, wing=40)),
    11: (HOME_X, 0, dict(face=-1, sx=0.94, sy=1.08, wing=-10)),
    12: (HOME_X, 0, dict(face=-0.55, sy=0.97)),
    13: (HOME_X, 0, dict(face=0.25)),
    14: (HOME_X, 0, dict(face=0.7)),
    15: (HOME_X, 0, dict(beak=0.35)),
    16: (HOME_X, 0, dict(sx=1.14, sy=0.8, eye="squeeze", wing=-25, tilt=6)),
    17: (HOME_X, 20, dict(sx=0.86, sy=1.22, wing=95)),
    18: (HOME_X, 55, dict(sx=0.95, sy=1.1, wing=-20, tilt=-30)),
    19: (HOME_X, 76, dict(wing=60, tilt=-95, feet="tuck")),
    20: (HOME_X, 84, dict(wing=60, tilt=-165, feet="tuck", eye="squeeze")),
    21: (HOME_X, 84, dict(wing=60, tilt=-240, feet="tuck", eye="squeeze")),
    22: (HOME_X, 74, dict(wing=60, tilt=-310, feet="tuck")),
    23: (HOME_X, 55, dict(wing=95, tilt=-352)),
    24: (HOME_X, 32, dict(wing=-10)),
    25: (HOME_X, 10, dict(wing=90)),
    26: (HOME_X, 0, dict(sx=1.16, sy=0.78, wing=30)),
    27: (HOME_X, 0, dict(sx=0.93, sy=1.1, wing=80)),
    28: (HOME_X, 0, dict(sy=0.96, wing=10)),
    29: (HOME_X, 0, dict(wing=20)),
    30: (HOME_X, 0, dict(wing=55, beak=0.3)),
    31: (HOME_X, 0, dict(wing=85, beak=0.8, eye="happy")),
    32: (HOME_X, 0, dict(wing=55, beak=1.0, eye="happy")),
    33: (HOME_X, 0, dict(wing=90, beak=0.8)),
    34: (HOME_X, 0, dict(wing=75, beak=1.0)),
}
FLIPPING = (19, 20, 21, 22)


def place(i):
    if i <= 9:
        return flight(i)
    x, height, changes = MOVES[i]
    p = pomo.pose(**changes)
    return x, standing_y(p["sy"]) - height, p


def shadow(sk, x, height):
    """A patch of darker grass under Pomo that shrinks as it rises."""
    size = max(0.25, 1.0 - height / 260.0)
    y = GROUND - FRAME_AT[1] + 2
    dark = Image.eval(under(FRAME_AT[0], FRAME_AT[1], FRAME_SIZE, FRAME_SIZE), lambda v: int(v * 0.72))
    sk.ellipse([x - R * 0.95 * size, y - R * 0.12 * size, x + R * 0.95 * size, y + R * 0.12 * size],
               sk.picture(dark), 0.9)


def swoosh(sk, x, y, i):
    turn = math.radians(-80 * (i - 18))
    for k in range(2):
        r = R * (1.35 + 0.18 * k)
        arc = [(x + r * math.cos(turn + a), y + r * math.sin(turn + a)) for a in np.linspace(0.2, 1.6, 16)]
        sk.line(arc, 4 - k * 1.5, (255, 250, 235), 0.85)


def character(i, width=FRAME_SIZE, height=FRAME_SIZE, sparkle=False):
    sk = Sketch(width, height)
    x, y, p = place(i)
    if i >= 10:
        shadow(sk, x, standing_y(p["sy"]) - y)
    elif i == 9:
        shadow(sk, x, standing_y() - y)
    if i in FLIPPING:
        swoosh(sk, x, y, i)
    pomo.draw(sk, x, y, R, p)
    if sparkle:
        for sx, sy, s in ((252, 70, 13), (286, 104, 8), (226, 40, 7), (300, 146, 5), (34, 70, 6)):
            sk.poly(star_points(sx, sy, s, s * 0.32, 4), GOLD_LIGHT)
            sk.poly(star_points(sx, sy, s * 0.5, s * 0.16, 4), WHITE)
    return sk.finish(under(FRAME_AT[0], FRAME_AT[1], width, height))


# --- the other title pictures -----------------------------------------------------------------------

def product_logo():
    w, h = 323, 121
    sk = Sketch(w, h)
    sk.rrect([6, 18, 317, 114], 40, WHITE, 0.35, blur=8)
    sk.title_text((22, 34), "ポモの", 30, CREAM, TITLE_STROKE, 4.5, anchor="lm")
    sk.title_text((96, 76), "ロビナ", 66, CREAM, TITLE_STROKE, 6, anchor="lm")
    sk.text((210, 108), "P O M O   N O   R O B I N A", 7.5, BROWN, anchor="mm", weight=0.4)
    pomo.draw(sk, 278, 30, 17, pomo.pose(wing=110, beak=0.8))
    for x, y, s in ((118, 14, 6), (306, 96, 5), (20, 96, 4)):
        sk.poly(star_points(x, y, s, s * 0.35, 4), GOLD_LIGHT)
    return sk.finish(under(303, 44, w, h))


def click_hint():
    sk = Sketch(175, 19)
    sk.title_text((87.5, 10), "マウスをクリックしてね", 15, CREAM, BROWN, 2.2, anchor="mm", shadow=None)
    return sk.finish(under(71, 328, 175, 19))


def mascot():
    sk = Sketch(61, 52)
    zumi.character(sk, 30, 29, 16, wave=True)
    return sk.finish(under(8, 304, 61, 52))


def title_map():
    """A folded paper map of the island, pinned up beside the hillside."""
    w, h = 121, 233
    sk = Sketch(w, h)
    sk.rrect([4, 6, 119, 231], 4, mix(BROWN_DARK, INK, 0.2), 0.5, blur=2)
    sk.rrect([1, 2, 116, 228], 3, sk.vgrad((255, 248, 230), (246, 226, 190), 2, 228))
    for k in (1, 2):
        sk.rrect([1, 2 + 75.3 * k - 1, 116, 2 + 75.3 * k + 1], 0, (226, 204, 166))
    scale = 0.3
    left, top = 5, 104
    sk.poly([(left + x * scale, top + y * scale) for x, y in island.outline(5)], (150, 206, 230))
    sk.poly([(left + x * scale, top + y * scale) for x, y in island.outline(0)], (240, 220, 170))
    sk.poly([(left + x * scale, top + y * scale) for x, y in island.outline(-5)], mix(GRASS_LIGHT, LEAF, 0.3))
    pins = [(x + 16, y + 16) for x, y in (island.on_map(d) for d in island.DESTINATIONS)]
    route = [(left + x * scale, top + y * scale) for x, y in pins]
    for (x0, y0), (x1, y1) in zip(route, route[1:]):
        for t in np.linspace(0, 1, 6)[:-1]:
            sk.ellipse([x0 + (x1 - x0) * t - 0.9, y0 + (y1 - y0) * t - 0.9, x0 + (x1 - x0) * t + 0.9,
                        y0 + (y1 - y0) * t + 0.9], (220, 70, 50))
    for x, y in route:
        sk.ellipse([x - 3, y - 3, x + 3, y + 3], (236, 70, 56))
    sk.text((58, 40), "N", 12, BROWN, anchor="mm", weight=0.5)
    sk.poly([(58, 48), (63, 70), (58, 66), (53, 70)], TITLE_STROKE)
    sk.text((58, 206), "ロビナじま", 15, BROWN, anchor="mm", weight=0.6)
    sk.ellipse([52, -1, 64, 11], (226, 64, 54))
    sk.ellipse([55, 1, 59, 5], WHITE, 0.6)
    return sk.finish(under(380, 71, w, h))


def credit_plate():
    sk = Sketch(120, 38)
    sk.rrect([1, 3, 119, 37], 9, mix(BROWN_DARK, INK, 0.2), 0.6)
    sk.rrect([0, 1, 118, 35], 9, sk.vgrad((255, 246, 226), (246, 220, 180), 1, 35))
    sk.poly(star_points(14, 17, 7, 3), ORANGE)
    sk.text((26, 13), "Mossleaf", 13, (60, 120, 60), anchor="lm", weight=0.5)
    sk.text((26, 27), "Version 1.04", 9, BROWN, anchor="lm", weight=0.2)
    return sk.finish(under(515, 312, 120, 38))


def racing_lines():
    """Three rows: a bright head on the left (the lines race leftwards) and a tail that breaks up."""
    x = np.arange(640)
    image = np.zeros((3, 640, 3), np.uint8)
    for row, (head, tail) in enumerate((((255, 252, 240), (255, 210, 160)), ((255, 232, 196), (250, 180, 140)),
                                        ((255, 214, 170), (236, 160, 130)))):
        t = (x / 639.0)[:, None]
        colour = np.asarray(head, float) * (1 - t) + np.asarray(tail, float) * t
        gaps = (x > 300) & ((x * (1 + row) // 7) % (2 + np.maximum(x - 300, 0) // 60) != 0)
        colour[gaps] = 0
        image[row] = np.rint(colour).astype(np.uint8)
    return Image.fromarray(image, "RGB")


def make(out):
    pictures = {
        "title_bg.bmp": background(),
        "robina_logo.bmp": product_logo(),
        "mouse_crick.bmp": click_hint(),
        "39zumi2.bmp": mascot(),
        "title.bmp": character(34, 469, 346, sparkle=True),
        "bgline.bmp": racing_lines(),
        "title_map.bmp": title_map(),
        "mini_dws.bmp": credit_plate(),
    }
    for i in range(1, 35):
        pictures["title_pomo%02d.bmp" % i] = character(i)
    return save(pictures, out)
