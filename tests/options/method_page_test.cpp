// The Method page on the options sheet: the relations between its numbers,
// the mode and its direction, and what a confirmation stores.
#include "OptionsFixture.h"

using namespace mox;

namespace {

TEST_F(OptionsTest, TheMethodPageKeepsTheRelationsWhenAFieldLosesTheFocus)
{
    auto sheet = openSheet(Method);
    auto* list = child<SpinEdit>(sheet.get(), "listSize");
    auto* hide = child<SpinEdit>(sheet.get(), "hideAfter");
    auto* any = child<SpinEdit>(sheet.get(), "showCount");
    EXPECT_EQ(text(list), "30");
    EXPECT_EQ(text(hide), "5");
    EXPECT_EQ(text(any), "10");

    // List size 20, 50 answers of any kind: leaving that field raises the
    // list size to 50.
    typeInto(list, "20");
    typeInto(any, "50");
    hide->setFocus();
    EXPECT_EQ(text(list), "50");
    EXPECT_EQ(text(hide), "5");

    // 5 correct answers and 3 of any kind: leaving either field sets the
    // correct answers to 3.
    typeInto(hide, "5");
    typeInto(any, "3");
    list->setFocus();
    EXPECT_EQ(text(hide), "3");
    typeInto(hide, "5");
    any->setFocus();
    EXPECT_EQ(text(hide), "3");

    // List size 10, 20 of any kind: leaving the list size lowers them to 10.
    typeInto(any, "20");
    typeInto(list, "10");
    hide->setFocus();
    EXPECT_EQ(text(any), "10");
    EXPECT_EQ(text(list), "10");

    // The arrows stay within their range: 1 to 100 for the answers.
    typeInto(any, "100");
    QTest::keyClick(any, Qt::Key_Up);
    EXPECT_EQ(text(any), "100");
    QTest::keyClick(any, Qt::Key_Down);
    EXPECT_EQ(text(any), "99");

    // Clicking "Сворачивать после" applies them too and disables the two fields.
    typeInto(list, "40");
    typeInto(any, "60");
    typeInto(hide, "70");
    click(child<QCheckBox>(sheet.get(), "hideState"));
    EXPECT_EQ(text(list), "60");
    EXPECT_EQ(text(hide), "60");
    EXPECT_FALSE(hide->isEnabled());
    EXPECT_FALSE(any->isEnabled());

    pressOk(*sheet);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(settings.iSubSetRecCount(), 60);
    EXPECT_EQ(settings.iHideAfter(), 60);
    EXPECT_EQ(settings.iShowCount(), 60);
    EXPECT_FALSE(settings.iHideState());
}

TEST_F(OptionsTest, TheModeCheckedAtConfirmationTakesTheDirectionOnView)
{
    auto sheet = openSheet(Method);
    auto* choice = child<QCheckBox>(sheet.get(), "modeChoice");
    auto* typing = child<QCheckBox>(sheet.get(), "modeTyping");
    auto* reverse = child<QRadioButton>(sheet.get(), "direction1");
    EXPECT_TRUE(choice->isChecked());
    EXPECT_FALSE(typing->isChecked());
    EXPECT_TRUE(child<QRadioButton>(sheet.get(), "direction2")->isChecked());

    // "Ввод" clears "Выбор" and shows the typing mode's direction.
    click(typing);
    EXPECT_FALSE(choice->isChecked());
    EXPECT_TRUE(child<QRadioButton>(sheet.get(), "direction0")->isChecked());
    click(reverse);
    EXPECT_TRUE(reverse->isChecked());
    EXPECT_FALSE(child<QRadioButton>(sheet.get(), "direction0")->isChecked());
    // Clicking the checked direction again keeps it checked.
    click(reverse);
    EXPECT_TRUE(reverse->isChecked());

    pressOk(*sheet);
    EXPECT_EQ(settings.iMainRegim(), Mode::Typing);
    EXPECT_EQ(settings.iDemoTypeInput(), Direction::Reverse);
    EXPECT_EQ(settings.iDemoTypeSel(), Direction::Both);
    EXPECT_EQ(settings.currentMode(), Mode::Typing);
}

TEST_F(OptionsTest, TheMethodPageLeavesUntouchedCountsAsTheyAre)
{
    // A list larger than the arrows reach, confirmed without a change.
    settings.setISubSetRecCount(500);
    settings.setIShowCount(10);
    settings.setIHideAfter(2);
    auto sheet = openSheet(Method);
    EXPECT_EQ(text(child<SpinEdit>(sheet.get(), "listSize")), "500");
    pressOk(*sheet);
    EXPECT_EQ(settings.iSubSetRecCount(), 500);
    EXPECT_EQ(settings.iShowCount(), 10);
    EXPECT_EQ(settings.iHideAfter(), 2);

    // Walking through every field with the keyboard changes nothing either,
    // nor does a count beyond the arrows' reach.
    settings.setIShowCount(250);
    sheet = openSheet(Method);
    child<SpinEdit>(sheet.get(), "listSize")->setFocus();
    for (int i = 0; i < 8; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(settings.iSubSetRecCount(), 500);
    EXPECT_EQ(settings.iShowCount(), 250);
    EXPECT_EQ(settings.iHideAfter(), 2);
    EXPECT_EQ(settings.iExcludeAfter(), 3);
}

TEST_F(OptionsTest, TheMethodPageRelatesTheNumbersTypedNotTheirFirstDigits)
{
    settings.setISubSetRecCount(20);
    settings.setIShowCount(10);
    settings.setIHideAfter(2);

    // 250 answers of any kind, confirmed with Enter from the field: the list
    // grows to 250 as the relation says, not to the 25 typed on the way.
    auto sheet = openSheet(Method);
    typeInto(child<SpinEdit>(sheet.get(), "showCount"), "250");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(settings.iShowCount(), 250);
    EXPECT_EQ(settings.iSubSetRecCount(), 250);
    EXPECT_EQ(settings.iHideAfter(), 2);

    // Reopened and confirmed: the correct answers stay at 2.
    sheet = openSheet(Method);
    pressOk(*sheet);
    EXPECT_EQ(settings.iHideAfter(), 2);
    EXPECT_EQ(settings.iShowCount(), 250);

    // Leaving a field with Tab relates what it holds: 40 answers of any kind
    // against a list of 30.
    settings.setISubSetRecCount(30);
    sheet = openSheet(Method);
    auto* any = child<SpinEdit>(sheet.get(), "showCount");
    typeInto(any, "40");
    QTest::keyClick(any, Qt::Key_Tab);
    EXPECT_EQ(text(child<SpinEdit>(sheet.get(), "listSize")), "40");

    // A smaller list typed and confirmed at once with Enter lowers the
    // answers of any kind to it, as leaving the field would.
    typeInto(child<SpinEdit>(sheet.get(), "listSize"), "8");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(settings.iSubSetRecCount(), 8);
    EXPECT_EQ(settings.iShowCount(), 8);
    EXPECT_EQ(settings.iHideAfter(), 2);
}

} // namespace
