#!/usr/bin/env python3
"""Each working list belongs to its own dictionary, end to end on the
installed program with two dictionaries: the starter one and one made with
the module from a tab-separated file. The editor opened from the options
sheet changes the chosen dictionary and its list and no other file; the
learning window never comes up over the open sheet, and the answer given at
the next showing reaches the chosen dictionary's list; a kill between the
dictionary's write and the list's save during an edit leaves nothing the
next start does not put right.

Usage: list_ownership_test.py BUILD_DIR
"""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import accessible  # noqa: E402
from desktop import Desktop, install_prefix  # noqa: E402
from dictionaries_test import WORDS, current_dictionary  # noqa: E402
from e2e_test import DICT_SIZE, dict_records, list_records  # noqa: E402
from hardening_test import set_values  # noqa: E402

BUILD = None
SHEET = "Mox! <> Настройки"
WINDOW = "<> Mox!"
EDITOR = "Mox! <> Редактирование"
BOX = "Mox!"                        # the caption of the program's own boxes
CONFIRM_DELETE = "Mox! <> Предупреждение"  # the caption of the editor's question before deleting
OURS = "zoo"                        # the dictionary made here; typing "zo" selects it
OUR_WORDS = [w.encode() for w, _, _ in WORDS]
# The editor's controls, fractions of its 330 x 198 dialog units: the buttons
# right of the table, and a spot low in the table, below the rows of a small
# dictionary.
DELETE_BUTTON = ((273 + 25) / 330, (7 + 14.5) / 198)
CLOSE_BUTTON = ((273 + 25) / 330, (170 + 10.5) / 198)
TABLE_BELOW_ROWS = ((3 + 100) / 330, (3 + 180) / 198)
# An fsync held this long (microseconds) keeps the list's safe save from
# completing for a while after the dictionary's in-place write.
FSYNC_DELAY_US = 1500000


def read(path):
    with open(path, "rb") as f:
        return f.read()


def folder_state(folder):
    """Every entry of a folder: a file's bytes, a link's target."""
    out = {}
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        out[name] = ("link", os.readlink(path)) if os.path.islink(path) else read(path)
    return out


def live_words(dct):
    return [r["word"] for r in dict_records(dct) if r["deleted"] == 0]


def shots():
    return os.environ.get("MOX_SCREENSHOTS", tempfile.gettempdir())


class ProgramTest(unittest.TestCase):
    """The installed program on a throw-away desktop, and the hands and eyes
    that drive it there."""

    @classmethod
    def setUpClass(cls):
        prefix = install_prefix(BUILD)
        cls.addClassCleanup(shutil.rmtree, prefix, ignore_errors=True)
        cls.mox = os.path.join(prefix, "bin", "mox")

    # ---- files
    def paths(self, d):
        conf = os.path.join(d.env["XDG_CONFIG_HOME"], "Jov Software", "Mox!.conf")
        voc = os.path.join(d.env["XDG_DATA_HOME"], "mox", "voc")
        return conf, voc

    def check_agreement(self, dct, lst):
        """The list holds each word once, only words of live, active records
        of its dictionary, and exactly the records marked in-list. Gives the
        list's words."""
        words = [w["word"] for w in list_records(lst)]
        self.assertEqual(len(set(words)), len(words), "a word is twice in %s" % lst)
        live = {r["word"]: r for r in dict_records(dct) if r["deleted"] == 0}
        for word in words:
            self.assertTrue(word in live, "%s holds %r, which %s lacks" % (lst, word, dct))
            self.assertEqual(live[word]["active"], 1, word)
        for word, record in live.items():
            self.assertEqual(record["inList"] == 1, word in words,
                             "%r: in-list flag %d, in the list: %s" % (word, record["inList"], word in words))
        return words

    def make_dictionary(self, d, name, rows=WORDS):
        """A dictionary made with the installed module from a tab-separated file."""
        program = os.path.join(d.env["XDG_DATA_HOME"], "mox")
        tsv = os.path.join(d.home, name + ".tsv")
        with open(tsv, "w", encoding="utf-8") as f:
            f.write("word\ttranslation\ttranscription\n")
            f.writelines("%s\t%s\t%s\n" % row for row in rows)
        run = d.run([os.path.join(program, "mod", "dc"), "--import", tsv, "--name", name, "--header"], check=False)
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        dct = os.path.join(program, "voc", name + ".dct")
        self.assertEqual(os.path.getsize(dct), len(rows) * DICT_SIZE)
        return dct

    # ---- the program
    def start(self, d, wrapper=()):
        proc = subprocess.Popen(list(wrapper) + [self.mox], env=d.env,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        d.procs.append(proc)
        return proc

    def to_tray(self, d, proc):
        d.wait(lambda: d.tray_icon("mox") or (proc.poll() is not None and self.fail("mox ended")),
               30, "the icon in the tray")

    def first_run(self, d):
        proc = self.start(d)
        self.to_tray(d, proc)
        return proc

    def stop(self, proc):
        proc.send_signal(signal.SIGTERM)
        self.assertEqual(proc.wait(15), 0)

    def program_windows(self, d):
        return set(d.run(["xdotool", "search", "--onlyvisible", "--class", "mox"], check=False).stdout.split())

    def menu(self, d, *keys):
        """The tray icon's menu, then `keys` once it is up."""
        x, y = d.tray_icon("mox")
        before = self.program_windows(d)
        # A synchronous move onto the spot the pointer is already on waits
        # for a motion that never comes: step aside first.
        d.run(["xdotool", "mousemove", str(x - 40), str(y - 40)])
        d.click(x, y, button=3)
        d.wait(lambda: self.program_windows(d) - before, 10, "the tray menu")
        time.sleep(0.3)
        d.key(*keys)

    def wait_active(self, d, window, what):
        d.wait(lambda: d.run(["xdotool", "getactivewindow"], check=False).stdout.strip() == window, 10,
               what + " to have the focus")

    def quit(self, d, proc):
        self.menu(d, "Up", "Return")  # "&Выход" is the last item
        self.assertEqual(proc.wait(15), 0)

    def show_and_hide(self, d):
        """The learning window from the tray icon, then hidden with Esc."""
        x, y = d.tray_icon("mox")
        d.run(["xdotool", "mousemove", str(x - 40), str(y - 40)])
        d.click(x, y)
        window = d.wait(lambda: d.visible_window(WINDOW), 15, "the learning window")
        self.wait_active(d, window, "the learning window")
        time.sleep(0.3)
        d.key("Escape")
        d.wait(lambda: d.tray_icon("mox"), 15, "the icon after hiding")

    def open_dictionaries_page(self, d):
        """The sheet from the tray menu ("&Опции", third from the top), on
        its "Словари" page with the focus in the dictionary list."""
        self.menu(d, "Down", "Down", "Down", "Return")
        sheet = d.wait(lambda: d.visible_window(SHEET), 15, "the options sheet")
        self.wait_active(d, sheet, "the sheet")
        time.sleep(0.3)
        d.key("ctrl+Tab", "ctrl+Tab", "Tab")

    def close_sheet_with_ok(self, d):
        self.wait_active(d, d.visible_window(SHEET), "the sheet")
        d.key("Return")  # no button of the page is a default one: Enter is OK
        d.wait(lambda: d.visible_window(SHEET) is None, 15, "the sheet to close")

    def choose_dictionary(self, d, conf, name):
        self.open_dictionaries_page(d)
        d.type(name[:2])
        time.sleep(0.3)
        self.close_sheet_with_ok(d)
        # The closed sheet writes the settings one value at a time.
        d.wait(lambda: current_dictionary(conf) == (name + ".dct", name + ".lst"), 15,
               "the settings to name " + name)

    # ---- boxes
    def boxes(self, d, caption=BOX):
        return d.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % re.escape(caption)],
                     check=False).stdout.split()

    def readable(self, d):
        """Lets the test read the texts of windows of programs started on
        `d` from now on (see accessible.py)."""
        self.addCleanup(accessible.stop_bus, accessible.start_bus(d))

    def window_nodes(self, d, proc, title):
        """The showing widgets of the program's showing window `title`, or None."""
        for window in accessible.windows(d, proc.pid):
            if window["name"] == title:
                return window["nodes"]
        return None

    def box_text(self, d, proc, caption=BOX):
        """The text of the program's message box (its labels)."""
        def text():
            nodes = self.window_nodes(d, proc, caption) or []
            return "\n".join(n["name"] for n in nodes if n["role"] == "label" and n["name"])
        return d.wait(text, 20, "the text of the box")

    def close_box(self, d, box, caption=BOX):
        """Enter on the box; the box is given the focus first when it lacks it."""
        d.run(["xdotool", "windowactivate", "--sync", box], check=False)
        d.key("Return")
        d.wait(lambda: box not in self.boxes(d, caption), 10, "the box to close")

    # ---- the editor
    def open_editor(self, d):
        """From the "Словари" page (focus in the list): Tab to "Создать",
        Tab to "Редактировать", Space."""
        d.key("Tab", "Tab", "space")
        editor = d.wait(lambda: d.visible_window(EDITOR), 15, "the dictionary editor")
        self.wait_active(d, editor, "the editor")
        time.sleep(0.3)
        return editor

    def select_row(self, d, editor, row):
        """A click in the table gives it the focus; Ctrl+Home goes to the
        first row without selecting, and each plain arrow key selects the
        row it lands on."""
        d.click_at_fraction(editor, *TABLE_BELOW_ROWS)
        d.key("ctrl+Home", "Down", "Up", *(["Down"] * row))

    def rename_selected(self, d, word):
        d.key("F2", "ctrl+a")
        d.type(word)
        d.key("Return")


class ListOwnership(ProgramTest):
    def prepare_our_list(self, d):
        """Our dictionary made, chosen on the sheet and shown once: its six
        words are in its list on disk (the list size is 20)."""
        conf, voc = self.paths(d)
        ours_dct, ours_lst = os.path.join(voc, OURS + ".dct"), os.path.join(voc, OURS + ".lst")
        proc = self.first_run(d)
        self.make_dictionary(d, OURS)
        self.choose_dictionary(d, conf, OURS)
        self.show_and_hide(d)
        d.wait(lambda: os.path.exists(ours_lst) and len(list_records(ours_lst)) == len(WORDS), 15,
               "our dictionary's list")
        self.quit(d, proc)
        self.assertEqual(set(self.check_agreement(ours_dct, ours_lst)), set(OUR_WORDS))
        return ours_dct, ours_lst

    def test_the_editor_changes_only_the_chosen_dictionary_and_its_list(self):
        with Desktop() as d:
            conf, voc = self.paths(d)
            english_dct, english_lst = os.path.join(voc, "english.dct"), os.path.join(voc, "english.lst")
            ours_dct, ours_lst = self.prepare_our_list(d)
            ours = (read(ours_dct), read(ours_lst))

            # The starter dictionary current again, and the learning window
            # shown once on it: its list is in memory and on disk.
            set_values(conf, sCurDict="english.dct", sCurList="english.lst")
            proc = self.start(d)
            self.to_tray(d, proc)
            self.show_and_hide(d)
            d.wait(lambda: list_records(english_lst), 10, "the starter dictionary's list")
            english_words = self.check_agreement(english_dct, english_lst)
            english = (read(english_dct), read(english_lst))

            # Our dictionary chosen on the sheet: its files as they were.
            self.choose_dictionary(d, conf, OURS)
            time.sleep(1)
            self.assertEqual((read(ours_dct), read(ours_lst)), ours)
            self.assertEqual((read(english_dct), read(english_lst)), english)

            # The editor from the sheet: the third row ("think") deleted.
            before = folder_state(voc)
            self.open_dictionaries_page(d)
            editor = self.open_editor(d)
            self.select_row(d, editor, 2)
            d.screenshot(os.path.join(shots(), "mox-e2e-editor-selected.png"))
            d.click_at_fraction(editor, *DELETE_BUTTON)
            question = d.wait(lambda: self.boxes(d, CONFIRM_DELETE), 10, "the question before deleting")[0]
            self.close_box(d, question, CONFIRM_DELETE)  # Enter: "Yes"
            d.wait(lambda: len(live_words(ours_dct)) == len(WORDS) - 1, 10, "the deletion in the dictionary")
            d.click_at_fraction(editor, *CLOSE_BUTTON)
            d.wait(lambda: d.visible_window(EDITOR) is None, 10, "the editor to close")
            time.sleep(0.3)
            self.close_sheet_with_ok(d)

            left = [w for w in OUR_WORDS if w != b"think"]
            self.assertEqual(live_words(ours_dct), left)
            d.wait(lambda: b"think" not in [w["word"] for w in list_records(ours_lst)], 10,
                   "the deleted word to leave our list")
            self.assertEqual(set(self.check_agreement(ours_dct, ours_lst)), set(left))
            self.assertEqual((read(english_dct), read(english_lst)), english, "the starter dictionary changed")
            after = folder_state(voc)
            self.assertEqual(set(after), set(before), "files came or went")
            self.assertEqual({n for n in after if after[n] != before[n]}, {OURS + ".dct", OURS + ".lst"})

            # A listed word renamed in the editor: "cat", now the first row.
            before = folder_state(voc)
            self.open_dictionaries_page(d)
            editor = self.open_editor(d)
            self.select_row(d, editor, 0)
            self.rename_selected(d, "kitten")
            d.wait(lambda: b"kitten" in live_words(ours_dct), 10, "the new word in the dictionary")
            d.click_at_fraction(editor, *CLOSE_BUTTON)
            d.wait(lambda: d.visible_window(EDITOR) is None, 10, "the editor to close")
            time.sleep(0.3)
            self.close_sheet_with_ok(d)

            renamed = [b"kitten"] + left[1:]
            self.assertEqual(live_words(ours_dct), renamed)
            d.wait(lambda: b"kitten" in [w["word"] for w in list_records(ours_lst)], 10, "the new word in our list")
            self.assertEqual(set(self.check_agreement(ours_dct, ours_lst)), set(renamed))
            after = folder_state(voc)
            self.assertEqual(set(after), set(before), "files came or went")
            self.assertEqual({n for n in after if after[n] != before[n]}, {OURS + ".dct", OURS + ".lst"})

            # And so after the exit, which saves the list once more.
            self.quit(d, proc)
            self.assertEqual(set(self.check_agreement(ours_dct, ours_lst)), set(renamed))
            self.assertEqual((read(english_dct), read(english_lst)), english, "the starter dictionary changed")
            self.assertEqual(set(self.check_agreement(english_dct, english_lst)), set(english_words))

    def test_no_showing_over_the_sheet_and_the_next_answer_reaches_the_chosen_list(self):
        with Desktop() as d:
            conf, voc = self.paths(d)
            english_dct, english_lst = os.path.join(voc, "english.dct"), os.path.join(voc, "english.lst")
            ours_dct, ours_lst = os.path.join(voc, OURS + ".dct"), os.path.join(voc, OURS + ".lst")
            proc = self.first_run(d)
            self.make_dictionary(d, OURS)
            self.show_and_hide(d)
            d.wait(lambda: list_records(english_lst), 10, "the starter dictionary's list")
            self.quit(d, proc)
            english = (read(english_dct), read(english_lst))

            # Automatic showing every 10 seconds (stored in milliseconds).
            interval = 10
            set_values(conf, uiTimer=interval * 1000, bAutoShow=1)
            proc = self.start(d)
            self.to_tray(d, proc)
            self.menu(d, "Down", "Down", "Down", "Return")
            sheet = d.wait(lambda: d.visible_window(SHEET), 15, "the options sheet")
            self.wait_active(d, sheet, "the sheet")
            # The interval runs out and five quiet seconds pass while the
            # sheet is open: the window waits.
            opened = time.monotonic()
            shot = False
            while time.monotonic() - opened < interval + 5 + 15:
                if not shot and time.monotonic() - opened > interval + 5 + 3:
                    d.screenshot(os.path.join(shots(), "mox-e2e-sheet-waiting.png"))
                    shot = True
                self.assertIsNone(d.visible_window(WINDOW), "the learning window came up over the sheet")
                self.assertIsNotNone(d.visible_window(SHEET), "the sheet went away")
                self.assertIsNone(proc.poll(), "mox ended")
                time.sleep(0.2)
            self.assertEqual((read(english_dct), read(english_lst)), english)

            # Our dictionary chosen, OK: after five quiet seconds the window
            # comes up with our words.
            d.key("ctrl+Tab", "ctrl+Tab", "Tab")
            d.type("zo")
            time.sleep(0.3)
            last_key = time.monotonic()
            self.close_sheet_with_ok(d)
            d.wait(lambda: current_dictionary(conf) == (OURS + ".dct", OURS + ".lst"), 15,
                   "the settings to name our dictionary")
            window = d.wait(lambda: d.visible_window(WINDOW), 40, "the showing after the sheet closed")
            self.assertGreaterEqual(time.monotonic() - last_key, 4.5, "shown without a quiet check")
            self.wait_active(d, window, "the learning window")
            d.wait(lambda: os.path.exists(ours_lst) and len(list_records(ours_lst)) == len(WORDS), 10,
                   "our dictionary's list")
            time.sleep(0.5)
            d.screenshot(os.path.join(shots(), "mox-e2e-shown-after-sheet.png"))
            self.assertEqual(sum(w["answers"] for w in list_records(ours_lst)), 0)

            d.key("Return")  # the selected row, right or wrong
            d.wait(lambda: sum(w["answers"] for w in list_records(ours_lst)) == 1, 10, "the answer in our list")
            d.key("Escape")  # hides the window, a wrong answer on view or not
            d.wait(lambda: d.tray_icon("mox"), 10, "the icon after hiding")
            self.quit(d, proc)

            self.assertEqual(set(self.check_agreement(ours_dct, ours_lst)), set(OUR_WORDS))
            self.assertEqual(sum(w["answers"] for w in list_records(ours_lst)), 1)
            self.assertEqual((read(english_dct), read(english_lst)), english, "the starter dictionary changed")

    # ---- a kill between the dictionary's write and the list's save
    def killed_during_an_edit(self, d, edit, written):
        """Runs the program with every fsync held (the list's safe save
        syncs its new file before it replaces the old one), opens the editor
        on our dictionary, makes `edit` there and kills the program with
        SIGKILL as soon as `written()` sees the dictionary changed."""
        proc = self.start(d, ["strace", "-f", "-o", "/dev/null", "--seccomp-bpf", "-e", "trace=fsync,fdatasync",
                              "-e", "inject=fsync,fdatasync:delay_enter=%d" % FSYNC_DELAY_US])
        self.to_tray(d, proc)
        self.open_dictionaries_page(d)
        editor = self.open_editor(d)
        edit(editor)
        d.wait(written, 15, "the edit in the dictionary")
        # The program is strace's child (its threads are the strace's tracees).
        children = read("/proc/%d/task/%d/children" % (proc.pid, proc.pid)).split()
        self.assertEqual(len(children), 1, children)
        os.kill(int(children[0]), signal.SIGKILL)
        # strace ends as its tracee did.
        self.assertIn(proc.wait(15), (-signal.SIGKILL, 128 + signal.SIGKILL))

    def check_after_a_kill(self, d, before_restart):
        """Restarts normally: the start makes the list and the dictionary
        agree on disk, the next showing draws every live word of the small
        dictionary again, and they still agree after the exit."""
        conf, voc = self.paths(d)
        ours_dct, ours_lst = os.path.join(voc, OURS + ".dct"), os.path.join(voc, OURS + ".lst")
        before_restart(ours_dct, ours_lst)
        proc = self.start(d)
        self.to_tray(d, proc)

        def agree():
            try:
                return self.check_agreement(ours_dct, ours_lst) is not None
            except AssertionError:
                return False

        d.wait(agree, 15, "the start to make the list and the dictionary agree")
        live = live_words(ours_dct)
        self.show_and_hide(d)
        d.wait(lambda: {w["word"] for w in list_records(ours_lst)} == set(live), 10,
               "every live word in the list again")
        self.assertEqual(set(self.check_agreement(ours_dct, ours_lst)), set(live))
        self.quit(d, proc)
        self.assertEqual(set(self.check_agreement(ours_dct, ours_lst)), set(live))
        self.assertEqual([n for n in os.listdir(voc) if n.endswith(".tmp")], [])
        return live

    def test_a_kill_while_a_renamed_word_is_saved_is_put_right_at_the_next_start(self):
        with Desktop() as d:
            ours_dct, ours_lst = self.prepare_our_list(d)

            def rename(editor):
                self.select_row(d, editor, 0)
                self.rename_selected(d, "kitten")

            self.killed_during_an_edit(d, rename, lambda: b"kitten" in live_words(ours_dct))

            def killed_between_the_writes(dct, lst):
                # Where the kill struck: the dictionary renamed, the list not.
                self.assertEqual(live_words(dct), [b"kitten"] + OUR_WORDS[1:])
                self.assertEqual(dict_records(dct)[0]["inList"], 1)
                self.assertEqual({w["word"] for w in list_records(lst)}, set(OUR_WORDS),
                                 "the list was saved before the kill: the window was missed")

            live = self.check_after_a_kill(d, killed_between_the_writes)
            self.assertIn(b"kitten", live)
            self.assertNotIn(b"cat", [w["word"] for w in list_records(ours_lst)])

    def test_a_kill_while_deleted_rows_leave_the_list_is_put_right_at_the_next_start(self):
        with Desktop() as d:
            ours_dct, ours_lst = self.prepare_our_list(d)

            def delete_two_rows(editor):
                self.select_row(d, editor, 1)
                d.key("shift+Down")  # "ship" and "think"
                d.click_at_fraction(editor, *DELETE_BUTTON)
                question = d.wait(lambda: self.boxes(d, CONFIRM_DELETE), 10, "the question before deleting")[0]
                self.close_box(d, question, CONFIRM_DELETE)

            self.killed_during_an_edit(d, delete_two_rows, lambda: len(live_words(ours_dct)) == len(WORDS) - 2)

            def killed_between_the_writes(dct, lst):
                self.assertEqual(live_words(dct), [w for w in OUR_WORDS if w not in (b"ship", b"think")])
                self.assertEqual({w["word"] for w in list_records(lst)}, set(OUR_WORDS),
                                 "the list was saved before the kill: the window was missed")

            live = self.check_after_a_kill(d, killed_between_the_writes)
            self.assertEqual(live, [w for w in OUR_WORDS if w not in (b"ship", b"think")])


if __name__ == "__main__":
    BUILD = sys.argv.pop(1)
    unittest.main(verbosity=2)
