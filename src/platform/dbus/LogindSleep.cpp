#include "platform/dbus/LogindSleep.h"

namespace mox {

LogindSleep::LogindSleep(QDBusConnection bus, QObject* parent) : QObject(parent), bus_(std::move(bus))
{
    if (!bus_.isConnected())
        return;
    // Matched on the service name, so only logind (the owner of that name)
    // can make the computer "sleep" for us.
    listening_ = bus_.connect(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                              QString::fromLatin1(kInterface), QString::fromLatin1(kSignal), this,
                              SLOT(onPrepareForSleep(bool)));
}

LogindSleep::~LogindSleep()
{
    if (listening_)
        bus_.disconnect(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                        QString::fromLatin1(kInterface), QString::fromLatin1(kSignal), this,
                        SLOT(onPrepareForSleep(bool)));
}

void LogindSleep::setPowerHandler(PowerHandler handler)
{
    handler_ = std::move(handler);
}

void LogindSleep::onPrepareForSleep(bool start)
{
    if (handler_)
        handler_(start ? PowerEvent::Sleep : PowerEvent::Wake);
}

} // namespace mox
