#include "widgets/WordListBox.h"

#include <algorithm>

#include <QMouseEvent>

#include "widgets/WordRowDelegate.h"

namespace mox {

const QString& WordListBox::addWordsCaption()
{
    static const QString caption = QStringLiteral("Mox! <> Добавление лексики");
    return caption;
}

WordListBox::WordListBox(QWidget* parent) : QListWidget(parent)
{
    rows_ = new WordRowDelegate(this);
    setItemDelegate(rows_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setMouseTracking(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideNone);
}

void WordListBox::setItemFont(int pointSizeTenths, int weight, int charSet, const QString& face)
{
    rows_->setItemFont(pointSizeTenths, weight, charSet, face);
    viewport()->update();
}

QFont WordListBox::itemFont(bool selected) const
{
    return rows_->itemFont(selected);
}

int WordListBox::itemCharSet() const
{
    return rows_->itemCharSet();
}

int WordListBox::rowHeight() const
{
    return rows_->rowHeight();
}

void WordListBox::setRowHeight(int pixels)
{
    rows_->setRowHeight(pixels);
    // Uniform sizes are cached by the view; make it measure again.
    doItemsLayout();
    viewport()->update();
}

void WordListBox::setRowHeightFromCount(unsigned rows)
{
    // The inner height of the list: the viewport is only resized once the
    // list is laid out, while the frame is known from the start.
    const unsigned divisor = rows ? rows : 1;
    const int inner = std::max(0, height() - 2 * frameWidth());
    setRowHeight(static_cast<int>(static_cast<std::uint16_t>(static_cast<unsigned>(inner) / divisor)));
}

QString WordListBox::selectedText() const
{
    const auto items = selectedItems();
    return items.isEmpty() ? QString() : items.front()->text();
}

bool WordListBox::mouseSelects() const
{
    return window()->windowTitle() != addWordsCaption();
}

void WordListBox::mouseMoveEvent(QMouseEvent* event)
{
    QListWidget::mouseMoveEvent(event);
    if (!mouseSelects() || !isEnabled())
        return;
    const int row = indexAt(event->position().toPoint()).row();
    if (row < 0)
        return;
    if (currentRow() != row || !item(row)->isSelected())
        setCurrentRow(row);
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    if (row != lastMouseRow_) {
        lastMouseRow_ = row;
        emit hovered(row);
    }
}

void WordListBox::mousePressEvent(QMouseEvent* event)
{
    QListWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const int row = indexAt(event->position().toPoint()).row();
    if (row >= 0)
        emit rowPressed(row);
}

void WordListBox::mouseReleaseEvent(QMouseEvent* event)
{
    QListWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const int row = indexAt(event->position().toPoint()).row();
    if (row >= 0)
        setCurrentRow(row);
}

void WordListBox::paintEvent(QPaintEvent* event)
{
    QListWidget::paintEvent(event);
    if (count() == 0 && hasFocus())
        WordRowDelegate::paintEmptyFocus(this);
}

} // namespace mox
