#!/usr/bin/python3
"""Checks the built transcription font against the key table and its source.

usage: transmox_font_test.py BUILT.ttf SOURCE.ttf MAP.tsv SCRIPT.py
"""

import os
import subprocess
import sys
import tempfile
import unittest

from fontTools.ttLib import TTFont

BUILT, SOURCE, MAP, SCRIPT = sys.argv[1:5]
del sys.argv[1:5]
sys.path.insert(0, os.path.dirname(os.path.abspath(MAP)))
import keytable  # noqa: E402


def key_rows():
    return keytable.read_rows(MAP)


def outline(font, glyph_name):
    glyph = font["glyf"][glyph_name]
    coords, ends, flags = glyph.getCoordinates(font["glyf"])
    return list(coords), list(ends), font["hmtx"][glyph_name][0]


class KeyTable(unittest.TestCase):
    def test_table_has_the_keyboard_keys(self):
        rows = key_rows()
        self.assertEqual(len(rows), 55)
        self.assertEqual(len({r["id"] for r in rows}), 55)
        keys = [r["key"] for r in rows if r["byte"]]
        self.assertEqual(len(keys), 54)
        self.assertEqual(len(set(keys)), 54)
        for r in rows:
            if r["byte"]:
                self.assertEqual(chr(int(r["byte"], 16)), r["key"], r)
                self.assertEqual(chr(int(r["ipa"], 16)), r["glyph"], r)
        # Letters without a key on the keyboard stay out of the table.
        for absent in "cyBKMUXY":
            self.assertNotIn(absent, keys)
        bracket = [r for r in rows if not r["byte"]]
        self.assertEqual([r["key"] for r in bracket], ["[...]"])

    def test_ipa_symbols_are_distinct(self):
        symbols = [r["ipa"] for r in key_rows() if r["byte"]]
        self.assertEqual(len(symbols), len(set(symbols)))


class BuiltFont(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.built = TTFont(BUILT)
        cls.source = TTFont(SOURCE)

    def test_family_is_transmox(self):
        name = self.built["name"]
        self.assertEqual(name.getDebugName(1), "TransMox")
        self.assertEqual(name.getDebugName(4), "TransMox")
        self.assertEqual(name.getDebugName(6), "TransMox")
        for record in name.names:
            if record.nameID in (1, 3, 4, 6, 16):
                text = record.toUnicode()
                self.assertNotIn("DejaVu", text)
                self.assertNotIn("Vera", text)

    def test_every_key_draws_its_symbol(self):
        built_cmap = self.built.getBestCmap()
        source_cmap = self.source.getBestCmap()
        for r in key_rows():
            if not r["byte"]:
                continue
            key = int(r["byte"], 16)
            ipa = int(r["ipa"], 16)
            with self.subTest(key=r["key"]):
                self.assertIn(key, built_cmap)
                glyph = built_cmap[key]
                self.assertEqual(glyph, source_cmap[ipa])
                # Same outline and advance as the source's glyph of the symbol.
                self.assertEqual(outline(self.built, glyph), outline(self.source, source_cmap[ipa]))
                self.assertGreater(len(outline(self.built, glyph)[0]), 0)

    def test_only_keys_and_plain_characters_are_mapped(self):
        keys = {int(r["byte"], 16) for r in key_rows() if r["byte"]}
        mapped = set(self.built.getBestCmap())
        self.assertEqual(mapped - keys, {0x20, 0x2D})
        # Letters without a key are not drawn by this font.
        for absent in "cyBKMUXY":
            self.assertNotIn(ord(absent), mapped)


class Script(unittest.TestCase):
    def run_script(self, table_text):
        with tempfile.TemporaryDirectory() as tmp:
            table = os.path.join(tmp, "map.tsv")
            out = os.path.join(tmp, "out.ttf")
            with open(table, "w", encoding="utf-8") as f:
                f.write(table_text)
            done = subprocess.run([sys.executable, SCRIPT, SOURCE, table, out],
                                  capture_output=True, text=True)
            return done, os.path.exists(out)

    def test_faulty_tables_are_refused_without_output(self):
        head = "id\tkey\tbyte\tipa\tglyph\talso\tname\n"
        twice = head + "1\ta\t61\t0061\ta\t\tx\n2\ta\t61\t0251\tɑ\t\ty\n"
        done, made = self.run_script(twice)
        self.assertNotEqual(done.returncode, 0)
        self.assertIn("twice", done.stderr)
        self.assertFalse(made)

        lacking = head + "1\ta\t61\tF8FF\t?\t\tx\n"  # private use: not in the source
        done, made = self.run_script(lacking)
        self.assertNotEqual(done.returncode, 0)
        self.assertIn("U+F8FF", done.stderr)
        self.assertFalse(made)

        done, made = self.run_script(head)
        self.assertNotEqual(done.returncode, 0)
        self.assertFalse(made)


if __name__ == "__main__":
    unittest.main()
