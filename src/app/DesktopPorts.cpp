#include "app/DesktopPorts.h"

#include <QDBusConnection>
#include <QGuiApplication>
#include <cstdio>

#include "platform/dbus/MutterIdleMonitor.h"
#include "platform/dbus/ScreenSaverIdleMonitor.h"
#include "platform/wayland/WaylandForeground.h"
#include "platform/wayland/WaylandIdleMonitor.h"
#include "platform/wayland/WaylandLayouts.h"
#include "platform/x11/ActivityMonitorX11.h"
#include "platform/x11/ForegroundX11.h"
#include "platform/x11/XkbLayouts.h"

namespace mox {

namespace {

void say(const char* line)
{
    std::fprintf(stderr, "Mox!: %s\n", line);
}

std::unique_ptr<ActivityMonitorPort> waylandActivity()
{
    auto wayland = std::make_unique<WaylandIdleMonitor>();
    switch (wayland->protocol()) {
    case WaylandIdleMonitor::Protocol::ExtIdleNotify:
        say("activity is seen through the compositor's idle notification (ext-idle-notify-v1)");
        return wayland;
    case WaylandIdleMonitor::Protocol::KdeIdle:
        say("activity is seen through the compositor's idle notification (org_kde_kwin_idle)");
        return wayland;
    case WaylandIdleMonitor::Protocol::None:
        break;
    }
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (MutterIdleMonitor::present(bus)) {
        say("activity is seen through org.gnome.Mutter.IdleMonitor");
        return std::make_unique<MutterIdleMonitor>(bus);
    }
    if (ScreenSaverIdleMonitor::present(bus)) {
        say("activity is seen through the session's idle time (org.freedesktop.ScreenSaver)");
        return std::make_unique<ScreenSaverIdleMonitor>(bus);
    }
    say("this desktop tells no program of the user's activity; the learning window comes up without "
        "waiting for a quiet moment");
    // Silent: it sees no activity, so every check finds the user quiet.
    return wayland;
}

} // namespace

bool isWaylandSession()
{
    // Every program of a Wayland session, XWayland ones too, inherits it.
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

DesktopPorts chooseDesktopPorts()
{
    DesktopPorts ports;
    ports.wayland = isWaylandSession();
    if (!ports.wayland) {
        ports.activity = std::make_unique<X11ActivityMonitor>();
        ports.layouts = std::make_unique<XkbLayouts>();
        ports.foreground = std::make_unique<X11Foreground>();
        return ports;
    }
    ports.activity = waylandActivity();
    ports.layouts = makeWaylandLayouts();
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        ports.foreground = std::make_unique<X11Foreground>();
    else
        ports.foreground = std::make_unique<WaylandForeground>();
    return ports;
}

} // namespace mox
