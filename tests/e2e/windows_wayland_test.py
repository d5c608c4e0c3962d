#!/usr/bin/env python3
"""The program's boxes and the transcription keyboard on a Wayland desktop
(headless sway with swaybar's tray), read back through sway's tree: which
window has the keyboard focus, which windows are there.

- A box raised in the add-words dialog takes the keyboard: Enter answers it
  at once and the dialog has the focus again.
- Going into the transcription field brings up the keyboard beside the
  dialog (what changes on the screen outside the dialog), without a window
  of its own that would take the focus.

Usage: windows_wayland_test.py BUILD_DIR
"""
import json
import os
import re
import subprocess
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop, install_prefix  # noqa: E402
from e2e_test import dict_records  # noqa: E402
from sway import SwaySession, item_of, open_to_all, set_values, stop  # noqa: E402

BUILD = None
ADD_CAPTION = "Mox! <> Добавление лексики"
BOX = "Mox!"


def installed():
    prefix = install_prefix(BUILD)
    open_to_all(prefix)
    return os.path.join(prefix, "bin", "mox")


def focused(d):
    """The title of the window sway gives the keyboard, or None."""
    out = d.run(["swaymsg", "-t", "get_tree", "-r"]).stdout

    def walk(node):
        if node.get("focused") and node.get("type") in ("con", "floating_con"):
            return node.get("name")
        for child in node.get("nodes", []) + node.get("floating_nodes", []):
            found = walk(child)
            if found is not None:
                return found
        return None
    return walk(json.loads(out)) if out else None


def window_rect(d, title):
    """The window's box on the output (x, y, width, height), its title bar included."""
    out = d.run(["swaymsg", "-t", "get_tree", "-r"]).stdout

    def walk(node):
        if node.get("name") == title and node.get("type") in ("con", "floating_con"):
            r, deco = node["rect"], node.get("deco_rect", {})
            top = deco.get("height", 0)
            return r["x"], r["y"] - top, r["width"], r["height"] + top
        for child in node.get("nodes", []) + node.get("floating_nodes", []):
            found = walk(child)
            if found:
                return found
        return None
    return walk(json.loads(out))


def changed_outside(d, before, after, rect):
    """The box (x, y, width, height) of what changed on the screen between two
    shots outside `rect`, or None where nothing did."""
    x, y, w, h = rect
    out = subprocess.run(["convert", before, after, "-compose", "difference", "-composite", "-threshold", "0",
                          "-fill", "black", "-draw", "rectangle %d,%d %d,%d" % (x, y, x + w - 1, y + h - 1),
                          "-format", "%@", "info:"], capture_output=True, text=True, check=True).stdout
    m = re.match(r"(\d+)x(\d+)\+(\d+)\+(\d+)", out)
    if not m or int(m.group(1)) <= 1:
        return None
    w2, h2, x2, y2 = map(int, m.groups())
    return x2, y2, w2, h2


def keys(d, *args):
    """Keys through a virtual keyboard: wtype's arguments ("-k", "Return", text)."""
    d.run(["wtype", "-s", "300", "-d", "40"] + list(args), check=True, timeout=30)


@unittest.skipUnless(shutil.which("sway") and shutil.which("swaybar") and shutil.which("wtype"),
                     "sway, swaybar or wtype is missing")
class WindowsOnSway(unittest.TestCase):
    def test_a_box_takes_the_keyboard_and_the_transcription_keyboard_never_does(self):
        program = installed()
        with SwaySession() as d:
            conf = os.path.join(d.env["XDG_CONFIG_HOME"], "Jov Software", "Mox!.conf")
            proc = d.start([program])
            Desktop.wait(lambda: item_of(d, proc), 20, "the icon in the bar")
            stop(proc)
            set_values(conf, uiTimer=600000)
            dct = os.path.join(d.env["XDG_DATA_HOME"], "mox", "voc", "english.dct")
            known = next(r["word"] for r in dict_records(dct) if r["deleted"] == 0).decode("cp1252")

            proc = d.start([program])
            item = Desktop.wait(lambda: item_of(d, proc), 20, "the icon in the bar")
            d.menu_click(item, "Добавить _лексику")
            Desktop.wait(lambda: focused(d) == ADD_CAPTION, 10, "the add-words dialog with the focus")

            # A word the dictionary holds, Enter to the transcription: the
            # keyboard comes up beside the dialog, not over it, and leaves the
            # focus with the dialog.
            keys(d, known)
            time.sleep(0.5)
            before, after = os.path.join(d.home, "before.png"), os.path.join(d.home, "after.png")
            d.screenshot(before)
            keys(d, "-k", "Return")
            time.sleep(1.5)
            d.screenshot(after)
            dialog = window_rect(d, ADD_CAPTION)
            keyboard = changed_outside(d, before, after, dialog)
            self.assertIsNotNone(keyboard, "no keyboard beside the dialog %s" % (dialog,))
            self.assertGreaterEqual(keyboard[2], 210, "the keyboard is partly over the dialog: %s" % (keyboard,))
            self.assertFalse(keyboard[0] < dialog[0] + dialog[2] and dialog[0] < keyboard[0] + keyboard[2]
                             and keyboard[1] < dialog[1] + dialog[3] and dialog[1] < keyboard[1] + keyboard[3],
                             "the keyboard %s meets the dialog %s" % (keyboard, dialog))
            self.assertEqual(focused(d), ADD_CAPTION, "the transcription keyboard took the focus")
            self.assertEqual(sorted(d.windows()).count(ADD_CAPTION), 1)
            self.assertEqual([t for t in d.windows() if t.strip() == ""], [],
                             "the transcription keyboard is a window of its own")

            # Enter, "x", Enter: the box says the word is there, with the focus.
            keys(d, "-k", "Return", "x", "-k", "Return")
            Desktop.wait(lambda: focused(d) == BOX, 10, "the box with the focus (sway focuses %r)" % focused(d))
            keys(d, "-k", "Return")
            Desktop.wait(lambda: not d.shows(BOX), 5, "Enter to close the box")
            Desktop.wait(lambda: focused(d) == ADD_CAPTION, 5, "the dialog with the focus again")

            # Esc closes the box as well.
            keys(d, "-k", "Return")
            Desktop.wait(lambda: focused(d) == BOX, 10, "the box again with the focus")
            keys(d, "-k", "Escape")
            Desktop.wait(lambda: not d.shows(BOX), 5, "Esc to close the box")
            keys(d, "-k", "Escape")
            Desktop.wait(lambda: not d.shows(ADD_CAPTION), 10, "the dialog to close")
            out = stop(proc)
            self.assertEqual(proc.returncode, 0, out)


if __name__ == "__main__":
    BUILD = sys.argv.pop(1)
    unittest.main(verbosity=2)
