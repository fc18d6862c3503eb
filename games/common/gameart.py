"""Drawing helpers shared by the art scripts of the game files.

Every game file carries three pictures the shell shows in its menu: "sys_logo.bmp" (256x164, the
information panel), "sys_states.bmp" (256x100, under the logo on the map) and "help.bmp" (640x360,
the help screen). Pictures are written as 24-bit BMP, in which pure black is transparent; sounds as
16-bit mono PCM WAV. Everything is drawn from code with fixed seeds, so builds are repeatable.
"""
import argparse
import math
import pathlib
import wave

import numpy as np
from PIL import Image, ImageDraw, ImageFont

FONT_FILE = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"
RATE = 22050


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
    help page."""
    if logo is None:
        logo = gradient(256, 164, top, bottom)
        draw = ImageDraw.Draw(logo)
        draw.rounded_rectangle((6, 6, 249, 157), radius=14, outline=accent, width=3)
        shadowed_text(draw, (128, 70), title, 30, (255, 255, 255), anchor="mm")
        shadowed_text(draw, (128, 118), subtitle, 14, (255, 250, 210), anchor="mm")
    save_bmp(logo, folder / "sys_logo.bmp")

    states = gradient(256, 100, bottom, top)
    draw = ImageDraw.Draw(states)
    shadowed_text(draw, (12, 12), title, 18, (255, 255, 255))
    shadowed_text(draw, (12, 48), subtitle, 12, (240, 240, 200))
    save_bmp(states, folder / "sys_states.bmp")

    page = gradient(640, 360, top, bottom)
    draw = ImageDraw.Draw(page)
    draw.rounded_rectangle((20, 20, 619, 339), radius=20, outline=accent, width=4)
    shadowed_text(draw, (320, 62), title + " のあそびかた", 32, (255, 255, 255), anchor="mm")
    for i, line in enumerate(help_lines):
        shadowed_text(draw, (60, 120 + i * 34), line, 20, (255, 255, 230))
    save_bmp(page, folder / "help.bmp")


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
