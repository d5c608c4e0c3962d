#!/usr/bin/env python3
"""Mox! end to end, the way a person uses it: install it, start it on a
desktop with a tray, click its icon, answer words by keyboard and by mouse in
both modes, get one wrong and move on, hide it, quit through the tray menu —
then read the dictionary and list files it left on disk.

Usage: e2e_test.py BUILD_DIR
"""
import os
import re
import struct
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop, install  # noqa: E402

BUILD = None
DICT_SIZE, LIST_SIZE = 208, 224

# Client-area fractions of the learning window's controls (its layout is
# 268 x 162 dialog units).
FIRST_ROW = ((10 + 124) / 268, (36 + 6) / 162)
TYPING_BUTTON = ((233 + 13) / 268, (3 + 5) / 162)
CLOSE_BUTTON = ((222 + 19) / 268, (141 + 7) / 162)


def dict_records(path):
    data = open(path, "rb").read()
    out = []
    for i in range(len(data) // DICT_SIZE):
        r = data[i * DICT_SIZE:(i + 1) * DICT_SIZE]
        out.append(dict(deleted=r[0], word=r[1:81].split(b"\0")[0],
                        translation=r[81:161].split(b"\0")[0], active=r[196], inList=r[197]))
    return out


def list_records(path):
    data = open(path, "rb").read() if os.path.exists(path) else b""
    assert len(data) % LIST_SIZE == 0, "list file of %d bytes" % len(data)
    out = []
    for i in range(len(data) // LIST_SIZE):
        r = data[i * LIST_SIZE:(i + 1) * LIST_SIZE]
        counters = struct.unpack_from("<8H", r, 192)
        out.append(dict(word=r[1:81].split(b"\0")[0], answers=counters[0], streak=counters[1],
                        cdr=counters[2], cdw=counters[3], crr=counters[4], crw=counters[5],
                        trr=counters[6], trw=counters[7], b212=r[212], b213=r[213]))
    return out


def practice_dictionary(path, count=30):
    """Words whose translations are all "x": whichever row is picked and
    whatever word is asked, "x" is the right answer in the direct direction."""
    with open(path, "wb") as f:
        for i in range(count):
            r = bytearray(DICT_SIZE)
            word = b"word%02d" % i
            r[1:1 + len(word)] = word
            r[81] = ord("x")
            r[196] = 1
            f.write(r)


def snapshot(root):
    out = {}
    for folder, _, files in os.walk(root):
        for name in files:
            p = os.path.join(folder, name)
            out[p] = open(p, "rb").read()
    return out


class EndToEnd(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.mox = install(BUILD)

    def start_to_tray(self, d):
        proc = d.start([self.mox])
        d.wait(lambda: d.tray_icon("mox") or (proc.poll() is not None and self.fail("mox ended")),
               20, "the icon in the tray")
        return proc

    def quit_through_menu(self, d, proc):
        x, y = d.tray_icon("mox")
        d.click(x, y, button=3)
        time.sleep(0.5)
        d.key("Up", "Return")  # "&Выход" is the menu's last item
        proc.wait(10)
        self.assertEqual(proc.returncode, 0)
        self.assertIsNone(d.tray_icon("mox"), "an icon was left behind")

    def test_first_run_practice_and_files(self):
        with Desktop() as d:
            conf = os.path.join(d.env["XDG_CONFIG_HOME"], "Jov Software", "Mox!.conf")
            voc = os.path.join(d.env["XDG_DATA_HOME"], "mox", "voc")
            dct, lst = os.path.join(voc, "english.dct"), os.path.join(voc, "english.lst")

            # First start: the per-user setup writes the settings and the
            # starter dictionary, and the program waits in the tray.
            first = self.start_to_tray(d)
            self.assertTrue(os.path.exists(conf))
            self.assertEqual(os.path.getsize(dct) % DICT_SIZE, 0)
            self.assertGreaterEqual(os.path.getsize(dct) // DICT_SIZE, 300)

            # A second start while the first runs leaves no trace.
            before = snapshot(d.home)
            second = d.start([self.mox])
            second.wait(10)
            self.assertEqual(second.returncode, 0)
            time.sleep(0.5)
            self.assertIsNone(d.visible_window("<> Mox!"))
            self.assertEqual(snapshot(d.home), before)
            self.assertIsNone(first.poll(), "the first copy ended")
            self.quit_through_menu(d, first)

            # Practise on a dictionary whose every translation is "x".
            practice_dictionary(dct)
            os.remove(lst) if os.path.exists(lst) else None
            proc = self.start_to_tray(d)
            d.click(*d.tray_icon("mox"))
            win = d.wait(lambda: d.visible_window("<> Mox!"), 10, "the learning window")
            time.sleep(0.5)
            d.screenshot(os.path.join(tempfile.gettempdir(), "mox-e2e-choice.png"))
            d.key("Return")                       # choice, keyboard
            d.click_at_fraction(win, *FIRST_ROW)  # choice, mouse
            d.click_at_fraction(win, *TYPING_BUTTON)
            d.type("x")
            d.key("Return")                       # typing, right
            d.type("zzz")
            d.key("Return")                       # typing, wrong
            d.screenshot(os.path.join(tempfile.gettempdir(), "mox-e2e-wrong.png"))
            d.key("Return")                       # move on
            d.click_at_fraction(win, *CLOSE_BUTTON)
            d.wait(lambda: d.tray_icon("mox"), 10, "the icon after hiding")
            self.assertIsNone(d.visible_window("<> Mox!"))
            self.quit_through_menu(d, proc)

            words = list_records(lst)
            dictionary = dict_records(dct)
            self.assertGreater(len(words), 0)
            self.assertEqual(sum(w["answers"] for w in words), 4)
            self.assertEqual(sum(w["cdr"] for w in words), 2)
            self.assertEqual(sum(w["cdw"] + w["crr"] + w["crw"] + w["trr"] + w["trw"] for w in words), 0)
            self.assertTrue(all(w["b212"] == 1 and w["b213"] == 1 for w in words))
            in_list = {w["word"] for w in words}
            for r in dictionary:
                self.assertEqual(r["inList"] == 1, r["word"] in in_list, r["word"])
                if r["word"] not in in_list:
                    self.assertIn(r["active"], (0, 1))
            self.assertEqual(len(in_list), len(words), "a word is twice in the list")

    def test_automatic_showing_after_quiet_seconds(self):
        with Desktop() as d:
            conf = os.path.join(d.env["XDG_CONFIG_HOME"], "Jov Software", "Mox!.conf")
            proc = self.start_to_tray(d)
            self.quit_through_menu(d, proc)
            text = open(conf, encoding="utf-8").read()
            text, n = re.subn(r"(?m)^uiTimer=\d+$", "uiTimer=2000", text)
            self.assertEqual(n, 1, "no uiTimer in the settings file")
            text = re.sub(r"(?m)^bAutoShow=\d+$", "bAutoShow=1", text)
            open(conf, "w", encoding="utf-8").write(text)

            proc = self.start_to_tray(d)
            began = time.monotonic()
            d.wait(lambda: d.visible_window("<> Mox!"), 20, "the automatic showing")
            # Two seconds of interval and five quiet seconds at the least.
            self.assertGreaterEqual(time.monotonic() - began, 6.5)
            self.assertIsNone(d.tray_icon("mox"))
            proc.terminate()
            proc.wait(10)


if __name__ == "__main__":
    BUILD = sys.argv.pop(1)
    unittest.main(verbosity=2)
