#pragma once
#include <vector>

#include "platform/ForegroundPort.h"

namespace mox {

// A desktop for tests: one foreground window, changed by activate() and by the
// test; activations are logged.
class FakeForeground final : public ForegroundPort {
public:
    WindowRef foreground() override { return current; }
    bool activate(WindowRef window) override
    {
        activations.push_back(window);
        if (window == kNoWindow)
            return false;
        current = window;
        return true;
    }

    WindowRef current = kNoWindow;
    std::vector<WindowRef> activations;
};

} // namespace mox
