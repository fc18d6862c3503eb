"""Drawing helpers shared by the art scripts of the game files.

Every game file carries three pictures the shell shows in its menu: "sys_logo.bmp" (256x164, the
information panel), "sys_states.bmp" (256x100, under the logo on the map) and "help.bmp" (640x360,
the help screen). Pictures are written as 24-bit BMP, in which pure black is transparent; sounds as
16-bit mono PCM WAV. Everything is drawn from code with fixed seeds, so builds are repeatable.
"""
import argparse
import math
import pathlib
import sys
import wave

import numpy as np
from PIL import Image, ImageDraw, ImageFont

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools" / "artgen"))
import art_shell  # noqa: E402  the robin of the front end and its palette

FONT_FILE = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"
RATE = 22050
SCALE = 4            # shapes are drawn at this many times the final size and averaged down
NOT_BLACK = (10, 10, 12)  # what a visible pixel that came out pure black is shown as


def out_folder():
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", required=True)
    folder = pathlib.Path(parser.parse_args().out)
    folder.mkdir(parents=True, exist_ok=True)
    return folder


def font(size):
    return ImageFont.truetype(FONT_FILE, size)


def save_bmp(image, path):
    image.convert("RGB").save(str(path), format="BMP")


def gradient(width, height, top, bottom):
    t = np.linspace(0.0, 1.0, height)[:, None, None]
    rows = (np.array(top, float) * (1 - t) + np.array(bottom, float) * t)
    return Image.fromarray(np.repeat(rows, width, axis=1).astype(np.uint8), "RGB")


def shadowed_text(draw, xy, text, size, fill, anchor="la"):
    draw.text((xy[0] + 2, xy[1] + 2), text, font=font(size), fill=(20, 20, 40), anchor=anchor)
    draw.text(xy, text, font=font(size), fill=fill, anchor=anchor)


def standard_pictures(folder, title, subtitle, help_lines, top, bottom, accent, logo=None):
    """The three menu pictures of a game file: logo (drawn here unless given), status strip and
    help page, the last with the robin in its corner."""
    s = SCALE
    accent = tuple(accent) + (255,)
    if logo is None:
        image, pen = big_gradient(256, 164, top, bottom)
        pen.rounded_rectangle((6 * s, 6 * s, 249 * s, 157 * s), radius=14 * s, outline=accent, width=3 * s)
        big_text(pen, (128, 70), title, 30, (255, 255, 255, 255), anchor="mm")
        big_text(pen, (128, 118), subtitle, 14, (255, 250, 210, 255), anchor="mm")
        logo = finish(image)
    save_bmp(logo, folder / "sys_logo.bmp")

    image, pen = big_gradient(256, 100, bottom, top)
    big_text(pen, (12, 12), title, 18, (255, 255, 255, 255))
    big_text(pen, (12, 48), subtitle, 12, (240, 240, 200, 255))
    save_bmp(finish(image), folder / "sys_states.bmp")

    image, pen = big_gradient(640, 360, top, bottom)
    pen.rounded_rectangle((20 * s, 20 * s, 619 * s, 339 * s), radius=20 * s, outline=accent, width=4 * s)
    big_text(pen, (320, 62), title + " のあそびかた", 32, (255, 255, 255, 255), anchor="mm")
    for i, line in enumerate(help_lines):
        big_text(pen, (60, 120 + i * 34), line, 20, (255, 255, 230, 255))
    robin(pen, 575 * s, 300 * s, 24 * s)
    save_bmp(finish(image), folder / "help.bmp")


def save_wav(path, samples):
    data = (np.clip(samples, -1.0, 1.0) * 30000).astype("<i2")
    with wave.open(str(path), "wb") as file:
        file.setnchannels(1)
        file.setsampwidth(2)
        file.setframerate(RATE)
        file.writeframes(data.tobytes())


def tone(freqs, seconds, decay=6.0, shape="sine"):
    """A short note gliding through the given frequencies, with an exponential fade."""
    n = int(RATE * seconds)
    t = np.arange(n) / RATE
    freq = np.interp(t, np.linspace(0, seconds, len(freqs)), freqs)
    phase = 2 * math.pi * np.cumsum(freq) / RATE
    wave_ = np.sin(phase) if shape == "sine" else np.sign(np.sin(phase)) * 0.5
    return wave_ * np.exp(-decay * t) * np.minimum(1.0, t * 400)


# --- drawn large, averaged down ---------------------------------------------------------------

def big(width, height, fill=(0, 0, 0, 0)):
    """A canvas SCALE times the final size (transparent unless filled) and its pen."""
    image = Image.new("RGBA", (width * SCALE, height * SCALE), fill)
    return image, ImageDraw.Draw(image)


def big_gradient(width, height, top, bottom):
    image = gradient(width * SCALE, height * SCALE, top, bottom).convert("RGBA")
    return image, ImageDraw.Draw(image)


def finish(image, edge=(0, 0, 0)):
    """The final picture of a big canvas: averaged down with its coverage, laid over edge (the colour
    it is mostly seen on, so rims blend in); pixels mostly uncovered become transparent black, and
    no visible pixel stays pure black."""
    pixels = np.asarray(image, dtype=float)
    h, w = pixels.shape[0] // SCALE, pixels.shape[1] // SCALE
    alpha = pixels[..., 3] / 255.0
    colour = (pixels[..., :3] * alpha[..., None]).reshape(h, SCALE, w, SCALE, 3).mean(axis=(1, 3))
    cover = alpha.reshape(h, SCALE, w, SCALE).mean(axis=(1, 3))
    shown = colour + np.asarray(edge, float)[None, None, :] * (1 - cover[..., None])
    result = np.clip(np.rint(shown), 0, 255).astype(np.uint8)
    result[np.all(result == 0, axis=2)] = NOT_BLACK
    result[cover < 0.5] = (0, 0, 0)
    return Image.fromarray(result, "RGB")


def sheet(cells, cell_w, cell_h, draw_cell, edge):
    """A row of cells, each drawn by draw_cell(pen, index, left, cx, cy, s) in big pixels."""
    image, pen = big(cell_w * cells, cell_h)
    s = SCALE
    for i in range(cells):
        draw_cell(pen, i, i * cell_w * s, (i * cell_w + cell_w / 2) * s, cell_h / 2 * s, s)
    return finish(image, edge)


def big_text(pen, xy, text, size, fill, anchor="la", outline=None):
    """Text at final-pixel position and size on a big canvas, with a soft shadow or an outline."""
    s = SCALE
    face = font(size * s)
    x, y = xy[0] * s, xy[1] * s
    if outline:
        pen.text((x, y), text, font=face, fill=fill, anchor=anchor, stroke_width=max(2, size * s // 10),
                 stroke_fill=outline)
        return
    pen.text((x + 2 * s, y + 2 * s), text, font=face, fill=(20, 20, 40, 255), anchor=anchor)
    pen.text((x, y), text, font=face, fill=fill, anchor=anchor)


# --- the robin and its friends (centre cx, cy and radius r in big pixels) ---------------------

def robin(pen, cx, cy, r):
    art_shell.draw_bird(pen, cx, cy, r)


def eye(pen, x, y, r):
    pen.ellipse((x - r, y - r, x + r, y + r), fill=art_shell.INK)
    pen.ellipse((x - r * 0.1, y - r * 0.75, x + r * 0.55, y - r * 0.1), fill=art_shell.WHITE)


def face(pen, cx, cy, r, fur, muzzle, nose, cheeks=(255, 160, 160, 255)):
    """The round face every furry friend shares: head, muzzle, eyes, nose, cheeks."""
    pen.ellipse((cx - r, cy - r, cx + r, cy + r), fill=fur)
    pen.ellipse((cx - r * 0.5, cy + r * 0.05, cx + r * 0.5, cy + r * 0.75), fill=muzzle)
    for side in (-1, 1):
        eye(pen, cx + side * r * 0.38, cy - r * 0.18, r * 0.13)
        pen.ellipse((cx + side * r * 0.72 - r * 0.14, cy + r * 0.2, cx + side * r * 0.72 + r * 0.14,
                     cy + r * 0.38), fill=cheeks)
    pen.ellipse((cx - r * 0.14, cy + r * 0.12, cx + r * 0.14, cy + r * 0.34), fill=nose)


def friend(pen, kind, cx, cy, r):
    """The robin's friends: "mole", "rabbit", "squirrel", "bee", or "robin" itself."""
    if kind == "robin":
        robin(pen, cx - r * 0.1, cy, r * 0.85)
    elif kind == "mole":
        for side in (-1, 1):  # digging paws
            pen.ellipse((cx + side * r * 0.8 - r * 0.3, cy + r * 0.45, cx + side * r * 0.8 + r * 0.3,
                         cy + r * 0.95), fill=(250, 190, 180, 255))
        face(pen, cx, cy, r * 0.92, (110, 96, 120, 255), (200, 180, 200, 255), (240, 110, 130, 255))
    elif kind == "rabbit":
        for side in (-1, 1):
            ear = (cx + side * r * 0.38 - r * 0.22, cy - r * 1.75, cx + side * r * 0.38 + r * 0.22, cy - r * 0.4)
            pen.ellipse(ear, fill=(245, 245, 250, 255))
            pen.ellipse((ear[0] + r * 0.08, ear[1] + r * 0.15, ear[2] - r * 0.08, ear[3] - r * 0.1),
                        fill=(255, 185, 200, 255))
        face(pen, cx, cy, r * 0.82, (245, 245, 250, 255), (255, 255, 255, 255), (240, 120, 150, 255))
    elif kind == "squirrel":
        pen.ellipse((cx + r * 0.2, cy - r * 1.1, cx + r * 1.15, cy + r * 0.6), fill=(200, 110, 50, 255))
        pen.ellipse((cx + r * 0.45, cy - r * 0.85, cx + r * 0.95, cy + r * 0.1), fill=(235, 160, 90, 255))
        for side in (-1, 1):
            pen.polygon([(cx + side * r * 0.75, cy - r * 0.95), (cx + side * r * 0.25, cy - r * 0.6),
                         (cx + side * r * 0.8, cy - r * 0.35)], fill=(180, 95, 40, 255))
        face(pen, cx - r * 0.1, cy, r * 0.78, (215, 130, 60, 255), (255, 230, 200, 255), (110, 60, 40, 255))
    elif kind == "bee":
        for side in (-1, 1):
            pen.ellipse((cx + side * r * 0.45 - r * 0.4, cy - r * 1.0, cx + side * r * 0.45 + r * 0.4,
                         cy - r * 0.2), fill=(225, 240, 255, 255))
        pen.ellipse((cx - r * 0.85, cy - r * 0.6, cx + r * 0.85, cy + r * 0.75), fill=(255, 205, 40, 255))
        for k in (-0.1, 0.35):
            pen.rectangle((cx - r * 0.8, cy + r * k, cx + r * 0.8, cy + r * (k + 0.17)), fill=(70, 50, 40, 255))
        pen.polygon([(cx - r * 0.12, cy + r * 0.72), (cx + r * 0.12, cy + r * 0.72), (cx, cy + r * 1.05)],
                    fill=(70, 50, 40, 255))
        for side in (-1, 1):
            eye(pen, cx + side * r * 0.3, cy - r * 0.3, r * 0.12)


def thing(pen, kind, cx, cy, r):
    """Small things of the robin's garden: "apple", "acorn", "mushroom", "flower", "star"."""
    if kind == "apple":
        pen.ellipse((cx - r * 0.8, cy - r * 0.6, cx + r * 0.8, cy + r * 0.85), fill=(220, 50, 60, 255))
        pen.ellipse((cx - r * 0.5, cy - r * 0.4, cx - r * 0.15, cy), fill=(255, 140, 140, 255))
        pen.line((cx, cy - r * 0.55, cx + r * 0.1, cy - r * 0.95), fill=(110, 70, 40, 255), width=int(r * 0.12))
        pen.ellipse((cx + r * 0.1, cy - r * 1.0, cx + r * 0.6, cy - r * 0.7), fill=(90, 170, 70, 255))
    elif kind == "acorn":
        pen.ellipse((cx - r * 0.55, cy - r * 0.4, cx + r * 0.55, cy + r * 0.95), fill=(190, 120, 60, 255))
        pen.chord((cx - r * 0.7, cy - r * 0.85, cx + r * 0.7, cy + r * 0.15), 180, 360, fill=(120, 80, 45, 255))
        pen.rectangle((cx - r * 0.7, cy - r * 0.36, cx + r * 0.7, cy - r * 0.25), fill=(120, 80, 45, 255))
        pen.line((cx, cy - r * 0.8, cx + r * 0.1, cy - r * 1.05), fill=(100, 65, 35, 255), width=int(r * 0.12))
        pen.ellipse((cx - r * 0.3, cy, cx - r * 0.05, cy + r * 0.45), fill=(225, 170, 110, 255))
    elif kind == "mushroom":
        pen.rounded_rectangle((cx - r * 0.3, cy - r * 0.1, cx + r * 0.3, cy + r * 0.9), radius=r * 0.15,
                              fill=(250, 240, 220, 255))
        pen.chord((cx - r * 0.95, cy - r * 0.9, cx + r * 0.95, cy + r * 0.5), 180, 360, fill=(230, 70, 60, 255))
        for dx, dy, dr in ((-0.45, -0.45, 0.15), (0.1, -0.65, 0.13), (0.5, -0.35, 0.12)):
            pen.ellipse((cx + r * (dx - dr), cy + r * (dy - dr), cx + r * (dx + dr), cy + r * (dy + dr)),
                        fill=(255, 250, 240, 255))
    elif kind == "flower":
        for k in range(6):
            a = k * math.pi / 3
            px, py = cx + r * 0.5 * math.cos(a), cy + r * 0.5 * math.sin(a)
            pen.ellipse((px - r * 0.38, py - r * 0.38, px + r * 0.38, py + r * 0.38), fill=(255, 150, 200, 255))
        pen.ellipse((cx - r * 0.3, cy - r * 0.3, cx + r * 0.3, cy + r * 0.3), fill=(255, 215, 60, 255))
    elif kind == "star":
        pen.polygon(art_shell.star_points(cx, cy, r, r * 0.45), fill=art_shell.GOLD)
        pen.polygon(art_shell.star_points(cx, cy + r * 0.05, r * 0.6, r * 0.27), fill=art_shell.GOLD_LIGHT)


# --- what every sample game carries besides its own art ---------------------------------------

def tune(melody, bass, beat):
    """A short loop: a melody of MIDI notes over a bass of half as many notes."""
    parts = []
    for i, note in enumerate(melody):
        f = 440.0 * 2 ** ((note - 69) / 12)
        fb = 440.0 * 2 ** ((bass[i // 2] - 69) / 12)
        parts.append(0.35 * tone([f, f], beat, decay=5) + 0.25 * tone([fb, fb], beat, decay=3, shape="square"))
    return np.concatenate(parts)


def jingle(notes, step, decay=10):
    """Notes (MIDI numbers) played one after another, step seconds each."""
    return np.concatenate([tone([440.0 * 2 ** ((n - 69) / 12)] * 2, step, decay=decay) for n in notes])


def stage_assets(folder, melody=None, bass=None, beat=0.3):
    """The text canvases of the status line and the banner, the start whistle and the music."""
    save_bmp(Image.new("RGB", (640, 28), (0, 0, 0)), folder / "hud.bmp")
    save_bmp(Image.new("RGB", (480, 90), (0, 0, 0)), folder / "banner.bmp")
    n = int(RATE * 0.5)
    whistle = tone([1800, 2100, 1800], 0.5, decay=1.5) * (1 + 0.3 * np.sin(np.arange(n) / 40))
    save_wav(folder / "whistle.wav", 0.5 * whistle)
    if melody:
        save_wav(folder / "bgm.wav", tune(melody, bass, beat))


def logo_with(background, title, draw):
    """A menu logo: a picture drawn by draw(image, pen, s) on a big copy of background, and the title."""
    image, pen = big(256, 164)
    image.paste(background.convert("RGBA").resize(image.size, Image.LANCZOS))
    draw(image, pen, SCALE)
    size = 30
    while font(size * SCALE).getlength(title) > 236 * SCALE:
        size -= 1
    big_text(pen, (128, 126), title, size, (255, 255, 255, 255), anchor="mm", outline=(150, 70, 30, 255))
    return finish(image)


def layer(picture):
    """A finished picture as a big transparent layer (its black pixels see-through), for pasting
    onto a big canvas."""
    pixels = np.asarray(picture.convert("RGB"))
    alpha = np.where(np.all(pixels == 0, axis=2), 0, 255).astype(np.uint8)
    rgba = Image.fromarray(np.dstack([pixels, alpha]), "RGBA")
    return rgba.resize((picture.width * SCALE, picture.height * SCALE), Image.NEAREST)
