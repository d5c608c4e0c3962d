#pragma once
#include <functional>
#include <memory>

#include <QMessageBox>
#include <QPointer>

class QWidget;

#include "platform/MessagePort.h"

namespace mox {

// Message boxes of the program: the text, its icon and buttons under the
// caption "Mox!" (or "Mox! <> " and the title given), shown modally; returns
// the button the user pressed. Closing the box with Escape or its close box
// answers Cancel (or No where there is no Cancel button).
//
// Each box belongs to the window that raised it: the modal dialog the user is
// working in, else the program's active window, else the default owner while
// it is on screen. The box comes up activated with the keyboard focus on its
// default button, so Enter, Esc, Space and the arrow keys work at once.
class QtMessages final : public MessagePort {
public:
    // defaultOwner: the window boxes belong to when none of the program's
    // windows is active (the learning window, the module's window); none
    // makes such boxes application-modal windows of their own.
    explicit QtMessages(QWidget* defaultOwner = nullptr) : defaultOwner_(defaultOwner) {}

    MessageAnswer show(std::string_view text, MessageIcon icon, MessageButtons buttons = MessageButtons::Ok,
                       std::string_view title = {}) override;

    void setDefaultOwner(QWidget* owner) { defaultOwner_ = owner; }

    // The window a box raised now belongs to, by the rules above; nullptr
    // when none of the program's windows is on screen.
    QWidget* ownerNow() const;

    // The one maker of the program's boxes, for those that do not wait for
    // an answer too (shown with show() or open()): caption, text as plain
    // text, icon, buttons, owner, the escape button, and the arrow keys
    // moving between the buttons.
    static std::unique_ptr<QMessageBox> makeBox(std::string_view text, MessageIcon icon, MessageButtons buttons,
                                                std::string_view title, QWidget* owner);
    // The caption of a box: "Mox!", or "Mox! <> " and its title.
    static QString caption(std::string_view title);

    // While the program ends on a termination signal or with the session, no
    // box may wait for a user who is logging out: each message is written to
    // standard error and handed to `notify` (a tray notification), and the
    // answer is the one of a box closed without a button, at once.
    void setUnattended(std::function<void(const QString& text)> notify);
    void setAttended();
    bool unattended() const { return unattended_; }

    // The mapping to Qt, shared with tests.
    static QMessageBox::Icon qtIcon(MessageIcon icon);
    static QMessageBox::StandardButtons qtButtons(MessageButtons buttons);
    static MessageAnswer answer(QMessageBox::StandardButton pressed, MessageButtons buttons);

private:
    QPointer<QWidget> defaultOwner_;
    bool unattended_ = false;
    std::function<void(const QString&)> notify_;
};

} // namespace mox
