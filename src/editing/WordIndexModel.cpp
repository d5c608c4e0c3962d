#include "editing/WordIndexModel.h"

namespace mox {

WordIndexModel::WordIndexModel(WordIndex& index, QObject* parent) : QAbstractListModel(parent), index_(index) {}

int WordIndexModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : index_.size();
}

QVariant WordIndexModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= index_.size() || role != Qt::DisplayRole)
        return {};
    return index_.text(index.row());
}

int WordIndexModel::insert(std::string word)
{
    const int row = index_.insertPosition(word);
    beginInsertRows({}, row, row);
    index_.insertAt(row, std::move(word));
    endInsertRows();
    return row;
}

void WordIndexModel::reload()
{
    beginResetModel();
    endResetModel();
}

} // namespace mox
