#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QObject>
#include <vector>

#include "EventLoop.h"
#include "PrivateBus.h"
#include "platform/dbus/MutterIdleMonitor.h"
#include "platform/dbus/ScreenSaverIdleMonitor.h"

using mox::MutterIdleMonitor;
using mox::ScreenSaverIdleMonitor;

namespace {

// GNOME's idle monitor as far as the adapter uses it: numbered watches that
// the test fires.
class FakeMutter : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Mutter.IdleMonitor")
public:
    explicit FakeMutter(QDBusConnection bus) : bus_(std::move(bus)) {}
    std::vector<uint> added, removed;

    void fire(uint id)
    {
        QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(MutterIdleMonitor::kPath),
                                                         QString::fromLatin1(MutterIdleMonitor::kInterface),
                                                         QStringLiteral("WatchFired"));
        signal << id;
        bus_.send(signal);
    }

public slots:
    uint AddUserActiveWatch()
    {
        added.push_back(next_);
        return next_++;
    }
    void RemoveWatch(uint id) { removed.push_back(id); }

private:
    QDBusConnection bus_;
    uint next_ = 7;
};

// KDE's screen saver service: the idle time since the last input the test
// makes.
class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    FakeScreenSaver() { clock_.start(); }
    void input() { lastInput_ = clock_.elapsed(); }
    int questions = 0;

public slots:
    uint GetSessionIdleTime()
    {
        ++questions;
        return static_cast<uint>(clock_.elapsed() - lastInput_);
    }

private:
    QElapsedTimer clock_;
    qint64 lastInput_ = 0;
};

using IdleOverDBus = PrivateBus;

TEST_F(IdleOverDBus, MutterWatchesReportEachInputOnceAndOnlyWhileInstalled)
{
    QDBusConnection shell = connect(QStringLiteral("shell"));
    FakeMutter mutter(shell);
    ASSERT_TRUE(shell.registerObject(QString::fromLatin1(MutterIdleMonitor::kPath), &mutter,
                                     QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(shell.registerService(QString::fromLatin1(MutterIdleMonitor::kService)));

    QDBusConnection program = connect(QStringLiteral("program"));
    EXPECT_TRUE(MutterIdleMonitor::present(program));
    MutterIdleMonitor monitor(program);
    int activity = 0;
    monitor.setActivityHandler([&] { ++activity; });

    monitor.install();
    ASSERT_TRUE(spinUntil([&] { return mutter.added.size() == 1; }));
    spinFor(100);
    mutter.fire(7);
    ASSERT_TRUE(spinUntil([&] { return activity == 1; }));
    // The fired watch is gone on the compositor's side: a new one follows.
    ASSERT_TRUE(spinUntil([&] { return mutter.added.size() == 2; }));
    spinFor(100);
    // Another program's watch, or the old one again, is not ours.
    mutter.fire(7);
    mutter.fire(3);
    spinFor(200);
    EXPECT_EQ(activity, 1);

    monitor.remove();
    ASSERT_TRUE(spinUntil([&] { return mutter.removed == std::vector<uint>{8}; }));
    mutter.fire(8);
    spinFor(200);
    EXPECT_EQ(activity, 1);

    // Installed again, it watches afresh.
    monitor.install();
    ASSERT_TRUE(spinUntil([&] { return mutter.added.size() == 3; }));
    spinFor(100);
    mutter.fire(9);
    EXPECT_TRUE(spinUntil([&] { return activity == 2; }));
}

TEST_F(IdleOverDBus, MutterWatchAddedAfterRemovalIsGivenBack)
{
    QDBusConnection shell = connect(QStringLiteral("shell"));
    FakeMutter mutter(shell);
    ASSERT_TRUE(shell.registerObject(QString::fromLatin1(MutterIdleMonitor::kPath), &mutter,
                                     QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(shell.registerService(QString::fromLatin1(MutterIdleMonitor::kService)));
    MutterIdleMonitor monitor(connect(QStringLiteral("program")));
    // Removed before the answer to the watch came: the watch must not stay.
    monitor.install();
    monitor.remove();
    ASSERT_TRUE(spinUntil([&] { return mutter.removed == std::vector<uint>{7}; }));
}

TEST_F(IdleOverDBus, WithoutTheServicesNothingIsPresent)
{
    QDBusConnection program = connect(QStringLiteral("program"));
    EXPECT_FALSE(MutterIdleMonitor::present(program));
    EXPECT_FALSE(ScreenSaverIdleMonitor::present(program));
    // Installed anyway, it reports nothing and does not fail.
    MutterIdleMonitor monitor(program);
    int activity = 0;
    monitor.setActivityHandler([&] { ++activity; });
    monitor.install();
    spinFor(200);
    monitor.remove();
    EXPECT_EQ(activity, 0);
}

TEST_F(IdleOverDBus, ScreenSaverIdleTimeMovingForwardIsActivityAndIsAskedOnlyWhileInstalled)
{
    QDBusConnection kde = connect(QStringLiteral("kde"));
    FakeScreenSaver saver;
    ASSERT_TRUE(kde.registerObject(QString::fromLatin1(ScreenSaverIdleMonitor::kPath), &saver,
                                   QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(kde.registerService(QString::fromLatin1(ScreenSaverIdleMonitor::kService)));

    ScreenSaverIdleMonitor monitor(connect(QStringLiteral("program")), 100);
    int activity = 0;
    monitor.setActivityHandler([&] { ++activity; });

    monitor.install();
    // Quiet: the idle time only grows.
    spinFor(600);
    EXPECT_EQ(activity, 0);
    EXPECT_GE(saver.questions, 3);
    saver.input();
    ASSERT_TRUE(spinUntil([&] { return activity == 1; }));
    spinFor(300);
    EXPECT_EQ(activity, 1);

    monitor.remove();
    spinFor(150);
    const int asked = saver.questions;
    saver.input();
    spinFor(400);
    EXPECT_EQ(saver.questions, asked);
    EXPECT_EQ(activity, 1);
    // Input before the next installation is not activity of that check.
    monitor.install();
    spinFor(400);
    EXPECT_EQ(activity, 1);
}

} // namespace

#include "idle_dbus_test.moc"
