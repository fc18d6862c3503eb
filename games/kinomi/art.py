#!/usr/bin/env python3
"""Pictures and sounds of the example game きのみひろい: one sheet of cells (the basket, two berries
and a leaf), a text canvas, the wind that loops and the pop of a catch, and the three menu
pictures every game file carries."""
import pathlib
import sys

from PIL import Image

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "common"))
import gameart  # noqa: E402

CELL = 48  # the sheet's cells, side by side: basket, red berry, purple berry, leaf


def cell(pen, index, left, cx, cy, s):
    if index == 0:
        pen.rounded_rectangle((left + 4 * s, cy - 8 * s, left + 44 * s, cy + 18 * s), radius=6 * s,
                              fill=(170, 110, 60, 255), outline=(110, 70, 40, 255), width=2 * s)
        pen.arc((left + 10 * s, cy - 26 * s, left + 38 * s, cy + 6 * s), 180, 360, fill=(110, 70, 40, 255), width=3 * s)
    elif index in (1, 2):
        colour = (220, 40, 60, 255) if index == 1 else (120, 60, 170, 255)
        pen.ellipse((cx - 12 * s, cy - 10 * s, cx + 12 * s, cy + 14 * s), fill=colour)
        pen.ellipse((cx - 6 * s, cy - 5 * s, cx - 1 * s, cy), fill=(255, 255, 255, 200))
        pen.line((cx, cy - 10 * s, cx + 4 * s, cy - 18 * s), fill=(60, 120, 40, 255), width=2 * s)
    else:
        pen.ellipse((cx - 18 * s, cy - 8 * s, cx + 18 * s, cy + 8 * s), fill=(90, 170, 70, 255))
        pen.line((cx - 18 * s, cy, cx + 18 * s, cy), fill=(60, 120, 40, 255), width=s)


folder = gameart.out_folder()
gameart.save_bmp(gameart.sheet(4, CELL, CELL, cell, (200, 230, 250)), folder / "sheet.bmp")
gameart.save_bmp(Image.new("RGB", (320, 32), (0, 0, 0)), folder / "text.bmp")
gameart.save_wav(folder / "wind.wav", 0.15 * gameart.tone([180, 240, 180], 1.0, decay=0))
gameart.save_wav(folder / "pop.wav", 0.6 * gameart.tone([1200, 1800], 0.08, decay=30))
gameart.standard_pictures(folder, "きのみひろい", "サービスを ぜんぶ つかう おてほん",
                          ["おちてくる きのみを かごで うけとめよう。",
                           "あかは 10てん、むらさきは 30てん。",
                           "8びょうで おしまい。"],
                          (200, 230, 250), (120, 180, 230), (255, 200, 90))
