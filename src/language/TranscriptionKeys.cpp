#include "language/TranscriptionKeys.h"

#include <unordered_map>

#include "language/Utf8.h"

namespace mox {

namespace {

constexpr TranscriptionKey kKeys[] = {
#include "TranscriptionKeyTable.inc"
};

// Characters that the font draws as themselves beside the keys.
constexpr unsigned char kPlain[] = {' ', '-'};

struct Lookup {
    std::array<char32_t, 256> symbolOf{};
    std::unordered_map<char32_t, unsigned char> keyOf;

    Lookup()
    {
        for (unsigned char c : kPlain) {
            symbolOf[c] = c;
            keyOf.emplace(c, c);
        }
        // The first row that names a code point keeps it, as in the builds.
        for (const TranscriptionKey& row : kKeys) {
            symbolOf[row.key] = row.ipa;
            keyOf.emplace(row.ipa, row.key);
        }
        for (const TranscriptionKey& row : kKeys)
            for (std::size_t i = 0; i < row.alsoCount; ++i)
                keyOf.emplace(row.also[i], row.key);
    }
};

const Lookup& lookup()
{
    static const Lookup table;
    return table;
}

} // namespace

std::span<const TranscriptionKey> transcriptionKeys() { return kKeys; }

unsigned char keyForSymbol(char32_t symbol)
{
    const auto& keyOf = lookup().keyOf;
    const auto found = keyOf.find(symbol);
    return found == keyOf.end() ? 0 : found->second;
}

char32_t symbolForKey(unsigned char key) { return lookup().symbolOf[key]; }

KeyText ipaToKeys(std::string_view ipa)
{
    KeyText result;
    result.keys.reserve(ipa.size());
    for (std::size_t at = 0; at < ipa.size();) {
        const std::size_t start = at;
        const char32_t cp = utf8::next(ipa, at);
        const unsigned char key = cp == utf8::kInvalid ? 0 : keyForSymbol(cp);
        if (key == 0) {
            result.keys.clear();
            result.refusedAt = start;
            result.refused = cp;
            return result;
        }
        result.keys += static_cast<char>(key);
    }
    return result;
}

std::string keysToIpa(std::string_view keys, std::size_t* unknown)
{
    std::string out;
    out.reserve(keys.size() * 2);
    std::size_t missing = 0;
    for (char c : keys) {
        const auto byte = static_cast<unsigned char>(c);
        const char32_t symbol = symbolForKey(byte);
        if (symbol == 0)
            ++missing;
        utf8::append(out, symbol == 0 ? byte : symbol);
    }
    if (unknown)
        *unknown = missing;
    return out;
}

} // namespace mox
