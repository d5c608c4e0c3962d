#pragma once
#include <memory>
#include <string>
#include <vector>

#include <QFont>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include "learning/LearningController.h"
#include "learning/Presentation.h"
#include "widgets/AnswerButton.h"

class QGroupBox;
class QLabel;
class QToolButton;

namespace mox {

class ColorEdit;
class LearningWindowInput;
class Settings;
class WordListBox;

// The learning window "<> Mox!": its controls, their layout and drawing. It
// renders the engine's presentations and turns keys and clicks into answers
// and commands, which its LearningController carries out. It stays on top
// and is hidden most of the time, the tray icon standing for it; the
// automatic showing brings it up.
//
// Record texts are bytes; they are turned into text by the character set of
// the font they are shown in (studied language iForeignCharSet, translation
// iNativeCharSet, transcription iTransCharSet).
class MainWindow : public QWidget {
    Q_OBJECT
public:
    static const QString& caption();               // "<> Mox!"
    static const QStringList& ownDialogCaptions(); // the five dialogs of the program
    static const QString& introTopic();            // "::/html_files/intro.html>main"

    MainWindow(LearningController& controller, Settings& settings);
    ~MainWindow() override;

    // Drawing what the controller asks for.
    void render(const Presentation& presentation);
    void showCorrectAnswer(const std::string& answer, FontRole font);
    void disableVariants();
    void hideTranscriptionLine();
    void showTranscriptionLine();
    void clearTypedAnswer();
    void restoreAfterWrong(std::uint16_t mode);
    // The controls of each mode.
    void showChoiceControls();
    void showTypingControls();
    // The number of rows may have changed.
    void applyRowCount();
    // Gives the focus to the answer control; the variants list also selects
    // its first row.
    void focusAnswerControl();
    // Enables the commands whose windows are supplied, and "--" while a word
    // can be excluded.
    void updateCommandsEnabled();
    bool wrongAnswerShown() const;

    // Showing and hiding, safe on every desktop (see FrameSafeHide). A hide
    // still waiting for its moment counts as done.
    bool isShown() const;
    void showWindow();
    void hideWindow();
    // This window's id on the desktop (kNoWindow while it has none).
    WindowRef windowRef() const;
    // Ends this window's menus and mouse captures.
    void cancelMode();

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

    // What is shown, as record bytes, for answering and the hints.
    const std::vector<std::string>& variantBytes() const { return variantBytes_; }
    const std::string& promptBytes() const { return promptBytes_; }
    FontRole typingRole() const { return typingRole_; }
    std::uint8_t charSetOf(FontRole role) const;
    void setTranscriptionText(const std::string& bytes);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void buildControls();
    void layoutControls();
    void updateExcludeEnabled();

    std::string faceOf(FontRole role) const;
    QString decode(const std::string& bytes, std::uint8_t charSet) const;

    LearningController& controller_;
    Settings& settings_;
    bool canExclude_ = false;
    LearningWindowInput* input_ = nullptr;
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
