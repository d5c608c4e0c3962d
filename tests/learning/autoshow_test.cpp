#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "learning/AutoShow.h"
#include "platform/fake/FakeActivity.h"
#include "platform/fake/FakeForeground.h"
#include "platform/fake/FakeSleep.h"
#include "platform/fake/FakeTimers.h"
#include "platform/fake/RecordingMessages.h"
#include "settings/Settings.h"

using namespace mox;

namespace {

constexpr WindowRef kSelf = 0x1000;
constexpr WindowRef kEditor = 0x2000;

// The learning window as the showing cycle sees it: a working list held in
// memory (words and answers given) and its copy in the file.
class FakeWindow final : public AutoShowWindow {
public:
    AutoShow* autoShow = nullptr;
    std::vector<std::string> calls;
    bool visible = true; // the window is created visible
    bool wrongShown = false;
    int fileWords = 3, fileAnswers = 0;
    int memoryWords = 3, memoryAnswers = 0;
    int drawable = 0; // words of the dictionary not yet in the list

    void saveList() override
    {
        calls.push_back("saveList");
        fileWords = memoryWords;
        fileAnswers = memoryAnswers;
    }
    void loadList() override
    {
        calls.push_back("loadList");
        memoryWords = fileWords;
        memoryAnswers = fileAnswers;
    }
    bool listEmpty() const override { return memoryWords == 0; }
    void releaseLayouts() override { calls.push_back("releaseLayouts"); }
    bool isVisible() const override { return visible; }
    void showWindow() override
    {
        calls.push_back("showWindow");
        if (!visible) {
            visible = true;
            autoShow->onShown();
        }
    }
    void hideWindow() override
    {
        calls.push_back("hideWindow");
        visible = false;
    }
    void addTrayIcon() override { calls.push_back("addTrayIcon"); }
    void removeTrayIcon() override { calls.push_back("removeTrayIcon"); }
    bool wrongAnswerShown() const override { return wrongShown; }
    void continueAfterWrong() override
    {
        calls.push_back("continueAfterWrong");
        wrongShown = false;
    }
    void resetShowingCounters() override { calls.push_back("resetShowingCounters"); }
    void switchToTyping() override { calls.push_back("switchToTyping"); }
    void topUpAndPresent() override
    {
        calls.push_back("topUpAndPresent");
        // Topping up draws the dictionary's remaining words into the list file.
        memoryWords += drawable;
        fileWords = memoryWords;
        drawable = 0;
    }
    void focusAnswerControl() override { calls.push_back("focusAnswerControl"); }
    WindowRef windowRef() const override { return kSelf; }
    void cancelMode() override { calls.push_back("cancelMode"); }
    bool ownWindowOpen() const override { return ownWindow; }
    bool ownWindow = false;

    int count(const std::string& call) const
    {
        return static_cast<int>(std::count(calls.begin(), calls.end(), call));
    }
};

class AutoShowTest : public ::testing::Test {
protected:
    AutoShowTest() : settings(messages), autoShow(settings, window, timers, activity, foreground, sleep)
    {
        settings.setUiTimer(60000);
        settings.setBAutoShow(1);
        window.autoShow = &autoShow;
        foreground.current = kEditor;
    }

    // Start-up: the window shows for an instant and retreats; returns the
    // clock reading of the retreat.
    std::uint64_t startUp()
    {
        autoShow.onShown();
        timers.advance(AutoShow::kFirstHideMs);
        window.calls.clear();
        return timers.now();
    }

    // Moves the clock until the window is visible or `limit` ms have passed;
    // returns the clock reading.
    std::uint64_t runUntilShown(std::uint64_t limit)
    {
        const std::uint64_t end = timers.now() + limit;
        while (!window.visible && timers.now() < end)
            timers.advance(1);
        return timers.now();
    }

    // The user keeps working: one action every second for `ms` milliseconds.
    void keepBusy(std::uint64_t ms)
    {
        for (std::uint64_t t = 0; t < ms; t += 1000) {
            activity.userActs();
            timers.advance(1000);
        }
    }

    RecordingMessages messages;
    Settings settings;
    FakeWindow window;
    FakeTimers timers;
    FakeActivity activity;
    FakeForeground foreground;
    FakeSleep sleep;
    AutoShow autoShow;
};

TEST_F(AutoShowTest, FirstShowingRetreatsAtOnceAndArmsTheCycle)
{
    autoShow.onShown();
    EXPECT_EQ(window.calls, (std::vector<std::string>{"resetShowingCounters", "focusAnswerControl"}));
    EXPECT_FALSE(autoShow.firstShowing());
    EXPECT_TRUE(timers.isRunning(TimerId::FirstHide));
    EXPECT_EQ(timers.deadline(TimerId::FirstHide), 10u);
    window.calls.clear();

    timers.advance(10);
    EXPECT_FALSE(window.visible);
    EXPECT_EQ(window.calls,
              (std::vector<std::string>{"saveList", "releaseLayouts", "hideWindow", "addTrayIcon"}));
    EXPECT_EQ(autoShow.activeTimer(), AutoShow::kAutoshowTimer);
    EXPECT_EQ(timers.deadline(TimerId::Autoshow), 10u + 60000u);
    EXPECT_TRUE(timers.isRunning(TimerId::Foreground));
    EXPECT_FALSE(timers.isRunning(TimerId::FirstHide));
    EXPECT_FALSE(activity.installed());
}

TEST_F(AutoShowTest, AStartInTheTrayNeverShowsTheWindowAndArmsTheCycle)
{
    autoShow.startInTray();
    EXPECT_FALSE(window.visible);
    EXPECT_EQ(window.calls, (std::vector<std::string>{"resetShowingCounters", "saveList", "releaseLayouts",
                                                      "hideWindow", "addTrayIcon"}));
    EXPECT_FALSE(autoShow.firstShowing());
    EXPECT_FALSE(timers.isRunning(TimerId::FirstHide));
    EXPECT_EQ(autoShow.activeTimer(), AutoShow::kAutoshowTimer);
    EXPECT_EQ(timers.deadline(TimerId::Autoshow), 60000u);
    EXPECT_FALSE(activity.installed());

    // The first showing of the cycle is a real one: it stays up.
    timers.advance(60000 + AutoShow::kActivityCheckMs);
    ASSERT_TRUE(window.visible);
    EXPECT_FALSE(timers.isRunning(TimerId::FirstHide));
    timers.advance(1000);
    EXPECT_TRUE(window.visible);
}

TEST_F(AutoShowTest, QuietUserSeesTheWindowSixtyFiveSecondsAfterHiding)
{
    const auto hiddenAt = startUp();

    timers.advance(60000 - 1);
    EXPECT_FALSE(activity.installed());
    timers.advance(1);
    EXPECT_TRUE(activity.installed()) << "the watch starts with the check";
    EXPECT_EQ(autoShow.activeTimer(), AutoShow::kActivityCheckTimer);

    EXPECT_EQ(runUntilShown(10000), hiddenAt + 65000);
    EXPECT_FALSE(activity.installed());
    EXPECT_EQ(autoShow.activeTimer(), AutoShow::kNoTimer);
    EXPECT_EQ(timers.runningCount(), 0u) << "a showing starts no timer";
    // The list is read before the window comes up, the icon goes after it.
    const std::vector<std::string> expected{"loadList", "showWindow", "resetShowingCounters",
                                            "topUpAndPresent", "focusAnswerControl", "removeTrayIcon"};
    EXPECT_EQ(window.calls, expected);
    // The window took the foreground from the editor and gives it back 10 ms
    // after it hides again.
    EXPECT_EQ(foreground.activations, (std::vector<WindowRef>{kSelf}));
    EXPECT_EQ(autoShow.previousForeground(), kEditor);

    autoShow.hideToTray();
    timers.advance(9);
    EXPECT_EQ(foreground.activations.size(), 1u);
    timers.advance(1);
    EXPECT_EQ(foreground.activations, (std::vector<WindowRef>{kSelf, kEditor}));
    EXPECT_EQ(window.count("cancelMode"), 1);
    EXPECT_FALSE(autoShow.foregroundRemembered());
}

TEST_F(AutoShowTest, NoShowingOverTheProgramsOwnWindowsOnlyAFreshCheckAfterThemClose)
{
    const auto hiddenAt = startUp();
    // The options sheet opens while the window waits hidden.
    window.ownWindow = true;
    EXPECT_EQ(runUntilShown(70000), hiddenAt + 70000) << "nothing comes up while the sheet is open";
    EXPECT_FALSE(window.visible);
    EXPECT_TRUE(autoShow.showingPostponed());
    EXPECT_EQ(window.count("loadList"), 0) << "no list is read under the sheet";
    EXPECT_FALSE(activity.installed());
    EXPECT_EQ(timers.runningCount(), 0u);

    // The sheet closes: the user has just clicked, so five quiet seconds
    // are waited for again before the window comes up.
    window.ownWindow = false;
    const auto closedAt = timers.now();
    autoShow.ownWindowsClosed();
    EXPECT_FALSE(autoShow.showingPostponed());
    EXPECT_TRUE(activity.installed());
    activity.userActs();
    EXPECT_EQ(runUntilShown(20000), closedAt + 10000);
    EXPECT_EQ(window.count("loadList"), 1);

    // Closing the windows without a postponed showing changes nothing.
    autoShow.hideToTray();
    window.calls.clear();
    autoShow.ownWindowsClosed();
    EXPECT_TRUE(window.calls.empty());
    EXPECT_EQ(autoShow.activeTimer(), AutoShow::kAutoshowTimer);
}

TEST_F(AutoShowTest, OneKeyPressPostponesTheShowingByExactlyOneCheck)
{
    const auto hiddenAt = startUp();
    timers.advance(62000);
    activity.userActs();
    EXPECT_TRUE(autoShow.activitySeen());

    EXPECT_EQ(runUntilShown(20000), hiddenAt + 70000);
    EXPECT_EQ(activity.installs, 1) << "the watch stays installed across the repeated check";
    EXPECT_EQ(autoShow.activityRetries(), 0);
    EXPECT_FALSE(autoShow.activitySeen());
}

TEST_F(AutoShowTest, TwelveBusyChecksGiveANewFullInterval)
{
    const auto hiddenAt = startUp();
    timers.advance(60000);
    keepBusy(55000); // eleven busy checks
    EXPECT_EQ(autoShow.activityRetries(), 11);
    EXPECT_TRUE(activity.installed());
    EXPECT_EQ(autoShow.activeTimer(), AutoShow::kActivityCheckTimer);

    keepBusy(5000); // the twelfth
    EXPECT_FALSE(window.visible);
    EXPECT_FALSE(activity.installed());
    EXPECT_EQ(autoShow.activityRetries(), 0);
    EXPECT_FALSE(autoShow.activitySeen());
    EXPECT_EQ(autoShow.activeTimer(), AutoShow::kAutoshowTimer);
    EXPECT_FALSE(timers.isRunning(TimerId::ActivityCheck));
    EXPECT_EQ(timers.deadline(TimerId::Autoshow), hiddenAt + 120000 + 60000);
    EXPECT_EQ(window.count("loadList"), 0) << "giving up never reads the list";

    // Once the user stops, the next showing follows a full interval and one check.
    EXPECT_EQ(runUntilShown(70000), hiddenAt + 120000 + 65000);
}

TEST_F(AutoShowTest, ElevenBusyChecksThenQuietStillShow)
{
    const auto hiddenAt = startUp();
    timers.advance(60000);
    keepBusy(55000);
    EXPECT_EQ(runUntilShown(5000), hiddenAt + 60000 + 60000);
}

TEST_F(AutoShowTest, EmptyListSwitchesAutoshowOffAndStaysHidden)
{
    startUp();
    window.fileWords = 0;
    timers.advance(65000);
    EXPECT_FALSE(window.visible);
    EXPECT_EQ(settings.bAutoShow(), 0);
    EXPECT_FALSE(activity.installed());
    EXPECT_EQ(timers.runningCount(), 0u);
    EXPECT_EQ(window.count("removeTrayIcon"), 0) << "the icon stands for the hidden window";
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(AutoShowTest, EmptyListWithWordsLeftInTheDictionaryIsToppedUpAndShown)
{
    startUp();
    window.fileWords = 0; // a fresh list, or every word of it excluded
    window.drawable = 4;
    EXPECT_EQ(runUntilShown(70000), 10u + 65000u);
    EXPECT_EQ(settings.bAutoShow(), 1);
    EXPECT_EQ(window.fileWords, 4);
    EXPECT_FALSE(activity.installed());
}

TEST_F(AutoShowTest, AutoshowOffStillRunsTheCycleButNeverShows)
{
    settings.setBAutoShow(0);
    startUp();
    EXPECT_TRUE(timers.isRunning(TimerId::Autoshow)) << "the retreat arms the cycle anyway";
    timers.advance(65000);
    EXPECT_FALSE(window.visible);
    EXPECT_EQ(window.count("loadList"), 1);
    EXPECT_FALSE(activity.installed());
    EXPECT_EQ(timers.runningCount(), 0u);
    EXPECT_EQ(settings.bAutoShow(), 0);
}

TEST_F(AutoShowTest, HideToTrayArmsOnlyWithAutoshowOnAndEndsAWrongAnswerFirst)
{
    startUp();
    autoShow.openFromTray();
    ASSERT_TRUE(window.visible);
    EXPECT_FALSE(timers.isRunning(TimerId::Autoshow)) << "opening from the tray stops the interval";

    settings.setBAutoShow(0);
    window.wrongShown = true;
    window.calls.clear();
    autoShow.hideToTray();
    EXPECT_EQ(window.calls, (std::vector<std::string>{"continueAfterWrong", "saveList", "releaseLayouts",
                                                      "hideWindow", "addTrayIcon"}));
    EXPECT_FALSE(timers.isRunning(TimerId::Autoshow));
    EXPECT_TRUE(timers.isRunning(TimerId::Foreground));

    autoShow.openFromTray();
    settings.setBAutoShow(1);
    autoShow.hideToTray();
    EXPECT_EQ(autoShow.activeTimer(), AutoShow::kAutoshowTimer);
    EXPECT_EQ(timers.deadline(TimerId::Autoshow), timers.now() + 60000);
}

TEST_F(AutoShowTest, SleepDuringACheckRemovesTheWatchAndWakeUpStartsAFullInterval)
{
    startUp();
    timers.advance(61000);
    activity.userActs();
    ASSERT_TRUE(activity.installed());

    sleep.emit(PowerEvent::Sleep);
    EXPECT_FALSE(activity.installed());
    EXPECT_EQ(timers.runningCount(), 0u);
    EXPECT_EQ(autoShow.activeTimer(), AutoShow::kActivityCheckTimer) << "activeTimer keeps its value";
    EXPECT_FALSE(autoShow.activitySeen()) << "activity before the sleep does not count after it";

    timers.advance(3600 * 1000); // asleep for an hour: nothing happens
    EXPECT_FALSE(window.visible);
    EXPECT_FALSE(activity.installed());

    sleep.emit(PowerEvent::Wake);
    const auto wokeAt = timers.now();
    EXPECT_EQ(autoShow.activeTimer(), AutoShow::kAutoshowTimer);
    EXPECT_EQ(runUntilShown(70000), wokeAt + 65000);
}

TEST_F(AutoShowTest, SleepWhileWaitingStopsTheIntervalOnly)
{
    startUp();
    timers.advance(30000);
    sleep.emit(PowerEvent::Sleep);
    EXPECT_FALSE(timers.isRunning(TimerId::Autoshow));
    EXPECT_EQ(activity.removes, 0);
    EXPECT_EQ(autoShow.activeTimer(), AutoShow::kAutoshowTimer);
    timers.advance(60000);
    EXPECT_FALSE(activity.installed());

    // Waking up with the window visible arms the cycle too.
    autoShow.openFromTray();
    sleep.emit(PowerEvent::Wake);
    EXPECT_EQ(timers.deadline(TimerId::Autoshow), timers.now() + 60000);
}

TEST_F(AutoShowTest, CheckEndingWhileTheWindowIsVisibleKeepsTheAnswersGiven)
{
    startUp();
    timers.advance(61000); // a check runs
    autoShow.openFromTray();
    ASSERT_TRUE(window.visible);
    ASSERT_TRUE(activity.installed()) << "opening from the tray does not end the check";

    window.memoryAnswers = 7; // answers given in the window
    window.calls.clear();
    timers.advance(5000);
    EXPECT_EQ(window.count("loadList"), 0);
    EXPECT_EQ(window.memoryAnswers, 7);
    EXPECT_FALSE(activity.installed()) << "the quiet check still ends its watch";
    EXPECT_EQ(window.count("showWindow"), 0);
    EXPECT_EQ(window.count("topUpAndPresent"), 0) << "the word on screen stays";
    EXPECT_EQ(settings.bAutoShow(), 1);

    // The same after waking up with the window visible.
    sleep.emit(PowerEvent::Wake);
    window.memoryAnswers = 9;
    timers.advance(65000);
    EXPECT_EQ(window.count("loadList"), 0);
    EXPECT_EQ(window.memoryAnswers, 9);

    // Hiding writes the answers; the next showing reads them back.
    autoShow.hideToTray();
    timers.advance(65000);
    EXPECT_TRUE(window.visible);
    EXPECT_EQ(window.memoryAnswers, 9);
}

TEST_F(AutoShowTest, SleepEndsACheckThatNoLongerOwnsActiveTimer)
{
    startUp();
    timers.advance(61000);
    autoShow.openFromTray(); // activeTimer 0, the check goes on
    autoShow.hideToTray();   // and a new interval is armed beside it
    ASSERT_EQ(autoShow.activeTimer(), AutoShow::kAutoshowTimer);
    ASSERT_TRUE(timers.isRunning(TimerId::ActivityCheck));

    sleep.emit(PowerEvent::Sleep);
    EXPECT_FALSE(activity.installed());
    EXPECT_FALSE(timers.isRunning(TimerId::ActivityCheck));
    EXPECT_FALSE(timers.isRunning(TimerId::Autoshow));
    timers.advance(600000);
    EXPECT_FALSE(window.visible);
}

TEST_F(AutoShowTest, ForegroundHandOverSkipsOwnWindowAndNoWindow)
{
    startUp();
    foreground.current = kSelf; // this window already had the foreground
    autoShow.openFromTray();
    EXPECT_TRUE(foreground.activations.empty());
    autoShow.hideToTray();
    timers.advance(10);
    EXPECT_TRUE(foreground.activations.empty());
    EXPECT_EQ(window.count("cancelMode"), 0);

    foreground.current = kNoWindow;
    autoShow.openFromTray();
    autoShow.hideToTray();
    timers.advance(10);
    EXPECT_TRUE(foreground.activations.empty());

    // A window remembered before a tray click wins over the later foreground.
    foreground.current = kEditor;
    autoShow.rememberForeground();
    foreground.current = 0x3000;
    autoShow.openFromTray();
    EXPECT_EQ(autoShow.previousForeground(), kEditor);
}

TEST_F(AutoShowTest, TypingModeIsSwitchedOnBeforeTheWordIsPresented)
{
    startUp();
    settings.setCurrentMode(Mode::Typing);
    autoShow.openFromTray();
    const auto typing = std::find(window.calls.begin(), window.calls.end(), "switchToTyping");
    const auto present = std::find(window.calls.begin(), window.calls.end(), "topUpAndPresent");
    ASSERT_NE(typing, window.calls.end());
    EXPECT_LT(typing, present);
}

TEST_F(AutoShowTest, TrayAutoshowSwitch)
{
    startUp();
    timers.advance(20000);
    autoShow.toggleAutoShow(); // on -> off
    EXPECT_EQ(settings.bAutoShow(), 0);
    EXPECT_FALSE(timers.isRunning(TimerId::Autoshow));
    EXPECT_EQ(autoShow.activeTimer(), AutoShow::kNoTimer);
    timers.advance(120000);
    EXPECT_FALSE(activity.installed());
    EXPECT_FALSE(window.visible);

    autoShow.toggleAutoShow(); // off -> on: a full interval from now
    EXPECT_EQ(settings.bAutoShow(), 1);
    EXPECT_EQ(autoShow.activeTimer(), AutoShow::kAutoshowTimer);
    const auto switchedAt = timers.now();
    EXPECT_EQ(runUntilShown(70000), switchedAt + 65000);
}

TEST_F(AutoShowTest, DestructionDetachesFromThePorts)
{
    FakeTimers otherTimers;
    FakeActivity otherActivity;
    FakeSleep otherSleep;
    {
        AutoShow local(settings, window, otherTimers, otherActivity, foreground, otherSleep);
        local.retreatWithAutoshow();
        otherTimers.advance(60000);
        ASSERT_TRUE(otherActivity.installed());
    }
    EXPECT_FALSE(otherActivity.installed());
    EXPECT_EQ(otherTimers.runningCount(), 0u);
    EXPECT_FALSE(otherSleep.connected());
    otherActivity.install();
    otherActivity.userActs(); // must not reach the destroyed object
}

} // namespace
