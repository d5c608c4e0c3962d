#include "platform/dbus/ScreenSaverIdleMonitor.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace mox {

namespace {

// The service's clock and ours jitter by a few milliseconds between readings.
constexpr long long kToleranceMs = 50;

QDBusMessage idleTimeCall()
{
    return QDBusMessage::createMethodCall(QString::fromLatin1(ScreenSaverIdleMonitor::kService),
                                          QString::fromLatin1(ScreenSaverIdleMonitor::kPath),
                                          QString::fromLatin1(ScreenSaverIdleMonitor::kInterface),
                                          QStringLiteral("GetSessionIdleTime"));
}

} // namespace

ScreenSaverIdleMonitor::ScreenSaverIdleMonitor(QDBusConnection bus, int sampleMs, QObject* parent)
    : QObject(parent), bus_(std::move(bus))
{
    sampler_.setInterval(sampleMs);
    connect(&sampler_, &QTimer::timeout, this, [this] { sample(); });
    clock_.start();
}

bool ScreenSaverIdleMonitor::present(const QDBusConnection& bus)
{
    if (!bus.isConnected())
        return false;
    // Asked once at start, before any window is up.
    const QDBusMessage reply = bus.call(idleTimeCall(), QDBus::Block, 1000);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
}

void ScreenSaverIdleMonitor::setActivityHandler(ActivityHandler handler)
{
    handler_ = std::move(handler);
}

void ScreenSaverIdleMonitor::install()
{
    if (installed_)
        return;
    installed_ = true;
    ++generation_;
    lastInputAt_ = -1;
    asking_ = false;
    sample();
    sampler_.start();
}

void ScreenSaverIdleMonitor::remove()
{
    if (!installed_)
        return;
    installed_ = false;
    sampler_.stop();
}

void ScreenSaverIdleMonitor::sample()
{
    if (asking_)
        return; // the last question is still unanswered
    asking_ = true;
    const unsigned generation = generation_;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(idleTimeCall()), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, generation](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (generation != generation_)
            return;
        asking_ = false;
        QDBusPendingReply<uint> reply = *w;
        if (!installed_ || reply.isError())
            return;
        const long long at = clock_.elapsed() - static_cast<long long>(reply.value());
        const bool moved = lastInputAt_ >= 0 && at > lastInputAt_ + kToleranceMs;
        if (lastInputAt_ < 0 || at > lastInputAt_)
            lastInputAt_ = at;
        if (moved && handler_)
            handler_();
    });
}

} // namespace mox
