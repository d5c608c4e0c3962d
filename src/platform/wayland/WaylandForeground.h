#pragma once
#include "platform/ForegroundPort.h"

namespace mox {

// The foreground port on a Wayland desktop. Wayland tells no client which
// program has the focus and lets none hand the focus to another program, so
// there is no window to remember and none to give the foreground back to:
// after a hiding the compositor chooses the next focus itself. The learning
// window still asks for activation for itself (Qt does that through the
// compositor's activation protocol where it offers one).
class WaylandForeground final : public ForegroundPort {
public:
    WindowRef foreground() override { return kNoWindow; }
    bool activate(WindowRef) override { return false; }
};

} // namespace mox
