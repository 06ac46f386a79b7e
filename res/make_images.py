#!/usr/bin/env python3
# Rebuild: `python3 res/make_images.py` rewrites res/icons/*.ico and res/bitmaps/*.bmp (text needs ImageMagick's `convert` and the DejaVu fonts).
"""Draws every image resource of Corvane from simple shapes.

Shapes are signed distance functions in pixel units; edges are
anti-aliased by supersampling the pixels that a shape's edge crosses.
Text (banner and About pictures only) is rasterised by ImageMagick into a
grey mask and composited here. Files are written with struct and zlib:
.ico (32-bit images with alpha, the 256-pixel one PNG-compressed) and .bmp
(BITMAPINFOHEADER, bottom-up).

    python3 res/make_images.py                 # write the resources
    python3 res/make_images.py --preview DIR   # also write enlarged PNG
                                               # previews over light and
                                               # dark backgrounds to DIR

Resource ids and files:
    128 icons/app.ico            application icon (256, 128, 48, 32, 24, 16)
    143 icons/search_hover.ico   magnifier, red lens
    144 icons/close.ico          white cross on a dark red disc
    145 icons/close_hover.ico    white cross on a bright red disc
    146 icons/refresh.ico        two curved arrows, blue
    147 icons/refresh_hover.ico  two curved arrows, red
    148 icons/save.ico           floppy disk, blue
    149 icons/save_hover.ico     floppy disk, red
    150 icons/search.ico         magnifier, blue lens
    136 bitmaps/banner.bmp       main window banner, 622 x 120, 24 bpp
    141 bitmaps/about_partner.bmp  About box partner badge, 180 x 71, 24 bpp
    142 bitmaps/about_banner.bmp   About box banner, 400 x 87, 24 bpp
"""

import math
import os
import random
import struct
import subprocess
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

PRODUCT = "Corvane"
TAGLINE = "Heap viewer for Windows processes"
PARTNER_NAME = "Example Labs"
PARTNER_ADDRESS = "www.example.org"

FONT_BOLD = "DejaVu-Sans-Bold"
FONT_REGULAR = "DejaVu-Sans"


# ---------------------------------------------------------------- colours

def hexc(s, a=1.0):
    s = s.lstrip("#")
    return (int(s[0:2], 16) / 255.0, int(s[2:4], 16) / 255.0,
            int(s[4:6], 16) / 255.0, a)


def mix(c0, c1, t):
    t = max(0.0, min(1.0, t))
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


# ----------------------------------------------------------------- shapes
# Each shape is a function (x, y) -> signed distance in pixels, negative
# inside. Pixel (i, j) covers [i, i+1) x [j, j+1).

def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ring(cx, cy, r, w):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - w / 2.0


def capsule(ax, ay, bx, by, r):
    dx, dy = bx - ax, by - ay
    ll = dx * dx + dy * dy or 1e-9

    def f(x, y):
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / ll))
        return math.hypot(x - ax - t * dx, y - ay - t * dy) - r
    return f


def rbox(x0, y0, x1, y1, r=0.0):
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hw, hh = (x1 - x0) / 2.0 - r, (y1 - y0) / 2.0 - r

    def f(x, y):
        qx, qy = abs(x - cx) - hw, abs(y - cy) - hh
        return (math.hypot(max(qx, 0.0), max(qy, 0.0))
                + min(max(qx, qy), 0.0) - r)
    return f


def polygon(pts):
    n = len(pts)

    def f(x, y):
        d = (x - pts[0][0]) ** 2 + (y - pts[0][1]) ** 2
        s = 1.0
        j = n - 1
        for i in range(n):
            vix, viy = pts[i]
            vjx, vjy = pts[j]
            ex, ey = vjx - vix, vjy - viy
            wx, wy = x - vix, y - viy
            ee = ex * ex + ey * ey or 1e-9
            t = max(0.0, min(1.0, (wx * ex + wy * ey) / ee))
            bx, by = wx - ex * t, wy - ey * t
            d = min(d, bx * bx + by * by)
            c1 = y >= viy
            c2 = y < vjy
            c3 = ex * wy > ey * wx
            if (c1 and c2 and c3) or (not c1 and not c2 and not c3):
                s = -s
            j = i
        return s * math.sqrt(d)
    return f


def arc(cx, cy, r, a0, a1, w):
    """Stroke of width w along a circle from angle a0 to a1 (degrees,
    clockwise on screen), butt ends."""
    a0r, a1r = math.radians(a0), math.radians(a1)
    span = (a1r - a0r) % (2 * math.pi)
    ends = []
    for a in (a0r, a1r):
        ux, uy = math.cos(a), math.sin(a)
        ends.append(capsule(cx + ux * (r - w / 2), cy + uy * (r - w / 2),
                            cx + ux * (r + w / 2), cy + uy * (r + w / 2), 0))

    def f(x, y):
        a = (math.atan2(y - cy, x - cx) - a0r) % (2 * math.pi)
        if a <= span:
            return abs(math.hypot(x - cx, y - cy) - r) - w / 2.0
        return max(min(e(x, y) for e in ends), 1e-3)
    return f


def union(*fs):
    return lambda x, y: min(f(x, y) for f in fs)


def inter(*fs):
    return lambda x, y: max(f(x, y) for f in fs)


def minus(a, b):
    return lambda x, y: max(a(x, y), -b(x, y))


def grow(f, d):
    return lambda x, y: f(x, y) - d


# ----------------------------------------------------------------- paints

def solid(c):
    return lambda x, y: c


def linear(x0, y0, c0, x1, y1, c1):
    dx, dy = x1 - x0, y1 - y0
    ll = dx * dx + dy * dy or 1e-9
    return lambda x, y: mix(c0, c1, ((x - x0) * dx + (y - y0) * dy) / ll)


def radial(cx, cy, r, c0, c1):
    return lambda x, y: mix(c0, c1, math.hypot(x - cx, y - cy) / r)


# ----------------------------------------------------------------- canvas

class Canvas:
    """RGBA image, premultiplied floats in 0..1."""

    def __init__(self, w, h, bg=None):
        self.w, self.h = w, h
        if bg is None:
            self.px = [0.0] * (w * h * 4)
        else:
            r, g, b, a = bg
            self.px = [r * a, g * a, b * a, a] * (w * h)

    def put(self, i, j, c, cov):
        a = c[3] * cov
        if a <= 0.0:
            return
        k = (j * self.w + i) * 4
        p = self.px
        inv = 1.0 - a
        p[k] = c[0] * a + p[k] * inv
        p[k + 1] = c[1] * a + p[k + 1] * inv
        p[k + 2] = c[2] * a + p[k + 2] * inv
        p[k + 3] = a + p[k + 3] * inv

    def fill(self, shape, paint, ss=4, box=None, opacity=1.0):
        x0, y0, x1, y1 = box or (0, 0, self.w, self.h)
        x0, y0 = max(0, int(x0)), max(0, int(y0))
        x1, y1 = min(self.w, int(math.ceil(x1))), min(self.h, int(math.ceil(y1)))
        offs = [(k + 0.5) / ss for k in range(ss)]
        for j in range(y0, y1):
            for i in range(x0, x1):
                d = shape(i + 0.5, j + 0.5)
                if d >= 0.75:
                    continue
                if d <= -0.75:
                    cov = 1.0
                else:
                    n = 0
                    for oy in offs:
                        for ox in offs:
                            if shape(i + ox, j + oy) < 0.0:
                                n += 1
                    cov = n / float(ss * ss)
                    if cov == 0.0:
                        continue
                self.put(i, j, paint(i + 0.5, j + 0.5), cov * opacity)

    def gradient(self, paint, box=None):
        x0, y0, x1, y1 = box or (0, 0, self.w, self.h)
        for j in range(int(y0), int(y1)):
            for i in range(int(x0), int(x1)):
                self.put(i, j, paint(i + 0.5, j + 0.5), 1.0)

    def mask(self, m, x, y, paint, opacity=1.0):
        """Composite a grey mask (w, h, bytes) with its top left at x, y."""
        mw, mh, data = m
        for j in range(mh):
            for i in range(mw):
                v = data[j * mw + i]
                if v and 0 <= x + i < self.w and 0 <= y + j < self.h:
                    self.put(x + i, y + j, paint(x + i + 0.5, y + j + 0.5),
                             v / 255.0 * opacity)

    def draw(self, other, x, y):
        """Composite another canvas onto this one."""
        for j in range(other.h):
            for i in range(other.w):
                k = (j * other.w + i) * 4
                a = other.px[k + 3]
                if a <= 0.0 or not (0 <= x + i < self.w and 0 <= y + j < self.h):
                    continue
                kk = ((y + j) * self.w + x + i) * 4
                p = self.px
                inv = 1.0 - a
                for c in range(4):
                    p[kk + c] = other.px[k + c] + p[kk + c] * inv

    def rgba8(self):
        """Straight (not premultiplied) 8-bit RGBA rows, top down."""
        out = bytearray()
        p = self.px
        for k in range(0, len(p), 4):
            a = p[k + 3]
            if a <= 1e-6:
                out += b"\0\0\0\0"
                continue
            out += bytes(max(0, min(255, int(round(p[k + c] / a * 255))))
                         for c in range(3))
            out.append(max(0, min(255, int(round(a * 255)))))
        return bytes(out)


# ------------------------------------------------------------------- text

def text_mask(text, font, size, kerning=0.0):
    """Grey coverage mask of text, trimmed to its ink."""
    cmd = ["convert", "-background", "black", "-fill", "white",
           "-font", font, "-pointsize", str(size), "-kerning", str(kerning),
           "label:" + text, "-trim", "+repage", "-depth", "8", "pgm:-"]
    data = subprocess.run(cmd, check=True, stdout=subprocess.PIPE).stdout
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    pos += 1
    w, h = int(fields[1]), int(fields[2])
    return (w, h, data[pos:pos + w * h])


def blur_mask(m, radius):
    """Box blur, two passes; the mask grows by 2 * radius on each side."""
    w, h, data = m
    pad = 2 * radius
    W, H = w + 2 * pad, h + 2 * pad
    src = [0.0] * (W * H)
    for j in range(h):
        for i in range(w):
            src[(j + pad) * W + i + pad] = data[j * w + i]
    n = 2 * radius + 1
    for _ in range(2):
        tmp = [0.0] * (W * H)
        for j in range(H):
            for i in range(W):
                s = 0.0
                for d in range(-radius, radius + 1):
                    if 0 <= i + d < W:
                        s += src[j * W + i + d]
                tmp[j * W + i] = s / n
        out = [0.0] * (W * H)
        for j in range(H):
            for i in range(W):
                s = 0.0
                for d in range(-radius, radius + 1):
                    if 0 <= j + d < H:
                        s += tmp[(j + d) * W + i]
                out[j * W + i] = s / n
        src = out
    return (W, H, bytes(min(255, int(v)) for v in src))


# ------------------------------------------------------------ file formats

def png_bytes(w, h, rgba):
    raw = bytearray()
    for j in range(h):
        raw.append(0)
        raw += rgba[j * w * 4:(j + 1) * w * 4]

    def chunk(tag, body):
        return (struct.pack(">I", len(body)) + tag + body
                + struct.pack(">I", zlib.crc32(tag + body) & 0xFFFFFFFF))
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def dib_icon_bytes(w, h, rgba):
    """Icon image: BITMAPINFOHEADER (double height), BGRA bottom-up, AND mask."""
    head = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for j in range(h - 1, -1, -1):
        for i in range(w):
            k = (j * w + i) * 4
            r, g, b, a = rgba[k:k + 4]
            xor += bytes((b, g, r, a))
    stride = ((w + 31) // 32) * 4
    andm = bytearray()
    for j in range(h - 1, -1, -1):
        row = bytearray(stride)
        for i in range(w):
            if rgba[(j * w + i) * 4 + 3] == 0:
                row[i // 8] |= 0x80 >> (i % 8)
        andm += row
    return head + bytes(xor) + bytes(andm)


def write_ico(path, canvases):
    images = []
    for c in canvases:
        rgba = c.rgba8()
        if c.w >= 256:
            images.append((c.w, c.h, png_bytes(c.w, c.h, rgba)))
        else:
            images.append((c.w, c.h, dib_icon_bytes(c.w, c.h, rgba)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for w, h, body in images:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32,
                           len(body), offset)
        offset += len(body)
    for _, _, body in images:
        out += body
    with open(path, "wb") as f:
        f.write(out)


def write_bmp(path, c, bits):
    rgba = c.rgba8()
    w, h = c.w, c.h
    bpp = bits // 8
    stride = (w * bpp + 3) & ~3
    pixels = bytearray()
    for j in range(h - 1, -1, -1):
        row = bytearray()
        for i in range(w):
            k = (j * w + i) * 4
            r, g, b = rgba[k:k + 3]
            row += bytes((b, g, r, 255)[:bpp])
        row += bytes(stride - len(row))
        pixels += row
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, len(pixels),
                       2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 54)
    with open(path, "wb") as f:
        f.write(head + info + bytes(pixels))


# ------------------------------------------------------------ button icons
# 20 x 20, drawn for the shaded push buttons. Every glyph has a thin dark
# rim so it holds on both light and dark button faces.

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


# -------------------------------------------------------- application icon
# A stack of memory blocks (a heap) with a magnifying glass over it: the
# lens shows the blocks enlarged, one of them picked out in amber.
# Geometry is laid out on a 256 grid and scaled; small sizes drop detail.

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


# ----------------------------------------------------------------- bitmaps

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


def banner():
    w, h = 622, 120
    c = banner_background(w, h)
    # Faint heap map over the right part; the lower right stays calm for the
    # two links that lie over it.
    heap_strip(c, 400, 14, 608, 80, seed=7)
    put_icon(c, 88, 18, 16)
    _, th = write_text(c, PRODUCT, FONT_BOLD, 52, 122, 20,
                        linear(0, 20, hexc("#ffffff"), 0, 60, hexc("#d4efe0")),
                        kerning=1.0)
    write_text(c, TAGLINE, FONT_REGULAR, 17, 125, 20 + th + 14,
               solid(hexc("#a8d8bc")))
    # A hairline under the whole picture.
    c.fill(rbox(0, h - 2, w, h), solid(hexc("#3fae6a", 0.55)), ss=1)
    return c


def about_banner():
    w, h = 400, 87
    c = banner_background(w, h)
    heap_strip(c, 285, 8, 392, 44, seed=3)
    put_icon(c, 64, 12, 11)
    _, th = write_text(c, PRODUCT, FONT_BOLD, 38, 88, 14,
                        linear(0, 14, hexc("#ffffff"), 0, 44, hexc("#d4efe0")),
                        kerning=0.8)
    write_text(c, TAGLINE, FONT_REGULAR, 13, 90, 14 + th + 10,
               solid(hexc("#a8d8bc")))
    c.fill(rbox(0, h - 2, w, h), solid(hexc("#3fae6a", 0.55)), ss=1)
    return c


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


# ----------------------------------------------------------------- preview

def preview(path, c, scale, bgs=(hexc("#ffffff"), hexc("#2b2b2b"), hexc("#9fb8a4"))):
    """Enlarged copy over several backgrounds, side by side, as PNG."""
    rgba = c.rgba8()
    pw, ph = c.w * scale, c.h * scale
    W = (pw + 8) * len(bgs)
    out = bytearray(W * ph * 4)
    for b, bg in enumerate(bgs):
        bx = b * (pw + 8)
        bgr = [int(v * 255) for v in bg[:3]]
        for j in range(ph):
            for i in range(pw):
                k = ((j // scale) * c.w + i // scale) * 4
                a = rgba[k + 3] / 255.0
                o = (j * W + bx + i) * 4
                for ch in range(3):
                    out[o + ch] = int(round(rgba[k + ch] * a + bgr[ch] * (1 - a)))
                out[o + 3] = 255
    with open(path, "wb") as f:
        f.write(png_bytes(W, ph, bytes(out)))


# -------------------------------------------------------------------- main

def main(argv):
    prev = None
    if len(argv) > 2 and argv[1] == "--preview":
        prev = argv[2]
        os.makedirs(prev, exist_ok=True)
    icons = os.path.join(HERE, "icons")
    bitmaps = os.path.join(HERE, "bitmaps")
    os.makedirs(icons, exist_ok=True)
    os.makedirs(bitmaps, exist_ok=True)

    buttons = [
        ("refresh", refresh_icon(BLUE)),
        ("refresh_hover", refresh_icon(RED)),
        ("search", search_icon(BLUE)),
        ("search_hover", search_icon(RED)),
        ("save", save_icon(BLUE)),
        ("save_hover", save_icon(RED)),
        ("close", close_icon(hexc("#8e1212"), hexc("#b83a32"), hexc("#4a0606"))),
        ("close_hover", close_icon(hexc("#f02a22"), hexc("#ff7a66"), hexc("#8a0e0a"))),
    ]
    for name, img in buttons:
        write_ico(os.path.join(icons, name + ".ico"), [img])
        if prev:
            preview(os.path.join(prev, name + ".png"), img, 16)

    sizes = [256, 128, 48, 32, 24, 16]
    app = [app_icon(s) for s in sizes]
    write_ico(os.path.join(icons, "app.ico"), app)
    if prev:
        for img in app:
            preview(os.path.join(prev, "app_%d.png" % img.w), img,
                    max(1, 256 // img.w) * (2 if img.w <= 48 else 1))

    # Pictures of static controls carry no alpha channel: a themed static
    # control shows a 32-bit bitmap through a copy of its own, and the
    # bitmap it loaded from the template is then never deleted.
    for name, img, bits in (("banner", banner(), 24),
                            ("about_banner", about_banner(), 24),
                            ("about_partner", about_partner(), 24)):
        write_bmp(os.path.join(bitmaps, name + ".bmp"), img, bits)
        if prev:
            preview(os.path.join(prev, name + ".png"), img, 2, bgs=(hexc("#ffffff"),))


if __name__ == "__main__":
    main(sys.argv)
