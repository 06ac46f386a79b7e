"""The generator's files against the resource ids.

res/resource.h defines the ids and res/corvane.rc binds each id to its
file; the generator names each file's id and checks, before it draws, that
those two texts agree with it, so that the three never drift apart.
"""

import os
import re

DEFINE = re.compile(r"^\s*#define\s+(\w+)\s", re.M)
IMAGE = re.compile(r'^\s*(\w+)\s+(ICON|BITMAP)\s+"([^"]+)"', re.M)
KIND = {".ico": "ICON", ".bmp": "BITMAP"}


def id_problems(images, header, script):
    """What disagrees between the (file under res/, id name) pairs, the
    header's text and the resource script's; empty when all agree."""
    defined = {m.group(1) for m in DEFINE.finditer(header)}
    bound = {m.group(1): (m.group(2), m.group(3)) for m in IMAGE.finditer(script)}
    problems = []
    for path, name in images:
        kind = KIND[os.path.splitext(path)[1]]
        if name not in defined:
            problems.append("%s: resource.h defines no %s" % (path, name))
        elif bound.get(name) != (kind, path):
            problems.append('%s: corvane.rc has no line %s %s "%s"' % (path, name, kind, path))
    drawn = {path for path, _ in images}
    for name, (kind, path) in sorted(bound.items()):
        if path not in drawn:
            problems.append("%s: corvane.rc binds %s to it, but nothing draws it" % (path, name))
    return problems


def read_problems(res, images):
    """id_problems against the header and script in the folder res."""
    with open(os.path.join(res, "resource.h")) as f:
        header = f.read()
    with open(os.path.join(res, "corvane.rc")) as f:
        script = f.read()
    return id_problems(images, header, script)
