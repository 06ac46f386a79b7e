#!/usr/bin/env python3
"""Draws every image resource of Corvane from simple shapes.

    python3 scripts/images/make_images.py                # rewrite res/icons/*.ico, res/bitmaps/*.bmp
    python3 scripts/images/make_images.py --preview DIR  # also write enlarged PNG previews over
                                                         # light and dark backgrounds to DIR

Text needs ImageMagick's `convert` and the DejaVu fonts. The pictures are
described in res/README-images.txt. Beside this script: shapes.py (signed
distance functions), paint.py (colours and paints), canvas.py
(supersampled drawing), text.py (text masks), encoders.py (.ico, .bmp and
preview PNG), and the pictures in buttons.py, app_icon.py and bitmaps.py.
"""

import os
import sys

# The modules beside this script are imported from here only: leave no
# byte-code caches in the tree.
sys.dont_write_bytecode = True

from app_icon import app_icon  # noqa: E402
from bitmaps import about_banner, about_partner, banner  # noqa: E402
from buttons import BLUE, RED, close_icon, refresh_icon, save_icon, search_icon  # noqa: E402
from encoders import preview, write_bmp, write_ico  # noqa: E402
from paint import hexc  # noqa: E402

RES = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "res"))


def main(argv):
    prev = None
    if len(argv) > 2 and argv[1] == "--preview":
        prev = argv[2]
        os.makedirs(prev, exist_ok=True)
    icons = os.path.join(RES, "icons")
    bitmaps = os.path.join(RES, "bitmaps")
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
