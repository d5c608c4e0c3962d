#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <future>

#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

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

// What reaches the socket that is no request, and a user who is not the
// owner, show nothing; the copy goes on answering its own user.
TEST(ShowRequests, NoiseAndOtherUsersShowNothing)
{
    QTemporaryDir folder;
    const QString lock = folder.filePath(QStringLiteral("Mox!.lock"));
    ShowRequests running(lock);
    ASSERT_TRUE(running.listen());
    int shown = 0;
    QObject::connect(&running, &ShowRequests::showRequested, [&] { ++shown; });

    // A line too long, with no end, and a line that is not the request.
    for (const std::string& noise : {std::string(300, 'x'), std::string("hide\n")}) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(running.socketName());
        std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
        ASSERT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(::send(fd, noise.data(), noise.size(), MSG_NOSIGNAL), static_cast<ssize_t>(noise.size()));
        spinFor(200);
        ::close(fd);
    }
    spinFor(100);
    EXPECT_EQ(shown, 0);

    // Another user (as root: nobody) asks from a process of its own.
    if (::getuid() == 0) {
        ShowRequests other(lock);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(3);
            ::_exit(other.askRunningCopy(1000) ? 0 : 1);
        }
        int status = 0;
        spinUntil([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 5000);
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1);
        EXPECT_EQ(shown, 0);
    }

    ShowRequests second(lock);
    EXPECT_TRUE(askWhileRunning(second));
    EXPECT_EQ(shown, 1);
}

} // namespace
