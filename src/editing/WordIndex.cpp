#include "editing/WordIndex.h"

#include <algorithm>
#include <numeric>

#include <QCollatorSortKey>

#include "language/CharsetCodec.h"
#include "store/DictionaryFile.h"

namespace mox {

namespace {

QLocale localeNamed(const QString& name)
{
    return name.isEmpty() ? QLocale::system() : QLocale(name);
}

} // namespace

WordIndex::WordIndex(std::uint8_t charSet, const QString& localeName)
    : charSet_(charSet), collator_(localeNamed(localeName)), caseless_(localeNamed(localeName)),
      decoder_(CharsetCodec::codePageFor(charSet), QStringConverter::Flag::Stateless)
{
    caseless_.setCaseSensitivity(Qt::CaseInsensitive);
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
    std::vector<std::string> words;
    if (!dictionary.liveWords(words))
        return LoadResult::Unreadable;
    assign(std::move(words));
    return LoadResult::Loaded;
}

void WordIndex::assign(std::vector<std::string> words)
{
    // Collation keys once per word, then plain byte comparisons of the keys.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(words.size());
    for (const std::string& word : words)
        keys.push_back(collator_.sortKey(
            decoder_.decode(QByteArrayView(word.data(), static_cast<qsizetype>(word.size())))));
    std::vector<std::uint32_t> order(words.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        const int c = keys[a].compare(keys[b]);
        return c != 0 ? c < 0 : words[a] < words[b];
    });
    words_.clear();
    words_.reserve(words.size());
    for (std::uint32_t i : order)
        words_.push_back(std::move(words[i]));

    byBytes_.resize(words_.size());
    std::iota(byBytes_.begin(), byBytes_.end(), 0u);
    std::sort(byBytes_.begin(), byBytes_.end(),
              [this](std::uint32_t a, std::uint32_t b) { return words_[a] < words_[b]; });
}

bool WordIndex::before(const QString& a, std::string_view aBytes, const QString& b, std::string_view bBytes) const
{
    const int c = collator_.compare(a, b);
    return c != 0 ? c < 0 : aBytes < bBytes;
}

int WordIndex::byteLowerBound(std::string_view bytes) const
{
    const auto it = std::partition_point(byBytes_.begin(), byBytes_.end(),
                                         [&](std::uint32_t p) { return std::string_view(words_[p]) < bytes; });
    return static_cast<int>(it - byBytes_.begin());
}

bool WordIndex::contains(std::string_view word) const
{
    const int i = byteLowerBound(word);
    return i < size() && words_[byBytes_[static_cast<std::size_t>(i)]] == word;
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
    const auto first = byBytes_.begin() + byteLowerBound(prefix);
    const auto last = std::partition_point(first, byBytes_.end(), [&](std::uint32_t p) {
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
