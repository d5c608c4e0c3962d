#pragma once
#include <QFont>
#include <QString>
#include <QStyledItemDelegate>

class QAbstractItemView;

namespace mox {

// The drawing of the word lists (WordListBox and WordListView): rows of a
// fixed height, text in one line vertically centred and inset by 2 pixels
// horizontally and 1 vertically, the selected row bold in dark grey on light
// grey, and the focus rectangle around the focused row.
class WordRowDelegate final : public QStyledItemDelegate {
public:
    static constexpr QRgb kSelectedBackground = qRgb(230, 230, 230);
    static constexpr QRgb kSelectedText = qRgb(50, 50, 50);

    explicit WordRowDelegate(QAbstractItemView* view);

    // The font description of the rows: size in tenths of a point, weight
    // (400 normal, 700 bold), character set, face. The selected row is always
    // drawn with weight 700.
    void setItemFont(int pointSizeTenths, int weight, int charSet, const QString& face);
    QFont itemFont(bool selected) const;
    int itemCharSet() const { return charSet_; }

    void setRowHeight(int pixels) { rowHeight_ = pixels > 0 ? pixels : 1; }
    int rowHeight() const { return rowHeight_; }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // An empty list that has the focus draws only the focus rectangle, inset by 1.
    static void paintEmptyFocus(QAbstractItemView* view);

private:
    QAbstractItemView* view_;
    int pointSizeTenths_ = 100;
    int weight_ = 400;
    int charSet_ = 0;
    QString face_;
    int rowHeight_ = 16;
};

} // namespace mox
