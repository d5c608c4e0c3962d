#!/usr/bin/env python3
"""The dictionary editor worked with the keyboard alone on a dictionary of
20,000 German words (from the ngerman word list, with Russian words of the
ru_RU spelling dictionary as translations and no transcriptions): opened from
the "Словари" page, the table has the focus; the arrows and F2 edit a word; Tab
leads to the search field, whose text finds a word among the 20,000 and Enter
goes back to it to edit its translation; the toggle shows only the words
found, so Ctrl+End reaches the last of them. Then the files on disk and the
window's size in the settings.

Usage: editor_test.py BUILD_DIR
"""
import os
import shutil
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop, install_prefix  # noqa: E402
from e2e_test import DICT_SIZE, dict_records  # noqa: E402
from options_test import read_settings  # noqa: E402

BUILD = None
SHEET = "Mox! <> Настройки"
EDITOR = "Mox! <> Редактирование"
COUNT = 20000


def fits(text, code_page, limit=79):
    try:
        return 0 < len(text.encode(code_page)) <= limit
    except UnicodeEncodeError:
        return False


def word_lists():
    """COUNT distinct German words spread over the word list (file order
    unlike sort order: a word list is sorted, so it is shuffled by a fixed
    stride), and as many Russian words."""
    with open("/usr/share/dict/ngerman", encoding="utf-8") as f:
        german = sorted({w.strip() for w in f if fits(w.strip(), "cp1252")})
    with open("/usr/share/hunspell/ru_RU.dic", encoding="utf-8") as f:
        next(f)  # the entry count
        russian = [w.split("/")[0].strip() for w in f]
    russian = [w for w in russian if fits(w, "cp1251")]
    step = len(german) // COUNT
    words = german[::step][:COUNT]
    # A fixed permutation: i * 7919 mod COUNT visits every index once.
    words = [words[(i * 7919) % COUNT] for i in range(COUNT)]
    return words, [russian[(i * 13) % len(russian)] for i in range(COUNT)]


def write_dictionary(path, words, translations):
    with open(path, "wb") as f:
        for word, translation in zip(words, translations):
            r = bytearray(DICT_SIZE)
            w, t = word.encode("cp1252"), translation.encode("cp1251")
            r[1:1 + len(w)] = w
            r[81:81 + len(t)] = t
            r[196] = 1
            f.write(r)


def unique_prefix(words, word):
    """The shortest beginning of `word` (lower case) no other word shares."""
    lower = [w.lower() for w in words]
    for n in range(1, len(word) + 1):
        p = word.lower()[:n]
        if sum(w.startswith(p) for w in lower) == 1:
            return p
    return None


def prefix_group(words):
    """A prefix that two to four of the words begin with, and those words
    in file order."""
    for w in words[5000:]:
        p = w.lower()[:5]
        if len(p) < 5 or not p.isalpha() or not p.isascii():
            continue
        group = [x for x in words if x.lower().startswith(p)]
        if 2 <= len(group) <= 4:
            return p, group
    raise AssertionError("no prefix shared by a few words")


class Editor(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        prefix = install_prefix(BUILD)
        cls.addClassCleanup(shutil.rmtree, prefix, ignore_errors=True)
        cls.mox = os.path.join(prefix, "bin", "mox")

    def menu(self, d, *keys):
        d.tray_menu("mox", *keys)

    def test_edit_and_search_twenty_thousand_words_with_the_keyboard(self):
        words, translations = word_lists()
        self.assertEqual(len(set(words)), COUNT)
        target = next(w for w in words[12000:] if w.isascii() and w.isalpha() and len(w) > 6
                      and unique_prefix(words, w) and unique_prefix(words, w) != w.lower())
        search = unique_prefix(words, target)
        group_prefix, group = prefix_group(words)

        with Desktop() as d:
            conf = os.path.join(d.env["XDG_CONFIG_HOME"], "Jov Software", "Mox!.conf")
            voc = os.path.join(d.env["XDG_DATA_HOME"], "mox", "voc")
            proc = d.start([self.mox])
            d.wait(lambda: d.tray_icon("mox") or (proc.poll() is not None and self.fail("mox ended")),
                   20, "the icon in the tray")
            dct = os.path.join(voc, "gross.dct")
            write_dictionary(dct, words, translations)

            # The sheet from the tray menu; "Словари"; the dictionary chosen
            # by typing its name's beginning, and OK: it is the current one.
            self.menu(d, "Down", "Down", "Down", "Return")
            d.wait(lambda: d.visible_window(SHEET), 10, "the options sheet")
            time.sleep(0.5)
            d.key("ctrl+Tab", "ctrl+Tab", "Tab")
            d.type("gr")
            time.sleep(0.3)
            d.key("Return")
            d.wait(lambda: d.visible_window(SHEET) is None, 10, "the sheet to close")
            d.wait(lambda: read_settings(conf)["Dicts"]["sCurDict"] == "gross.dct", 10, "gross.dct chosen")
            # The sheet again; from the dictionary list Tab twice to
            # "Редактировать", which opens the editor on the current one.
            self.menu(d, "Down", "Down", "Down", "Return")
            d.wait(lambda: d.visible_window(SHEET), 10, "the options sheet")
            time.sleep(0.5)
            d.key("ctrl+Tab", "ctrl+Tab", "Tab", "Tab", "Tab", "space")
            editor = d.wait(lambda: d.visible_window(EDITOR), 20, "the editor")
            time.sleep(1.0)
            d.screenshot(os.path.join(tempfile.gettempdir(), "mox-e2e-editor-open.png"))
            # Wide enough for its words, and wholly on the 1280 x 1024 screen.
            x, y, width, height = d.geometry(editor)
            self.assertTrue(0 <= x and x + width <= 1280 and 0 <= y and y + height <= 1024, (x, y, width, height))

            # The table has the focus: Down to the second word, F2, a new
            # word, Enter. Written to the file in place.
            d.key("Down", "F2", "ctrl+a")
            d.type("Zeitgeistneu")
            d.screenshot(os.path.join(tempfile.gettempdir(), "mox-e2e-editor-typed.png"))
            d.key("Return")
            d.wait(lambda: dict_records(dct)[1]["word"] == b"Zeitgeistneu", 5, "the second word renamed")

            # Tab to the search field: the target's shortest unique beginning
            # in capitals; Enter goes to the word; Right to its translation,
            # Enter to edit it.
            d.key("Tab")
            d.type(search.upper())
            time.sleep(0.3)
            d.screenshot(os.path.join(tempfile.gettempdir(), "mox-e2e-editor-search.png"))
            d.key("Return", "Right", "Return", "ctrl+a")
            d.type("gefunden")
            d.key("Return")
            at = words.index(target)
            d.wait(lambda: dict_records(dct)[at]["translation"] == b"gefunden", 5, "the found word's translation")

            # The toggle: only the words of a prefix; Ctrl+End is the last of
            # them in file order, not the last of the dictionary.
            d.key("Tab", "ctrl+a")
            d.type(group_prefix)
            d.key("Tab", "space")  # "Только найденные"
            time.sleep(0.3)
            d.screenshot(os.path.join(tempfile.gettempdir(), "mox-e2e-editor-filter.png"))
            d.key("Tab", "Tab", "Tab", "ctrl+End", "Home", "Right", "F2", "ctrl+a")
            d.type("zuletzt")
            d.key("Return")
            last = words.index(group[-1])
            d.wait(lambda: dict_records(dct)[last]["translation"] == b"zuletzt", 5, "the last word found edited")
            self.assertNotEqual(dict_records(dct)[-1]["translation"], b"zuletzt")

            # Nothing else changed; Esc closes the editor, Esc the sheet.
            records = dict_records(dct)
            self.assertEqual(len(records), COUNT)
            changed = [i for i, r in enumerate(records)
                       if (r["word"], r["translation"]) != (words[i].encode("cp1252"), translations[i].encode("cp1251"))]
            self.assertEqual(changed, sorted({1, at, last}))
            _, _, width, height = d.geometry(editor)
            d.key("Escape")
            d.wait(lambda: d.visible_window(EDITOR) is None, 10, "the editor to close")
            d.key("Escape")
            d.wait(lambda: d.visible_window(SHEET) is None, 10, "the sheet to close")
            values = d.wait(lambda: read_settings(conf)["Dicts"].get("uiEditorHeight"), 10, "the editor's size")
            self.assertGreater(int(read_settings(conf)["Dicts"]["uiEditorWidth"]), 0)
            self.assertGreater(int(values), 0)
            self.assertIsNone(proc.poll())

            self.menu(d, "Up", "Return")
            proc.wait(10)
            self.assertEqual(proc.returncode, 0)


if __name__ == "__main__":
    BUILD = sys.argv.pop(1)
    unittest.main(verbosity=2)
