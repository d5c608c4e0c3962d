#pragma once
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include <QAbstractProxyModel>

#include "widgets/PackedKeys.h"

namespace mox {

// The rows a GridView shows of its model, in the order it shows them: every
// row in the model's order, or sorted by a column's bytes, ascending or
// descending (rows with equal texts in the model's order either way), and
// either all of them or only the rows a search kept. A sort happens when
// asked (a header click) and when the model is reset, once each time, and
// never on a change of a cell: an edited row stays where it is shown. The
// columns are the model's.
//
// A search finds the rows whose text in one column begins with a prefix, by
// bisection in that column's own order (its bytes mapped through a folding
// table, say to lower case, so that the case of a letter does not count).
// That order is made by one sort at the first search after a reset and kept
// in step with every change of a cell of the column.
//
// The bytes of a row are the model's kSortRole data, or, for a model that
// is CellBytes, its bytes read without a copy.
class GridViewRows final : public QAbstractProxyModel {
    Q_OBJECT
public:
    explicit GridViewRows(QObject* parent = nullptr);

    void setSourceModel(QAbstractItemModel* model) override;

    // Sorts by `column`; -1 shows the model's order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    int sortColumn() const { return column_; }
    Qt::SortOrder sortOrder() const { return order_; }

    // Shows only the model rows given (in the present order); showAll shows
    // every row again. A reset of the model shows every row.
    void showOnly(const std::vector<std::uint32_t>& sourceRows);
    void showAll();
    bool showsAll() const { return keep_.empty(); }

    // The column searched and the folding of its bytes (byte b compares as
    // fold[b]); no search column: -1.
    void setSearchColumn(int column, const std::array<unsigned char, 256>& fold);
    // Makes the search order now rather than at the first search.
    void prepareSearch();
    // The model row that comes first in the search order among those whose
    // folded text begins with the folded `prefix`; -1 when none does.
    int firstBeginningWith(std::string_view prefix);
    // How many rows begin with `prefix`.
    std::size_t countBeginningWith(std::string_view prefix);
    // Shows only the rows that begin with `prefix` (in the present order).
    void showOnlyBeginningWith(std::string_view prefix);

    // The model row shown at view row `row`, and the view row of a model row
    // (-1 when it is not shown).
    int sourceRow(int viewRow) const;
    int viewRow(int sourceRow) const;

    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    // The model's rows in the sort order (recomputed), then the rows shown.
    void computeOrder();
    void computeShown();
    void sourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles);
    // Any change of the model's rows or columns: shown anew, like a reset.
    void beginSourceChange();
    void endSourceChange();

    std::string folded(std::string_view bytes) const;
    std::string_view searchBytes(int row, std::string& buffer) const;
    PackedKeys::Range searchRange(std::string_view prefix);
    // A changed cell of the search column takes its new place in the order.
    void searchTextChanged(int row);

    int searchColumn_ = -1;
    std::array<unsigned char, 256> fold_{};
    bool searchReady_ = false;
    PackedKeys searchKeys_;              // folded text of each model row
    std::vector<std::uint32_t> searchOrder_; // model rows, ascending by it

    int column_ = -1;
    Qt::SortOrder order_ = Qt::AscendingOrder;
    std::vector<std::uint32_t> sorted_; // model rows in the sort order
    std::vector<char> keep_;            // per model row; empty: every row is shown
    std::vector<int> shown_;            // view row -> model row
    std::vector<int> position_;         // model row -> view row, -1 when not shown
    bool changing_ = false;
    bool unsorted_ = false; // a cell of the sort column changed since the sort
};

} // namespace mox
