#!/usr/bin/env python3
"""What `cmake --install` puts in place, checked in a temporary prefix: the
program, its data folder (help, transcription font with its licence, starter
dictionary), the modules folder, the menu entry, the theme icons, the
AppStream metainfo and the manual pages.

Usage: install_test.py BUILD_DIR
"""
import configparser
import gzip
import os
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop  # noqa: E402

BUILD = None
SESSION_MODULES = ("session-x11.so", "session-wayland.so")
# The client libraries that only the session modules link.
X11_ONLY = ("libXi.so", "libXss.so", "libxkbfile.so", "libXext.so")
WAYLAND_ONLY = ("libwayland-client.so",)


def needed(path):
    """The NEEDED entries of a program or library."""
    dynamic = subprocess.run(["readelf", "--dynamic", path], capture_output=True, text=True, check=True).stdout
    return [line.split("[")[1].rstrip("]") for line in dynamic.splitlines() if "(NEEDED)" in line]


def mapped_files(pid):
    with open("/proc/%d/maps" % pid, encoding="utf-8") as f:
        return {line.split()[5] for line in f if len(line.split()) >= 6}


class Installation(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix = tempfile.mkdtemp(prefix="mox-install-")
        subprocess.run(["cmake", "--install", BUILD, "--prefix", cls.prefix], check=True,
                       stdout=subprocess.DEVNULL)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.prefix, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.prefix, *parts)

    def test_program_and_data_folder(self):
        mox = self.path("bin", "mox")
        self.assertTrue(os.path.isfile(mox) and os.stat(mox).st_mode & stat.S_IXUSR, "no program")
        share = self.path("share", "mox")
        for name in ("mox.qch", "fonts/transmox.ttf", "fonts/LICENSE-DejaVu.txt", "voc/english.dct"):
            self.assertGreater(os.path.getsize(os.path.join(share, name)), 0, name)
        # The module is a program: beside bin/, not among the data.
        dc = self.path("lib", "mox", "mod", "dc")
        self.assertTrue(os.path.isfile(dc) and os.stat(dc).st_mode & stat.S_IXUSR, "no module")
        self.assertFalse(os.path.exists(os.path.join(share, "mod")), "a modules folder among the data")
        # The per-user setup finds both from the program: bin/../share/mox, bin/../lib/mox/mod.
        self.assertEqual(os.path.realpath(os.path.join(os.path.dirname(mox), "..", "share", "mox")),
                         os.path.realpath(share))
        self.assertEqual(os.path.realpath(os.path.join(os.path.dirname(mox), "..", "lib", "mox", "mod")),
                         os.path.realpath(os.path.dirname(dc)))
        # The starter dictionary is the one the build made, whole records of it.
        built = os.path.join(BUILD, "resources", "dictionary", "english.dct")
        with open(built, "rb") as a, open(os.path.join(share, "voc", "english.dct"), "rb") as b:
            data = b.read()
            self.assertEqual(a.read(), data)
        self.assertEqual(len(data) % 208, 0)
        self.assertGreaterEqual(len(data) // 208, 300)
        with open(os.path.join(share, "fonts", "LICENSE-DejaVu.txt"), encoding="utf-8", errors="replace") as f:
            self.assertIn("DejaVu", f.read())

    def test_programs_carry_no_library_search_path(self):
        # A RUNPATH would make the loader look beside the program for every
        # library at each start; our modules are opened by their full paths.
        plugins = [self.path("lib", "mox", "plugins", name)
                   for name in ("results-charts.so", "help-window.so") + SESSION_MODULES]
        for program in [self.path("bin", "mox"), self.path("lib", "mox", "mod", "dc")] + plugins:
            dynamic = subprocess.run(["readelf", "--dynamic", program], capture_output=True, text=True,
                                     check=True).stdout
            self.assertIn("NEEDED", dynamic, program)
            self.assertNotIn("RUNPATH", dynamic, program)
            self.assertNotIn("RPATH", dynamic, program)

    def test_the_waiting_program_links_no_chart_help_or_network_library(self):
        # The charts come with their module, when the Results page draws them,
        # and Qt Help (with Qt Sql) with the help window's; the show requests
        # of a tray-less session need no network library.
        needed = subprocess.run(["readelf", "--dynamic", self.path("bin", "mox")], capture_output=True, text=True,
                                check=True).stdout
        for library in ("libQt6Charts", "libQt6Network", "libQt6OpenGL", "libQt6Help", "libQt6Sql"):
            self.assertNotIn(library, needed)
        for module, library in (("results-charts.so", "libQt6Charts"), ("help-window.so", "libQt6Help")):
            dynamic = subprocess.run(["readelf", "--dynamic", self.path("lib", "mox", "plugins", module)],
                                     capture_output=True, text=True, check=True).stdout
            self.assertIn(library, dynamic, module)

    def test_x11_and_wayland_code_lives_in_the_session_modules(self):
        program = needed(self.path("bin", "mox"))
        for library in X11_ONLY + WAYLAND_ONLY:
            self.assertFalse([n for n in program if n.startswith(library)], "the program links " + library)
        x11 = needed(self.path("lib", "mox", "plugins", "session-x11.so"))
        wayland = needed(self.path("lib", "mox", "plugins", "session-wayland.so"))
        for library in ("libXi.so", "libxkbfile.so", "libX11.so"):
            self.assertTrue([n for n in x11 if n.startswith(library)], "session-x11.so lacks " + library)
        self.assertTrue([n for n in wayland if n.startswith("libwayland-client.so")], wayland)
        for library in X11_ONLY:
            self.assertFalse([n for n in wayland if n.startswith(library)], "session-wayland.so links " + library)
        for library in WAYLAND_ONLY:
            self.assertFalse([n for n in x11 if n.startswith(library)], "session-x11.so links " + library)

    def test_the_program_finds_its_x11_module_and_goes_on_without_it(self):
        """On an X11 desktop the installed program maps the X11 module from
        its own prefix and nothing of Wayland; with the module gone it says
        so once and still comes to the tray."""
        module = self.path("lib", "mox", "plugins", "session-x11.so")
        put_aside = module + ".aside"
        for present in (True, False):
            with self.subTest(present=present), Desktop() as d:
                if not present:
                    os.rename(module, put_aside)
                try:
                    proc = d.start([self.path("bin", "mox")])
                    d.wait(lambda: d.tray_icon("mox") or (proc.poll() is not None and self.fail(
                        "mox ended: " + proc.stdout.read().decode(errors="replace"))), 20, "the icon in the tray")
                    maps = mapped_files(proc.pid)
                    proc.send_signal(signal.SIGTERM)
                    self.assertEqual(proc.wait(10), 0)
                    out = proc.stdout.read().decode(errors="replace")
                finally:
                    if not present:
                        os.rename(put_aside, module)
                mentions = [line for line in out.splitlines() if "session module" in line]
                wayland = [m for m in maps if "wayland" in os.path.basename(m)]
                self.assertEqual(wayland, [], "an X11 session mapped " + ", ".join(wayland))
                if present:
                    self.assertIn(os.path.realpath(module), {os.path.realpath(m) for m in maps if os.path.exists(m)})
                    self.assertEqual(mentions, [], out)
                else:
                    self.assertEqual(len(mentions), 1, out)
                    self.assertIn("session-x11.so is not installed", mentions[0])
                    self.assertFalse([m for m in maps if "session-" in m or "libXi.so" in m], maps)

    def test_metainfo_and_manual_pages(self):
        metainfo = self.path("share", "metainfo", "org.example.mox.metainfo.xml")
        with open(metainfo, encoding="utf-8") as f:
            text = f.read()
        self.assertIn('<launchable type="desktop-id">mox.desktop</launchable>', text)
        self.assertNotIn("@", text, "a value the build did not fill in")
        for page in ("mox.1.gz", "mox-dc.1.gz"):
            path = self.path("share", "man", "man1", page)
            with gzip.open(path, "rt", encoding="utf-8") as f:
                self.assertTrue(f.read().startswith(".\\\" "), page)
            with open(path, "rb") as f:
                head = f.read(10)
            # gzip -n: no time stamp, so the bytes depend on the text alone.
            self.assertEqual(head[4:8], b"\0\0\0\0", page)

    def test_menu_entry_and_icons(self):
        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(self.path("share", "applications", "mox.desktop"), encoding="utf-8")
        desktop = entry["Desktop Entry"]
        self.assertEqual(desktop["Type"], "Application")
        self.assertEqual(desktop["Name"], "Mox!")
        self.assertEqual(desktop["Exec"], "mox")
        self.assertEqual(desktop["Icon"], "mox")
        self.assertEqual(desktop["Categories"], "Education;Languages;")
        for size in (16, 22, 24, 32, 48, 64, 128, 256):
            icon = self.path("share", "icons", "hicolor", "%dx%d" % (size, size), "apps", "mox.png")
            with open(icon, "rb") as f:
                head = f.read(24)
            self.assertEqual(head[:8], b"\x89PNG\r\n\x1a\n", icon)
            width, height = int.from_bytes(head[16:20], "big"), int.from_bytes(head[20:24], "big")
            self.assertEqual((width, height), (size, size), icon)


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
