#pragma once
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <vector>

// A session bus of the test's own (dbus-daemon --session) on which the test
// plays the desktop's services on one connection and runs the adapter on
// another.
class PrivateBus : public ::testing::Test {
protected:
    void SetUp() override
    {
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        if (!daemon.waitForStarted(5000) || !daemon.waitForReadyRead(5000))
            GTEST_SKIP() << "dbus-daemon could not be started";
        address = QString::fromUtf8(daemon.readLine()).trimmed();
        ASSERT_FALSE(address.isEmpty());
    }
    void TearDown() override
    {
        for (const auto& name : names)
            QDBusConnection::disconnectFromBus(name);
        daemon.terminate();
        daemon.waitForFinished(5000);
    }

    QDBusConnection connect(const QString& name)
    {
        names.push_back(name);
        return QDBusConnection::connectToBus(address, name);
    }

    QProcess daemon;
    QString address;
    std::vector<QString> names;
};
