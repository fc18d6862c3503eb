"""Robina island: where its places lie on the menu's map.

DESTINATIONS are the top-left corners, in play-area pixels, of the 32x32 destination points of the
product's five games (their game.ini MAP_POSX and MAP_POSY); the island has open land under each.
Everything else here is in pixels of the map picture, which is drawn at MAP_ORIGIN.
"""
import math

DESTINATIONS = [(70, 80), (250, 70), (60, 220), (230, 230), (300, 150)]
POINT_SIZE = 32
INFO_POINT = (149, 135)            # the information point, play-area pixels
MAP_ORIGIN = (15, 27)
MAP_SIZE = (354, 308)

CENTRE = (177.0, 156.0)
RADII = (163.0, 140.0)
ROUNDNESS = 4.0                    # a rounded square: the corners carry land for the points

# Landmark centres on the map, one per special picture of the information point.
LANDMARKS = {
    "jinjya": (112, 36), "denpa": (186, 40), "smoke": (306, 78), "kajyuen": (38, 132),
    "gakkou": (96, 132), "post": (208, 148), "tera": (242, 102), "onsen": (140, 204),
    "kuwabatake": (102, 262), "pomo": (176, 264), "recycle": (270, 266), "hatsudensyo": (306, 208),
}
LANDMARK_SIZE = 30


def outline(grow=0.0, steps=240):
    """The coast as a polygon in map pixels, pushed out by grow pixels (for shallows and waves)."""
    points = []
    for k in range(steps):
        a = 2 * math.pi * k / steps
        c, s = math.cos(a), math.sin(a)
        r = (abs(c) ** ROUNDNESS + abs(s) ** ROUNDNESS) ** (-1.0 / ROUNDNESS)
        wobble = 1.0 + 0.035 * math.sin(3 * a + 0.7) + 0.025 * math.sin(7 * a + 2.1) + 0.012 * math.sin(13 * a)
        points.append((CENTRE[0] + (RADII[0] * r * wobble + grow) * c,
                       CENTRE[1] + (RADII[1] * r * wobble + grow) * s))
    return points


def on_map(play_xy):
    return play_xy[0] - MAP_ORIGIN[0], play_xy[1] - MAP_ORIGIN[1]


def point_boxes():
    """Map-pixel boxes of the information point and every destination point."""
    boxes = []
    for xy in [INFO_POINT] + DESTINATIONS:
        x, y = on_map(xy)
        boxes.append((x, y, x + POINT_SIZE, y + POINT_SIZE))
    return boxes
