#pragma once
#include <QFont>
#include <QRect>

class QWidget;

namespace mox {

// Converts the dialog units of a window's template into pixels with the
// metrics of the window's font: a horizontal unit is a quarter of the average
// character width, a vertical unit an eighth of the character height.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int x(int units) const { return (units * average_ + 2) / 4; }
    int y(int units) const { return (units * height_ + 4) / 8; }
    QRect rect(int left, int top, int width, int height) const
    {
        return {x(left), y(top), x(width), y(height)};
    }
    // Places `widget` at a template position.
    void place(QWidget* widget, int left, int top, int width, int height) const;

private:
    int average_;
    int height_;
};

} // namespace mox
