#pragma once
#include <QColor>
#include <QLineEdit>

namespace mox {

// A single-line edit field with its own background and text colours; the
// prompt, the typing field and the add-words dialog's fields use it. Until a
// background colour is set the style's colours apply. The right mouse button
// only gives the field the focus: no context menu.
class ColorEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit ColorEdit(QWidget* parent = nullptr);

    void setBackgroundColor(const QColor& color);
    // The system's tooltip background colour.
    void useTooltipBackground();
    void setTextColor(const QColor& color);

    bool hasBackgroundColor() const { return hasBackground_; }
    QColor backgroundColor() const;
    QColor textColor() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool hasBackground_ = false;
};

} // namespace mox
