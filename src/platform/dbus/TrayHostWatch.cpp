#include "platform/dbus/TrayHostWatch.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

namespace mox {

TrayHostWatch::TrayHostWatch(QDBusConnection bus, QObject* parent) : QObject(parent), bus_(std::move(bus)) {}

TrayHostWatch::~TrayHostWatch()
{
    if (subscribed_)
        bus_.disconnect(QString::fromLatin1(kService), QString::fromLatin1(kPath), QString::fromLatin1(kInterface),
                        QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(onHostRegistered()));
}

void TrayHostWatch::start()
{
    if (!bus_.isConnected() || watcher_ != nullptr)
        return;
    const QString service = QString::fromLatin1(kService);
    // A watcher that comes (or comes back) is asked; a host that registers
    // at a watcher already there says so by its signal.
    watcher_ = new QDBusServiceWatcher(service, bus_, QDBusServiceWatcher::WatchForRegistration, this);
    connect(watcher_, &QDBusServiceWatcher::serviceRegistered, this, &TrayHostWatch::ask);
    subscribed_ = bus_.connect(service, QString::fromLatin1(kPath), QString::fromLatin1(kInterface),
                               QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(onHostRegistered()));
    ask();
}

void TrayHostWatch::ask()
{
    if (found_)
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    call << QString::fromLatin1(kInterface) << QStringLiteral("IsStatusNotifierHostRegistered");
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(call, 2000), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *call;
        if (reply.isValid() && reply.value().variant().toBool())
            found();
    });
}

void TrayHostWatch::onHostRegistered()
{
    found();
}

void TrayHostWatch::found()
{
    if (found_)
        return;
    found_ = true;
    emit hostAppeared();
}

} // namespace mox
