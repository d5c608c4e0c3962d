#!/usr/bin/env python3
"""The help window comes with its module, on the installed program: while
the program waits in the tray it maps neither Qt Help nor Qt Sql; F1 in the
learning window brings up the help window and only then are they mapped.
With the module gone from the installation, F1 gives a box that says help
cannot be shown and why, and the program carries on.

Usage: help_module_test.py BUILD_DIR
"""
import os
import shutil
import signal
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import accessible  # noqa: E402
from desktop import Desktop, install_prefix  # noqa: E402

BUILD = None
WINDOW = "<> Mox!"
HELP = "Mox! <> Справка"
BOX = "Mox!"
HELP_LIBRARIES = ("libQt6Help.so", "libQt6Sql.so")


def mapped(pid):
    """The file names of the shared libraries process `pid` maps."""
    with open("/proc/%d/maps" % pid) as f:
        return {os.path.basename(line.split()[-1]) for line in f if ".so" in line}


def maps_any(pid, library):
    return any(name.startswith(library) for name in mapped(pid))


class HelpModule(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix = install_prefix(BUILD)
        cls.mox = os.path.join(cls.prefix, "bin", "mox")
        cls.module = os.path.join(cls.prefix, "lib", "mox", "plugins", "help-window.so")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.prefix, ignore_errors=True)

    def start(self, d):
        proc = subprocess.Popen([self.mox], env=d.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        d.procs.append(proc)
        d.wait(lambda: d.tray_icon("mox") or (proc.poll() is not None and self.fail("mox ended")), 30,
               "the icon in the tray")
        return proc

    def stop(self, proc):
        proc.send_signal(signal.SIGTERM)
        self.assertEqual(proc.wait(15), 0)

    def press_f1_in_learning_window(self, d):
        x, y = d.tray_icon("mox")
        d.run(["xdotool", "mousemove", str(x - 40), str(y - 40)])
        d.click(x, y)
        window = d.wait(lambda: d.visible_window(WINDOW), 15, "the learning window")
        d.wait(lambda: d.run(["xdotool", "getactivewindow"], check=False).stdout.strip() == window, 10,
               "the learning window to have the focus")
        time.sleep(0.3)
        d.key("F1")

    def box_text(self, d, proc):
        def text():
            for window in accessible.windows(d, proc.pid):
                if window["name"] == BOX:
                    return "\n".join(n["name"] for n in window["nodes"] if n["role"] == "label" and n["name"])
            return None
        return d.wait(text, 20, "the text of the box")

    def test_help_libraries_load_with_the_help_window_only(self):
        self.assertTrue(os.path.isfile(self.module), "the help module is not installed")
        with Desktop() as d:
            proc = self.start(d)
            for library in HELP_LIBRARIES:
                self.assertFalse(maps_any(proc.pid, library), library + " mapped while waiting")
            self.press_f1_in_learning_window(d)
            d.wait(lambda: d.visible_window(HELP), 20, "the help window")
            for library in HELP_LIBRARIES:
                self.assertTrue(maps_any(proc.pid, library), library + " not mapped with the help window")
            self.stop(proc)

    def test_without_the_module_help_says_why_and_the_program_goes_on(self):
        aside = self.module + ".aside"
        os.rename(self.module, aside)
        self.addCleanup(lambda: os.path.exists(aside) and os.rename(aside, self.module))
        with Desktop() as d:
            self.addCleanup(accessible.stop_bus, accessible.start_bus(d))
            proc = self.start(d)
            self.press_f1_in_learning_window(d)
            text = self.box_text(d, proc)
            self.assertIn("Справку показать нельзя", text)
            self.assertIn("help-window.so", text)
            self.assertIsNone(d.visible_window(HELP))
            box = d.visible_window(BOX)
            d.run(["xdotool", "windowactivate", "--sync", box], check=False)
            d.key("Return")
            d.wait(lambda: d.visible_window(BOX) is None, 10, "the box to close")
            self.assertIsNone(proc.poll(), "the program ended")
            self.assertFalse(maps_any(proc.pid, "libQt6Help.so"))
            # Once the module is back, help opens without a restart.
            os.rename(aside, self.module)
            d.wait(lambda: d.visible_window(WINDOW), 10, "the learning window after the box")
            d.key("F1")
            d.wait(lambda: d.visible_window(HELP), 20, "the help window once the module is back")
            self.stop(proc)


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
