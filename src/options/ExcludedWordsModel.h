#pragma once
#include <string>
#include <vector>

#include <QAbstractListModel>
#include <QString>

namespace mox {

class CharsetCodec;

// The excluded words of a dictionary for a list view, sorted as a list box
// sorts (listBoxOrder). Each row keeps the word's record bytes, by
// which it is looked up again, and its text decoded once by the studied
// language's code page, so that a list of 100,000 words costs no conversion
// while it scrolls.
class ExcludedWordsModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit ExcludedWordsModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Replaces the rows by `words` (record bytes, any order).
    void setWords(std::vector<std::string> words, const CharsetCodec& codec);
    void clear();

    const std::string& bytesAt(int row) const { return rows_[static_cast<std::size_t>(row)].bytes; }
    const QString& textAt(int row) const { return rows_[static_cast<std::size_t>(row)].text; }

private:
    struct Row {
        std::string bytes;
        QString text;
    };
    std::vector<Row> rows_;
};

} // namespace mox
