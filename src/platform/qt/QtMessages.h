#pragma once
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

    // The mapping to Qt, shared with tests.
    static QMessageBox::Icon qtIcon(MessageIcon icon);
    static QMessageBox::StandardButtons qtButtons(MessageButtons buttons);
    static MessageAnswer answer(QMessageBox::StandardButton pressed, MessageButtons buttons);

private:
    QWidget* parent_;
};

} // namespace mox
