"""Pomo, the round robin of the start-up picture, drawn in any pose.

The bird is the start-up picture's: a brown round body, an orange breast with a cream belly, a dark
wing, a dark tail, a yellow beak and a glinting eye. Its parts are polygons in the bird's own units
(1 = body radius, facing right, y down), passed through one transform: stretch, mirror, turn, place.
So squash and stretch, a somersault or a wave of the wing are a change of numbers, not of drawing.
"""
import math

from artkit import (BEAK, BROWN, BROWN_DARK, BROWN_LIGHT, CREAM, INK, ORANGE, ORANGE_LIGHT, WHITE,
                    ellipse_points, mix)

STANDING = {"sx": 1.0, "sy": 1.0, "tilt": 0.0, "face": 1.0, "wing": 0.0, "eye": "open", "beak": 0.0,
            "feet": "stand", "blush": True}
FOOT_DEPTH = 1.16        # feet reach this far below the centre, in body radii


def pose(**changes):
    result = dict(STANDING)
    result.update(changes)
    return result


def transform(cx, cy, r, p):
    turn = math.radians(p["tilt"])
    c, s = math.cos(turn), math.sin(turn)
    sx, sy = p["sx"] * p["face"], p["sy"]

    def place(points):
        out = []
        for u, v in points:
            x, y = u * sx, v * sy
            out.append((cx + r * (x * c - y * s), cy + r * (x * s + y * c)))
        return out
    return place


def turned(points, pivot, degrees):
    a = math.radians(degrees)
    c, s = math.cos(a), math.sin(a)
    return [(pivot[0] + (x - pivot[0]) * c - (y - pivot[1]) * s, pivot[1] + (x - pivot[0]) * s + (y - pivot[1]) * c)
            for x, y in points]


SHOULDER = (0.08, -0.02)


def wing_direction(degrees):
    return math.radians(137.0 + degrees)


def wing_points(degrees):
    """The folded wing of the start-up picture, swung about the shoulder; positive lifts it, and a
    lifted wing spreads out beyond the body."""
    spread = 0.5 + 0.28 * min(1.0, max(0.0, degrees / 90.0))
    a = wing_direction(degrees)
    centre = (SHOULDER[0] + (spread + 0.04) * math.cos(a), SHOULDER[1] + (spread + 0.04) * math.sin(a))
    return ellipse_points(centre[0], centre[1], spread, 0.35, 48, turn=a)


def feather_lines(degrees):
    a = wing_direction(degrees)
    spread = 0.5 + 0.28 * min(1.0, max(0.0, degrees / 90.0))
    lines = []
    for k, side in enumerate((-0.14, 0.0, 0.14)):
        near, far = 0.35 * spread + 0.1 * k, 1.75 * spread
        px, py = -math.sin(a) * side, math.cos(a) * side
        lines.append([(SHOULDER[0] + near * math.cos(a) + px, SHOULDER[1] + near * math.sin(a) + py),
                      (SHOULDER[0] + far * math.cos(a) + px, SHOULDER[1] + far * math.sin(a) + py)])
    return lines


def draw(sk, cx, cy, r, p):
    """Pomo with its body centre at (cx, cy) and body radius r, in pose p (see STANDING)."""
    place = transform(cx, cy, r, p)
    top = cy - r * 1.1
    bottom = cy + r * 1.1
    thin = r * 0.085

    if p["feet"] == "stand":
        for fx in (-0.2, 0.25):
            sk.line(place([(fx, 0.85), (fx, FOOT_DEPTH - 0.04)]), thin, BEAK)
            sk.line(place([(fx - 0.12, FOOT_DEPTH), (fx + 0.14, FOOT_DEPTH)]), thin * 0.9, BEAK)
    elif p["feet"] == "tuck":
        for fx in (-0.15, 0.2):
            sk.line(place([(fx, 0.9), (fx - 0.12, 1.02)]), thin, BEAK)

    sk.poly(place([(-0.7, 0.05), (-1.38, -0.26), (-1.42, -0.05), (-1.28, 0.5), (-0.7, 0.4)]), BROWN_DARK)
    sk.poly(place([(-0.9, 0.12), (-1.3, -0.08), (-1.22, 0.35)]), mix(BROWN_DARK, BROWN, 0.55), 0.6)

    body = place(ellipse_points(0, 0, 1, 1, 96))
    sk.poly(body, sk.vgrad(mix(BROWN, BROWN_LIGHT, 0.7), BROWN, top, bottom))
    sk.poly(place(ellipse_points(-0.3, -0.45, 0.45, 0.3, 48, turn=-0.3)), BROWN_LIGHT, 0.5, blur=r * 0.05)
    sk.poly(place(ellipse_points(0.3, 0.3, 0.65, 0.65, 80)), sk.vgrad(ORANGE_LIGHT, ORANGE, top, bottom))
    sk.poly(place(ellipse_points(0.33, 0.635, 0.375, 0.285, 64)), CREAM)
    if p["blush"]:
        sk.poly(place(ellipse_points(0.62, -0.02, 0.13, 0.08, 32)), (255, 150, 130), 0.55, blur=r * 0.02)

    wing = wing_points(p["wing"])
    sk.poly(place(wing), sk.vgrad(mix(BROWN_DARK, BROWN, 0.4), BROWN_DARK, top, bottom))
    for feather in feather_lines(p["wing"]):
        sk.line(place(feather), thin * 0.5, BROWN_LIGHT, 0.7)

    gape = p["beak"]
    upper = [(0.86, -0.30), (1.34, -0.13 + 0.05 * gape), (0.9, 0.0)]
    lower = turned([(0.88, -0.1), (1.24, -0.08), (0.9, 0.04)], (0.88, -0.07), 28 * gape)
    if gape > 0:
        sk.poly(place([(0.88, -0.12), (1.2, -0.1), (1.1, 0.06), (0.9, 0.04)]), (190, 70, 60))
    sk.poly(place(lower), mix(BEAK, ORANGE, 0.35))
    sk.poly(place(upper), BEAK)

    ex, ey = place([(0.45, -0.35)])[0]
    er = r * 0.16
    eye = p["eye"]
    if eye == "open":
        sk.ellipse([ex - er, ey - er * 1.08, ex + er, ey + er * 1.08], INK)
        gr = er * 0.42
        sk.ellipse([ex - gr * 0.1, ey - er * 0.75, ex + gr * 1.7, ey - er * 0.75 + gr * 1.7], WHITE)
        sk.ellipse([ex - er * 0.55, ey + er * 0.25, ex - er * 0.2, ey + er * 0.6], WHITE, 0.8)
    elif eye == "happy":
        arc = [(ex + er * math.cos(a), ey + er * 0.4 - er * 0.9 * math.sin(a)) for a in
               [math.pi * k / 10 for k in range(11)]]
        sk.line(arc, er * 0.5, INK)
    else:   # squeezed shut, ><
        d = p["face"] if p["face"] else 1
        sk.line([(ex - er * d, ey - er * 0.8), (ex + er * 0.8 * d, ey), (ex - er * d, ey + er * 0.8)], er * 0.45, INK)


def question_mark(sk, x, y, size, colour=ORANGE):
    """The puzzled '?' that floats beside Pomo when something is missing."""
    sk.text((x + size * 0.06, y + size * 0.06), "？", size, mix(colour, INK, 0.6), anchor="mm", weight=size * 0.05,
            alpha=0.5)
    sk.text((x, y), "？", size, colour, anchor="mm", weight=size * 0.05)
