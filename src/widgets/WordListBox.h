#pragma once
#include <QColor>
#include <QFont>
#include <QListWidget>
#include <QString>

namespace mox {

class WordRowDelegate;

// The owner-drawn list of word variants, used by the learning window and the
// add-words dialog. Rows have a fixed height; the selected row is drawn bold on
// a light grey background. While the pointer moves over the list (except in the
// add-words dialog) the row under it becomes the selected row, the list takes
// the focus and `hovered` is emitted whenever that row changes.
class WordListBox : public QListWidget {
    Q_OBJECT
public:
    static constexpr QRgb kSelectedBackground = qRgb(230, 230, 230);  // as WordRowDelegate
    static constexpr QRgb kSelectedText = qRgb(50, 50, 50);
    // The caption of the one window in which the mouse does not select rows.
    static const QString& addWordsCaption();

    explicit WordListBox(QWidget* parent = nullptr);

    // The font description of the rows: size in tenths of a point, weight
    // (400 normal, 700 bold), character set, face. The selected row is always
    // drawn with weight 700.
    void setItemFont(int pointSizeTenths, int weight, int charSet, const QString& face);
    QFont itemFont(bool selected) const;
    int itemCharSet() const;

    // Fixed row height in pixels (at least 1).
    void setRowHeight(int pixels);
    int rowHeight() const;
    // Row height = the list's height divided by `rows` (0 counts as 1).
    void setRowHeightFromCount(unsigned rows);

    // Whether this list takes the answers of its window.
    bool isActiveAnswerControl() const { return activeAnswer_; }
    void setActiveAnswerControl(bool on) { activeAnswer_ = on; }

    // The row last selected by the mouse (-1 before any).
    int lastMouseRow() const { return lastMouseRow_; }

    // The text of the selected row, or the empty text when none is selected.
    QString selectedText() const;

signals:
    // The mouse selected a row other than the one it selected before.
    void hovered(int row);
    // The left button went down on a row (after the list selected it).
    void rowPressed(int row);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool mouseSelects() const;

    WordRowDelegate* rows_ = nullptr;
    bool activeAnswer_ = true;
    int lastMouseRow_ = -1;
};

} // namespace mox
