"""A throw-away desktop for end-to-end tests: Xvfb with icewm (for its tray),
temporary XDG folders, and the xdotool and xwininfo calls a person's hands
and eyes stand for."""
import os
import re
import shutil
import subprocess
import tempfile
import time


def install_prefix(build):
    """Installs the build into a fresh temporary prefix and gives the prefix."""
    prefix = tempfile.mkdtemp(prefix="mox-e2e-prefix-")
    subprocess.run(["cmake", "--install", build, "--prefix", prefix], check=True, stdout=subprocess.DEVNULL)
    return prefix


def install(build):
    """Installs the build into a fresh temporary prefix; gives the program's path."""
    return os.path.join(install_prefix(build), "bin", "mox")


def free_display(start):
    """The first display number from start on that no X server holds."""
    n = start
    while os.path.exists("/tmp/.X%d-lock" % n) or os.path.exists("/tmp/.X11-unix/X%d" % n):
        n += 1
    return n


class Desktop:
    def __init__(self, screen="1280x1024"):
        self.screen = screen
        self.home = tempfile.mkdtemp(prefix="mox-e2e-")
        self.display = ":%d" % free_display(200 + os.getpid() % 300)
        self.env = dict(os.environ,
                        DISPLAY=self.display,
                        HOME=self.home,
                        XDG_CONFIG_HOME=os.path.join(self.home, "config"),
                        XDG_DATA_HOME=os.path.join(self.home, "data"),
                        XDG_RUNTIME_DIR=os.path.join(self.home, "run"),
                        LANG="C.UTF-8")
        self.env.pop("QT_QPA_PLATFORM", None)
        self.env.pop("WAYLAND_DISPLAY", None)
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700)
        self.procs = []

    def __enter__(self):
        self.procs.append(subprocess.Popen(
            ["Xvfb", self.display, "-screen", "0", self.screen + "x24", "-nolisten", "tcp"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        self.wait(lambda: self.run(["xdpyinfo"], check=False).returncode == 0, 10, "Xvfb")
        # A server that ended at once lost the display to another one: never
        # drive someone else's desktop.
        time.sleep(0.3)
        if self.procs[0].poll() is not None:
            raise RuntimeError("Xvfb could not take display %s" % self.display)
        self.procs.append(subprocess.Popen(["icewm"], env=self.env,
                                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        self.wait(lambda: "SystemTray" in self.tree(), 10, "icewm's tray")
        return self

    def __exit__(self, *exc):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
        shutil.rmtree(self.home, ignore_errors=True)

    def run(self, cmd, check=True):
        return subprocess.run(cmd, env=self.env, capture_output=True, text=True, check=check)

    def start(self, cmd):
        proc = subprocess.Popen(cmd, env=self.env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.procs.append(proc)
        return proc

    @staticmethod
    def wait(predicate, seconds, what):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            value = predicate()
            if value:
                return value
            time.sleep(0.05)
        raise AssertionError("timed out waiting for " + what)

    def tree(self):
        return self.run(["xwininfo", "-root", "-tree"], check=False).stdout

    def tray_icon(self, wm_class):
        """Absolute centre of the program's icon in icewm's tray, or None."""
        lines = self.tree().splitlines()
        for i, line in enumerate(lines):
            if "YXTrayEmbedder" in line:
                for child in lines[i + 1:i + 4]:
                    if '"%s"' % wm_class in child:
                        m = re.search(r"(\d+)x(\d+)[+-]-?\d+[+-]-?\d+\s+\+(-?\d+)\+(-?\d+)", child)
                        if m:
                            w, h, x, y = map(int, m.groups())
                            return x + w // 2, y + h // 2
        return None

    def visible_window(self, name):
        out = self.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % re.escape(name)],
                       check=False).stdout.split()
        return out[0] if out else None

    def geometry(self, window):
        out = self.run(["xdotool", "getwindowgeometry", "--shell", window]).stdout
        values = dict(line.split("=", 1) for line in out.split())
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def click(self, x, y, button=1):
        self.run(["xdotool", "mousemove", "--sync", str(x), str(y)])
        time.sleep(0.1)
        self.run(["xdotool", "click", str(button)])
        time.sleep(0.3)

    def tray_menu(self, wm_class, *keys):
        """Opens the menu of the tray icon of `wm_class` and presses `keys` in it."""
        x, y = self.tray_icon(wm_class)
        # A synchronous move onto the spot the pointer is already on waits
        # for a motion that never comes: step aside first.
        self.run(["xdotool", "mousemove", str(x - 40), str(y - 40)])
        self.click(x, y, button=3)
        time.sleep(0.5)
        self.key(*keys)

    def click_at_fraction(self, window, fx, fy, button=1):
        x, y, w, h = self.geometry(window)
        self.click(int(x + fx * w), int(y + fy * h), button)

    def key(self, *keys):
        for k in keys:
            self.run(["xdotool", "key", "--clearmodifiers", k])
            time.sleep(0.25)

    def type(self, text):
        self.run(["xdotool", "type", "--delay", "40", text])
        time.sleep(0.2)

    def screenshot(self, path):
        self.run(["import", "-window", "root", path], check=False)

