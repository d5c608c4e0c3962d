#!/usr/bin/env python3
"""What `cmake --install` puts in place, checked in a temporary prefix: the
program, its data folder (help, transcription font with its licence, starter
dictionary, modules folder), the menu entry and the theme icons.

Usage: install_test.py BUILD_DIR
"""
import configparser
import os
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest

BUILD = None


class Installation(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix = tempfile.mkdtemp(prefix="mox-install-")
        subprocess.run(["cmake", "--install", BUILD, "--prefix", cls.prefix], check=True,
                       stdout=subprocess.DEVNULL)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.prefix, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.prefix, *parts)

    def test_program_and_data_folder(self):
        mox = self.path("bin", "mox")
        self.assertTrue(os.path.isfile(mox) and os.stat(mox).st_mode & stat.S_IXUSR, "no program")
        share = self.path("share", "mox")
        for name in ("mox.qch", "fonts/transmox.ttf", "fonts/LICENSE-DejaVu.txt", "voc/english.dct"):
            self.assertGreater(os.path.getsize(os.path.join(share, name)), 0, name)
        self.assertTrue(os.path.isdir(os.path.join(share, "mod")), "no modules folder")
        # The per-user setup finds this folder from the program: bin/../share/mox.
        self.assertEqual(os.path.realpath(os.path.join(os.path.dirname(mox), "..", "share", "mox")),
                         os.path.realpath(share))
        # The starter dictionary is the one the build made, whole records of it.
        built = os.path.join(BUILD, "resources", "dictionary", "english.dct")
        with open(built, "rb") as a, open(os.path.join(share, "voc", "english.dct"), "rb") as b:
            data = b.read()
            self.assertEqual(a.read(), data)
        self.assertEqual(len(data) % 208, 0)
        self.assertGreaterEqual(len(data) // 208, 300)
        with open(os.path.join(share, "fonts", "LICENSE-DejaVu.txt"), encoding="utf-8", errors="replace") as f:
            self.assertIn("DejaVu", f.read())

    def test_menu_entry_and_icons(self):
        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(self.path("share", "applications", "mox.desktop"), encoding="utf-8")
        desktop = entry["Desktop Entry"]
        self.assertEqual(desktop["Type"], "Application")
        self.assertEqual(desktop["Name"], "Mox!")
        self.assertEqual(desktop["Exec"], "mox")
        self.assertEqual(desktop["Icon"], "mox")
        self.assertEqual(desktop["Categories"], "Education;")
        for size in (16, 22, 24, 32, 48, 64, 128, 256):
            icon = self.path("share", "icons", "hicolor", "%dx%d" % (size, size), "apps", "mox.png")
            with open(icon, "rb") as f:
                head = f.read(24)
            self.assertEqual(head[:8], b"\x89PNG\r\n\x1a\n", icon)
            width, height = int.from_bytes(head[16:20], "big"), int.from_bytes(head[20:24], "big")
            self.assertEqual((width, height), (size, size), icon)


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
