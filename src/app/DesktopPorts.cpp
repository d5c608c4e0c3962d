#include "app/DesktopPorts.h"

#include <QDBusConnection>
#include <QGuiApplication>
#include <cstdio>

#include "platform/NoDesktop.h"
#include "platform/SessionModule.h"
#include "platform/dbus/MutterIdleMonitor.h"
#include "platform/dbus/ScreenSaverIdleMonitor.h"
#include "platform/qt/ProgramModules.h"
#include "platform/qt/SessionModules.h"

namespace mox {

namespace {

void say(const char* line)
{
    std::fprintf(stderr, "Mox!: %s\n", line);
}

// A Wayland session's activity where the compositor gives none through the
// Wayland module: GNOME's idle monitor or the session's screen saver, over
// D-Bus (the program speaks D-Bus anyway), else none.
std::unique_ptr<ActivityMonitorPort> sessionBusActivity()
{
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
    return std::make_unique<NoActivityMonitor>();
}

} // namespace

bool isWaylandSession()
{
    // Every program of a Wayland session, XWayland ones too, inherits it.
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

DesktopPorts chooseDesktopPorts()
{
    SessionModules modules(programModuleFolders(), [](const std::string& line) { say(line.c_str()); });
    DesktopPorts ports;
    ports.wayland = isWaylandSession();
    SessionPorts made;
    if (!ports.wayland) {
        modules.load(kX11SessionModule, {.activity = true, .layouts = true, .foreground = true}, made);
    } else {
        // Windows drawn through XWayland take the X11 foreground.
        const bool xcb = QGuiApplication::platformName() == QLatin1String("xcb");
        const bool waylandLoaded =
            modules.load(kWaylandSessionModule, {.activity = true, .layouts = true, .foreground = !xcb}, made);
        if (xcb)
            modules.load(kX11SessionModule, {.foreground = true}, made);
        if (made.activity)
            say(("activity is seen through " + made.activitySource).c_str());
        else if (waylandLoaded)
            made.activity = sessionBusActivity();
    }
    ports.activity = made.activity ? std::move(made.activity) : std::make_unique<NoActivityMonitor>();
    ports.layouts = made.layouts ? std::move(made.layouts) : std::make_unique<NoLayoutSwitching>();
    ports.foreground = made.foreground ? std::move(made.foreground) : std::make_unique<NoForeground>();
    return ports;
}

} // namespace mox
