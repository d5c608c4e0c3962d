#pragma once
#include <string_view>

namespace mox {

// Letter case in the single-byte code page of the records (cp1251): Latin
// A-Z/a-z and the Cyrillic letters, Ё/ё and the other paired letters of cp1251.
unsigned char cp1251ToLower(unsigned char c);
unsigned char cp1251ToUpper(unsigned char c);
// Equal bytes after folding letter case in cp1251.
bool cp1251EqualsIgnoreCase(std::string_view a, std::string_view b);

} // namespace mox
