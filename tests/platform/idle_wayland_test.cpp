#include <gtest/gtest.h>

#include <future>

#include "EventLoop.h"
#include "SwaySession.h"
#include "platform/wayland/WaylandIdleMonitor.h"

using mox::WaylandIdleMonitor;

namespace {

class IdleOnSway : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString why = sway.start();
        if (!why.isEmpty())
            GTEST_SKIP() << why.toStdString();
    }

    // Types while the event loop runs, as the user would in another program.
    bool typeWhileRunning(const QString& text, int delayMs)
    {
        auto typed = std::async(std::launch::async, [&] { return sway.type(text, delayMs); });
        spinUntil([&] { return typed.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 30000);
        return typed.get();
    }

    SwaySession sway;
};

TEST_F(IdleOnSway, InputAfterAQuietSpellAndInputThatNeverPausesAreBothActivity)
{
    WaylandIdleMonitor monitor(QFile::encodeName(sway.display()), 500);
    ASSERT_TRUE(monitor.available());
    // sway 1.7 offers the KDE protocol; newer ones also the common one.
    EXPECT_NE(monitor.protocol(), WaylandIdleMonitor::Protocol::None);
    int activity = 0;
    monitor.setActivityHandler([&] { ++activity; });

    // Not installed: typing is nobody's business.
    ASSERT_TRUE(typeWhileRunning(QStringLiteral("ab"), 0));
    spinFor(300);
    EXPECT_EQ(activity, 0);

    // Installed, quiet: nothing.
    monitor.install();
    spinFor(1500);
    EXPECT_EQ(activity, 0);

    // A key after the quiet spell comes back as "resumed".
    ASSERT_TRUE(typeWhileRunning(QStringLiteral("c"), 0));
    ASSERT_TRUE(spinUntil([&] { return activity >= 1; }, 2000));
    spinFor(1200); // quiet again
    const int before = activity;

    // Keys closer together than the timeout never let the seat go idle.
    monitor.remove();
    monitor.install();
    ASSERT_TRUE(typeWhileRunning(QStringLiteral("abcdefghijklmn"), 150));
    EXPECT_GT(activity, before);

    // Removed: typing is not reported.
    monitor.remove();
    const int after = activity;
    ASSERT_TRUE(typeWhileRunning(QStringLiteral("xyz"), 100));
    spinFor(1200);
    EXPECT_EQ(activity, after);
}

TEST(IdleWithoutCompositor, NoDisplayMeansNoMonitorAndNoReports)
{
    WaylandIdleMonitor monitor("/nonexistent/wayland-9");
    EXPECT_FALSE(monitor.available());
    int activity = 0;
    monitor.setActivityHandler([&] { ++activity; });
    monitor.install();
    spinFor(1500);
    monitor.remove();
    EXPECT_EQ(activity, 0);
}

} // namespace
