"""The application icon.

A stack of memory blocks (a heap) with a magnifying glass over it: the
lens shows the blocks enlarged, one of them picked out in amber.
Geometry is laid out on a 256 grid and scaled; small sizes drop detail.
The heap's colours are shared with the bitmaps' backdrop.
"""

from canvas import Canvas
from paint import hexc, linear, radial, solid
from shapes import arc, capsule, circle, grow, inter, rbox, ring

HEAP_ROWS = [  # (row, relative block widths, index of the darker block)
    (0, [3, 2, 4], 1),
    (1, [2, 4, 2], 0),
    (2, [4, 3, 2], 2),
]
GREEN_LIGHT = hexc("#6fd49a")
GREEN = hexc("#2f9e5e")
GREEN_DARK = hexc("#1b6b3e")
SLATE = hexc("#243240")
AMBER = hexc("#ffb22e")
AMBER_DARK = hexc("#e07800")
INK = hexc("#141a20")


def app_icon(s):
    if s <= 24:
        return app_icon_small(s)
    c = Canvas(s, s)
    k = s / 256.0
    # Heap: three slabs at the lower left, split into blocks.
    slab_x0, slab_x1 = round(10 * k), round(190 * k)
    slab_h, gap, top = 36 * k, 10 * k, 118 * k
    rim = max(1.0, 6 * k)
    cell_gap = max(1.0, 5 * k)

    def snap(v):  # whole pixels keep the small sizes crisp
        return round(v) if s <= 48 else v
    for row, widths, dark in HEAP_ROWS:
        y0 = snap(top + row * (slab_h + gap))
        y1 = snap(top + row * (slab_h + gap) + slab_h)
        c.fill(rbox(slab_x0, y0, slab_x1, y1, 8 * k), solid(SLATE))
        inner_x0, inner_x1 = snap(slab_x0 + rim), snap(slab_x1 - rim)
        total = sum(widths)
        x = inner_x0
        for n, wdt in enumerate(widths):
            x_end = snap(x + (inner_x1 - inner_x0 + cell_gap) * wdt / total - cell_gap)
            top_c, bot_c = ((GREEN, GREEN_DARK) if n == dark
                            else (GREEN_LIGHT, GREEN))
            c.fill(rbox(x, y0 + rim, x_end, y1 - rim, max(0.4, 4 * k)),
                   linear(0, y0, top_c, 0, y1, bot_c))
            x = x_end + cell_gap
    # Magnifying glass at the upper right.
    lx, ly, lr, ring_w = 160 * k, 100 * k, 66 * k, 18 * k
    hx0 = lx + (lr + ring_w * 0.3) * 0.7071
    handle = capsule(hx0, ly + (hx0 - lx), 236 * k, ly + (236 * k - lx), 17 * k)
    c.fill(grow(handle, max(0.6, 4 * k)), solid(INK))
    c.fill(handle, linear(0, ly, hexc("#58636e"), 0, s, hexc("#232a31")))
    # Glass, then the blocks seen through it, enlarged.
    glass = circle(lx, ly, lr - ring_w / 2)
    c.fill(glass, radial(lx - lr * 0.3, ly - lr * 0.3, lr * 1.2,
                         hexc("#eaf6ff"), hexc("#a9cfe8")))
    zy, zh = ly - 18 * k, 46 * k
    cells = [(lx - 80 * k, lx - 22 * k, GREEN_LIGHT, GREEN, 1.0),
             (lx - 14 * k, lx + 34 * k, AMBER, AMBER_DARK, 1.0),
             (lx + 42 * k, lx + 90 * k, GREEN_LIGHT, GREEN, 1.0)]
    upper = zy - 12 * k - zh
    cells += [(lx - 60 * k, lx + 4 * k, GREEN_LIGHT, GREEN, 0.55),
              (lx + 12 * k, lx + 80 * k, GREEN_LIGHT, GREEN, 0.55)]
    for n, (x0, x1, c0, c1, op) in enumerate(cells):
        y0 = zy if n < 3 else upper
        c.fill(inter(rbox(x0, y0, x1, y0 + zh, 7 * k), glass),
               linear(0, y0, c0, 0, y0 + zh, c1), opacity=op)
    c.fill(ring(lx, ly, lr, ring_w + max(1.0, 6 * k)), solid(INK))
    c.fill(ring(lx, ly, lr, ring_w),
           linear(lx - lr, ly - lr, hexc("#c9d2da"), lx + lr, ly + lr, hexc("#56616c")))
    c.fill(arc(lx, ly, lr - ring_w * 1.4, 200, 250, max(1.0, 9 * k)),
           solid(hexc("#ffffff", 0.8)))
    return c


def app_icon_small(s):
    """The same picture laid out on a 16 grid for 16 and 24 pixels: fewer,
    plainer blocks, a smaller lens, strokes kept a pixel or more wide."""
    c = Canvas(s, s)
    k = s / 16.0
    # Three bars of unequal length: the heap.
    bar_h = round(2 * k)
    for y0, x1 in ((8.0, 9.0), (11.0, 11.0), (14.0, 12.0)):
        top = min(s - bar_h, round(y0 * k))
        c.fill(rbox(0, top, round(x1 * k), top + bar_h, 0.3 * k),
               linear(0, top, GREEN_LIGHT, 0, top + bar_h, GREEN_DARK))
    lx, ly, lr, ring_w = 10.0 * k, 5.2 * k, 4.0 * k, 1.3 * k
    handle = capsule(13.0 * k, 8.2 * k, 15.1 * k, 10.3 * k, 0.95 * k)
    c.fill(grow(handle, 0.5), solid(INK))
    c.fill(handle, solid(hexc("#4a545e")))
    glass = circle(lx, ly, lr)
    c.fill(glass, solid(hexc("#dcefff")))
    c.fill(rbox(lx - 2.2 * k, ly - 1.1 * k, lx + 2.2 * k, ly + 1.1 * k, 0.3 * k),
           linear(0, ly - k, AMBER, 0, ly + k, AMBER_DARK))
    c.fill(ring(lx, ly, lr, ring_w + 1.0), solid(INK))
    c.fill(ring(lx, ly, lr, ring_w), solid(hexc("#a4aeb8")))
    return c
