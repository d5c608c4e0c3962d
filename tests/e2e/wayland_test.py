#!/usr/bin/env python3
"""Mox! on a Wayland desktop: a headless sway session without a tray, typed
at through a virtual keyboard (wtype). The learning window waits while the
user types in another program and comes up once the user has been quiet; a
second start shows the window of the running copy, since no tray icon can.

Usage: wayland_test.py BUILD_DIR
"""
import os
import shutil
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop, install_prefix  # noqa: E402
from sway import SwaySession, open_to_all, set_values, stop  # noqa: E402

BUILD = None
CAPTION = "<> Mox!"


def installed():
    prefix = install_prefix(BUILD)
    open_to_all(prefix)
    return os.path.join(prefix, "bin", "mox")


@unittest.skipUnless(shutil.which("sway") and shutil.which("wtype") and shutil.which("swaymsg"),
                     "sway, swaymsg or wtype is missing")
class OnSway(unittest.TestCase):
    def test_quiet_seconds_typing_and_a_second_start_without_tray(self):
        program = installed()
        with SwaySession(bar=False) as d:
            conf = os.path.join(d.env["XDG_CONFIG_HOME"], "Jov Software", "Mox!.conf")
            # The first run makes the settings; without a tray the user is told
            # how to reach the window, in a box and on standard error, once
            # the session has had some seconds to bring one up.
            proc = d.start([program])
            Desktop.wait(lambda: os.path.exists(conf), 20, "the settings file")
            Desktop.wait(lambda: d.shows("Mox!"), 30, "the box that says there is no tray")
            self.assertNotIn(CAPTION, d.windows(), "the start does not show the learning window")
            out = stop(proc)
            self.assertEqual(proc.returncode, 0, out)
            self.assertIn("activity is seen through the compositor's idle notification", out)
            self.assertIn("this desktop has no tray; starting the program again shows the learning window", out)
            self.assertEqual(out.count("idle notification"), 1, "said once: " + out)

            # The copy is up once it listens for a second start, before the box.
            listening = os.path.join(d.env["XDG_RUNTIME_DIR"], "Mox!.socket")
            set_values(conf, uiTimer=2000, bAutoShow=1)
            proc = d.start([program])
            Desktop.wait(lambda: os.path.exists(listening), 20, "the copy to listen for a second start")
            # Typing without a pause, in another program, for twelve seconds:
            # every five-second look sees the user busy.
            typing_began = time.monotonic()
            while time.monotonic() - typing_began < 12:
                d.type("the quick brown fox ", 60)
                self.assertNotIn(CAPTION, d.windows(), "the window came up while the user typed")
            stopped = time.monotonic()
            Desktop.wait(lambda: d.shows(CAPTION), 20, "the automatic showing after the typing")
            waited = time.monotonic() - stopped
            # At least five quiet seconds; at most the check running when the
            # typing stopped and one quiet check after it.
            self.assertGreaterEqual(waited, 4.5)
            self.assertLessEqual(waited, 11.5)
            d.screenshot(os.path.join(tempfile.gettempdir(), "mox-wayland-shown.png"))

            # Started afresh with a long interval, the window is reached only
            # by starting the program again.
            out = stop(proc)
            self.assertEqual(proc.returncode, 0, out)

            set_values(conf, uiTimer=600000)
            proc = d.start([program])
            Desktop.wait(lambda: os.path.exists(listening), 20, "the copy to listen for a second start")
            self.assertNotIn(CAPTION, d.windows())
            second = d.run([program], timeout=20)
            self.assertEqual(second.returncode, 0, second.stdout + second.stderr)
            Desktop.wait(lambda: d.shows(CAPTION), 10, "the running copy's window after a second start")
            out = stop(proc)
            self.assertEqual(proc.returncode, 0, out)


if __name__ == "__main__":
    BUILD = sys.argv.pop(1)
    unittest.main(verbosity=2)
