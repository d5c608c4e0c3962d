#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <QAbstractListModel>
#include <QString>

#include "store/DictionaryFile.h"

namespace mox {

class CharsetCodec;

// The excluded words of a dictionary for a list view, sorted as a list box
// sorts (listBoxOrder). Each row is the word's record bytes, by which it is
// looked up again; its text is decoded by the studied language's code page
// when the view asks for it (a page's worth of rows at a time), so that a
// list of 100,000 words holds no second copy of them.
//
// The sorted list outlives the model: the next model (the page's next
// opening) takes it over, and a new set of words updates it word by word:
// each row knows its record, so that one pass over the new words in file
// order finds the rows whose record holds another word now or none (they
// are dropped) and the words new to their record (they go in at the places
// bisection finds): a word learnt or excluded since costs no sort.
class ExcludedWordsModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit ExcludedWordsModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}
    // Keeps the list for the next model.
    ~ExcludedWordsModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Shows `words`, the excluded words (record bytes, any order) of the
    // dictionary file `dictionary`: the list shown or kept for the same
    // dictionary, code page and collation is updated, otherwise one is built.
    // `records` gives the index of each word's record.
    void setWords(const std::string& dictionary, DictionaryWords words, LargeVector<std::uint32_t> records,
                  const CharsetCodec& codec);
    // Whether the last setWords updated a list (rather than sorting anew).
    bool updatedLast() const { return updatedLast_; }
    // Shows no words (and keeps none).
    void clear();
    // Forgets the list kept between models.
    static void forgetKept();

    const std::string& bytesAt(int row) const { return list_.words[static_cast<std::size_t>(row)]; }
    QString textAt(int row) const;

    // A sorted list and what it was built from.
    struct List {
        std::string dictionary;
        std::uint8_t charSet = 0;
        QString locale;
        DictionaryWords words;
        LargeVector<std::uint32_t> records; // of each word
    };

private:
    // `list` with the words gone dropped and `words` put in; false when
    // more changed than updating pays for.
    static bool update(List& list, DictionaryWords& words, const LargeVector<std::uint32_t>& records,
                       const CharsetCodec& codec);
    // The list of `words` (with `records`) put in order.
    static void build(List& list, DictionaryWords words, const LargeVector<std::uint32_t>& records,
                      const CharsetCodec& codec);

    List list_;
    bool updatedLast_ = false;
};

} // namespace mox
