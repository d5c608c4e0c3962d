#include "platform/fake/FakeTimers.h"

namespace mox {

void FakeTimers::start(TimerId id, std::uint32_t milliseconds)
{
    deadlines_[id] = now_ + milliseconds;
    order_[id] = sequence_++;
    starts.push_back({id, milliseconds, now_});
}

void FakeTimers::advance(std::uint64_t milliseconds)
{
    const std::uint64_t target = now_ + milliseconds;
    for (;;) {
        // The earliest deadline within reach; of equal deadlines the one started first.
        auto next = deadlines_.end();
        for (auto it = deadlines_.begin(); it != deadlines_.end(); ++it) {
            if (it->second > target)
                continue;
            if (next == deadlines_.end() || it->second < next->second
                || (it->second == next->second && order_[it->first] < order_[next->first]))
                next = it;
        }
        if (next == deadlines_.end())
            break;
        const TimerId id = next->first;
        now_ = next->second;
        deadlines_.erase(next);
        if (handler_)
            handler_(id);
    }
    now_ = target;
}

bool FakeTimers::fire(TimerId id)
{
    auto it = deadlines_.find(id);
    if (it == deadlines_.end())
        return false;
    deadlines_.erase(it);
    if (handler_)
        handler_(id);
    return true;
}

} // namespace mox
