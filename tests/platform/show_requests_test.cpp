#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <future>

#include "EventLoop.h"
#include "platform/qt/ShowRequests.h"

using mox::ShowRequests;

namespace {

// Asks from another thread, as a second start would from another process,
// while this thread's loop lets the running copy answer.
bool askWhileRunning(ShowRequests& second)
{
    auto asked = std::async(std::launch::async, [&] { return second.askRunningCopy(2000); });
    spinUntil([&] { return asked.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 5000);
    return asked.get();
}

TEST(ShowRequests, ASecondStartReachesTheCopyThatListensAndOnlyThatOne)
{
    QTemporaryDir folder;
    const QString lock = folder.filePath(QStringLiteral("Mox!.lock"));
    ShowRequests second(lock);
    // Nobody listens (a copy with a tray, or none at all): the start ends as before.
    EXPECT_FALSE(askWhileRunning(second));

    // A copy that died left its socket behind; the next one takes it over.
    {
        ShowRequests died(lock);
        ASSERT_TRUE(died.listen());
    }
    QFile leftover(folder.filePath(QStringLiteral("Mox!.socket")));
    EXPECT_EQ(second.socketName(), leftover.fileName());

    ShowRequests running(lock);
    ASSERT_TRUE(running.listen());
    int shown = 0;
    QObject::connect(&running, &ShowRequests::showRequested, [&] { ++shown; });
    EXPECT_TRUE(askWhileRunning(second));
    EXPECT_TRUE(askWhileRunning(second));
    EXPECT_EQ(shown, 2);
    // The socket is the user's alone.
    EXPECT_EQ(QFile::permissions(second.socketName()) & (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup |
                                                          QFile::WriteGroup),
              QFile::Permissions());

    // A tray came up: the copy stops listening, and a second start does nothing.
    running.close();
    EXPECT_FALSE(QFile::exists(second.socketName()));
    EXPECT_FALSE(askWhileRunning(second));
    EXPECT_EQ(shown, 2);
    running.close();
}

} // namespace
