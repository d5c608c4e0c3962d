#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace mox::utf8 {

inline constexpr char32_t kInvalid = 0xFFFD;

// Decodes the code point at `at` and moves `at` past it. A malformed or
// overlong sequence, a surrogate or a value above U+10FFFF gives kInvalid and
// moves past one byte, so the caller can name the place and go on.
inline char32_t next(std::string_view text, std::size_t& at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
        ++at;
        return lead;
    }
    std::size_t length = 0;
    char32_t cp = 0;
    if ((lead & 0xE0) == 0xC0) { length = 2; cp = lead & 0x1Fu; }
    else if ((lead & 0xF0) == 0xE0) { length = 3; cp = lead & 0x0Fu; }
    else if ((lead & 0xF8) == 0xF0) { length = 4; cp = lead & 0x07u; }
    else { ++at; return kInvalid; }
    if (at + length > text.size()) { ++at; return kInvalid; }
    for (std::size_t i = 1; i < length; ++i) {
        const auto c = static_cast<unsigned char>(text[at + i]);
        if ((c & 0xC0) != 0x80) { ++at; return kInvalid; }
        cp = (cp << 6) | (c & 0x3Fu);
    }
    static constexpr char32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) { ++at; return kInvalid; }
    at += length;
    return cp;
}

inline void append(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

inline std::string encode(char32_t cp)
{
    std::string out;
    append(out, cp);
    return out;
}

} // namespace mox::utf8
