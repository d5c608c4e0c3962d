#pragma once
#include "platform/ActivityMonitorPort.h"

namespace mox {

// Keyboard and mouse watching for tests: userActs() stands for one key press
// or mouse action of the user, reported only while the watch is installed.
class FakeActivity final : public ActivityMonitorPort {
public:
    void setActivityHandler(ActivityHandler handler) override { handler_ = std::move(handler); }
    void install() override
    {
        installed_ = true;
        ++installs;
    }
    void remove() override
    {
        installed_ = false;
        ++removes;
    }
    void userActs()
    {
        if (installed_ && handler_)
            handler_();
    }
    bool installed() const { return installed_; }

    int installs = 0;
    int removes = 0;

private:
    ActivityHandler handler_;
    bool installed_ = false;
};

} // namespace mox
