#!/usr/bin/env python3
"""Adding and excluding words end to end, the way a person does it: open the
add-words dialog from the tray menu, type a word and its translation, click
its transcription on the on-screen keyboard, close; open the learning window
and exclude the word on view with Ctrl+Delete and Enter; quit through the tray
menu — then read the dictionary and list files byte for byte.

Usage: editing_test.py BUILD_DIR
"""
import os
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop, install  # noqa: E402
from e2e_test import DICT_SIZE, dict_records, list_records  # noqa: E402

BUILD = None
ADD_CAPTION = "Mox! <> Добавление лексики"
KEYBOARD_WIDTH = 213


def keyboard_key(row, column, bracket_key=False):
    """Client-area fractions of a key's centre on the 92 x 63 unit keyboard:
    letter keys 8 units wide from 2, punctuation 6, the "[...]" key 18."""
    if bracket_key:
        x = 2 + 10 * 6 + 9
    elif row < 4:
        x = 2 + 8 * column + 4
    else:
        x = 2 + 6 * column + 3
    return x / 92, (3 + 12 * row + 5.5) / 63


class Editing(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.mox = install(BUILD)

    def tray_menu(self, d, ups):
        """Right click on the icon, then the item that many steps above the bottom."""
        d.click(*d.tray_icon("mox"), button=3)
        time.sleep(0.5)
        d.key(*(["Up"] * ups), "Return")

    def find_keyboard(self, d):
        for w in d.run(["xdotool", "search", "--onlyvisible", "--class", "mox"], check=False).stdout.split():
            try:
                x, y, width, height = d.geometry(w)
            except Exception:
                continue
            if width == KEYBOARD_WIDTH:
                return w
        return None

    def test_add_with_the_keyboard_then_exclude(self):
        with Desktop() as d:
            voc = os.path.join(d.env["XDG_DATA_HOME"], "mox", "voc")
            dct, lst = os.path.join(voc, "english.dct"), os.path.join(voc, "english.lst")
            shots = os.environ.get("MOX_SCREENSHOTS", tempfile.gettempdir())

            proc = d.start([self.mox])
            d.wait(lambda: d.tray_icon("mox"), 20, "the icon in the tray")
            before = dict_records(dct)
            self.assertTrue(all(r["active"] == 1 for r in before if r["deleted"] == 0))

            # "Добавить лексику" is the fourth item from the bottom.
            self.tray_menu(d, 4)
            dialog = d.wait(lambda: d.visible_window(ADD_CAPTION), 10, "the add-words dialog")
            time.sleep(0.5)
            d.type("zyzzyva")
            d.key("Return")  # to the transcription: the keyboard comes
            keyboard = d.wait(lambda: self.find_keyboard(d), 10, "the transcription keyboard")
            time.sleep(0.3)
            for row, column in ((1, 10), (2, 7), (1, 10)):  # z, I, z
                d.click_at_fraction(keyboard, *keyboard_key(row, column))
            d.click_at_fraction(keyboard, *keyboard_key(4, 0, bracket_key=True))  # "[...]"
            d.screenshot(os.path.join(shots, "mox-e2e-add-keyboard.png"))
            d.key("Return")  # to the translation: the keyboard goes
            time.sleep(0.3)
            self.assertIsNone(self.find_keyboard(d))
            d.type("тест")
            d.key("Return")  # added

            # On disk before the dialog closes.
            time.sleep(0.3)
            self.assertEqual(os.path.getsize(dct), (len(before) + 1) * DICT_SIZE)
            data = open(dct, "rb").read()[-DICT_SIZE:]
            expected = bytearray(DICT_SIZE)
            expected[1:1 + 7] = b"zyzzyva"
            word = "тест".encode("cp1251")
            expected[81:81 + len(word)] = word
            expected[161:161 + 3] = b"zIz"
            expected[196] = 1
            self.assertEqual(data, bytes(expected))

            d.key("Escape")
            d.wait(lambda: d.visible_window(ADD_CAPTION) is None, 10, "the dialog to close")

            # The learning window: exclude the word on view.
            d.click(*d.tray_icon("mox"))
            d.wait(lambda: d.visible_window("<> Mox!"), 10, "the learning window")
            time.sleep(0.5)
            in_list_before = {w["word"] for w in list_records(lst)}
            d.key("ctrl+Delete")
            time.sleep(0.7)
            d.screenshot(os.path.join(shots, "mox-e2e-exclude.png"))
            d.key("Return")
            time.sleep(0.5)

            # Hide the window (Esc), then quit through the menu (its last item).
            d.key("Escape")
            d.wait(lambda: d.tray_icon("mox"), 10, "the icon after hiding")
            self.tray_menu(d, 1)
            proc.wait(10)
            self.assertEqual(proc.returncode, 0)

            after = dict_records(dct)
            self.assertEqual(len(after), len(before) + 1)
            excluded = [r for r in after if r["deleted"] == 0 and r["active"] == 0]
            self.assertEqual(len(excluded), 1, "one word excluded")
            self.assertEqual(excluded[0]["inList"], 0)
            self.assertIn(excluded[0]["word"], in_list_before)
            words = {w["word"] for w in list_records(lst)}
            self.assertNotIn(excluded[0]["word"], words)
            for r in after:
                if r["deleted"] == 0:
                    self.assertEqual(r["inList"] == 1, r["word"] in words, r["word"])


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv.pop(1))
    unittest.main()
