#pragma once
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include "platform/ActivityMonitorPort.h"

namespace mox {

// Watches the user's keyboard and mouse through the session's idle time as
// the screen saver service tells it (GetSessionIdleTime of
// org.freedesktop.ScreenSaver, which KDE answers). The service sends no
// notice of input, so the idle time is read twice a second while installed,
// and only then: the moment of the last input moving forward is activity.
class ScreenSaverIdleMonitor final : public QObject, public ActivityMonitorPort {
    Q_OBJECT
public:
    static constexpr const char* kService = "org.freedesktop.ScreenSaver";
    static constexpr const char* kPath = "/ScreenSaver";
    static constexpr const char* kInterface = "org.freedesktop.ScreenSaver";

    explicit ScreenSaverIdleMonitor(QDBusConnection bus = QDBusConnection::sessionBus(), int sampleMs = 500,
                                    QObject* parent = nullptr);

    // Whether the service is on the bus and answers the idle-time question.
    static bool present(const QDBusConnection& bus);

    void setActivityHandler(ActivityHandler handler) override;
    void install() override;
    void remove() override;

private:
    void sample();

    QDBusConnection bus_;
    QTimer sampler_;
    QElapsedTimer clock_;
    bool installed_ = false;
    bool asking_ = false;
    unsigned generation_ = 0; // answers to an earlier installation are dropped
    long long lastInputAt_ = -1; // on clock_, -1 before the first answer
    ActivityHandler handler_;
};

} // namespace mox
