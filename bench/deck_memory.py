#!/usr/bin/python3
"""Peak memory of the module importing a 100 MB deck package.

usage: deck_memory.py --dc PATH/TO/dc [--megabytes 100]

Writes a collection of about that size with Python's sqlite3 module (the
older schema, notes with HTML fields and sound references), packs it as
collection.anki2 with the zip tool and, compressed with the zstd tool, as
collection.anki21b; then runs "dc --import" on each package and on a
ten-line text (the program's own footprint) and reports the peak resident
memory of each run (ru_maxrss of the finished child) against the
collection's size. The goal: under twice the collection's size.
"""

import argparse
import os
import resource
import sqlite3
import subprocess
import tempfile
import time

SCHEMA = """
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
"""
RUSSIAN = ["слово", "кошка", "улица", "жена", "дом", "здравствуйте", "иметь", "мост"]
IPA = ["ˈvɔʁt", "ˈkat͡sə", "ʃtʁaːsə", "fʁaʊ̯", "haʊ̯s", "ɡuːtn̩ taːk", "ˈhaːbn̩", "ˈbʁʏkə"]


def collection(path, megabytes):
    db = sqlite3.connect(path)
    db.executescript(SCHEMA)
    models = '{"1": {"id": 1, "name": "Basic", "flds": [{"name": "Wort"}, {"name": "Bedeutung"}, {"name": "IPA"}, {"name": "Beispiel"}]}}'
    db.execute("INSERT INTO col VALUES (1,0,0,0,11,0,0,0,'{}',?,?,'{}','{}')",
               (models, '{"2": {"id": 2, "name": "Deutsch"}}'))
    # An example sentence (a fourth field, not imported) makes the note the
    # size of a real one.
    example = "<div>Пример предложения со словом, чтобы заметка была не меньше настоящей.</div>" * 2
    target = megabytes * 1024 * 1024
    i = 0
    while True:
        for _ in range(5000):
            flds = "\x1f".join([f"<b>Wort{i}</b>", f"{RUSSIAN[i % 8]} {i}<br>[sound:w{i}.mp3]",
                                f"[{IPA[i % 8]}]", example])
            db.execute("INSERT INTO notes VALUES (?,?,1,0,-1,'',?,?,0,0,'')", (i + 1, f"g{i}", flds, f"Wort{i}"))
            db.execute("INSERT INTO cards VALUES (?,?,2,0,0,-1,0,0,?,0,0,0,0,0,0,0,0,'')", (i + 1, i + 1, i))
            i += 1
        db.commit()
        if os.path.getsize(path) >= target:
            break
    db.close()
    return i


def peak(command, env, log):
    started = time.monotonic()
    # The report (a line for each note that lost a sound reference) goes to
    # a file: a pipe nobody reads while waiting would fill and stop the child.
    with open(log, "wb") as err:
        child = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=err)
        _, status, usage = os.wait4(child.pid, 0)
    code = os.waitstatus_to_exitcode(status)
    if code != 0:
        with open(log, "rb") as err:
            raise SystemExit(f"{' '.join(command)} failed ({code}): {err.read()[-400:].decode(errors='replace')}")
    return usage.ru_maxrss * 1024, time.monotonic() - started


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dc", required=True)
    parser.add_argument("--megabytes", type=int, default=100)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory(prefix="mox-deck-bench-") as tmp:
        os.makedirs(os.path.join(tmp, "config", "Jov Software"))
        os.makedirs(os.path.join(tmp, "app", "voc"))
        with open(os.path.join(tmp, "config", "Jov Software", "Mox!.conf"), "w") as f:
            f.write(f"sAppPath={tmp}/app\n[Fonts]\nuiForeignLayout=1031\nuiNativeLayout=1049\n")
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(tmp, "config"), QT_QPA_PLATFORM="offscreen")
        work = os.path.join(tmp, "work")
        os.makedirs(work)
        anki2 = os.path.join(work, "collection.anki2")
        notes = collection(anki2, args.megabytes)
        size = os.path.getsize(anki2)
        subprocess.run(["zip", "-q", "-j", os.path.join(tmp, "old.apkg"), anki2], check=True)
        subprocess.run(["zstd", "-q", anki2, "-o", os.path.join(work, "collection.anki21b")], check=True)
        subprocess.run(["zip", "-q", "-j", "-0", os.path.join(tmp, "new.apkg"),
                        os.path.join(work, "collection.anki21b")], check=True)
        with open(os.path.join(tmp, "small.txt"), "w") as f:
            f.writelines(f"Wort{i}\tслово {i}\t[haʊ̯s]\n" for i in range(10))

        def run(source, name):
            return peak([args.dc, "--import", source, "--name", name, "--languages", "1031,1049", "--replace"], env,
                        os.path.join(tmp, name + ".log"))

        base, base_time = run(os.path.join(tmp, "small.txt"), "small")
        print(f"collection: {size / 2**20:.1f} MiB, {notes} notes")
        print(f"ten-line text (the program alone): peak RSS {base / 2**20:.1f} MiB, {base_time:.2f} s")
        for label, package in (("collection.anki2 in a zip", "old.apkg"), ("collection.anki21b (zstd)", "new.apkg")):
            rss, seconds = run(os.path.join(tmp, package), package.split(".")[0])
            print(f"{label}: peak RSS {rss / 2**20:.1f} MiB = {rss / size:.2f} x the collection "
                  f"({(rss - base) / size:.2f} x above the program alone), {seconds:.1f} s")


if __name__ == "__main__":
    main()
