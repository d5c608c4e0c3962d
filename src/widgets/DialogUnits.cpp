#include "widgets/DialogUnits.h"

#include <QFontMetrics>
#include <QWidget>

namespace mox {

DialogUnits::DialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    average_ =
        (metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 26 + 1) / 2;
    height_ = metrics.height();
}

void DialogUnits::place(QWidget* widget, int left, int top, int width, int height) const
{
    widget->setGeometry(rect(left, top, width, height));
}

} // namespace mox
