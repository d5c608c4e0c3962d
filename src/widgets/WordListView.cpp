#include "widgets/WordListView.h"

#include <QItemSelectionModel>

#include "widgets/WordRowDelegate.h"

namespace mox {

WordListView::WordListView(QWidget* parent) : QListView(parent)
{
    rows_ = new WordRowDelegate(this);
    setItemDelegate(rows_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // One row height for all rows: the view never measures the rows one by one.
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideNone);
}

void WordListView::setItemFont(int pointSizeTenths, int weight, int charSet, const QString& face)
{
    rows_->setItemFont(pointSizeTenths, weight, charSet, face);
    viewport()->update();
}

QFont WordListView::itemFont(bool selected) const
{
    return rows_->itemFont(selected);
}

void WordListView::setRowHeight(int pixels)
{
    rows_->setRowHeight(pixels);
    doItemsLayout();
    viewport()->update();
}

int WordListView::rowHeight() const
{
    return rows_->rowHeight();
}

void WordListView::selectRow(int row)
{
    if (model() == nullptr)
        return;
    const QModelIndex index = model()->index(row, 0);
    if (!index.isValid()) {
        selectionModel()->clearSelection();
        return;
    }
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}

int WordListView::selectedRow() const
{
    if (selectionModel() == nullptr)
        return -1;
    const QModelIndexList rows = selectionModel()->selectedIndexes();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void WordListView::paintEvent(QPaintEvent* event)
{
    QListView::paintEvent(event);
    if ((model() == nullptr || model()->rowCount() == 0) && hasFocus())
        WordRowDelegate::paintEmptyFocus(this);
}

} // namespace mox
