"""A throw-away Wayland session for end-to-end tests: sway with its headless
backend, optionally with swaybar and its tray, a session bus of its own and
temporary XDG folders. Everything in it, the program under test too, runs as
one unprivileged user (`nobody` when the tests run as root, since sway
refuses root and the bus admits only its own user), as in a real session:
one runtime folder holds sway's sockets and the program's lock.
"""
import json
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

from desktop import Desktop

NOBODY = 65534
WATCHER = "org.kde.StatusNotifierWatcher"


def user_prefix():
    if os.geteuid() != 0:
        return []
    return ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups"]


def open_to_all(path):
    """Lets the session's user into a folder the test made (an install prefix)."""
    for root, dirs, files in os.walk(path):
        os.chmod(root, 0o755)


def stop(proc):
    """Ends a program of the session as the desktop does at logout; its output."""
    proc.send_signal(signal.SIGTERM)
    out, _ = proc.communicate(timeout=10)
    return out


def item_of(d, proc):
    """The tray item of that process, once the bar's watcher has it."""
    for service, path in d.tray_items():
        if d.owner_pid(service) == proc.pid:
            return service, path
    return None


def set_values(conf, **values):
    """Sets values of the program's settings file by name."""
    with open(conf, encoding="utf-8") as f:
        text = f.read()
    for name, value in values.items():
        text, n = re.subn(r"(?m)^%s=.*$" % name, "%s=%s" % (name, value), text)
        assert n == 1, "no %s in the settings file" % name
    with open(conf, "w", encoding="utf-8") as f:
        f.write(text)


class SwaySession:
    def __init__(self, bar=True):
        self.bar = bar
        self.home = tempfile.mkdtemp(prefix="mox-wl-")
        os.chmod(self.home, 0o755)
        self.run_dir = os.path.join(self.home, "run")
        os.makedirs(self.run_dir, mode=0o700)
        self.config = os.path.join(self.home, "sway.conf")
        self.procs = []
        self.env = {
            "HOME": self.home,
            "XDG_CONFIG_HOME": os.path.join(self.home, "config"),
            "XDG_DATA_HOME": os.path.join(self.home, "data"),
            "XDG_RUNTIME_DIR": self.run_dir,
            "XDG_SESSION_TYPE": "wayland",
            "QT_QPA_PLATFORM": "wayland",
            "LANG": "C.UTF-8",
            "PATH": "/usr/bin:/bin",
        }

    # ------------------------------------------------------------ the session

    def write_config(self):
        lines = ["output HEADLESS-1 resolution 1280x1024"]
        if self.bar:
            lines += ["bar {", "  position top", "  tray_output *", "}"]
        with open(self.config, "w") as f:
            f.write("\n".join(lines) + "\n")
        if os.geteuid() == 0:
            os.chown(self.config, NOBODY, NOBODY)

    def __enter__(self):
        if os.geteuid() == 0:
            for root, dirs, files in os.walk(self.home):
                for name in [root] + [os.path.join(root, n) for n in dirs + files]:
                    os.chown(name, NOBODY, NOBODY)
        self.write_config()
        bus = subprocess.Popen(user_prefix() + ["env", "-i"] + self.env_list() +
                               ["dbus-daemon", "--session", "--nofork", "--print-address"],
                               stdout=subprocess.PIPE, text=True)
        self.procs.append(bus)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()
        sway_env = dict(WLR_BACKENDS="headless", WLR_LIBINPUT_NO_DEVICES="1", WLR_RENDERER="pixman")
        self.procs.append(subprocess.Popen(
            user_prefix() + ["env", "-i"] + self.env_list(sway_env) + ["sway", "-c", self.config],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        Desktop.wait(lambda: os.path.exists(os.path.join(self.run_dir, "wayland-1")), 10, "sway's socket")
        self.env["WAYLAND_DISPLAY"] = "wayland-1"
        self.env["SWAYSOCK"] = Desktop.wait(self.sway_socket, 10, "sway's IPC socket")
        if self.bar:
            Desktop.wait(self.tray_host, 10, "swaybar's tray")
        return self

    def __exit__(self, *exc):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()
        shutil.rmtree(self.home, ignore_errors=True)

    def env_list(self, extra=None):
        env = dict(self.env, **(extra or {}))
        return ["%s=%s" % item for item in env.items()]

    def sway_socket(self):
        for name in os.listdir(self.run_dir):
            if name.startswith("sway-ipc."):
                return os.path.join(self.run_dir, name)
        return None

    def start_bar(self):
        """A bar that comes late: the configuration gains it and sway reloads."""
        self.bar = True
        self.write_config()
        self.run(["swaymsg", "reload"], check=True)
        Desktop.wait(self.tray_host, 10, "swaybar's tray")

    # ------------------------------------------------------------ programs

    def start(self, cmd, **extra):
        """Starts a program of the session; its output (both streams) is piped."""
        proc = subprocess.Popen(user_prefix() + ["env", "-i"] + self.env_list(extra) + cmd,
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.procs.append(proc)
        return proc

    def run(self, cmd, check=False, timeout=30):
        return subprocess.run(user_prefix() + ["env", "-i"] + self.env_list() + cmd,
                              capture_output=True, text=True, check=check, timeout=timeout)

    # ------------------------------------------------------------ what is on screen

    def windows(self):
        """The titles of the windows in sway's tree."""
        out = self.run(["swaymsg", "-t", "get_tree", "-r"]).stdout
        titles = []

        def walk(node):
            if node.get("name") and node.get("type") in ("con", "floating_con"):
                titles.append(node["name"])
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                walk(child)
        if out:
            walk(json.loads(out))
        return titles

    def shows(self, title):
        return title in self.windows()

    def close_window(self, title):
        """What the window's close button does: sway asks the window to close."""
        self.run(["swaymsg", '[title="^%s$"] kill' % re.escape(title)], check=True)

    def keyboards(self):
        """sway's keyboards: (identifier, layout names, active index)."""
        out = self.run(["swaymsg", "-t", "get_inputs", "-r"]).stdout
        return [(i["identifier"], i.get("xkb_layout_names") or [], i.get("xkb_active_layout_index"))
                for i in json.loads(out or "[]") if i.get("type") == "keyboard"]

    def type(self, text, delay_ms):
        self.run(["wtype", "-d", str(delay_ms), text], check=True, timeout=60)

    def screenshot(self, path):
        shot = os.path.join(self.home, "shot.png")
        if self.run(["grim", shot]).returncode == 0:
            shutil.copyfile(shot, path)

    # ------------------------------------------------------------ the tray over D-Bus

    def gdbus(self, *args):
        return self.run(["gdbus", "call", "--session"] + list(args), timeout=10)

    def tray_host(self):
        out = self.gdbus("-d", WATCHER, "-o", "/StatusNotifierWatcher", "-m", "org.freedesktop.DBus.Properties.Get",
                         WATCHER, "IsStatusNotifierHostRegistered").stdout
        return "true" in out

    def tray_items(self):
        """The items registered at the watcher, as (service, path)."""
        out = self.gdbus("-d", WATCHER, "-o", "/StatusNotifierWatcher", "-m", "org.freedesktop.DBus.Properties.Get",
                         WATCHER, "RegisteredStatusNotifierItems").stdout
        items = []
        for entry in re.findall(r"'([^']*)'", out):
            slash = entry.find("/")
            items.append((entry[:slash], entry[slash:]) if slash > 0 else (entry, "/StatusNotifierItem"))
        return items

    def owner_pid(self, service):
        """The process that holds a name on the session bus, or None."""
        out = self.gdbus("-d", "org.freedesktop.DBus", "-o", "/org/freedesktop/DBus", "-m",
                         "org.freedesktop.DBus.GetConnectionUnixProcessID", service).stdout
        m = re.search(r"\(uint32 (\d+),\)", out)
        return int(m.group(1)) if m else None

    def item_property(self, item, name):
        service, path = item
        return self.gdbus("-d", service, "-o", path, "-m", "org.freedesktop.DBus.Properties.Get",
                          "org.kde.StatusNotifierItem", name).stdout.strip()

    def item_call(self, item, method, *args):
        service, path = item
        return self.gdbus("-d", service, "-o", path, "-m", "org.kde.StatusNotifierItem." + method, *args)

    def menu_layout(self, item):
        """The item's exported menu as the tray reads it (GetLayout of the root)."""
        menu = re.search(r"'(/[^']*)'", self.item_property(item, "Menu"))
        if not menu:
            return None, ""
        service, _ = item
        out = self.gdbus("-d", service, "-o", menu.group(1), "-m", "com.canonical.dbusmenu.GetLayout",
                         "--", "0", "-1", "[]").stdout
        return menu.group(1), out

    def menu_click(self, item, label):
        """Clicks the exported menu's item labelled `label`, as the tray would."""
        path, layout = self.menu_layout(item)
        m = re.search(r"\((\d+), \{[^}]*'label': <'%s'>" % re.escape(label), layout)
        if not m:
            raise AssertionError("no menu item %r in %s" % (label, layout))
        service, _ = item
        return self.gdbus("-d", service, "-o", path, "-m", "com.canonical.dbusmenu.Event",
                          "--", m.group(1), "clicked", "<0>", "0")
