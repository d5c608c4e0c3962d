#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <unistd.h>

#include "platform/qt/InstanceLock.h"

using mox::InstanceLock;

namespace {

// Another copy of the program: this test program started again in its
// lock-holding mode (see main.cpp). It answers "acquired" or "held" and then
// keeps its lock until its input closes or it is killed.
class OtherCopy {
public:
    explicit OtherCopy(const QString& folder)
    {
        process_.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold-lock"), folder});
        if (process_.waitForStarted(5000) && process_.waitForReadyRead(10000))
            answer_ = QString::fromUtf8(process_.readLine()).trimmed();
    }
    ~OtherCopy()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.closeWriteChannel();
            if (!process_.waitForFinished(5000))
                process_.kill();
            process_.waitForFinished(5000);
        }
    }
    const QString& answer() const { return answer_; }
    void endNormally()
    {
        process_.closeWriteChannel();
        process_.waitForFinished(5000);
    }
    void die()
    {
        process_.kill(); // SIGKILL: no chance to release the lock
        process_.waitForFinished(5000);
    }

private:
    QProcess process_;
    QString answer_;
};

TEST(InstanceLock, ASecondCopyIsRefusedWhileTheFirstRuns)
{
    QTemporaryDir folder;
    OtherCopy first(folder.path());
    ASSERT_EQ(first.answer(), QStringLiteral("acquired"));

    InstanceLock second(folder.path());
    EXPECT_EQ(second.acquire(), InstanceLock::Result::HeldByOther);
    EXPECT_FALSE(second.held());
    OtherCopy third(folder.path());
    EXPECT_EQ(third.answer(), QStringLiteral("held"));

    first.endNormally();
    EXPECT_EQ(second.acquire(), InstanceLock::Result::Acquired);
    EXPECT_TRUE(second.held());
    OtherCopy fourth(folder.path());
    EXPECT_EQ(fourth.answer(), QStringLiteral("held")) << "now this copy holds it";
}

TEST(InstanceLock, TheLockOfACopyThatDiedIsTakenOver)
{
    QTemporaryDir folder;
    {
        OtherCopy crashed(folder.path());
        ASSERT_EQ(crashed.answer(), QStringLiteral("acquired"));
        crashed.die();
    }
    ASSERT_TRUE(QFileInfo::exists(QDir(folder.path()).filePath(QStringLiteral("Mox!.lock"))))
        << "a killed copy leaves its lock file behind";
    InstanceLock next(folder.path());
    EXPECT_EQ(next.acquire(), InstanceLock::Result::Acquired);
}

TEST(InstanceLock, TwoHoldersInOneProcessAndRelease)
{
    QTemporaryDir folder;
    InstanceLock first(folder.path());
    ASSERT_EQ(first.acquire(), InstanceLock::Result::Acquired);
    EXPECT_EQ(first.acquire(), InstanceLock::Result::Acquired) << "asking again keeps it";
    InstanceLock second(folder.path());
    EXPECT_EQ(second.acquire(), InstanceLock::Result::HeldByOther);

    first.release();
    EXPECT_FALSE(QFileInfo::exists(first.fileName()));
    EXPECT_EQ(second.acquire(), InstanceLock::Result::Acquired);
}

TEST(InstanceLock, AMissingFolderDoesNotPretendAnotherCopyRuns)
{
    InstanceLock lock(QStringLiteral("/nonexistent/mox-lock-folder"));
    EXPECT_EQ(lock.acquire(), InstanceLock::Result::Unavailable);
    EXPECT_FALSE(lock.held());
}

TEST(InstanceLock, FileLivesInTheRuntimeFolderOrElsePerUserInTemp)
{
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    const bool had = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
    QTemporaryDir runtime;

    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    EXPECT_EQ(InstanceLock::defaultFileName(), QDir(runtime.path()).filePath(QStringLiteral("Mox!.lock")));

    const QString perUser = QDir(QDir::tempPath()).filePath(QStringLiteral("Mox!-%1.lock").arg(::getuid()));
    qputenv("XDG_RUNTIME_DIR", "/nonexistent/runtime");
    EXPECT_EQ(InstanceLock::defaultFileName(), perUser);
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(InstanceLock::defaultFileName(), perUser);

    if (had)
        qputenv("XDG_RUNTIME_DIR", saved);
}

} // namespace
