#pragma once
#include <cstdint>
#include <functional>

namespace mox {

// The four timers of the learning window's showing cycle, by number.
enum class TimerId : int {
    Autoshow = 1,      // the interval between showings (uiTimer ms)
    FirstHide = 2,     // the instant retreat after the first showing (10 ms)
    ActivityCheck = 3, // one five-second look at the user's activity
    Foreground = 4,    // hand the foreground back after a hiding (10 ms)
};

// Single-shot timers identified by number. Starting a running timer starts it
// afresh with the new interval; each start gives at most one expiry, delivered
// on the user-interface thread through the expiry handler.
class TimerPort {
public:
    using ExpiryHandler = std::function<void(TimerId)>;

    virtual ~TimerPort() = default;
    virtual void setExpiryHandler(ExpiryHandler handler) = 0;
    virtual void start(TimerId id, std::uint32_t milliseconds) = 0;
    // Harmless when the timer is not running.
    virtual void stop(TimerId id) = 0;
    virtual bool isRunning(TimerId id) const = 0;
};

} // namespace mox
