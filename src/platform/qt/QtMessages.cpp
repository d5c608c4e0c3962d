#include "platform/qt/QtMessages.h"

#include <algorithm>
#include <cstdio>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

namespace mox {

namespace {

// The arrow keys move the focus between a box's buttons in the order they
// stand, around the ends: Left and Up to the one before, Right and Down to
// the one after. (Qt moves it with Left and Right only, and not around.)
class ButtonArrows final : public QObject {
public:
    explicit ButtonArrows(QMessageBox* box) : QObject(box), box_(box) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool back = key == Qt::Key_Left || key == Qt::Key_Up;
        const bool forth = key == Qt::Key_Right || key == Qt::Key_Down;
        if (!back && !forth)
            return false;
        QList<QAbstractButton*> buttons = box_->buttons();
        std::sort(buttons.begin(), buttons.end(), [](QAbstractButton* a, QAbstractButton* b) {
            return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
        });
        const auto at = buttons.indexOf(static_cast<QAbstractButton*>(watched));
        if (at < 0 || buttons.size() < 2)
            return true;
        const auto count = buttons.size();
        buttons.at((at + (back ? count - 1 : 1)) % count)->setFocus(Qt::TabFocusReason);
        return true;
    }

private:
    QMessageBox* box_;
};

// Once on screen a box asks for the activation and comes to the top of its
// owner's windows: a window manager that maps a dialog without focusing it
// (its owner kept on top, say) hands it the keyboard all the same.
class ActivateOnShow final : public QObject {
public:
    explicit ActivateOnShow(QWidget* box) : QObject(box), box_(box) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            QTimer::singleShot(0, box_, [box = box_] {
                box->raise();
                box->activateWindow();
            });
        return false;
    }

private:
    QWidget* box_;
};

// A window that only helps another one (a tool window such as the
// transcription keyboard, a menu) hands its boxes to the window it helps.
QWidget* mainWindowOf(QWidget* window)
{
    while (window != nullptr && window->parentWidget() != nullptr
           && (window->windowType() == Qt::Tool || window->windowType() == Qt::ToolTip
               || window->windowType() == Qt::Popup))
        window = window->parentWidget()->window();
    return window;
}

} // namespace

QMessageBox::Icon QtMessages::qtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Error: return QMessageBox::Critical;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons QtMessages::qtButtons(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::Ok: break;
    }
    return QMessageBox::Ok;
}

MessageAnswer QtMessages::answer(QMessageBox::StandardButton pressed, MessageButtons buttons)
{
    switch (pressed) {
    case QMessageBox::Ok: return MessageAnswer::Ok;
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    case QMessageBox::Cancel: return MessageAnswer::Cancel;
    default: break;
    }
    // Closed without a button: the box's way of saying no.
    switch (buttons) {
    case MessageButtons::Ok: return MessageAnswer::Ok;
    case MessageButtons::YesNo: return MessageAnswer::No;
    case MessageButtons::OkCancel:
    case MessageButtons::YesNoCancel: break;
    }
    return MessageAnswer::Cancel;
}

QString QtMessages::caption(std::string_view title)
{
    if (title.empty())
        return QStringLiteral("Mox!");
    return QStringLiteral("Mox! <> ") + QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()));
}

QWidget* QtMessages::ownerNow() const
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal->isVisible())
        return modal;
    QWidget* active = mainWindowOf(QApplication::activeWindow());
    if (active != nullptr && active->isVisible())
        return active;
    if (defaultOwner_ && defaultOwner_->isVisible())
        return defaultOwner_;
    return nullptr;
}

std::unique_ptr<QMessageBox> QtMessages::makeBox(std::string_view text, MessageIcon icon, MessageButtons buttons,
                                                 std::string_view title, QWidget* owner)
{
    auto box = std::make_unique<QMessageBox>(qtIcon(icon), caption(title),
                                             QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                                             qtButtons(buttons), owner);
    box->setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    box->setTextFormat(Qt::PlainText);
    if (buttons == MessageButtons::YesNo)
        box->setEscapeButton(QMessageBox::No);
    else if (buttons == MessageButtons::Ok)
        box->setEscapeButton(QMessageBox::Ok);
    auto* arrows = new ButtonArrows(box.get());
    for (QAbstractButton* button : box->buttons())
        button->installEventFilter(arrows);
    box->installEventFilter(new ActivateOnShow(box.get()));
    return box;
}

void QtMessages::setUnattended(std::function<void(const QString&)> notify)
{
    unattended_ = true;
    notify_ = std::move(notify);
}

void QtMessages::setAttended()
{
    unattended_ = false;
    notify_ = nullptr;
}

MessageAnswer QtMessages::show(std::string_view text, MessageIcon icon, MessageButtons buttons,
                               std::string_view title)
{
    if (unattended_) {
        std::fprintf(stderr, "Mox!: %.*s\n", static_cast<int>(text.size()), text.data());
        std::fflush(stderr);
        if (notify_)
            notify_(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        return answer(QMessageBox::NoButton, buttons);
    }
    const std::unique_ptr<QMessageBox> box = makeBox(text, icon, buttons, title, ownerNow());
    const auto pressed = static_cast<QMessageBox::StandardButton>(box->exec());
    return answer(pressed, buttons);
}

} // namespace mox
