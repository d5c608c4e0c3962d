#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include "FakeLinkOpener.h"
#include "help/LinkLabel.h"
#include "help/LinkOpener.h"
#include "platform/fake/RecordingMessages.h"
#include "support/TempDir.h"

using mox::LinkLabel;

namespace {

// A shown window with one link label at a known place.
struct LinkFixture : ::testing::Test {
    void SetUp() override
    {
        window.resize(400, 200);
        label = new LinkLabel(QStringLiteral("mox.example.org"), opener, messages, &window);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setGeometry(20, 20, 200, 20);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QCursor::setPos(window.mapToGlobal(QPoint(380, 180)));
    }

    // Puts the mouse over the label's centre and reports the move to it.
    void hover()
    {
        const QPoint local = label->rect().center();
        QCursor::setPos(label->mapToGlobal(local));
        QMouseEvent move(QEvent::MouseMove, QPointF(local), QPointF(label->mapToGlobal(local)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(label, &move);
    }
    void leave() { QCursor::setPos(window.mapToGlobal(QPoint(380, 180))); }
    void click()
    {
        const QPoint local = label->rect().center();
        QTest::mouseClick(label, Qt::LeftButton, Qt::NoModifier, local);
    }

    FakeLinkOpener opener;
    mox::RecordingMessages messages;
    QWidget window;
    LinkLabel* label = nullptr;
};

} // namespace

TEST_F(LinkFixture, ColoursFollowHoverAndVisit)
{
    label->attach();
    EXPECT_EQ(label->unvisitedColor(), QColor(0, 0, 238));
    EXPECT_EQ(label->visitedColor(), QColor(85, 26, 139));
    EXPECT_EQ(label->hoverColor(), QColor(255, 0, 0));
    EXPECT_EQ(label->currentColor(), QColor(0, 0, 238));
    EXPECT_FALSE(label->isUnderlined());

    hover();
    EXPECT_TRUE(label->isHovering());
    EXPECT_TRUE(label->isHoverTimerActive());
    EXPECT_EQ(label->currentColor(), QColor(255, 0, 0));
    EXPECT_TRUE(label->isUnderlined()) << "the default mode underlines while hovering";

    // The timer keeps the hover while the mouse stays inside.
    QTest::qWait(3 * LinkLabel::kHoverTimerMs);
    EXPECT_TRUE(label->isHovering());

    leave();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !label->isHovering(); }, 1000));
    EXPECT_FALSE(label->isHoverTimerActive());
    EXPECT_FALSE(label->isUnderlined());
    EXPECT_EQ(label->currentColor(), QColor(0, 0, 238));

    hover();
    click();
    EXPECT_TRUE(label->isVisited());
    EXPECT_FALSE(label->isHovering()) << "a click ends the hover state";
    EXPECT_EQ(label->currentColor(), QColor(85, 26, 139));
    leave();
}

TEST_F(LinkFixture, LeavingIsNoticedOnlyByTheTimer)
{
    label->attach();
    hover();
    leave();
    // Right after leaving, the timer has not ticked yet.
    EXPECT_TRUE(label->isHovering());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !label->isHovering(); }, 1000));
    // A second hover starts the timer again.
    hover();
    EXPECT_TRUE(label->isHoverTimerActive());
    leave();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !label->isHoverTimerActive(); }, 1000));
}

TEST_F(LinkFixture, UnderlineModes)
{
    // A mode set before attaching is not kept.
    label->setUnderlineMode(LinkLabel::UnderlineAlways);
    label->attach();
    EXPECT_EQ(label->underlineMode(), LinkLabel::UnderlineHover);
    EXPECT_FALSE(label->isUnderlined());

    label->setUnderlineMode(LinkLabel::UnderlineAlways);
    EXPECT_TRUE(label->isUnderlined());
    hover();
    EXPECT_TRUE(label->isUnderlined());
    leave();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !label->isHovering(); }, 1000));
    EXPECT_TRUE(label->isUnderlined()) << "mode 1 stays underlined after the mouse left";

    label->setUnderlineMode(LinkLabel::UnderlineNever);
    EXPECT_FALSE(label->isUnderlined());
    hover();
    EXPECT_FALSE(label->isUnderlined());
    EXPECT_EQ(label->currentColor(), QColor(255, 0, 0)) << "the colour still shows the hover";
    leave();
}

TEST_F(LinkFixture, TipsNameTheTarget)
{
    label->attach();
    label->setTarget(QStringLiteral("http://mox.example.org/news"));
    EXPECT_EQ(label->tipText(), QStringLiteral("Go to mox.example.org/news"));
    EXPECT_EQ(label->toolTip(), label->tipText());

    label->setTarget(QStringLiteral("HTTP://MOX.example.org"));
    EXPECT_EQ(label->tipText(), QStringLiteral("Go to MOX.example.org"));

    label->setTarget(QStringLiteral("mailto:mox@example.org?Subject=Hi"));
    EXPECT_EQ(label->tipText(), QStringLiteral("E-mail:mox@example.org?Subject=Hi"));

    label->setTarget(QStringLiteral("ftp://mox.example.org"));
    EXPECT_EQ(label->tipText(), QStringLiteral("ftp://mox.example.org"));

    label->setPrefixTips(false);
    label->setTarget(QStringLiteral("http://mox.example.org"));
    EXPECT_EQ(label->tipText(), QStringLiteral("http://mox.example.org"));
}

TEST_F(LinkFixture, TargetComesFromTheTextWhenNoneIsSet)
{
    label->setText(QStringLiteral("www.Example.org"));
    label->attach();
    EXPECT_EQ(label->target(), QStringLiteral("http://www.Example.org"));
    EXPECT_EQ(label->tipText(), QStringLiteral("Go to www.Example.org"));
    hover();
    click();
    ASSERT_EQ(opener.desktopTargets.size(), 1);
    EXPECT_EQ(opener.desktopTargets.front(), QStringLiteral("http://www.Example.org"));
    leave();

    // A label with a target but no text shows the target.
    LinkLabel empty(QString(), opener, messages, &window);
    empty.setTarget(QStringLiteral("mailto:mox@example.org"));
    empty.attach();
    EXPECT_EQ(empty.text(), QStringLiteral("mailto:mox@example.org"));
    EXPECT_EQ(empty.target(), QStringLiteral("mailto:mox@example.org"));
}

TEST_F(LinkFixture, FitsItselfToItsTextKeepingTheAlignment)
{
    QFont underlined = label->font();
    underlined.setUnderline(true);
    const QSize extent = QFontMetrics(underlined).size(Qt::TextSingleLine, label->text());

    label->attach();
    EXPECT_EQ(label->geometry(), QRect(QPoint(20, 20), extent)) << "top-left text keeps its corner";

    LinkLabel right(label->text(), opener, messages, &window);
    right.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    right.setGeometry(20, 60, 300, 40);
    right.attach();
    EXPECT_EQ(right.geometry().right(), QRect(20, 60, 300, 40).right());
    EXPECT_EQ(right.geometry().size(), extent);
    EXPECT_EQ(right.geometry().top(), 60 + (40 - extent.height()) / 2);

    LinkLabel centred(label->text(), opener, messages, &window);
    centred.setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    centred.setGeometry(20, 120, 300, 40);
    centred.attach();
    EXPECT_EQ(centred.geometry().left(), 20 + (300 - extent.width()) / 2);
    EXPECT_EQ(centred.geometry().top(), 120);

    // A new target refits; without adjusting the size stays.
    LinkLabel fixed(label->text(), opener, messages, &window);
    fixed.setAdjustToFit(false);
    fixed.setGeometry(20, 170, 300, 25);
    fixed.attach();
    EXPECT_EQ(fixed.geometry(), QRect(20, 170, 300, 25));
}

TEST_F(LinkFixture, OpeningFallsBackAndReportsFailures)
{
    label->setTarget(QStringLiteral("http://mox.example.org"));
    label->attach();

    // The desktop opens it: the fallback is not asked.
    EXPECT_TRUE(label->openTarget());
    EXPECT_TRUE(opener.fallbackTargets.isEmpty());
    EXPECT_TRUE(messages.shown.empty());

    // The desktop fails but the fallback opens it.
    LinkLabel second(QStringLiteral("x"), opener, messages, &window);
    second.setTarget(QStringLiteral("http://mox.example.org"));
    second.attach();
    opener.desktopResult = 31;
    opener.fallbackResult = mox::LinkOpener::kOpened;
    EXPECT_TRUE(second.openTarget());
    EXPECT_EQ(opener.fallbackTargets, QStringList{QStringLiteral("http://mox.example.org")});
    EXPECT_TRUE(second.isVisited());
    EXPECT_TRUE(messages.shown.empty());

    // No fallback program: the desktop's error stands.
    LinkLabel third(QStringLiteral("x"), opener, messages, &window);
    third.setTarget(QStringLiteral("http://mox.example.org"));
    third.attach();
    opener.desktopResult = 2;
    opener.fallbackResult.reset();
    EXPECT_FALSE(third.openTarget());
    EXPECT_FALSE(third.isVisited());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Unable to open hyperlink:\n\nThe specified file was not found.");
    EXPECT_EQ(messages.shown[0].icon, mox::MessageIcon::Warning);
    EXPECT_EQ(messages.shown[0].buttons, mox::MessageButtons::Ok);

    // The fallback's error replaces the desktop's.
    messages.clear();
    opener.fallbackResult = 26;
    EXPECT_FALSE(third.openTarget());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Unable to open hyperlink:\n\nA sharing violation occurred. ");

    messages.clear();
    opener.fallbackResult = 4;
    EXPECT_FALSE(third.openTarget());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Unable to open hyperlink:\n\nUnknown Error (4) occurred.");
    EXPECT_FALSE(third.isVisited());
}

TEST(HyperlinkErrorText, CoversTheKnownCodesAndNamesUnknownOnes)
{
    EXPECT_EQ(mox::hyperlinkErrorText(0), QStringLiteral("The operating system is out\nof memory or resources."));
    EXPECT_EQ(mox::hyperlinkErrorText(31),
              QStringLiteral("There is no application associated\nwith the given filename extension."));
    EXPECT_EQ(mox::hyperlinkErrorText(32), QStringLiteral("The specified dynamic-link library was not found."));
    EXPECT_EQ(mox::hyperlinkErrorText(1), QStringLiteral("Unknown Error (1) occurred."));
    EXPECT_EQ(mox::hyperlinkErrorText(-7), QStringLiteral("Unknown Error (-7) occurred."));
}

// The desktop opener's fallback starts "xdg-open" from PATH with the target
// and turns its exit status into an error code.
TEST(DesktopLinkOpener, FallbackRunsTheOpenerProgramFromPath)
{
    TempDir dir;
    const QString bin = QString::fromStdString(dir.str());
    const QString log = QDir(bin).filePath(QStringLiteral("args.txt"));
    const QString script = QDir(bin).filePath(QStringLiteral("xdg-open"));
    {
        QFile f(script);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > '%1'\nexit \"${MOX_FAKE_EXIT:-0}\"\n").arg(log).toUtf8());
    }
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", bin.toLocal8Bit());

    mox::DesktopLinkOpener opener;
    qputenv("MOX_FAKE_EXIT", "0");
    EXPECT_EQ(opener.openWithFallback(QStringLiteral("http://mox.example.org/a b")), mox::LinkOpener::kOpened);
    {
        QFile f(log);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(QString::fromUtf8(f.readAll()), QStringLiteral("http://mox.example.org/a b"));
    }
    qputenv("MOX_FAKE_EXIT", "2");
    EXPECT_EQ(opener.openWithFallback(QStringLiteral("x")), 2);
    qputenv("MOX_FAKE_EXIT", "3");
    EXPECT_EQ(opener.openWithFallback(QStringLiteral("x")), 31);
    qputenv("MOX_FAKE_EXIT", "4");
    EXPECT_EQ(opener.openWithFallback(QStringLiteral("x")), 4);
    // A target that looks like an option never reaches the program.
    QFile::remove(log);
    qputenv("MOX_FAKE_EXIT", "0");
    EXPECT_EQ(opener.openWithFallback(QStringLiteral("--help")), 2);
    EXPECT_FALSE(QFile::exists(log));

    // Without the program there is no fallback at all.
    qputenv("PATH", QByteArray("/nonexistent"));
    EXPECT_FALSE(opener.openWithFallback(QStringLiteral("x")).has_value());

    qputenv("PATH", oldPath);
    qunsetenv("MOX_FAKE_EXIT");
}
