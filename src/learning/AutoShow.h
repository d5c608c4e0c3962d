#pragma once
#include <cstdint>

#include "platform/ActivityMonitorPort.h"
#include "platform/ForegroundPort.h"
#include "platform/SleepPort.h"
#include "platform/TimerPort.h"

namespace mox {

class Settings;

// What the automatic showing needs of the learning window. MainWindow
// implements it; tests use a recording fake.
class AutoShowWindow {
public:
    virtual ~AutoShowWindow() = default;

    // Writes the working list to its file (the engine's saveList).
    virtual void saveList() = 0;
    // Empties the working list in memory and reads it again from its file.
    virtual void loadList() = 0;
    virtual bool listEmpty() const = 0;
    // Releases both held keyboard layouts (a released handle is forgotten).
    virtual void releaseLayouts() = 0;

    virtual bool isVisible() const = 0;
    // Shows the window in its normal state. When this makes it visible the
    // window calls AutoShow::onShown (from its show notification).
    virtual void showWindow() = 0;
    virtual void hideWindow() = 0;
    virtual void addTrayIcon() = 0;
    virtual void removeTrayIcon() = 0;

    // A wrong answer is being shown on the answer button.
    virtual bool wrongAnswerShown() const = 0;
    // Leaves the wrong-answer state (the engine's continueAfterWrong).
    virtual void continueAfterWrong() = 0;
    // The engine's resetShowingCounters.
    virtual void resetShowingCounters() = 0;
    // Switches to the typing layout (called when currentMode is 1).
    virtual void switchToTyping() = 0;
    // topUpList, presentNext and render. Also called while the window is
    // hidden, when the list read before a showing is empty.
    virtual void topUpAndPresent() = 0;
    // Gives the window the keyboard focus and calls focusAnswerControl.
    virtual void focusAnswerControl() = 0;

    // This window's id on the desktop (kNoWindow while it has none).
    virtual WindowRef windowRef() const = 0;
    // Ends menus and mouse captures of this window (its popups close, a
    // pointer grab is released).
    virtual void cancelMode() = 0;
    // One of the program's own windows is open (the options sheet with its
    // editor and module, the add dialog, the about box): the learning window
    // must not come up over it.
    virtual bool ownWindowOpen() const { return false; }
};

// The timing and visibility logic of the learning window: it hides the window
// to the notification area, brings it up again every uiTimer milliseconds once
// the user has left keyboard and mouse alone for five seconds, hands the
// foreground over and back, and follows the computer's sleep and wake-up.
//
// The constructor registers itself as the handler of the timer, activity and
// sleep ports; the ports and the window must outlive this object.
class AutoShow {
public:
    // activeTimer values.
    static constexpr std::uint32_t kNoTimer = 0;
    static constexpr std::uint32_t kAutoshowTimer = 1;
    static constexpr std::uint32_t kActivityCheckTimer = 3;

    static constexpr std::uint32_t kFirstHideMs = 10;
    static constexpr std::uint32_t kActivityCheckMs = 5000;
    static constexpr std::uint32_t kForegroundMs = 10;
    // Busy checks in a row after which a full interval starts again.
    static constexpr std::int16_t kMaxActivityRetries = 12;

    AutoShow(Settings& settings, AutoShowWindow& window, TimerPort& timers,
             ActivityMonitorPort& activity, ForegroundPort& foreground, SleepPort& sleep);
    ~AutoShow();
    AutoShow(const AutoShow&) = delete;
    AutoShow& operator=(const AutoShow&) = delete;

    // The start: the window is not shown at all; it goes to the notification
    // area at once with the cycle armed, as after the first showing.
    void startInTray();
    // Hides the window and arms the cycle whether or not bAutoShow is on:
    // after the first showing and when the answers since a showing say so.
    void retreatWithAutoshow();
    // The user's hide ("Закрыть", the close message): the cycle is armed
    // only when bAutoShow is on.
    void hideToTray();
    // Each time the window goes from hidden to visible (not when it is only
    // restored from its minimised state).
    void onShown();
    // Gives the foreground back to the window that had it before this one.
    void giveForegroundBack();

    // Notification-area helpers: remember the foreground window before a tray
    // click; open the window from the tray (reload the list, stop the
    // interval, show, remove the icon; a running check goes on); the menu's
    // autoshow switch (the value changes in memory only).
    void rememberForeground();
    void openFromTray();
    void toggleAutoShow();
    // The program's own windows have all closed: a showing they postponed
    // starts over with a fresh check of five quiet seconds.
    void ownWindowsClosed();
    // A check found the user quiet while one of the program's own windows
    // was open; the showing waits for them to close.
    bool showingPostponed() const { return postponed_; }

    // Port events (the constructor connects them; tests may call them too).
    void onTimer(TimerId id);
    void onActivity();
    void onPowerEvent(PowerEvent event);

    std::uint32_t activeTimer() const { return activeTimer_; }
    bool activitySeen() const { return activitySeen_; }
    std::int16_t activityRetries() const { return activityRetries_; }
    bool firstShowing() const { return firstShowing_; }
    bool foregroundRemembered() const { return foregroundRemembered_; }
    WindowRef previousForeground() const { return previousForeground_; }

private:
    void startAutoshowTimer();
    void startActivityCheck();
    void judgeActivity();
    void showIfDue();
    void removeHooks();

    Settings& settings_;
    AutoShowWindow& window_;
    TimerPort& timers_;
    ActivityMonitorPort& activity_;
    ForegroundPort& foreground_;
    SleepPort& sleep_;

    std::uint32_t activeTimer_ = kNoTimer;
    bool activitySeen_ = false;
    bool firstShowing_ = true;
    WindowRef previousForeground_ = kNoWindow;
    bool foregroundRemembered_ = false;
    std::int16_t activityRetries_ = 0;
    bool postponed_ = false;
};

} // namespace mox
