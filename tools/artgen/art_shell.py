"""The shell's own resource pictures: the program icon, the game-file icon, the high-score icon and
the picture at the top of the start-up settings dialog.

These are compiled into the program's resources directly (not packed into MENUDATA). Everything is
drawn large with plain shapes and scaled down, so every icon size is smooth.
"""
import math
import pathlib

from PIL import Image, ImageDraw, ImageFilter, ImageFont

ICON_SIZES = [(16, 16), (24, 24), (32, 32), (48, 48)]
CANVAS = 256                 # icons are drawn at this size and scaled down
STARTUP_SIZE = (322, 162)    # the picture control of the start-up dialog, in pixels at 96 dpi
FONT_PATHS = ["/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf",
              "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
              "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf"]

BROWN = (120, 78, 46, 255)
BROWN_DARK = (84, 52, 30, 255)
ORANGE = (238, 120, 44, 255)
CREAM = (255, 240, 214, 255)
BEAK = (250, 190, 60, 255)
INK = (30, 24, 20, 255)
WHITE = (255, 255, 255, 255)
GOLD = (240, 186, 40, 255)
GOLD_DARK = (178, 120, 20, 255)
GOLD_LIGHT = (255, 232, 140, 255)


def draw_bird(draw, cx, cy, r):
    """A round robin facing right: brown back, orange breast, a beak, an eye with a glint."""
    tail = [(cx - r * 0.75, cy + r * 0.15), (cx - r * 1.35, cy - r * 0.2), (cx - r * 1.25, cy + r * 0.45)]
    draw.polygon(tail, fill=BROWN_DARK)
    draw.ellipse([cx - r, cy - r, cx + r, cy + r], fill=BROWN)
    draw.ellipse([cx - r * 0.35, cy - r * 0.35, cx + r * 0.95, cy + r * 0.95], fill=ORANGE)
    draw.ellipse([cx - r * 0.05, cy + r * 0.35, cx + r * 0.7, cy + r * 0.92], fill=CREAM)
    wing = [cx - r * 0.75, cy - r * 0.05, cx + r * 0.15, cy + r * 0.7]
    draw.chord(wing, 0, 360, fill=BROWN_DARK)
    beak = [(cx + r * 0.88, cy - r * 0.28), (cx + r * 1.32, cy - r * 0.12), (cx + r * 0.9, cy + r * 0.02)]
    draw.polygon(beak, fill=BEAK)
    ex, ey, er = cx + r * 0.45, cy - r * 0.35, r * 0.16
    draw.ellipse([ex - er, ey - er, ex + er, ey + er], fill=INK)
    gr = er * 0.4
    draw.ellipse([ex - gr * 0.2, ey - er * 0.7, ex + gr * 1.6, ey - er * 0.7 + gr * 1.8], fill=WHITE)
    foot_y = cy + r * 0.98
    for fx in (cx - r * 0.2, cx + r * 0.25):
        draw.line([(fx, foot_y - r * 0.1), (fx, foot_y + r * 0.18)], fill=BEAK, width=max(1, int(r * 0.08)))


def star_points(cx, cy, outer, inner, points=5, turn=-math.pi / 2):
    result = []
    for i in range(points * 2):
        radius = outer if i % 2 == 0 else inner
        angle = turn + i * math.pi / points
        result.append((cx + radius * math.cos(angle), cy + radius * math.sin(angle)))
    return result


def program_icon():
    img = Image.new("RGBA", (CANVAS, CANVAS), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.ellipse([8, 8, 248, 248], fill=(70, 150, 210, 255))
    d.ellipse([20, 20, 236, 236], fill=(140, 200, 240, 255))
    d.pieslice([20, 20, 236, 236], 20, 160, fill=(110, 180, 90, 255))
    draw_bird(d, 128, 118, 72)
    return img


def game_file_icon():
    img = Image.new("RGBA", (CANVAS, CANVAS), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    page = [(40, 12), (176, 12), (220, 56), (220, 244), (40, 244)]
    d.polygon(page, fill=(90, 90, 100, 255))
    d.polygon([(p[0] + (8 if p[0] < 128 else -8), p[1] + (8 if p[1] < 128 else -8)) for p in page], fill=WHITE)
    d.polygon([(176, 12), (176, 56), (220, 56)], fill=(200, 200, 210, 255))
    d.rectangle([48, 176, 212, 236], fill=(70, 150, 210, 255))
    for i, x in enumerate(range(64, 200, 36)):
        d.ellipse([x, 196, x + 20, 216], fill=(255, 220, 90, 255) if i % 2 == 0 else WHITE)
    draw_bird(d, 118, 100, 50)
    return img


def high_score_icon():
    img = Image.new("RGBA", (CANVAS, CANVAS), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.arc([20, 40, 100, 130], 90, 270, fill=GOLD_DARK, width=16)
    d.arc([156, 40, 236, 130], 270, 90, fill=GOLD_DARK, width=16)
    d.chord([48, -40, 208, 170], 0, 180, fill=GOLD)
    d.rectangle([48, 20, 208, 65], fill=GOLD)
    d.chord([70, 40, 110, 150], 90, 270, fill=GOLD_LIGHT)
    d.rectangle([112, 160, 144, 196], fill=GOLD_DARK)
    d.rounded_rectangle([68, 196, 188, 236], radius=10, fill=(120, 70, 40, 255))
    d.rectangle([92, 206, 164, 226], fill=GOLD_LIGHT)
    d.polygon(star_points(128, 82, 44, 18), fill=WHITE)
    d.polygon(star_points(128, 84, 34, 14), fill=(255, 120, 60, 255))
    return img


def save_icon(picture, path):
    frames = [picture.resize(size, Image.LANCZOS) for size in ICON_SIZES]
    frames[-1].save(path, format="ICO", sizes=ICON_SIZES, bitmap_format="bmp", append_images=frames[:-1])


def font(size):
    for candidate in FONT_PATHS:
        if pathlib.Path(candidate).exists():
            return ImageFont.truetype(candidate, size)
    return ImageFont.load_default()


def startup_picture():
    """A travel map at dusk: hills, a dotted route between destination flags, the bird and the title."""
    scale = 3
    w, h = STARTUP_SIZE[0] * scale, STARTUP_SIZE[1] * scale
    img = Image.new("RGB", (w, h))
    d = ImageDraw.Draw(img)
    top, bottom = (96, 160, 230), (255, 214, 170)
    for y in range(h):
        t = y / (h - 1)
        d.line([(0, y), (w, y)], fill=tuple(int(a + (b - a) * t) for a, b in zip(top, bottom)))
    d.ellipse([w * 0.78, h * 0.08, w * 0.92, h * 0.08 + w * 0.14], fill=(255, 246, 200))
    d.ellipse([-w * 0.2, h * 0.55, w * 0.6, h * 1.5], fill=(120, 180, 100))
    d.ellipse([w * 0.35, h * 0.6, w * 1.3, h * 1.6], fill=(96, 160, 86))
    d.ellipse([w * 0.1, h * 0.78, w * 0.9, h * 1.8], fill=(140, 196, 110))
    route = [(w * 0.12, h * 0.9), (w * 0.3, h * 0.76), (w * 0.52, h * 0.86), (w * 0.72, h * 0.72), (w * 0.9, h * 0.82)]
    for (x0, y0), (x1, y1) in zip(route, route[1:]):
        steps = int(math.hypot(x1 - x0, y1 - y0) // (6 * scale))
        for i in range(steps):
            if i % 2 == 0:
                px, py = x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps
                d.ellipse([px - 1.5 * scale, py - 1.5 * scale, px + 1.5 * scale, py + 1.5 * scale], fill=WHITE[:3])
    for i, (x, y) in enumerate(route):
        d.line([(x, y), (x, y - 14 * scale)], fill=(90, 60, 40), width=scale)
        colour = [(230, 70, 60), (250, 190, 50), (70, 130, 220)][i % 3]
        d.polygon([(x, y - 14 * scale), (x + 9 * scale, y - 11 * scale), (x, y - 8 * scale)], fill=colour)
    draw_bird(d, w * 0.2, h * 0.42, 22 * scale)
    title = "ポモのロビナ"
    title_font = font(30 * scale)
    box = d.textbbox((0, 0), title, font=title_font)
    tx = w * 0.62 - (box[2] - box[0]) / 2
    ty = h * 0.22
    shadow = Image.new("L", (w, h), 0)
    ImageDraw.Draw(shadow).text((tx + 2 * scale, ty + 2 * scale), title, font=title_font, fill=160,
                                stroke_width=3 * scale, stroke_fill=160)
    img.paste((60, 40, 30), mask=shadow.filter(ImageFilter.GaussianBlur(2 * scale)))
    d.text((tx, ty), title, font=title_font, fill=(255, 250, 235), stroke_width=3 * scale,
           stroke_fill=(200, 90, 40))
    sub = "START UP"
    sub_font = font(9 * scale)
    sbox = d.textbbox((0, 0), sub, font=sub_font)
    d.text((w * 0.62 - (sbox[2] - sbox[0]) / 2, ty + (box[3] - box[1]) + 8 * scale), sub, font=sub_font,
           fill=(255, 255, 255), stroke_width=scale, stroke_fill=(120, 80, 60))
    return img.resize(STARTUP_SIZE, Image.LANCZOS)


def make(out):
    out = pathlib.Path(out)
    save_icon(program_icon(), out / "robina.ico")
    save_icon(game_file_icon(), out / "vygfile.ico")
    save_icon(high_score_icon(), out / "highscore.ico")
    startup_picture().save(out / "startup.bmp", format="BMP")
    return []
