#!/usr/bin/env python3
"""Pictures and sounds of the test game files: the three menu pictures, a 32x16 picture with a
known colour and a short beep."""
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "common"))
import gameart  # noqa: E402
from PIL import Image  # noqa: E402

folder = gameart.out_folder()
gameart.standard_pictures(folder, "テスト", "試験用のゲームファイル", ["試験のためのゲームです。"],
                          (60, 70, 90), (30, 35, 50), (200, 200, 220))
gameart.save_bmp(Image.new("RGB", (32, 16), (200, 40, 40)), folder / "svc_pic.bmp")
gameart.save_wav(folder / "svc_beep.wav", gameart.tone([880, 880], 0.1))
