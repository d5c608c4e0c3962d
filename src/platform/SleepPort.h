#pragma once
#include <functional>

namespace mox {

enum class PowerEvent {
    Sleep, // the computer is about to sleep
    Wake,  // it has woken up
};

// Reports the computer's sleep and wake-up on the user-interface thread.
// Where the system offers no such notice, the handler is simply never called.
class SleepPort {
public:
    using PowerHandler = std::function<void(PowerEvent)>;

    virtual ~SleepPort() = default;
    virtual void setPowerHandler(PowerHandler handler) = 0;
};

} // namespace mox
