#pragma once
#include <cstdint>

namespace mox {

// The wall clock in whole seconds; the learning engine reseeds its random
// draws from it, so tests fix the second.
class ClockPort {
public:
    virtual ~ClockPort() = default;
    virtual std::int64_t nowSeconds() = 0;
};

// The system clock.
class SystemClock final : public ClockPort {
public:
    std::int64_t nowSeconds() override;
};

} // namespace mox
