#include "platform/qt/QtTimerPort.h"

#include <limits>

namespace mox {

QtTimerPort::QtTimerPort(QObject* parent) : QObject(parent)
{
    for (std::size_t i = 0; i < timers_.size(); ++i) {
        QTimer& timer = timers_[i];
        timer.setSingleShot(true);
        // The 10 ms hand-over timers must not be stretched by coarse timing.
        timer.setTimerType(Qt::PreciseTimer);
        const auto id = static_cast<TimerId>(i + 1);
        connect(&timer, &QTimer::timeout, this, [this, id] {
            if (handler_)
                handler_(id);
        });
    }
}

std::size_t QtTimerPort::slot(TimerId id)
{
    const int n = static_cast<int>(id);
    Q_ASSERT(n >= 1 && n <= kTimers);
    return static_cast<std::size_t>(n - 1);
}

void QtTimerPort::setExpiryHandler(ExpiryHandler handler)
{
    handler_ = std::move(handler);
}

void QtTimerPort::start(TimerId id, std::uint32_t milliseconds)
{
    // QTimer takes an int; the longest interval (719 minutes) fits easily,
    // anything beyond int is held at the largest value rather than wrapping.
    const auto ms = milliseconds > static_cast<std::uint32_t>(std::numeric_limits<int>::max())
                        ? std::numeric_limits<int>::max()
                        : static_cast<int>(milliseconds);
    timers_[slot(id)].start(ms);
}

void QtTimerPort::stop(TimerId id)
{
    timers_[slot(id)].stop();
}

bool QtTimerPort::isRunning(TimerId id) const
{
    return timers_[slot(id)].isActive();
}

} // namespace mox
