"""Text as grey coverage masks.

ImageMagick's `convert` rasterises the text (it needs the DejaVu fonts);
the masks are composited with Canvas.mask.
"""

import subprocess

FONT_BOLD = "DejaVu-Sans-Bold"
FONT_REGULAR = "DejaVu-Sans"


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
    for _ in range(2):
        src = box_pass(box_pass(src, W, H, radius, 1, 0), W, H, radius, 0, 1)
    return (W, H, bytes(min(255, int(v)) for v in src))


def box_pass(src, W, H, radius, dx, dy):
    """Mean of the 2 * radius + 1 values along (dx, dy) around each value;
    values past the edge count as zero."""
    n = 2 * radius + 1
    out = [0.0] * (W * H)
    for j in range(H):
        for i in range(W):
            s = 0.0
            for d in range(-radius, radius + 1):
                x, y = i + d * dx, j + d * dy
                if 0 <= x < W and 0 <= y < H:
                    s += src[y * W + x]
            out[j * W + i] = s / n
    return out
