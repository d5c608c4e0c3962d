#!/usr/bin/env python3
"""The data folder guarded end to end, on the installed program: a list name
in the settings that leads to a dictionary file (another name for it, the
current dictionary itself, a link to it) opens nothing and is named in one
message; a second copy of the same user in another session (another display
and runtime folder, the same data and settings folders) says why it does not
run and ends; a dictionary with a fragment of a record at its end is counted
by its whole records and "Восстановить" cuts the fragment, keeping the old
file as the backup.

Usage: data_folder_test.py BUILD_DIR
"""
import os
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import list_ownership_test  # noqa: E402
from desktop import Desktop  # noqa: E402
from e2e_test import DICT_SIZE, dict_records  # noqa: E402
from hardening_test import set_values  # noqa: E402
from list_ownership_test import SHEET, ProgramTest, folder_state, read, shots  # noqa: E402


def tree_state(root):
    """Every file and link under root with its bytes or target."""
    out = {}
    for folder, dirs, files in os.walk(root):
        for name in dirs + files:
            path = os.path.join(folder, name)
            if os.path.islink(path):
                out[path] = ("link", os.readlink(path))
            elif os.path.isfile(path):
                out[path] = read(path)
            else:
                out[path] = "folder"
    return out


class DataFolder(ProgramTest):
    def test_a_list_name_that_leads_to_a_dictionary_opens_nothing_and_is_named_once(self):
        with Desktop() as d:
            self.readable(d)
            conf, voc = self.paths(d)
            english_dct = os.path.join(voc, "english.dct")
            self.stop(self.first_run(d))
            shutil.copyfile(english_dct, os.path.join(voc, "n.dct"))
            english = read(english_dct)
            cases = [
                ("another dictionary's name", "english.dct", False),
                ("the current dictionary's own name", "n.dct", False),
                ("a link to a dictionary", "n.lst", True),
            ]
            for what, list_name, link in cases:
                with self.subTest(what):
                    if link:
                        os.symlink("english.dct", os.path.join(voc, list_name))
                    set_values(conf, sCurDict="n.dct", sCurList=list_name)
                    before = folder_state(voc)
                    proc = self.start(d)
                    box = d.wait(lambda: self.boxes(d), 20, "the message")[0]
                    d.screenshot(os.path.join(shots(), "mox-e2e-list-is-dictionary.png"))
                    text = self.box_text(d, proc)
                    self.assertIn('"%s"' % list_name, text)
                    self.close_box(d, box)
                    self.to_tray(d, proc)
                    # No dictionary: the window from the tray and hidden
                    # again, and no second message.
                    self.show_and_hide(d)
                    time.sleep(1)
                    self.assertEqual(self.boxes(d), [], "a second message")
                    self.stop(proc)
                    self.assertEqual(read(english_dct), english, "the starter dictionary was written")
                    self.assertEqual(folder_state(voc), before, "the dictionary folder changed")
                    if link:
                        os.remove(os.path.join(voc, list_name))

    def test_a_second_copy_on_the_same_data_folder_says_why_and_ends(self):
        with Desktop() as d, Desktop() as other:
            conf, voc = self.paths(d)
            first = self.first_run(d)
            # The same user in another session: another display, runtime
            # folder and session bus, the same home, data and settings folders.
            for name in ("HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"):
                other.env[name] = d.env[name]
            self.readable(other)
            self.assertNotEqual(other.env["XDG_RUNTIME_DIR"], d.env["XDG_RUNTIME_DIR"])
            before = tree_state(d.env["XDG_CONFIG_HOME"]), tree_state(d.env["XDG_DATA_HOME"])

            second = self.start(other)
            box = other.wait(lambda: self.boxes(other) or (second.poll() is not None and ["ended"]), 30,
                             "the second copy's message")[0]
            self.assertIsNone(second.poll(), "the second copy ended without a word")
            other.screenshot(os.path.join(shots(), "mox-e2e-second-copy.png"))
            self.assertIsNone(other.tray_icon("mox"), "the second copy runs")
            text = self.box_text(other, second)
            self.assertIn("уже работает", text)
            self.assertIn(os.path.join(d.env["XDG_DATA_HOME"], "mox"), text)
            self.close_box(other, box)
            self.assertEqual(second.wait(15), 0)
            self.assertIsNone(other.tray_icon("mox"))
            self.assertEqual((tree_state(d.env["XDG_CONFIG_HOME"]), tree_state(d.env["XDG_DATA_HOME"])), before,
                             "the second copy touched the files")

            # The first copy goes on as before.
            self.assertIsNone(first.poll(), "the first copy ended")
            self.show_and_hide(d)
            self.quit(d, first)

    def test_restore_cuts_a_fragment_at_the_end_of_a_dictionary(self):
        with Desktop() as d:
            self.readable(d)
            conf, voc = self.paths(d)
            self.stop(self.first_run(d))
            # Twenty whole records of the starter dictionary and the first 57
            # bytes of the next one.
            starter = read(os.path.join(voc, "english.dct"))
            frag = os.path.join(voc, "frag.dct")
            with open(frag, "wb") as f:
                f.write(starter[:20 * DICT_SIZE + 57])
            self.assertTrue(all(r["deleted"] == 0 and r["active"] == 1 for r in dict_records(frag)))
            set_values(conf, sCurDict="frag.dct", sCurList="frag.lst")

            proc = self.start(d)
            self.to_tray(d, proc)
            self.open_dictionaries_page(d)
            d.screenshot(os.path.join(shots(), "mox-e2e-fragment-counts.png"))
            self.assertEqual(self.counts(d, proc), ("20", "20"))

            # "Восстановить", the third button after the list.
            damaged = read(frag)
            self.assertEqual(len(damaged), 20 * DICT_SIZE + 57)
            d.key("Tab", "Tab", "Tab", "space")
            box = d.wait(lambda: self.boxes(d), 20, "the restore's report")[0]
            text = self.box_text(d, proc)
            self.assertIn("57 байт", text)
            self.close_box(d, box)
            self.assertEqual(read(frag), damaged[:20 * DICT_SIZE])
            self.assertEqual(read(os.path.join(voc, "frag.bak")), damaged)
            self.assertEqual(self.counts(d, proc), ("20", "20"))

            self.close_sheet_with_ok(d)
            self.show_and_hide(d)
            self.quit(d, proc)
            self.assertEqual(os.path.getsize(frag), 20 * DICT_SIZE)
            self.check_agreement(frag, os.path.join(voc, "frag.lst"))

    def counts(self, d, proc):
        """The fields "Активно:" and "Всего:" of the sheet's "Словари" page."""
        nodes = self.window_nodes(d, proc, SHEET) or []
        found = {}
        for i, node in enumerate(nodes):
            if node["role"] == "label" and node["name"] in ("Активно:", "Всего:"):
                field = next((n for n in nodes[i + 1:] if n["role"] == "text"), None)
                found[node["name"]] = field and field["text"]
        return found.get("Активно:"), found.get("Всего:")


if __name__ == "__main__":
    list_ownership_test.BUILD = sys.argv.pop(1)
    unittest.main(verbosity=2)
