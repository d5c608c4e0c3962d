#!/usr/bin/env python3
"""Footprint of Mox! while it waits in the tray, beside an empty Qt Widgets
program with a tray icon, measured in the same run on the same X server.

  start   time from exec to the icon being embedded in the window manager's
          tray (median of the runs)
  cpu     processor time the program used until then (median)
  rss     resident memory after the program has settled in the tray (median)
  wakeups context switches of all the program's threads over a quiet interval
          (a program that polls shows a steady stream; timers that fire only
          when due show almost none), and the processor time they cost

The two programs are started in turn, start by start, so that whatever else
the machine does at the time weighs on both alike; one start of each before
the runs sets up the data folder and warms the file cache and is not counted.
The tray is looked at through Xlib in this process (no program started per
look), every millisecond.

The script starts its own Xvfb with icewm on DISPLAY (":57"), which must be
free. With --maps it lists the shared libraries Mox! maps while it waits.

Usage: measure.py --mox BIN --baseline BIN --display :N [--runs N]
                  [--quiet-seconds S] [--maps]
"""
import argparse
import ctypes
import ctypes.util
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


class Tray:
    """The embedded icons of icewm's tray, read over an Xlib connection."""

    class ClassHint(ctypes.Structure):
        # Pointers kept as they are: Xlib's strings are freed with XFree.
        _fields_ = [("res_name", ctypes.c_void_p), ("res_class", ctypes.c_void_p)]

    def __init__(self, display):
        x = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11"))
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                                 ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                                 ctypes.POINTER(ctypes.c_uint)]
        x.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_void_p)]
        x.XGetClassHint.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(Tray.ClassHint)]
        x.XFree.argtypes = [ctypes.c_void_p]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        # A window that goes away between two requests is no reason to stop.
        self.handler = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(lambda d, e: 0)
        x.XSetErrorHandler(self.handler)
        self.x = x
        self.dpy = x.XOpenDisplay(display.encode())
        if not self.dpy:
            raise RuntimeError("cannot open display " + display)

    def close(self):
        self.x.XCloseDisplay(self.dpy)

    def children(self, window):
        root, parent = ctypes.c_ulong(), ctypes.c_ulong()
        kids, count = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
        if not self.x.XQueryTree(self.dpy, window, ctypes.byref(root), ctypes.byref(parent), ctypes.byref(kids),
                                 ctypes.byref(count)):
            return []
        out = [kids[i] for i in range(count.value)]
        if kids:
            self.x.XFree(kids)
        return out

    def name(self, window):
        text = ctypes.c_void_p()
        if self.x.XFetchName(self.dpy, window, ctypes.byref(text)) and text.value:
            value = ctypes.string_at(text.value).decode(errors="replace")
            self.x.XFree(text)
            return value
        return ""

    def wm_class(self, window):
        hint = Tray.ClassHint()
        if not self.x.XGetClassHint(self.dpy, window, ctypes.byref(hint)):
            return ()
        names = tuple(ctypes.string_at(v).decode(errors="replace") if v else "" for v in (hint.res_name, hint.res_class))
        for p in (hint.res_name, hint.res_class):
            if p:
                self.x.XFree(ctypes.c_void_p(p))
        return names

    def embedders(self):
        """icewm's embedder windows (their name is "YXTrayEmbedder" in its tree)."""
        found, stack = [], [self.x.XDefaultRootWindow(self.dpy)]
        while stack:
            window = stack.pop()
            for child in self.children(window):
                if self.name(child) == "YXTrayEmbedder" or "YXTrayEmbedder" in self.wm_class(child):
                    found.append(child)
                stack.append(child)
        return found

    def has_icon(self, wm_class):
        for embedder in self.embedders():
            for child in self.children(embedder):
                if wm_class in self.wm_class(child):
                    return True
        return False

    def ready(self):
        return bool(self.embedders()) or self.tray_exists()

    def tray_exists(self):
        stack = [self.x.XDefaultRootWindow(self.dpy)]
        while stack:
            window = stack.pop()
            for child in self.children(window):
                if "SystemTray" in self.name(child) or "SystemTray" in self.wm_class(child):
                    return True
                stack.append(child)
        return False


def start_x(display):
    if os.path.exists("/tmp/.X%s-lock" % display.lstrip(":")):
        sys.exit("display %s is taken; name a free one with --display" % display)
    xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    env = dict(os.environ, DISPLAY=display)
    env.pop("WAYLAND_DISPLAY", None)
    env.pop("QT_QPA_PLATFORM", None)
    for _ in range(200):
        if subprocess.run(["xdpyinfo"], env=env, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode == 0:
            break
        time.sleep(0.05)
    if xvfb.poll() is not None:
        sys.exit("Xvfb could not take display %s" % display)
    wm = subprocess.Popen(["icewm"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    tray = Tray(display)
    for _ in range(400):
        if tray.tray_exists():
            break
        time.sleep(0.05)
    else:
        sys.exit("icewm's tray did not come up")
    return xvfb, wm, env, tray


def thread_switches(pid):
    """{thread id: context switches so far} for every thread of the process."""
    out = {}
    for tid in os.listdir("/proc/%d/task" % pid):
        total = 0
        try:
            with open("/proc/%d/task/%s/status" % (pid, tid)) as f:
                for line in f:
                    if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                        total += int(line.split()[1])
        except FileNotFoundError:
            continue  # the thread ended while we looked
        out[tid] = total
    return out


def switches_since(pid, before):
    # Threads that ended in between are not counted; new ones count whole.
    after = thread_switches(pid)
    return sum(n - before.get(tid, 0) for tid, n in after.items())


def cpu_ms(pid):
    """User and system time of the process so far, in milliseconds."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) * 1000.0 / CLOCK_TICKS


def rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS"):
                return int(line.split()[1])
    return 0


def mapped_libraries(pid):
    libs = set()
    with open("/proc/%d/maps" % pid) as f:
        for line in f:
            parts = line.split(None, 5)
            if len(parts) == 6 and ".so" in os.path.basename(parts[5].strip()):
                libs.add(parts[5].strip())
    return sorted(libs)


class Program:
    def __init__(self, label, cmd, wm_class):
        self.label, self.cmd, self.wm_class = label, cmd, wm_class
        self.starts, self.cpu, self.rss = [], [], []
        self.wakeups = self.quiet_cpu = 0
        self.libraries = []


def start_once(program, env, tray, settle, quiet=None, keep=True):
    began = time.monotonic()
    proc = subprocess.Popen(program.cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        while not tray.has_icon(program.wm_class):
            if proc.poll() is not None:
                sys.exit("%s ended before its icon reached the tray" % program.cmd[0])
            if time.monotonic() - began > 20:
                sys.exit("%s: no tray icon after 20 s" % program.cmd[0])
            time.sleep(0.001)
        elapsed = time.monotonic() - began
        used = cpu_ms(proc.pid)
        time.sleep(settle)  # let start-up work settle
        if keep:
            program.starts.append(elapsed)
            program.cpu.append(used)
            program.rss.append(rss_kib(proc.pid))
        if quiet:
            program.libraries = mapped_libraries(proc.pid)
            before, cpu_before = thread_switches(proc.pid), cpu_ms(proc.pid)
            time.sleep(quiet)
            program.wakeups = switches_since(proc.pid, before)
            program.quiet_cpu = cpu_ms(proc.pid) - cpu_before
    finally:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
    # The icon has left the tray before the next start looks for one.
    for _ in range(500):
        if not tray.has_icon(program.wm_class):
            break
        time.sleep(0.01)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--mox", required=True, help="the installed mox executable")
    ap.add_argument("--baseline", required=True, help="the empty tray program (bench/baseline_tray)")
    ap.add_argument("--display", required=True, help="a free X display for the script's own Xvfb, e.g. :57")
    ap.add_argument("--runs", type=int, default=9)
    ap.add_argument("--settle-seconds", type=float, default=2)
    ap.add_argument("--quiet-seconds", type=float, default=20)
    ap.add_argument("--maps", action="store_true", help="list the libraries Mox! maps while it waits")
    args = ap.parse_args()

    home = tempfile.mkdtemp(prefix="mox-footprint-")
    xvfb, wm, env, tray = start_x(args.display)
    base = Program("empty tray", [args.baseline], os.path.basename(args.baseline))
    mox = Program("Mox!", [args.mox], "mox")
    try:
        env = dict(env,
                   HOME=home,
                   XDG_CONFIG_HOME=os.path.join(home, "config"),
                   XDG_DATA_HOME=os.path.join(home, "data"),
                   XDG_RUNTIME_DIR=os.path.join(home, "run"))
        os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
        for program in (base, mox):
            start_once(program, env, tray, settle=0.5, keep=False)
        for run in range(args.runs):
            last = run == args.runs - 1
            for program in ((base, mox) if run % 2 == 0 else (mox, base)):
                start_once(program, env, tray, args.settle_seconds, quiet=args.quiet_seconds if last else None)
    finally:
        tray.close()
        wm.terminate()
        xvfb.terminate()
        shutil.rmtree(home, ignore_errors=True)

    print("%d starts of each, in turn; medians" % args.runs)
    print("%-26s %12s %12s %8s" % ("", "Mox!", "empty tray", "ratio"))
    rows = [("start to tray (ms)", statistics.median(mox.starts) * 1000, statistics.median(base.starts) * 1000),
            ("CPU until the tray (ms)", statistics.median(mox.cpu), statistics.median(base.cpu)),
            ("resident memory (KiB)", statistics.median(mox.rss), statistics.median(base.rss)),
            ("wake-ups in %gs" % args.quiet_seconds, mox.wakeups, base.wakeups),
            ("CPU in %gs (ms)" % args.quiet_seconds, mox.quiet_cpu, base.quiet_cpu),
            ("shared libraries mapped", len(mox.libraries), len(base.libraries))]
    for name, m, b in rows:
        ratio = (m / b) if b else float("nan")
        print("%-26s %12.1f %12.1f %8.2f" % (name, m, b, ratio))
    print("start to tray, each run (ms): Mox! %s; empty tray %s" %
          (" ".join("%.0f" % (s * 1000) for s in mox.starts), " ".join("%.0f" % (s * 1000) for s in base.starts)))
    if args.maps:
        own = set(base.libraries)
        print("\nlibraries Mox! maps while it waits (* not mapped by the empty tray program):")
        for lib in mox.libraries:
            print("  %s %s" % ("*" if lib not in own else " ", lib))


if __name__ == "__main__":
    main()
