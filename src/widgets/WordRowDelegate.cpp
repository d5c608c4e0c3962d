#include "widgets/WordRowDelegate.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace mox {

WordRowDelegate::WordRowDelegate(QAbstractItemView* view) : QStyledItemDelegate(view), view_(view) {}

void WordRowDelegate::setItemFont(int pointSizeTenths, int weight, int charSet, const QString& face)
{
    pointSizeTenths_ = pointSizeTenths > 0 ? pointSizeTenths : 10;
    weight_ = weight;
    charSet_ = charSet;
    face_ = face;
}

QFont WordRowDelegate::itemFont(bool selected) const
{
    QFont font(face_);
    font.setPointSizeF(pointSizeTenths_ / 10.0);
    font.setWeight((selected || weight_ >= 700) ? QFont::Bold : QFont::Normal);
    return font;
}

QSize WordRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return {option.rect.width(), rowHeight_};
}

void WordRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& palette = view_->palette();
    painter->save();
    painter->fillRect(option.rect, selected ? QColor(kSelectedBackground) : palette.color(QPalette::Base));
    QColor text = selected ? QColor(kSelectedText) : palette.color(QPalette::Text);
    if (!view_->isEnabled())
        text = palette.color(QPalette::Disabled, QPalette::Text);
    painter->setPen(text);
    painter->setFont(itemFont(selected));
    const QRect textRect = option.rect.adjusted(2, 1, -2, -1);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      index.data(Qt::DisplayRole).toString());
    if ((option.state & QStyle::State_HasFocus) && view_->hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(view_);
        focus.rect = option.rect;
        focus.backgroundColor = selected ? QColor(kSelectedBackground) : palette.color(QPalette::Base);
        view_->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, view_);
    }
    painter->restore();
}

void WordRowDelegate::paintEmptyFocus(QAbstractItemView* view)
{
    QPainter painter(view->viewport());
    QStyleOptionFocusRect focus;
    focus.initFrom(view);
    focus.rect = view->viewport()->rect().adjusted(1, 1, -1, -1);
    focus.backgroundColor = view->palette().color(QPalette::Base);
    view->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, view);
}

} // namespace mox
