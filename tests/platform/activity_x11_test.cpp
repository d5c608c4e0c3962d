#include <gtest/gtest.h>

#include "EventLoop.h"
#include "XServer.h"
#include "platform/x11/ActivityMonitorX11.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

using mox::X11ActivityMonitor;

namespace {

// The user's side of the desktop: fake input through XTEST, as a person at the
// keyboard and mouse would make it.
class User {
public:
    explicit User(const QByteArray& display) : display_(XOpenDisplay(display.constData())) {}
    ~User()
    {
        if (display_)
            XCloseDisplay(display_);
    }
    bool ok() const { return display_ != nullptr; }
    void pressKey()
    {
        const KeyCode code = XKeysymToKeycode(display_, XK_a);
        XTestFakeKeyEvent(display_, code, True, CurrentTime);
        XTestFakeKeyEvent(display_, code, False, CurrentTime);
        XFlush(display_);
    }
    void moveMouse()
    {
        x_ = x_ == 100 ? 300 : 100;
        XTestFakeMotionEvent(display_, -1, x_, x_, CurrentTime);
        XFlush(display_);
    }
    // Waits until the server has taken every fake event sent so far.
    void sync() { XSync(display_, False); }
    void click()
    {
        XTestFakeButtonEvent(display_, 1, True, CurrentTime);
        XTestFakeButtonEvent(display_, 1, False, CurrentTime);
        XFlush(display_);
    }

private:
    Display* display_;
    int x_ = 100;
};

class ActivityMonitorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!server.running())
            GTEST_SKIP() << "Xvfb could not be started";
        ASSERT_TRUE(user.ok());
    }

    XServer server;
    User user{server.name()};
};

TEST_F(ActivityMonitorTest, KeysButtonsAndMotionReachTheMonitorThroughRawEvents)
{
    X11ActivityMonitor monitor(server.name());
    ASSERT_TRUE(monitor.connected());
    ASSERT_TRUE(monitor.usesRawEvents()) << "Xvfb has XInput2";
    int reports = 0;
    monitor.setActivityHandler([&] { ++reports; });
    monitor.install();
    spinFor(100);
    ASSERT_EQ(reports, 0) << "no activity without input";

    user.pressKey();
    EXPECT_TRUE(spinUntil([&] { return reports > 0; })) << "key press";
    spinFor(100);
    reports = 0;
    user.moveMouse();
    EXPECT_TRUE(spinUntil([&] { return reports > 0; })) << "mouse motion";
    spinFor(100);
    reports = 0;
    user.click();
    EXPECT_TRUE(spinUntil([&] { return reports > 0; })) << "button press";
}

TEST_F(ActivityMonitorTest, NothingIsReportedOutsideTheWatch)
{
    X11ActivityMonitor monitor(server.name());
    int reports = 0;
    monitor.setActivityHandler([&] { ++reports; });

    user.pressKey();
    user.moveMouse();
    spinFor(300);
    EXPECT_EQ(reports, 0) << "before install";

    monitor.install();
    monitor.install();
    user.pressKey();
    ASSERT_TRUE(spinUntil([&] { return reports > 0; }));

    monitor.remove();
    monitor.remove();
    EXPECT_FALSE(monitor.installed());
    spinFor(100);
    reports = 0;
    user.pressKey();
    user.moveMouse();
    user.click();
    spinFor(400);
    EXPECT_EQ(reports, 0) << "after remove";

    // And it can be installed again for the next check.
    monitor.install();
    user.moveMouse();
    EXPECT_TRUE(spinUntil([&] { return reports > 0; }));
}

TEST_F(ActivityMonitorTest, InputBeforeARemoveDoesNotCountForTheNextCheck)
{
    X11ActivityMonitor monitor(server.name());
    int reports = 0;
    monitor.setActivityHandler([&] { ++reports; });
    monitor.install();
    spinFor(100);

    // Input the server handled before the removal, still unread by the monitor.
    user.pressKey();
    user.moveMouse();
    user.sync();
    monitor.remove();
    reports = 0;
    monitor.install();
    spinFor(300);
    EXPECT_EQ(reports, 0);
}

TEST_F(ActivityMonitorTest, IdleTimeFallbackSeesInputButNotSilence)
{
    X11ActivityMonitor monitor(server.name(), X11ActivityMonitor::Method::IdleTime);
    ASSERT_TRUE(monitor.connected());
    EXPECT_FALSE(monitor.usesRawEvents());
    int reports = 0;
    monitor.setActivityHandler([&] { ++reports; });

    user.pressKey(); // before the watch: must not count
    spinFor(100);
    monitor.install();
    spinFor(1300);
    EXPECT_EQ(reports, 0) << "quiet user";

    user.pressKey();
    EXPECT_TRUE(spinUntil([&] { return reports > 0; }, 3000)) << "key press";
    spinFor(700);
    reports = 0;
    user.moveMouse();
    EXPECT_TRUE(spinUntil([&] { return reports > 0; }, 3000)) << "mouse motion";

    monitor.remove();
    spinFor(600);
    reports = 0;
    user.pressKey();
    spinFor(1200);
    EXPECT_EQ(reports, 0) << "after remove";
}

TEST(ActivityMonitorWithoutServer, StaysSilentAndHarmless)
{
    X11ActivityMonitor monitor(":65000");
    EXPECT_FALSE(monitor.connected());
    bool called = false;
    monitor.setActivityHandler([&] { called = true; });
    monitor.install();
    monitor.remove();
    monitor.remove();
    EXPECT_FALSE(called);
}

} // namespace
