#include "platform/ClockPort.h"

#include <chrono>

namespace mox {

std::int64_t SystemClock::nowSeconds()
{
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

} // namespace mox
