#pragma once
#include <string>

#include <QAbstractListModel>

#include "editing/WordIndex.h"

namespace mox {

// The words of a WordIndex as a list model: one row per word, in the index's
// order, each shown as the text of its bytes. A new word is inserted as one
// row where it belongs.
class WordIndexModel final : public QAbstractListModel {
    Q_OBJECT
public:
    explicit WordIndexModel(WordIndex& index, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Puts `word` in the index in order; gives its row.
    int insert(std::string word);
    // The index was loaded or replaced.
    void reload();

    WordIndex& index() { return index_; }

private:
    WordIndex& index_;
};

} // namespace mox
