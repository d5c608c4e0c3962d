#!/usr/bin/env python3
"""Mox! in a Wayland session with a tray: a headless sway with swaybar and
its tray on a session bus of its own, everything as one unprivileged user.
The icon registers with the bar's item watcher and exports its menu; the
bar's clicks reach the program; a bar that comes after the program still
gets the icon; start, show, hide and termination never end abnormally, also
with Qt's frame-callback race widened; a keyboard layout switched for the
typed answer is given back when the window hides.

Usage: wayland_tray_test.py BUILD_DIR
"""
import os
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop, install_prefix  # noqa: E402
from sway import SwaySession, item_of, open_to_all, set_values, stop  # noqa: E402

BUILD = None
CAPTION = "<> Mox!"
# What an abnormal end of a Wayland client leaves in its output.
ABNORMAL = ("Assertion", "wl_proxy", "Aborted", "Segmentation", "core dumped")
MENU = ["Открыть _Mox!", "Выключить автопоказ", "_Опции", "Добавить _лексику", "Помощь", "О _программе...",
        "_Выход"]


def installed():
    prefix = install_prefix(BUILD)
    open_to_all(prefix)
    return os.path.join(prefix, "bin", "mox")


def helper(name):
    path = os.path.join(BUILD, "tests", "e2e", name)
    assert os.path.exists(path), "build the test helper " + name
    return path


def first_run(d, program):
    """Lets the program set itself up once; gives the settings file."""
    conf = os.path.join(d.env["XDG_CONFIG_HOME"], "Jov Software", "Mox!.conf")
    proc = d.start([program])
    Desktop.wait(lambda: os.path.exists(conf), 20, "the settings file")
    Desktop.wait(lambda: item_of(d, proc), 20, "the icon in the bar")
    out = stop(proc)
    assert proc.returncode == 0, out
    return conf


def one_cycle(d, program, key_gap_ms, **env):
    """Start, show from the tray, a key typed into the answer and Esc
    `key_gap_ms` later (the hide follows the key's repaint closely), SIGTERM:
    gives (exit status, output)."""
    proc = d.start([program], **env)
    item = Desktop.wait(lambda: item_of(d, proc) or proc.poll() is not None, 20, "the icon in the bar")
    if item is True:
        return proc.returncode, proc.stdout.read()
    d.item_call(item, "Activate", "0", "0")
    Desktop.wait(lambda: d.shows(CAPTION) or proc.poll() is not None, 10, "the learning window")
    # A new virtual keyboard's first keys are lost for a moment: wtype waits.
    d.run(["wtype", "-s", "300", "-d", str(key_gap_ms), "x", "-k", "Escape"], timeout=20)
    try:
        Desktop.wait(lambda: not d.shows(CAPTION) or proc.poll() is not None, 3, "the window to hide")
    except AssertionError:
        d.close_window(CAPTION)  # the keys went astray: the close button's way
        Desktop.wait(lambda: not d.shows(CAPTION) or proc.poll() is not None, 10, "the window to hide")
    if proc.poll() is not None:
        return proc.returncode, proc.stdout.read()
    out = stop(proc)
    return proc.returncode, out


def abnormal(status, out):
    return status != 0 or any(marker in out for marker in ABNORMAL)


@unittest.skipUnless(shutil.which("sway") and shutil.which("swaybar") and shutil.which("gdbus"),
                     "sway, swaybar or gdbus is missing")
class TrayOnSway(unittest.TestCase):
    def test_icon_menu_and_the_bars_clicks(self):
        program = installed()
        with SwaySession() as d:
            conf = first_run(d, program)
            lst = os.path.join(d.env["XDG_DATA_HOME"], "mox", "voc", "english.lst")
            set_values(conf, uiTimer=600000)
            proc = d.start([program])
            item = Desktop.wait(lambda: item_of(d, proc), 20, "the icon in the bar")
            self.assertNotIn(CAPTION, d.windows(), "the start shows nothing")

            # The menu is exported for the bar to draw, with every command in order.
            path, layout = d.menu_layout(item)
            self.assertIsNotNone(path, d.item_property(item, "Menu"))
            self.assertNotEqual(path, "/NO_DBUSMENU")
            places = [layout.find("'%s'" % label) for label in MENU]
            self.assertNotIn(-1, places, layout)
            self.assertEqual(places, sorted(places), layout)

            # A left click (Activate) brings up the learning window, and the
            # icon goes; closing the window hides it again and the icon comes
            # back (registered anew).
            d.item_call(item, "Activate", "0", "0")
            Desktop.wait(lambda: d.shows(CAPTION), 10, "the learning window after Activate")
            Desktop.wait(lambda: item_of(d, proc) is None, 10, "the icon to go while the window is up")
            d.close_window(CAPTION)
            Desktop.wait(lambda: not d.shows(CAPTION), 10, "the window to hide")
            item = Desktop.wait(lambda: item_of(d, proc), 10, "the icon back")

            # A bar that asks the program for a menu of its own (ContextMenu)
            # gets the learning window, never a window of the menu.
            d.item_call(item, "ContextMenu", "0", "0")
            Desktop.wait(lambda: d.shows(CAPTION), 10, "the learning window after ContextMenu")
            time.sleep(0.5)
            self.assertEqual(d.windows(), [CAPTION])
            d.close_window(CAPTION)
            Desktop.wait(lambda: not d.shows(CAPTION), 10, "the window to hide")
            item = Desktop.wait(lambda: item_of(d, proc), 10, "the icon back")

            # The exported menu's commands work, and the autoshow item follows.
            d.menu_click(item, "Выключить автопоказ")
            Desktop.wait(lambda: "'Включить автопоказ'" in d.menu_layout(item)[1], 10, "the autoshow item to turn")
            # A reloaded bar gets the icon again.
            d.run(["swaymsg", "reload"], check=True)
            time.sleep(1)
            item = Desktop.wait(lambda: item_of(d, proc), 20, "the icon after the bar's reload")

            # "Выход" ends the program, after writing the list.
            os.remove(lst)
            d.menu_click(item, "_Выход")
            out, _ = proc.communicate(timeout=10)
            self.assertFalse(abnormal(proc.returncode, out), out)
            self.assertTrue(os.path.exists(lst))
            Desktop.wait(lambda: item_of(d, proc) is None, 10, "the icon to go")
            self.assertNotIn("no tray", out)

    def test_a_bar_that_comes_late_still_gets_the_icon(self):
        program = installed()
        with SwaySession(bar=False) as d:
            started = time.monotonic()
            proc = d.start([program])
            conf = os.path.join(d.env["XDG_CONFIG_HOME"], "Jov Software", "Mox!.conf")
            Desktop.wait(lambda: os.path.exists(conf), 20, "the settings file")
            # Meanwhile a second start shows the learning window.
            time.sleep(1)
            second = d.run([program], timeout=20)
            self.assertEqual(second.returncode, 0, second.stdout + second.stderr)
            Desktop.wait(lambda: d.shows(CAPTION), 10, "the window after a second start")
            d.close_window(CAPTION)
            Desktop.wait(lambda: not d.shows(CAPTION), 10, "the window to hide")

            # The bar comes eight seconds after the program, as in a slow login.
            time.sleep(max(0.0, started + 8 - time.monotonic()))
            d.start_bar()
            item = Desktop.wait(lambda: item_of(d, proc), 20, "the icon in the late bar")
            # No box that says there is no tray, neither now nor later.
            time.sleep(max(0.0, started + 13 - time.monotonic()))
            self.assertEqual(d.windows(), [])
            # With the icon, a second start does nothing; the icon is the way in.
            second = d.run([program], timeout=20)
            self.assertEqual(second.returncode, 0)
            time.sleep(1)
            self.assertNotIn(CAPTION, d.windows())
            d.item_call(item, "Activate", "0", "0")
            Desktop.wait(lambda: d.shows(CAPTION), 10, "the learning window after Activate")

            out = stop(proc)
            self.assertFalse(abnormal(proc.returncode, out), out)
            self.assertIn("the desktop's notification area is there", out)
            self.assertNotIn("no tray", out)

    def test_twenty_cycles_with_the_frame_race_widened_end_normally(self):
        program = installed()
        shim = helper("libmox_frame_delay.so")
        with SwaySession() as d:
            # Typed answers, so that a key repaints the answer field.
            set_values(first_run(d, program), uiTimer=600000, iMainRegim=1)
            waits = os.path.join(d.home, "frame-waits")
            failures = []
            for n in range(20):
                # Esc from 4 to 23 ms after the key: the hide sweeps the time
                # in which the frame of the key's repaint is done.
                status, out = one_cycle(d, program, 4 + n, LD_PRELOAD=shim, MOX_FRAME_DELAY_LOG=waits)
                if abnormal(status, out):
                    failures.append("cycle %d: status %s\n%s" % (n + 1, status, out))
            self.assertEqual(failures, [])
            # The race was widened for real: the frame thread waited.
            self.assertGreater(os.path.getsize(waits), 0)

    def test_hides_right_after_paints_never_abort(self):
        # The program's hide, a few milliseconds after each of 200 paints,
        # with the frame thread's race widened.
        race = helper("frame_race")
        with SwaySession(bar=False) as d:
            waits = os.path.join(d.home, "frame-waits")
            proc = d.start([race, "safe", "200"], LD_PRELOAD=helper("libmox_frame_delay.so"),
                           MOX_FRAME_DELAY_LOG=waits)
            out, _ = proc.communicate(timeout=120)
            self.assertFalse(abnormal(proc.returncode, out), out)
            self.assertIn("cycles 200", out)
            self.assertGreater(os.path.getsize(waits), 100)

    def test_a_layout_switched_for_the_answer_is_given_back(self):
        program = installed()
        with SwaySession() as d:
            keyboard = helper("mox_test_keyboard")
            # The user's keyboard with two layouts, and after it a one-layout
            # virtual keyboard (an on-screen keyboard), which sway lists first.
            for layouts in ("us,ru", "us"):
                kb = d.start([keyboard, layouts])
                self.assertEqual(kb.stdout.readline().strip(), "ready")

            def users_layout():
                for identifier, names, active in d.keyboards():
                    if names == ["English (US)", "Russian"]:
                        return names[active]
                return None

            self.assertEqual(users_layout(), "English (US)")
            conf = first_run(d, program)
            # Typed answers in the translation language, Russian.
            set_values(conf, uiTimer=600000, iMainRegim=1, iDemoTypeInput=0, uiForeignLayout=1033,
                       uiNativeLayout=1049)
            proc = d.start([program])
            item = Desktop.wait(lambda: item_of(d, proc), 20, "the icon in the bar")
            d.item_call(item, "Activate", "0", "0")
            Desktop.wait(lambda: d.shows(CAPTION), 10, "the learning window")
            Desktop.wait(lambda: users_layout() == "Russian", 10, "Russian for the typed answer")
            d.close_window(CAPTION)
            Desktop.wait(lambda: not d.shows(CAPTION), 10, "the window to hide")
            Desktop.wait(lambda: users_layout() == "English (US)", 10, "the user's layout back")
            out = stop(proc)
            self.assertFalse(abnormal(proc.returncode, out), out)
            self.assertIn("keyboard layouts through sway IPC", out)


if __name__ == "__main__":
    BUILD = sys.argv.pop(1)
    unittest.main(verbosity=2)
