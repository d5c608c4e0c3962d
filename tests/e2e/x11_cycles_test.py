#!/usr/bin/env python3
"""Start, show, hide and end, over and over, on an X11 desktop (Xvfb with
icewm's tray), with the frame-delay library of the Wayland cycles preloaded
(it changes nothing without Wayland): every end is a normal one, after the
list is written, and leaves no icon behind.

Usage: x11_cycles_test.py BUILD_DIR
"""
import os
import signal
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop, install  # noqa: E402

BUILD = None
CAPTION = "<> Mox!"
ABNORMAL = ("Assertion", "Aborted", "Segmentation", "core dumped")


class OnX11(unittest.TestCase):
    def test_six_start_show_hide_terminate_cycles_end_normally(self):
        mox = install(BUILD)
        shim = os.path.join(BUILD, "tests", "e2e", "libmox_frame_delay.so")
        self.assertTrue(os.path.exists(shim), "build the frame-delay library")
        with Desktop() as d:
            lst = os.path.join(d.env["XDG_DATA_HOME"], "mox", "voc", "english.lst")
            for n in range(6):
                proc = subprocess.Popen([mox], env=dict(d.env, LD_PRELOAD=shim), stdout=subprocess.PIPE,
                                        stderr=subprocess.STDOUT, text=True)
                d.procs.append(proc)
                icon = d.wait(lambda: d.tray_icon("mox") or proc.poll() is not None, 20, "the icon in the tray")
                self.assertIsNone(proc.poll(), "cycle %d: the program ended at start" % (n + 1))
                self.assertIsNone(d.visible_window(CAPTION), "the start shows nothing")
                d.click(*icon)
                d.wait(lambda: d.visible_window(CAPTION), 10, "the learning window")
                d.key("Escape")
                d.wait(lambda: d.visible_window(CAPTION) is None, 10, "the window to hide")
                if os.path.exists(lst):
                    os.remove(lst)
                proc.send_signal(signal.SIGTERM)
                out, _ = proc.communicate(timeout=10)
                self.assertEqual(proc.returncode, 0, "cycle %d: %s" % (n + 1, out))
                self.assertFalse(any(marker in out for marker in ABNORMAL), out)
                self.assertTrue(os.path.exists(lst), "cycle %d: the list was not written" % (n + 1))
                d.wait(lambda: d.tray_icon("mox") is None, 10, "the icon to go")


if __name__ == "__main__":
    BUILD = sys.argv.pop(1)
    unittest.main(verbosity=2)
