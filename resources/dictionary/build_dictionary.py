#!/usr/bin/python3
"""Builds a dictionary file (.dct) from a UTF-8 word list.

Usage: build_dictionary.py WORDS.txt TRANSMOX-MAP.tsv OUT.dct

Each line of WORDS.txt is word<TAB>IPA<TAB>translation; empty lines and lines
starting with '#' are skipped. Every line becomes one 208-byte record: word
and translation in cp1251, the IPA turned into the key characters of the
transcription font (through the map's "ipa" and "also" code points) and put
inside [ ], the word active and not in the working list.

Anything that would not fit its field, a character the code page lacks, an IPA
symbol without a key, or a word given twice stops the build with the line
named, so the file never holds a cut or wrong text.
"""
import os
import struct
import sys
import unicodedata

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "font"))
import keytable  # noqa: E402

WORD_FIELD = 80
TRANSLATION_FIELD = 80
TRANSCRIPTION_FIELD = 30
RECORD_SIZE = 208


def load_map(path):
    """IPA code point -> key byte, from the transcription font's key table."""
    keys = {}
    for row in keytable.read_rows(path):
        if not row.get("byte"):
            continue  # a key that inserts no single character
        byte = int(row["byte"], 16)
        for point in [row["ipa"]] + row.get("also", "").split():
            if point:
                keys.setdefault(int(point, 16), byte)
    return keys


def field(text, size, what, where):
    if len(text) > size - 1:
        raise SystemExit(f"{where}: {what} is {len(text)} bytes, the field holds {size - 1}")
    return text + b"\0" * (size - len(text))


def record(word, translation, transcription):
    return struct.pack(
        "<B80s80s30sBiBB2xihBB",
        0, word, translation, transcription,
        0,      # padding
        0,      # reserved
        1,      # active
        0,      # inList
        0, 0, 0, 0)


def main(argv):
    if len(argv) != 4:
        raise SystemExit(__doc__)
    words_path, map_path, out_path = argv[1:]
    keys = load_map(map_path)
    seen = set()
    records = []
    with open(words_path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            where = f"{words_path}:{number}"
            cols = line.split("\t")
            if len(cols) != 3:
                raise SystemExit(f"{where}: expected word<TAB>IPA<TAB>translation")
            word, ipa, translation = (unicodedata.normalize("NFC", c.strip()) for c in cols)
            if not word or not translation:
                raise SystemExit(f"{where}: empty word or translation")
            if word in seen:
                raise SystemExit(f"{where}: the word {word!r} is given twice")
            seen.add(word)
            try:
                word_bytes = word.encode("cp1251")
                translation_bytes = translation.encode("cp1251")
            except UnicodeEncodeError as e:
                raise SystemExit(f"{where}: {e.object[e.start:e.end]!r} has no cp1251 code")
            codes = bytearray(b"[")
            for ch in ipa:
                if ord(ch) not in keys:
                    raise SystemExit(f"{where}: IPA symbol {ch!r} (U+{ord(ch):04X}) has no key")
                codes.append(keys[ord(ch)])
            codes.append(ord("]"))
            records.append(record(
                field(word_bytes, WORD_FIELD, "the word", where),
                field(translation_bytes, TRANSLATION_FIELD, "the translation", where),
                field(bytes(codes), TRANSCRIPTION_FIELD, "the transcription", where)))
    data = b"".join(records)
    assert len(data) == RECORD_SIZE * len(records)
    # Written beside the target and renamed over it: never a half-written file.
    tmp = out_path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, out_path)


if __name__ == "__main__":
    main(sys.argv)
