#pragma once
#include <functional>
#include <memory>
#include <string>

#include <QObject>
#include <QString>

#include "language/Layouts.h"
#include "learning/AutoShow.h"
#include "learning/LearningCallbacks.h"
#include "learning/LearningEngine.h"
#include "learning/Presentation.h"

class QWidget;

namespace mox {

class ClockPort;
class DictionarySession;
class LayoutPort;
class MainWindow;
class Settings;

// The notification-area icon as the learning side sees it: it adds the icon
// whenever the window hides and removes it whenever the window is shown.
class TrayIconPort {
public:
    virtual ~TrayIconPort() = default;
    virtual void addIcon() = 0;
    virtual void removeIcon() = 0;
};

// The answer of the exclude dialog.
enum class ExcludeAnswer { Yes, No, Closed };

// The windows the learning window opens. Each is supplied by the subsystem
// that builds it; a command whose window is not supplied stays disabled (its
// button, its key and its tray menu item).
struct MainWindowDialogs {
    // The add-words dialog, run modally; true when it ended with its close
    // button (the cancel result).
    std::function<bool(QWidget* owner)> addWords;
    // The exclude dialog ("Mox! <> Исключение лексики"), run modally.
    std::function<ExcludeAnswer(QWidget* owner)> confirmExclude;
    // The options sheet ("Mox! <> Настройки"), run modally.
    std::function<void(QWidget* owner)> options;
    // The about box, run modally.
    std::function<void(QWidget* owner)> about;
    // Opens the help file, at `topic` ("::/html_files/intro.html>main") or at
    // its default page when the topic is empty.
    std::function<void(QWidget* owner, const QString& topic)> help;
    // Makes the transcription font available (start) and removes it (end).
    std::function<void()> installTranscriptionFont;
    std::function<void()> removeTranscriptionFont;
};

// The platform behind the learning window.
struct MainWindowPorts {
    Settings& settings;
    ClockPort& clock;
    LayoutPort& layouts;
    TimerPort& timers;
    ActivityMonitorPort& activity;
    ForegroundPort& foreground;
    SleepPort& sleep;
    DictionarySession& session;
};

// What happens behind the learning window "<> Mox!": the engine and its
// presentations, the automatic showing, the modes and the keyboard layout of
// typed answers, the commands of the buttons, keys and tray menu, and the
// ending work. The window itself (controls, layout, drawing, keys) is a
// MainWindow that hands every command here.
class LearningController final : public QObject, public LearningCallbacks, public AutoShowWindow {
    Q_OBJECT
public:
    // Initialises the learning side (creates missing dictionary and list
    // files, reads the working list). The window is built, and the
    // transcription font made available, when the window is first needed:
    // a program waiting in the tray has neither.
    LearningController(MainWindowPorts ports, MainWindowDialogs dialogs = {}, TrayIconPort* tray = nullptr);
    ~LearningController() override;

    void setTrayIcon(TrayIconPort* tray) { tray_ = tray; }

    // The learning window, built now when it is not yet.
    MainWindow& window() { return ensureWindow(); }
    bool windowBuilt() const { return window_ != nullptr; }
    LearningEngine& engine() { return *engine_; }
    AutoShow& autoShow() { return *autoShow_; }
    Settings& settings() { return ports_.settings; }
    // Which commands have their windows.
    const MainWindowDialogs& dialogs() const { return dialogs_; }

    // ---- commands of the buttons, keys and tray menu
    void addWords();
    void excludeWord();
    void openOptions();
    void openHelp(const QString& topic = {});
    // The close message (title bar, Alt+F4, Esc anywhere in the program):
    // closes the active dialog of the program, or hides the window.
    void closeMessage();
    // Tray menu commands that keep the window hidden.
    void optionsFromTray();
    void addWordsFromTray();
    void aboutFromTray();
    // Whether one of the program's own dialogs is open.
    bool ownDialogOpen() const;
    // "Выбор" and "Ввод": the mode, its direction and layouts, then the
    // window's controls.
    void switchToChoice();
    // Judges an answer (record bytes); true when it was right.
    bool answer(const std::string& text);
    // The typing field took the focus in the active learning window: the
    // layout of the language the answer is typed in.
    void applyTypingLayout();
    // The window came up (not a restore from the minimised state).
    void windowShown();

    // The ending work: release the keyboard layouts the window loaded,
    // remove the transcription font and write the working list. Runs once;
    // later calls write the list again only when it changed since.
    void endWork();
    // The tray's exit command: removes the icon, does the ending work and
    // reports exitRequested.
    void exitProgram();

    LayoutHandle heldStudiedLayout() const { return heldStudiedLayout_; }
    LayoutHandle heldTranslationLayout() const { return heldTranslationLayout_; }

    // LearningCallbacks
    void render(const Presentation& presentation) override;
    void showCorrectAnswer(const std::string& answer, FontRole font) override;
    void disableVariants() override;
    void hideTranscriptionLine() override;
    void showTranscriptionLine() override;
    void clearTypedAnswer() override;
    void restoreAfterWrong(std::uint16_t mode) override;
    void retreatWithAutoshow() override;
    void switchToTyping() override;
    void focusAnswerControl() override;

    // AutoShowWindow
    void saveList() override;
    void loadList() override;
    bool listEmpty() const override;
    void releaseLayouts() override;
    bool isVisible() const override;
    void showWindow() override;
    void hideWindow() override;
    void addTrayIcon() override;
    void removeTrayIcon() override;
    bool wrongAnswerShown() const override;
    void continueAfterWrong() override;
    void resetShowingCounters() override;
    void topUpAndPresent() override;
    WindowRef windowRef() const override;
    void cancelMode() override;
    bool ownWindowOpen() const override;

signals:
    // The exit command finished the ending work: the program should end.
    void exitRequested();
    // The learning window has just been built (hidden).
    void windowCreated(QWidget* window);

private:
    MainWindow& ensureWindow();
    void reapplyModeLayout();
    // Runs one of the program's own windows; while any runs no showing comes
    // up, and one they postponed starts over when the last closes.
    template <class Run>
    decltype(auto) runOwnWindow(Run run);
    void ownWindowEnded();

    MainWindowPorts ports_;
    MainWindowDialogs dialogs_;
    TrayIconPort* tray_;
    KeyboardLayouts layouts_;
    std::unique_ptr<LearningEngine> engine_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<AutoShow> autoShow_;

    LayoutHandle heldStudiedLayout_ = 0;
    LayoutHandle heldTranslationLayout_ = 0;
    bool ended_ = false;
    int ownWindows_ = 0;
};

} // namespace mox
