#include "learning/AutoShow.h"

#include "settings/Settings.h"

namespace mox {

AutoShow::AutoShow(Settings& settings, AutoShowWindow& window, TimerPort& timers,
                   ActivityMonitorPort& activity, ForegroundPort& foreground, SleepPort& sleep)
    : settings_(settings), window_(window), timers_(timers), activity_(activity),
      foreground_(foreground), sleep_(sleep)
{
    timers_.setExpiryHandler([this](TimerId id) { onTimer(id); });
    activity_.setActivityHandler([this] { onActivity(); });
    sleep_.setPowerHandler([this](PowerEvent event) { onPowerEvent(event); });
}

AutoShow::~AutoShow()
{
    // Leave no timer, handler or keyboard and mouse watch pointing at a dead object.
    for (TimerId id : {TimerId::Autoshow, TimerId::FirstHide, TimerId::ActivityCheck, TimerId::Foreground})
        timers_.stop(id);
    activity_.remove();
    timers_.setExpiryHandler({});
    activity_.setActivityHandler({});
    sleep_.setPowerHandler({});
}

void AutoShow::startAutoshowTimer()
{
    activeTimer_ = kAutoshowTimer;
    timers_.start(TimerId::Autoshow, settings_.uiTimer());
}

void AutoShow::startActivityCheck()
{
    activeTimer_ = kActivityCheckTimer;
    timers_.start(TimerId::ActivityCheck, kActivityCheckMs);
}

void AutoShow::removeHooks()
{
    activity_.remove();
}

void AutoShow::startInTray()
{
    // A window that is up for an instant only flickers, and a hide right
    // after the first paint is where Qt's Wayland plugin can trip over its
    // own frame callback.
    firstShowing_ = false;
    window_.resetShowingCounters();
    retreatWithAutoshow();
}

void AutoShow::retreatWithAutoshow()
{
    window_.saveList();
    window_.releaseLayouts();
    startAutoshowTimer();
    window_.hideWindow();
    window_.addTrayIcon();
    timers_.start(TimerId::Foreground, kForegroundMs);
}

void AutoShow::hideToTray()
{
    if (settings_.bAutoShow() != 0)
        startAutoshowTimer();
    if (window_.wrongAnswerShown())
        window_.continueAfterWrong();
    window_.saveList();
    window_.releaseLayouts();
    window_.hideWindow();
    window_.addTrayIcon();
    timers_.start(TimerId::Foreground, kForegroundMs);
}

void AutoShow::onTimer(TimerId id)
{
    switch (id) {
    case TimerId::Autoshow:
        activeTimer_ = kNoTimer;
        timers_.stop(TimerId::Autoshow);
        startActivityCheck();
        activity_.install();
        break;
    case TimerId::FirstHide:
        timers_.stop(TimerId::FirstHide);
        retreatWithAutoshow();
        break;
    case TimerId::ActivityCheck:
        activeTimer_ = kNoTimer;
        timers_.stop(TimerId::ActivityCheck);
        judgeActivity();
        break;
    case TimerId::Foreground:
        timers_.stop(TimerId::Foreground);
        giveForegroundBack();
        break;
    }
}

void AutoShow::onActivity()
{
    activitySeen_ = true;
}

void AutoShow::judgeActivity()
{
    if (!activitySeen_) {
        // Five quiet seconds.
        removeHooks();
        activityRetries_ = 0;
        if (window_.ownWindowOpen()) {
            // Never over the program's own windows: their input would go to
            // a window hidden behind this one, and a list read now could
            // belong to a dictionary about to be left.
            postponed_ = true;
            return;
        }
        showIfDue();
        return;
    }
    ++activityRetries_;
    if (activityRetries_ < kMaxActivityRetries) {
        // Still busy: look again for five seconds; the watch stays installed.
        startActivityCheck();
        activitySeen_ = false;
    } else {
        // Busy for a whole minute: wait a full interval again.
        activityRetries_ = 0;
        removeHooks();
        startAutoshowTimer();
        activitySeen_ = false;
    }
}

void AutoShow::showIfDue()
{
    // A window that is already up holds the master copy of the list, with the
    // answers given since it appeared; reading the file would drop them.
    const bool visible = window_.isVisible();
    if (!visible) {
        window_.loadList();
        // An empty list is only the end of learning when the dictionary has
        // no word left to draw into it: a fresh list, or one whose words were
        // all excluded, is topped up by the showing itself.
        if (window_.listEmpty())
            window_.topUpAndPresent();
    }
    const bool empty = window_.listEmpty();
    if (settings_.bAutoShow() != 0 && !empty) {
        removeHooks();
        if (!visible) {
            window_.showWindow();
            window_.removeTrayIcon();
        }
    } else if (empty) {
        settings_.setBAutoShow(0);
    }
    // No timer is started: a cycle that does not show the window ends here.
}

void AutoShow::onShown()
{
    window_.resetShowingCounters();
    if (firstShowing_) {
        // At start-up the window is up for an instant and then retreats.
        timers_.start(TimerId::FirstHide, kFirstHideMs);
        firstShowing_ = false;
        window_.focusAnswerControl();
        return;
    }
    if (settings_.currentMode() == Mode::Typing)
        window_.switchToTyping();
    window_.topUpAndPresent();
    rememberForeground();
    const WindowRef self = window_.windowRef();
    if (previousForeground_ != kNoWindow && previousForeground_ != self) {
        // The other program's menus and pointer grabs end when the window
        // manager moves the focus away from it.
        foreground_.activate(self);
    }
    window_.focusAnswerControl();
}

void AutoShow::rememberForeground()
{
    if (!foregroundRemembered_) {
        previousForeground_ = foreground_.foreground();
        foregroundRemembered_ = true;
    }
}

void AutoShow::giveForegroundBack()
{
    if (previousForeground_ != kNoWindow && previousForeground_ != window_.windowRef()) {
        window_.cancelMode();
        foreground_.activate(previousForeground_);
    }
    previousForeground_ = kNoWindow;
    foregroundRemembered_ = false;
}

void AutoShow::openFromTray()
{
    window_.loadList();
    activeTimer_ = kNoTimer;
    timers_.stop(TimerId::Autoshow);
    window_.showWindow();
    window_.removeTrayIcon();
}

void AutoShow::ownWindowsClosed()
{
    if (!postponed_)
        return;
    postponed_ = false;
    if (window_.isVisible())
        return;
    activitySeen_ = false;
    startActivityCheck();
    activity_.install();
}

void AutoShow::toggleAutoShow()
{
    startAutoshowTimer();
    if (settings_.bAutoShow() == 0) {
        // The interval runs from now.
        settings_.setBAutoShow(1);
        startAutoshowTimer();
    } else if (settings_.bAutoShow() == 1) {
        settings_.setBAutoShow(0);
        activeTimer_ = kNoTimer;
        timers_.stop(TimerId::Autoshow);
    }
    giveForegroundBack();
}

void AutoShow::onPowerEvent(PowerEvent event)
{
    switch (event) {
    case PowerEvent::Sleep: {
        // Every running part of the cycle stops, even when activeTimer no
        // longer names it (a check goes on after the window was opened from
        // the tray, and a new interval may have been armed beside it). A check
        // cut short by the sleep ends completely: its watch is removed and
        // what it had seen is forgotten. activeTimer keeps its value.
        const bool checking = activeTimer_ == kActivityCheckTimer || timers_.isRunning(TimerId::ActivityCheck);
        timers_.stop(TimerId::Autoshow);
        timers_.stop(TimerId::ActivityCheck);
        if (checking) {
            removeHooks();
            activitySeen_ = false;
            activityRetries_ = 0;
        }
        break;
    }
    case PowerEvent::Wake:
        startAutoshowTimer();
        break;
    }
}

} // namespace mox
