#!/usr/bin/env python3
"""Changing dictionaries end to end: make a dictionary of one's own from a
tab-separated file with the installed module, choose it on the sheet's
"Словари" page (opened from the tray menu), press OK — then the settings name
it, the next showing of the learning window asks its words, and the list and
the dictionary's in-list flags on disk agree, before and after the exit.

Usage: dictionaries_test.py BUILD_DIR
"""
import os
import shutil
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop, install_prefix  # noqa: E402
from e2e_test import DICT_SIZE, dict_records, list_records  # noqa: E402
from options_test import read_settings  # noqa: E402

BUILD = None
SHEET = "Mox! <> Настройки"
WINDOW = "<> Mox!"
# Word, translation, IPA: the module keeps the first two in the record's code
# pages and turns the IPA into the transcription font's keys.
WORDS = [
    ("cat", "кошка", "/kæt/"),
    ("ship", "корабль", "[ʃɪp]"),
    ("think", "думать", "θɪŋk"),
    ("bird", "птица", "bɜːd"),
    ("house", "дом", "haʊs"),
    ("yellow", "жёлтый", "ˈjeləʊ"),
]


def current_dictionary(conf):
    """sCurDict and sCurList of the settings file's [Dicts]."""
    values = read_settings(conf)["Dicts"]
    return values["sCurDict"], values["sCurList"]


class Dictionaries(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        prefix = install_prefix(BUILD)
        cls.addClassCleanup(shutil.rmtree, prefix, ignore_errors=True)
        cls.mox = os.path.join(prefix, "bin", "mox")

    def menu(self, d, *keys):
        d.tray_menu("mox", *keys)

    def check_list_agrees(self, dct, lst):
        """The list holds the TSV's words, each once (all six: the list
        size, 20, is larger), and the dictionary's in-list flags mark
        exactly them."""
        ours = {w.encode() for w, _, _ in WORDS}
        words = [w["word"] for w in list_records(lst)]
        self.assertEqual(set(words), ours)
        self.assertEqual(len(set(words)), len(words), "a word is twice in the list")
        for r in dict_records(dct):
            self.assertEqual(r["inList"] == 1, r["word"] in words, r["word"])
        return list_records(lst)

    def test_own_dictionary_made_chosen_and_learned(self):
        with Desktop() as d:
            conf = os.path.join(d.env["XDG_CONFIG_HOME"], "Jov Software", "Mox!.conf")
            program = os.path.join(d.env["XDG_DATA_HOME"], "mox")
            voc = os.path.join(program, "voc")
            dct, lst = os.path.join(voc, "mywords.dct"), os.path.join(voc, "mywords.lst")

            # The first run sets up the program folder and the settings.
            proc = d.start([self.mox])
            d.wait(lambda: d.tray_icon("mox") or (proc.poll() is not None and self.fail("mox ended")),
                   20, "the icon in the tray")
            self.assertTrue(os.path.isfile(os.path.join(voc, "english.dct")))
            self.assertEqual(current_dictionary(conf), ("english.dct", "english.lst"))

            # The dictionary from a tab-separated file with a header row.
            tsv = os.path.join(d.home, "mywords.tsv")
            with open(tsv, "w", encoding="utf-8") as f:
                f.write("word\ttranslation\ttranscription\n")
                f.writelines("%s\t%s\t%s\n" % row for row in WORDS)
            run = d.run([os.path.join(program, "mod", "dc"), "--import", tsv, "--name", "mywords", "--header"],
                        check=False)
            self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
            self.assertEqual(os.path.getsize(dct), len(WORDS) * DICT_SIZE)
            records = dict_records(dct)
            self.assertEqual([(r["word"], r["translation"]) for r in records],
                             [(w.encode(), t.encode("cp1251")) for w, t, _ in WORDS])
            self.assertTrue(all(r["active"] == 1 and r["inList"] == 0 for r in records))
            self.assertFalse(os.path.exists(lst))

            # The sheet from the tray menu ("&Опции", third from the top). It
            # opens with the focus on its tabs: Ctrl+Tab twice to "Словари",
            # Tab into the dictionary list (the current one selected), and
            # typing a name's beginning selects that dictionary.
            self.menu(d, "Down", "Down", "Down", "Return")
            d.wait(lambda: d.visible_window(SHEET), 10, "the options sheet")
            time.sleep(0.5)
            d.key("ctrl+Tab", "ctrl+Tab", "Tab")
            d.type("my")
            time.sleep(0.3)
            d.screenshot(os.path.join(tempfile.gettempdir(), "dictpage.png"))
            d.key("Return")  # the list passes Enter on to the sheet's OK
            d.wait(lambda: d.visible_window(SHEET) is None, 10, "the sheet to close")
            self.assertIsNone(proc.poll())

            # The closed sheet writes the settings one value at a time: the
            # file names the new dictionary and its list once it is through.
            chosen = ("mywords.dct", "mywords.lst")
            d.wait(lambda: current_dictionary(conf) == chosen, 10, "the settings to name mywords")

            # The next showing learns the new dictionary: its list on disk.
            x, y = d.tray_icon("mox")
            d.run(["xdotool", "mousemove", str(x - 40), str(y - 40)])
            d.click(x, y)
            d.wait(lambda: d.visible_window(WINDOW), 10, "the learning window")
            d.wait(lambda: os.path.exists(lst) and os.path.getsize(lst) > 0, 10, "the new dictionary's list")
            time.sleep(0.5)
            d.screenshot(os.path.join(tempfile.gettempdir(), "mox-e2e-mywords.png"))
            shown = self.check_list_agrees(dct, lst)
            self.assertEqual(sum(w["answers"] for w in shown), 0)

            # One answer (the selected row, right or wrong), then hidden and out.
            d.key("Return")
            time.sleep(0.5)
            d.key("Escape")  # hides the window, a wrong answer on view or not
            d.wait(lambda: d.tray_icon("mox"), 10, "the icon after hiding")
            self.menu(d, "Up", "Return")  # "&Выход" is the last item
            proc.wait(10)
            self.assertEqual(proc.returncode, 0)

            after = self.check_list_agrees(dct, lst)
            self.assertEqual(sum(w["answers"] for w in after), 1)
            self.assertEqual(sum(w["cdr"] + w["cdw"] + w["crr"] + w["crw"] for w in after), 1)
            self.assertEqual(sum(w["trr"] + w["trw"] for w in after), 0)
            self.assertEqual(len(dict_records(dct)), len(WORDS))
            self.assertEqual(current_dictionary(conf), chosen)


if __name__ == "__main__":
    BUILD = sys.argv.pop(1)
    unittest.main(verbosity=2)
