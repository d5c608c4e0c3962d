// Drives the real learning window with keys and the mouse (offscreen), over
// real dictionary and list files and fakes behind the platform ports.
// FakeSleep has a member named like a Qt keyword macro: include it before Qt.
#include "platform/fake/FakeSleep.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <cstring>

#include "language/CharsetCodec.h"
#include "store/Store.h"
#include "learning/LearningController.h"
#include "learning/MainWindow.h"
#include "platform/fake/FakeActivity.h"
#include "platform/fake/FakeForeground.h"
#include "platform/fake/FakeLayoutPort.h"
#include "platform/fake/FakeTimers.h"
#include "platform/fake/FixedClock.h"
#include "platform/fake/RecordingMessages.h"
#include "settings/Settings.h"
#include "store/DictRecord.h"
#include "store/DictionarySession.h"
#include "store/ListRecord.h"
#include "store/RecordText.h"
#include "support/TempDir.h"
#include "widgets/ColorEdit.h"
#include "widgets/WordListBox.h"

using namespace mox;

namespace {

struct FakeTray final : TrayIconPort {
    void addIcon() override
    {
        shown = true;
        ++adds;
    }
    void removeIcon() override
    {
        shown = false;
        ++removes;
    }
    bool shown = false;
    int adds = 0;
    int removes = 0;
};

struct Word {
    const char* word;
    const char* translation; // UTF-8, stored as cp1251
    const char* transcription;
};

const std::vector<Word> kWords = {
    {"cat", "кошка", "kat"},   {"dog", "собака", "dog"},  {"house", "дом", "haus"},
    {"tree", "дерево", "tri:"}, {"water", "вода", "wota"}, {"bread", "хлеб", "bred"},
};

std::string cp1251(const char* utf8)
{
    return CharsetCodec(204).encode(QString::fromUtf8(utf8)).bytes;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir.path() / "voc");
        settings.setAppPath(dir.str());
        settings.setSCurDict("test.dct");
        settings.setSCurList("test.lst");
        settings.setIRowCount(5);
        settings.setISubSetRecCount(10);
        settings.setIExcludeAfter(3);
        settings.setIShowCount(100);
        settings.setIHideAfter(100);
        settings.setIHideState(0);
        settings.setBAutoShow(1);
        settings.setUiTimer(60000);
        settings.setWordFontSize(-10);
        settings.setTransFontSize(-14);
        settings.setSForeignFontFace("DejaVu Sans");
        settings.setSNativeFontFace("DejaVu Sans");
        settings.setSTransFontFace("DejaVu Sans");
        settings.setIForeignCharSet(0);
        settings.setINativeCharSet(204);
        settings.setITransCharSet(2);
        settings.setUiForeignLayout(0x409);
        settings.setUiNativeLayout(0x419);
        settings.setUiTransLayout(0x409);
    }

    void writeDictionary(const std::vector<Word>& words)
    {
        std::vector<unsigned char> bytes;
        for (const Word& w : words) {
            DictRecord r;
            setFieldText(r.word, w.word);
            setFieldText(r.translation, cp1251(w.translation));
            setFieldText(r.transcription, w.transcription);
            const auto* p = reinterpret_cast<const unsigned char*>(&r);
            bytes.insert(bytes.end(), p, p + sizeof r);
        }
        TempDir::writeBytes(dictPath(), bytes);
    }

    std::filesystem::path dictPath() const { return dir.path() / "voc" / "test.dct"; }
    std::filesystem::path listPath() const { return dir.path() / "voc" / "test.lst"; }

    std::vector<ListRecord> listOnDisk() const
    {
        const auto bytes = TempDir::readBytes(listPath());
        std::vector<ListRecord> out(bytes.size() / sizeof(ListRecord));
        if (!out.empty())
            std::memcpy(out.data(), bytes.data(), out.size() * sizeof(ListRecord));
        return out;
    }

    // Builds the window, lets its first showing retreat, then opens it from
    // the tray as the user would.
    void start(bool open = true)
    {
        learning = std::make_unique<LearningController>(
            MainWindowPorts{settings, clock, layouts, timers, activity, foreground, sleep, session}, dialogs, &tray);
        window = &learning->window();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        ASSERT_TRUE(timers.fire(TimerId::FirstHide));
        ASSERT_FALSE(window->QWidget::isVisible());
        if (open)
            openWindow();
    }

    void openWindow()
    {
        learning->autoShow().openFromTray();
        ASSERT_TRUE(window->QWidget::isVisible());
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        // The offscreen platform keeps its focus window across the hide at
        // start-up and so never tells the widgets it is active again.
        if (QApplication::activeWindow() != window)
            QApplication::setActiveWindow(window);
        ASSERT_EQ(QApplication::activeWindow(), window);
        window->focusAnswerControl();
    }

    QWidget* focus() const { return QApplication::focusWidget(); }

    // The row of the variants list that holds the expected answer, or -1.
    int correctRow() const
    {
        const QString answer = CharsetCodec(settings.iNativeCharSet()).decode(learning->engine().answer());
        const QString answerWord = CharsetCodec(settings.iForeignCharSet()).decode(learning->engine().answer());
        for (int i = 0; i < window->variants()->count(); ++i) {
            const QString text = window->variants()->item(i)->text();
            if (text == answer || text == answerWord)
                return i;
        }
        return -1;
    }
    int wrongRow() const
    {
        const int right = correctRow();
        return right == 0 ? 1 : 0;
    }
    QPoint rowCentre(int row) const
    {
        return window->variants()->visualItemRect(window->variants()->item(row)).center();
    }
    std::uint16_t answersOfCurrent() const
    {
        const ListRecord* w = learning->engine().currentWord();
        return w ? w->answers : 0;
    }
    std::uint32_t totalAnswers() const
    {
        std::uint32_t sum = 0;
        for (const auto& r : learning->engine().list())
            sum += r.answers;
        return sum;
    }

    TempDir dir;
    RecordingMessages messages;
    Settings settings{messages};
    FixedClock clock;
    FakeLayoutPort layouts{std::vector<std::string>{"00000419", "00000409"}};
    FakeTimers timers;
    FakeActivity activity;
    FakeForeground foreground;
    FakeSleep sleep;
    FakeTray tray;
    MainWindowDialogs dialogs;
    DictionarySession session{messages};
    std::unique_ptr<LearningController> learning;
    MainWindow* window = nullptr;
};

} // namespace

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

TEST_F(MainWindowTest, TheCloseMessageHidesTheWindowOrClosesTheActiveDialog)
{
    writeDictionary(kWords);
    start();
    const int adds = tray.adds;
    window->close();
    EXPECT_FALSE(window->QWidget::isVisible());
    EXPECT_TRUE(tray.shown);
    EXPECT_EQ(tray.adds, adds + 1);
    EXPECT_EQ(listOnDisk().size(), learning->engine().list().size()); // hiding wrote the list

    // A dialog of the program is active: the close message closes it and
    // leaves the hidden window as it is.
    QWidget sheet;
    sheet.setWindowTitle("Mox! <> Настройки");
    sheet.show();
    sheet.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&sheet));
    EXPECT_TRUE(learning->ownDialogOpen());
    learning->closeMessage();
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_FALSE(learning->ownDialogOpen());
    EXPECT_FALSE(window->QWidget::isVisible());
}

TEST_F(MainWindowTest, TypingSwitchesToTheAnswersLayoutAndChoiceUnloadsOnlyWhatWasLoaded)
{
    writeDictionary(kWords);
    settings.setUiForeignLayout(0x407); // German: not preloaded
    settings.setDemoType(Direction::Reverse, Mode::Typing);         // reverse typing: the answer is a studied word
    start();
    QTest::mouseClick(window->typingButton(), Qt::LeftButton);
    const LayoutHandle german = layouts.loadedHandle("00000407");
    ASSERT_NE(german, 0u);
    EXPECT_EQ(learning->heldStudiedLayout(), german);
    EXPECT_EQ(layouts.active(), german);

    QTest::mouseClick(window->choiceButton(), Qt::LeftButton);
    EXPECT_EQ(learning->heldStudiedLayout(), 0u);
    EXPECT_FALSE(layouts.isLoaded(german));

    // Direct typing activates the preloaded Russian layout without loading it;
    // nothing is ever unloaded for it.
    settings.setDemoType(Direction::Direct, Mode::Typing);
    QTest::mouseClick(window->typingButton(), Qt::LeftButton);
    EXPECT_EQ(layouts.activeLanguage(), 0x419);
    EXPECT_EQ(learning->heldTranslationLayout(), 0u);
    learning->endWork();
    EXPECT_FALSE(layouts.preloadedUnloadAttempted);
}

TEST_F(MainWindowTest, ExcludeAndAddWordsRunTheirDialogsAndTheEndingWorkWritesTheList)
{
    writeDictionary(kWords);
    ExcludeAnswer excludeAnswer = ExcludeAnswer::No;
    int excludeRuns = 0, addRuns = 0, fontRemovals = 0;
    dialogs.confirmExclude = [&](QWidget*) {
        ++excludeRuns;
        return excludeAnswer;
    };
    dialogs.addWords = [&](QWidget*) {
        ++addRuns;
        return true;
    };
    dialogs.removeTranscriptionFont = [&] { ++fontRemovals; };
    start();
    EXPECT_TRUE(window->addButton()->isEnabled());
    const std::size_t before = learning->engine().list().size();

    QTest::keyClick(window->variants(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(excludeRuns, 1);
    EXPECT_EQ(learning->engine().list().size(), before);

    excludeAnswer = ExcludeAnswer::Yes;
    const std::string excluded(fieldView(learning->engine().currentWord()->word));
    QTest::keyClick(window->variants(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(learning->engine().list().size(), before - 1);
    EXPECT_EQ(focus(), window->variants());
    const auto dict = TempDir::readBytes(dictPath());
    bool found = false;
    for (std::size_t off = 0; off + sizeof(DictRecord) <= dict.size(); off += sizeof(DictRecord)) {
        DictRecord r;
        std::memcpy(&r, dict.data() + off, sizeof r);
        if (fieldView(r.word) == excluded) {
            found = true;
            EXPECT_EQ(r.active, 0);
            EXPECT_EQ(r.inList, 0);
        }
    }
    EXPECT_TRUE(found);

    QTest::keyClick(window->variants(), Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(addRuns, 1);

    // Each answer reaches the list file at once.
    window->variants()->setCurrentRow(correctRow());
    QTest::keyClick(window->variants(), Qt::Key_Return);
    const auto answersOnDisk = [&] {
        std::uint32_t sum = 0;
        for (const auto& r : listOnDisk())
            sum += r.answers;
        return sum;
    };
    EXPECT_EQ(answersOnDisk(), 1u);
    // The ending work writes the list once; a second ending (the session's
    // end after a signal, the event loop's end) writes only what changed.
    std::filesystem::remove(listPath());
    learning->endWork();
    EXPECT_EQ(answersOnDisk(), 1u);
    EXPECT_EQ(fontRemovals, 1);
    std::filesystem::remove(listPath());
    learning->endWork();
    EXPECT_EQ(fontRemovals, 1);
    EXPECT_FALSE(std::filesystem::exists(listPath()));
}

TEST_F(MainWindowTest, OptionsEndTheWrongAnswerSaveTheListAndComeBackInTheModeTheSheetChose)
{
    writeDictionary(kWords);
    bool minimisedDuringSheet = false, answerShownDuringSheet = true;
    std::uint32_t answersOnDiskDuringSheet = 0;
    dialogs.options = [&](QWidget*) {
        minimisedDuringSheet = window->isMinimized();
        answerShownDuringSheet = window->answerButton()->isVisibleTo(window);
        for (const auto& r : listOnDisk())
            answersOnDiskDuringSheet += r.answers;
        settings.setCurrentMode(Mode::Typing); // the Method page confirmed typing
    };
    start();
    ASSERT_TRUE(window->optionsButton()->isEnabled());
    window->variants()->setCurrentRow(wrongRow());
    QTest::keyClick(window->variants(), Qt::Key_Return);
    ASSERT_TRUE(window->answerButton()->isVisible());

    QTest::mouseClick(window->optionsButton(), Qt::LeftButton);
    EXPECT_TRUE(minimisedDuringSheet);
    EXPECT_FALSE(answerShownDuringSheet);
    EXPECT_EQ(answersOnDiskDuringSheet, 1u); // written before the sheet opened
    EXPECT_FALSE(window->isMinimized());
    EXPECT_TRUE(window->typingField()->isVisible());
    EXPECT_FALSE(window->variants()->isVisible());
    EXPECT_FALSE(window->prompt()->text().isEmpty());
    EXPECT_EQ(learning->engine().list().size(), listOnDisk().size()); // read again from the file
}

TEST_F(MainWindowTest, WithoutAUsableDictionaryTheWindowTellsOnceAndTouchesNothing)
{
    writeDictionary(kWords);
    std::filesystem::create_directories(dir.path() / "other");
    const auto snapshot = [&] {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path()))
            names.push_back(e.path().lexically_relative(dir.path()).string());
        std::sort(names.begin(), names.end());
        return names;
    };
    const auto dictionaryBefore = TempDir::readBytes(dictPath());

    // A name leading out of the folder: one message naming it, then the
    // window works as without a dictionary; nothing is created anywhere.
    settings.setSCurDict("../other/x.dct");
    settings.setSCurList("../other/x.lst");
    const auto before = snapshot();
    start();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("\"../other/x.dct\""), std::string::npos);
    EXPECT_EQ(window->variants()->count(), 0);
    learning->autoShow().hideToTray();
    learning->endWork();
    EXPECT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(snapshot(), before);
    learning.reset();
    window = nullptr;

    // No dictionary chosen: the path is the folder itself, which is no
    // dictionary, as a missing file is; nothing to tell.
    messages.clear();
    settings.setSCurDict("");
    settings.setSCurList("");
    start();
    learning->autoShow().hideToTray();
    learning.reset();
    window = nullptr;
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(TempDir::readBytes(dictPath()), dictionaryBefore);
}

TEST_F(MainWindowTest, TheStartRemovesWhatASaveCutOffByAKillLeftBehind)
{
    writeDictionary(kWords);
    const pid_t ended = ::fork();
    ASSERT_GE(ended, 0);
    if (ended == 0)
        ::_exit(0);
    ::waitpid(ended, nullptr, 0);
    const auto leftover = dir.path() / "voc" / temporaryFileName(ended, 3);
    TempDir::writeBytes(leftover, {1, 2, 3});
    start(false);
    EXPECT_FALSE(std::filesystem::exists(leftover));
    EXPECT_TRUE(messages.shown.empty());
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
