// Drives the real learning window with keys and the mouse (offscreen), over
// real dictionary and list files and fakes behind the platform ports.
// FakeSleep has a member named like a Qt keyword macro: include it before Qt.
#include "MainWindowFixture.h"

TEST_F(MainWindowTest, StartsWithTheDialogLayoutCreatesMissingFilesAndRetreatsToTheTray)
{
    start(false);
    EXPECT_TRUE(std::filesystem::exists(dictPath()));
    EXPECT_TRUE(std::filesystem::exists(listPath()));
    EXPECT_EQ(window->windowTitle(), "<> Mox!");
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    // The 268 x 162 proportions of the dialog.
    EXPECT_NEAR(double(window->width()) / window->height(), 268.0 / 162.0, 0.08);
    EXPECT_TRUE(tray.shown);
    EXPECT_EQ(learning->autoShow().activeTimer(), AutoShow::kAutoshowTimer);

    // Choice layout; commands whose windows are not supplied are disabled.
    EXPECT_FALSE(window->choiceButton()->isEnabled());
    EXPECT_TRUE(window->typingButton()->isEnabled());
    EXPECT_FALSE(window->typingField()->isVisibleTo(window));
    EXPECT_FALSE(window->typingLabel()->isVisibleTo(window));
    EXPECT_FALSE(window->answerButton()->isVisibleTo(window));
    EXPECT_FALSE(window->addButton()->isEnabled());
    EXPECT_FALSE(window->excludeButton()->isEnabled());
    EXPECT_FALSE(window->optionsButton()->isEnabled());
    EXPECT_FALSE(window->helpButton()->isEnabled());
    EXPECT_FALSE(window->choiceButton()->isDefault());
    EXPECT_FALSE(window->closeButton()->autoDefault());

    // An empty dictionary: opening shows nothing to answer and Enter does nothing.
    openWindow();
    EXPECT_EQ(window->variants()->count(), 0);
    EXPECT_TRUE(window->prompt()->text().isEmpty());
    QTest::keyClick(window->variants(), Qt::Key_Return);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MainWindowTest, EnterInTheVariantsAnswersRightOrShowsTheExpectedAnswerUntilMovingOn)
{
    writeDictionary(kWords);
    dialogs.confirmExclude = [](QWidget*) { return ExcludeAnswer::No; };
    start();
    ASSERT_EQ(window->variants()->count(), 5);
    EXPECT_EQ(window->variants()->currentRow(), 0);
    EXPECT_FALSE(window->prompt()->text().isEmpty());
    EXPECT_TRUE(window->excludeButton()->isEnabled());
    EXPECT_EQ(focus(), window->variants());

    // Right: the next word is presented at once and the list keeps the focus.
    window->variants()->setCurrentRow(correctRow());
    QTest::keyClick(window->variants(), Qt::Key_Return);
    EXPECT_EQ(totalAnswers(), 1u);
    EXPECT_FALSE(window->answerButton()->isVisible());
    EXPECT_EQ(focus(), window->variants());
    EXPECT_EQ(window->variants()->currentRow(), 0);

    // Wrong: the expected answer on the answer button, which takes the focus;
    // the variants are disabled and the transcription line hidden.
    const QString expected = CharsetCodec(204).decode(learning->engine().answer());
    window->variants()->setCurrentRow(wrongRow());
    QTest::keyClick(window->variants(), Qt::Key_Return);
    EXPECT_EQ(totalAnswers(), 2u);
    ASSERT_TRUE(window->answerButton()->isVisible());
    EXPECT_EQ(window->answerButton()->text(), expected);
    EXPECT_TRUE(window->answerButton()->font().bold());
    EXPECT_FALSE(window->variants()->isEnabled());
    EXPECT_FALSE(window->transcriptionLine()->isVisible());
    EXPECT_EQ(focus(), window->answerButton());

    // Enter on the answer button moves on.
    QTest::keyClick(window->answerButton(), Qt::Key_Return);
    EXPECT_FALSE(window->answerButton()->isVisible());
    EXPECT_TRUE(window->variants()->isEnabled());
    EXPECT_TRUE(window->transcriptionLine()->isVisible());
    EXPECT_EQ(focus(), window->variants());
    EXPECT_EQ(totalAnswers(), 2u);

    // Space on the answer button moves on as well.
    window->variants()->setCurrentRow(wrongRow());
    QTest::keyClick(window->variants(), Qt::Key_Enter);
    ASSERT_EQ(focus(), window->answerButton());
    QTest::keyClick(window->answerButton(), Qt::Key_Space);
    EXPECT_FALSE(window->answerButton()->isVisible());
    EXPECT_EQ(focus(), window->variants());
}

TEST_F(MainWindowTest, MouseOverSelectsWithoutAnsweringAndAClickAnswersWithTheClickedRow)
{
    writeDictionary(kWords);
    start();
    QWidget* viewport = window->variants()->viewport();
    QTest::mouseMove(viewport, rowCentre(3));
    EXPECT_EQ(window->variants()->currentRow(), 3);
    QTest::mouseMove(viewport, rowCentre(2));
    EXPECT_EQ(window->variants()->currentRow(), 2);
    EXPECT_EQ(totalAnswers(), 0u);

    const int wrong = wrongRow();
    QTest::mouseMove(viewport, rowCentre(wrong));
    QTest::mouseClick(viewport, Qt::LeftButton, {}, rowCentre(wrong));
    EXPECT_EQ(totalAnswers(), 1u);
    ASSERT_TRUE(window->answerButton()->isVisible());
    EXPECT_EQ(focus(), window->answerButton());

    // A click on the answer button moves on.
    QTest::mouseClick(window->answerButton(), Qt::LeftButton);
    EXPECT_FALSE(window->answerButton()->isVisible());
    EXPECT_TRUE(window->variants()->isEnabled());

    const int right = correctRow();
    QTest::mouseMove(viewport, rowCentre(right));
    QTest::mouseClick(viewport, Qt::LeftButton, {}, rowCentre(right));
    EXPECT_EQ(totalAnswers(), 2u);
    EXPECT_FALSE(window->answerButton()->isVisible());
}

TEST_F(MainWindowTest, TypingModeJudgesTheTypedTextAndRefusesCharactersOutsideTheCodePage)
{
    writeDictionary(kWords);
    settings.setDemoType(Direction::Direct, Mode::Typing); // direct: the answer is the translation (cp1251)
    start();
    QTest::mouseClick(window->typingButton(), Qt::LeftButton);
    EXPECT_EQ(settings.currentMode(), Mode::Typing);
    EXPECT_TRUE(window->typingField()->isVisible());
    EXPECT_TRUE(window->typingLabel()->isVisible());
    EXPECT_FALSE(window->variants()->isVisible());
    EXPECT_FALSE(window->typingButton()->isEnabled());
    EXPECT_TRUE(window->choiceButton()->isEnabled());
    EXPECT_EQ(focus(), window->typingField());

    // Right: the field is emptied and the next word asked.
    const QString answer = CharsetCodec(204).decode(learning->engine().answer());
    window->typingField()->setText(answer);
    QTest::keyClick(window->typingField(), Qt::Key_Return);
    EXPECT_EQ(totalAnswers(), 1u);
    EXPECT_TRUE(window->typingField()->text().isEmpty());
    EXPECT_FALSE(window->answerButton()->isVisible());

    // Wrong: the field keeps the text; the answer button takes the focus and
    // Enter there moves on, emptying the field.
    QTest::keyClicks(window->typingField(), "nonsense");
    QTest::keyClick(window->typingField(), Qt::Key_Return);
    EXPECT_EQ(totalAnswers(), 2u);
    EXPECT_TRUE(window->answerButton()->isVisible());
    EXPECT_EQ(window->typingField()->text(), "nonsense");
    EXPECT_TRUE(window->typingField()->isEnabled());
    EXPECT_EQ(focus(), window->answerButton());
    QTest::keyClick(window->answerButton(), Qt::Key_Return);
    EXPECT_TRUE(window->typingField()->text().isEmpty());
    EXPECT_EQ(focus(), window->typingField());

    // A character cp1251 cannot hold is refused with a message, not judged.
    window->typingField()->setText(QString::fromUtf8("日本"));
    QTest::keyClick(window->typingField(), Qt::Key_Return);
    EXPECT_EQ(totalAnswers(), 2u);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Warning);
    EXPECT_FALSE(window->answerButton()->isVisible());

    // Back to choice.
    QTest::mouseClick(window->choiceButton(), Qt::LeftButton);
    EXPECT_EQ(settings.currentMode(), Mode::Choice);
    EXPECT_TRUE(window->variants()->isVisible());
    EXPECT_FALSE(window->typingField()->isVisible());
    EXPECT_EQ(window->variants()->count(), 5);
}

TEST_F(MainWindowTest, ShiftShowsTheTranscriptionOfTheSelectedRowOnlyInReverseChoice)
{
    writeDictionary(kWords);
    settings.setBShowTranscrSel(1);
    settings.setDemoType(Direction::Reverse, Mode::Choice); // reverse: the rows are words
    start();
    ASSERT_EQ(focus(), window->variants());
    EXPECT_TRUE(window->transcriptionLine()->text().isEmpty());

    auto transcriptionOfRow = [&](int row) {
        const QString word = window->variants()->item(row)->text();
        for (const Word& w : kWords)
            if (word == w.word)
                return "[" + QString(w.transcription) + "]";
        return QString();
    };

    QTest::keyPress(window->variants(), Qt::Key_Shift);
    EXPECT_EQ(window->transcriptionLine()->text(), transcriptionOfRow(0));
    // Shift+Down: the hint follows the newly selected row.
    QTest::keyPress(window->variants(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(window->variants()->currentRow(), 1);
    EXPECT_EQ(window->transcriptionLine()->text(), transcriptionOfRow(1));
    QTest::keyRelease(window->variants(), Qt::Key_Down, Qt::ShiftModifier); // releases Shift too
    EXPECT_TRUE(window->transcriptionLine()->text().isEmpty());
    // An arrow without Shift hides the hint.
    QTest::keyPress(window->variants(), Qt::Key_Shift);
    ASSERT_FALSE(window->transcriptionLine()->text().isEmpty());
    QTest::keyClick(window->variants(), Qt::Key_Up);
    EXPECT_TRUE(window->transcriptionLine()->text().isEmpty());
    QTest::keyRelease(window->variants(), Qt::Key_Shift);
    QTest::keyClick(window->variants(), Qt::Key_Down);

    // With Shift held the hint follows the row the mouse selects.
    QTest::keyPress(window->variants(), Qt::Key_Shift);
    ASSERT_EQ(window->transcriptionLine()->text(), transcriptionOfRow(window->variants()->currentRow()));
    auto moveTo = [&](int row) {
        QWidget* viewport = window->variants()->viewport();
        QMouseEvent move(QEvent::MouseMove, rowCentre(row), viewport->mapToGlobal(rowCentre(row)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
    };
    moveTo(3);
    ASSERT_EQ(window->variants()->currentRow(), 3);
    EXPECT_EQ(window->transcriptionLine()->text(), transcriptionOfRow(3));
    QTest::keyRelease(window->variants(), Qt::Key_Shift);
    EXPECT_TRUE(window->transcriptionLine()->text().isEmpty());
    // Without Shift the mouse only takes the old hint away.
    moveTo(1);
    ASSERT_EQ(window->variants()->currentRow(), 1);
    EXPECT_TRUE(window->transcriptionLine()->text().isEmpty());

    // The right button shows it while held.
    QTest::mousePress(window->variants()->viewport(), Qt::RightButton, {}, rowCentre(1));
    EXPECT_EQ(window->transcriptionLine()->text(), transcriptionOfRow(1));
    QTest::mouseRelease(window->variants()->viewport(), Qt::RightButton, {}, rowCentre(1));
    EXPECT_TRUE(window->transcriptionLine()->text().isEmpty());

    // Direct choice: the line carries the prompt's transcription and Shift
    // changes nothing.
    settings.setDemoType(Direction::Direct, Mode::Choice);
    QTest::mouseClick(window->typingButton(), Qt::LeftButton);
    QTest::mouseClick(window->choiceButton(), Qt::LeftButton);
    const QString shown = window->transcriptionLine()->text();
    EXPECT_FALSE(shown.isEmpty());
    QTest::keyPress(window->variants(), Qt::Key_Shift);
    QTest::keyRelease(window->variants(), Qt::Key_Shift);
    EXPECT_EQ(window->transcriptionLine()->text(), shown);
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
