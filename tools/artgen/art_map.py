"""The travel map and its information panel: Robina island, the animated points, the special
pictures of the information point, the panel's logos, status boards and name tags, the route dot,
the waves around the island, and the neutral pictures shown for a game whose file or picture fails.

The island's sea is left transparent, so it floats on the menu's sea and the waves, drawn under it,
break around its coast.
"""
import math

import numpy as np

import island
import landmarks
import pomo
from art_menu import background
from artkit import (BROWN, BROWN_DARK, CREAM, GOLD, GOLD_DARK, GOLD_LIGHT, GRASS, GRASS_DARK, GRASS_LIGHT,
                    INK, LEAF, ORANGE, ORANGE_LIGHT, SKY_BOTTOM, SKY_TOP, TITLE_STROKE, WHITE, Sketch, mix,
                    panel, save, star_points)

SAND = (244, 222, 168)
SHALLOWS = (120, 196, 222)
PLAZA = (236, 214, 170)
ROAD = (226, 204, 150)
CLEARING = mix(GRASS_LIGHT, CREAM, 0.3)
HILL = (112, 160, 88)


def shifted(points, dx, dy):
    return [(x + dx, y + dy) for x, y in points]


def map_under():
    """The part of the menu's sea the map is drawn over."""
    x, y = island.MAP_ORIGIN
    return background().crop((x, y, x + island.MAP_SIZE[0], y + island.MAP_SIZE[1]))


def tree(sk, x, y, r):
    sk.ellipse([x - r * 0.8, y + r * 0.55, x + r * 0.8, y + r * 1.0], GRASS_DARK, 0.5)
    sk.rrect([x - r * 0.15, y, x + r * 0.15, y + r * 0.8], r * 0.1, BROWN)
    sk.ellipse([x - r, y - r * 1.1, x + r, y + r * 0.5], mix(LEAF, GRASS_DARK, 0.4))
    sk.ellipse([x - r * 0.7, y - r * 1.0, x + r * 0.3, y - r * 0.2], mix(LEAF, WHITE, 0.2), 0.7)


def island_map():
    w, h = island.MAP_SIZE
    sk = Sketch(w, h)
    rng = np.random.default_rng(21)
    sk.poly(island.outline(6), SHALLOWS)
    sk.poly(island.outline(3), mix(SHALLOWS, SAND, 0.5))
    sk.poly(island.outline(0), SAND)
    sk.poly(island.outline(-5), sk.vgrad(GRASS_LIGHT, GRASS, 30, 290))
    for _ in range(26):      # soft meadows of lighter and darker grass
        x, y = rng.uniform(30, 320), rng.uniform(30, 280)
        r = rng.uniform(12, 30)
        tone = GRASS_LIGHT if rng.uniform() < 0.5 else GRASS_DARK
        sk.ellipse([x - r, y - r * 0.7, x + r, y + r * 0.7], tone, 0.35, blur=r * 0.4)
    # The hill behind the radio tower and the shrine.
    sk.ellipse([120, 18, 250, 86], HILL, 0.9, blur=4)
    sk.ellipse([150, 24, 222, 70], mix(HILL, GRASS_LIGHT, 0.4), 0.8, blur=3)

    plaza = (island.INFO_POINT[0] - island.MAP_ORIGIN[0] + 16, island.INFO_POINT[1] - island.MAP_ORIGIN[1] + 16)
    ends = [(x + 16, y + 16) for x, y in (island.on_map(d) for d in island.DESTINATIONS)]
    for ex, ey in ends + [island.LANDMARKS[k] for k in ("onsen", "tera", "kuwabatake", "jinjya")]:
        bend = ((plaza[0] + ex) / 2 + (ey - plaza[1]) * 0.15, (plaza[1] + ey) / 2 - (ex - plaza[0]) * 0.15)
        path = [(((1 - t) ** 2) * plaza[0] + 2 * t * (1 - t) * bend[0] + t * t * ex,
                 ((1 - t) ** 2) * plaza[1] + 2 * t * (1 - t) * bend[1] + t * t * ey) for t in np.linspace(0, 1, 30)]
        sk.line(path, 7, mix(ROAD, GRASS_DARK, 0.25))
        sk.line(path, 5, ROAD)
    for ex, ey in ends:
        sk.ellipse([ex - 21, ey - 17, ex + 21, ey + 19], mix(ROAD, GRASS_DARK, 0.2))
        sk.ellipse([ex - 19, ey - 15, ex + 19, ey + 17], CLEARING)
    sk.ellipse([plaza[0] - 26, plaza[1] - 22, plaza[0] + 26, plaza[1] + 24], mix(PLAZA, BROWN, 0.2))
    sk.ellipse([plaza[0] - 24, plaza[1] - 20, plaza[0] + 24, plaza[1] + 22], PLAZA)
    for k in range(12):
        a = 2 * math.pi * k / 12
        sk.ellipse([plaza[0] + 21 * math.cos(a) - 2, plaza[1] + 19 * math.sin(a) - 1,
                    plaza[0] + 21 * math.cos(a) + 2, plaza[1] + 19 * math.sin(a) + 3], mix(PLAZA, BROWN, 0.35))

    # Woods wherever no place, point or road needs the ground.
    keep_clear = [(x - 6, y - 6, x2 + 6, y2 + 6) for x, y, x2, y2 in island.point_boxes()]
    keep_clear += [(x - 19, y - 19, x + 19, y + 19) for x, y in island.LANDMARKS.values()]
    coast = island.outline(-14)
    trees = []
    for _ in range(400):
        x, y = rng.uniform(10, w - 10), rng.uniform(10, h - 10)
        if not inside(coast, x, y) or any(a <= x <= c and b <= y <= d for a, b, c, d in keep_clear):
            continue
        if near_road(x, y, plaza, ends) or any(abs(x - tx) < 9 and abs(y - ty) < 8 for tx, ty in trees):
            continue
        trees.append((x, y))
        if len(trees) >= 46:
            break
    for x, y in sorted(trees, key=lambda p: p[1]):
        tree(sk, x, y, 5.5)
    for kind, (x, y) in sorted(island.LANDMARKS.items(), key=lambda item: item[1][1]):
        landmarks.draw(sk, kind, x, y, island.LANDMARK_SIZE)
    return sk.finish(map_under())


def inside(polygon, x, y):
    hit = False
    for (x0, y0), (x1, y1) in zip(polygon, polygon[1:] + polygon[:1]):
        if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
            hit = not hit
    return hit


def near_road(x, y, plaza, ends):
    for ex, ey in ends:
        dx, dy = ex - plaza[0], ey - plaza[1]
        t = max(0.0, min(1.0, ((x - plaza[0]) * dx + (y - plaza[1]) * dy) / (dx * dx + dy * dy)))
        if math.hypot(x - plaza[0] - t * dx, y - plaza[1] - t * dy) < 16:
            return True
    return False


def waves(frame):
    """Rings of foam that spread from the coast, and glints on the sea; frame 0, 1 or 2."""
    sk = Sketch(394, 360)
    ox, oy = island.MAP_ORIGIN
    rng = np.random.default_rng(40 + frame)
    for grow, strength in ((10 + 5 * frame, 0.9 - 0.2 * frame), (22 + 7 * frame, 0.7 - 0.2 * frame)):
        ring = shifted(island.outline(grow, 180), ox, oy)
        dashes = [ring[k:k + 9] for k in range(frame * 3, len(ring) - 8, 14)]
        for dash in dashes:   # fading foam is paler, not thinner: the program has no half-transparent pixels
            sea = background().getpixel((int(dash[0][0]), int(dash[0][1])))
            sk.line(dash, 1.8 - 0.3 * frame, mix(sea, WHITE, strength))
    for _ in range(40):
        x, y = rng.uniform(4, 390), rng.uniform(4, 356)
        if inside(shifted(island.outline(26), ox, oy), x, y):
            continue
        size = rng.uniform(1.5, 3.5) * (1.0 - 0.25 * abs(frame - 1))
        sk.poly(star_points(x, y, size, size * 0.3, 4), WHITE, 0.9)
    return sk.finish(background().crop((0, 0, 394, 360)))


def destination_point(frame):
    """A pin that bobs over a ring spreading on the ground; eight frames make one cycle."""
    sk = Sketch(32, 32)
    t = frame / 8.0
    ring = 5 + 9 * t
    sk.ellipse([16 - ring, 26 - ring * 0.4, 16 + ring, 26 + ring * 0.4], mix(ORANGE, WHITE, t), 1.0 - 0.6 * t)
    sk.ellipse([16 - ring + 2, 26 - ring * 0.4 + 1.2, 16 + ring - 2, 26 + ring * 0.4 - 1.2], CLEARING)
    sk.ellipse([11, 24, 21, 28], mix(GRASS_DARK, INK, 0.2), 0.6)
    lift = 3.5 * math.sin(2 * math.pi * t)
    top = 4 - lift
    sk.poly([(10.5, top + 9), (21.5, top + 9), (16, top + 21)], mix((240, 86, 70), (176, 36, 40), 0.5))
    sk.ellipse([9, top, 23, top + 14], sk.vgrad((250, 110, 90), (180, 40, 42), top, top + 14))
    sk.ellipse([13, top + 3.5, 19, top + 9.5], (255, 240, 230))
    sk.ellipse([11, top + 1.5, 15, top + 4.5], WHITE, 0.5)
    return sk.finish(CLEARING)


def info_point(frame):
    """The information office's sign: a golden disc with an 'i' and a light circling its rim."""
    sk = Sketch(32, 32)
    pulse = 1.0 + 0.06 * math.sin(2 * math.pi * frame / 8.0)
    r = 13 * pulse
    sk.ellipse([16 - r, 17 - r, 16 + r, 17 + r], mix(GOLD_DARK, BROWN_DARK, 0.4))
    sk.ellipse([16 - r, 15 - r, 16 + r, 15 + r], sk.vgrad(GOLD_LIGHT, GOLD, 15 - r, 15 + r))
    sk.ellipse([16 - r + 3, 15 - r + 3, 16 + r - 3, 15 + r - 3], CREAM)
    for k in range(8):
        a = 2 * math.pi * k / 8 - math.pi / 2
        x, y = 16 + (r - 1.5) * math.cos(a), 15 + (r - 1.5) * math.sin(a)
        lit = (k - frame) % 8
        size = 1.8 if lit == 0 else 1.1
        sk.ellipse([x - size, y - size, x + size, y + size], WHITE if lit == 0 else mix(GOLD, ORANGE, 0.4))
    sk.text((16, 15.5), "i", 15, TITLE_STROKE, anchor="mm", kind="p", weight=1.0)
    return sk.finish(PLAZA)


def special_picture(kind):
    sk = Sketch(40, 40)
    landmarks.draw(sk, kind, 20, 19, 38)
    return sk.finish(PLAZA)


def route_dot():
    sk = Sketch(8, 8)
    sk.ellipse([0.3, 0.3, 7.7, 7.7], TITLE_STROKE)
    sk.ellipse([1.6, 1.6, 6.4, 6.4], CREAM)
    return sk.finish(GRASS)


def name_tag(words):
    sk = Sketch(92, 20)
    sk.rrect([0.5, 1.5, 91.5, 19.5], 8, mix(BROWN_DARK, INK, 0.2))
    sk.rrect([0.5, 0.5, 91.5, 18], 8, sk.vgrad(CREAM, (255, 214, 160), 0, 18))
    sk.rrect([2, 2, 90, 16.5], 7, ORANGE_LIGHT, 0.25)
    sk.poly(star_points(9, 9.5, 4.5, 1.9), ORANGE)
    sk.text((50, 9.5), words, 11.5, BROWN_DARK, anchor="mm", weight=0.4)
    return sk.finish(GRASS)


def card(sk, top, bottom):
    """The panel logo's card: a rounded picture with a cream rim."""
    sk.rrect([0, 0, 256, 164], 14, CREAM)
    sk.rrect([4, 4, 252, 160], 11, sk.vgrad(top, bottom, 4, 160))


def panel_under(y):
    return background().getpixel((508, y))


def logo_robina():
    sk = Sketch(256, 164)
    card(sk, SKY_TOP, SKY_BOTTOM)
    sk.ellipse([196, 14, 232, 50], (255, 246, 200), 0.9)
    sk.ellipse([-60, 112, 150, 240], GRASS)
    sk.ellipse([100, 120, 320, 250], GRASS_DARK)
    pomo.draw(sk, 66, 86, 30, pomo.pose(wing=70, beak=0.8, eye="open"))
    sk.title_text((170, 58), "ポモの", 22, CREAM, TITLE_STROKE, 3, anchor="mm")
    sk.title_text((170, 92), "ロビナ", 34, CREAM, TITLE_STROKE, 4, anchor="mm")
    sk.text((170, 136), "ロビナじまへ ようこそ！", 12, WHITE, anchor="mm", weight=0.4)
    return sk.finish(panel_under(270))


def logo_island():
    sk = Sketch(256, 164)
    card(sk, (130, 200, 240), (70, 150, 210))
    scale = 0.36
    small = [(20 + x * scale, 16 + y * scale) for x, y in island.outline(4)]
    sk.poly(small, SAND)
    sk.poly([(20 + x * scale, 16 + y * scale) for x, y in island.outline(-6)], GRASS)
    plaza = island.on_map(island.INFO_POINT)
    px, py = 20 + (plaza[0] + 16) * scale, 16 + (plaza[1] + 16) * scale
    for dx, dy in (island.on_map(d) for d in island.DESTINATIONS):
        sk.line([(px, py), (20 + (dx + 16) * scale, 16 + (dy + 16) * scale)], 1.2, CREAM, 0.9)
        sk.ellipse([20 + (dx + 16) * scale - 3, 16 + (dy + 16) * scale - 3, 20 + (dx + 16) * scale + 3,
                    16 + (dy + 16) * scale + 3], (236, 70, 56))
    sk.ellipse([px - 6, py - 6, px + 6, py + 6], GOLD)
    sk.text((px, py), "i", 9, TITLE_STROKE, anchor="mm", weight=0.6)
    sk.title_text((190, 60), "ロビナじま", 19, CREAM, TITLE_STROKE, 3, anchor="mm")
    sk.title_text((190, 92), "あんないじょ", 19, CREAM, TITLE_STROKE, 3, anchor="mm")
    sk.text((190, 128), "きろく と あそびかた", 11, WHITE, anchor="mm", weight=0.4)
    return sk.finish(panel_under(270))


def status_board(title, lines, picture=None):
    sk = Sketch(256, 100)
    panel(sk, (0, 0, 256, 100), 12, 4)
    left = 14
    if picture:
        picture(sk)
        left = 78
    sk.title_text((left, 24), title, 17, CREAM, TITLE_STROKE, 2.5, anchor="lm", shadow=None)
    sk.line([(left, 40), (244, 40)], 1, GOLD_LIGHT, 0.6)
    for k, words in enumerate(lines):
        sk.text((left, 58 + 19 * k), words, 12.5, CREAM, anchor="lm", weight=0.35)
    return sk.finish(panel_under(130))


def puzzled_pomo(sk, cx, cy, r):
    pomo.draw(sk, cx, cy, r, pomo.pose(eye="happy", tilt=-10, wing=30))
    pomo.question_mark(sk, cx + r * 1.1, cy - r * 1.05, r * 1.0)


# Why a game's own picture is not shown, in the words a game's author looks for: its file did not
# open, it holds no such picture, or its picture was refused (too small for its place, too large, or
# damaged). One logo and one status board per reason, drawn alike.
NEUTRAL = {
    "none": (["ゲームファイルを", "開けません"], "ファイルを たしかめてね",
             "ひらけません", ["ゲームファイルを", "開けませんでした。"]),
    "missing": (["ゲームファイルに", "絵がありません"], "sys_logo.bmp を 入れてね",
                "絵がありません", ["ゲームファイルに", "sys_states.bmp がありません。"]),
    "refused": (["ゲームの絵を", "表示できません"], "大きさと 中身を たしかめてね",
                "絵を表示できません", ["sys_states.bmp の大きさか", "中身が正しくありません。"]),
}


def sys_logo_neutral(lines, hint):
    sk = Sketch(256, 164)
    card(sk, (214, 218, 228), (170, 178, 196))
    puzzled_pomo(sk, 70, 88, 34)
    sk.title_text((178, 64), lines[0], 15, CREAM, (110, 116, 140), 2.5, anchor="mm")
    sk.title_text((178, 90), lines[1], 20 if len(lines[1]) <= 5 else 18, CREAM, (110, 116, 140), 3, anchor="mm")
    sk.text((178, 124), hint, 11, (70, 74, 96), anchor="mm", weight=0.3)
    return sk.finish(panel_under(270))


def neutral_pictures():
    pictures = {}
    for reason, (logo_lines, hint, title, lines) in NEUTRAL.items():
        pictures["sys_logo_%s.bmp" % reason] = sys_logo_neutral(logo_lines, hint)
        pictures["sys_states_%s.bmp" % reason] = status_board(title, lines, lambda sk: puzzled_pomo(sk, 36, 60, 20))
    return pictures


def make(out):
    pictures = {
        "map.bmp": island_map(),
        "logo_robina.bmp": logo_robina(),
        "logo_island.bmp": logo_island(),
        "states_none.bmp": status_board("たびさきを えらんでね", ["ちずの ピンに マウスを のせると", "そこの ゲームが わかるよ。"]),
        "states_annaijyo.bmp": status_board("あんないじょ", ["クリックすると きろくと", "あそびかたが 見られるよ。"]),
        "destpoint0.bmp": route_dot(),
        "name_tekuai.bmp": name_tag("あんないじょ"),
        "name_tabisaki.bmp": name_tag("たびさき"),
    }
    pictures.update(neutral_pictures())
    for frame in range(8):
        pictures["point%d.bmp" % (frame + 1)] = destination_point(frame)
        pictures["point_ti%d.bmp" % (frame + 1)] = info_point(frame)
    for kind in landmarks.SPECIAL_ORDER:
        pictures["point_ti_%s.bmp" % kind] = special_picture(kind)
    for frame in range(3):
        pictures["wave%d.bmp" % (frame + 1)] = waves(frame)
    return save(pictures, out)

