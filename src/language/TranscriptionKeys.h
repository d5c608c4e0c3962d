#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace mox {

// One key of the transcription keyboard: the character it inserts into a
// record and the phonetic (IPA) symbol the transcription font draws for it,
// with further code points that also stand for the key when IPA text is
// turned into key characters (a plain "g" for "ɡ", an apostrophe for "ˈ").
// The rows are generated at build time from the same key table that the font
// and the starter dictionary are built from.
struct TranscriptionKey {
    std::uint16_t id;        // the keyboard's control id of the key
    unsigned char key;
    char32_t ipa;
    std::array<char32_t, 4> also;
    std::uint8_t alsoCount;
};

std::span<const TranscriptionKey> transcriptionKeys();

// The key character for an IPA symbol (its own or a further code point), or 0.
// The space, the hyphen and the question mark (which some tools write for the
// glottal stop), drawn by the font as themselves, stand for themselves.
unsigned char keyForSymbol(char32_t symbol);
// The IPA symbol the font draws for a key character (the space and the hyphen
// as themselves), or 0 for a character that is no key.
char32_t symbolForKey(unsigned char key);

// A combining mark (drawn over or under the symbol before it).
bool isCombiningMark(char32_t symbol);

// IPA text turned into key characters.
struct KeyText {
    std::string keys;                        // the key characters, when ok()
    std::size_t refusedAt = std::string::npos;  // byte offset of the first symbol without a key
    char32_t refused = 0;                    // that symbol (U+FFFD for bytes that are not UTF-8)
    bool ok() const { return refusedAt == std::string::npos; }
};

// UTF-8 IPA -> key characters, symbol by symbol; the first symbol without a
// key stops the conversion.
KeyText ipaToKeys(std::string_view ipa);
// The same, appending the key characters to `out` (a buffer kept from call to
// call). On a symbol without a key, `out` holds what was appended before it
// and the result names it, as in KeyText.
bool appendKeys(std::string_view ipa, std::string& out, std::size_t& refusedAt, char32_t& refused);

// Key characters -> UTF-8 IPA. A byte that is no key is kept as the character
// of the same code (Latin-1) and counted in `unknown`, so nothing is lost.
std::string keysToIpa(std::string_view keys, std::size_t* unknown = nullptr);
// The same, appending to `out`; gives the number of bytes that are no key.
std::size_t appendIpa(std::string_view keys, std::string& out);

} // namespace mox
