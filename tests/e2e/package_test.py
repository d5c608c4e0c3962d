#!/usr/bin/env python3
"""The Debian package as a learner's machine gets it.

PackageChecks: lintian finds no error and no warning we have not accepted
with a reason; the control fields carry the project's version and the
dependencies computed from the libraries; every file lies under /usr; the
programs carry no library search path; the metainfo, the menu entry and the
manual pages pass their validators.

ThrowAwayRoot: the package installed with dpkg into an empty root (its
database knows only the packages the dependencies name, taken from this
machine, whose libraries the program then uses); the program started from
that root on a desktop with a tray until its icon is there, its first start
copying what it needs from the root's /usr; the copied module importing a
word list; then the package purged and nothing left under the root's /usr.

The package is made once by `cmake --build BUILD --target package` (./test
does it before the tests).

Usage: package_test.py BUILD_DIR DEB_FILE [PackageChecks|ThrowAwayRoot]
"""
import configparser
import filecmp
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop  # noqa: E402
from e2e_test import DICT_SIZE  # noqa: E402

BUILD = None
DEB = None
# The X11 and the Wayland adapters, loaded by the program at start.
SESSION_MODULES = ("usr/lib/mox/plugins/session-x11.so", "usr/lib/mox/plugins/session-wayland.so")
SOURCE = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))

# Lintian warnings that stay, each with its reason. Any other warning, and
# every error, fails the test.
ACCEPTED_WARNINGS = {
}


def project_version():
    with open(os.path.join(SOURCE, "CMakeLists.txt"), encoding="utf-8") as f:
        return re.search(r"project\(Mox VERSION ([0-9.]+)", f.read()).group(1)


def run(cmd, **kwargs):
    return subprocess.run(cmd, capture_output=True, text=True, **kwargs)


def control_field(name):
    return run(["dpkg-deb", "--field", DEB, name], check=True).stdout.strip()


def depends_names():
    """The package names of the Depends field, first alternative of each."""
    names = []
    for clause in control_field("Depends").split(","):
        names.append(clause.split("|")[0].split("(")[0].strip())
    return names


def check_package_is_current():
    """The package exists and was made from the programs of this build."""
    remedy = "make it with `cmake --build %s --target package` (./test does)" % BUILD
    if not os.path.isfile(DEB):
        raise AssertionError("no package %s: %s" % (DEB, remedy))
    for program in (os.path.join(BUILD, "src", "app", "mox"), os.path.join(BUILD, "mod", "dc", "dc")):
        if os.path.getmtime(program) > os.path.getmtime(DEB):
            raise AssertionError("the package %s is older than %s: %s" % (DEB, program, remedy))


def extract(target):
    subprocess.run(["dpkg-deb", "--extract", DEB, target], check=True)


class PackageChecks(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        check_package_is_current()
        cls.root = tempfile.mkdtemp(prefix="mox-deb-")
        extract(cls.root)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def test_lintian_finds_no_error_and_only_accepted_warnings(self):
        # Exit code 1 says tags of the level of error were found (listed
        # below), 2 and up that lintian itself failed.
        result = run(["lintian", "--tag-display-limit", "0", "--display-level", ">=warning", DEB])
        self.assertIn(result.returncode, (0, 1), "lintian did not run: " + result.stderr)
        tags = re.findall(r"^([EW]): mox[^:]*: (\S+)(.*)$", result.stdout, re.M)
        errors = [t for t in tags if t[0] == "E"]
        self.assertEqual(errors, [], result.stdout)
        unexpected = [t for t in tags if t[0] == "W" and t[1] not in ACCEPTED_WARNINGS]
        self.assertEqual(unexpected, [], result.stdout)
        # Every line of its report is a tag of ours: nothing unread.
        self.assertEqual(len(tags), len([l for l in result.stdout.splitlines() if l.strip()]), result.stdout)

    def test_control_fields(self):
        self.assertEqual(control_field("Package"), "mox")
        self.assertEqual(control_field("Version"), project_version())
        arch = run(["dpkg", "--print-architecture"], check=True).stdout.strip()
        self.assertEqual(control_field("Architecture"), arch)
        self.assertEqual(control_field("Section"), "education")
        description = control_field("Description").splitlines()
        self.assertGreater(len(description), 3, "no long description")

    def test_dependencies_cover_every_library_the_programs_link(self):
        """Each library a program names (NEEDED) belongs to a package in
        Depends, with a version from the symbols file (dpkg-shlibdeps), and
        the plugins Qt loads at run time are there too."""
        depends = control_field("Depends")
        names = depends_names()
        for plugin in ("qt6-qpa-plugins", "libqt6sql6-sqlite"):
            self.assertIn(plugin, names)
        self.assertRegex(depends, r"libc6 \(>= [0-9.]+\)")
        self.assertRegex(depends, r"libqt6widgets6 \(>= [0-9.~]+\)")
        for program in [self.path("usr", "bin", "mox"), self.path("usr", "lib", "mox", "mod", "dc"),
                        self.path("usr", "lib", "mox", "plugins", "results-charts.so"),
                        self.path("usr", "lib", "mox", "plugins", "help-window.so")] + [
                self.path(*module.split("/")) for module in SESSION_MODULES]:
            needed = re.findall(r"\(NEEDED\).*\[(.+)\]", run(["readelf", "--dynamic", program], check=True).stdout)
            self.assertGreater(len(needed), 3, program)
            resolved = dict(re.findall(r"^\s*(\S+) => (\S+)", run(["ldd", program], check=True).stdout, re.M))
            for soname in needed:
                self.assertIn(soname, resolved, "%s: %s not found" % (program, soname))
                package = self.owner(resolved[soname])
                self.assertIn(package, names, "%s links %s of %s, which Depends lacks" % (program, soname, package))

    def owner(self, library):
        real = os.path.realpath(library)
        candidates = {library, real}
        for p in list(candidates):
            # Merged /usr: dpkg may know a library under /lib or under /usr/lib.
            if p.startswith("/usr/lib/"):
                candidates.add(p[len("/usr"):])
            elif p.startswith("/lib/"):
                candidates.add("/usr" + p)
        for p in sorted(candidates):
            found = run(["dpkg-query", "--search", p])
            if found.returncode == 0:
                return found.stdout.split(":")[0].strip()
        self.fail("no package owns " + library)

    def test_every_file_lies_under_usr_and_the_installation_is_whole(self):
        files = []
        for folder, _, names in os.walk(self.root):
            for name in names:
                files.append(os.path.relpath(os.path.join(folder, name), self.root))
        self.assertTrue(all(f.startswith("usr/") for f in files), files)
        expected = ["usr/bin/mox", "usr/lib/mox/mod/dc", "usr/lib/mox/plugins/results-charts.so",
                    "usr/lib/mox/plugins/help-window.so", "usr/share/mox/mox.qch",
                    "usr/share/mox/fonts/transmox.ttf", "usr/share/mox/fonts/LICENSE-DejaVu.txt",
                    "usr/share/mox/voc/english.dct", "usr/share/applications/mox.desktop",
                    "usr/share/metainfo/org.example.mox.metainfo.xml",
                    "usr/share/man/man1/mox.1.gz", "usr/share/man/man1/mox-dc.1.gz",
                    "usr/share/doc/mox/copyright", "usr/share/doc/mox/changelog.gz"] + list(SESSION_MODULES)
        expected += ["usr/share/icons/hicolor/%dx%d/apps/mox.png" % (s, s) for s in (16, 22, 24, 32, 48, 64, 128, 256)]
        for name in expected:
            self.assertIn(name, files)
        for program in ("usr/bin/mox", "usr/lib/mox/mod/dc", "usr/lib/mox/plugins/results-charts.so",
                        "usr/lib/mox/plugins/help-window.so") + SESSION_MODULES:
            dynamic = run(["readelf", "--dynamic", "--section-headers", self.path(program)], check=True).stdout
            self.assertNotIn("RUNPATH", dynamic, program)
            self.assertNotIn("RPATH", dynamic, program)
            self.assertNotIn(".debug_info", dynamic, program + " is not stripped")
        # The copyright file holds the font's licence in full.
        with open(self.path("usr", "share", "doc", "mox", "copyright"), encoding="utf-8") as f:
            copyright_text = f.read()
        self.assertIn("Permission is hereby granted, free of charge", copyright_text)
        self.assertIn("Jov Software", copyright_text)

    def test_metainfo_menu_entry_and_manual_pages_pass_their_validators(self):
        metainfo = self.path("usr", "share", "metainfo", "org.example.mox.metainfo.xml")
        result = run(["appstreamcli", "validate", "--pedantic", "--no-net", metainfo])
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        # The metainfo and the menu entry it launches, checked together.
        result = run(["appstreamcli", "validate-tree", "--pedantic", "--no-net", self.root])
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        result = run(["desktop-file-validate", self.path("usr", "share", "applications", "mox.desktop")])
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertEqual(result.stdout + result.stderr, "")

        with open(metainfo, encoding="utf-8") as f:
            text = f.read()
        self.assertRegex(text, r'<release version="%s" date="\d{4}-\d\d-\d\d"' % re.escape(project_version()))
        for category in ("Education", "Languages"):
            self.assertIn("<category>%s</category>" % category, text)
        self.assertIn('<content_rating type="oars-1.1"/>', text)
        self.assertEqual(len(re.findall(r'<summary xml:lang="ru">', text)), 1)
        screenshots = re.findall(r"<image>https://[^<]+/([^/<]+\.png)</image>", text)
        self.assertEqual(len(screenshots), 2)
        for shot in screenshots:
            self.assertTrue(os.path.isfile(os.path.join(SOURCE, "resources", "screenshots", shot)), shot)

        env = dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80")
        for page in ("mox.1.gz", "mox-dc.1.gz"):
            path = self.path("usr", "share", "man", "man1", page)
            result = run(["man", "--warnings", "-E", "UTF-8", "-l", path], env=env)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual(result.stderr, "", page)
            self.assertIn("EXIT STATUS", result.stdout)
            self.assertIn("Mox! " + project_version(), result.stdout)
            # Every option the program or the module takes is described.
            options = ["--version"] if page == "mox.1.gz" else [
                "--create", "--import", "--name", "--export", "--columns", "--languages", "--header",
                "--separator", "--replace", "--help", "--version"]
            for option in options:
                self.assertIn(option, result.stdout, page)
            for section in ("ENVIRONMENT", "FILES"):
                self.assertIn(section, result.stdout, page)


class ThrowAwayRoot(unittest.TestCase):
    def setUp(self):
        check_package_is_current()
        self.root = tempfile.mkdtemp(prefix="mox-root-")
        admin = os.path.join(self.root, "var", "lib", "dpkg")
        for folder in ("info", "updates", "triggers"):
            os.makedirs(os.path.join(admin, folder))
        open(os.path.join(admin, "available"), "w").close()
        # The database of the root knows the packages the dependencies name,
        # as this machine has them (their files are this machine's, not the
        # root's: empty file lists).
        status = []
        for name in depends_names():
            found = run(["dpkg-query", "--status", name])
            self.assertEqual(found.returncode, 0, "dependency %s is not installed here" % name)
            status.append(found.stdout.strip() + "\n")
            binary = run(["dpkg-query", "--show", "--showformat", "${binary:Package}", name], check=True).stdout
            open(os.path.join(admin, "info", binary + ".list"), "w").close()
        with open(os.path.join(admin, "status"), "w", encoding="utf-8") as f:
            f.write("\n".join(status))

    def tearDown(self):
        shutil.rmtree(self.root, ignore_errors=True)

    def dpkg(self, *args):
        # A user who is not root installs as root only in fakeroot's eyes.
        if os.geteuid() == 0:
            return run(["dpkg", "--root=" + self.root, *args])
        return run(["fakeroot", "dpkg", "--force-not-root", "--root=" + self.root, *args])

    def test_install_run_import_and_remove(self):
        result = self.dpkg("--install", DEB)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertEqual(self.dpkg("--status", "mox").returncode, 0)
        usr = os.path.join(self.root, "usr")
        mox = os.path.join(usr, "bin", "mox")

        result = run([mox, "--version"])
        self.assertEqual((result.returncode, result.stdout), (0, "Mox! %s\n" % project_version()))

        with Desktop() as d:
            proc = d.start([mox])
            d.wait(lambda: d.tray_icon("mox") or (proc.poll() is not None and self.fail(
                "mox ended: " + proc.stdout.read().decode(errors="replace"))), 20, "the icon in the tray")

            # The X11 session's module, from the root's /usr, is in use.
            with open("/proc/%d/maps" % proc.pid, encoding="utf-8") as f:
                maps = {line.split()[5] for line in f if len(line.split()) >= 6}
            self.assertIn(os.path.join(self.root, SESSION_MODULES[0]), maps)
            self.assertFalse([m for m in maps if "wayland" in os.path.basename(m)], maps)

            # The first start made the program folder from the root's /usr.
            program = os.path.join(d.env["XDG_DATA_HOME"], "mox")
            installed = os.path.join(usr, "share", "mox")
            for name in ("mox.qch", "fonts/transmox.ttf", "fonts/LICENSE-DejaVu.txt", "voc/english.dct"):
                self.assertTrue(filecmp.cmp(os.path.join(installed, name), os.path.join(program, name),
                                            shallow=False), name)
            dc = os.path.join(program, "mod", "dc")
            self.assertTrue(filecmp.cmp(os.path.join(usr, "lib", "mox", "mod", "dc"), dc, shallow=False))
            self.assertEqual(os.path.realpath(os.path.join(program, "Mox")), os.path.realpath(mox))
            settings = configparser.ConfigParser(interpolation=None)
            settings.optionxform = str
            settings.read(os.path.join(d.env["XDG_CONFIG_HOME"], "Jov Software", "Mox!.conf"), encoding="utf-8")
            self.assertEqual(settings["General"]["sAppPath"], program)
            self.assertEqual(settings["Dicts"]["sCurDict"], "english.dct")

            # Help opens from the learning window, its module found in the
            # root's /usr/lib/mox/plugins.
            x, y = d.tray_icon("mox")
            d.run(["xdotool", "mousemove", str(x - 40), str(y - 40)])
            d.click(x, y)
            window = d.wait(lambda: d.visible_window("<> Mox!"), 15, "the learning window")
            d.wait(lambda: d.run(["xdotool", "getactivewindow"], check=False).stdout.strip() == window, 10,
                   "the learning window to have the focus")
            d.key("F1")
            d.wait(lambda: d.visible_window("Mox! <> Справка"), 20, "the help window")
            with open("/proc/%d/maps" % proc.pid) as f:
                self.assertIn(os.path.join(usr, "lib", "mox", "plugins", "help-window.so"), f.read())

            # The copied module imports a word list: rows of the starter
            # list, word, IPA and translation.
            rows = []
            with open(os.path.join(SOURCE, "resources", "dictionary", "english.txt"), encoding="utf-8") as f:
                for line in f:
                    if line.strip() and not line.startswith("#"):
                        rows.append(line.rstrip("\n").split("\t"))
            rows = rows[100:125]
            words = os.path.join(d.home, "words.tsv")
            with open(words, "w", encoding="utf-8") as f:
                f.writelines("\t".join(r) + "\n" for r in rows)
            result = d.run([dc, "--import", words, "--name", "packaged", "--columns", "1,3,2"], check=False)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual(result.stdout, "Словарь «packaged.dct» создан, слов в нём: %d.\n" % len(rows))
            with open(os.path.join(program, "voc", "packaged.dct"), "rb") as f:
                data = f.read()
            self.assertEqual(len(data), len(rows) * DICT_SIZE)
            for i, (word, _, translation) in enumerate(rows):
                record = data[i * DICT_SIZE:(i + 1) * DICT_SIZE]
                self.assertEqual(record[1:81].split(b"\0")[0], word.encode("cp1252"))
                self.assertEqual(record[81:161].split(b"\0")[0], translation.encode("cp1251"))

            proc.send_signal(signal.SIGTERM)
            self.assertEqual(proc.wait(10), 0)
            out = proc.stdout.read().decode(errors="replace")
            self.assertNotIn("session module", out)

        result = self.dpkg("--purge", "mox")
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        left = []
        for folder, dirs, files in os.walk(usr):
            left += [os.path.join(folder, n) for n in dirs + files]
        self.assertEqual(left, [], "left under the root's /usr")
        admin_files = os.listdir(os.path.join(self.root, "var", "lib", "dpkg", "info"))
        self.assertEqual([f for f in admin_files if f.startswith("mox.")], [])


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv.pop(1))
    DEB = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
