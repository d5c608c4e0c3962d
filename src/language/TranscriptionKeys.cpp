#include "language/TranscriptionKeys.h"

#include <algorithm>

#include <vector>

#include "language/Utf8.h"

namespace mox {

namespace {

constexpr TranscriptionKey kKeys[] = {
#include "TranscriptionKeyTable.inc"
};

// Characters that the font draws as themselves beside the keys.
constexpr unsigned char kPlain[] = {' ', '-', '?'};

struct Lookup {
    std::array<char32_t, 256> symbolOf{};
    std::vector<unsigned char> keyOf;   // by code point, 0: no key

    Lookup()
    {
        char32_t highest = 0x7F;
        for (const TranscriptionKey& row : kKeys) {
            highest = std::max(highest, row.ipa);
            for (std::size_t i = 0; i < row.alsoCount; ++i)
                highest = std::max(highest, row.also[i]);
        }
        keyOf.assign(highest + 1, 0);
        const auto give = [this](char32_t symbol, unsigned char key) {
            if (keyOf[symbol] == 0)
                keyOf[symbol] = key;
        };
        for (unsigned char c : kPlain) {
            symbolOf[c] = c;
            give(c, c);
        }
        // The first row that names a code point keeps it, as in the builds.
        for (const TranscriptionKey& row : kKeys) {
            symbolOf[row.key] = row.ipa;
            give(row.ipa, row.key);
        }
        for (const TranscriptionKey& row : kKeys)
            for (std::size_t i = 0; i < row.alsoCount; ++i)
                give(row.also[i], row.key);
    }
};

const Lookup& lookup()
{
    static const Lookup table;
    return table;
}

} // namespace

std::span<const TranscriptionKey> transcriptionKeys() { return kKeys; }

bool isCombiningMark(char32_t symbol)
{
    return (symbol >= 0x0300 && symbol <= 0x036F) || (symbol >= 0x1AB0 && symbol <= 0x1AFF) ||
           (symbol >= 0x1DC0 && symbol <= 0x1DFF) || (symbol >= 0x20D0 && symbol <= 0x20FF);
}

unsigned char keyForSymbol(char32_t symbol)
{
    const auto& keyOf = lookup().keyOf;
    return symbol < keyOf.size() ? keyOf[symbol] : 0;
}

char32_t symbolForKey(unsigned char key) { return lookup().symbolOf[key]; }

bool appendKeys(std::string_view ipa, std::string& out, std::size_t& refusedAt, char32_t& refused)
{
    const auto& keyOf = lookup().keyOf;
    for (std::size_t at = 0; at < ipa.size();) {
        const std::size_t start = at;
        const char32_t cp = utf8::next(ipa, at);
        const unsigned char key = cp < keyOf.size() ? keyOf[cp] : 0;
        if (key == 0) {
            refusedAt = start;
            refused = cp;
            return false;
        }
        out += static_cast<char>(key);
    }
    return true;
}

KeyText ipaToKeys(std::string_view ipa)
{
    KeyText result;
    if (!appendKeys(ipa, result.keys, result.refusedAt, result.refused))
        result.keys.clear();
    return result;
}

std::size_t appendIpa(std::string_view keys, std::string& out)
{
    std::size_t missing = 0;
    for (char c : keys) {
        const auto byte = static_cast<unsigned char>(c);
        const char32_t symbol = symbolForKey(byte);
        if (symbol == 0)
            ++missing;
        utf8::append(out, symbol == 0 ? byte : symbol);
    }
    return missing;
}

std::string keysToIpa(std::string_view keys, std::size_t* unknown)
{
    std::string out;
    const std::size_t missing = appendIpa(keys, out);
    if (unknown)
        *unknown = missing;
    return out;
}

} // namespace mox
