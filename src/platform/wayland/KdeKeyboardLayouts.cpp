#include "platform/wayland/KdeKeyboardLayouts.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

namespace mox {

QDBusArgument& operator<<(QDBusArgument& argument, const KdeLayoutEntry& entry)
{
    argument.beginStructure();
    argument << entry.shortName << entry.variant << entry.longName;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, KdeLayoutEntry& entry)
{
    argument.beginStructure();
    argument >> entry.shortName >> entry.variant >> entry.longName;
    argument.endStructure();
    return argument;
}

namespace {

QDBusMessage callOf(const char* method)
{
    return QDBusMessage::createMethodCall(QString::fromLatin1(KdeKeyboardLayouts::kService),
                                          QString::fromLatin1(KdeKeyboardLayouts::kPath),
                                          QString::fromLatin1(KdeKeyboardLayouts::kInterface),
                                          QString::fromLatin1(method));
}

} // namespace

KdeKeyboardLayouts::KdeKeyboardLayouts(QDBusConnection bus, QDBus::CallMode mode, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), mode_(mode)
{
    qDBusRegisterMetaType<KdeLayoutEntry>();
    qDBusRegisterMetaType<QList<KdeLayoutEntry>>();
    if (!bus_.isConnected())
        return;
    // Matched on the service name: only the keyboard service itself can say
    // that its list changed.
    const QString service = QString::fromLatin1(kService);
    bus_.connect(service, QString::fromLatin1(kPath), QString::fromLatin1(kInterface),
                 QStringLiteral("layoutListChanged"), this, SLOT(onLayoutListChanged()));
    // A restarted service may come with another configuration.
    watcher_ = new QDBusServiceWatcher(service, bus_, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] { list_.reset(); });
}

KdeKeyboardLayouts::~KdeKeyboardLayouts()
{
    if (!bus_.isConnected())
        return;
    const QString service = QString::fromLatin1(kService);
    bus_.disconnect(service, QString::fromLatin1(kPath), QString::fromLatin1(kInterface),
                    QStringLiteral("layoutListChanged"), this, SLOT(onLayoutListChanged()));
}

bool KdeKeyboardLayouts::present() const
{
    if (!bus_.isConnected() || !bus_.interface())
        return false;
    const auto reply = bus_.interface()->isServiceRegistered(QString::fromLatin1(kService));
    return reply.isValid() && reply.value();
}

std::optional<std::vector<XkbLayoutName>> KdeKeyboardLayouts::layouts()
{
    if (list_)
        return list_;
    if (!bus_.isConnected())
        return std::nullopt;
    const QDBusMessage reply = bus_.call(callOf("getLayoutsList"), mode_, kTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty() ||
        !reply.arguments().first().canConvert<QDBusArgument>())
        return std::nullopt;
    const auto argument = reply.arguments().first().value<QDBusArgument>();
    if (argument.currentSignature() != QLatin1String("a(sss)"))
        return std::nullopt;
    QList<KdeLayoutEntry> entries;
    argument >> entries;
    std::vector<XkbLayoutName> list;
    for (const auto& e : entries)
        list.push_back({e.shortName.toStdString(), e.variant.toStdString()});
    list_ = list;
    return list_;
}

int KdeKeyboardLayouts::activeIndex()
{
    if (!bus_.isConnected())
        return -1;
    const QDBusMessage reply = bus_.call(callOf("getLayout"), mode_, kTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return -1;
    bool ok = false;
    const uint index = reply.arguments().first().toUInt(&ok);
    return ok && index < 0x10000u ? static_cast<int>(index) : -1;
}

bool KdeKeyboardLayouts::switchTo(int index)
{
    if (!bus_.isConnected() || index < 0)
        return false;
    QDBusMessage call = callOf("setLayout");
    call << static_cast<uint>(index);
    const QDBusMessage reply = bus_.call(call, mode_, kTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().first().toBool();
}

void KdeKeyboardLayouts::onLayoutListChanged()
{
    list_.reset();
}

} // namespace mox
