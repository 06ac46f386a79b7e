#!/usr/bin/env python3
"""Draws every image resource of Corvane from simple shapes.

    python3 scripts/images/make_images.py                # rewrite res/icons/*.ico, res/bitmaps/*.bmp
    python3 scripts/images/make_images.py --preview DIR  # also write enlarged PNG previews over
                                                         # light and dark backgrounds to DIR

Text needs ImageMagick's `convert` and the DejaVu fonts. The pictures are
described in res/README-images.txt. Beside this script: shapes.py (signed
distance functions), paint.py (colours and paints), canvas.py
(supersampled drawing), text.py (text masks), encoders.py (.ico, .bmp and
preview PNG), the pictures in buttons.py, app_icon.py and bitmaps.py, and
resources.py, the check of each file's id against res/resource.h and
res/corvane.rc (tested by test_resources.py).
"""

import os
import sys

# Leave no byte-code caches of the modules beside this script in the tree.
sys.dont_write_bytecode = True

from app_icon import app_icon  # noqa: E402
from bitmaps import about_banner, about_partner, banner  # noqa: E402
from buttons import BLUE, RED, close_icon, refresh_icon, save_icon, search_icon  # noqa: E402
from encoders import preview, write_bmp, write_ico  # noqa: E402
from paint import hexc  # noqa: E402
from resources import read_problems  # noqa: E402

RES = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "res"))

# (file under res/, its id in res/resource.h, what draws it)
BUTTONS = [
    ("icons/refresh.ico", "IDI_REFRESH", lambda: refresh_icon(BLUE)),
    ("icons/refresh_hover.ico", "IDI_REFRESH_HOVER", lambda: refresh_icon(RED)),
    ("icons/search.ico", "IDI_SEARCH", lambda: search_icon(BLUE)),
    ("icons/search_hover.ico", "IDI_SEARCH_HOVER", lambda: search_icon(RED)),
    ("icons/save.ico", "IDI_SAVE", lambda: save_icon(BLUE)),
    ("icons/save_hover.ico", "IDI_SAVE_HOVER", lambda: save_icon(RED)),
    ("icons/close.ico", "IDI_CLOSE", lambda: close_icon(hexc("#8e1212"), hexc("#b83a32"), hexc("#4a0606"))),
    ("icons/close_hover.ico", "IDI_CLOSE_HOVER", lambda: close_icon(hexc("#f02a22"), hexc("#ff7a66"), hexc("#8a0e0a"))),
]
APP_ICON = ("icons/app.ico", "IDR_MAINFRAME", lambda: [app_icon(s) for s in (256, 128, 48, 32, 24, 16)])
BITMAPS = [
    ("bitmaps/banner.bmp", "IDB_BANNER", banner),
    ("bitmaps/about_banner.bmp", "IDB_ABOUT_BANNER", about_banner),
    ("bitmaps/about_partner.bmp", "IDB_ABOUT_PARTNER", about_partner),
]
IMAGES = [(path, name) for path, name, _ in BUTTONS + [APP_ICON] + BITMAPS]


def stem(path):
    return os.path.splitext(os.path.basename(path))[0]


def main(argv):
    problems = read_problems(RES, IMAGES)
    for problem in problems:
        print(problem, file=sys.stderr)
    if problems:
        return 1
    prev = None
    if len(argv) > 2 and argv[1] == "--preview":
        prev = argv[2]
        os.makedirs(prev, exist_ok=True)
    os.makedirs(os.path.join(RES, "icons"), exist_ok=True)
    os.makedirs(os.path.join(RES, "bitmaps"), exist_ok=True)

    for path, _, draw in BUTTONS:
        img = draw()
        write_ico(os.path.join(RES, path), [img])
        if prev:
            preview(os.path.join(prev, stem(path) + ".png"), img, 16)

    path, _, draw = APP_ICON
    app = draw()
    write_ico(os.path.join(RES, path), app)
    if prev:
        for img in app:
            preview(os.path.join(prev, "app_%d.png" % img.w), img,
                    max(1, 256 // img.w) * (2 if img.w <= 48 else 1))

    # Pictures of static controls carry no alpha channel: a themed static
    # control shows a 32-bit bitmap through a copy of its own, and the
    # bitmap it loaded from the template is then never deleted.
    for path, _, draw in BITMAPS:
        img = draw()
        write_bmp(os.path.join(RES, path), img, 24)
        if prev:
            preview(os.path.join(prev, stem(path) + ".png"), img, 2, bgs=(hexc("#ffffff"),))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
