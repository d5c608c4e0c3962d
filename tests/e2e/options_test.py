#!/usr/bin/env python3
"""The options sheet end to end: on the installed program, open "Mox! <>
Настройки" from the tray menu, change the interval and the list size with the
keyboard, press OK and read the settings file; turn "Автозагрузка Mox! " on,
start the program from the autostart entry through GLib (as a desktop session
would), open the sheet from the learning window's options button, and turn
autostart off again.

Usage: options_test.py BUILD_DIR
"""
import configparser
import os
import shlex
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop, install  # noqa: E402

BUILD = None
SHEET = "Mox! <> Настройки"
# The icon's window class: the instance name follows the name the program was
# started by ("mox" or the link "Mox"), the class is the application's.
ICON_CLASS = "Mox!"
# The options button in the learning window's client area (268 x 162 dialog units).
OPTIONS_BUTTON = ((6 + 8.5) / 268, (141 + 7) / 162)


def read_settings(path):
    """The settings file's groups. Qt writes the group "General" as
    "[%General]": its plain name holds the keys outside any group."""
    parser = configparser.ConfigParser(interpolation=None)
    parser.optionxform = str
    with open(path, encoding="utf-8") as f:
        parser.read_string(f.read())
    return {("General" if name == "%General" else name): parser[name]
            for name in parser.sections() if name != "General"}


def desktop_entry(path):
    """The [Desktop Entry] group's values, string escapes undone."""
    values = {}
    with open(path, encoding="utf-8") as f:
        assert f.readline().strip() == "[Desktop Entry]"
        for line in f:
            key, _, value = line.rstrip("\n").partition("=")
            out, i = "", 0
            while i < len(value):
                if value[i] == "\\" and i + 1 < len(value):
                    out += {"s": " ", "n": "\n", "t": "\t", "r": "\r", "\\": "\\"}.get(value[i + 1], value[i + 1])
                    i += 2
                else:
                    out += value[i]
                    i += 1
            values[key] = out
    return values


class OptionsSheet(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.mox = install(BUILD)

    def start_to_tray(self, d):
        proc = d.start([self.mox])
        d.wait(lambda: d.tray_icon(ICON_CLASS) or (proc.poll() is not None and self.fail("mox ended")),
               20, "the icon in the tray")
        return proc

    def menu(self, d, *keys):
        d.tray_menu(ICON_CLASS, *keys)

    def open_sheet(self, d):
        # "&Опции" is the third command from the top.
        self.menu(d, "Down", "Down", "Down", "Return")
        sheet = d.wait(lambda: d.visible_window(SHEET), 10, "the options sheet")
        time.sleep(0.5)
        return sheet

    def press_ok(self, d):
        d.key("Return")
        d.wait(lambda: d.visible_window(SHEET) is None, 10, "the sheet to close")
        time.sleep(0.3)

    def quit_through_menu(self, d, proc):
        self.menu(d, "Up", "Return")  # "&Выход" is the last item
        proc.wait(10)
        self.assertEqual(proc.returncode, 0)

    def test_interval_list_size_and_autostart(self):
        shots = os.environ.get("MOX_SCREENSHOTS")
        with Desktop() as d:
            conf = os.path.join(d.env["XDG_CONFIG_HOME"], "Jov Software", "Mox!.conf")
            entry = os.path.join(d.env["XDG_CONFIG_HOME"], "autostart", "Mox!.desktop")
            app_path = os.path.join(d.env["XDG_DATA_HOME"], "mox")
            proc = self.start_to_tray(d)

            # Interval and list size, typed; OK writes them.
            self.open_sheet(d)
            d.key("Tab", "Tab", "Tab")          # "Автозагрузка Mox! ", "Автопоказ", the minutes
            d.key("ctrl+a")
            d.type("12")
            d.key("ctrl+Tab")                   # "Методика", on its list size
            d.key("ctrl+a")
            d.type("25")
            if shots:
                d.screenshot(os.path.join(shots, "sheet-method.png"))
            self.press_ok(d)
            values = read_settings(conf)
            self.assertEqual(values["General"]["uiTimer"], str(12 * 60000))
            self.assertEqual(values["Dicts"]["iSubSetRecCount"], "25")
            self.assertEqual(values["General"]["bAutoLoad"], "0")
            self.assertFalse(os.path.exists(entry))
            self.assertIsNone(proc.poll())

            # "Автозагрузка Mox! " on: the entry starts the program in its folder.
            self.open_sheet(d)
            d.key("Tab", "space")
            self.press_ok(d)
            self.assertEqual(read_settings(conf)["General"]["bAutoLoad"], "1")
            values = desktop_entry(entry)
            self.assertEqual(values["Type"], "Application")
            self.assertEqual(values["Name"], "Mox!")
            self.assertEqual(values["Path"], app_path)
            self.assertEqual(shlex.split(values["Exec"]), [os.path.join(app_path, "Mox")])
            self.quit_through_menu(d, proc)
            self.assertIsNone(d.tray_icon(ICON_CLASS))

            # As the session would at login: GLib's reading of the entry runs
            # its Exec in its Path.
            subprocess.run(["gio", "launch", entry], env=d.env, check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            d.wait(lambda: d.tray_icon(ICON_CLASS), 20, "the program started from the entry")
            pid = int(d.run(["pgrep", "-n", "-f", "^" + os.path.join(app_path, "Mox")]).stdout.split()[0])
            self.assertEqual(os.readlink("/proc/%d/cwd" % pid), app_path)

            # Off again: the entry goes.
            self.open_sheet(d)
            d.key("Tab", "space")
            self.press_ok(d)
            self.assertFalse(os.path.exists(entry))
            self.assertEqual(read_settings(conf)["General"]["bAutoLoad"], "0")
            # The interval typed before is kept.
            self.assertEqual(read_settings(conf)["General"]["uiTimer"], str(12 * 60000))

            # The learning window's options button: the window waits
            # minimised behind the sheet, and comes back when Esc closes it.
            x, y = d.tray_icon(ICON_CLASS)
            d.run(["xdotool", "mousemove", str(x - 40), str(y - 40)])
            d.click(x, y)
            win = d.wait(lambda: d.visible_window("<> Mox!"), 10, "the learning window")
            time.sleep(0.5)
            d.click_at_fraction(win, *OPTIONS_BUTTON)
            d.wait(lambda: d.visible_window(SHEET), 10, "the sheet from the options button")
            time.sleep(0.5)
            self.assertIsNone(d.visible_window("<> Mox!"), "the learning window stayed up")
            if shots:
                d.screenshot(os.path.join(shots, "sheet-from-window.png"))
            d.key("Escape")
            d.wait(lambda: d.visible_window(SHEET) is None, 10, "Esc to close the sheet")
            d.wait(lambda: d.visible_window("<> Mox!"), 10, "the learning window back")
            d.key("Escape")  # hides the window again
            d.wait(lambda: d.tray_icon(ICON_CLASS), 10, "the icon after hiding")
            self.menu(d, "Up", "Return")  # "&Выход"
            d.wait(lambda: not os.path.exists("/proc/%d" % pid), 10, "the program to end")


if __name__ == "__main__":
    BUILD = sys.argv.pop(1)
    unittest.main(verbosity=2)
