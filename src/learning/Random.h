#pragma once
#include <cstdint>

namespace mox {

// A small deterministic pseudo-random generator (splitmix64). The engine
// reseeds it from the clock's whole second before each drawing, so draws made
// within one second repeat. Its numbers have 32 bits, so every record of a
// large dictionary can be drawn.
class Random {
public:
    explicit Random(std::uint64_t seed = 0) : state_(seed) {}

    void seed(std::uint64_t seed) { state_ = seed; }
    // The next 32-bit number.
    std::uint32_t next();
    // A number in [0, bound), every value equally likely; 0 when bound is 0.
    std::uint32_t below(std::uint32_t bound);

private:
    std::uint64_t state_;
};

} // namespace mox
