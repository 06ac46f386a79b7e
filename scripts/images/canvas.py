"""A canvas that shapes, grey masks and other canvases are composited onto.

Edges are anti-aliased by supersampling only the pixels that a shape's
edge crosses; pixels well inside or outside take one sample.
"""

import math


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
