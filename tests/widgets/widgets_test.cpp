// Drives the shared controls with real mouse events (offscreen platform).
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWidget>

#include "widgets/ColorEdit.h"
#include "widgets/WordListBox.h"

using mox::ColorEdit;
using mox::WordListBox;

namespace {

struct Host {
    explicit Host(const QString& caption)
    {
        window.setWindowTitle(caption);
        window.resize(300, 200);
        list = new WordListBox(&window);
        list->setGeometry(10, 10, 200, 100);
        // Measured before the list was ever shown, as windows do at start.
        list->setRowHeightFromCount(5);
        other = new ColorEdit(&window);
        other->setGeometry(10, 120, 200, 20);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        list->addItems({"one", "two", "three"});
        other->setFocus();
    }
    QPoint rowCentre(int row) const { return list->visualItemRect(list->item(row)).center(); }

    QWidget window;
    WordListBox* list;
    ColorEdit* other;
};

} // namespace

TEST(WordListBox, MouseOverSelectsTakesFocusAndReportsEachNewRowOnce)
{
    Host host("<> Mox!");
    QSignalSpy hovers(host.list, &WordListBox::hovered);
    QTest::mouseMove(host.list->viewport(), host.rowCentre(1));
    EXPECT_EQ(host.list->currentRow(), 1);
    EXPECT_TRUE(host.list->item(1)->isSelected());
    EXPECT_TRUE(host.list->hasFocus());
    ASSERT_EQ(hovers.count(), 1);
    EXPECT_EQ(hovers.at(0).at(0).toInt(), 1);

    // Moving within the same row reports nothing new.
    QTest::mouseMove(host.list->viewport(), host.rowCentre(1) + QPoint(5, 1));
    EXPECT_EQ(hovers.count(), 1);

    QTest::mouseMove(host.list->viewport(), host.rowCentre(2));
    EXPECT_EQ(host.list->currentRow(), 2);
    ASSERT_EQ(hovers.count(), 2);
    EXPECT_EQ(host.list->lastMouseRow(), 2);
    EXPECT_EQ(host.list->selectedText(), "three");

    // Below the last row there is no row: the selection stays.
    QTest::mouseMove(host.list->viewport(), QPoint(20, host.list->viewport()->height() - 2));
    EXPECT_EQ(host.list->currentRow(), 2);
    EXPECT_EQ(hovers.count(), 2);
}

TEST(WordListBox, MouseOverDoesNotSelectInTheAddWordsDialogButAClickDoes)
{
    Host host(WordListBox::addWordsCaption());
    host.list->clearSelection();
    host.list->setCurrentRow(-1);
    QSignalSpy hovers(host.list, &WordListBox::hovered);
    QTest::mouseMove(host.list->viewport(), host.rowCentre(1));
    EXPECT_TRUE(host.list->selectedItems().isEmpty());
    EXPECT_FALSE(host.list->hasFocus());
    EXPECT_EQ(hovers.count(), 0);

    QSignalSpy presses(host.list, &WordListBox::rowPressed);
    QTest::mouseClick(host.list->viewport(), Qt::LeftButton, {}, host.rowCentre(2));
    EXPECT_EQ(host.list->selectedText(), "three");
    ASSERT_EQ(presses.count(), 1);
    EXPECT_EQ(presses.at(0).at(0).toInt(), 2);

    // A press outside any row selects nothing and reports nothing.
    QTest::mouseClick(host.list->viewport(), Qt::LeftButton, {}, QPoint(20, host.list->viewport()->height() - 2));
    EXPECT_EQ(presses.count(), 1);
}

TEST(WordListBox, RowsHaveTheHeightOfTheListDividedByTheRowCountAndDrawTheSelection)
{
    Host host("<> Mox!");
    const int expected = host.list->viewport()->height() / 5;
    EXPECT_EQ(host.list->rowHeight(), expected);
    EXPECT_EQ(host.list->visualItemRect(host.list->item(0)).height(), expected);
    EXPECT_EQ(host.list->visualItemRect(host.list->item(1)).top(), expected);

    host.list->setRowHeightFromCount(0); // never a division by zero
    EXPECT_EQ(host.list->rowHeight(), host.list->viewport()->height());
    host.list->setRowHeightFromCount(5);

    host.list->setCurrentRow(0);
    host.other->setFocus();
    QApplication::processEvents();
    const QImage image = host.list->viewport()->grab().toImage();
    const QRect selected = host.list->visualItemRect(host.list->item(0));
    const QRect plain = host.list->visualItemRect(host.list->item(1));
    EXPECT_EQ(image.pixelColor(selected.right() - 3, selected.center().y()), QColor(230, 230, 230));
    EXPECT_EQ(image.pixelColor(plain.right() - 3, plain.center().y()),
              host.list->palette().color(QPalette::Base));

    host.list->setItemFont(120, 400, 204, "DejaVu Sans");
    EXPECT_EQ(host.list->itemFont(true).weight(), QFont::Bold);
    EXPECT_EQ(host.list->itemFont(false).weight(), QFont::Normal);
    EXPECT_DOUBLE_EQ(host.list->itemFont(false).pointSizeF(), 12.0);
    EXPECT_EQ(host.list->itemCharSet(), 204);
}

TEST(ColorEdit, ColoursPaintAndRightButtonOnlyFocuses)
{
    QWidget window;
    auto* edit = new ColorEdit(&window);
    auto* other = new ColorEdit(&window);
    edit->setGeometry(0, 0, 120, 24);
    other->setGeometry(0, 30, 120, 24);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_FALSE(edit->hasBackgroundColor());

    edit->setBackgroundColor(QColor(10, 120, 200));
    edit->setTextColor(QColor(250, 250, 0));
    EXPECT_TRUE(edit->hasBackgroundColor());
    EXPECT_EQ(edit->textColor(), QColor(250, 250, 0));
    const QImage image = edit->grab().toImage();
    EXPECT_EQ(image.pixelColor(edit->width() / 2, edit->height() / 2), QColor(10, 120, 200));

    edit->useTooltipBackground();
    EXPECT_EQ(edit->backgroundColor(), QToolTip::palette().color(QPalette::ToolTipBase));

    other->setFocus();
    edit->setText("abc");
    edit->selectAll();
    QTest::mouseClick(edit, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_EQ(edit->text(), "abc");
    // No context menu popped up.
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

int main(int argc, char** argv)
{
    // Listing and running the tests needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
