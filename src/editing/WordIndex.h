#pragma once
#include <array>
#include <optional>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <QString>
#include <QStringDecoder>

#include "store/DictionaryFile.h"
#include "widgets/ByteCollation.h"
#include "widgets/CollationKeys.h"

namespace mox {

class DictionaryFile;

// The words of a dictionary as the add-words dialog knows them: the word
// bytes of every live record, in the order of the studied language's
// collation (ties, texts that collate equal, by their bytes), which is the
// order the list shows. Beside it the same words in byte order, so that the
// byte-for-byte questions (is the word there, which words begin with these
// bytes) are answered by bisection instead of a pass over every word.
//
//   WordIndex index(settings.iForeignCharSet(), "en_US");
//   index.load(session.dictionary());
//   int at = index.findPrefix("ca", searchStart);
class WordIndex {
public:
    enum class LoadResult { Loaded, Unreadable };

    // `charSet` is the code page of the word bytes; `localeName` the locale
    // whose collation orders them (the system's when empty).
    WordIndex(std::uint8_t charSet, const QString& localeName);

    // Reads the words of the live records of a dictionary file in one pass
    // (complete 208-byte records only; tombstones skipped) and puts them in
    // order. Unreadable leaves the index empty.
    LoadResult load(const DictionaryFile& dictionary);
    // Replaces the words by `words` (put in order).
    void assign(DictionaryWords words);

    int size() const { return static_cast<int>(words_.size()); }
    const std::string& at(int position) const { return words_[static_cast<std::size_t>(position)]; }
    // The word as text, in the word code page.
    QString text(int position) const;

    // Whether the index holds exactly these bytes.
    bool contains(std::string_view word) const;

    // Where `word` goes in the order.
    int insertPosition(std::string_view word) const;
    // Inserts `word` at `position` (which insertPosition gave).
    void insertAt(int position, std::string word);

    // The first position at or after `from` whose word begins with `prefix`,
    // byte for byte, or -1. Only the words that begin with `prefix` are
    // looked at.
    int findPrefix(std::string_view prefix, int from) const;
    // The first position from the top whose text begins with `text` ignoring
    // case (the list's own rule), given `known`, a position whose word is
    // known to begin with it; -1 when `known` is -1.
    int findFromTopIgnoringCase(const QString& text, int known) const;

private:
    bool before(const QString& a, std::string_view aBytes, const QString& b, std::string_view bBytes) const;
    int byteLowerBound(std::string_view bytes) const;

    std::uint8_t charSet_;
    CollationKeys collation_;
    CollationKeys caseless_;
    mutable QStringDecoder decoder_;
    // For a code page of one byte per character, the character of each
    // byte: the index's keys are then made by table lookup.
    std::optional<ByteChars> byteChars_;
    // In collation order.
    DictionaryWords words_;
    // Positions into words_, in byte order of their words; made at the
    // first byte-for-byte question (a keystroke), not while the dialog opens.
    const std::vector<std::uint32_t>& byBytes() const;
    mutable std::vector<std::uint32_t> byBytes_;
    mutable bool byBytesReady_ = false;
};

} // namespace mox
