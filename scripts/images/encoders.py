"""Canvases written as files, with struct and zlib only.

.ico holds 32-bit images with alpha (the 256-pixel one PNG-compressed),
.bmp a BITMAPINFOHEADER picture bottom-up, and the preview an enlarged PNG.
"""

import struct
import zlib

from paint import hexc


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
