#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <QString>

struct UCollationElements;

namespace mox {

class CollationKeys;
class PackedKeys;
struct ByteCollationElement;

// The character of each byte of a code page of one byte per character
// (byte 0, which no word holds, unused).
using ByteChars = std::array<char16_t, 256>;

// The characters of the code page `codePageName` by byte, when each byte
// decodes alone to one character and a text decodes as its bytes do one by
// one; none for a code page of lead and trail bytes.
std::optional<ByteChars> singleByteChars(const char* codePageName);
// The text of `bytes` in that code page.
QString textOfBytes(std::string_view bytes, const ByteChars& chars);

// Collation keys of words written in a code page of one byte per character,
// made by table lookup: each byte's weights at each level of the collation
// are looked up once, while the tables are made, so that a word's key is its
// bytes' weights put side by side instead of a collator's pass over it. The
// keys order words exactly as CollationKeys orders their texts (they are not
// byte for byte the same keys).
//
// A word in which two characters may be read together (a contraction such as
// Czech "ch" or Danish "aa", or a combining mark) gets its weights from the
// collator's own element iterator, in the same form. A collation the tables
// cannot follow (French accents read backwards, upper case first, scripts
// reordered in a way the tables cannot tell) is served by CollationKeys on
// the decoded text; so is everything when the tables, checked against the
// collator's own keys when they are made, disagree with it.
//
//   ByteCollation bytes(collation, *singleByteChars("windows-1252"));
//   bytes.appendKeys(keys, words);
//   std::vector<std::uint32_t> order = keys.order(false);
class ByteCollation {
public:
    ByteCollation(CollationKeys& collation, const ByteChars& chars);
    ~ByteCollation();
    ByteCollation(const ByteCollation&) = delete;
    ByteCollation& operator=(const ByteCollation&) = delete;

    // Appends to `keys` (empty) a row for each of `words`: its sort key,
    // or, from the tables, the key's first level (the letters without their
    // marks and case), which orders all words but those compareFurther
    // orders further.
    void appendKeys(PackedKeys& keys, std::span<const std::string> words);
    // For two of the words whose keys appendKeys made equal: below zero,
    // zero or above zero as `a` collates before, with or after `b`.
    int compareFurther(std::string_view a, std::string_view b);

    // Whether the tables serve (rather than the collator on decoded texts).
    bool byTables() const { return tables_ != nullptr; }

    struct Tables;

private:
    // The whole key of `word` by the tables; false when the collator gives
    // it a weight they do not know.
    bool keyOf(std::string_view word, std::string& key);

    CollationKeys& collation_;
    ByteChars chars_;
    std::shared_ptr<const Tables> tables_;
    UCollationElements* iterator_ = nullptr;
    std::string key_;
    std::string otherKey_;
    std::vector<char16_t> text_;
    std::vector<ByteCollationElement> elements_;
};

} // namespace mox
