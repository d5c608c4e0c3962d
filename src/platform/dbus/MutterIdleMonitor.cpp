#include "platform/dbus/MutterIdleMonitor.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace mox {

MutterIdleMonitor::MutterIdleMonitor(QDBusConnection bus, QObject* parent) : QObject(parent), bus_(std::move(bus))
{
    bus_.connect(QString::fromLatin1(kService), QString::fromLatin1(kPath), QString::fromLatin1(kInterface),
                 QStringLiteral("WatchFired"), this, SLOT(onWatchFired(uint)));
}

MutterIdleMonitor::~MutterIdleMonitor()
{
    remove();
}

bool MutterIdleMonitor::present(const QDBusConnection& bus)
{
    return bus.isConnected() && bus.interface() &&
           bus.interface()->isServiceRegistered(QString::fromLatin1(kService)).value();
}

void MutterIdleMonitor::setActivityHandler(ActivityHandler handler)
{
    handler_ = std::move(handler);
}

void MutterIdleMonitor::install()
{
    if (installed_)
        return;
    installed_ = true;
    addWatch();
}

void MutterIdleMonitor::remove()
{
    if (!installed_)
        return;
    installed_ = false;
    if (watch_ != 0)
        removeWatch(watch_);
    watch_ = 0;
}

void MutterIdleMonitor::addWatch()
{
    if (adding_ || watch_ != 0)
        return;
    adding_ = true;
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                                       QString::fromLatin1(kInterface),
                                                       QStringLiteral("AddUserActiveWatch"));
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        adding_ = false;
        QDBusPendingReply<uint> reply = *w;
        if (reply.isError())
            return; // no monitor to ask: no activity is seen
        if (!installed_) {
            // Removed while the watch was being added: give it back.
            removeWatch(reply.value());
            return;
        }
        watch_ = reply.value();
    });
}

void MutterIdleMonitor::removeWatch(uint id)
{
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                                       QString::fromLatin1(kInterface), QStringLiteral("RemoveWatch"));
    call << id;
    bus_.send(call);
}

void MutterIdleMonitor::onWatchFired(uint id)
{
    if (!installed_ || id == 0 || id != watch_)
        return;
    // A user-active watch fires once; the next input needs a new one.
    watch_ = 0;
    if (handler_)
        handler_();
    if (installed_)
        addWatch();
}

} // namespace mox
