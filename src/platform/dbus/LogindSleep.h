#pragma once
#include <QDBusConnection>
#include <QObject>

#include "platform/SleepPort.h"

namespace mox {

// The computer's sleep and wake-up from logind: the PrepareForSleep signal of
// org.freedesktop.login1.Manager (true before sleeping, false after waking),
// on the given bus (the system bus in the program). Without a bus, or
// without logind on it, no event ever comes and nothing is reported.
class LogindSleep final : public QObject, public SleepPort {
    Q_OBJECT
public:
    static constexpr const char* kService = "org.freedesktop.login1";
    static constexpr const char* kPath = "/org/freedesktop/login1";
    static constexpr const char* kInterface = "org.freedesktop.login1.Manager";
    static constexpr const char* kSignal = "PrepareForSleep";

    explicit LogindSleep(QDBusConnection bus = QDBusConnection::systemBus(), QObject* parent = nullptr);
    ~LogindSleep() override;

    // Whether the signal is subscribed (a bus was there).
    bool listening() const { return listening_; }

    void setPowerHandler(PowerHandler handler) override;

private slots:
    void onPrepareForSleep(bool start);

private:
    QDBusConnection bus_;
    bool listening_ = false;
    PowerHandler handler_;
};

} // namespace mox
