#include "language/CodePage.h"

namespace mox {

// cp1251 pairs beyond the contiguous А..я block (0xC0..0xFF):
// Ђ/ђ 80/90, Ѓ/ѓ 81/83, Љ/љ 8A/9A, Њ/њ 8C/9C, Ќ/ќ 8D/9D, Ћ/ћ 8E/9E, Џ/џ 8F/9F,
// Ў/ў A1/A2, Ј/ј A3/BC, Ґ/ґ A5/B4, Ё/ё A8/B8, Є/є AA/BA, Ї/ї AF/BF, І/і B2/B3,
// Ѕ/ѕ BD/BE.
namespace {
constexpr unsigned char kPairs[][2] = {
    {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D},
    {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2}, {0xA3, 0xBC}, {0xA5, 0xB4},
    {0xA8, 0xB8}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE},
};
} // namespace

unsigned char cp1251ToLower(unsigned char c)
{
    if (c >= 'A' && c <= 'Z')
        return static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDF)
        return static_cast<unsigned char>(c + 32);
    for (const auto& pair : kPairs)
        if (c == pair[0])
            return pair[1];
    return c;
}

unsigned char cp1251ToUpper(unsigned char c)
{
    if (c >= 'a' && c <= 'z')
        return static_cast<unsigned char>(c - 32);
    if (c >= 0xE0)
        return static_cast<unsigned char>(c - 32);
    for (const auto& pair : kPairs)
        if (c == pair[1])
            return pair[0];
    return c;
}

bool cp1251EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (cp1251ToLower(static_cast<unsigned char>(a[i])) != cp1251ToLower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace mox
