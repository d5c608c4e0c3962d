#include "options/ExcludedWordsModel.h"

#include <algorithm>
#include <map>
#include <optional>

#include <QLocale>
#include <QStringDecoder>

#include "language/CharsetCodec.h"
#include "widgets/ByteCollation.h"
#include "widgets/ListOrder.h"

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

// The text of a word of a code page: by table for a code page of one byte
// per character, by the code page's converter otherwise.
class WordDecoder {
public:
    explicit WordDecoder(const CharsetCodec& codec) : codec_(codec), chars_(singleByteChars(codec.codePageName())) {}

    const std::optional<ByteChars>& chars() const { return chars_; }
    QString operator()(std::string_view word) const
    {
        return chars_ ? textOfBytes(word, *chars_) : codec_.decode(word);
    }

private:
    CharsetCodec codec_;
    std::optional<ByteChars> chars_;
};

// The decoder of a character set, made once.
const WordDecoder& decoderOf(std::uint8_t charSet)
{
    static std::map<std::uint8_t, WordDecoder> made;
    auto found = made.find(charSet);
    if (found == made.end())
        found = made.emplace(charSet, WordDecoder(CharsetCodec(charSet))).first;
    return found->second;
}

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
    return parent.isValid() ? 0 : static_cast<int>(list_.words.size());
}

QString ExcludedWordsModel::textAt(int row) const
{
    return decoderOf(list_.charSet)(bytesAt(row));
}

QVariant ExcludedWordsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return textAt(index.row());
    return {};
}

void ExcludedWordsModel::build(List& list, DictionaryWords words, const LargeVector<std::uint32_t>& records,
                               const CharsetCodec& codec)
{
    std::vector<std::uint32_t> order;
    const WordDecoder& decode = decoderOf(codec.charSet());
    if (decode.chars()) {
        // One byte per character: the keys come from the bytes by table.
        order = listBoxOrder(words, *decode.chars());
    } else {
        // The words decoded in one go: one converter for the whole list
        // instead of one per word. A zero byte separates them (no word holds
        // one, and no code page uses it inside a character).
        std::string joined;
        std::size_t total = 0;
        for (const std::string& w : words)
            total += w.size() + 1;
        joined.reserve(total);
        for (const std::string& w : words) {
            joined += w;
            joined += '\0';
        }
        QStringDecoder decoder(codec.codePageName(), QStringConverter::Flag::Stateless);
        const QString decoded = decoder.decode(QByteArrayView(joined.data(), static_cast<qsizetype>(joined.size())));
        const QList<QStringView> texts = QStringView(decoded).split(QChar(u'\0'));
        // A damaged word (a lead byte at its end) could take the separator
        // with it; then each word is decoded on its own.
        const bool aligned = texts.size() == static_cast<qsizetype>(words.size()) + 1;
        QList<QString> shown;
        shown.reserve(static_cast<qsizetype>(words.size()));
        for (std::size_t i = 0; i < words.size(); ++i)
            shown.append(aligned ? texts[static_cast<qsizetype>(i)].toString() : codec.decode(words[i]));
        order = listBoxOrder(shown);
    }
    list.words.clear();
    list.records.clear();
    list.words.reserve(words.size());
    list.records.reserve(words.size());
    for (const std::size_t i : order) {
        list.words.push_back(std::move(words[i]));
        list.records.push_back(records[i]);
    }
}

bool ExcludedWordsModel::update(List& list, DictionaryWords& words, const LargeVector<std::uint32_t>& records,
                                const CharsetCodec& codec)
{
    // The kept rows by record; then the new words in file order, each
    // looked up by its record: the same word there keeps its row, any other
    // word is new. Rows no new word kept are gone.
    DictionaryWords& kept = list.words;
    if (records.size() != words.size() || list.records.size() != kept.size())
        return false;
    constexpr std::uint32_t kNoRow = ~std::uint32_t{0};
    std::uint32_t end = 0;
    for (const std::uint32_t record : list.records)
        end = std::max(end, record + 1);
    LargeVector<std::uint32_t> rowOf(end, kNoRow);
    for (std::size_t row = 0; row < kept.size(); ++row)
        rowOf[list.records[row]] = static_cast<std::uint32_t>(row);
    std::vector<char> stays(kept.size(), 0);
    std::vector<std::uint32_t> added;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::uint32_t row = records[i] < end ? rowOf[records[i]] : kNoRow;
        if (row != kNoRow && !stays[row] && kept[row] == words[i]) {
            stays[row] = 1;
            continue;
        }
        added.push_back(static_cast<std::uint32_t>(i));
        if (added.size() > kMostInsertions)
            return false;
    }

    // The new words in the list's order among themselves, each with the
    // place bisection finds for it among the kept ones (after the words
    // equal to it); then one pass puts both together.
    const ListBoxCollation collation;
    const WordDecoder& decode = decoderOf(codec.charSet());
    struct Fresh {
        std::string bytes;
        std::uint32_t record;
        QString text;
    };
    std::vector<Fresh> fresh;
    fresh.reserve(added.size());
    for (const std::uint32_t i : added) {
        QString text = decode(words[i]);
        fresh.push_back({std::move(words[i]), records[i], std::move(text)});
    }
    std::sort(fresh.begin(), fresh.end(),
              [&](const Fresh& a, const Fresh& b) { return collation.before(a.text, b.text); });
    List merged;
    const std::size_t staying = static_cast<std::size_t>(std::count(stays.begin(), stays.end(), 1));
    merged.words.reserve(staying + fresh.size());
    merged.records.reserve(staying + fresh.size());
    std::size_t from = 0;
    const auto keepUpTo = [&](std::size_t place) {
        for (; from < place; ++from)
            if (stays[from]) {
                merged.words.push_back(std::move(kept[from]));
                merged.records.push_back(list.records[from]);
            }
    };
    for (Fresh& word : fresh) {
        const auto place = std::partition_point(kept.begin() + static_cast<std::ptrdiff_t>(from), kept.end(),
                                                [&](const std::string& old) {
                                                    return !collation.before(word.text, decode(old));
                                                });
        keepUpTo(static_cast<std::size_t>(place - kept.begin()));
        merged.words.push_back(std::move(word.bytes));
        merged.records.push_back(word.record);
    }
    keepUpTo(kept.size());
    list.words = std::move(merged.words);
    list.records = std::move(merged.records);
    return true;
}

void ExcludedWordsModel::setWords(const std::string& dictionary, DictionaryWords words,
                                  LargeVector<std::uint32_t> records, const CharsetCodec& codec)
{
    const QString locale = QLocale().name();
    List list;
    if (!list_.dictionary.empty())
        list = std::move(list_);
    else if (keptList())
        list = std::move(*std::exchange(keptList(), std::nullopt));
    const bool sameSource = list.dictionary == dictionary && list.charSet == codec.charSet() && list.locale == locale;
    updatedLast_ = sameSource && update(list, words, records, codec);
    if (!updatedLast_)
        build(list, std::move(words), records, codec);
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
