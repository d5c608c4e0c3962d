#pragma once
#include <functional>

#include <QMessageBox>

#include "platform/MessagePort.h"

class QWidget;

namespace mox {

// Message boxes of the program: the text, its icon and buttons under the
// caption "Mox!" (or the title given), shown modally; returns the button the user pressed. Closing
// the box with Escape or its close box answers Cancel (or No where there is no
// Cancel button).
class QtMessages final : public MessagePort {
public:
    // parent: the window the boxes belong to; none makes them application-modal.
    explicit QtMessages(QWidget* parent = nullptr) : parent_(parent) {}

    MessageAnswer show(std::string_view text, MessageIcon icon, MessageButtons buttons = MessageButtons::Ok,
                       std::string_view title = {}) override;

    void setParent(QWidget* parent) { parent_ = parent; }

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
    QWidget* parent_;
    bool unattended_ = false;
    std::function<void(const QString&)> notify_;
};

} // namespace mox
