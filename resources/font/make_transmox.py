#!/usr/bin/python3
"""Builds the transcription font "TransMox" from DejaVu Sans.

The transcription keyboard inserts one-byte characters (printable ASCII, and
Latin-1 letters A1-FF for the symbols added later); this font draws each of
them as the phonetic symbol the key table assigns to it. The result holds only
the glyphs that table needs (plus the space, the hyphen and the question mark,
which transcriptions contain as themselves, and the dotted circle on which the
keyboard shows a combining mark), and its cmap sends every key character to
the glyph of its symbol. A combining mark keeps the source's zero advance and
its outline left of the origin, so it lands over or under the symbol before. The family is renamed, as the DejaVu licence asks of
changed fonts.

usage: make_transmox.py SOURCE.ttf MAP.tsv OUTPUT.ttf
"""

import os
import sys

from fontTools import subset
from fontTools.ttLib import TTFont

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import keytable  # noqa: E402

FAMILY = "TransMox"
# Characters that keep their own glyph beside the keys.
PLAIN = [0x20, 0x2D, 0x3F, 0x25CC]


def read_map(path):
    """Gives {key character code: IPA code point} from the key table."""
    mapping = {}
    for row in keytable.read_rows(path):
        if not row.get("byte"):
            continue  # the bracket key inserts no character of its own
        number = row["_line"]
        key = int(row["byte"], 16)
        ipa = int(row["ipa"], 16)
        if not (0x20 <= key <= 0x7E or (0xA1 <= key <= 0xFF and key != 0xAD)):
            raise SystemExit(f"{path}:{number}: key {key:#x} is neither printable ASCII nor a Latin-1 letter")
        if key in mapping:
            raise SystemExit(f"{path}:{number}: key {key:#x} appears twice")
        mapping[key] = ipa
    if not mapping:
        raise SystemExit(f"{path}: no keys")
    return mapping


def rename(font):
    name = font["name"]
    style = "Regular"
    version = name.getDebugName(5) or "Version 1.0"
    copyright_ = name.getDebugName(0) or ""
    names = {
        0: copyright_ + " TransMox is DejaVu Sans with its glyphs mapped to the keys of a transcription keyboard.",
        1: FAMILY,
        2: style,
        3: f"{FAMILY}: {version}",
        4: FAMILY,
        5: version,
        6: FAMILY,
    }
    # Typographic family names would still say DejaVu; drop them.
    name.names = [r for r in name.names if r.nameID not in (16, 17, 18, 21, 22)]
    for record in name.names:
        if record.nameID in names:
            record.string = names[record.nameID]


def build(source, table, output):
    mapping = read_map(table)
    font = TTFont(source)
    cmap = font.getBestCmap()
    missing = [cp for cp in list(mapping.values()) + PLAIN if cp not in cmap]
    if missing:
        raise SystemExit("source font lacks " + ", ".join(f"U+{cp:04X}" for cp in missing))
    glyph_of_key = {key: cmap[ipa] for key, ipa in mapping.items()}
    for cp in PLAIN:
        glyph_of_key.setdefault(cp, cmap[cp])

    options = subset.Options()
    options.name_IDs = ["*"]
    options.name_languages = ["*"]
    options.notdef_outline = True
    options.glyph_names = True
    options.layout_features = ["kern"]
    options.drop_tables += ["MATH", "FFTM"]
    subsetter = subset.Subsetter(options)
    subsetter.populate(glyphs=sorted(set(glyph_of_key.values())))
    subsetter.subset(font)

    # Only the key characters (and the plain ones) are mapped, each to its symbol.
    for sub in font["cmap"].tables:
        sub.cmap = dict(glyph_of_key)
    font["cmap"].tables = [t for t in font["cmap"].tables if t.format in (4, 6, 12) or t.platformID == 1]
    rename(font)
    font["OS/2"].usFirstCharIndex = min(glyph_of_key)
    font["OS/2"].usLastCharIndex = max(glyph_of_key)
    font.save(output)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        raise SystemExit(__doc__)
    build(*sys.argv[1:])
