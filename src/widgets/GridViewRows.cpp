#include "widgets/GridViewRows.h"

#include <algorithm>
#include <string>

#include "widgets/GridView.h"
#include "widgets/PackedKeys.h"

namespace mox {

GridViewRows::GridViewRows(QObject* parent) : QAbstractProxyModel(parent) {}

void GridViewRows::setSourceModel(QAbstractItemModel* model)
{
    beginResetModel();
    if (QAbstractItemModel* old = sourceModel())
        disconnect(old, nullptr, this, nullptr);
    QAbstractProxyModel::setSourceModel(model);
    if (model) {
        connect(model, &QAbstractItemModel::modelAboutToBeReset, this, &GridViewRows::beginSourceChange);
        connect(model, &QAbstractItemModel::modelReset, this, &GridViewRows::endSourceChange);
        for (auto about : {&QAbstractItemModel::rowsAboutToBeInserted, &QAbstractItemModel::rowsAboutToBeRemoved,
                           &QAbstractItemModel::columnsAboutToBeInserted,
                           &QAbstractItemModel::columnsAboutToBeRemoved})
            connect(model, about, this, &GridViewRows::beginSourceChange);
        for (auto done : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved,
                          &QAbstractItemModel::columnsInserted, &QAbstractItemModel::columnsRemoved})
            connect(model, done, this, &GridViewRows::endSourceChange);
        connect(model, &QAbstractItemModel::rowsAboutToBeMoved, this, &GridViewRows::beginSourceChange);
        connect(model, &QAbstractItemModel::rowsMoved, this, &GridViewRows::endSourceChange);
        connect(model, &QAbstractItemModel::layoutAboutToBeChanged, this, &GridViewRows::beginSourceChange);
        connect(model, &QAbstractItemModel::layoutChanged, this, &GridViewRows::endSourceChange);
        connect(model, &QAbstractItemModel::dataChanged, this, &GridViewRows::sourceDataChanged);
        connect(model, &QAbstractItemModel::headerDataChanged, this, &QAbstractItemModel::headerDataChanged);
    }
    keep_.clear();
    searchReady_ = false;
    computeOrder();
    computeShown();
    endResetModel();
}

void GridViewRows::beginSourceChange()
{
    if (!changing_) {
        changing_ = true;
        beginResetModel();
    }
}

void GridViewRows::endSourceChange()
{
    if (!changing_)
        return;
    keep_.clear();
    searchReady_ = false;
    computeOrder();
    computeShown();
    changing_ = false;
    endResetModel();
}

void GridViewRows::computeOrder()
{
    unsorted_ = false;
    sorted_.clear();
    QAbstractItemModel* model = sourceModel();
    const int rows = model ? model->rowCount() : 0;
    if (column_ < 0 || !model || column_ >= model->columnCount()) {
        sorted_.resize(static_cast<std::size_t>(rows));
        for (int row = 0; row < rows; ++row)
            sorted_[static_cast<std::size_t>(row)] = static_cast<std::uint32_t>(row);
        return;
    }
    PackedKeys keys;
    keys.reserve(static_cast<std::size_t>(rows), static_cast<std::size_t>(rows) * 12);
    if (const auto* bytes = dynamic_cast<const CellBytes*>(model)) {
        for (int row = 0; row < rows; ++row)
            keys.append(bytes->cellBytes(row, column_));
    } else {
        for (int row = 0; row < rows; ++row) {
            const QByteArray key = model->index(row, column_).data(GridView::kSortRole).toByteArray();
            keys.append(std::string_view(key.constData(), static_cast<std::size_t>(key.size())));
        }
    }
    sorted_ = keys.order(order_ == Qt::DescendingOrder);
}

void GridViewRows::computeShown()
{
    shown_.clear();
    shown_.reserve(sorted_.size());
    position_.assign(sorted_.size(), -1);
    for (std::uint32_t row : sorted_) {
        if (!keep_.empty() && !keep_[row])
            continue;
        position_[row] = static_cast<int>(shown_.size());
        shown_.push_back(static_cast<int>(row));
    }
}

void GridViewRows::sort(int column, Qt::SortOrder order)
{
    // QTableView::sortByColumn asks twice (through the header's signal and
    // again itself): the rows already in this order are not sorted again.
    if (column == column_ && order == order_ && !unsorted_)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // The cells the view holds on to (the focus cell, the selection, an open
    // editor) by their model rows, to be found again in the new order.
    const QModelIndexList before = persistentIndexList();
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(before.size()));
    for (const QModelIndex& index : before)
        rows.push_back(sourceRow(index.row()));
    column_ = column;
    order_ = order;
    computeOrder();
    computeShown();
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        const int to = viewRow(rows[static_cast<std::size_t>(i)]);
        after.push_back(to < 0 ? QModelIndex() : createIndex(to, before[i].column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void GridViewRows::showOnly(const std::vector<std::uint32_t>& sourceRows)
{
    beginResetModel();
    keep_.assign(sorted_.size(), 0);
    for (std::uint32_t row : sourceRows)
        if (row < keep_.size())
            keep_[row] = 1;
    computeShown();
    endResetModel();
}

void GridViewRows::showAll()
{
    if (keep_.empty())
        return;
    beginResetModel();
    keep_.clear();
    computeShown();
    endResetModel();
}

int GridViewRows::sourceRow(int viewRow) const
{
    return viewRow >= 0 && static_cast<std::size_t>(viewRow) < shown_.size() ? shown_[static_cast<std::size_t>(viewRow)]
                                                                               : -1;
}

int GridViewRows::viewRow(int sourceRow) const
{
    return sourceRow >= 0 && static_cast<std::size_t>(sourceRow) < position_.size()
               ? position_[static_cast<std::size_t>(sourceRow)]
               : -1;
}

QModelIndex GridViewRows::mapToSource(const QModelIndex& proxyIndex) const
{
    if (!proxyIndex.isValid() || !sourceModel())
        return {};
    const int row = sourceRow(proxyIndex.row());
    return row < 0 ? QModelIndex() : sourceModel()->index(row, proxyIndex.column());
}

QModelIndex GridViewRows::mapFromSource(const QModelIndex& sourceIndex) const
{
    if (!sourceIndex.isValid() || sourceIndex.model() != sourceModel())
        return {};
    const int row = viewRow(sourceIndex.row());
    return row < 0 ? QModelIndex() : createIndex(row, sourceIndex.column());
}

QModelIndex GridViewRows::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
        return {};
    return createIndex(row, column);
}

QModelIndex GridViewRows::parent(const QModelIndex&) const
{
    return {};
}

int GridViewRows::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int GridViewRows::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !sourceModel() ? 0 : sourceModel()->columnCount();
}

QVariant GridViewRows::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (!sourceModel())
        return {};
    // A first click on a header sorts ascending.
    if (role == Qt::InitialSortOrderRole)
        return static_cast<int>(Qt::AscendingOrder);
    // The columns are the model's, shown even while no row is.
    if (orientation == Qt::Horizontal)
        return sourceModel()->headerData(section, orientation, role);
    return sourceModel()->headerData(sourceRow(section), orientation, role);
}

void GridViewRows::sourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                     const QList<int>& roles)
{
    if (!topLeft.isValid() || !bottomRight.isValid())
        return;
    // An edited row stays where it is; a sort asked for later puts it in
    // its place.
    if (topLeft.column() <= column_ && column_ <= bottomRight.column())
        unsorted_ = true;
    if (searchReady_ && topLeft.column() <= searchColumn_ && searchColumn_ <= bottomRight.column()) {
        if (bottomRight.row() - topLeft.row() < 64) {
            for (int row = topLeft.row(); row <= bottomRight.row(); ++row)
                searchTextChanged(row);
        } else {
            searchReady_ = false; // made anew at the next search
        }
    }
    if (topLeft.row() == bottomRight.row()) {
        const int row = viewRow(topLeft.row());
        if (row >= 0)
            emit dataChanged(index(row, topLeft.column()), index(row, bottomRight.column()), roles);
        return;
    }
    // Rows far apart in the view: all of them, in the columns changed.
    if (!shown_.empty())
        emit dataChanged(index(0, topLeft.column()), index(rowCount() - 1, bottomRight.column()), roles);
}

void GridViewRows::setSearchColumn(int column, const std::array<unsigned char, 256>& fold)
{
    searchColumn_ = column;
    fold_ = fold;
    searchReady_ = false;
}

std::string GridViewRows::folded(std::string_view bytes) const
{
    std::string text(bytes);
    for (char& c : text)
        c = static_cast<char>(fold_[static_cast<unsigned char>(c)]);
    return text;
}

std::string_view GridViewRows::searchBytes(int row, std::string& buffer) const
{
    QAbstractItemModel* model = sourceModel();
    if (const auto* bytes = dynamic_cast<const CellBytes*>(model))
        return bytes->cellBytes(row, searchColumn_);
    const QByteArray key = model->index(row, searchColumn_).data(GridView::kSortRole).toByteArray();
    buffer.assign(key.constData(), static_cast<std::size_t>(key.size()));
    return buffer;
}

void GridViewRows::prepareSearch()
{
    QAbstractItemModel* model = sourceModel();
    if (searchReady_ || !model || searchColumn_ < 0 || searchColumn_ >= model->columnCount())
        return;
    const int rows = model->rowCount();
    searchKeys_.clear();
    searchKeys_.reserve(static_cast<std::size_t>(rows), static_cast<std::size_t>(rows) * 12);
    std::string buffer;
    for (int row = 0; row < rows; ++row)
        searchKeys_.append(folded(searchBytes(row, buffer)));
    searchOrder_ = searchKeys_.order(false);
    searchReady_ = true;
}

void GridViewRows::searchTextChanged(int row)
{
    if (row < 0 || static_cast<std::size_t>(row) >= searchKeys_.size())
        return;
    const auto r = static_cast<std::uint32_t>(row);
    // Out of its old place (found by bisection on its old text, then its row
    // among equal texts), into its new one (after equal texts of lower rows).
    auto before = [&](std::uint32_t other) {
        const int c = searchKeys_.compare(other, r);
        return c != 0 ? c < 0 : other < r;
    };
    const auto old = std::partition_point(searchOrder_.begin(), searchOrder_.end(), before);
    if (old != searchOrder_.end() && *old == r)
        searchOrder_.erase(old);
    else
        searchOrder_.erase(std::find(searchOrder_.begin(), searchOrder_.end(), r));
    std::string buffer;
    searchKeys_.replace(static_cast<std::size_t>(row), folded(searchBytes(row, buffer)));
    searchOrder_.insert(std::partition_point(searchOrder_.begin(), searchOrder_.end(), before), r);
}

PackedKeys::Range GridViewRows::searchRange(std::string_view prefix)
{
    prepareSearch();
    if (!searchReady_)
        return {};
    return searchKeys_.prefixRange(searchOrder_, folded(prefix));
}

int GridViewRows::firstBeginningWith(std::string_view prefix)
{
    const PackedKeys::Range range = searchRange(prefix);
    return range.first < range.last ? static_cast<int>(searchOrder_[range.first]) : -1;
}

std::size_t GridViewRows::countBeginningWith(std::string_view prefix)
{
    const PackedKeys::Range range = searchRange(prefix);
    return range.last - range.first;
}

void GridViewRows::showOnlyBeginningWith(std::string_view prefix)
{
    const PackedKeys::Range range = searchRange(prefix);
    beginResetModel();
    keep_.assign(sorted_.size(), 0);
    for (std::size_t at = range.first; at < range.last; ++at)
        keep_[searchOrder_[at]] = 1;
    computeShown();
    endResetModel();
}

} // namespace mox
