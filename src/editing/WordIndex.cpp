#include "editing/WordIndex.h"

#include <algorithm>
#include <numeric>


#include "language/CharsetCodec.h"
#include "store/DictionaryFile.h"
#include "widgets/ByteCollation.h"
#include "widgets/PackedKeys.h"

namespace mox {

namespace {

QLocale localeNamed(const QString& name)
{
    return name.isEmpty() ? QLocale::system() : QLocale(name);
}

} // namespace

WordIndex::WordIndex(std::uint8_t charSet, const QString& localeName)
    : charSet_(charSet), collation_(localeNamed(localeName), Qt::CaseSensitive),
      caseless_(localeNamed(localeName), Qt::CaseInsensitive),
      decoder_(CharsetCodec::codePageFor(charSet), QStringConverter::Flag::Stateless),
      byteChars_(singleByteChars(CharsetCodec::codePageFor(charSet)))
{
}

QString WordIndex::text(int position) const
{
    const std::string& bytes = at(position);
    return decoder_.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

WordIndex::LoadResult WordIndex::load(const DictionaryFile& dictionary)
{
    words_.clear();
    byBytes_.clear();
    byBytesReady_ = false;
    DictionaryWords words;
    if (!dictionary.liveWords(words))
        return LoadResult::Unreadable;
    assign(std::move(words));
    return LoadResult::Loaded;
}

void WordIndex::assign(DictionaryWords words)
{
    // The collation keys of the words, put in order by a radix sort of their
    // packed heads, the keys' further bytes compared only within runs of
    // equal heads; words that collate equal then in byte order.
    const std::size_t count = words.size();
    PackedKeys keys;
    std::optional<ByteCollation> byTable;
    if (byteChars_) {
        byTable.emplace(collation_, *byteChars_);
        byTable->appendKeys(keys, words);
    } else {
        std::size_t total = 0;
        for (const std::string& word : words)
            total += word.size();
        keys.reserve(count, total * 3);
        std::vector<QChar> text;
        for (const std::string& word : words) {
            const QByteArrayView view(word.data(), static_cast<qsizetype>(word.size()));
            text.resize(static_cast<std::size_t>(decoder_.requiredSpace(view.size())));
            const QChar* end = decoder_.appendToBuffer(text.data(), view);
            collation_.appendKey(keys, QStringView(text.data(), end));
        }
    }
    std::vector<std::uint32_t> order = keys.order(false);
    keys.orderEqualKeys(order, [&](std::uint32_t a, std::uint32_t b) {
        const int c = byTable ? byTable->compareFurther(words[a], words[b]) : 0;
        return c != 0 ? c < 0 : words[a] < words[b];
    });
    keys.clear();

    // The words put in that order where they lie, a cycle of moves at a
    // time, instead of into a second vector as large.
    for (std::size_t start = 0; start < count; ++start) {
        if (order[start] == start)
            continue;
        std::string held = std::move(words[start]);
        std::size_t at = start;
        while (order[at] != start) {
            const std::size_t from = order[at];
            words[at] = std::move(words[from]);
            order[at] = static_cast<std::uint32_t>(at);
            at = from;
        }
        words[at] = std::move(held);
        order[at] = static_cast<std::uint32_t>(at);
    }
    words_ = std::move(words);
    // The byte order waits for the first question that needs it.
    byBytes_.clear();
    byBytesReady_ = false;
}

const std::vector<std::uint32_t>& WordIndex::byBytes() const
{
    if (!byBytesReady_) {
        PackedKeys bytes;
        std::size_t total = 0;
        for (const std::string& word : words_)
            total += word.size();
        bytes.reserve(words_.size(), total);
        for (const std::string& word : words_)
            bytes.append(word);
        byBytes_ = bytes.order(false);
        byBytesReady_ = true;
    }
    return byBytes_;
}

bool WordIndex::before(const QString& a, std::string_view aBytes, const QString& b, std::string_view bBytes) const
{
    const int c = collation_.compare(a, b);
    return c != 0 ? c < 0 : aBytes < bBytes;
}

int WordIndex::byteLowerBound(std::string_view bytes) const
{
    const std::vector<std::uint32_t>& byBytes = this->byBytes();
    const auto it = std::partition_point(byBytes.begin(), byBytes.end(),
                                         [&](std::uint32_t p) { return std::string_view(words_[p]) < bytes; });
    return static_cast<int>(it - byBytes.begin());
}

bool WordIndex::contains(std::string_view word) const
{
    const int i = byteLowerBound(word);
    return i < size() && words_[byBytes()[static_cast<std::size_t>(i)]] == word;
}

int WordIndex::insertPosition(std::string_view word) const
{
    const QString wordText = decoder_.decode(QByteArrayView(word.data(), static_cast<qsizetype>(word.size())));
    int low = 0;
    int high = size();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (before(text(middle), at(middle), wordText, word))
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

void WordIndex::insertAt(int position, std::string word)
{
    position = std::clamp(position, 0, size());
    const auto inserted = static_cast<std::uint32_t>(position);
    words_.insert(words_.begin() + position, std::move(word));
    if (!byBytesReady_)
        return;
    for (std::uint32_t& p : byBytes_)
        if (p >= inserted)
            ++p;
    const int slot = byteLowerBound(words_[inserted]);
    byBytes_.insert(byBytes_.begin() + slot, inserted);
}

int WordIndex::findPrefix(std::string_view prefix, int from) const
{
    // In byte order the words that begin with `prefix` lie together; the
    // first of them in the list's order at or after `from` is the answer.
    const std::vector<std::uint32_t>& byBytes = this->byBytes();
    const auto first = byBytes.begin() + byteLowerBound(prefix);
    const auto last = std::partition_point(first, byBytes.end(), [&](std::uint32_t p) {
        return std::string_view(words_[p]).starts_with(prefix);
    });
    int best = -1;
    for (auto it = first; it != last; ++it) {
        const int p = static_cast<int>(*it);
        if (p >= from && (best < 0 || p < best))
            best = p;
    }
    return best;
}

int WordIndex::findFromTopIgnoringCase(const QString& wanted, int known) const
{
    if (known < 0 || known >= size())
        return -1;
    // A word that begins with `wanted` in any case does not collate before
    // it when case is ignored, and the collation order is also ordered so:
    // bisect to the first such word, then step to the first that begins with it.
    int low = 0;
    int high = known;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (caseless_.compare(text(middle), wanted) < 0)
            low = middle + 1;
        else
            high = middle;
    }
    for (int p = low; p < known; ++p)
        if (text(p).startsWith(wanted, Qt::CaseInsensitive))
            return p;
    return known;
}

} // namespace mox
