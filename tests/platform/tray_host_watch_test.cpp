#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>

#include "EventLoop.h"
#include "PrivateBus.h"
#include "platform/dbus/TrayHostWatch.h"

using mox::TrayHostWatch;

namespace {

// The test's item watcher, as a bar with a tray runs it: answers whether a
// tray host is registered.
class FakeItemWatcher final : public QDBusVirtualObject {
public:
    bool hostRegistered = false;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.interface() != QLatin1String("org.freedesktop.DBus.Properties") ||
            message.member() != QLatin1String("Get") || message.arguments().size() != 2)
            return false;
        if (message.arguments().at(1).toString() != QLatin1String("IsStatusNotifierHostRegistered"))
            return connection.send(message.createErrorReply(QDBusError::InvalidArgs, QStringLiteral("no such property")));
        return connection.send(message.createReply(QVariant::fromValue(QDBusVariant(hostRegistered))));
    }
};

class TrayHostWatchTest : public PrivateBus {
protected:
    // Plays the bar's item watcher on a connection of its own.
    QDBusConnection startWatcher(const QString& name)
    {
        QDBusConnection bar = connect(name);
        EXPECT_TRUE(bar.registerVirtualObject(QString::fromLatin1(TrayHostWatch::kPath), &watcher));
        EXPECT_TRUE(bar.registerService(QString::fromLatin1(TrayHostWatch::kService)));
        return bar;
    }

    static QDBusMessage hostRegisteredSignal()
    {
        return QDBusMessage::createSignal(QString::fromLatin1(TrayHostWatch::kPath),
                                          QString::fromLatin1(TrayHostWatch::kInterface),
                                          QStringLiteral("StatusNotifierHostRegistered"));
    }

    FakeItemWatcher watcher;
};

TEST_F(TrayHostWatchTest, AHostAlreadyThereIsFoundOnce)
{
    watcher.hostRegistered = true;
    QDBusConnection bar = startWatcher(QStringLiteral("bar"));
    TrayHostWatch watch(connect(QStringLiteral("program")));
    int appeared = 0;
    QObject::connect(&watch, &TrayHostWatch::hostAppeared, [&] { ++appeared; });
    watch.start();
    ASSERT_TRUE(spinUntil([&] { return appeared > 0; }));
    ASSERT_TRUE(bar.send(hostRegisteredSignal()));
    spinFor(200);
    EXPECT_EQ(appeared, 1);
    EXPECT_TRUE(watch.hostFound());
}

TEST_F(TrayHostWatchTest, ABarThatComesLaterIsFoundWhenItsHostRegisters)
{
    TrayHostWatch watch(connect(QStringLiteral("program")));
    int appeared = 0;
    QObject::connect(&watch, &TrayHostWatch::hostAppeared, [&] { ++appeared; });
    watch.start();
    spinFor(200);
    EXPECT_EQ(appeared, 0);

    // The bar's watcher comes first, without a host yet.
    QDBusConnection bar = startWatcher(QStringLiteral("bar"));
    spinFor(300);
    EXPECT_EQ(appeared, 0);
    // Another program claiming a host is not the watcher.
    QDBusConnection other = connect(QStringLiteral("other"));
    ASSERT_TRUE(other.send(hostRegisteredSignal()));
    spinFor(300);
    EXPECT_EQ(appeared, 0);
    // The bar's host registers.
    watcher.hostRegistered = true;
    ASSERT_TRUE(bar.send(hostRegisteredSignal()));
    ASSERT_TRUE(spinUntil([&] { return appeared > 0; }));
    EXPECT_EQ(appeared, 1);
}

TEST_F(TrayHostWatchTest, AWatcherThatComesWithItsHostIsFound)
{
    TrayHostWatch watch(connect(QStringLiteral("program")));
    int appeared = 0;
    QObject::connect(&watch, &TrayHostWatch::hostAppeared, [&] { ++appeared; });
    watch.start();
    spinFor(200);
    watcher.hostRegistered = true;
    QDBusConnection bar = startWatcher(QStringLiteral("bar"));
    ASSERT_TRUE(spinUntil([&] { return appeared > 0; }));
    EXPECT_EQ(appeared, 1);
}

} // namespace
