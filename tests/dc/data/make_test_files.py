#!/usr/bin/python3
"""Makes the module's test inputs from Debian's material, with real tools.

usage: make_test_files.py OUTPUT_FOLDER [WORDS_PER_LANGUAGE]

- words-de.tsv, words-pl.tsv, words-el.tsv, words-fr.tsv: words of the word
  lists of wngerman, wpolish, wfrench and hunspell-el, their IPA written by
  espeak-ng (espeak-ng -q --ipa -v LANG), and a Russian word of hunspell-ru as
  the translation (every third one with the stress mark U+0301 on its first
  vowel, as Russian dictionaries print it). Rows: word<TAB>translation<TAB>[IPA].
- notes.txt: a notes export with every header line (#separator, #html,
  #columns, #guid column, #notetype column, #deck column, #tags column,
  #notetype, #deck, #tags), HTML fields, media references and RFC 4180
  quoting; its rows come from the German list.
- deck-anki2.apkg: a zip (the zip tool) holding collection.anki2, a SQLite
  collection of the older schema written with Python's sqlite3 module (note
  types and decks as JSON in the col table), and the "media" file.
- deck-anki21b.apkg: collection.anki21b, a collection of the newer schema
  (decks, notetypes and fields tables) compressed with the zstd tool, beside
  the small collection.anki2 that newer packages carry for old readers.
- words.kvtml: a KVTML 2.0 document (identifiers with locales, entries with
  translations, pronunciations) from the French list.
- utf16.txt (UTF-16LE with its byte-order mark) and semicolon.csv (semicolons,
  quoted fields) from the Polish list.
- not-a-deck.zip: a zip without a collection.
"""

import json
import os
import random
import re
import shutil
import sqlite3
import subprocess
import sys
import tempfile

LISTS = {
    "de": ("/usr/share/dict/ngerman", "utf-8", r"[A-Za-zÄÖÜäöüß]{3,14}"),
    "pl": ("/usr/share/dict/polish", "utf-8", r"[a-ząćęłńóśźż]{3,14}"),
    "fr": ("/usr/share/dict/french", "utf-8", r"[a-zàâæçéèêëîïôœùûüÿ]{3,14}"),
    "el": ("/usr/share/hunspell/el_GR.dic", "iso-8859-7", r"[α-ωάέήίόύώϊϋΐΰς]{3,14}"),
}
RUSSIAN = ("/usr/share/hunspell/ru_RU.dic", "utf-8", r"[а-яё]{3,12}")
VOWELS = "аеиоуыэюяё"
SEED = 16


def words(path, encoding, pattern, count, seed):
    with open(path, encoding=encoding, errors="replace") as f:
        found = sorted({w.split("/")[0].strip() for w in f} - {""})
    found = [w for w in found if re.fullmatch(pattern, w)]
    return random.Random(seed).sample(found, count)


def espeak(language, items):
    done = subprocess.run(["espeak-ng", "-q", "--ipa", "-v", language], input="\n".join(items) + "\n",
                          capture_output=True, text=True, check=True)
    lines = [line.strip() for line in done.stdout.splitlines() if line.strip()]
    if len(lines) != len(items):  # one call a word where espeak joined lines
        lines = [subprocess.run(["espeak-ng", "-q", "--ipa", "-v", language, w], capture_output=True,
                                text=True, check=True).stdout.strip() for w in items]
    return lines


def stressed(word):
    for i, ch in enumerate(word):
        if ch in VOWELS:
            return word[:i + 1] + "\u0301" + word[i + 1:]
    return word


def write(path, text, encoding="utf-8"):
    with open(path, "w", encoding=encoding, newline="") as f:
        f.write(text)


def make_lists(out, count):
    russian = words(*RUSSIAN, count * len(LISTS), SEED)
    rows = {}
    for n, (language, (path, encoding, pattern)) in enumerate(sorted(LISTS.items())):
        chosen = words(path, encoding, pattern, count, SEED + n)
        ipa = espeak(language, chosen)
        translations = russian[n * count:(n + 1) * count]
        rows[language] = []
        lines = []
        for i, (w, t, x) in enumerate(zip(chosen, translations, ipa)):
            if i % 3 == 0:
                t = stressed(t)
            rows[language].append((w, t, x))
            lines.append(f"{w}\t{t}\t[{x}]\n")
        write(os.path.join(out, f"words-{language}.tsv"), "".join(lines))
    return rows


def quote(field):
    if any(c in field for c in "\t\n\r\""):
        return '"' + field.replace('"', '""') + '"'
    return field


def make_notes(out, rows):
    head = ("#separator:tab\n#html:true\n"
            "#columns:GUID\tNote type\tDeck\tFront\tBack\tIPA\tTags\n"
            "#guid column:1\n#notetype column:2\n#deck column:3\n#tags column:7\n"
            "#notetype:Basic\n#deck:Deutsch\n#tags:espeak\n")
    lines = []
    for i, (w, t, x) in enumerate(rows[:60]):
        front = w
        back = t
        if i % 4 == 0:
            front = f"<b>{w}</b>"
        if i % 4 == 1:
            back = f"{t}<br>{t}&nbsp;&amp;&nbsp;{t}"
        if i % 4 == 2:
            back = f"<div>{t}</div>[sound:{w}.mp3]"
        if i % 4 == 3:
            front = f"{w}\t"  # a tab inside: the field is quoted
        fields = [f"g{i:05d}", "Basic", "Deutsch", front, back, f"[{x}]", "espeak de"]
        lines.append("\t".join(quote(f) for f in fields) + "\n")
    write(os.path.join(out, "notes.txt"), head + "".join(lines))


SCHEMA_11 = """
CREATE TABLE col (id integer primary key, crt integer not null, mod integer not null, scm integer not null,
  ver integer not null, dty integer not null, usn integer not null, ls integer not null, conf text not null,
  models text not null, decks text not null, dconf text not null, tags text not null);
CREATE TABLE notes (id integer primary key, guid text not null, mid integer not null, mod integer not null,
  usn integer not null, tags text not null, flds text not null, sfld integer not null, csum integer not null,
  flags integer not null, data text not null);
CREATE TABLE cards (id integer primary key, nid integer not null, did integer not null, ord integer not null,
  mod integer not null, usn integer not null, type integer not null, queue integer not null, due integer not null,
  ivl integer not null, factor integer not null, reps integer not null, lapses integer not null,
  left integer not null, odue integer not null, odid integer not null, flags integer not null, data text not null);
CREATE TABLE revlog (id integer primary key, cid integer not null, usn integer not null, ease integer not null,
  ivl integer not null, lastIvl integer not null, factor integer not null, time integer not null,
  type integer not null);
CREATE TABLE graves (usn integer not null, oid integer not null, type integer not null);
"""

SCHEMA_18 = """
CREATE TABLE col (id integer primary key, crt integer not null, mod integer not null, scm integer not null,
  ver integer not null, dty integer not null, usn integer not null, ls integer not null, conf text not null,
  models text not null, decks text not null, dconf text not null, tags text not null);
CREATE TABLE notes (id integer primary key, guid text not null, mid integer not null, mod integer not null,
  usn integer not null, tags text not null, flds text not null, sfld integer not null, csum integer not null,
  flags integer not null, data text not null);
CREATE TABLE cards (id integer primary key, nid integer not null, did integer not null, ord integer not null,
  mod integer not null, usn integer not null, type integer not null, queue integer not null, due integer not null,
  ivl integer not null, factor integer not null, reps integer not null, lapses integer not null,
  left integer not null, odue integer not null, odid integer not null, flags integer not null, data text not null);
CREATE TABLE revlog (id integer primary key, cid integer not null, usn integer not null, ease integer not null,
  ivl integer not null, lastIvl integer not null, factor integer not null, time integer not null,
  type integer not null);
CREATE TABLE graves (oid integer not null, type integer not null, usn integer not null, primary key (oid, type))
  without rowid;
CREATE TABLE deck_config (id integer primary key not null, name text not null, mtime_secs integer not null,
  usn integer not null, config blob not null);
CREATE TABLE config (KEY text not null primary key, usn integer not null, mtime_secs integer not null,
  val blob not null) without rowid;
CREATE TABLE fields (ntid integer not null, ord integer not null, name text not null, config blob not null,
  primary key (ntid, ord)) without rowid;
CREATE TABLE templates (ntid integer not null, ord integer not null, name text not null,
  mtime_secs integer not null, usn integer not null, config blob not null, primary key (ntid, ord)) without rowid;
CREATE TABLE notetypes (id integer not null primary key, name text not null, mtime_secs integer not null,
  usn integer not null, config blob not null);
CREATE TABLE decks (id integer primary key not null, name text not null, mtime_secs integer not null,
  usn integer not null, common blob not null, kind blob not null);
CREATE TABLE tags (tag text not null primary key, usn integer not null, collapsed boolean not null,
  config blob null) without rowid;
"""

NOTETYPE = 1342697561419
DECK = 1700000000001
FIELDS = ["Wort", "Übersetzung", "IPA"]


def fill_notes(db, rows, deck):
    for i, (w, t, x) in enumerate(rows):
        front = f"<b>{w}</b>" if i % 5 == 0 else w
        back = f"{t}<br/>[sound:{i}.mp3]" if i % 5 == 1 else t.replace("&", "&amp;")
        flds = "\x1f".join([front, back, f"[{x}]"])
        note = 1600000000000 + i
        db.execute("INSERT INTO notes VALUES (?,?,?,?,?,?,?,?,?,?,?)",
                   (note, f"guid{i}", NOTETYPE, 0, -1, " espeak ", flds, w, 0, 0, ""))
        db.execute("INSERT INTO cards VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                   (1700000000000 + i, note, deck, 0, 0, -1, 0, 0, i, 0, 0, 0, 0, 0, 0, 0, 0, ""))


def collection_11(path, rows):
    db = sqlite3.connect(path)
    db.executescript(SCHEMA_11)
    models = {str(NOTETYPE): {"id": NOTETYPE, "name": "Basic", "type": 0,
                              "flds": [{"name": n, "ord": i} for i, n in enumerate(FIELDS)],
                              "tmpls": [{"name": "Card 1", "ord": 0, "qfmt": "{{Wort}}", "afmt": "{{Übersetzung}}"}]}}
    decks = {"1": {"id": 1, "name": "Default"}, str(DECK): {"id": DECK, "name": "Polski::Słówka"}}
    db.execute("INSERT INTO col VALUES (1,0,0,0,11,0,0,0,'{}',?,?,'{}','{}')",
               (json.dumps(models, ensure_ascii=False), json.dumps(decks, ensure_ascii=False)))
    fill_notes(db, rows, DECK)
    db.commit()
    db.close()


def collection_18(path, rows):
    db = sqlite3.connect(path)
    db.executescript(SCHEMA_18)
    db.execute("INSERT INTO col VALUES (1,0,0,0,18,0,0,0,'','','','','')")
    db.execute("INSERT INTO notetypes VALUES (?,?,0,0,x'')", (NOTETYPE, "Basic"))
    for i, name in enumerate(FIELDS):
        db.execute("INSERT INTO fields VALUES (?,?,?,x'')", (NOTETYPE, i, name))
    db.execute("INSERT INTO decks VALUES (1,'Default',0,0,x'',x'')")
    db.execute("INSERT INTO decks VALUES (?,?,0,0,x'',x'')", (DECK, "Ελληνικά\x1fΛέξεις"))
    fill_notes(db, rows, DECK)
    db.commit()
    db.close()


def make_decks(out, rows_pl, rows_el):
    with tempfile.TemporaryDirectory() as tmp:
        collection_11(os.path.join(tmp, "collection.anki2"), rows_pl)
        write(os.path.join(tmp, "media"), "{}")
        target = os.path.join(out, "deck-anki2.apkg")
        if os.path.exists(target):
            os.remove(target)
        subprocess.run(["zip", "-q", "-j", target, os.path.join(tmp, "collection.anki2"), os.path.join(tmp, "media")],
                       check=True)
    with tempfile.TemporaryDirectory() as tmp:
        collection_18(os.path.join(tmp, "new.sqlite"), rows_el)
        subprocess.run(["zstd", "-q", "-19", os.path.join(tmp, "new.sqlite"), "-o",
                        os.path.join(tmp, "collection.anki21b")], check=True)
        # What newer packages carry for readers that know only the old file.
        collection_11(os.path.join(tmp, "collection.anki2"), [("Please update", "to the latest version", "")])
        subprocess.run(["zstd", "-q", os.path.join(tmp, "media")] if os.path.exists(os.path.join(tmp, "media"))
                       else ["true"], check=True)
        write(os.path.join(tmp, "media"), "")
        target = os.path.join(out, "deck-anki21b.apkg")
        if os.path.exists(target):
            os.remove(target)
        subprocess.run(["zip", "-q", "-j", target, os.path.join(tmp, "collection.anki2"),
                        os.path.join(tmp, "collection.anki21b"), os.path.join(tmp, "media")], check=True)
    with tempfile.TemporaryDirectory() as tmp:
        write(os.path.join(tmp, "readme.txt"), "no collection here\n")
        target = os.path.join(out, "not-a-deck.zip")
        if os.path.exists(target):
            os.remove(target)
        subprocess.run(["zip", "-q", "-j", target, os.path.join(tmp, "readme.txt")], check=True)


def xml(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def make_kvtml(out, rows):
    entries = []
    for i, (w, t, x) in enumerate(rows):
        entries.append(f"""  <entry id="{i}">
   <translation id="0">
    <text>{xml(w)}</text>
    <pronunciation>{xml(x)}</pronunciation>
   </translation>
   <translation id="1">
    <text>{xml(t)}</text>
   </translation>
  </entry>
""")
    doc = f"""<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE kvtml PUBLIC "kvtml2.dtd" "http://edu.kde.org/kvtml/kvtml2.dtd">
<kvtml version="2.0">
 <information>
  <generator>make_test_files.py</generator>
  <title>Mots</title>
 </information>
 <identifiers>
  <identifier id="0">
   <name>Français</name>
   <locale>fr</locale>
  </identifier>
  <identifier id="1">
   <name>Русский</name>
   <locale>ru</locale>
  </identifier>
 </identifiers>
 <entries>
{"".join(entries)} </entries>
</kvtml>
"""
    write(os.path.join(out, "words.kvtml"), doc)


def make_texts(out, rows):
    write(os.path.join(out, "utf16.txt"), "\ufeff" + "".join(f"{w}\t{t}\t[{x}]\r\n" for w, t, x in rows),
          encoding="utf-16-le")
    lines = []
    for i, (w, t, x) in enumerate(rows):
        translation = f"{t}; {t}" if i % 5 == 0 else t  # a semicolon inside: quoted
        lines.append(";".join(quote(f) if ";" not in f else '"' + f + '"' for f in (w, translation, f"[{x}]")) + "\n")
    write(os.path.join(out, "semicolon.csv"), "".join(lines))


def main():
    if len(sys.argv) not in (2, 3):
        raise SystemExit(__doc__)
    out = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) == 3 else 300
    os.makedirs(out, exist_ok=True)
    rows = make_lists(out, count)
    make_notes(out, rows["de"])
    make_decks(out, rows["pl"], rows["el"])
    make_kvtml(out, rows["fr"])
    make_texts(out, rows["pl"])
    write(os.path.join(out, "stamp"), "made\n")


if __name__ == "__main__":
    main()
