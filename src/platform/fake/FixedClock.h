#pragma once
#include "platform/ClockPort.h"

namespace mox {

// A clock for tests that stands still until moved.
class FixedClock final : public ClockPort {
public:
    explicit FixedClock(std::int64_t seconds = 1'000'000) : seconds_(seconds) {}
    std::int64_t nowSeconds() override { return seconds_; }
    void set(std::int64_t seconds) { seconds_ = seconds; }
    void advance(std::int64_t by) { seconds_ += by; }

private:
    std::int64_t seconds_;
};

} // namespace mox
