#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QFont>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include "language/Layouts.h"
#include "learning/AutoShow.h"
#include "learning/LearningCallbacks.h"
#include "learning/LearningEngine.h"
#include "learning/Presentation.h"

class QGroupBox;
class QLabel;
class QToolButton;

namespace mox {

class ColorEdit;
class ClockPort;
class DictionarySession;
class LayoutPort;
class Settings;
class WordListBox;

// The notification-area icon as the learning window sees it: it adds the icon
// whenever it hides and removes it whenever it is shown.
class TrayIconPort {
public:
    virtual ~TrayIconPort() = default;
    virtual void addIcon() = 0;
    virtual void removeIcon() = 0;
};

// The answer button: shows the expected answer after a wrong answer, drawn by
// the program in dark red on the button face (grey when disabled).
class AnswerButton : public QPushButton {
    Q_OBJECT
public:
    static constexpr QRgb kTextColor = qRgb(128, 0, 0);
    static constexpr QRgb kDisabledTextColor = qRgb(192, 192, 192);
    explicit AnswerButton(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
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

// The learning window "<> Mox!": renders the engine's presentations, turns
// keys and clicks into answers, switches between choice ("Выбор") and typing
// ("Ввод"), switches the keyboard layout for typed answers and opens the
// other windows. It stays on top and is hidden most of the time, the tray icon
// standing for it; the automatic showing brings it up.
//
// Record texts are bytes; they are turned into text by the character set of
// the font they are shown in (studied language iForeignCharSet, translation
// iNativeCharSet, transcription iTransCharSet).
class MainWindow : public QWidget, public LearningCallbacks, public AutoShowWindow {
    Q_OBJECT
public:
    static const QString& caption();               // "<> Mox!"
    static const QStringList& ownDialogCaptions(); // the five dialogs of the program
    static const QString& introTopic();            // "::/html_files/intro.html>main"

    // Initialises the window (creates missing dictionary and list files,
    // reads the working list, makes the transcription font available). It is
    // not shown yet: its first show retreats at once to the tray.
    MainWindow(MainWindowPorts ports, MainWindowDialogs dialogs = {}, TrayIconPort* tray = nullptr);
    ~MainWindow() override;

    void setTrayIcon(TrayIconPort* tray) { tray_ = tray; }

    // Shows a presentation.
    void render(const Presentation& presentation) override;
    void switchToChoice();
    void switchToTyping() override;
    // Gives the focus to the answer control; the variants list also selects
    // its first row.
    void focusAnswerControl() override;

    // Commands of the buttons, keys and tray menu.
    void addWords();
    void excludeWord();
    void openOptions();
    void openHelp(const QString& topic = {});
    // The close message (title bar, Alt+F4, Esc anywhere in the program):
    // closes the active dialog of the program, or hides this window.
    void closeMessage();

    // Tray menu commands that keep the window hidden.
    void optionsFromTray();
    void addWordsFromTray();
    void aboutFromTray();

    // Whether one of the program's own dialogs is open.
    bool ownDialogOpen() const;
    // Which commands have their windows.
    const MainWindowDialogs& dialogs() const { return dialogs_; }

    // The ending work: release the keyboard layouts this window loaded,
    // remove the transcription font and write the working list. Runs once;
    // later calls write the list again only when it changed since.
    void endWork();
    // The tray's exit command: removes the icon, does the ending work and
    // reports exitRequested.
    void exitProgram();

    LearningEngine& engine() { return *engine_; }
    AutoShow& autoShow() { return *autoShow_; }
    Settings& settings() { return ports_.settings; }

    // LearningCallbacks
    void showCorrectAnswer(const std::string& answer, FontRole font) override;
    void disableVariants() override;
    void hideTranscriptionLine() override;
    void showTranscriptionLine() override;
    void clearTypedAnswer() override;
    void restoreAfterWrong(std::uint16_t mode) override;
    void retreatWithAutoshow() override;

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

    // The controls, for the program's own tests and the tray.
    WordListBox* variants() const { return variants_; }
    ColorEdit* prompt() const { return prompt_; }
    ColorEdit* typingField() const { return typingField_; }
    AnswerButton* answerButton() const { return answerButton_; }
    QLabel* transcriptionLine() const { return transcriptionLine_; }
    QLabel* statisticsLine() const { return statisticsLine_; }
    QLabel* typingLabel() const { return typingLabel_; }
    QPushButton* choiceButton() const { return choiceButton_; }
    QPushButton* typingButton() const { return typingButton_; }
    QPushButton* closeButton() const { return closeButton_; }
    QToolButton* addButton() const { return addButton_; }
    QToolButton* excludeButton() const { return excludeButton_; }
    QToolButton* optionsButton() const { return optionsButton_; }
    QToolButton* helpButton() const { return helpButton_; }
    LayoutHandle heldStudiedLayout() const { return heldStudiedLayout_; }
    LayoutHandle heldTranslationLayout() const { return heldTranslationLayout_; }

signals:
    // The exit command finished the ending work: the program should end.
    void exitRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void buildControls();
    void layoutControls();
    void watch(QWidget* widget);
    bool handleKey(QObject* watched, QKeyEvent* event);
    void answerFromControl();
    void answerWithRow(int row);
    void onHover(int row);
    void showHint();
    void hideHint();
    bool reverseChoiceInForce() const;
    void applyTypingLayout();
    void setTranscriptionText(const std::string& bytes);
    void reapplyModeLayout();
    void updateExcludeEnabled();
    void updateCommandsEnabled();

    // Runs one of the program's own windows; while any runs no showing comes
    // up, and one they postponed starts over when the last closes.
    template <class Run>
    decltype(auto) runOwnWindow(Run run);
    void ownWindowEnded();

    std::uint8_t charSetOf(FontRole role) const;
    std::string faceOf(FontRole role) const;
    QString decode(const std::string& bytes, std::uint8_t charSet) const;

    MainWindowPorts ports_;
    MainWindowDialogs dialogs_;
    TrayIconPort* tray_;
    KeyboardLayouts layouts_;
    std::unique_ptr<LearningEngine> engine_;
    std::unique_ptr<AutoShow> autoShow_;

    LayoutHandle heldStudiedLayout_ = 0;
    LayoutHandle heldTranslationLayout_ = 0;
    bool ended_ = false;
    bool canExclude_ = false;
    int ownWindows_ = 0;
    // Shift as this window's key events report it (the window system's own
    // state is asked too).
    bool shiftDown_ = false;
    FontRole typingRole_ = FontRole::studiedLanguage;

    // The bytes of what is shown, for answering and the hints.
    std::vector<std::string> variantBytes_;
    std::string promptBytes_;

    QFont promptTextFont_, typingFieldFont_, transcriptionFont_, answerButtonFont_;

    QToolButton* addButton_ = nullptr;
    QToolButton* excludeButton_ = nullptr;
    QPushButton* choiceButton_ = nullptr;
    QPushButton* typingButton_ = nullptr;
    ColorEdit* prompt_ = nullptr;
    QGroupBox* answerFrame_ = nullptr;
    WordListBox* variants_ = nullptr;
    QLabel* typingLabel_ = nullptr;
    ColorEdit* typingField_ = nullptr;
    AnswerButton* answerButton_ = nullptr;
    QLabel* transcriptionLine_ = nullptr;
    QLabel* statisticsLine_ = nullptr;
    QToolButton* optionsButton_ = nullptr;
    QToolButton* helpButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
};

} // namespace mox
