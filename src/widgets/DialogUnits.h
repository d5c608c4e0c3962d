#pragma once
#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <QString>

namespace mox {

// Converts a window's layout units into pixels of its font: a horizontal unit
// is a quarter of the average letter width, a vertical unit an eighth of the
// letter height, so the window keeps its proportions with any font.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font)
    {
        const QFontMetrics metrics(font);
        const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        average_ = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
        height_ = metrics.height();
    }
    int x(int units) const { return (units * average_ + 2) / 4; }
    int y(int units) const { return (units * height_ + 4) / 8; }
    QRect rect(int left, int top, int width, int height) const
    {
        return QRect(x(left), y(top), x(width), y(height));
    }

private:
    int average_ = 6;
    int height_ = 13;
};

} // namespace mox
