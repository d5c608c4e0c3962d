#pragma once
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include "platform/ActivityMonitorPort.h"

struct wl_display;
struct wl_registry;
struct wl_seat;
struct ext_idle_notifier_v1;
struct ext_idle_notification_v1;
struct org_kde_kwin_idle;
struct org_kde_kwin_idle_timeout;
class QSocketNotifier;

namespace mox {

// Watches the user's keyboard and mouse on a Wayland desktop through the
// compositor's idle notification, on a Wayland connection of its own (so it
// also serves a program drawn through XWayland). Wayland tells no client of
// other programs' input; it tells when the seat has been quiet for a given
// time ("idled") and when input follows ("resumed").
//
// While installed the monitor holds one notification with a short timeout.
// Input after an "idled" comes as "resumed": activity. Input before it
// restarts the compositor's countdown, so "idled" comes late or not at all:
// an "idled" later than the timeout (plus a tolerance) after the countdown
// began, or none by then, is activity as well. Events arrive on the
// connection's socket, watched by a QSocketNotifier; nothing polls.
//
// The compositor's protocols, in the order they are used:
// ext_idle_notifier_v1 (wayland-protocols) and org_kde_kwin_idle (KDE,
// wlroots compositors). Without a Wayland display, or with neither protocol,
// available() is false and the monitor stays silent.
class WaylandIdleMonitor final : public QObject, public ActivityMonitorPort {
    Q_OBJECT
public:
    enum class Protocol { None, ExtIdleNotify, KdeIdle };

    // displayName empty: the WAYLAND_DISPLAY of the environment.
    // timeoutMs: the quiet time after which the compositor says "idled".
    explicit WaylandIdleMonitor(const QByteArray& displayName = {}, int timeoutMs = 1000,
                                QObject* parent = nullptr);
    ~WaylandIdleMonitor() override;

    bool available() const { return protocol_ != Protocol::None; }
    Protocol protocol() const { return protocol_; }
    bool installed() const { return installed_; }

    void setActivityHandler(ActivityHandler handler) override;
    void install() override;
    void remove() override;

    // For the protocol listeners.
    void onRegistryGlobal(wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t version);
    void onIdled();
    void onResumed();

private:
    void createNotification();
    void destroyNotification();
    void startCountdown();
    void readEvents();
    void flush();
    void report();
    void disconnectDisplay();

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    ext_idle_notifier_v1* extNotifier_ = nullptr;
    ext_idle_notification_v1* extNotification_ = nullptr;
    org_kde_kwin_idle* kdeIdle_ = nullptr;
    org_kde_kwin_idle_timeout* kdeTimeout_ = nullptr;
    QSocketNotifier* notifier_ = nullptr;
    Protocol protocol_ = Protocol::None;
    int timeoutMs_;
    bool installed_ = false;
    bool idle_ = false;
    ActivityHandler handler_;

    // When the compositor's countdown began (the request, or the last
    // "resumed"), and the timer that expects its "idled".
    QElapsedTimer countdown_;
    QTimer lateIdle_;
};

} // namespace mox
