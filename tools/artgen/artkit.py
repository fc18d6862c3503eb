"""Drawing kit shared by the front end's picture modules.

A sketch keeps two layers at SCALE times the final size: colour painted over black, and coverage.
Shapes are filled with hard edges at that size; reducing both layers by averaging gives smooth edges
and, where a shape only partly covers a final pixel, the colour premultiplied by its coverage. The
finished picture is laid over the colour or picture it is shown on; pixels mostly outside every
shape become pure black, which the program draws as transparent, and no visible pixel is pure black.
"""
import math
import pathlib

import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont

from art_engine import SCALE

FONT_FILES = {"p": "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf",
              "m": "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"}

# The robin's palette, as in the start-up picture and the icons.
BROWN = (120, 78, 46)
BROWN_DARK = (84, 52, 30)
BROWN_LIGHT = (156, 106, 66)
ORANGE = (238, 120, 44)
ORANGE_LIGHT = (252, 160, 80)
CREAM = (255, 240, 214)
BEAK = (250, 190, 60)
INK = (30, 24, 20)
WHITE = (255, 255, 255)
TITLE_STROKE = (200, 90, 40)
SHADOW = (60, 40, 30)
SKY_TOP, SKY_BOTTOM = (96, 160, 230), (255, 214, 170)
GRASS, GRASS_DARK, GRASS_LIGHT = (120, 180, 100), (96, 160, 86), (140, 196, 110)
SEA_TOP, SEA_BOTTOM = (70, 150, 210), (40, 104, 170)
GOLD, GOLD_DARK, GOLD_LIGHT = (240, 186, 40), (178, 120, 20), (255, 232, 140)
BERRY, BERRY_DARK, LEAF = (222, 52, 60), (150, 24, 40), (96, 170, 70)

_fonts = {}


def font(size, kind="p"):
    key = (kind, size)
    if key not in _fonts:
        _fonts[key] = ImageFont.truetype(FONT_FILES[kind], int(round(size * SCALE)))
    return _fonts[key]


def mix(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def ellipse_points(cx, cy, rx, ry, steps=72, turn=0.0):
    """An ellipse as a polygon, so that it can be bent, turned and mirrored like any other shape."""
    c, s = math.cos(turn), math.sin(turn)
    pts = []
    for k in range(steps):
        a = 2 * math.pi * k / steps
        x, y = rx * math.cos(a), ry * math.sin(a)
        pts.append((cx + x * c - y * s, cy + x * s + y * c))
    return pts


def star_points(cx, cy, outer, inner, points=5, turn=-math.pi / 2):
    result = []
    for i in range(points * 2):
        radius = outer if i % 2 == 0 else inner
        angle = turn + i * math.pi / points
        result.append((cx + radius * math.cos(angle), cy + radius * math.sin(angle)))
    return result


class Sketch:
    """Colour over black and coverage, both at SCALE times the final size; coordinates are final pixels."""

    def __init__(self, width, height):
        self.width, self.height = width, height
        self.colour = Image.new("RGB", (width * SCALE, height * SCALE), (0, 0, 0))
        self.cover = Image.new("L", (width * SCALE, height * SCALE), 0)

    def new_mask(self):
        return Image.new("L", self.colour.size, 0)

    def paint(self, mask, paint, alpha=1.0):
        """Lays paint (a colour or a picture at SCALE) over the sketch through mask."""
        if alpha < 1.0:
            mask = mask.point(lambda v: int(v * alpha))
        source = paint if isinstance(paint, Image.Image) else Image.new("RGB", self.colour.size, tuple(paint))
        self.colour.paste(source, (0, 0), mask)
        self.cover.paste(255, (0, 0), mask)

    def shape(self, draw, paint, alpha=1.0, blur=0.0):
        """draw(d, s) draws on a mask in units scaled by s; blur softens it by that many final pixels."""
        mask = self.new_mask()
        draw(ImageDraw.Draw(mask), SCALE)
        if blur:
            mask = mask.filter(ImageFilter.GaussianBlur(blur * SCALE))
        self.paint(mask, paint, alpha)
        return mask

    def poly(self, points, paint, alpha=1.0, blur=0.0):
        return self.shape(lambda d, s: d.polygon([(x * s, y * s) for x, y in points], fill=255), paint, alpha, blur)

    def ellipse(self, box, paint, alpha=1.0, blur=0.0):
        return self.shape(lambda d, s: d.ellipse([c * s for c in box], fill=255), paint, alpha, blur)

    def rrect(self, box, radius, paint, alpha=1.0, blur=0.0):
        return self.shape(lambda d, s: d.rounded_rectangle([c * s for c in box], radius=radius * s, fill=255),
                          paint, alpha, blur)

    def line(self, points, width, paint, alpha=1.0, round_ends=True):
        def draw(d, s):
            pts = [(x * s, y * s) for x, y in points]
            d.line(pts, fill=255, width=max(1, int(width * s)), joint="curve")
            if round_ends:
                for x, y in (pts[0], pts[-1]):
                    d.ellipse([x - width * s / 2, y - width * s / 2, x + width * s / 2, y + width * s / 2], fill=255)
        return self.shape(draw, paint, alpha)

    def text(self, xy, words, size, paint, anchor="la", kind="p", weight=0.0, alpha=1.0):
        """Text in the IPA Gothic faces; weight thickens the strokes by that many final pixels."""
        face = font(size, kind)
        return self.shape(lambda d, s: d.text((xy[0] * s, xy[1] * s), words, font=face, fill=255, anchor=anchor,
                                              stroke_width=int(weight * s), stroke_fill=255), paint, alpha)

    def title_text(self, xy, words, size, fill, stroke, outline, anchor="la", kind="p", shadow=SHADOW):
        """Lettering of the product's titles: a soft shadow, a coloured outline and a thickened face."""
        face = font(size, kind)

        def drawn(dx, dy, width):
            return lambda d, s: d.text(((xy[0] + dx) * s, (xy[1] + dy) * s), words, font=face, fill=255,
                                       anchor=anchor, stroke_width=int(width * s), stroke_fill=255)
        if shadow:
            self.shape(drawn(outline * 0.5, outline * 0.6, outline), shadow, 0.6, blur=outline * 0.4)
        self.shape(drawn(0, 0, outline), stroke)
        self.shape(drawn(0, 0, size * 0.035), fill)

    def text_width(self, words, size, kind="p"):
        return font(size, kind).getlength(words) / SCALE

    def vgrad(self, top, bottom, y0=0.0, y1=None):
        """A picture at SCALE running from colour top at row y0 to bottom at row y1 (final pixels)."""
        return gradient_image(self.colour.size, top, bottom, y0 * SCALE, (self.height if y1 is None else y1) * SCALE, 0)

    def hgrad(self, left, right, x0=0.0, x1=None):
        return gradient_image(self.colour.size, left, right, x0 * SCALE, (self.width if x1 is None else x1) * SCALE, 1)

    def picture(self, image, xy=(0, 0)):
        """A finished picture (final size, RGB) laid opaquely at xy, for backgrounds drawn elsewhere."""
        big = image.convert("RGB").resize((image.width * SCALE, image.height * SCALE), Image.NEAREST)
        full = Image.new("RGB", self.colour.size, (0, 0, 0))
        full.paste(big, (int(xy[0] * SCALE), int(xy[1] * SCALE)))
        return full

    def finish(self, background=(0, 0, 0)):
        """The final picture over background (a colour, or an RGB picture of the final size)."""
        colour = np.asarray(self.colour.reduce(SCALE), dtype=float)
        cover = np.asarray(self.cover.reduce(SCALE), dtype=float) / 255.0
        if isinstance(background, Image.Image):
            under = np.asarray(background.convert("RGB"), dtype=float)
        else:
            under = np.asarray(background, dtype=float)[None, None, :]
        shown = colour + under * (1 - cover[..., None])
        pixels = np.clip(np.rint(shown), 0, 255).astype(np.uint8)
        pixels[np.all(pixels == 0, axis=2)] = (8, 8, 8)
        pixels[cover < 0.5] = (0, 0, 0)
        return Image.fromarray(pixels, "RGB")


WOOD_TOP, WOOD_BOTTOM = (112, 74, 46), (86, 56, 34)


def panel(sk, box, radius, border=5):
    """The panel look: an orange rim, a dark wooden inside."""
    x0, y0, x1, y1 = box
    sk.rrect([x0, y0 + 2, x1, y1], radius, mix(BROWN_DARK, INK, 0.3))
    sk.rrect([x0, y0, x1, y1 - 2], radius, sk.vgrad(ORANGE_LIGHT, ORANGE, y0, y1))
    sk.rrect([x0 + border, y0 + border, x1 - border, y1 - 2 - border], radius - border * 0.6,
             sk.vgrad(WOOD_TOP, WOOD_BOTTOM, y0, y1))
    sk.rrect([x0 + 1.5, y0 + 1, x1 - 1.5, y0 + 3], 1, WHITE, 0.35)


def gradient_image(size, first, last, start, end, axis):
    steps = size[1] if axis == 0 else size[0]
    t = np.clip((np.arange(steps) - start) / max(end - start, 1e-6), 0.0, 1.0)
    ramp = np.outer(1 - t, np.asarray(first, float)) + np.outer(t, np.asarray(last, float))
    ramp = ramp.astype(np.uint8)
    if axis == 0:
        return Image.fromarray(np.repeat(ramp[:, None, :], size[0], axis=1), "RGB")
    return Image.fromarray(np.repeat(ramp[None, :, :], size[1], axis=0), "RGB")


def save(pictures, out):
    """Writes every picture of the dictionary as a 24-bit BMP; returns the names."""
    for name, image in pictures.items():
        image.convert("RGB").save(pathlib.Path(out) / name, "BMP")
    return list(pictures)
