#include "learning/LearningWindowInput.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>

#include "language/CharsetCodec.h"
#include "learning/MainWindow.h"
#include "settings/Settings.h"
#include "widgets/AnswerButton.h"
#include "widgets/ColorEdit.h"
#include "widgets/WordListBox.h"

namespace mox {

namespace {

bool isArrow(int key)
{
    return key == Qt::Key_Left || key == Qt::Key_Up || key == Qt::Key_Right || key == Qt::Key_Down;
}

bool isEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

bool shiftHeld()
{
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier)
           || QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier);
}

} // namespace

LearningWindowInput::LearningWindowInput(MainWindow& window, LearningController& controller, Settings& settings)
    : QObject(&window), window_(window), controller_(controller), settings_(settings)
{
    connect(window.variants(), &WordListBox::hovered, this, &LearningWindowInput::onHover);
    connect(window.variants(), &WordListBox::rowPressed, this, &LearningWindowInput::answerWithRow);
}

void LearningWindowInput::watch(QWidget* widget)
{
    widget->installEventFilter(this);
    for (QWidget* child : widget->findChildren<QWidget*>())
        child->installEventFilter(this);
}

void LearningWindowInput::answerFromControl()
{
    if (controller_.engine().list().empty())
        return;
    std::string text;
    if (settings_.currentMode() == Mode::Choice) {
        const int row = window_.variants()->currentRow();
        if (row >= 0 && row < static_cast<int>(window_.variantBytes().size()) && window_.variants()->item(row)->isSelected())
            text = window_.variantBytes()[static_cast<std::size_t>(row)];
    } else {
        const CharsetCodec codec(window_.charSetOf(window_.typingRole()));
        const EncodeResult encoded = codec.encode(window_.typingField()->text());
        if (!encoded.ok) {
            // A character the answer's code page cannot hold can never match:
            // say so instead of judging a changed text.
            settings_.messages().show(refusedCharacterMessage(codec, encoded), MessageIcon::Warning);
            window_.typingField()->setFocus();
            return;
        }
        text = encoded.bytes;
    }
    if (controller_.answer(text))
        window_.focusAnswerControl();
    else
        window_.answerButton()->setFocus();
}

void LearningWindowInput::answerWithRow(int row)
{
    if (controller_.engine().list().empty() || !window_.variants()->hasFocus() || !window_.variants()->isEnabled())
        return;
    if (row < 0 || row >= static_cast<int>(window_.variantBytes().size()))
        return;
    if (controller_.answer(window_.variantBytes()[static_cast<std::size_t>(row)]))
        window_.focusAnswerControl();
    else
        window_.answerButton()->setFocus();
}

bool LearningWindowInput::reverseChoiceInForce() const
{
    const Direction type = settings_.demoType(Mode::Choice);
    return type == Direction::Reverse || (type == Direction::Both && controller_.engine().choiceDirection() == 1);
}

void LearningWindowInput::showHint()
{
    if (!window_.transcriptionLine()->text().isEmpty())
        return;
    const Settings& settings = settings_;
    if (settings.currentMode() == Mode::Choice && window_.variants()->hasFocus() && settings.bShowTranscrSel() != 0
        && reverseChoiceInForce()) {
        const int row = window_.variants()->currentRow();
        if (row < 0 || row >= static_cast<int>(window_.variantBytes().size()) || !window_.variants()->item(row)->isSelected())
            return;
        if (auto hint = controller_.engine().transcriptionFor(window_.variantBytes()[static_cast<std::size_t>(row)], 0))
            window_.setTranscriptionText(*hint);
    } else if (settings.currentMode() == Mode::Typing && settings.bShowTranscrInput() != 0) {
        if (auto hint = controller_.engine().transcriptionFor(window_.promptBytes(), 1))
            window_.setTranscriptionText(*hint);
    }
}

void LearningWindowInput::hideHint()
{
    const Settings& settings = settings_;
    const bool choiceHint = window_.variants()->hasFocus() && settings.bShowTranscrSel() != 0 && settings.currentMode() == Mode::Choice
                            && reverseChoiceInForce();
    const bool typingHint = settings.currentMode() == Mode::Typing && settings.bShowTranscrInput() != 0;
    if (choiceHint || typingHint)
        window_.transcriptionLine()->clear();
}

void LearningWindowInput::onHover(int)
{
    if (settings_.bShowTranscrSel() == 0)
        return;
    hideHint();
    if (shiftDown_ || shiftHeld())
        showHint();
}

bool LearningWindowInput::handleKey(QObject* watched, QKeyEvent* event)
{
    const int key = event->key();
    QWidget* focus = QApplication::focusWidget();
    if (isEnter(key)) {
        if (focus == window_.variants() || focus == window_.typingField()) {
            answerFromControl();
            return true;
        }
        if (focus == window_.answerButton()) {
            controller_.continueAfterWrong();
            return true;
        }
        return false;
    }
    if (key == Qt::Key_Space && focus == window_.answerButton()) {
        if (!event->isAutoRepeat())
            controller_.continueAfterWrong();
        return true;
    }
    if (key == Qt::Key_Shift) {
        shiftDown_ = true;
        showHint();
        return false;
    }
    if (isArrow(key)) {
        // The control moves its selection first; the hint follows it.
        watched->event(event);
        hideHint();
        if (event->modifiers().testFlag(Qt::ShiftModifier))
            showHint();
        return true;
    }
    if (event->modifiers().testFlag(Qt::ControlModifier)) {
        if (key == Qt::Key_Insert) {
            controller_.addWords();
            return true;
        }
        if (key == Qt::Key_Delete) {
            controller_.excludeWord();
            return true;
        }
    }
    if (key == Qt::Key_F1) {
        controller_.openHelp(MainWindow::introTopic());
        return true;
    }
    return false;
}

bool LearningWindowInput::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != &window_)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress:
        return handleKey(watched, static_cast<QKeyEvent*>(event));
    case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Shift && !key->isAutoRepeat()) {
            shiftDown_ = false;
            hideHint();
        }
        return false;
    }
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton)
            showHint();
        return false;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton)
            hideHint();
        return false;
    case QEvent::WindowDeactivate:
        // A Shift released in another window is never reported here.
        if (watched == &window_)
            shiftDown_ = false;
        return false;
    case QEvent::FocusIn:
        if (watched == window_.typingField())
            controller_.applyTypingLayout();
        return false;
    case QEvent::ChildAdded:
        if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child()))
            child->installEventFilter(this);
        return false;
    default:
        return false;
    }
}

} // namespace mox
