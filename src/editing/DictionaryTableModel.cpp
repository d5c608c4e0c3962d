#include "editing/DictionaryTableModel.h"

#include <QByteArray>

namespace mox {

namespace {
const std::string kNoText;
} // namespace

DictionaryTableModel::DictionaryTableModel(const std::array<std::uint8_t, 3>& charSets,
                                           const std::array<QFont, 3>& fonts, QObject* parent)
    : QAbstractTableModel(parent), codecs_{CharsetCodec(charSets[0]), CharsetCodec(charSets[1]), CharsetCodec(charSets[2])},
      fonts_(fonts)
{
}

const QString& DictionaryTableModel::headerText(int column)
{
    static const std::array<QString, 3> texts{QStringLiteral("Слово"), QStringLiteral("Перевод"),
                                              QStringLiteral("Транскрипция")};
    static const QString none;
    return column >= 0 && column < 3 ? texts[static_cast<std::size_t>(column)] : none;
}

bool DictionaryTableModel::fill(const DictionaryFile& dictionary)
{
    std::vector<RecordTexts> rows;
    const bool read = dictionary.liveTexts(rows);
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
    return read;
}

void DictionaryTableModel::clear()
{
    beginResetModel();
    rows_.clear();
    endResetModel();
}

const std::string& DictionaryTableModel::text(int row, int column) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size() || column < 0 || column >= 3)
        return kNoText;
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

void DictionaryTableModel::setText(int row, int column, const std::string& bytes)
{
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size() || column < 0 || column >= 3)
        return;
    rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = bytes;
    const QModelIndex cell = index(row, column);
    emit dataChanged(cell, cell);
}

int DictionaryTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int DictionaryTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant DictionaryTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const std::size_t column = static_cast<std::size_t>(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return codecs_[column].decode(text(index.row(), index.column()));
    case GridView::kSortRole: {
        const std::string& bytes = text(index.row(), index.column());
        return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
    case Qt::FontRole: return fonts_[column];
    case Qt::TextAlignmentRole: return static_cast<int>(Qt::AlignLeft | Qt::AlignVCenter);
    default: return {};
    }
}

QVariant DictionaryTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return headerText(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags DictionaryTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool DictionaryTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    const EncodeResult encoded = codecs_[static_cast<std::size_t>(index.column())].encode(value.toString());
    if (!encoded.ok || encoded.bytes.size() > columnCapacity(index.column()))
        return false;
    setText(index.row(), index.column(), encoded.bytes);
    return true;
}

} // namespace mox
