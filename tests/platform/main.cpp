#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "platform/qt/InstanceLock.h"

// With "--hold-lock <folder>" this program plays a second copy of Mox!: it
// takes the instance lock in <folder>, prints "acquired" or "held", and keeps
// the lock until its standard input closes.
static int holdLock(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Named as the program names itself, unlike the executable's file name.
    QCoreApplication::setApplicationName(QStringLiteral("Mox!"));
    mox::InstanceLock lock(QString::fromLocal8Bit(argv[2]));
    const bool acquired = lock.acquire() == mox::InstanceLock::Result::Acquired;
    std::printf("%s\n", acquired ? "acquired" : "held");
    std::fflush(stdout);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[64];
        if (read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            app.quit();
    });
    return app.exec();
}

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--hold-lock") == 0)
        return holdLock(argc, argv);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Mox!"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
