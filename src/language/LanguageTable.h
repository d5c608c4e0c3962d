#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mox {

// One selectable language: its position in the language lists, its language
// identifier (the value kept in uiForeignLayout / uiNativeLayout), the text the
// lists show and the name that selects the row from an identifier (the list
// text, except for Serbian, whose list text carries the script). Texts are
// UTF-8.
struct LanguageRow {
    int index;
    std::uint16_t id;
    std::string_view listText;
    std::string_view selectionName;
};

inline constexpr std::size_t kLanguageCount = 28;

// The languages offered for the studied and the translation language, in the
// order the lists show them (alphabetical in Russian).
inline constexpr std::array<LanguageRow, kLanguageCount> LanguageTable{{
    {0, 0x0409, "Английский", "Английский"},
    {1, 0x0402, "Болгарский", "Болгарский"},
    {2, 0x040E, "Венгерский", "Венгерский"},
    {3, 0x0413, "Голландский", "Голландский"},
    {4, 0x0408, "Греческий", "Греческий"},
    {5, 0x0406, "Датский", "Датский"},
    {6, 0x040F, "Исландский", "Исландский"},
    {7, 0x040A, "Испанский", "Испанский"},
    {8, 0x0410, "Итальянский", "Итальянский"},
    {9, 0x0426, "Латышский", "Латышский"},
    {10, 0x0427, "Литовский", "Литовский"},
    {11, 0x0407, "Немецкий", "Немецкий"},
    {12, 0x0414, "Норвежский (букмол)", "Норвежский (букмол)"},
    {13, 0x0814, "Норвежский (нюнорск)", "Норвежский (нюнорск)"},
    {14, 0x0415, "Польский", "Польский"},
    {15, 0x0816, "Португальский", "Португальский"},
    {16, 0x0418, "Румынский", "Румынский"},
    {17, 0x0419, "Русский", "Русский"},
    {18, 0x0C1A, "Сербский (кириллица)", "Сербский"},
    {19, 0x041B, "Словацкий", "Словацкий"},
    {20, 0x041F, "Турецкий", "Турецкий"},
    {21, 0x0422, "Украинский", "Украинский"},
    {22, 0x040B, "Финский", "Финский"},
    {23, 0x040C, "Французский", "Французский"},
    {24, 0x041A, "Хорватский", "Хорватский"},
    {25, 0x0405, "Чешский", "Чешский"},
    {26, 0x041D, "Шведский", "Шведский"},
    {27, 0x0425, "Эстонский", "Эстонский"},
}};

// The identifier of row `index` (0..27) is stored in `id` and true is given;
// for any other index `id` is left as it was and false is given.
bool languageIdAt(int index, std::uint32_t& id);

// The selection name of the row with identifier `id` (compared whole, all 32
// bits), or the empty string for an identifier outside the table.
std::string languageName(std::uint32_t id);

// The list index of the row with identifier `id`, if the table has one.
std::optional<int> languageIndexOf(std::uint32_t id);

// The font character set whose code page holds the letters of a language:
// 204 (cp1251) for Russian, Bulgarian, Serbian (Cyrillic) and Ukrainian, 161
// (cp1253) for Greek, 162 (cp1254) for Turkish, 186 (cp1257) for the Baltic
// languages, 238 (cp1250) for the Central European ones and 0 (cp1252) for
// the others, an identifier outside the table included. Records made for a
// language keep their bytes in this code page.
std::uint8_t charSetForLanguage(std::uint32_t id);

// The locale of the row with identifier `id` ("en_US", "ru_RU", "sr_Cyrl_RS"),
// by which words of that language are put in order; the empty string for an
// identifier outside the table.
std::string_view languageLocaleName(std::uint32_t id);

} // namespace mox
