#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "XServer.h"
#include "platform/x11/ForegroundX11.h"

#include <X11/Xutil.h>

using mox::WindowRef;
using mox::X11Foreground;

namespace {

bool waitFor(const std::function<bool()>& done, int ms = 5000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Another program on the desktop with top-level windows of its own.
class OtherProgram {
public:
    explicit OtherProgram(const QByteArray& display) : display_(XOpenDisplay(display.constData())) {}
    ~OtherProgram()
    {
        if (display_)
            XCloseDisplay(display_);
    }
    bool ok() const { return display_ != nullptr; }

    Window openWindow(const char* title, bool map = true)
    {
        const Window w = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 50, 50, 300, 200, 0, 0,
                                             WhitePixel(display_, DefaultScreen(display_)));
        XStoreName(display_, w, title);
        XWMHints hints{};
        hints.flags = InputHint;
        hints.input = True;
        XSetWMHints(display_, w, &hints);
        if (map)
            XMapWindow(display_, w);
        XSync(display_, False);
        if (map)
            waitFor([&] { return viewable(w); });
        return w;
    }
    Window openChild(Window parent)
    {
        const Window w = XCreateSimpleWindow(display_, parent, 10, 10, 50, 50, 0, 0, 0);
        XMapWindow(display_, w);
        XSync(display_, False);
        return w;
    }
    bool viewable(Window w)
    {
        XWindowAttributes a;
        return XGetWindowAttributes(display_, w, &a) && a.map_state == IsViewable;
    }
    void focus(Window w)
    {
        XSetInputFocus(display_, w, RevertToParent, CurrentTime);
        XSync(display_, False);
    }
    void destroy(Window w)
    {
        XDestroyWindow(display_, w);
        XSync(display_, False);
    }

private:
    Display* display_;
};

TEST(ForegroundWithWindowManager, ReadsAndHandsOverTheActiveWindow)
{
    XServer server(true);
    if (!server.running() || !server.windowManagerReady())
        GTEST_SKIP() << "Xvfb with icewm could not be started";
    OtherProgram other(server.name());
    ASSERT_TRUE(other.ok());
    X11Foreground foreground(server.name());
    ASSERT_TRUE(foreground.usesWindowManager());

    const Window editor = other.openWindow("editor");
    const Window browser = other.openWindow("browser");
    ASSERT_TRUE(waitFor([&] { return foreground.foreground() != mox::kNoWindow; }))
        << "icewm activates a newly mapped window";

    ASSERT_TRUE(foreground.activate(editor));
    EXPECT_TRUE(waitFor([&] { return foreground.foreground() == editor; }));
    ASSERT_TRUE(foreground.activate(browser));
    EXPECT_TRUE(waitFor([&] { return foreground.foreground() == browser; }));
    ASSERT_TRUE(foreground.activate(editor));
    EXPECT_TRUE(waitFor([&] { return foreground.foreground() == editor; }));

    // A window that closed before the hand-over is refused, without an X
    // error ending the program.
    other.destroy(browser);
    EXPECT_FALSE(foreground.activate(browser));
    EXPECT_FALSE(foreground.activate(mox::kNoWindow));
    EXPECT_FALSE(foreground.activate(0x7ffffff));
    EXPECT_TRUE(foreground.activate(editor)) << "the connection survives the refused requests";
}

TEST(ForegroundWithoutWindowManager, RaisesAndFocusesDirectly)
{
    XServer server;
    if (!server.running())
        GTEST_SKIP() << "Xvfb could not be started";
    OtherProgram other(server.name());
    ASSERT_TRUE(other.ok());
    X11Foreground foreground(server.name());
    EXPECT_FALSE(foreground.usesWindowManager());

    const Window editor = other.openWindow("editor");
    const Window browser = other.openWindow("browser");
    ASSERT_TRUE(foreground.activate(editor));
    EXPECT_EQ(foreground.foreground(), editor);
    ASSERT_TRUE(foreground.activate(browser));
    EXPECT_EQ(foreground.foreground(), browser);

    // Focus inside a child window still names its top-level window.
    const Window field = other.openChild(editor);
    other.focus(field);
    EXPECT_EQ(foreground.foreground(), editor);

    // An unmapped window cannot take the focus; a destroyed one is gone.
    const Window hidden = other.openWindow("hidden", false);
    EXPECT_FALSE(foreground.activate(hidden));
    other.destroy(hidden);
    EXPECT_FALSE(foreground.activate(hidden));
    EXPECT_EQ(foreground.foreground(), editor);
}

TEST(ForegroundWithWindowManager, RaiseAndFocusCanBeForced)
{
    XServer server(true);
    if (!server.running() || !server.windowManagerReady())
        GTEST_SKIP() << "Xvfb with icewm could not be started";
    OtherProgram other(server.name());
    X11Foreground foreground(server.name(), X11Foreground::Method::RaiseAndFocus);
    EXPECT_FALSE(foreground.usesWindowManager());
    const Window editor = other.openWindow("editor");
    ASSERT_TRUE(waitFor([&] { return other.viewable(editor); }));
    EXPECT_TRUE(foreground.activate(editor));
    EXPECT_TRUE(waitFor([&] { return foreground.foreground() == editor; }));
}

TEST(ForegroundWithoutServer, DoesNothing)
{
    X11Foreground foreground(":65000");
    EXPECT_FALSE(foreground.connected());
    EXPECT_EQ(foreground.foreground(), mox::kNoWindow);
    EXPECT_FALSE(foreground.activate(42));
}

} // namespace
