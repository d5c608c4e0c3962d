// The learning window's commands, layouts and start: the close message, the
// add and exclude dialogs, the options sheet, a start without a usable
// dictionary (offscreen, over real files).
#include "MainWindowFixture.h"

namespace {

// The same fixture, in a suite of its own (a fixture of another translation
// unit is another class).
class MainWindowCommandsTest : public MainWindowTest {};
} // namespace
TEST_F(MainWindowCommandsTest, TheCloseMessageHidesTheWindowOrClosesTheActiveDialog)
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

TEST_F(MainWindowCommandsTest, TypingSwitchesToTheAnswersLayoutAndChoiceUnloadsOnlyWhatWasLoaded)
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

TEST_F(MainWindowCommandsTest, ExcludeAndAddWordsRunTheirDialogsAndTheEndingWorkWritesTheList)
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

TEST_F(MainWindowCommandsTest, OptionsEndTheWrongAnswerSaveTheListAndComeBackInTheModeTheSheetChose)
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

TEST_F(MainWindowCommandsTest, WithoutAUsableDictionaryTheWindowTellsOnceAndTouchesNothing)
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

TEST_F(MainWindowCommandsTest, TheStartRemovesWhatASaveCutOffByAKillLeftBehind)
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


TEST_F(MainWindowCommandsTest, TheStartWaitsInTheTrayWithoutAWindowWhichTheFirstShowingBuilds)
{
    writeDictionary(kWords);
    settings.setIMainRegim(Mode::Typing);
    int fontInstalls = 0;
    dialogs.installTranscriptionFont = [&] { ++fontInstalls; };
    learning = std::make_unique<LearningController>(
        MainWindowPorts{settings, clock, layouts, timers, activity, foreground, sleep, session}, dialogs, &tray);
    QWidget* created = nullptr;
    QObject::connect(learning.get(), &LearningController::windowCreated, [&](QWidget* w) { created = w; });
    learning->autoShow().startInTray();
    EXPECT_TRUE(tray.shown);
    EXPECT_EQ(learning->autoShow().activeTimer(), AutoShow::kAutoshowTimer);
    EXPECT_FALSE(learning->windowBuilt());
    EXPECT_EQ(fontInstalls, 0);
    for (const QWidget* top : QApplication::topLevelWidgets())
        EXPECT_NE(top->windowTitle(), MainWindow::caption());
    EXPECT_TRUE(std::filesystem::exists(listPath())) << "the learning side is set up at start all the same";

    // The tray's click: the window is built, in the mode of the settings, with a word to answer.
    learning->autoShow().openFromTray();
    ASSERT_TRUE(learning->windowBuilt());
    window = &learning->window();
    EXPECT_EQ(created, window);
    EXPECT_EQ(fontInstalls, 1);
    EXPECT_TRUE(window->QWidget::isVisible());
    EXPECT_FALSE(tray.shown);
    EXPECT_FALSE(window->prompt()->text().isEmpty());
    EXPECT_TRUE(window->typingField()->isVisibleTo(window));
    EXPECT_TRUE(window->choiceButton()->isEnabled());

    // Hidden again and shown again: the same window, the font made once.
    learning->closeMessage();
    EXPECT_FALSE(window->QWidget::isVisible());
    learning->autoShow().openFromTray();
    EXPECT_EQ(&learning->window(), window);
    EXPECT_EQ(fontInstalls, 1);
    EXPECT_TRUE(messages.shown.empty());
}
