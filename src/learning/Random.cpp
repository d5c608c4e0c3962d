#include "learning/Random.h"

namespace mox {

std::uint32_t Random::next()
{
    state_ += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<std::uint32_t>(z >> 32);
}

std::uint32_t Random::below(std::uint32_t bound)
{
    if (bound == 0)
        return 0;
    // Numbers below `threshold` would make the low results more likely than
    // the high ones; draw again instead.
    const std::uint32_t threshold = static_cast<std::uint32_t>(-bound) % bound;
    for (;;) {
        const std::uint32_t r = next();
        if (r >= threshold)
            return r % bound;
    }
}

} // namespace mox
