#!/usr/bin/env python3
"""Tests of the check between the generator's files and the resource ids.

    python3 scripts/images/test_resources.py
"""

import sys
import unittest

sys.dont_write_bytecode = True

from make_images import IMAGES, RES  # noqa: E402
from resources import id_problems, read_problems  # noqa: E402

PAIRS = [("icons/save.ico", "IDI_SAVE"), ("bitmaps/banner.bmp", "IDB_BANNER")]
HEADER = "#define IDI_SAVE 148\n#define IDB_BANNER 136\n"
SCRIPT = 'IDI_SAVE ICON "icons/save.ico"\n// IDI_OLD ICON "icons/old.ico"\nIDB_BANNER BITMAP "bitmaps/banner.bmp"\n'


class IdProblems(unittest.TestCase):
    def test_agreeing_texts_have_none(self):
        self.assertEqual(id_problems(PAIRS, HEADER, SCRIPT), [])

    def test_each_disagreement_names_its_file(self):
        cases = {"id not defined": (HEADER.replace("IDI_SAVE", "IDI_SAFE"), SCRIPT, "icons/save.ico"),
                 "id bound as a bitmap": (HEADER, SCRIPT.replace("SAVE ICON", "SAVE BITMAP"), "icons/save.ico"),
                 "id bound to another file":
                     (HEADER, SCRIPT.replace("/banner.", "/about_banner."), "bitmaps/banner.bmp"),
                 "a bound file nothing draws": (HEADER, SCRIPT + 'IDI_OLD ICON "icons/old.ico"\n', "icons/old.ico")}
        for what, (header, script, path) in cases.items():
            with self.subTest(what):
                problems = id_problems(PAIRS, header, script)
                self.assertTrue(any(p.startswith(path + ":") for p in problems), problems)

    def test_the_generators_files_agree_with_res(self):
        self.assertEqual(read_problems(RES, IMAGES), [])


if __name__ == "__main__":
    unittest.main()
