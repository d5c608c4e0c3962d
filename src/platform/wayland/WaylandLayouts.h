#pragma once
#include <memory>

#include "platform/LayoutPort.h"

namespace mox {

// The layout port of a Wayland session: through sway's IPC when $SWAYSOCK is
// set and sway answers there, else through KDE's keyboard service when
// org.kde.keyboard is on the session bus, else a port that switches nothing
// (GNOME and other compositors let no program switch layouts). Says on stderr
// which one is in use.
std::unique_ptr<LayoutPort> makeWaylandLayouts();

} // namespace mox
