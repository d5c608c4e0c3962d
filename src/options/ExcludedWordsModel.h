#pragma once
#include <cstdint>
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
//
// The sorted list outlives the model: the next model (the page's next
// opening) takes it over, and a new set of words updates it word by word:
// the rows whose words are gone are dropped, and the new words go in at the
// places bisection finds, so that a word learnt or excluded since costs no
// sort of the whole list.
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
    void setWords(const std::string& dictionary, std::vector<std::string> words, const CharsetCodec& codec);
    // Whether the last setWords updated a list (rather than sorting anew).
    bool updatedLast() const { return updatedLast_; }
    // Shows no words (and keeps none).
    void clear();
    // Forgets the list kept between models.
    static void forgetKept();

    const std::string& bytesAt(int row) const { return list_.rows[static_cast<std::size_t>(row)].bytes; }
    const QString& textAt(int row) const { return list_.rows[static_cast<std::size_t>(row)].text; }

    struct Row {
        std::string bytes;
        QString text;
    };
    // A sorted list and what it was built from.
    struct List {
        std::string dictionary;
        std::uint8_t charSet = 0;
        QString locale;
        std::vector<Row> rows;
    };

private:
    // `list` with the rows of the words gone dropped and `words` put in;
    // false when more changed than updating pays for.
    static bool update(List& list, std::vector<std::string>& words, const CharsetCodec& codec);
    static std::vector<Row> build(std::vector<std::string> words, const CharsetCodec& codec);

    List list_;
    bool updatedLast_ = false;
};

} // namespace mox
