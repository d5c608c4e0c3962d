// Typing into a real Qt field on a private X server while the layout rules
// switch the keyboard through XKB: the characters that arrive are those of
// the layout the rules made active, on a connection of the port's own and on
// Qt's; and the foreground on Qt's connection.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

#include "language/Layouts.h"
#include "platform/fake/RecordingMessages.h"
#include "platform/x11/ForegroundX11.h"
#include "platform/x11/XkbLayouts.h"
#include "settings/Settings.h"

// The X headers define None, Bool and the like: after every other header.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include "xkb_server.h"

using namespace mox;

namespace {

XvfbServer* server = nullptr;

// Presses and releases one key by its evdev key code, as the keyboard would.
void pressKey(Display* display, unsigned keycode)
{
    XTestFakeKeyEvent(display, keycode, True, 0);
    XTestFakeKeyEvent(display, keycode, False, 0);
    XSync(display, False);
}

constexpr unsigned kKeyQ = 24; // <AD01>: q, й, q
constexpr unsigned kKeyY = 29; // <AD06>: y, н, z

class XkbTyping : public ::testing::Test {
protected:
    void SetUp() override
    {
        display = XOpenDisplay(server->name().c_str());
        ASSERT_NE(display, nullptr);
        field = std::make_unique<QLineEdit>();
        field->setGeometry(50, 50, 300, 40);
        field->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(field.get()));
        // No window manager: the keyboard follows the pointer.
        XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, 100, 70);
        XSync(display, False);
        field->activateWindow();
        field->setFocus();
        QTRY_VERIFY(field->hasFocus());
    }
    void TearDown() override
    {
        field.reset();
        if (display)
            XCloseDisplay(display);
    }

    QString typed(unsigned keycode)
    {
        field->clear();
        pressKey(display, keycode);
        QTest::qWait(1); // let the key events through
        for (int i = 0; i < 100 && field->text().isEmpty(); ++i)
            QTest::qWait(20);
        return field->text();
    }

    Display* display = nullptr;
    std::unique_ptr<QLineEdit> field;
};

} // namespace

// The layout rules switch the keyboard through `port`; the field gets the
// letters of each layout they make active.
void typeThroughTheRules(XkbLayouts& port, const std::function<QString(unsigned)>& typed)
{
    RecordingMessages messages;
    Settings settings(messages);
    KeyboardLayouts layouts(port, settings);
    layouts.readPreloadLayouts(settings.preloadLayouts());

    LayoutHandle studied = 0, translation = 0;
    layouts.activateLayout(0x409, studied, settings.preloadLayouts());
    EXPECT_EQ(typed(kKeyQ), QStringLiteral("q"));

    layouts.activateLayout(0x419, translation, settings.preloadLayouts());
    EXPECT_EQ(typed(kKeyQ), QStringLiteral("й"));

    // German is loaded for the field: Y and Z change places.
    layouts.activateLayout(0x407, studied, settings.preloadLayouts());
    ASSERT_NE(studied, 0u);
    EXPECT_EQ(typed(kKeyY), QStringLiteral("z"));

    // Released: back to Russian, which the user had before.
    EXPECT_TRUE(layouts.releaseLayout(studied));
    EXPECT_EQ(typed(kKeyY), QStringLiteral("н"));
}

TEST_F(XkbTyping, FieldReceivesTheLettersOfTheActivatedLayout)
{
    XkbLayouts port(server->name().c_str());
    ASSERT_FALSE(port.sharesQtConnection());
    typeThroughTheRules(port, [this](unsigned key) { return typed(key); });
}

// The program's ports open no X connection of their own where Qt has one:
// the layouts and the foreground work on Qt's.
TEST_F(XkbTyping, OnQtsOwnConnectionTheLayoutsSwitchAsOnTheirOwn)
{
    XkbLayouts port;
    ASSERT_TRUE(port.sharesQtConnection());
    typeThroughTheRules(port, [this](unsigned key) { return typed(key); });
}

TEST_F(XkbTyping, OnQtsOwnConnectionTheForegroundFindsAndHandsBackTheFocus)
{
    X11Foreground foreground;
    ASSERT_TRUE(foreground.sharesQtConnection());
    EXPECT_EQ(foreground.foreground(), static_cast<WindowRef>(field->winId()));

    // Another window takes the focus; the foreground hands it back.
    QLineEdit other;
    other.setGeometry(400, 50, 300, 40);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    ASSERT_TRUE(foreground.activate(static_cast<WindowRef>(other.winId())));
    QTRY_COMPARE(foreground.foreground(), static_cast<WindowRef>(other.winId()));
    ASSERT_TRUE(foreground.activate(static_cast<WindowRef>(field->winId())));
    QTRY_VERIFY(field->isActiveWindow());

    // A window that is gone is refused, and its error is the adapter's: it
    // does not reach Qt (which would log it) nor end the program.
    static QStringList logged;
    logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { logged << text; });
    const Window gone = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, 0);
    XDestroyWindow(display, gone);
    XSync(display, False);
    EXPECT_FALSE(foreground.activate(static_cast<WindowRef>(gone)));
    QTest::qWait(200);
    qInstallMessageHandler(previous);
    EXPECT_TRUE(logged.isEmpty()) << logged.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(foreground.foreground(), static_cast<WindowRef>(field->winId()));
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        listing = listing || std::strncmp(argv[i], "--gtest_list_tests", 18) == 0;
    if (listing)
        return RUN_ALL_TESTS();

    XvfbServer xvfb;
    if (!xvfb.running()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }
    if (xvfb.run("setxkbmap -rules evdev -model pc105 -layout us,ru") != 0) {
        std::fprintf(stderr, "setxkbmap failed\n");
        return 1;
    }
    server = &xvfb;
    setenv("DISPLAY", xvfb.name().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    int result = 0;
    {
        QApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    return result;
}
