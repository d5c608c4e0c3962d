#pragma once
#include <QDBusConnection>
#include <QObject>

#include "platform/ActivityMonitorPort.h"

namespace mox {

// Watches the user's keyboard and mouse on a GNOME desktop through the
// compositor's idle monitor on the session bus
// (org.gnome.Mutter.IdleMonitor). While installed it keeps one "user active"
// watch, which the compositor fires at the next input anywhere and then
// drops; each firing is activity, and a new watch is added at once. Calls
// are asynchronous, so a slow bus never stalls the windows.
class MutterIdleMonitor final : public QObject, public ActivityMonitorPort {
    Q_OBJECT
public:
    static constexpr const char* kService = "org.gnome.Mutter.IdleMonitor";
    static constexpr const char* kPath = "/org/gnome/Mutter/IdleMonitor/Core";
    static constexpr const char* kInterface = "org.gnome.Mutter.IdleMonitor";

    explicit MutterIdleMonitor(QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);
    ~MutterIdleMonitor() override;

    // Whether the service is on the bus.
    static bool present(const QDBusConnection& bus);

    void setActivityHandler(ActivityHandler handler) override;
    void install() override;
    void remove() override;

private slots:
    void onWatchFired(uint id);

private:
    void addWatch();
    void removeWatch(uint id);

    QDBusConnection bus_;
    bool installed_ = false;
    bool adding_ = false; // an AddUserActiveWatch is on its way
    uint watch_ = 0;      // the watch held now, 0 for none
    ActivityHandler handler_;
};

} // namespace mox
