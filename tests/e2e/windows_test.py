#!/usr/bin/env python3
"""The program's windows as a learner uses them on an X11 desktop (Xvfb with
icewm's tray), read back the way a person sees them: which window has the
keyboard (`xdotool getwindowfocus`), whose window a box is (its transient
owner), what the windows say (over the accessibility bus) and where they are.

- A box raised in the add-words dialog belongs to the dialog and takes the
  keyboard: Enter, Esc and Space answer it at once; so does one raised in
  the dictionary editor.
- The fonts page speaks Russian: the file chooser and the boxes' buttons,
  whatever the locale; the chooser and the font dialog are titled
  "Mox! <> ..."; installing a font asks first, and the arrow keys move
  between the question's buttons; the font dialog's sample is written in the
  chosen set's script and its size list keeps the stored size; a choice
  refreshes every button of the page at once.
- The transcription keyboard leaves the field, its message and the buttons
  in sight, never takes the keyboard and has no title; the field's refusal
  names the code page as a learner knows it.
- The learning window's "--" button shows two dashes.
- A first start greets the newcomer with a tray notification; the next start
  does not.

Usage: windows_test.py BUILD_DIR
"""
import os
import re
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import accessible  # noqa: E402
from desktop import Desktop, install  # noqa: E402
from e2e_test import dict_records  # noqa: E402
from editing_test import ADD_CAPTION, keyboard_key  # noqa: E402

BUILD = None
WINDOW = "<> Mox!"
SHEET = "Mox! <> Настройки"
BOX = "Mox!"
KEYBOARD_WIDTH = 213
# A TrueType font every desktop of the project has (fonts-dejavu-core).
SYSTEM_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
WELCOME = "ждёт в области уведомлений"


def meets(a, b):
    """Whether two rectangles (x, y, width, height) share a pixel."""
    return a[0] < b[0] + b[2] and b[0] < a[0] + a[2] and a[1] < b[1] + b[3] and b[1] < a[1] + a[3]


def centre(box):
    return box[0] + box[2] // 2, box[1] + box[3] // 2


def grey_rows(path, box):
    """The rows of a part of a screenshot as lists of grey values (0 black)."""
    x, y, w, h = box
    raw = subprocess.run(["convert", path, "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage",
                          "-colorspace", "gray", "-depth", "8", "gray:-"], capture_output=True, check=True).stdout
    return [list(raw[r * w:(r + 1) * w]) for r in range(h)]


def dark_runs(row, threshold=110):
    """How many separate stretches of dark pixels a row holds."""
    runs, inside = 0, False
    for value in row:
        dark = value < threshold
        runs += dark and not inside
        inside = dark
    return runs


def ink_height(path, box, threshold=110):
    """How many rows of a part of a screenshot hold dark pixels (a text's height)."""
    return sum(1 for row in grey_rows(path, box) if dark_runs(row, threshold))


def on_screen(d, window):
    """The window read over the accessibility bus with its widgets' boxes
    where the X server has them, in the screen's pixels: the program's idea
    of its window's place can lag behind the one the window manager gave it
    (by the title bar), and a scaled program speaks of its own pixels."""
    box = window.get("extents")
    found = d.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % re.escape(window["name"])],
                  check=False).stdout.split() if box else []
    for x, y, w, h in map(d.geometry, found):
        scale = w / box[2] if box[2] else 0
        if scale and abs(h - box[3] * scale) <= 2 * scale:
            wx, wy = box[0], box[1]
            for n in [window] + window["nodes"]:
                e = n.get("extents")
                if e:
                    n["extents"] = [round(x + (e[0] - wx) * scale), round(y + (e[1] - wy) * scale),
                                    round(e[2] * scale), round(e[3] * scale)]
            break
    return window


class Windows(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.mox = install(BUILD)

    # ------------------------------------------------------------ helpers

    def start(self, d):
        """Starts the program on `d` with its windows readable; waits for the icon."""
        if not getattr(d, "bus", None):
            d.bus = accessible.start_bus(d)
            self.addCleanup(accessible.stop_bus, d.bus)
        proc = d.start([self.mox])
        d.wait(lambda: d.tray_icon("mox") or (proc.poll() is not None and self.fail("mox ended")),
               20, "the icon in the tray")
        return proc

    def quit(self, d, proc):
        self.menu(d, "Up", "Return")  # "&Выход" is the last item
        proc.wait(10)
        self.assertEqual(proc.returncode, 0)

    def menu(self, d, *keys):
        d.tray_menu("mox", *keys)

    def focus(self, d):
        return int(d.run(["xdotool", "getwindowfocus"]).stdout.split()[0])

    def wait_focus(self, d, window, what):
        """Waits until `window` has the keyboard; fails naming the window that has it."""
        try:
            d.wait(lambda: self.focus(d) == int(window), 5, what)
        except AssertionError:
            other = d.run(["xdotool", "getwindowname", str(self.focus(d))], check=False).stdout.strip()
            self.fail("%s: the keyboard is with %r" % (what, other))

    def transient_owner(self, d, window):
        out = d.run(["xprop", "-id", str(window), "WM_TRANSIENT_FOR"], check=False).stdout
        m = re.search(r"window id # (0x[0-9a-f]+)", out)
        return int(m.group(1), 16) if m else None

    def title(self, d, window):
        out = d.run(["xprop", "-id", str(window), "_NET_WM_NAME", "WM_NAME"], check=False).stdout
        return re.findall(r'= "(.*)"', out)

    def frame(self, d, window):
        """The window's box on the screen with its frame (x, y, width, height)."""
        x, y, w, h = d.geometry(window)
        out = d.run(["xprop", "-id", str(window), "_NET_FRAME_EXTENTS"], check=False).stdout
        m = re.search(r"=\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+)", out)
        left, right, top, bottom = map(int, m.groups()) if m else (0, 0, 0, 0)
        return x - left, y - top, w + left + right, h + top + bottom

    def nodes(self, d, proc, title):
        """The showing widgets of the program's window `title` (over the
        accessibility bus), or None while it is not showing."""
        for window in accessible.windows(d, proc.pid):
            if window["name"] == title:
                return on_screen(d, window)["nodes"]
        return None

    def node(self, d, proc, title, role, name=None, text=None):
        """The first widget of that role (and name or text) in the window."""
        def find():
            for n in self.nodes(d, proc, title) or []:
                if n["role"] == role and (name is None or n["name"] == name) and \
                        (text is None or text in n["text"] or text in n["name"]):
                    return n
            return None
        return d.wait(find, 15, "%s %r in %r" % (role, name or text, title))

    def box(self, d):
        return d.wait(lambda: d.visible_window(BOX), 10, "the box")

    def open_add_dialog(self, d):
        self.menu(d, *(["Up"] * 4), "Return")  # "Добавить лексику"
        dialog = d.wait(lambda: d.visible_window(ADD_CAPTION), 10, "the add-words dialog")
        self.wait_focus(d, dialog, "the add-words dialog")
        time.sleep(0.3)
        return dialog

    def keyboard(self, d):
        for w in d.run(["xdotool", "search", "--onlyvisible", "--class", "mox"], check=False).stdout.split():
            try:
                if d.geometry(w)[2] == KEYBOARD_WIDTH:
                    return w
            except Exception:
                continue
        return None

    # ------------------------------------------------------------ the tests

    def test_a_box_raised_in_the_add_dialog_belongs_to_it_and_takes_the_keyboard(self):
        with Desktop() as d:
            proc = self.start(d)
            dct = os.path.join(d.env["XDG_DATA_HOME"], "mox", "voc", "english.dct")
            known = next(r["word"] for r in dict_records(dct) if r["deleted"] == 0).decode("cp1252")

            # The learning window up, Ctrl+Insert, a word the dictionary holds.
            d.click(*d.tray_icon("mox"))
            window = d.wait(lambda: d.visible_window(WINDOW), 10, "the learning window")
            self.wait_focus(d, window, "the learning window")
            d.key("ctrl+Insert")
            dialog = d.wait(lambda: d.visible_window(ADD_CAPTION), 10, "the add-words dialog")
            self.wait_focus(d, dialog, "the add-words dialog")
            d.type(known)
            d.key("Return", "Return")
            d.type("x")
            d.key("Return")

            box = self.box(d)
            self.wait_focus(d, box, "the box")
            self.assertEqual(self.transient_owner(d, box), int(dialog))
            self.node(d, proc, BOX, "label", text="Добавляемое слово уже имеется в словаре.")
            self.node(d, proc, BOX, "push button", name="OK")
            d.key("Return")
            d.wait(lambda: d.visible_window(BOX) is None, 5, "Enter to close the box")
            self.wait_focus(d, dialog, "the dialog after the box")

            # Esc and Space answer the box as well.
            for key in ("Escape", "space"):
                d.key("Return")  # the same word again
                box = self.box(d)
                self.wait_focus(d, box, "the box again")
                d.key(key)
                d.wait(lambda: d.visible_window(BOX) is None, 5, key + " to close the box")
            self.wait_focus(d, dialog, "the dialog after the boxes")
            d.key("Escape")
            d.wait(lambda: d.visible_window(ADD_CAPTION) is None, 10, "the dialog to close")
            d.key("Escape")  # the learning window goes to the tray
            d.wait(lambda: d.tray_icon("mox"), 10, "the icon after hiding")
            self.quit(d, proc)

    def test_a_box_raised_in_the_editor_belongs_to_it_and_takes_the_keyboard(self):
        editor_title = "Mox! <> Редактирование"
        with Desktop() as d:
            proc = self.start(d)
            self.menu(d, "Down", "Down", "Down", "Return")  # "&Опции"
            sheet = d.wait(lambda: d.visible_window(SHEET), 10, "the options sheet")
            self.wait_focus(d, sheet, "the options sheet")
            d.key("ctrl+Tab", "ctrl+Tab")  # General, Method, Dictionaries
            button = self.node(d, proc, SHEET, "push button", name="Редактировать")
            d.click(*centre(button["extents"]))
            editor = d.wait(lambda: d.visible_window(editor_title), 15, "the dictionary editor")
            self.wait_focus(d, editor, "the editor")

            # Deleting with no row selected: the box belongs to the editor,
            # not to the sheet behind it, and Enter closes it.
            delete = self.node(d, proc, editor_title, "push button", text="Удалить")
            d.click(*centre(delete["extents"]))
            box = d.wait(lambda: d.visible_window("Mox! <> Сообщение"), 10, "the box")
            self.wait_focus(d, box, "the box")
            self.assertEqual(self.transient_owner(d, box), int(editor))
            d.key("Return")
            d.wait(lambda: d.visible_window("Mox! <> Сообщение") is None, 5, "Enter to close the box")
            self.wait_focus(d, editor, "the editor after the box")
            d.key("Escape")
            d.wait(lambda: d.visible_window(editor_title) is None, 10, "the editor to close")
            d.key("Escape")
            d.wait(lambda: d.visible_window(SHEET) is None, 10, "the sheet to close")
            self.quit(d, proc)

    def open_fonts_page(self, d):
        self.menu(d, "Down", "Down", "Down", "Return")  # "&Опции"
        sheet = d.wait(lambda: d.visible_window(SHEET), 10, "the options sheet")
        self.wait_focus(d, sheet, "the options sheet")
        d.key("ctrl+Tab", "ctrl+Tab", "ctrl+Tab")  # General, Method, Dictionaries, Languages/Fonts
        return sheet

    def press_ok(self, d, proc):
        """The sheet's "ОК" (Enter would press the font button that has the focus)."""
        d.click(*centre(self.node(d, proc, SHEET, "push button", name="ОК")["extents"]))

    def install_font(self, d, proc, sheet):
        """Clicks "Установить", chooses the system's font in the file chooser
        and waits for the question; gives the box."""
        d.click(*centre(self.node(d, proc, SHEET, "push button", name="Установить")["extents"]))
        chooser = d.wait(lambda: d.visible_window("Mox! <> Открыть"), 10, "the file chooser titled Mox! <> Открыть")
        self.wait_focus(d, chooser, "the file chooser")
        # Qt's own texts, in Russian whatever the locale (LANG=C.UTF-8 here).
        self.node(d, proc, "Mox! <> Открыть", "label", name="Перейти к:")
        self.node(d, proc, "Mox! <> Открыть", "label", name="Имя файла:")
        d.type(SYSTEM_FONT)
        d.key("Return")
        box = self.box(d)
        self.wait_focus(d, box, "the question")
        self.assertEqual(self.transient_owner(d, box), int(sheet))
        self.node(d, proc, BOX, "label", text="Установить шрифт «DejaVu Sans» из файла «DejaVuSans.ttf»?")
        self.node(d, proc, BOX, "push button", name="Да")
        self.node(d, proc, BOX, "push button", name="Нет")
        return box

    def test_the_fonts_page_speaks_russian_asks_before_installing_and_keeps_the_size(self):
        with Desktop() as d:
            proc = self.start(d)
            conf = os.path.join(d.env["XDG_CONFIG_HOME"], "Jov Software", "Mox!.conf")
            installed = os.path.join(d.env["XDG_DATA_HOME"], "fonts", "DejaVuSans.ttf")
            sheet = self.open_fonts_page(d)

            # Esc says no; the arrow keys move to "Нет" and back to "Да".
            for keys, wanted in ((["Escape"], False), (["Right", "Return"], False),
                                 (["Right", "Left", "Return"], True)):
                box = self.install_font(d, proc, sheet)
                d.key(*keys)
                d.wait(lambda: d.visible_window(BOX) is None, 5, "the question to close")
                self.assertEqual(os.path.exists(installed), wanted, keys)
                self.wait_focus(d, sheet, "the sheet after the question")
            with open(installed, "rb") as a, open(SYSTEM_FONT, "rb") as b:
                self.assertEqual(a.read(), b.read())

            # The font dialog of the translation: its sample is Cyrillic, its
            # size the first run's 12 points. Ten points chosen: the studied
            # language's button, which shares the size, shrinks at once.
            buttons = [n for n in self.nodes(d, proc, SHEET) if n["role"] == "push button"]
            install = next(i for i, n in enumerate(buttons) if n["name"] == "Установить")
            foreign, native = buttons[install - 3], buttons[install - 2]
            inside = lambda b: (b["extents"][0] + 6, b["extents"][1] + 4, b["extents"][2] - 12, b["extents"][3] - 8)
            shot = os.path.join(d.home, "before.png")
            d.screenshot(shot)
            before = ink_height(shot, inside(foreign))
            d.click(*centre(native["extents"]))
            chooser = d.wait(lambda: d.visible_window("Mox! <> Шрифт"), 10, "the font dialog titled Mox! <> Шрифт")
            self.wait_focus(d, chooser, "the font dialog")
            sample = self.node(d, proc, "Mox! <> Шрифт", "label", text="Жж")
            self.assertNotIn("Ää", sample["text"])
            self.node(d, proc, "Mox! <> Шрифт", "combo box", name="12")
            d.key("Escape")  # cancelled: nothing changes
            d.wait(lambda: d.visible_window("Mox! <> Шрифт") is None, 5, "the font dialog to close")
            self.press_ok(d, proc)
            d.wait(lambda: d.visible_window(SHEET) is None, 10, "the sheet to close")
            self.assertIn("iNativeFontSize=12", open(conf, encoding="utf-8").read())

            sheet = self.open_fonts_page(d)
            native = [n for n in self.nodes(d, proc, SHEET) if n["role"] == "push button"][install - 2]
            d.click(*centre(native["extents"]))
            chooser = d.wait(lambda: d.visible_window("Mox! <> Шрифт"), 10, "the font dialog")
            self.wait_focus(d, chooser, "the font dialog")
            size = self.node(d, proc, "Mox! <> Шрифт", "combo box", name="12")
            d.click(*centre(size["extents"]))
            d.key("Home", "Return")  # 10 points, the list closed
            self.node(d, proc, "Mox! <> Шрифт", "combo box", name="10")
            d.key("Return")  # OK
            d.wait(lambda: d.visible_window("Mox! <> Шрифт") is None, 5, "the font dialog to close")
            time.sleep(0.5)
            shot = os.path.join(d.home, "after.png")
            d.screenshot(shot)
            after = ink_height(shot, inside(foreign))
            self.assertLess(after, before, "the studied language's button kept its old size")
            self.press_ok(d, proc)
            d.wait(lambda: d.visible_window(SHEET) is None, 10, "the sheet to close")
            self.quit(d, proc)
            settings = open(conf, encoding="utf-8").read()
            self.assertIn("iForeignFontSize=10", settings)
            self.assertIn("iNativeFontSize=10", settings)

    def test_the_transcription_keyboard_leaves_the_field_in_sight_and_never_takes_the_keyboard(self):
        with Desktop() as d:
            proc = self.start(d)
            dialog = self.open_add_dialog(d)
            d.type("bath")
            d.key("Return")  # to the transcription: the keyboard comes
            keyboard = d.wait(lambda: self.keyboard(d), 10, "the transcription keyboard")
            time.sleep(0.5)
            self.wait_focus(d, dialog, "the dialog with its keyboard open")
            titles = self.title(d, keyboard)
            self.assertTrue(titles and all(not t.strip() for t in titles), "the keyboard is titled %r" % titles)

            def in_sight():
                nodes = self.nodes(d, proc, ADD_CAPTION)
                wanted = [n for n in nodes if n["role"] == "text" or
                          (n["role"] == "push button" and n["name"] in ("Добавить", "Закрыть")) or
                          (n["role"] == "label" and n["name"].startswith("Символ"))]
                return wanted

            kb = self.frame(d, keyboard)
            self.assertTrue(0 <= kb[0] and 0 <= kb[1] and kb[0] + kb[2] <= 1280 and kb[1] + kb[3] <= 1024, kb)
            controls = in_sight()
            self.assertEqual(len(controls), 5, controls)  # three fields and two buttons
            for control in controls:
                self.assertFalse(meets(kb, control["extents"]), "the keyboard %s covers %s" % (kb, control))

            # A key clicked types into the field, which keeps the keyboard.
            d.click_at_fraction(keyboard, *keyboard_key(0, 1))  # b
            self.wait_focus(d, dialog, "the dialog after a key")
            field = self.node(d, proc, ADD_CAPTION, "text", name="Транскрипция")
            self.assertEqual(field["text"], "b")

            # A letter the field cannot hold: the reason, in the learner's
            # words, in sight beside the keyboard.
            d.type("ж")
            message = self.node(d, proc, ADD_CAPTION, "label",
                                name="Символ «ж» нельзя записать в западноевропейской кодировке.")
            self.assertFalse(meets(self.frame(d, keyboard), message["extents"]))
            self.assertEqual(self.node(d, proc, ADD_CAPTION, "text", name="Транскрипция")["text"], "b")
            d.key("Escape")
            d.wait(lambda: d.visible_window(ADD_CAPTION) is None, 10, "the dialog to close")
            self.quit(d, proc)

    def test_the_exclude_button_shows_two_dashes(self):
        with Desktop() as d:
            proc = self.start(d)
            d.click(*d.tray_icon("mox"))
            d.wait(lambda: d.visible_window(WINDOW), 10, "the learning window")
            time.sleep(0.5)
            button = self.node(d, proc, WINDOW, "push button", name="--")
            shot = os.path.join(d.home, "window.png")
            d.screenshot(shot)
            x, y, w, h = button["extents"]
            rows = grey_rows(shot, (x + 2, y + 2, w - 4, h - 4))  # inside the bevel
            self.assertEqual(max(dark_runs(row) for row in rows), 2, "the dashes of \"--\"")
            d.key("Escape")
            d.wait(lambda: d.tray_icon("mox"), 10, "the icon after hiding")
            self.quit(d, proc)

    def test_a_first_start_greets_the_newcomer_in_the_tray(self):
        def greeting(proc):
            for window in accessible.windows(d, proc.pid):
                for n in window["nodes"]:
                    if WELCOME in n["name"] or WELCOME in n["text"]:
                        return n["name"] or n["text"]
            return None

        with Desktop() as d:
            proc = self.start(d)
            text = d.wait(lambda: greeting(proc), 15, "the greeting in the tray")
            self.assertIn("Каждые несколько минут", text)
            self.assertIn("щёлкните по значку Mox!", text)
            self.quit(d, proc)

            # The next start: the user knows the program.
            proc = self.start(d)
            time.sleep(4)
            self.assertIsNone(greeting(proc))
            self.quit(d, proc)


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
