#include "widgets/AnswerButton.h"

#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QtWidgets/qdrawutil.h>

namespace mox {

AnswerButton::AnswerButton(QWidget* parent) : QPushButton(parent)
{
    setAutoDefault(false);
    setDefault(false);
}

void AnswerButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    qDrawWinButton(&painter, rect(), palette(), isDown());
    painter.setFont(font());
    painter.setPen(isEnabled() ? QColor(kTextColor) : QColor(kDisabledTextColor));
    painter.drawText(rect().adjusted(3, 2, -3, -2), Qt::AlignCenter | Qt::TextSingleLine, text());
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

} // namespace mox
