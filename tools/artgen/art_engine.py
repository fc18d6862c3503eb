"""The engine's own pictures in MENUDATA: the fade cover row, the mouse cursor and the two logos.

Shapes are drawn at four times the final size and averaged down, then laid over the colour each
picture is shown on. Pure black is transparent in the program, so every pixel that is mostly
outside the shapes becomes (0, 0, 0) and no visible pixel is ever pure black.
"""
import math

import numpy as np
from PIL import Image, ImageDraw, ImageFont

SCALE = 4
FONT_FILES = {
    "bold": ["/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
             "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"],
    "plain": ["/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
              "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"],
}


def font(kind, size):
    for path in FONT_FILES[kind]:
        try:
            return ImageFont.truetype(path, size * SCALE)
        except OSError:
            continue
    raise SystemExit("art_engine: no usable font among " + ", ".join(FONT_FILES[kind]))


class Canvas:
    """Premultiplied colour and coverage at SCALE times the final size; coordinates are final pixels."""

    def __init__(self, width, height):
        self.width, self.height = width, height
        self.colour = np.zeros((height * SCALE, width * SCALE, 3))
        self.cover = np.zeros((height * SCALE, width * SCALE))

    def mask(self, draw):
        image = Image.new("L", (self.width * SCALE, self.height * SCALE), 0)
        draw(ImageDraw.Draw(image), SCALE)
        return np.asarray(image, dtype=float) / 255.0

    def paint(self, mask, colour):
        colour = np.asarray(colour, dtype=float)
        if colour.ndim == 1:
            colour = colour[None, None, :]
        self.colour = self.colour * (1 - mask[..., None]) + colour * mask[..., None]
        self.cover = self.cover * (1 - mask) + mask

    def gradient(self, top, bottom, axis=0):
        """A colour array running from top to bottom along rows (axis 0) or columns (axis 1)."""
        steps = self.colour.shape[axis]
        t = np.linspace(0.0, 1.0, steps)
        ramp = np.outer(t, np.asarray(bottom, float)) + np.outer(1 - t, np.asarray(top, float))
        return ramp[:, None, :] if axis == 0 else ramp[None, :, :]

    def finish(self, background):
        """The final picture laid over background; mostly uncovered pixels become transparent black."""
        h, w = self.height, self.width
        colour = self.colour.reshape(h, SCALE, w, SCALE, 3).mean(axis=(1, 3))
        cover = self.cover.reshape(h, SCALE, w, SCALE).mean(axis=(1, 3))
        shown = colour + np.asarray(background, float)[None, None, :] * (1 - cover[..., None])
        pixels = np.clip(np.rint(shown), 0, 255).astype(np.uint8)
        pixels[np.all(pixels == 0, axis=2)] = (8, 8, 8)
        pixels[cover < 0.5] = (0, 0, 0)
        return Image.fromarray(pixels, "RGB")


def rounded_box(box, radius):
    def draw(d, s):
        d.rounded_rectangle([c * s for c in box], radius=radius * s, fill=255)
    return draw


def text_mask(canvas, position, text, face, anchor="la", spacing=0):
    def draw(d, s):
        if not spacing:
            d.text((position[0] * s, position[1] * s), text, font=face, fill=255, anchor=anchor)
            return
        # Letter-spaced small capitals: each glyph placed by hand.
        total = sum(face.getlength(ch) for ch in text) + spacing * s * (len(text) - 1)
        x = position[0] * s - (total / 2 if anchor[0] == "m" else 0)
        for ch in text:
            d.text((x, position[1] * s), ch, font=face, fill=255, anchor="l" + anchor[1])
            x += face.getlength(ch) + spacing * s
    return canvas.mask(draw)


# --- the fade cover ---------------------------------------------------------------------------

def draw_fade():
    """Every cover row shows the top row of this picture across the whole play area: one calm
    dark slate, close to the logo scene's dark grey so that covers blend into it."""
    return Image.new("RGB", (640, 8), (22, 24, 34))


# --- the cursor -------------------------------------------------------------------------------

CURSOR_SHAPE = [
    "O..............",
    "OO.............",
    "OHO............",
    "OHFO...........",
    "OHFFO..........",
    "OHFFFO.........",
    "OHFFFFO........",
    "OHFFFFSO.......",
    "OHFFFFFSO......",
    "OHFFFFFFSO.....",
    "OHFFFSOOOOO....",
    "OHFOFSO........",
    "OHO.OFSO.......",
    "OO..OFSO.......",
    "O....OO........",
]


def draw_cursor():
    """Two 15x15 cells: the normal arrow at x 0 and the pressed arrow at x 16, tip at the cell's
    top left corner. Outline, highlight, body and shade each have their own colour per look."""
    looks = [
        {"O": (28, 30, 58), "H": (255, 255, 255), "F": (244, 242, 232), "S": (196, 204, 222)},
        {"O": (70, 30, 10), "H": (255, 246, 190), "F": (255, 206, 84), "S": (232, 146, 40)},
    ]
    image = Image.new("RGB", (31, 15), (0, 0, 0))
    for cell, look in enumerate(looks):
        for y, row in enumerate(CURSOR_SHAPE):
            for x, key in enumerate(row):
                if key in look:
                    image.putpixel((16 * cell + x, y), look[key])
    return image


# --- the first logo: the game-file emblem, shown on white ------------------------------------

def draw_vyg():
    w, h = 186, 113
    c = Canvas(w, h)
    c.paint(c.mask(rounded_box((3, 5, w - 1, h - 1), 16)), (150, 160, 176))         # soft shadow
    c.paint(c.mask(rounded_box((0, 0, w - 4, h - 6), 16)), c.gradient((34, 92, 146), (14, 44, 92)))
    c.paint(c.mask(rounded_box((4, 4, w - 8, h - 10), 13)), c.gradient((52, 122, 178), (20, 60, 114)))
    ring = c.mask(lambda d, s: d.rounded_rectangle([6 * s, 6 * s, (w - 10) * s, (h - 12) * s],
                                                   radius=11 * s, outline=255, width=s))
    c.paint(ring, (232, 196, 104))

    # The globe: ocean, two land masses, lines of latitude and longitude.
    cx, cy, r = 44, 52, 29
    globe = c.mask(lambda d, s: d.ellipse([(cx - r) * s, (cy - r) * s, (cx + r) * s, (cy + r) * s], fill=255))
    c.paint(globe, c.gradient((96, 180, 226), (40, 110, 180)))
    land = c.mask(lambda d, s: (
        d.polygon([(x * s, y * s) for x, y in [(24, 34), (36, 28), (46, 33), (44, 44), (36, 50), (30, 62),
                                               (24, 58), (20, 46)]], fill=255),
        d.polygon([(x * s, y * s) for x, y in [(52, 44), (62, 40), (70, 50), (66, 66), (56, 74), (50, 62)]],
                  fill=255)))
    c.paint(land * globe, c.gradient((132, 200, 104), (64, 146, 74)))
    grid = c.mask(lambda d, s: (
        [d.arc([(cx - k) * s, (cy - r) * s, (cx + k) * s, (cy + r) * s], 0, 360, fill=255, width=s // 2 + 1)
         for k in (10, 20)],
        [d.line([(cx - r) * s, (cy + k) * s, (cx + r) * s, (cy + k) * s], fill=255, width=s // 2 + 1)
         for k in (-15, 0, 15)]))
    c.paint(grid * globe * 0.35, (255, 255, 255))
    rim = c.mask(lambda d, s: d.ellipse([(cx - r) * s, (cy - r) * s, (cx + r) * s, (cy + r) * s],
                                        outline=255, width=2 * s))
    c.paint(rim, (238, 244, 250))

    # A dotted route from the globe to a map pin above the lettering.
    route = c.mask(lambda d, s: [
        d.ellipse([(x - 1.2) * s, (y - 1.2) * s, (x + 1.2) * s, (y + 1.2) * s], fill=255)
        for x, y in ((66 + 9 * i, 26 - 12 * math.sin(math.pi * i / 9)) for i in range(1, 9))])
    c.paint(route, (255, 236, 170))
    px, py = 150, 24
    pin = c.mask(lambda d, s: (
        d.ellipse([(px - 7) * s, (py - 16) * s, (px + 7) * s, (py - 2) * s], fill=255),
        d.polygon([((px - 6) * s, (py - 6) * s), ((px + 6) * s, (py - 6) * s), (px * s, (py + 6) * s)],
                  fill=255)))
    c.paint(pin, c.gradient((240, 86, 70), (176, 36, 40)))
    hole = c.mask(lambda d, s: d.ellipse([(px - 3) * s, (py - 12) * s, (px + 3) * s, (py - 6) * s], fill=255))
    c.paint(hole, (255, 240, 230))

    # The lettering.
    big = font("bold", 34)
    c.paint(text_mask(c, (128, 66), "VYG", big, "mm"), (10, 28, 60))
    c.paint(text_mask(c, (126, 64), "VYG", big, "mm"), c.gradient((255, 255, 255), (214, 228, 244)))
    c.paint(text_mask(c, (126, 90), "GAME VOYAGE", font("bold", 8), "mm", spacing=1.5), (236, 200, 110))
    return c.finish((255, 255, 255))


# --- the second logo: the maker's mark, shown on dark grey ------------------------------------

def leaf_outline(base, length, width, angle, bend=0.12, steps=48):
    """A pointed leaf from base, along angle (radians), slightly curved; a polygon in final pixels."""
    ux, uy = math.cos(angle), math.sin(angle)
    vx, vy = -uy, ux
    edge = []
    for side in (1, -1):
        ts = np.linspace(0, 1, steps) if side == 1 else np.linspace(1, 0, steps)
        for t in ts:
            half = width / 2 * math.sin(math.pi * t) ** 0.8 * (1 - 0.25 * t)
            curve = bend * length * math.sin(math.pi * t)
            edge.append((base[0] + ux * t * length + vx * (side * half + curve),
                         base[1] + uy * t * length + vy * (side * half + curve)))
    return edge


def draw_leaf(c, base, length, width, angle, dark, light):
    outline = leaf_outline(base, length, width, angle)
    shape = c.mask(lambda d, s: d.polygon([(x * s, y * s) for x, y in outline], fill=255))
    c.paint(shape, c.gradient(light, dark, axis=1) * 0.5 + c.gradient(light, dark, axis=0) * 0.5)
    ux, uy = math.cos(angle), math.sin(angle)
    vx, vy = -uy, ux

    def along(t, off=0.0):
        curve = 0.12 * length * math.sin(math.pi * t)
        return (base[0] + ux * t * length + vx * (curve + off), base[1] + uy * t * length + vy * (curve + off))

    def veins(d, s):
        rib = [along(t) for t in np.linspace(0, 0.92, 24)]
        d.line([(x * s, y * s) for x, y in rib], fill=255, width=s + s // 2)
        for k, t in enumerate(np.linspace(0.18, 0.78, 5)):
            for side in (1, -1):
                start = along(t)
                end = along(t + 0.14, side * width * 0.34 * math.sin(math.pi * t))
                d.line([start[0] * s, start[1] * s, end[0] * s, end[1] * s], fill=255, width=s)
    c.paint(c.mask(veins) * shape * 0.55, (220, 246, 190))


def draw_mossleaf_logo():
    w, h = 289, 77
    c = Canvas(w, h)
    # Leaf motif: a large leaf and a small one growing from the same stem.
    stem = c.mask(lambda d, s: d.line([16 * s, 70 * s, 28 * s, 54 * s], fill=255, width=2 * s))
    c.paint(stem, (96, 150, 70))
    draw_leaf(c, (27, 55), 44, 26, math.radians(-62), (34, 112, 58), (150, 214, 96))
    draw_leaf(c, (24, 59), 26, 14, math.radians(-150), (46, 120, 52), (168, 222, 110))

    word = font("bold", 38)
    left = 74
    moss = "Moss"
    split = left + word.getlength(moss) / SCALE
    c.paint(text_mask(c, (left, 44), moss, word, "ls"), c.gradient((250, 248, 236), (214, 216, 196)))
    c.paint(text_mask(c, (split, 44), "leaf", word, "ls"), c.gradient((178, 232, 116), (84, 170, 80)))
    rule = c.mask(lambda d, s: d.rectangle([left * s, 52 * s, (w - 6) * s, 53 * s], fill=255))
    c.paint(rule * c.gradient((0.9,) * 3, (0.1,) * 3, axis=1)[..., 0], (120, 170, 100))
    c.paint(text_mask(c, (left + 1, 57), "GAMES & SOFTWARE", font("plain", 9), "lt", spacing=2.0),
            (186, 204, 176))
    return c.finish((16, 16, 16))


PICTURES = {
    "fade.bmp": draw_fade,
    "cursor.bmp": draw_cursor,
    "vyg.bmp": draw_vyg,
    "mossleaf_logo.bmp": draw_mossleaf_logo,
}


def make(out):
    for name, draw in PICTURES.items():
        draw().save(out / name, "BMP")
    return list(PICTURES)
