"""The menu's backdrop and decorations, its version button and the look of every push button.

The left of the screen is open sea, on which the island map floats; the right is a lighter band
where the information panel stands and a column of faint words drifts upwards.
"""
import functools

import numpy as np
from PIL import Image

import pomo
from artkit import (BROWN, BROWN_DARK, CREAM, GOLD_LIGHT, ORANGE, ORANGE_LIGHT, SEA_BOTTOM, SEA_TOP, SHADOW,
                    TITLE_STROKE, WHITE, Sketch, mix, save)

BAND_LEFT = 367          # the text column's left edge, where the lighter band starts


@functools.lru_cache(maxsize=None)
def background():
    """Sea with slow ripples and a faint chart grid, a lighter band on the right."""
    h, w = 360, 640
    y, x = np.mgrid[0:h, 0:w].astype(float)
    t = (y / (h - 1))[..., None]
    sea = np.asarray(SEA_TOP, float) * (1 - t) + np.asarray(SEA_BOTTOM, float) * t
    ripple = np.sin(x / 23.0 + np.sin(y / 17.0) * 1.6) * np.sin(y / 9.0 + x / 61.0)
    sea += (ripple * 7.0)[..., None]
    grid = np.maximum(np.cos(2 * np.pi * x / 48.0), np.cos(2 * np.pi * y / 48.0))
    sea += (np.clip(grid - 0.985, 0, None) / 0.015 * 14.0)[..., None]
    band = np.clip((x - BAND_LEFT) / 3.0, 0, 1)[..., None]
    sea = sea * (1 - 0.28 * band) + np.asarray((236, 244, 250), float) * 0.28 * band
    edge = np.exp(-((x - BAND_LEFT) / 1.2) ** 2)[..., None]
    sea = sea * (1 - 0.6 * edge) + np.asarray(CREAM, float) * 0.6 * edge
    image = Image.fromarray(np.clip(np.rint(sea), 1, 255).astype(np.uint8), "RGB")
    sk = Sketch(w, h)
    sk.rrect([0, 0, w, h], 0, sk.picture(image))
    for k, (cx, cy, r) in enumerate(((395, 330, 46), (612, 18, 30))):
        sk.ellipse([cx - r, cy - r, cx + r, cy + r], WHITE, 0.07, blur=r * 0.4)
    return sk.finish()


def text_tile():
    """Faint words about the island; the tile repeats in a column scrolling upwards."""
    sk = Sketch(273, 121)
    ink = mix(background().getpixel((BAND_LEFT + 100, 150)), WHITE, 0.22)
    rows = [(6, 2, "ROBINA ISLAND", 13), (150, 4, "ロビナじま", 16), (14, 26, "たびのきろく ・ TRAVEL NOTES", 11),
            (40, 44, "ポモのロビナ", 22), (196, 52, "MAP", 14), (6, 76, "がっこう ・ じんじゃ ・ おんせん ・ おてら", 10),
            (20, 93, "いってらっしゃい！", 16), (178, 98, "ROBINA", 12)]
    for x, y, words, size in rows:
        sk.text((x, y), words, size, ink, weight=0.3)
    return sk.finish(background().getpixel((BAND_LEFT + 100, 150)))


def title_words():
    """The title text that sweeps in over the information panel."""
    sk = Sketch(311, 44)
    sk.title_text((4, 3), "ロビナじま マップ", 27, CREAM, TITLE_STROKE, 3.0)
    sk.text((190, 33), "ROBINA ISLAND MAP", 8.5, GOLD_LIGHT, weight=0.2)
    sk.line([(6, 38), (184, 38)], 1.2, GOLD_LIGHT, 0.8)
    return sk.finish(background().getpixel((470, 40)))


def version_button(over):
    sk = Sketch(31, 33)
    glow = GOLD_LIGHT if over else CREAM
    if over:
        sk.ellipse([0, 1, 31, 32], GOLD_LIGHT, 0.6, blur=1.5)
    sk.ellipse([2, 4, 29, 31], BROWN_DARK)
    sk.ellipse([2, 2, 29, 29], sk.vgrad(glow, mix(glow, ORANGE, 0.35), 2, 29))
    sk.ellipse([4, 4, 27, 27], mix(glow, WHITE, 0.4), 0.5)
    pomo.draw(sk, 14.5, 16, 7.2, pomo.pose(feet="none", wing=60 if over else 0, eye="happy" if over else "open"))
    return sk.finish(background().getpixel((27, 331)))


# --- push buttons ------------------------------------------------------------------------------

LOOKS = {   # face colours, vertical offset and flash for base, over and the three press frames
    "": (ORANGE_LIGHT, ORANGE, 0, 0.0),
    "_over": (mix(ORANGE_LIGHT, GOLD_LIGHT, 0.6), mix(ORANGE, ORANGE_LIGHT, 0.6), 0, 0.0),
    "_down1": (ORANGE, mix(ORANGE, BROWN, 0.3), 1, 0.0),
    "_down2": (mix(ORANGE, BROWN, 0.25), mix(ORANGE, BROWN, 0.5), 2, 0.0),
    "_down3": (mix(ORANGE_LIGHT, WHITE, 0.5), ORANGE_LIGHT, 1, 0.6),
}


def arrow(sk, cx, cy, size, direction, colour):
    d = direction
    sk.poly([(cx - d * size * 0.5, cy - size * 0.6), (cx + d * size * 0.6, cy), (cx - d * size * 0.5, cy + size * 0.6)],
            colour)


def button(w, h, label, size, look, under, marker=0):
    """One frame of a push button: a rounded orange key with a brown base that sinks when pressed;
    marker -1 or 1 puts an arrow pointing that way beside the label."""
    top, bottom, sink, flash = LOOKS[look]
    depth = 3 if h < 30 else 4
    sk = Sketch(w, h)
    radius = (h - depth) / 2
    sk.rrect([0.5, depth, w - 0.5, h - 0.5], radius, BROWN_DARK)
    face = [0.5, sink, w - 0.5, h - depth + sink - 0.5]
    sk.rrect(face, radius, sk.vgrad(top, bottom, face[1], face[3]))
    sk.rrect([face[0] + 3, face[1] + 1.5, face[2] - 3, face[1] + (face[3] - face[1]) * 0.45], radius * 0.8, WHITE,
             0.25 + 0.4 * flash)
    if look == "_over":
        sk.rrect(face, radius, GOLD_LIGHT, 0.35, blur=0)
    cy = (face[1] + face[3]) / 2
    words = sk.text_width(label, size)
    cx = w / 2 - marker * 6
    if marker:
        ax = cx + marker * (words / 2 + 12)
        arrow(sk, ax + 0.8, cy + 0.8, 8, marker, SHADOW)
        arrow(sk, ax, cy, 8, marker, CREAM)
    sk.title_text((cx, cy + 0.5), label, size, CREAM, BROWN, max(1.5, size * 0.12), anchor="mm", shadow=None)
    return sk.finish(under)


def button_group(name, w, h, label, size, under, marker=0):
    """The five pictures of a button: base, over and the three press frames."""
    pictures = {}
    for look in LOOKS:
        file = "b_%s%s.bmp" % (name, look)
        pictures[file] = button(w, h, label, size, look, under, marker)
    return pictures


PANEL_UNDER = (100, 66, 42)      # inside the records list frame


def make(out):
    under = background().getpixel((560, 300))
    pictures = {
        "menu_bg.bmp": background(),
        "text.bmp": text_tile(),
        "text_logo.bmp": title_words(),
        "b_version.bmp": version_button(False),
        "b_version_over.bmp": version_button(True),
    }
    pictures.update(button_group("left", 115, 26, "まえ", 14, under, marker=-1))
    pictures.update(button_group("right", 115, 26, "つぎ", 14, under, marker=1))
    pictures.update(button_group("return", 97, 35, "もどる", 16, under))
    pictures.update(button_group("help", 123, 44, "あそびかた", 17, PANEL_UNDER))
    pictures.update(button_group("ranking", 123, 44, "ランキング", 17, PANEL_UNDER))
    return save(pictures, out)

