#pragma once
#include "platform/SleepPort.h"

namespace mox {

// Sleep and wake-up on demand, for tests.
class FakeSleep final : public SleepPort {
public:
    void setPowerHandler(PowerHandler handler) override { handler_ = std::move(handler); }
    void emit(PowerEvent event)
    {
        if (handler_)
            handler_(event);
    }
    bool connected() const { return static_cast<bool>(handler_); }

private:
    PowerHandler handler_;
};

} // namespace mox
