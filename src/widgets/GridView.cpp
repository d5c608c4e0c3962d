#include "widgets/GridView.h"

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
#include <QSortFilterProxyModel>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QValidator>

namespace mox {

namespace {

// Sorts rows by the bytes of a column (unsigned, byte for byte), never on its
// own: only when asked, so an edited row stays where it is shown.
class ByteOrderProxy final : public QSortFilterProxyModel {
public:
    explicit ByteOrderProxy(QObject* parent) : QSortFilterProxyModel(parent) { setDynamicSortFilter(false); }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        // A first click on a header sorts ascending.
        if (role == Qt::InitialSortOrderRole)
            return static_cast<int>(Qt::AscendingOrder);
        return QSortFilterProxyModel::headerData(section, orientation, role);
    }

    void sort(int column, Qt::SortOrder order) override
    {
        rankRows(column);
        QSortFilterProxyModel::sort(column, order);
        rank_.clear();
    }

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override
    {
        const auto l = static_cast<std::size_t>(left.row());
        const auto r = static_cast<std::size_t>(right.row());
        if (l < rank_.size() && r < rank_.size())
            return rank_[l] < rank_[r];
        return left.data(GridView::kSortRole).toByteArray() < right.data(GridView::kSortRole).toByteArray();
    }

private:
    // For a model that hands out its bytes: every row's rank in byte order
    // (equal texts, equal rank), from the keys packed side by side, so the
    // sort itself compares numbers.
    void rankRows(int column)
    {
        rank_.clear();
        const auto* bytes = dynamic_cast<const CellBytes*>(sourceModel());
        if (bytes == nullptr || column < 0)
            return;
        const int rows = sourceModel()->rowCount();
        std::string packed;
        std::vector<std::size_t> start(static_cast<std::size_t>(rows) + 1, 0);
        for (int row = 0; row < rows; ++row) {
            packed += bytes->cellBytes(row, column);
            start[static_cast<std::size_t>(row) + 1] = packed.size();
        }
        auto key = [&](int row) {
            const auto at = static_cast<std::size_t>(row);
            return std::string_view(packed).substr(start[at], start[at + 1] - start[at]);
        };
        std::vector<int> order(static_cast<std::size_t>(rows));
        for (int row = 0; row < rows; ++row)
            order[static_cast<std::size_t>(row)] = row;
        std::sort(order.begin(), order.end(), [&](int a, int b) { return key(a) < key(b); });
        rank_.assign(static_cast<std::size_t>(rows), 0);
        for (std::size_t i = 1; i < order.size(); ++i) {
            const bool same = key(order[i]) == key(order[i - 1]);
            rank_[static_cast<std::size_t>(order[i])] =
                same ? rank_[static_cast<std::size_t>(order[i - 1])] : static_cast<int>(i);
        }
    }

    std::vector<int> rank_;
};

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

GridView::GridView(QWidget* parent) : QTableView(parent), proxy_(new ByteOrderProxy(this))
{
    setItemDelegate(new GridDelegate(this));
    setSelectionBehavior(SelectRows);
    setSelectionMode(ExtendedSelection);
    setEditTriggers(DoubleClicked | EditKeyPressed | AnyKeyPressed);
    setTabKeyNavigation(true);
    // One line per cell: a longer text is cut off with an ellipsis and shown
    // whole in the tip.
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    // A wheel step scrolls QApplication::wheelScrollLines() rows.
    setVerticalScrollMode(ScrollPerItem);
    setHorizontalScrollMode(ScrollPerPixel);
    setCornerButtonEnabled(false);
    // The table takes the focus when clicked; it is no tab stop.
    setFocusPolicy(Qt::ClickFocus);
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
    proxy_->setSourceModel(model);
    if (model)
        connect(model, &QAbstractItemModel::modelReset, this, &GridView::resort);
    resort();
}

void GridView::resort()
{
    const int column = horizontalHeader()->sortIndicatorSection();
    proxy_->sort(column >= 0 && source_ && column < source_->columnCount() ? column : -1,
                 horizontalHeader()->sortIndicatorOrder());
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
        clearFocusCell();
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
