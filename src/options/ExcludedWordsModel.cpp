#include "options/ExcludedWordsModel.h"

#include <algorithm>
#include <optional>

#include <QLocale>
#include <QStringDecoder>

#include "language/CharsetCodec.h"
#include "widgets/ListOrder.h"
#include "widgets/PackedKeys.h"

namespace mox {

namespace {

// The list of the last model, for the next one.
std::optional<ExcludedWordsModel::List>& keptList()
{
    static std::optional<ExcludedWordsModel::List> kept;
    return kept;
}

// Beyond this many new words a whole sort is cheaper than bisections.
constexpr std::size_t kMostInsertions = 4096;

} // namespace

ExcludedWordsModel::~ExcludedWordsModel()
{
    if (!list_.dictionary.empty())
        keptList() = std::move(list_);
}

void ExcludedWordsModel::forgetKept()
{
    keptList().reset();
}

int ExcludedWordsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(list_.rows.size());
}

QVariant ExcludedWordsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return textAt(index.row());
    return {};
}

std::vector<ExcludedWordsModel::Row> ExcludedWordsModel::build(std::vector<std::string> words,
                                                               const CharsetCodec& codec)
{
    // The words are decoded in one go: one converter for the whole list
    // instead of one per word. A zero byte separates them (no word holds one,
    // and no code page uses it inside a character).
    std::string joined;
    std::size_t total = 0;
    for (const std::string& w : words)
        total += w.size() + 1;
    joined.reserve(total);
    for (const std::string& w : words) {
        joined += w;
        joined += '\0';
    }
    const QByteArrayView bytes(joined.data(), static_cast<qsizetype>(joined.size()));
    QString decoded;
    if (codec.charSet() == charset::Symbol) {
        decoded = QString::fromLatin1(bytes);
    } else {
        QStringDecoder decoder(codec.codePageName(), QStringConverter::Flag::Stateless);
        decoded = decoder.decode(bytes);
    }
    const QList<QStringView> texts = QStringView(decoded).split(QChar(u'\0'));
    // A damaged word (a lead byte at its end) could take the separator with
    // it; then each word is decoded on its own.
    const bool aligned = texts.size() == static_cast<qsizetype>(words.size()) + 1;

    QList<QString> shown;
    shown.reserve(static_cast<qsizetype>(words.size()));
    for (std::size_t i = 0; i < words.size(); ++i)
        shown.append(aligned ? texts[static_cast<qsizetype>(i)].toString() : codec.decode(words[i]));

    std::vector<Row> rows;
    rows.reserve(words.size());
    for (const std::size_t i : listBoxOrder(shown))
        rows.push_back({std::move(words[i]), shown[static_cast<qsizetype>(i)]});
    return rows;
}

bool ExcludedWordsModel::update(List& list, std::vector<std::string>& words, const CharsetCodec& codec)
{
    // The kept rows and the new words, each in byte order (radix sorts of
    // packed heads), walked side by side: a kept row without its word among
    // the new ones goes, a new word without a kept row comes in. Equal
    // words pair off one with one, so repeated words keep their number.
    std::vector<Row>& rows = list.rows;
    PackedKeys keptKeys;
    for (const Row& row : rows)
        keptKeys.append(row.bytes);
    const std::vector<std::uint32_t> keptOrder = keptKeys.order(false);
    PackedKeys newKeys;
    for (const std::string& word : words)
        newKeys.append(word);
    const std::vector<std::uint32_t> newOrder = newKeys.order(false);

    std::vector<char> gone(rows.size(), 0);
    std::vector<std::uint32_t> added;
    std::size_t k = 0;
    std::size_t n = 0;
    while (k < keptOrder.size() || n < newOrder.size()) {
        const int c = k == keptOrder.size()  ? 1
                      : n == newOrder.size() ? -1
                                             : keptKeys.key(keptOrder[k]).compare(newKeys.key(newOrder[n]));
        if (c < 0) {
            gone[keptOrder[k++]] = 1;
        } else if (c > 0) {
            added.push_back(newOrder[n++]);
            if (added.size() > kMostInsertions)
                return false;
        } else {
            ++k;
            ++n;
        }
    }

    // The new rows in the list's order among themselves, each with the place
    // bisection finds for it among the kept rows (after the rows equal to
    // it); then one pass puts both together.
    const ListBoxCollation collation;
    std::vector<Row> fresh;
    fresh.reserve(added.size());
    for (const std::uint32_t i : added) {
        QString text = codec.decode(words[i]);
        fresh.push_back({std::move(words[i]), std::move(text)});
    }
    std::sort(fresh.begin(), fresh.end(),
              [&](const Row& a, const Row& b) { return collation.before(a.text, b.text); });
    std::vector<Row> merged;
    merged.reserve(rows.size() - static_cast<std::size_t>(std::count(gone.begin(), gone.end(), 1)) + fresh.size());
    auto from = rows.begin();
    for (Row& row : fresh) {
        const auto place = std::partition_point(from, rows.end(), [&](const Row& kept) {
            return !collation.before(row.text, kept.text);
        });
        for (; from != place; ++from)
            if (!gone[static_cast<std::size_t>(from - rows.begin())])
                merged.push_back(std::move(*from));
        merged.push_back(std::move(row));
    }
    for (; from != rows.end(); ++from)
        if (!gone[static_cast<std::size_t>(from - rows.begin())])
            merged.push_back(std::move(*from));
    rows = std::move(merged);
    return true;
}

void ExcludedWordsModel::setWords(const std::string& dictionary, std::vector<std::string> words,
                                  const CharsetCodec& codec)
{
    const QString locale = QLocale().name();
    List list;
    if (!list_.dictionary.empty())
        list = std::move(list_);
    else if (keptList())
        list = std::move(*std::exchange(keptList(), std::nullopt));
    const bool sameSource = list.dictionary == dictionary && list.charSet == codec.charSet() && list.locale == locale;
    updatedLast_ = sameSource && update(list, words, codec);
    if (!updatedLast_) {
        list.rows.clear();
        list.rows = build(std::move(words), codec);
    }
    list.dictionary = dictionary;
    list.charSet = codec.charSet();
    list.locale = locale;

    beginResetModel();
    list_ = std::move(list);
    endResetModel();
}

void ExcludedWordsModel::clear()
{
    beginResetModel();
    list_ = {};
    endResetModel();
    keptList().reset();
}

} // namespace mox
