#pragma once
#include <memory>
#include <string>

#include "platform/ActivityMonitorPort.h"
#include "platform/ForegroundPort.h"
#include "platform/LayoutPort.h"

namespace mox {

// The interface between the program and its session modules: the X11
// adapters (XInput2 activity, XKB layouts, the EWMH foreground) and the
// Wayland ones (the compositor's idle notification, sway's and KDE's layout
// services) are built as two modules, so that a process maps the X and
// Wayland client libraries only in a session that uses them. The program
// opens a module at start and calls its one factory function.

// Which ports the program wants of a module.
struct SessionPortsRequest {
    bool activity = false;
    bool layouts = false;
    bool foreground = false;
};

// What a module gives. A port the request did not ask for stays null; so
// does one the session does not offer through this module (the Wayland
// module gives no activity monitor where the compositor has no idle
// notification: the program then asks the session bus).
struct SessionPorts {
    std::unique_ptr<ActivityMonitorPort> activity;
    std::unique_ptr<LayoutPort> layouts;
    std::unique_ptr<ForegroundPort> foreground;
    // What the activity monitor watches, for the start's line on stderr.
    std::string activitySource;
};

// Raised whenever SessionPortsRequest or SessionPorts change shape, so that a
// module of another build refuses instead of misreading the structures.
inline constexpr int kSessionModuleInterface = 1;

// The factory every module exports with C linkage under this name: fills
// `ports` as `request` asks and returns true, or returns false (touching
// nothing) when `interfaceVersion` is not the one it was built with.
using MakeSessionPorts = bool (*)(int interfaceVersion, const SessionPortsRequest& request, SessionPorts& ports);
inline constexpr char kMakeSessionPortsSymbol[] = "mox_make_session_ports";

// The modules' file names, in lib/mox/plugins beside the program's bin/.
inline constexpr char kX11SessionModule[] = "session-x11.so";
inline constexpr char kWaylandSessionModule[] = "session-wayland.so";

} // namespace mox
