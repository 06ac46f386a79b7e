"""The bitmaps: the main window banner and the About box's two pictures.

They carry the product's texts, rasterised from the DejaVu fonts, over a
faint field of memory blocks in the application icon's colours.
"""

import math
import random

from app_icon import AMBER, GREEN_LIGHT, app_icon
from canvas import Canvas
from paint import hexc, linear, mix, solid
from shapes import rbox, ring
from text import FONT_BOLD, FONT_REGULAR, blur_mask, text_mask

PRODUCT = "Corvane"
TAGLINE = "Heap viewer for Windows processes"
PARTNER_NAME = "Example Labs"
PARTNER_ADDRESS = "www.example.org"


def heap_strip(c, x0, y0, x1, y1, seed, fade_left=True):
    """A field of small memory blocks in rows, faint, as a backdrop."""
    rnd = random.Random(seed)
    rows = 4
    gap = 4
    rh = (y1 - y0 - gap * (rows - 1)) / float(rows)
    for r in range(rows):
        y = y0 + r * (rh + gap)
        x = x0 + rnd.randint(0, 18)
        while x < x1:
            w = rnd.choice([10, 14, 18, 26, 34, 44])
            if x + w > x1:
                break
            t = (x - x0) / float(x1 - x0)
            fade = (0.15 + 0.85 * t) if fade_left else 1.0
            pick = rnd.random()
            if pick < 0.06:
                col, op = AMBER, 0.6
            elif pick < 0.55:
                col, op = GREEN_LIGHT, 0.32
            else:
                col, op = hexc("#7fb3d8"), 0.22
            c.fill(rbox(x, y, x + w, y + rh, 2.0), solid(col), ss=3,
                   box=(x - 1, y - 1, x + w + 2, y + rh + 2), opacity=op * fade)
            x += w + 4


def banner_background(w, h):
    c = Canvas(w, h, hexc("#0c1d2b"))
    c.gradient(lambda x, y: mix(mix(hexc("#12402c"), hexc("#0d2436"), x / w),
                                hexc("#081521"), (y / h) ** 1.5 * 0.6))
    return c


def put_icon(c, s, x, y):
    c.draw(app_icon(s), x, y)


def write_text(c, text, font, size, x, y, colour, shadow=True, kerning=0.0):
    m = text_mask(text, font, size, kerning)
    if shadow:
        sh = blur_mask(m, 2)
        c.mask(sh, x - 4 + 1, y - 4 + 2, solid(hexc("#000000")), opacity=0.6)
    c.mask(m, x, y, colour)
    return m[0], m[1]


def product_banner(w, h, strip, icon, title, tagline):
    """The banner picture at one size: the heap field at strip (x0, y0, x1,
    y1, seed), the application icon at icon (size, x, y), the product name
    at title (size, x, y, the y its shading ends at, kerning), the tagline
    at tagline (size, x, gap below the name), and a hairline under it all."""
    c = banner_background(w, h)
    x0, y0, x1, y1, seed = strip
    heap_strip(c, x0, y0, x1, y1, seed=seed)
    put_icon(c, *icon)
    size, x, y, shade_end, kerning = title
    _, th = write_text(c, PRODUCT, FONT_BOLD, size, x, y,
                        linear(0, y, hexc("#ffffff"), 0, shade_end, hexc("#d4efe0")),
                        kerning=kerning)
    size, x, gap = tagline
    write_text(c, TAGLINE, FONT_REGULAR, size, x, y + th + gap,
               solid(hexc("#a8d8bc")))
    c.fill(rbox(0, h - 2, w, h), solid(hexc("#3fae6a", 0.55)), ss=1)
    return c


def banner():
    # Faint heap map over the right part; the lower right stays calm for the
    # two links that lie over it.
    return product_banner(622, 120, strip=(400, 14, 608, 80, 7), icon=(88, 18, 16),
                          title=(52, 122, 20, 60, 1.0), tagline=(17, 125, 14))


def about_banner():
    return product_banner(400, 87, strip=(285, 8, 392, 44, 3), icon=(64, 12, 11),
                          title=(38, 88, 14, 44, 0.8), tagline=(13, 90, 10))


def about_partner():
    """Badge of the partner named in the About box."""
    w, h = 180, 71
    c = Canvas(w, h, hexc("#ffffff"))
    c.gradient(linear(0, 0, hexc("#ffffff"), 0, h, hexc("#e4efe8")))
    # Mark: three interlocking rings.
    cx, cy = 31, 36
    cols = [hexc("#2f9e5e"), hexc("#2468d8"), hexc("#ffb22e")]
    for n, col in enumerate(cols):
        a = math.radians(-90 + n * 120)
        ox, oy = cx + 8 * math.cos(a), cy + 8 * math.sin(a)
        c.fill(ring(ox, oy, 11.5, 4.2), solid(col), opacity=0.9)
    m = text_mask(PARTNER_NAME, FONT_BOLD, 14)
    m2 = text_mask(PARTNER_ADDRESS, FONT_REGULAR, 11)
    x = 60
    y = (h + 3 - (m[1] + 8 + m2[1])) // 2
    c.mask(m, x, y, solid(hexc("#1d3a2a")))
    c.mask(m2, x + 1, y + m[1] + 8, solid(hexc("#4a6a58")))
    c.fill(rbox(0, 0, w, 3), solid(hexc("#2f9e5e")), ss=1)
    return c
