#pragma once
#include <QDBusConnection>
#include <QObject>

class QDBusServiceWatcher;

namespace mox {

// Waits for a notification area on a desktop whose tray speaks D-Bus (KDE's
// panel, swaybar, waybar, GNOME with the AppIndicator extension): the item
// watcher org.kde.StatusNotifierWatcher with a host registered at it, which
// is what Qt needs before it shows a tray icon there. Qt looks only once per
// process, when the first tray icon is made, so the program makes its icon
// only once this says the host is there; a bar that starts after the program
// (a login race, a restarted bar) still gets the icon.
class TrayHostWatch final : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kService = "org.kde.StatusNotifierWatcher";
    static constexpr const char* kPath = "/StatusNotifierWatcher";
    static constexpr const char* kInterface = "org.kde.StatusNotifierWatcher";

    explicit TrayHostWatch(QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);
    ~TrayHostWatch() override;

    // Starts watching; hostAppeared follows from the event loop once a host
    // is there, at once when it already is.
    void start();
    bool hostFound() const { return found_; }

signals:
    // Once: a host is registered at the item watcher.
    void hostAppeared();

private slots:
    void onHostRegistered();

private:
    // Asks the watcher whether a host is registered (without blocking).
    void ask();
    void found();

    QDBusConnection bus_;
    QDBusServiceWatcher* watcher_ = nullptr;
    bool subscribed_ = false;
    bool found_ = false;
};

} // namespace mox
