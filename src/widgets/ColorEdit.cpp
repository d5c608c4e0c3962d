#include "widgets/ColorEdit.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QToolTip>

namespace mox {

ColorEdit::ColorEdit(QWidget* parent) : QLineEdit(parent)
{
    setContextMenuPolicy(Qt::NoContextMenu);
}

void ColorEdit::setBackgroundColor(const QColor& color)
{
    QPalette p = palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(group, QPalette::Base, color);
    setPalette(p);
    hasBackground_ = true;
    update();
}

void ColorEdit::useTooltipBackground()
{
    setBackgroundColor(QToolTip::palette().color(QPalette::ToolTipBase));
}

void ColorEdit::setTextColor(const QColor& color)
{
    QPalette p = palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(group, QPalette::Text, color);
    setPalette(p);
    update();
}

QColor ColorEdit::backgroundColor() const
{
    return palette().color(QPalette::Base);
}

QColor ColorEdit::textColor() const
{
    return palette().color(QPalette::Text);
}

void ColorEdit::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        setFocus(Qt::MouseFocusReason);
        event->accept();
        return;
    }
    QLineEdit::mousePressEvent(event);
}

void ColorEdit::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void ColorEdit::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
}

} // namespace mox
