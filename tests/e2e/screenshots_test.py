#!/usr/bin/env python3
"""The screenshots software centres show (the metainfo names them), made the
way a person sees the program: on a desktop with a tray, the learning window
asking a word of the starter dictionary, then the add-words dialog with a new
word, its translation and its transcription clicked on the on-screen
keyboard. Each picture is the part of the screen around the windows, frames
included, written to BUILD/screenshots; with --update the pictures also
replace those in resources/screenshots, which are committed.

Usage: screenshots_test.py BUILD_DIR [--update]
"""
import os
import re
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop, install  # noqa: E402
import editing_test  # noqa: E402
from editing_test import ADD_CAPTION, keyboard_key  # noqa: E402

BUILD = None
UPDATE = False
SOURCE = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
WINDOW = "<> Mox!"


def frame(d, window):
    """The window's box on the screen with the frame the window manager
    draws around it (_NET_FRAME_EXTENTS): left, top, right, bottom."""
    x, y, w, h = d.geometry(window)
    out = d.run(["xprop", "-id", window, "_NET_FRAME_EXTENTS"]).stdout
    m = re.search(r"=\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+)", out)
    left, right, top, bottom = map(int, m.groups()) if m else (0, 0, 0, 0)
    return x - left, y - top, x + w + right, y + h + bottom


def picture_size(path):
    out = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True, text=True, check=True)
    return tuple(int(v) for v in out.stdout.split())


def colour_count(path):
    out = subprocess.run(["identify", "-format", "%k", path], capture_output=True, text=True, check=True)
    return int(out.stdout)


class Screenshots(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.mox = install(BUILD)
        cls.out = os.path.join(BUILD, "screenshots")
        os.makedirs(cls.out, exist_ok=True)

    def shoot(self, d, windows, name):
        """Cuts the part of the screen that holds the windows with their
        frames into BUILD/screenshots/name."""
        boxes = [frame(d, w) for w in windows]
        left = max(0, min(b[0] for b in boxes))
        top = max(0, min(b[1] for b in boxes))
        right = max(b[2] for b in boxes)
        bottom = max(b[3] for b in boxes)
        path = os.path.join(self.out, name)
        whole = path + ".screen.png"
        d.screenshot(whole)
        subprocess.run(["convert", whole, "-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top),
                        "+repage", "-strip", path], check=True)
        os.remove(whole)
        size = picture_size(path)
        self.assertEqual(size, (right - left, bottom - top))
        # A picture of real windows: text, buttons and frame, not one colour.
        self.assertGreater(colour_count(path), 30, name)
        if UPDATE:
            target = os.path.join(SOURCE, "resources", "screenshots", name)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            shutil.copyfile(path, target)

    def test_learning_window_and_add_words_dialog(self):
        with Desktop() as d:
            proc = d.start([self.mox])
            d.wait(lambda: d.tray_icon("mox") or (proc.poll() is not None and self.fail("mox ended")),
                   20, "the icon in the tray")

            # The learning window asks a word of the starter dictionary.
            d.click(*d.tray_icon("mox"))
            window = d.wait(lambda: d.visible_window(WINDOW), 10, "the learning window")
            time.sleep(1.0)
            self.shoot(d, [window], "learning-window.png")
            d.key("Escape")
            d.wait(lambda: d.visible_window(WINDOW) is None, 10, "the window to hide")

            # The add-words dialog: a word and its translation typed, then its
            # transcription [bɑːθ] clicked on the keyboard that the
            # transcription field brings up.
            editing_test.Editing.tray_menu(self, d, 4)
            dialog = d.wait(lambda: d.visible_window(ADD_CAPTION), 10, "the add-words dialog")
            time.sleep(0.5)
            d.type("bath")
            d.key("Return")
            keyboard = d.wait(lambda: editing_test.Editing.find_keyboard(self, d), 10, "the transcription keyboard")
            time.sleep(0.3)
            for row, column in ((0, 1), (2, 0), (4, 1), (2, 6)):  # b, ɑ, ː, θ
                d.click_at_fraction(keyboard, *keyboard_key(row, column))
            d.click_at_fraction(keyboard, *keyboard_key(4, 0, bracket_key=True))
            time.sleep(0.5)
            self.shoot(d, [dialog, keyboard], "add-words.png")
            d.key("Escape")
            d.wait(lambda: d.visible_window(ADD_CAPTION) is None, 10, "the dialog to close")

            proc.terminate()
            self.assertEqual(proc.wait(10), 0)


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv.pop(1))
    if "--update" in sys.argv:
        sys.argv.remove("--update")
        UPDATE = True
    unittest.main(verbosity=2)
