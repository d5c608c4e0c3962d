#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <QAbstractTableModel>
#include <QFont>

#include "store/DictionaryFile.h"
#include "store/DictionarySession.h"
#include "language/CharsetCodec.h"
#include "widgets/GridView.h"

namespace mox {

// The live records of a dictionary as a table of three columns (word,
// translation, transcription), in file order. A row holds only the texts of
// its record, as bytes; they are turned into text, by each column's code page,
// only when shown. Rows carry no record position: the editor finds a record
// again by its word.
class DictionaryTableModel final : public QAbstractTableModel, public CellBytes {
    Q_OBJECT
public:
    // Character sets and fonts of the three columns.
    DictionaryTableModel(const std::array<std::uint8_t, 3>& charSets, const std::array<QFont, 3>& fonts,
                         QObject* parent = nullptr);

    static const QString& headerText(int column); // "Слово", "Перевод", "Транскрипция"

    // Replaces every row by the live records of the file at `path`. False,
    // with the table empty, when the file cannot be opened or read.
    bool fill(const DictionaryFile& dictionary);
    void clear();

    // A cell's bytes (the empty text outside the table).
    const std::string& text(int row, int column) const;
    // Replaces a cell's bytes and shows them.
    void setText(int row, int column, const std::string& bytes);
    std::string_view cellBytes(int row, int column) const override { return text(row, column); }

    const CharsetCodec& codec(int column) const { return codecs_[static_cast<std::size_t>(column)]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Takes a text that encodes in the column's code page within its field's
    // bytes; refuses any other.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    std::array<CharsetCodec, 3> codecs_;
    std::array<QFont, 3> fonts_;
    std::vector<RecordTexts> rows_;
};

} // namespace mox
