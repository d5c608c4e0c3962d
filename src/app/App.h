#pragma once
#include <functional>
#include <memory>

#include <QObject>
#include <QPointer>

class QWidget;

namespace mox {

class EscapeFilter;
class LogindSleep;
class LearningController;
class QtMessages;
class QtTimerPort;
class Settings;
class SystemClock;
class Termination;
class TrayMenu;
class TranscriptionFont;
class ActivityMonitorPort;
class ForegroundPort;
class LayoutPort;
class InstanceLock;
class ShowRequests;
class OptionsPage;
class DictionarySession;
class TrayHostWatch;

// The application: refuses a second copy, sets up the user's program folder
// and settings on the first run, loads the settings and runs the learning
// window for the life of the process. The process ends through the tray
// menu's exit command, a termination signal (SIGTERM, SIGINT, SIGHUP) or the
// end of the session; each of them writes the working list first. A signal
// or the session's end never waits for the user: the list is written once,
// a failure goes to standard error and the tray, and the program ends.
class App final : public QObject {
    Q_OBJECT
public:
    App();
    ~App() override;

    // The start-up sequence and the run of the learning window; returns the
    // exit code. A second copy returns 0 at once without showing or touching
    // anything; on a desktop without a tray it first asks the running copy
    // to show its learning window.
    int run();

    // Ends the event loop once the window's exit command has done its
    // ending work.
    static void endLoopOnExit(LearningController& window);

    // How long a Wayland session may take to bring up its notification area
    // before the user is told there is none.
    static constexpr int kNoTrayWaitMs = 10000;
    // How long after the icon is made the newcomer's notification comes
    // (a tray places the notification at the icon, once it has embedded it).
    static constexpr int kWelcomeDelayMs = 1500;

private:
    void startWindow();
    void finish();
    // A termination signal or the end of the session: messages go to standard
    // error and the tray instead of boxes while the list is written once.
    void beginUnattended();
    void endOnSignal();
    // The tray icon and its menu, made for the learning window; shown at
    // once when the window is hidden. `exportMenu`: the menu goes to the
    // desktop's tray over D-Bus, which draws it.
    void createTray(bool exportMenu);
    // A first start: a tray notification tells the newcomer that the program
    // waits in the tray, will ask a word every few minutes, and how to open
    // it now.
    void welcomeNewcomer();
    // A Wayland session: the icon comes when a notification area does (at
    // start or later); meanwhile a second start shows the learning window,
    // and the user is told of the missing tray only if none has come
    // kNoTrayWaitMs after start.
    void waitForTray();
    // Without a tray the learning window is reached by starting the program
    // again: this copy listens for a second start; false when it cannot.
    bool listenForSecondStart();
    void tellNoTray(bool listening);
    // The end of the process once the ending work has written the list: the
    // instance lock and the show-request socket are released, the output
    // flushed, and the process ends without tearing down the windows or the
    // application object (Qt 6.4's Wayland plugin can abort in that teardown).
    [[noreturn]] void endProcess(int code);

    // The options sheet, modal; the settings are written when it closes.
    void runOptions(QWidget* owner);

    // Builds the options sheet's Dictionaries page; none: the sheet goes
    // without it.
    std::function<OptionsPage*(QWidget* parent)> makeDictionariesPage_;

    std::unique_ptr<InstanceLock> lock_;
    // The same rule for the user's data folder, across sessions.
    std::unique_ptr<InstanceLock> dataLock_;
    std::unique_ptr<ShowRequests> showRequests_;
    std::unique_ptr<QtMessages> messages_;
    std::unique_ptr<Settings> settings_;
    // The current dictionary with its working list, for every window.
    std::unique_ptr<DictionarySession> session_;
    std::unique_ptr<SystemClock> clock_;
    std::unique_ptr<LayoutPort> layouts_;
    std::unique_ptr<QtTimerPort> timers_;
    std::unique_ptr<ActivityMonitorPort> activity_;
    std::unique_ptr<ForegroundPort> foreground_;
    std::unique_ptr<LogindSleep> sleep_;
    std::unique_ptr<TranscriptionFont> transcriptionFont_;
    std::unique_ptr<LearningController> learning_;
    std::unique_ptr<TrayMenu> tray_;
    std::unique_ptr<EscapeFilter> escape_;
    std::unique_ptr<Termination> termination_;
    std::unique_ptr<TrayHostWatch> trayWatch_;
    QPointer<QWidget> noTrayBox_;
    bool ending_ = false;
    bool notified_ = false;
    // No settings were there at start, and the newcomer is not told yet.
    bool firstStart_ = false;
};

} // namespace mox
