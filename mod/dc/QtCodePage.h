#pragma once
#include <cstdint>

#include "CodePage.h"

namespace mox::dc {

// The code page of a font character set (as the program's fields use it,
// see CharsetCodec), its byte table read from the converters once and kept.
// A byte that does not come back unchanged through the converters has no
// character, so nothing is ever written as a look-alike.
const CodePage& codePageForCharSet(std::uint8_t charSet);

// The composed (NFC) form of a UTF-8 text.
std::string composed(std::string_view text);
// The decomposed (NFD) form of a UTF-8 text.
std::string decomposed(std::string_view text);
// The Unicode name of a character ("COMBINING ACUTE ACCENT"), from ICU;
// empty when it has none.
std::string characterName(char32_t c);

} // namespace mox::dc
