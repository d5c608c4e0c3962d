#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "FakeLinkOpener.h"
#include "help/AboutBox.h"
#include "help/LinkLabel.h"
#include "help/ProgramIcon.h"
#include "support/OwnProcess.h"
#include "platform/fake/RecordingMessages.h"

using mox::AboutBox;
using mox::LinkLabel;

namespace {

void hover(LinkLabel* label)
{
    const QPoint local = label->rect().center();
    QCursor::setPos(label->mapToGlobal(local));
    QMouseEvent move(QEvent::MouseMove, QPointF(local), QPointF(label->mapToGlobal(local)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(label, &move);
}

} // namespace

TEST(AboutBox, NamesItselfAndHasNoCaptionBar)
{
    FakeLinkOpener opener;
    mox::RecordingMessages messages;
    AboutBox box(messages, opener);
    EXPECT_EQ(box.windowTitle(), QStringLiteral("Mox! <> О программе"));
    EXPECT_FALSE(box.windowFlags() & Qt::WindowTitleHint);
    EXPECT_TRUE(box.windowFlags() & Qt::CustomizeWindowHint);

    // The picture is there, and the window shows the program's name with
    // the version the build was made as.
    bool picture = false, name = false;
    for (QLabel* l : box.findChildren<QLabel*>()) {
        if (!l->pixmap().isNull())
            picture = true;
        if (l->text() == QStringLiteral("Mox! версия " MOX_TEST_PROJECT_VERSION))
            name = true;
    }
    EXPECT_TRUE(picture);
    EXPECT_TRUE(name);

    // Everything lies inside the window.
    for (QWidget* w : box.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(box.rect().contains(w->geometry())) << w->metaObject()->className();

    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    const QRect screen = box.screen()->availableGeometry();
    EXPECT_LE(std::abs(box.frameGeometry().center().x() - screen.center().x()), 2);
    EXPECT_LE(std::abs(box.frameGeometry().center().y() - screen.center().y()), 2);
}

// Made at start, the program's icon and the about box's picture load none of
// the image-format plugins (GIF, ICO, JPEG): the waiting program has no use
// for them.
TEST(ProgramIcon, LoadsNoImageFormatPlugin)
{
    MOX_NEEDS_PROCESS_OF_ITS_OWN();
    const auto imagePluginsMapped = [] {
        QFile maps(QStringLiteral("/proc/self/maps"));
        return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/imageformats/");
    };
    ASSERT_FALSE(imagePluginsMapped());
    const QIcon icon = mox::programIcon();
    for (const QSize& size : icon.availableSizes())
        EXPECT_FALSE(icon.pixmap(size).isNull());
    EXPECT_FALSE(mox::aboutPicture().isNull());
    EXPECT_FALSE(imagePluginsMapped());
}

// One icon for the tray and every window, decoded once per size: each call
// gives the same icon, whose pixmaps are shared, at the sizes trays and title
// bars draw, each one the picture of its size.
TEST(ProgramIcon, IsOneIconAtTheSizesTraysAndWindowsDraw)
{
    const QIcon icon = mox::programIcon();
    EXPECT_EQ(icon.cacheKey(), mox::programIcon().cacheKey());
    EXPECT_EQ(icon.availableSizes(), (QList<QSize>{{16, 16}, {22, 22}, {24, 24}, {32, 32}, {48, 48}, {64, 64}}));
    for (const QSize& size : icon.availableSizes()) {
        const QPixmap pixmap = icon.pixmap(size);
        EXPECT_EQ(pixmap.size(), size);
        EXPECT_EQ(pixmap.toImage(), QImage(QStringLiteral(":/icons/mox-%1.png").arg(size.width())).convertToFormat(pixmap.toImage().format()));
    }
    EXPECT_EQ(mox::programIcon().pixmap(QSize(32, 32)).cacheKey(), icon.pixmap(QSize(32, 32)).cacheKey())
        << "decoded once";
}

TEST(AboutBox, OkEnterAndEscapeClose)
{
    FakeLinkOpener opener;
    mox::RecordingMessages messages;
    {
        AboutBox box(messages, opener);
        auto* ok = box.findChild<QPushButton*>();
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->text(), QStringLiteral("OK"));
        EXPECT_TRUE(ok->isDefault());
        QTimer::singleShot(0, ok, &QPushButton::click);
        EXPECT_EQ(box.exec(), QDialog::Accepted);
    }
    {
        AboutBox box(messages, opener);
        QTimer::singleShot(0, &box, [&] { QTest::keyClick(&box, Qt::Key_Return); });
        EXPECT_EQ(box.exec(), QDialog::Accepted);
    }
    {
        AboutBox box(messages, opener);
        QTimer::singleShot(0, &box, [&] { QTest::keyClick(&box, Qt::Key_Escape); });
        EXPECT_EQ(box.exec(), QDialog::Rejected);
    }
}

TEST(AboutBox, LinksPointAtTheProjectAndStayUnderlined)
{
    FakeLinkOpener opener;
    mox::RecordingMessages messages;
    AboutBox box(messages, opener);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    LinkLabel* mail = box.mailLink();
    LinkLabel* web = box.webLink();

    EXPECT_EQ(mail->text(), QStringLiteral("mox@example.org"));
    EXPECT_TRUE(mail->target().startsWith(QStringLiteral("mailto:mox@example.org?Subject=")));
    EXPECT_TRUE(mail->tipText().startsWith(QStringLiteral("E-mail:mox@example.org?Subject=")));
    EXPECT_EQ(web->target(), QStringLiteral("http://mox.example.org"));
    EXPECT_EQ(web->tipText(), QStringLiteral("Go to mox.example.org"));
    // The labels were fitted to their texts and lie side by side with theirs.
    EXPECT_EQ(mail->size(), mail->sizeHint());
    EXPECT_EQ(web->size(), web->sizeHint());
    for (QLabel* caption : box.findChildren<QLabel*>()) {
        if (caption->text() == QStringLiteral("E-mail: ") || caption->text() == QStringLiteral("Web:")) {
            EXPECT_GE(mail->x(), caption->x() + caption->fontMetrics().horizontalAdvance(caption->text()))
                << "the link must not overlap its caption";
        }
    }
    EXPECT_EQ(mail->x(), web->x());

    for (LinkLabel* link : {mail, web}) {
        EXPECT_EQ(link->underlineMode(), LinkLabel::UnderlineAlways);
        EXPECT_TRUE(link->isUnderlined());
        hover(link);
        EXPECT_TRUE(link->isUnderlined());
        EXPECT_EQ(link->currentColor(), QColor(255, 0, 0));
        QCursor::setPos(box.mapToGlobal(QPoint(2, 2)));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !link->isHovering(); }, 1000));
        EXPECT_TRUE(link->isUnderlined());
        EXPECT_EQ(link->currentColor(), QColor(0, 0, 238));
    }

    // A click opens the mail link through the opener.
    QTest::mouseClick(mail, Qt::LeftButton, Qt::NoModifier, mail->rect().center());
    ASSERT_EQ(opener.desktopTargets.size(), 1);
    EXPECT_EQ(opener.desktopTargets.front(), mail->target());
    EXPECT_TRUE(mail->isVisited());
    EXPECT_FALSE(web->isVisited());
}
