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


FIRST_PAGE = 55  # the keys the keyboard always had, the bracket key among them


class KeyTable(unittest.TestCase):
    def test_table_has_the_keyboard_keys(self):
        rows = key_rows()
        first = rows[:FIRST_PAGE]
        self.assertEqual(len({r["id"] for r in rows}), len(rows))
        self.assertEqual([r["key"] for r in first if not r["byte"]], ["[...]"])
        keys = [r["key"] for r in rows if r["byte"]]
        self.assertEqual(len(keys), len(set(keys)))
        for r in rows:
            if r["byte"]:
                self.assertEqual(chr(int(r["byte"], 16)), r["key"], r)
                self.assertEqual(chr(int(r["ipa"], 16)), r["glyph"], r)
        # Letters nobody types as a transcription stay without a key; c and y
        # are keys of their own symbols.
        for absent in "BKMUXY":
            self.assertNotIn(absent, keys)
        self.assertIn("c", keys)
        self.assertIn("y", keys)

    def test_later_keys_take_bytes_no_earlier_key_used(self):
        rows = key_rows()
        first = {int(r["byte"], 16) for r in rows[:FIRST_PAGE] if r["byte"]}
        for r in rows[FIRST_PAGE:]:
            byte = int(r["byte"], 16)
            with self.subTest(key=r["key"]):
                self.assertNotIn(byte, first)
                self.assertTrue(byte in (0x63, 0x79) or (0xA1 <= byte <= 0xFF and byte != 0xAD), hex(byte))

    def test_ipa_symbols_are_distinct_and_nothing_stands_for_another_symbol(self):
        rows = [r for r in key_rows() if r["byte"]]
        symbols = [int(r["ipa"], 16) for r in rows]
        self.assertEqual(len(symbols), len(set(symbols)))
        for r in rows:
            for other in r.get("also", "").split():
                # A further code point is a plain-keyboard form, never a symbol with a key of its own.
                self.assertNotIn(int(other, 16), symbols, r)
        for needed in "ɾɹɫʁɐyʏœøɨɕʑʦʣʧʤʨʥcɟʝɲʎʀɣχβɱʲʷ˞\u0303\u032f\u0329\u0361\u0325\u032a":
            self.assertIn(ord(needed), symbols, f"U+{ord(needed):04X}")


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
        self.assertEqual(mapped - keys, {0x20, 0x2D, 0x3F, 0x25CC})
        # Letters without a key are not drawn by this font.
        for absent in "BKMUXY":
            self.assertNotIn(ord(absent), mapped)

    def test_combining_marks_sit_on_the_symbol_before(self):
        cmap = self.built.getBestCmap()
        marks = [r for r in key_rows() if r["byte"] and 0x300 <= int(r["ipa"], 16) <= 0x36F]
        self.assertGreaterEqual(len(marks), 6)
        for r in marks:
            glyph = cmap[int(r["byte"], 16)]
            advance, left = self.built["hmtx"][glyph]
            with self.subTest(mark=r["ipa"]):
                # No advance of its own, drawn left of the origin: over or under the symbol before.
                self.assertEqual(advance, 0)
                self.assertLess(left, 0)


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
