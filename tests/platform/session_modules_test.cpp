#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QTemporaryDir>

#include "SwaySession.h"
#include "XServer.h"
#include "platform/qt/SessionModules.h"

using mox::SessionModules;
using mox::SessionPorts;
using mox::SessionPortsRequest;

namespace {

const QString kBuiltModules = QStringLiteral(MOX_SESSION_MODULE_DIR);

// Sets an environment variable (or unsets it, for a null value) for one test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name))
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    QByteArray old_;
    bool had_;
};

class SessionModulesTest : public ::testing::Test {
protected:
    SessionModules modulesIn(QStringList folders)
    {
        return SessionModules(std::move(folders), [this](const std::string& line) { said.push_back(line); });
    }

    // A folder holding `bytes` as the module `name`.
    QString folderWith(const char* name, const QByteArray& bytes)
    {
        QFile file(QDir(scratch.path()).filePath(QString::fromUtf8(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return scratch.path();
    }

    static QByteArray fileBytes(const QString& path)
    {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        return file.readAll();
    }

    QTemporaryDir scratch;
    std::vector<std::string> said;
};

TEST_F(SessionModulesTest, AModuleThatCannotServeIsSaidOnceAndLeavesThePortsAlone)
{
    const SessionPortsRequest all{.activity = true, .layouts = true, .foreground = true};
    struct Case {
        const char* what;
        QByteArray bytes; // null: no file at all
        const char* reason;
    };
    const QByteArray module = fileBytes(QDir(kBuiltModules).filePath(QString::fromUtf8(mox::kX11SessionModule)));
    ASSERT_GT(module.size(), 8192);
    const std::vector<Case> cases{
        {"missing", {}, "is not installed"},
        // Cut short, as by a full disk while it was installed.
        {"truncated", module.left(4096), "cannot be loaded"},
        {"not a library", QByteArray("#!/bin/sh\nexit 0\n"), "cannot be loaded"},
        {"a library of something else", fileBytes(QStringLiteral(MOX_NO_FACTORY_MODULE)), "has no mox_make_session_ports"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        said.clear();
        QTemporaryDir empty;
        QStringList folders{empty.path()};
        if (!c.bytes.isNull())
            folders << folderWith(mox::kX11SessionModule, c.bytes);
        SessionModules modules = modulesIn(folders);
        SessionPorts ports;
        EXPECT_FALSE(modules.load(mox::kX11SessionModule, all, ports));
        EXPECT_FALSE(ports.activity || ports.layouts || ports.foreground);
        ASSERT_EQ(said.size(), 1u);
        EXPECT_NE(said[0].find("session-x11.so"), std::string::npos) << said[0];
        EXPECT_NE(said[0].find(c.reason), std::string::npos) << said[0];
        // What the program goes without is told.
        EXPECT_NE(said[0].find("keyboard layouts"), std::string::npos) << said[0];
    }
}

TEST_F(SessionModulesTest, AModuleRefusesAProgramOfAnotherInterface)
{
    for (const char* name : {mox::kX11SessionModule, mox::kWaylandSessionModule}) {
        SCOPED_TRACE(name);
        QLibrary library(QDir(kBuiltModules).filePath(QString::fromUtf8(name)));
        const auto make = reinterpret_cast<mox::MakeSessionPorts>(library.resolve(mox::kMakeSessionPortsSymbol));
        ASSERT_NE(make, nullptr) << library.errorString().toStdString();
        SessionPorts ports;
        EXPECT_FALSE(make(mox::kSessionModuleInterface + 1, {.layouts = true, .foreground = true}, ports));
        EXPECT_FALSE(ports.layouts || ports.foreground);
    }
}

TEST_F(SessionModulesTest, TheX11ModuleGivesWhatIsAskedConnectedToTheSessionsServer)
{
    XServer server;
    ASSERT_TRUE(server.running());
    ScopedEnv display("DISPLAY", server.name());
    // The first folder that holds the module is the one used.
    QTemporaryDir empty;
    SessionModules modules = modulesIn({empty.path(), kBuiltModules});

    SessionPorts foregroundOnly;
    ASSERT_TRUE(modules.load(mox::kX11SessionModule, {.foreground = true}, foregroundOnly));
    EXPECT_TRUE(foregroundOnly.foreground);
    EXPECT_FALSE(foregroundOnly.activity || foregroundOnly.layouts);

    SessionPorts all;
    ASSERT_TRUE(modules.load(mox::kX11SessionModule, {.activity = true, .layouts = true, .foreground = true}, all));
    ASSERT_TRUE(all.activity && all.layouts && all.foreground);
    // The layouts come from the server's keyboard: Xvfb types with "us".
    EXPECT_EQ(all.layouts->preloadedLayoutNames(), std::vector<std::string>{"00000409"});
    EXPECT_TRUE(said.empty());
}

TEST_F(SessionModulesTest, TheWaylandModuleWatchesACompositorWithIdleNotificationOnly)
{
    SessionModules modules = modulesIn({kBuiltModules});
    {
        // No compositor: no monitor (the program asks the session bus then),
        // and layouts that switch nothing.
        ScopedEnv display("WAYLAND_DISPLAY", {});
        ScopedEnv sway("SWAYSOCK", {});
        SessionPorts ports;
        ASSERT_TRUE(modules.load(mox::kWaylandSessionModule, {.activity = true, .layouts = true}, ports));
        EXPECT_FALSE(ports.activity);
        ASSERT_TRUE(ports.layouts);
        EXPECT_EQ(ports.layouts->preloadedLayoutNames(), std::vector<std::string>{});
    }
    SwaySession session;
    const QString why = session.start();
    if (!why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    ScopedEnv display("WAYLAND_DISPLAY", QFile::encodeName(session.display()));
    SessionPorts ports;
    ASSERT_TRUE(modules.load(mox::kWaylandSessionModule, {.activity = true}, ports));
    ASSERT_TRUE(ports.activity);
    EXPECT_NE(ports.activitySource.find("idle notification"), std::string::npos) << ports.activitySource;
    EXPECT_FALSE(ports.layouts || ports.foreground);
    EXPECT_TRUE(said.empty());
}

} // namespace
