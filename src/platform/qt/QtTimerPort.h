#pragma once
#include <QObject>
#include <QTimer>
#include <array>

#include "platform/TimerPort.h"

namespace mox {

// The timer port over one single-shot QTimer per timer number; expiries come
// from the Qt event loop of the thread that owns this object.
class QtTimerPort final : public QObject, public TimerPort {
    Q_OBJECT
public:
    explicit QtTimerPort(QObject* parent = nullptr);

    void setExpiryHandler(ExpiryHandler handler) override;
    void start(TimerId id, std::uint32_t milliseconds) override;
    void stop(TimerId id) override;
    bool isRunning(TimerId id) const override;

private:
    static constexpr int kTimers = 4;
    static std::size_t slot(TimerId id);

    std::array<QTimer, kTimers> timers_;
    ExpiryHandler handler_;
};

} // namespace mox
