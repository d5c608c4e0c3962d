#!/usr/bin/env python3
"""The dictionary-creation module as installed: the first run of Mox! copies
it into the per-user program folder with its executable bit; from there it
makes a dictionary in the folder the program uses (from the settings'
sAppPath), and started without arguments, as the options sheet starts it, it
opens its window and ends when the window is closed.

Usage: dc_module_test.py BUILD_DIR
"""
import os
import shutil
import stat
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop, install_prefix  # noqa: E402

BUILD = None
DICT_SIZE = 208


class Module(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix = install_prefix(BUILD)
        cls.mox = os.path.join(cls.prefix, "bin", "mox")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.prefix, ignore_errors=True)

    def test_copied_module_makes_dictionaries_and_opens_its_window(self):
        installed = os.path.join(self.prefix, "lib", "mox", "mod", "dc")
        self.assertTrue(os.stat(installed).st_mode & stat.S_IXUSR, "the installed module is not executable")
        with Desktop() as d:
            mox = d.start([self.mox])
            d.wait(lambda: d.tray_icon("mox") or (mox.poll() is not None and self.fail("mox ended")),
                   20, "the icon in the tray")
            program = os.path.join(d.env["XDG_DATA_HOME"], "mox")
            dc = os.path.join(program, "mod", "dc")
            self.assertTrue(os.path.isfile(dc), "the first run did not copy the module")
            self.assertTrue(os.access(dc, os.X_OK), "the copied module lost its executable bit")

            words = os.path.join(d.home, "words.csv")
            with open(words, "w", encoding="utf-8") as f:
                f.write('word,translation,ipa\n"cat, tom","кот, котик",[kæt]\nthink,думать,θɪŋk\n')
            run = d.run([dc, "--import", words, "--name", "animals", "--header"], check=False)
            self.assertEqual(run.returncode, 0, run.stderr)
            self.assertEqual(run.stdout, "Словарь «animals.dct» создан, слов в нём: 2.\n")
            data = open(os.path.join(program, "voc", "animals.dct"), "rb").read()
            self.assertEqual(len(data), 2 * DICT_SIZE)
            self.assertEqual(data[1:9], b"cat, tom")
            self.assertEqual(data[81:91], "кот, котик".encode("cp1251"))
            self.assertEqual(data[DICT_SIZE + 161:DICT_SIZE + 168], b"[TINk]\0")

            # Started as the options sheet starts it: no arguments, waited for.
            window = d.start([dc])
            d.wait(lambda: d.visible_window("Mox! <> Создание словаря"), 15, "the module's window")
            time.sleep(0.5)
            d.screenshot(os.path.join(tempfile.gettempdir(), "mox-e2e-dc.png"))
            self.assertIsNone(window.poll())
            d.key("Escape")
            window.wait(10)
            self.assertEqual(window.returncode, 0)

            x, y = d.tray_icon("mox")
            d.click(x, y, button=3)
            time.sleep(0.5)
            d.key("Up", "Return")
            mox.wait(10)


if __name__ == "__main__":
    BUILD = sys.argv.pop(1)
    unittest.main()
