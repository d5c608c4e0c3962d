#include "platform/qt/QtMessages.h"

#include <QWidget>

#include <cstdio>

namespace mox {

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
    const QString caption = title.empty() ? QStringLiteral("Mox!")
                                          : QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()));
    QMessageBox box(qtIcon(icon), caption,
                    QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), qtButtons(buttons),
                    parent_);
    box.setWindowModality(parent_ ? Qt::WindowModal : Qt::ApplicationModal);
    box.setTextFormat(Qt::PlainText);
    if (buttons == MessageButtons::YesNo)
        box.setEscapeButton(QMessageBox::No);
    else if (buttons == MessageButtons::Ok)
        box.setEscapeButton(QMessageBox::Ok);
    const auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    return answer(pressed, buttons);
}

} // namespace mox
