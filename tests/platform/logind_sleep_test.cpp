#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <vector>

#include "EventLoop.h"
#include "PrivateBus.h"
#include "platform/dbus/LogindSleep.h"

using mox::LogindSleep;
using mox::PowerEvent;

namespace {

// A bus of the test's own on which the test plays logind.
class LogindBus : public PrivateBus {
protected:
    static bool emitPrepareForSleep(QDBusConnection& bus, bool start)
    {
        QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(LogindSleep::kPath),
                                                         QString::fromLatin1(LogindSleep::kInterface),
                                                         QString::fromLatin1(LogindSleep::kSignal));
        signal << start;
        return bus.send(signal);
    }
};

TEST_F(LogindBus, PrepareForSleepFromLogindBecomesSleepAndWake)
{
    QDBusConnection logind = connect(QStringLiteral("logind"));
    ASSERT_TRUE(logind.isConnected());
    ASSERT_TRUE(logind.registerService(QString::fromLatin1(LogindSleep::kService)));

    LogindSleep sleep(connect(QStringLiteral("program")));
    ASSERT_TRUE(sleep.listening());
    std::vector<PowerEvent> events;
    sleep.setPowerHandler([&](PowerEvent e) { events.push_back(e); });
    spinFor(100); // let the subscription reach the bus

    ASSERT_TRUE(emitPrepareForSleep(logind, true));
    ASSERT_TRUE(spinUntil([&] { return events.size() == 1; }));
    ASSERT_TRUE(emitPrepareForSleep(logind, false));
    ASSERT_TRUE(spinUntil([&] { return events.size() == 2; }));
    EXPECT_EQ(events, (std::vector<PowerEvent>{PowerEvent::Sleep, PowerEvent::Wake}));
}

TEST_F(LogindBus, TheSameSignalFromAnotherProgramIsIgnored)
{
    QDBusConnection logind = connect(QStringLiteral("logind"));
    ASSERT_TRUE(logind.registerService(QString::fromLatin1(LogindSleep::kService)));
    QDBusConnection impostor = connect(QStringLiteral("impostor"));

    LogindSleep sleep(connect(QStringLiteral("program")));
    std::vector<PowerEvent> events;
    sleep.setPowerHandler([&](PowerEvent e) { events.push_back(e); });
    spinFor(100);

    ASSERT_TRUE(emitPrepareForSleep(impostor, true));
    // Delivered in order on the bus: once logind's wake-up arrives, the
    // impostor's signal would have arrived before it.
    ASSERT_TRUE(emitPrepareForSleep(logind, false));
    ASSERT_TRUE(spinUntil([&] { return !events.empty(); }));
    spinFor(200);
    EXPECT_EQ(events, (std::vector<PowerEvent>{PowerEvent::Wake}));
}

TEST(LogindSleepWithoutBus, GivesNoEventsAndNoError)
{
    LogindSleep sleep(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                     QStringLiteral("nowhere")));
    EXPECT_FALSE(sleep.listening());
    bool called = false;
    sleep.setPowerHandler([&](PowerEvent) { called = true; });
    spinFor(50);
    EXPECT_FALSE(called);
    QDBusConnection::disconnectFromBus(QStringLiteral("nowhere"));
}

} // namespace
