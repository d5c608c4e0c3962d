#pragma once
#include <memory>

#include "platform/ActivityMonitorPort.h"
#include "platform/ForegroundPort.h"
#include "platform/LayoutPort.h"

namespace mox {

// The adapters of the desktop the program runs on, chosen at start.
//
// An X11 session (no WAYLAND_DISPLAY) gets the X11 adapters: XInput2
// activity, XKB layouts and the EWMH foreground. A Wayland session gets what
// the compositor offers, also when the windows are drawn through XWayland
// (the X server there sees only the input of X programs):
//   activity: ext-idle-notify-v1, else org_kde_kwin_idle (Wayland), else
//             GNOME's org.gnome.Mutter.IdleMonitor, else
//             org.freedesktop.ScreenSaver's idle time (D-Bus), else none;
//   layouts:  sway's IPC, else KDE's org.kde.keyboard, else none;
//   foreground: the X11 one for windows drawn through XWayland, else none.
// The X11 and the Wayland adapters live in the session modules
// (lib/mox/plugins/session-x11.so, session-wayland.so), loaded here as the
// session needs them: both for a Wayland session drawn through XWayland. A
// module that is missing or cannot be loaded is said once on standard error,
// and its ports are ones that do nothing: the program still learns, without
// activity checks, layout switching or handing the focus back.
// Each choice is said once on standard error.
struct DesktopPorts {
    std::unique_ptr<ActivityMonitorPort> activity;
    std::unique_ptr<LayoutPort> layouts;
    std::unique_ptr<ForegroundPort> foreground;
    bool wayland = false;
};

// Whether the session is a Wayland one (WAYLAND_DISPLAY is set).
bool isWaylandSession();

DesktopPorts chooseDesktopPorts();

} // namespace mox
