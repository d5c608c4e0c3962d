#include "platform/wayland/WaylandIdleMonitor.h"

#include <QSocketNotifier>
#include <cstring>

#include <wayland-client.h>

#include "ext-idle-notify-v1-client-protocol.h"
#include "kde-idle-client-protocol.h"

namespace mox {

namespace {

// How much later than the timeout an "idled" may come without input in
// between: the compositor starts its countdown when it reads the request,
// and the event takes its time to arrive.
constexpr int kToleranceMs = 250;

WaylandIdleMonitor* self(void* data)
{
    return static_cast<WaylandIdleMonitor*>(data);
}

void registryGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                    std::uint32_t version)
{
    self(data)->onRegistryGlobal(registry, name, interface, version);
}

void registryGlobalRemove(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener kRegistryListener = {registryGlobal, registryGlobalRemove};

void extIdled(void* data, ext_idle_notification_v1*)
{
    self(data)->onIdled();
}

void extResumed(void* data, ext_idle_notification_v1*)
{
    self(data)->onResumed();
}

const ext_idle_notification_v1_listener kExtListener = {extIdled, extResumed};

void kdeIdle(void* data, org_kde_kwin_idle_timeout*)
{
    self(data)->onIdled();
}

void kdeResumed(void* data, org_kde_kwin_idle_timeout*)
{
    self(data)->onResumed();
}

const org_kde_kwin_idle_timeout_listener kKdeListener = {kdeIdle, kdeResumed};

} // namespace

WaylandIdleMonitor::WaylandIdleMonitor(const QByteArray& displayName, int timeoutMs, QObject* parent)
    : QObject(parent), timeoutMs_(timeoutMs)
{
    lateIdle_.setSingleShot(true);
    connect(&lateIdle_, &QTimer::timeout, this, [this] {
        // No "idled" in time: input kept the compositor's countdown going.
        report();
        startCountdown();
    });

    display_ = wl_display_connect(displayName.isEmpty() ? nullptr : displayName.constData());
    if (!display_)
        return;
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &kRegistryListener, this);
    if (wl_display_roundtrip(display_) < 0 || !seat_ || (!extNotifier_ && !kdeIdle_)) {
        disconnectDisplay();
        return;
    }
    protocol_ = extNotifier_ ? Protocol::ExtIdleNotify : Protocol::KdeIdle;
    notifier_ = new QSocketNotifier(wl_display_get_fd(display_), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { readEvents(); });
}

WaylandIdleMonitor::~WaylandIdleMonitor()
{
    remove();
    delete notifier_;
    notifier_ = nullptr;
    disconnectDisplay();
}

void WaylandIdleMonitor::disconnectDisplay()
{
    if (!display_)
        return;
    if (extNotifier_)
        ext_idle_notifier_v1_destroy(extNotifier_);
    if (kdeIdle_)
        org_kde_kwin_idle_destroy(kdeIdle_);
    if (seat_)
        wl_seat_destroy(seat_);
    if (registry_)
        wl_registry_destroy(registry_);
    extNotifier_ = nullptr;
    kdeIdle_ = nullptr;
    seat_ = nullptr;
    registry_ = nullptr;
    wl_display_disconnect(display_);
    display_ = nullptr;
}

void WaylandIdleMonitor::onRegistryGlobal(wl_registry* registry, std::uint32_t name, const char* interface,
                                          std::uint32_t)
{
    // The first seat is the user's; the other globals exist once.
    if (!seat_ && std::strcmp(interface, wl_seat_interface.name) == 0)
        seat_ = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (!extNotifier_ && std::strcmp(interface, ext_idle_notifier_v1_interface.name) == 0)
        extNotifier_ = static_cast<ext_idle_notifier_v1*>(
            wl_registry_bind(registry, name, &ext_idle_notifier_v1_interface, 1));
    else if (!kdeIdle_ && std::strcmp(interface, org_kde_kwin_idle_interface.name) == 0)
        kdeIdle_ = static_cast<org_kde_kwin_idle*>(wl_registry_bind(registry, name, &org_kde_kwin_idle_interface, 1));
}

void WaylandIdleMonitor::setActivityHandler(ActivityHandler handler)
{
    handler_ = std::move(handler);
}

void WaylandIdleMonitor::install()
{
    // A connection the compositor broke off tells nothing any more.
    if (!available() || installed_ || wl_display_get_error(display_) != 0)
        return;
    installed_ = true;
    createNotification();
}

void WaylandIdleMonitor::remove()
{
    if (!installed_)
        return;
    installed_ = false;
    destroyNotification();
}

void WaylandIdleMonitor::createNotification()
{
    const auto timeout = static_cast<std::uint32_t>(timeoutMs_);
    if (protocol_ == Protocol::ExtIdleNotify) {
        extNotification_ = ext_idle_notifier_v1_get_idle_notification(extNotifier_, timeout, seat_);
        ext_idle_notification_v1_add_listener(extNotification_, &kExtListener, this);
    } else {
        kdeTimeout_ = org_kde_kwin_idle_get_idle_timeout(kdeIdle_, seat_, timeout);
        org_kde_kwin_idle_timeout_add_listener(kdeTimeout_, &kKdeListener, this);
    }
    idle_ = false;
    flush();
    startCountdown();
}

void WaylandIdleMonitor::destroyNotification()
{
    lateIdle_.stop();
    if (extNotification_)
        ext_idle_notification_v1_destroy(extNotification_);
    if (kdeTimeout_)
        org_kde_kwin_idle_timeout_release(kdeTimeout_);
    extNotification_ = nullptr;
    kdeTimeout_ = nullptr;
    flush();
    // Events of the old notification still on their way are dropped by
    // libwayland: their object is gone.
}

void WaylandIdleMonitor::startCountdown()
{
    countdown_.start();
    lateIdle_.start(timeoutMs_ + kToleranceMs);
}

void WaylandIdleMonitor::onIdled()
{
    if (!installed_)
        return;
    lateIdle_.stop();
    idle_ = true;
    // Input right after the countdown began restarted it: "idled" comes late.
    if (countdown_.elapsed() > timeoutMs_ + kToleranceMs)
        report();
}

void WaylandIdleMonitor::onResumed()
{
    if (!installed_)
        return;
    idle_ = false;
    report();
    // The compositor counts down afresh from this input.
    startCountdown();
}

void WaylandIdleMonitor::readEvents()
{
    if (!display_)
        return;
    if (wl_display_prepare_read(display_) == 0) {
        if (wl_display_read_events(display_) < 0) {
            // The compositor went away: nothing more will come.
            notifier_->setEnabled(false);
            lateIdle_.stop();
            return;
        }
    }
    wl_display_dispatch_pending(display_);
    flush();
}

void WaylandIdleMonitor::flush()
{
    if (display_)
        wl_display_flush(display_);
}

void WaylandIdleMonitor::report()
{
    if (installed_ && handler_)
        handler_();
}

} // namespace mox
