#pragma once
#include "platform/ActivityMonitorPort.h"
#include "platform/ForegroundPort.h"
#include "platform/LayoutPort.h"

namespace mox {

// The ports of a program whose session module could not be loaded: it still
// learns, but sees no activity (every check finds the user quiet, so the
// window comes up without waiting for a quiet moment), switches no layouts
// and hands no foreground back.

class NoActivityMonitor final : public ActivityMonitorPort {
public:
    void setActivityHandler(ActivityHandler) override {}
    void install() override {}
    void remove() override {}
};

// No preloaded layouts (an empty list: nothing is broken), nothing loads.
class NoLayoutSwitching final : public LayoutPort {
public:
    std::optional<std::vector<std::string>> preloadedLayoutNames() override { return std::vector<std::string>{}; }
    LayoutHandle load(const std::string&) override { return 0; }
    bool activate(LayoutHandle) override { return false; }
    bool activatePrevious() override { return false; }
    bool unload(LayoutHandle) override { return false; }
};

class NoForeground final : public ForegroundPort {
public:
    WindowRef foreground() override { return kNoWindow; }
    bool activate(WindowRef) override { return false; }
};

} // namespace mox
