#pragma once
#include <QObject>

class QKeyEvent;
class QWidget;

namespace mox {

class LearningController;
class MainWindow;
class Settings;

// The keyboard and the mouse in the learning window: Enter answers with the
// selected row or the typed text (or moves on after a wrong answer), Space
// moves on, Ctrl+Insert adds words, Ctrl+Delete excludes the word on view,
// F1 opens the help, and the transcription hint follows Shift, the arrows,
// the pointer and the right button. It watches every control of the window.
class LearningWindowInput final : public QObject {
    Q_OBJECT
public:
    LearningWindowInput(MainWindow& window, LearningController& controller, Settings& settings);

    // Watches `widget` and every child it has or gets.
    void watch(QWidget* widget);
    // The answer in the control of the mode in force.
    void answerFromControl();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool handleKey(QObject* watched, QKeyEvent* event);
    void answerWithRow(int row);
    void onHover(int row);
    void showHint();
    void hideHint();
    bool reverseChoiceInForce() const;

    MainWindow& window_;
    LearningController& controller_;
    Settings& settings_;
    // Shift as this window's key events report it (the window system's own
    // state is asked too).
    bool shiftDown_ = false;
};

} // namespace mox
