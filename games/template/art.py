#!/usr/bin/env python3
"""Pictures and sounds of the template game: the robin, the text canvas, a peep and the three
menu pictures every game file carries."""
import pathlib
import sys

from PIL import Image

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "common"))
import gameart  # noqa: E402

folder = gameart.out_folder()
image, pen = gameart.big(64, 56)
gameart.robin(pen, 30 * gameart.SCALE, 30 * gameart.SCALE, 20 * gameart.SCALE)
gameart.save_bmp(gameart.finish(image, (150, 205, 245)), folder / "robin.bmp")
gameart.save_bmp(Image.new("RGB", (200, 32), (0, 0, 0)), folder / "text.bmp")
gameart.save_wav(folder / "peep.wav", 0.6 * gameart.tone([2000, 2600], 0.1, decay=20))
gameart.standard_pictures(folder, "テンプレート", "これを コピーして つくろう",
                          ["ロビナが マウスに ついてくるよ。",
                           "クリックするたびに 10てん。",
                           "10びょうで おしまい。"],
                          (150, 205, 245), (90, 150, 210), (255, 220, 120))
