#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <vector>

#include "EventLoop.h"
#include "platform/qt/QtTimerPort.h"

using mox::QtTimerPort;
using mox::TimerId;

TEST(QtTimerPort, EachStartExpiresOnceInTimeOrder)
{
    QtTimerPort timers;
    std::vector<TimerId> fired;
    QElapsedTimer clock;
    qint64 autoshowAt = 0;
    timers.setExpiryHandler([&](TimerId id) {
        fired.push_back(id);
        if (id == TimerId::Autoshow)
            autoshowAt = clock.elapsed();
    });
    clock.start();
    timers.start(TimerId::Autoshow, 150);
    timers.start(TimerId::Foreground, 10);
    timers.start(TimerId::ActivityCheck, 60);
    EXPECT_TRUE(timers.isRunning(TimerId::Autoshow));
    EXPECT_FALSE(timers.isRunning(TimerId::FirstHide));

    ASSERT_TRUE(spinUntil([&] { return fired.size() == 3; }));
    spinFor(250);
    EXPECT_EQ(fired, (std::vector<TimerId>{TimerId::Foreground, TimerId::ActivityCheck, TimerId::Autoshow}));
    EXPECT_GE(autoshowAt, 150);
    for (TimerId id : {TimerId::Autoshow, TimerId::FirstHide, TimerId::ActivityCheck, TimerId::Foreground})
        EXPECT_FALSE(timers.isRunning(id)) << "single-shot";
}

TEST(QtTimerPort, StopCancelsAndRestartBeginsAnew)
{
    QtTimerPort timers;
    std::vector<TimerId> fired;
    timers.setExpiryHandler([&](TimerId id) { fired.push_back(id); });

    timers.start(TimerId::FirstHide, 30);
    timers.stop(TimerId::FirstHide);
    timers.stop(TimerId::FirstHide);
    timers.stop(TimerId::Autoshow);

    QElapsedTimer clock;
    clock.start();
    timers.start(TimerId::Autoshow, 50);
    spinFor(30);
    timers.start(TimerId::Autoshow, 100); // the interval runs from now
    ASSERT_TRUE(spinUntil([&] { return !fired.empty(); }));
    EXPECT_GE(clock.elapsed(), 125);
    spinFor(100);
    EXPECT_EQ(fired, (std::vector<TimerId>{TimerId::Autoshow}));
}
