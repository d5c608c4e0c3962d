#!/usr/bin/env python3
"""Every window of the program on an X11 desktop (Xvfb with icewm's tray) in
three looks: at 100%, at 200% (QT_SCALE_FACTOR=2, on a screen of twice the
pixels) and at 100% with a large system font (the desktop's font set to 16 points in kdeglobals, which Qt
reads under a KDE session). Each window is shot to
BUILD/window-shots/<look>/<window>.png for a person to look at, and read
over the accessibility bus: every control lies inside its window, the
window lies on the screen, and no two controls overlap.

Usage: window_shots_test.py BUILD_DIR
"""
import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import accessible  # noqa: E402
from desktop import Desktop, install  # noqa: E402
from editing_test import ADD_CAPTION  # noqa: E402
from windows_test import centre, on_screen  # noqa: E402

BUILD = None
WINDOW = "<> Mox!"
SHEET = "Mox! <> Настройки"
EXCLUDE = "Mox! <> Исключение лексики"
# The screen of each look: 200% is what a screen of twice the pixels gets.
SCREENS = {"100": (1280, 1024), "200": (2560, 2048), "large-font": (1280, 1024)}
# Controls whose boxes must neither leave their window nor meet each other.
CONTROLS = {"push button", "label", "text", "combo box", "check box", "radio button", "spin button",
            "toggle button", "page tab", "slider"}
LOOKS = {
    "100": {},
    "200": {"QT_SCALE_FACTOR": "2"},
    "large-font": {"XDG_CURRENT_DESKTOP": "KDE", "KDE_SESSION_VERSION": "5", "KDE_FULL_SESSION": "true"},
}
LARGE_FONT = "[General]\nfont=DejaVu Sans,16,-1,5,50,0,0,0,0,0\nmenuFont=DejaVu Sans,16,-1,5,50,0,0,0,0,0\n"


def inside(inner, outer, slack=1):
    return (inner[0] >= outer[0] - slack and inner[1] >= outer[1] - slack
            and inner[0] + inner[2] <= outer[0] + outer[2] + slack
            and inner[1] + inner[3] <= outer[1] + outer[3] + slack)


def overlap(a, b):
    """The area two boxes share (x, y, width, height)."""
    w = min(a[0] + a[2], b[0] + b[2]) - max(a[0], b[0])
    h = min(a[1] + a[3], b[1] + b[3]) - max(a[1], b[1])
    return max(0, w) * max(0, h)


class WindowShots(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.mox = install(BUILD)

    def start(self, d, look):
        d.env.update(LOOKS[look])
        if look == "large-font":
            os.makedirs(d.env["XDG_CONFIG_HOME"], exist_ok=True)
            with open(os.path.join(d.env["XDG_CONFIG_HOME"], "kdeglobals"), "w") as f:
                f.write(LARGE_FONT)
        d.bus = accessible.start_bus(d)
        self.addCleanup(accessible.stop_bus, d.bus)
        proc = d.start([self.mox])
        d.wait(lambda: d.tray_icon("mox") or (proc.poll() is not None and self.fail("mox ended")),
               20, "the icon in the tray")
        return proc

    def menu(self, d, *keys):
        d.tray_menu("mox", *keys)

    def check(self, d, proc, look, title, name):
        """Shoots the window `title` and checks its controls; gives the failures."""
        time.sleep(0.8)
        window = next((w for w in accessible.windows(d, proc.pid) if w["name"] == title), None)
        self.assertIsNotNone(window, "%s: no window %r" % (look, title))
        window = on_screen(d, window)
        self.last = window
        folder = os.path.join(BUILD, "window-shots", look)
        os.makedirs(folder, exist_ok=True)
        whole = os.path.join(folder, name + ".screen.png")
        d.screenshot(whole)
        box = window.get("extents")
        faults = []
        if box:
            left, top = max(0, box[0] - 8), max(0, box[1] - 30)
            right, bottom = min(self.screen[0], box[0] + box[2] + 8), min(self.screen[1], box[1] + box[3] + 8)
            subprocess.run(["convert", whole, "-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top),
                            "+repage", os.path.join(folder, name + ".png")], check=True)
            os.remove(whole)
            if not inside(box, (0, 0) + self.screen):
                faults.append("%s/%s: the window %s leaves the screen" % (look, name, box))
        controls = [n for n in window["nodes"] if n["role"] in CONTROLS and n.get("extents")
                    and n["extents"][2] > 0 and n["extents"][3] > 0]
        for n in controls:
            if box and not inside(n["extents"], box):
                faults.append("%s/%s: %s %r %s is cut off by the window %s"
                              % (look, name, n["role"], n["name"] or n["text"], n["extents"], box))
        for i, a in enumerate(controls):
            for b in controls[i + 1:]:
                if overlap(a["extents"], b["extents"]) > 0:
                    faults.append("%s/%s: %s %r %s meets %s %r %s"
                                  % (look, name, a["role"], a["name"] or a["text"], a["extents"],
                                     b["role"], b["name"] or b["text"], b["extents"]))
        return faults

    def every_window(self, look):
        faults = []
        self.screen = SCREENS[look]
        with Desktop("%dx%d" % self.screen) as d:
            proc = self.start(d, look)

            d.click(*d.tray_icon("mox"))
            d.wait(lambda: d.visible_window(WINDOW), 10, "the learning window")
            faults += self.check(d, proc, look, WINDOW, "learning")
            d.key("ctrl+Delete")
            d.wait(lambda: d.visible_window(EXCLUDE), 10, "the exclude dialog")
            faults += self.check(d, proc, look, EXCLUDE, "exclude")
            d.key("Escape")
            d.wait(lambda: d.visible_window(EXCLUDE) is None, 10, "the exclude dialog to close")
            d.key("Escape")
            d.wait(lambda: d.tray_icon("mox"), 10, "the icon after hiding")

            self.menu(d, *(["Up"] * 4), "Return")  # "Добавить лексику"
            d.wait(lambda: d.visible_window(ADD_CAPTION), 10, "the add-words dialog")
            time.sleep(0.5)
            d.type("bath")
            d.key("Return")  # the transcription keyboard comes
            d.wait(lambda: d.visible_window(" "), 10, "the transcription keyboard")
            faults += self.check(d, proc, look, ADD_CAPTION, "add-words")
            d.key("Escape")
            d.wait(lambda: d.visible_window(ADD_CAPTION) is None, 10, "the dialog to close")

            self.menu(d, "Down", "Down", "Down", "Return")  # "Опции"
            d.wait(lambda: d.visible_window(SHEET), 10, "the options sheet")
            for page in ("general", "method", "dictionaries", "fonts", "results"):
                faults += self.check(d, proc, look, SHEET, "options-" + page)
                if page == "fonts":
                    buttons = [n for n in self.last["nodes"] if n["role"] == "push button"]
                    install = next(i for i, n in enumerate(buttons) if n["name"] == "Установить")
                    d.click(*centre(buttons[install - 3]["extents"]))  # the studied language's font
                    d.wait(lambda: d.visible_window("Mox! <> Шрифт"), 10, "the font dialog")
                    faults += self.check(d, proc, look, "Mox! <> Шрифт", "font")
                    d.key("Escape")
                    d.wait(lambda: d.visible_window("Mox! <> Шрифт") is None, 10, "the font dialog to close")
                d.key("ctrl+Tab")
            d.key("Escape")
            d.wait(lambda: d.visible_window(SHEET) is None, 10, "the sheet to close")

            self.menu(d, "Up", "Up", "Return")  # "О программе..."
            d.wait(lambda: d.visible_window("Mox! <> О программе"), 10, "the about box")
            faults += self.check(d, proc, look, "Mox! <> О программе", "about")
            d.key("Escape")
            d.wait(lambda: d.visible_window("Mox! <> О программе") is None, 10, "the about box to close")

            dc = d.start([os.path.join(d.env["XDG_DATA_HOME"], "mox", "mod", "dc")])
            d.wait(lambda: d.visible_window("Mox! <> Создание словаря"), 20, "the module's window")
            faults += self.check(d, dc, look, "Mox! <> Создание словаря", "module")
            dc.terminate()
            dc.wait(10)

            proc.terminate()
            self.assertEqual(proc.wait(10), 0)
        return faults

    def test_at_100_percent(self):
        faults = self.every_window("100")
        self.assertEqual(faults, [], "\n".join(faults))

    def test_at_200_percent(self):
        faults = self.every_window("200")
        self.assertEqual(faults, [], "\n".join(faults))

    def test_with_a_large_system_font(self):
        faults = self.every_window("large-font")
        self.assertEqual(faults, [], "\n".join(faults))


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
