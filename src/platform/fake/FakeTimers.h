#pragma once
#include <cstdint>
#include <map>
#include <vector>

#include "platform/TimerPort.h"

namespace mox {

// Timers for tests over a virtual clock in milliseconds: advance() moves the
// clock and delivers every expiry that falls due, in time order; fire() delivers
// one expiry at once. Every start is logged with the clock reading.
class FakeTimers final : public TimerPort {
public:
    struct Start {
        TimerId id;
        std::uint32_t milliseconds;
        std::uint64_t at;
    };

    void setExpiryHandler(ExpiryHandler handler) override { handler_ = std::move(handler); }
    void start(TimerId id, std::uint32_t milliseconds) override;
    void stop(TimerId id) override { deadlines_.erase(id); }
    bool isRunning(TimerId id) const override { return deadlines_.count(id) != 0; }

    // Moves the clock by `milliseconds`, delivering the expiries on the way.
    void advance(std::uint64_t milliseconds);
    // Delivers the expiry of a running timer now; false when it is not running.
    bool fire(TimerId id);

    std::uint64_t now() const { return now_; }
    // The clock reading at which a running timer expires.
    std::uint64_t deadline(TimerId id) const { return deadlines_.at(id); }
    std::size_t runningCount() const { return deadlines_.size(); }
    std::vector<Start> starts;

private:
    ExpiryHandler handler_;
    std::map<TimerId, std::uint64_t> deadlines_;
    std::uint64_t now_ = 0;
    std::uint64_t sequence_ = 0;
    std::map<TimerId, std::uint64_t> order_;
};

} // namespace mox
