#!/usr/bin/env python3
"""Footprint of Mox! while it waits in the tray, beside an empty Qt Widgets
program with a tray icon, measured in the same run on the same X server.

  start  time from exec to the icon being embedded in the window manager's tray
  rss    resident memory after the program has settled in the tray
  wakeups context switches of all the program's threads over a quiet interval
         (a program that polls shows a steady stream; timers that fire only
         when due show almost none)

Usage: measure.py --mox BIN --baseline BIN [--runs N] [--quiet-seconds S]
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time


def start_x(display):
    xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    env = dict(os.environ, DISPLAY=display)
    for _ in range(100):
        if subprocess.run(["xdpyinfo"], env=env, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode == 0:
            break
        time.sleep(0.05)
    wm = subprocess.Popen(["icewm"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # icewm's tray is ready when its SystemTray window exists.
    for _ in range(200):
        if "SystemTray" in tree(env):
            break
        time.sleep(0.05)
    return xvfb, wm, env


def tree(env):
    out = subprocess.run(["xwininfo", "-root", "-tree"], env=env, capture_output=True, text=True)
    return out.stdout


def icon_embedded(env, wm_class):
    # An embedded tray icon is a child of icewm's YXTrayEmbedder window.
    lines = tree(env).splitlines()
    for i, line in enumerate(lines):
        if "YXTrayEmbedder" in line:
            for child in lines[i + 1:i + 4]:
                if '("%s"' % wm_class in child or '"%s")' % wm_class in child:
                    return True
    return False


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


def rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS"):
                return int(line.split()[1])
    return 0


def measure(cmd, wm_class, env, runs, quiet):
    starts = []
    rss = wakeups = 0
    for run in range(runs):
        began = time.monotonic()
        proc = subprocess.Popen(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        while not icon_embedded(env, wm_class):
            if proc.poll() is not None:
                sys.exit("%s ended before its icon reached the tray" % cmd[0])
            if time.monotonic() - began > 20:
                sys.exit("%s: no tray icon after 20 s" % cmd[0])
            time.sleep(0.005)
        starts.append(time.monotonic() - began)
        if run == runs - 1:
            time.sleep(2)  # let start-up work settle
            rss = rss_kib(proc.pid)
            before = thread_switches(proc.pid)
            time.sleep(quiet)
            wakeups = switches_since(proc.pid, before)
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
        time.sleep(0.3)
    starts.sort()
    return starts[len(starts) // 2], rss, wakeups


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--mox", required=True, help="the installed mox executable")
    ap.add_argument("--baseline", required=True)
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--quiet-seconds", type=float, default=20)
    ap.add_argument("--display", default=":%d" % (150 + os.getpid() % 50))
    args = ap.parse_args()

    home = tempfile.mkdtemp(prefix="mox-footprint-")
    xvfb, wm, env = start_x(args.display)
    try:
        env = dict(env,
                   XDG_CONFIG_HOME=os.path.join(home, "config"),
                   XDG_DATA_HOME=os.path.join(home, "data"),
                   XDG_RUNTIME_DIR=os.path.join(home, "run"))
        os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
        base = measure([args.baseline], os.path.basename(args.baseline), env, args.runs, args.quiet_seconds)
        mox = measure([args.mox], "mox", env, args.runs, args.quiet_seconds)
    finally:
        wm.terminate()
        xvfb.terminate()
        shutil.rmtree(home, ignore_errors=True)

    print("%-22s %12s %12s %8s" % ("", "Mox!", "empty tray", "ratio"))
    rows = [("start to tray (ms)", mox[0] * 1000, base[0] * 1000),
            ("resident memory (KiB)", mox[1], base[1]),
            ("wake-ups in %gs" % args.quiet_seconds, mox[2], base[2])]
    for name, m, b in rows:
        ratio = (m / b) if b else float("nan")
        print("%-22s %12.0f %12.0f %8.2f" % (name, m, b, ratio))


if __name__ == "__main__":
    main()
