#include "widgets/WordListBox.h"

#include <algorithm>

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QStyledItemDelegate>

namespace mox {

namespace {

QFont::Weight qtWeight(int weight)
{
    return weight >= 700 ? QFont::Bold : QFont::Normal;
}

// Draws one row: the background, the text in one line vertically centred and
// inset by 2 pixels horizontally and 1 vertically, and the focus rectangle.
class RowDelegate final : public QStyledItemDelegate {
public:
    explicit RowDelegate(WordListBox* list) : QStyledItemDelegate(list), list_(list) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override
    {
        return {option.rect.width(), list_->rowHeight()};
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        painter->save();
        painter->fillRect(option.rect, selected ? QColor(WordListBox::kSelectedBackground)
                                                : list_->palette().color(QPalette::Base));
        QColor text = selected ? QColor(WordListBox::kSelectedText) : list_->palette().color(QPalette::Text);
        if (!list_->isEnabled())
            text = list_->palette().color(QPalette::Disabled, QPalette::Text);
        painter->setPen(text);
        painter->setFont(list_->itemFont(selected));
        const QRect textRect = option.rect.adjusted(2, 1, -2, -1);
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          index.data(Qt::DisplayRole).toString());
        if ((option.state & QStyle::State_HasFocus) && list_->hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(list_);
            focus.rect = option.rect;
            focus.backgroundColor = selected ? QColor(WordListBox::kSelectedBackground)
                                             : list_->palette().color(QPalette::Base);
            list_->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, list_);
        }
        painter->restore();
    }

private:
    WordListBox* list_;
};

} // namespace

const QString& WordListBox::addWordsCaption()
{
    static const QString caption = QStringLiteral("Mox! <> Добавление лексики");
    return caption;
}

WordListBox::WordListBox(QWidget* parent) : QListWidget(parent)
{
    setItemDelegate(new RowDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setMouseTracking(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideNone);
}

void WordListBox::setItemFont(int pointSizeTenths, int weight, int charSet, const QString& face)
{
    pointSizeTenths_ = pointSizeTenths > 0 ? pointSizeTenths : 10;
    weight_ = weight;
    charSet_ = charSet;
    face_ = face;
    viewport()->update();
}

QFont WordListBox::itemFont(bool selected) const
{
    QFont font(face_);
    font.setPointSizeF(pointSizeTenths_ / 10.0);
    font.setWeight(qtWeight(selected ? 700 : weight_));
    return font;
}

void WordListBox::setRowHeight(int pixels)
{
    rowHeight_ = pixels > 0 ? pixels : 1;
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
    if (count() == 0 && hasFocus()) {
        QPainter painter(viewport());
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = viewport()->rect().adjusted(1, 1, -1, -1);
        focus.backgroundColor = palette().color(QPalette::Base);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

} // namespace mox
