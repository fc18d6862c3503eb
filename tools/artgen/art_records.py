"""The records panel: its frames, list rows, collectible icons and logo, and the help page shown
for a game that brings none.

The program writes every number and name into the two text canvases at run time in white, so the
frames under those texts are dark, and the captions of the values are part of the frames.
"""
import pomo
import zumi
from art_menu import PANEL_UNDER, background
from artkit import (BROWN, BROWN_DARK, BROWN_LIGHT, CREAM, GOLD, GOLD_DARK, GOLD_LIGHT, INK, ORANGE, ORANGE_LIGHT,
                    TITLE_STROKE, WHITE, Sketch, mix, panel, save, star_points)

ROW_DARK = (70, 44, 28)


def list_window():
    sk = Sketch(308, 348)
    panel(sk, (0, 0, 308, 348), 16, 6)
    for k in range(14):
        sk.line([(14, 16 + 23 * k), (294, 16 + 23 * k)], 0.6, BROWN_LIGHT, 0.18)
    return sk.finish(background().getpixel((160, 180)))


def list_head():
    sk = Sketch(264, 24)
    sk.rrect([0, 0, 264, 24], 8, sk.vgrad(GOLD_LIGHT, ORANGE, 0, 24))
    sk.rrect([2, 2, 262, 10], 5, WHITE, 0.3)
    for x, words, anchor in ((8, "順位", "lm"), (38, "なまえ", "lm"), (256, "スコア", "rm")):
        sk.title_text((x, 12.5), words, 12, CREAM, BROWN, 1.6, anchor=anchor, shadow=None)
    return sk.finish(PANEL_UNDER)


MEDALS = {1: (GOLD, GOLD_DARK), 2: ((226, 230, 238), (140, 148, 166)), 3: ((214, 140, 80), (150, 86, 40))}


def list_row(rank):
    sk = Sketch(256, 20)
    band = mix(ROW_DARK, BROWN, 0.25 if rank % 2 else 0.0)
    sk.rrect([10, 1, 256, 19], 6, band)
    sk.rrect([12, 2, 254, 6], 3, WHITE, 0.08)
    face, rim = MEDALS.get(rank, (BROWN_LIGHT, BROWN_DARK))
    sk.ellipse([0.5, 0.5, 19.5, 19.5], rim)
    sk.ellipse([2, 2, 18, 18], sk.vgrad(mix(face, WHITE, 0.35), face, 2, 18))
    if rank == 1:
        sk.poly(star_points(27, 10, 5, 2.2), GOLD_LIGHT)
    sk.text((10, 10.5), str(rank), 11 if rank < 10 else 9.5, mix(rim, INK, 0.4), anchor="mm", kind="m", weight=0.6)
    return sk.finish(PANEL_UNDER)


def version_window():
    """Frame of the game's figures: plays, clicks and version, each in a dark field on the right."""
    sk = Sketch(181, 65)
    panel(sk, (0, 0, 181, 65), 9, 3)
    for k, words in enumerate(("あそんだ回数", "クリック回数", "バージョン")):
        y = 16 + 16.5 * k
        sk.rrect([88, y - 7, 175, y + 7], 4, ROW_DARK)
        sk.text((9, y + 0.5), words, 11.5, CREAM, anchor="lm", weight=0.35)
    return sk.finish(background().getpixel((420, 320)))


def total_bar():
    sk = Sketch(256, 20)
    sk.rrect([0, 0, 256, 20], 9, GOLD_DARK)
    sk.rrect([1.5, 1.5, 254.5, 18.5], 8, ROW_DARK)
    zumi.berry(sk, 12, 11.5, 5)
    sk.text((22, 10.5), "あつめたズミ", 11.5, GOLD_LIGHT, anchor="lm", weight=0.35)
    return sk.finish(PANEL_UNDER)


def zumi_logo():
    sk = Sketch(256, 164)
    sk.rrect([0, 0, 256, 164], 14, sk.vgrad((255, 236, 200), (250, 190, 130), 0, 164))
    sk.rrect([5, 5, 251, 159], 11, (255, 248, 232), 0.5)
    for x, y, r in ((28, 34, 9), (46, 24, 7), (228, 34, 9), (210, 24, 7), (30, 104, 6), (226, 104, 6)):
        zumi.berry(sk, x, y, r)
    zumi.character(sk, 128, 78, 34, wave=True)
    sk.title_text((128, 140), "ズミのきろく", 22, CREAM, TITLE_STROKE, 3, anchor="mm")
    return sk.finish(background().getpixel((480, 150)))


def zumi_icon(value, kind):
    sk = Sketch(55, 45)
    zumi.icon(sk, kind, value)
    return sk.finish(PANEL_UNDER)


def help_none():
    """The help page of a game that has none: Pomo puzzled, and a word of explanation."""
    sk = Sketch(640, 360)
    sk.rrect([0, 0, 640, 360], 0, sk.vgrad((255, 240, 214), (250, 200, 150), 0, 360))
    sk.rrect([20, 20, 620, 340], 22, ORANGE_LIGHT)
    sk.rrect([26, 26, 614, 334], 18, sk.vgrad((255, 250, 238), (255, 226, 190), 26, 334))
    sk.ellipse([96, 236, 236, 256], mix(ORANGE, BROWN, 0.5), 0.3, blur=3)
    pomo.draw(sk, 166, 168, 62, pomo.pose(eye="happy", wing=45, tilt=-6, beak=0.4))
    pomo.question_mark(sk, 236, 82, 56)
    sk.title_text((268, 150), "このゲームの", 30, CREAM, TITLE_STROKE, 4)
    sk.title_text((268, 196), "ヘルプはありません", 30, CREAM, TITLE_STROKE, 4)
    sk.text((270, 258), "あそびながら おぼえてね！", 18, BROWN, weight=0.5)
    sk.text((270, 286), "「もどる」で きろくに もどります。", 14, mix(BROWN, CREAM, 0.3), weight=0.3)
    return sk.finish()


def make(out):
    pictures = {
        "listwindow.bmp": list_window(),
        "listhead.bmp": list_head(),
        "versionwindow.bmp": version_window(),
        "textlist.bmp": Sketch(308, 348).finish(),
        "textlist2.bmp": Sketch(181, 65).finish(),
        "zumiall.bmp": total_bar(),
        "logo_39zumi.bmp": zumi_logo(),
        "help_none.bmp": help_none(),
    }
    for rank in range(1, 11):
        pictures["list%02d.bmp" % rank] = list_row(rank)
    for value, kind in zumi.DENOMINATIONS:
        pictures["zumi%d.bmp" % value] = zumi_icon(value, kind)
    return save(pictures, out)

