#include "widgets/BitmapButton.h"

#include <algorithm>

#include <QPainter>
#include <QtWidgets/qdrawutil.h>

namespace mox {

BitmapButton::BitmapButton(const QString& caption, const QString& symbol, QSize size, QWidget* parent)
    : QToolButton(parent)
{
    setText(caption);
    setToolTip(caption == "Options" ? QStringLiteral("Опции")
               : caption == "Help"  ? QStringLiteral("Помощь")
                                    : QString());
    setFocusPolicy(Qt::TabFocus);
    up_ = picture(symbol, size, false, true);
    down_ = picture(symbol, size, true, true);
    disabled_ = picture(symbol, size, false, false);
    setFixedSize(size);
}

void BitmapButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, !isEnabled() ? disabled_ : isDown() ? down_ : up_);
}

QPixmap BitmapButton::picture(const QString& symbol, QSize size, bool down, bool enabled) const
{
    // Drawn at the screen's pixel density, so that it stays sharp when the
    // desktop scales the windows.
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(palette().color(QPalette::Button));
    QPainter painter(&pixmap);
    qDrawWinButton(&painter, QRect(QPoint(0, 0), size), palette(), down);
    QFont font = this->font();
    font.setBold(true);
    font.setPixelSize(std::max(8, size.height() - 4));
    painter.setFont(font);
    painter.setPen(enabled ? QColor(0, 0, 128) : QColor(160, 160, 160));
    const QRect area = QRect(QPoint(0, 0), size).adjusted(2, 1, -2, -1).translated(down ? 1 : 0, down ? 1 : 0);
    painter.drawText(area, Qt::AlignCenter, symbol);
    return pixmap;
}

} // namespace mox
