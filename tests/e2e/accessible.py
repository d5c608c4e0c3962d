"""What a screen reader is told of the program's windows, for tests that must
read texts off the screen (a message box's text, a read-only field): the
desktop gets a session bus of its own with the accessibility bus on it, the
program publishes its widgets there, and this file, run as a script with the
desktop's environment, reads them back through AT-SPI.

    bus = accessible.start_bus(d)          # before the program starts
    ...
    windows = accessible.windows(d, pid)   # [{"role", "name", "nodes": [...]}]
    accessible.stop_bus(bus)
"""
import json
import os
import signal
import subprocess
import sys


def start_bus(d):
    """Starts a session bus for desktop `d` and the accessibility bus on it;
    Qt programs started with d.env afterwards publish their widgets. Gives
    the bus's process id."""
    out = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                         env=d.env, capture_output=True, text=True, check=True).stdout.split()
    d.env["DBUS_SESSION_BUS_ADDRESS"] = out[0]
    d.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
    # Asking for its address starts the accessibility bus now, before the
    # program looks for it.
    subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                    "org.a11y.Bus.GetAddress"], env=d.env, capture_output=True, check=True, timeout=30)
    return int(out[1])


def stop_bus(pid):
    """Ends the session bus; the accessibility bus and its registry follow."""
    try:
        os.kill(pid, signal.SIGTERM)
    except ProcessLookupError:
        pass


def windows(d, pid):
    """The showing top-level windows of process `pid`, each with its showing
    descendants in tree order as {"role", "name", "text", "extents": [x, y,
    width, height] on the screen, "focused"}."""
    run = subprocess.run(["/usr/bin/python3", os.path.abspath(__file__), str(pid)], env=d.env,
                         capture_output=True, text=True, timeout=60)
    if run.returncode != 0:
        raise RuntimeError("reading the accessible tree failed: " + run.stderr)
    return json.loads(run.stdout)


def _dump(pid):
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi

    def showing(node):
        return node.get_state_set().contains(Atspi.StateType.SHOWING)

    def describe(node):
        text = ""
        interfaces = node.get_interfaces()
        if "Text" in interfaces:
            text = Atspi.Text.get_text(node, 0, Atspi.Text.get_character_count(node))
        out = {"role": node.get_role_name(), "name": node.get_name() or "", "text": text or ""}
        if "Component" in interfaces:
            # Where it is on the screen (on X11; a Wayland client knows only
            # its place in its own window).
            box = Atspi.Component.get_extents(node, Atspi.CoordType.SCREEN)
            out["extents"] = [box.x, box.y, box.width, box.height]
        out["focused"] = node.get_state_set().contains(Atspi.StateType.FOCUSED)
        return out

    def walk(node, out):
        for i in range(node.get_child_count()):
            child = node.get_child_at_index(i)
            if child is None or not showing(child):
                continue
            out.append(describe(child))
            walk(child, out)

    result = []
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is None or app.get_process_id() != pid:
            continue
        for j in range(app.get_child_count()):
            top = app.get_child_at_index(j)
            if top is None or not showing(top):
                continue
            window = describe(top)
            window["nodes"] = []
            walk(top, window["nodes"])
            result.append(window)
    json.dump(result, sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    _dump(int(sys.argv[1]))
