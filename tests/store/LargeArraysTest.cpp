// Large arrays come in whole 2 MiB blocks on 2 MiB boundaries (what huge
// pages need), a freed block serves the next array, and released blocks go
// back to the system; small arrays are ordinary heap memory.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "store/LargeArrays.h"

namespace mox::testing {
namespace {

TEST(LargeArrays, ComeInAlignedBlocksThatAreKeptForTheNextArrayUntilReleased)
{
    releaseLargeArrays();
    constexpr std::size_t kBytes = (std::size_t{3} << 20) + 5;
    void* first = allocateLargeArray(kBytes);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(first) % (std::size_t{2} << 20), 0u);
    std::memset(first, 0x5A, kBytes); // the whole array is usable
    freeLargeArray(first, kBytes);

    // A smaller large array fits the kept block.
    void* again = allocateLargeArray(std::size_t{2} << 20);
    EXPECT_EQ(again, first);
    void* other = allocateLargeArray(kBytes);
    EXPECT_NE(other, again);
    freeLargeArray(again, std::size_t{2} << 20);
    freeLargeArray(other, kBytes);
    releaseLargeArrays();

    // A vector of them grows and shrinks like any vector.
    LargeVector<std::uint32_t> numbers;
    for (std::uint32_t i = 0; i < 1000000; ++i)
        numbers.push_back(i);
    EXPECT_EQ(numbers[999999], 999999u);
    numbers = LargeVector<std::uint32_t>(10, 7);
    EXPECT_EQ(numbers.size(), 10u);
    releaseLargeArrays();
}

} // namespace
} // namespace mox::testing
