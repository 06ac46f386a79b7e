"""The button icons: 20 x 20, drawn for the shaded push buttons.

Every glyph has a thin dark rim so it holds on both light and dark button
faces. Each picture comes in a normal and a hover colouring.
"""

import math

from canvas import Canvas
from paint import hexc, linear, radial, solid
from shapes import arc, capsule, circle, grow, polygon, rbox, union

BLUE = dict(light=hexc("#6fb0ff"), base=hexc("#2468d8"), dark=hexc("#123f8c"),
            rim=hexc("#0b2a60"))
RED = dict(light=hexc("#ff8a7a"), base=hexc("#d8241c"), dark=hexc("#8c140f"),
           rim=hexc("#5a0a08"))
WHITE = hexc("#ffffff")


def refresh_icon(pal):
    c = Canvas(20, 20)
    cx, cy, r, w = 10.0, 10.0, 6.0, 2.3
    parts = []
    # Two arcs chasing each other clockwise; each ends in an arrow head.
    for start, end in ((185.0, 295.0), (5.0, 115.0)):
        parts.append(arc(cx, cy, r, start, end, w))
        a = math.radians(end)
        bx, by = cx + r * math.cos(a), cy + r * math.sin(a)
        tx, ty = -math.sin(a), math.cos(a)        # direction of travel
        nx, ny = math.cos(a), math.sin(a)         # outward
        hw, ln = 3.5, 4.4
        parts.append(polygon([(bx + nx * hw - tx * 0.3, by + ny * hw - ty * 0.3),
                              (bx + tx * ln, by + ty * ln),
                              (bx - nx * hw - tx * 0.3, by - ny * hw - ty * 0.3)]))
    shape = union(*parts)
    c.fill(grow(shape, 0.8), solid(pal["rim"]))
    c.fill(shape, linear(0, 3, pal["light"], 0, 17, pal["dark"]))
    return c


def search_icon(pal):
    c = Canvas(20, 20)
    lx, ly, lr = 8.0, 8.0, 5.6
    handle = capsule(12.4, 12.4, 17.0, 17.0, 1.9)
    c.fill(grow(handle, 0.7), solid(hexc("#1c1c1c")))
    c.fill(handle, linear(12, 12, hexc("#6a5a4a"), 17, 17, hexc("#3a2c20")))
    c.fill(circle(lx, ly, lr + 0.9), solid(hexc("#202428")))
    c.fill(circle(lx, ly, lr), linear(3, 3, hexc("#d8dde4"), 13, 13, hexc("#7a828c")))
    c.fill(circle(lx, ly, lr - 1.5), radial(lx - 1.6, ly - 1.6, lr + 1.2,
                                            pal["light"], pal["dark"]))
    # Glint on the glass.
    c.fill(arc(lx, ly, lr - 3.0, 200, 260, 1.1), solid(hexc("#ffffff", 0.85)))
    return c


def save_icon(pal):
    c = Canvas(20, 20)
    body = polygon([(2, 2), (15, 2), (18, 5), (18, 18), (2, 18)])
    c.fill(grow(body, 0.7), solid(pal["rim"]))
    c.fill(body, linear(0, 2, pal["light"], 0, 18, pal["dark"]))
    # Metal shutter with its window.
    c.fill(rbox(5, 2, 14, 8, 0.5), linear(0, 2, hexc("#f2f4f7"), 0, 8, hexc("#aeb6c0")))
    c.fill(rbox(10.5, 3, 12.5, 7, 0.3), solid(pal["rim"]))
    # Label.
    c.fill(rbox(4, 11, 16, 18, 0.6), solid(hexc("#fbfbf8")))
    c.fill(rbox(5.5, 13, 14.5, 13.9), solid(hexc("#9aa4b0")))
    c.fill(rbox(5.5, 15.4, 14.5, 16.3), solid(hexc("#9aa4b0")))
    return c


def close_icon(base, light, rim):
    c = Canvas(20, 20)
    c.fill(circle(10, 10, 8.7), solid(rim))
    c.fill(circle(10, 10, 8.0), radial(8, 7, 10, light, base))
    d = 3.1
    cross = union(capsule(10 - d, 10 - d, 10 + d, 10 + d, 1.35),
                  capsule(10 - d, 10 + d, 10 + d, 10 - d, 1.35))
    c.fill(cross, solid(WHITE))
    return c
