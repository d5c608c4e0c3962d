#include "widgets/GridView.h"

#include "widgets/GridViewRows.h"

#include <algorithm>
#include <string>
#include <string_view>

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QValidator>

namespace mox {

namespace {

bool isMoveKey(int key)
{
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: return true;
    default: return false;
    }
}

} // namespace

// The edit field of a cell: a frameless line edit in the cell's font, kept
// to its column's validator. An arrow or page key ends an edit begun by
// typing (or any edit, with Ctrl) and then moves the focus cell.
class GridDelegate final : public QStyledItemDelegate {
public:
    explicit GridDelegate(GridView* view) : QStyledItemDelegate(view), view_(view) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override
    {
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        const QVariant font = index.data(Qt::FontRole);
        if (font.isValid())
            editor->setFont(font.value<QFont>());
        if (QValidator* validator = view_->columnValidator(index.column()))
            editor->setValidator(validator);
        view_->editorOpening(index, editor);
        return editor;
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        auto* editor = qobject_cast<QLineEdit*>(object);
        if (editor && event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            const bool ctrl = key->modifiers().testFlag(Qt::ControlModifier);
            if (isMoveKey(key->key()) && (view_->editBegunByTyping() || ctrl)) {
                emit commitData(editor);
                emit closeEditor(editor, QAbstractItemDelegate::NoHint);
                // The key then moves the focus cell, as in the table itself
                // (without Ctrl, which would move it without selecting).
                QKeyEvent move(QEvent::KeyPress, key->key(), key->modifiers() & ~Qt::ControlModifier);
                QCoreApplication::sendEvent(view_, &move);
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    GridView* view_;
};

GridView::GridView(QWidget* parent) : QTableView(parent), proxy_(new GridViewRows(this))
{
    setItemDelegate(new GridDelegate(this));
    setSelectionBehavior(SelectRows);
    setSelectionMode(ExtendedSelection);
    setEditTriggers(DoubleClicked | EditKeyPressed | AnyKeyPressed);
    // Tab leaves the table (the arrows move between cells); in an open edit
    // field it keeps the text and moves to the next cell.
    setTabKeyNavigation(false);
    // One line per cell: a longer text is cut off with an ellipsis and shown
    // whole in the tip.
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    // A wheel step scrolls QApplication::wheelScrollLines() rows.
    setVerticalScrollMode(ScrollPerItem);
    setHorizontalScrollMode(ScrollPerPixel);
    setCornerButtonEnabled(false);
    // A tab stop, so the table can be worked with the keyboard alone.
    setFocusPolicy(Qt::StrongFocus);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setDefaultAlignment(Qt::Alignment(Qt::AlignCenter | Qt::TextWordWrap));
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    QTableView::setModel(proxy_);
    setSortingEnabled(true);
}

GridView::~GridView() = default;

void GridView::setSourceModel(QAbstractItemModel* model)
{
    if (source_)
        disconnect(source_, nullptr, this, nullptr);
    source_ = model;
    // The rows keep the header's order across resets of the model.
    proxy_->setSourceModel(model);
}

void GridView::setSearchColumn(int column, const std::array<unsigned char, 256>& fold)
{
    searchColumn_ = column;
    proxy_->setSearchColumn(column, fold);
}

void GridView::prepareSearch()
{
    proxy_->prepareSearch();
}

bool GridView::jumpTo(std::string_view prefix)
{
    const int row = proxy_->firstBeginningWith(prefix);
    const QModelIndex cell = fromSource(row, std::max(searchColumn_, 0));
    if (!cell.isValid())
        return false;
    // The focus cell with its row selected, near the top of the view.
    selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(cell, PositionAtTop);
    return true;
}

void GridView::showOnlyBeginningWith(std::string_view prefix)
{
    proxy_->showOnlyBeginningWith(prefix);
}

void GridView::showAllRows()
{
    // The focus cell stays the focus cell, in view, when every row returns.
    const QModelIndex focus = toSource(currentIndex());
    proxy_->showAll();
    const QModelIndex cell = focus.isValid() ? fromSource(focus.row(), focus.column()) : QModelIndex();
    if (cell.isValid()) {
        selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(cell, PositionAtTop);
    }
}

bool GridView::showsAllRows() const
{
    return proxy_->showsAll();
}

std::size_t GridView::countBeginningWith(std::string_view prefix) const
{
    return proxy_->countBeginningWith(prefix);
}

void GridView::setColumnValidator(int column, QValidator* validator)
{
    if (column < 0)
        return;
    if (static_cast<std::size_t>(column) >= validators_.size())
        validators_.resize(static_cast<std::size_t>(column) + 1);
    validators_[static_cast<std::size_t>(column)] = validator;
}

QValidator* GridView::columnValidator(int column) const
{
    if (column < 0 || static_cast<std::size_t>(column) >= validators_.size())
        return nullptr;
    return validators_[static_cast<std::size_t>(column)];
}

QModelIndex GridView::toSource(const QModelIndex& viewIndex) const
{
    return proxy_->mapToSource(viewIndex);
}

QModelIndex GridView::fromSource(int row, int column) const
{
    if (!source_)
        return {};
    return proxy_->mapFromSource(source_->index(row, column));
}

std::vector<int> GridView::selectedSourceRows() const
{
    std::vector<int> rows;
    if (!source_ || !selectionModel())
        return rows;
    const QItemSelection selection = proxy_->mapSelectionToSource(selectionModel()->selection());
    std::vector<bool> taken(static_cast<std::size_t>(source_->rowCount()), false);
    for (const QItemSelectionRange& range : selection) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            if (row >= 0 && static_cast<std::size_t>(row) < taken.size())
                taken[static_cast<std::size_t>(row)] = true;
    }
    for (std::size_t row = 0; row < taken.size(); ++row)
        if (taken[row])
            rows.push_back(static_cast<int>(row));
    return rows;
}

bool GridView::hasSelectedCells() const
{
    return selectionModel() && selectionModel()->hasSelection();
}

void GridView::sizeColumnToHeader(int column)
{
    const int width = horizontalHeader()->sectionSizeHint(column);
    if (width > 0)
        setColumnWidth(column, width);
}

int GridView::headerHeight() const
{
    return horizontalHeader()->sizeHint().height();
}

void GridView::setUniformRowHeight(int pixels)
{
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(std::max(1, pixels));
}

bool GridView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    // The delegate learns from this how the edit it opens began.
    pendingTrigger_ = trigger;
    const bool opened = QTableView::edit(index, trigger, event);
    pendingTrigger_ = NoEditTriggers;
    return opened;
}

void GridView::editorOpening(const QModelIndex& viewIndex, QLineEdit* editor)
{
    editor_ = editor;
    editedCell_ = toSource(viewIndex);
    begunByTyping_ = pendingTrigger_ == AnyKeyPressed;
    emit beginEdit(editedCell_.row(), editedCell_.column());
}

void GridView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    const bool ours = editor != nullptr && editor == editor_.data();
    const QPersistentModelIndex cell = editedCell_;
    // Tab ends the edit and moves on without editing the next cell.
    const bool next = hint == QAbstractItemDelegate::EditNextItem;
    const bool previous = hint == QAbstractItemDelegate::EditPreviousItem;
    QTableView::closeEditor(editor, next || previous ? QAbstractItemDelegate::NoHint : hint);
    if (!ours)
        return;
    editor_ = nullptr;
    editedCell_ = QPersistentModelIndex();
    begunByTyping_ = false;
    if (cell.isValid())
        emit endEdit(cell.row(), cell.column());
    if (next || previous) {
        const QModelIndex to = moveCursor(next ? MoveNext : MovePrevious, Qt::NoModifier);
        if (to.isValid())
            setCurrentIndex(to);
    }
}

bool GridView::cellEditable(const QModelIndex& viewIndex) const
{
    return viewIndex.isValid() && editTriggers() != NoEditTriggers
           && viewIndex.flags().testFlag(Qt::ItemIsEditable);
}

bool GridView::changeCell(const QModelIndex& viewIndex, const QString& text)
{
    if (!cellEditable(viewIndex))
        return false;
    if (QValidator* validator = columnValidator(viewIndex.column())) {
        QString checked = text;
        int position = 0;
        if (validator->validate(checked, position) == QValidator::Invalid)
            return false; // the validator tells why
    }
    const QPersistentModelIndex cell = toSource(viewIndex);
    emit beginEdit(cell.row(), cell.column());
    if (cell.isValid())
        source_->setData(cell, text, Qt::EditRole);
    if (cell.isValid())
        emit endEdit(cell.row(), cell.column());
    return true;
}

void GridView::clearFocusCell()
{
    changeCell(currentIndex(), QString());
}

QString GridView::selectedText() const
{
    if (!selectionModel())
        return {};
    QModelIndexList cells = selectionModel()->selectedIndexes();
    std::sort(cells.begin(), cells.end(), [](const QModelIndex& a, const QModelIndex& b) {
        return a.row() != b.row() ? a.row() < b.row() : a.column() < b.column();
    });
    QString text;
    int row = -1;
    for (const QModelIndex& cell : cells) {
        if (row != -1)
            text += cell.row() == row ? QLatin1Char('\t') : QLatin1Char('\n');
        row = cell.row();
        text += cell.data(Qt::DisplayRole).toString();
    }
    return text;
}

void GridView::copySelection()
{
    if (hasSelectedCells())
        QApplication::clipboard()->setText(selectedText());
}

void GridView::cutSelection()
{
    if (!hasSelectedCells())
        return;
    copySelection();
    // Persistent, in the display's order: a handler may change texts.
    QModelIndexList selected = selectionModel()->selectedIndexes();
    std::sort(selected.begin(), selected.end(), [](const QModelIndex& a, const QModelIndex& b) {
        return a.row() != b.row() ? a.row() < b.row() : a.column() < b.column();
    });
    std::vector<QPersistentModelIndex> cells(selected.begin(), selected.end());
    for (const QPersistentModelIndex& cell : cells) {
        if (!cell.isValid() || !cellEditable(cell))
            continue;
        if (!cell.data(Qt::DisplayRole).toString().isEmpty())
            changeCell(cell, QString());
        // An emptied cell is no longer selected.
        if (cell.data(Qt::DisplayRole).toString().isEmpty())
            selectionModel()->select(cell, QItemSelectionModel::Deselect);
    }
}

void GridView::paste()
{
    const QModelIndex start = currentIndex();
    if (!start.isValid())
        return;
    QStringList lines = QApplication::clipboard()->text().split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int row = start.row() + static_cast<int>(i);
        if (row >= model()->rowCount())
            break;
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QStringList texts = line.split(QLatin1Char('\t'));
        for (qsizetype j = 0; j < texts.size(); ++j) {
            const int column = start.column() + static_cast<int>(j);
            if (column >= model()->columnCount())
                break;
            const QModelIndex cell = model()->index(row, column);
            if (cell.data(Qt::DisplayRole).toString() != texts[j])
                changeCell(cell, texts[j]);
        }
    }
}

void GridView::keyPressEvent(QKeyEvent* event)
{
    if (event == QKeySequence::Copy) {
        copySelection();
    } else if (event == QKeySequence::Cut) {
        cutSelection();
    } else if (event == QKeySequence::Paste) {
        paste();
    } else if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        if (deletionColumn_ >= 0 && currentIndex().isValid() && currentIndex().column() == deletionColumn_)
            emit rowDeletionRequested();
        else
            clearFocusCell();
    } else if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
               && event->modifiers() == Qt::NoModifier && !isEditing() && currentIndex().isValid()) {
        // Enter opens the focus cell's edit field, as F2 does.
        edit(currentIndex(), EditKeyPressed, event);
    } else {
        QTableView::keyPressEvent(event);
        return;
    }
    event->accept();
}

bool GridView::viewportEvent(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QTableView::viewportEvent(event);
    // The whole text of a cell that does not fit, in the cell's font.
    auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex cell = indexAt(help->pos());
    const QString text = cell.data(Qt::DisplayRole).toString();
    const QVariant fontData = cell.data(Qt::FontRole);
    const QFont font = fontData.isValid() ? fontData.value<QFont>() : this->font();
    const QRect area = visualRect(cell);
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    if (text.isEmpty() || QFontMetrics(font).horizontalAdvance(text) <= area.width() - 2 * margin) {
        QToolTip::hideText();
        return true;
    }
    const QString tip = QStringLiteral("<p style=\"white-space:pre; font-family:'%1'; font-size:%2px\">%3</p>")
                            .arg(font.family().toHtmlEscaped())
                            .arg(QFontInfo(font).pixelSize())
                            .arg(text.toHtmlEscaped());
    QToolTip::showText(help->globalPos(), tip, viewport(), area);
    return true;
}

} // namespace mox
