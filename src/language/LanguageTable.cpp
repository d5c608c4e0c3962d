#include "language/LanguageTable.h"

namespace mox {

bool languageIdAt(int index, std::uint32_t& id)
{
    if (index < 0 || static_cast<std::size_t>(index) >= LanguageTable.size())
        return false;
    id = LanguageTable[static_cast<std::size_t>(index)].id;
    return true;
}

std::optional<int> languageIndexOf(std::uint32_t id)
{
    for (const auto& row : LanguageTable)
        if (row.id == id)
            return row.index;
    return std::nullopt;
}

std::uint8_t charSetForLanguage(std::uint32_t id)
{
    switch (id) {
    case 0x0419: case 0x0402: case 0x0C1A: case 0x0422:   // Cyrillic
        return 204;
    case 0x0408:                                          // Greek
        return 161;
    case 0x041F:                                          // Turkish
        return 162;
    case 0x0426: case 0x0427: case 0x0425:                // Baltic
        return 186;
    case 0x040E: case 0x0415: case 0x0418: case 0x041B: case 0x041A: case 0x0405:   // Central European
        return 238;
    default:                                              // Western
        return 0;
    }
}

std::string languageName(std::uint32_t id)
{
    if (auto index = languageIndexOf(id))
        return std::string(LanguageTable[static_cast<std::size_t>(*index)].selectionName);
    return {};
}

std::string_view languageLocaleName(std::uint32_t id)
{
    // In the order of LanguageTable.
    static constexpr std::array<std::string_view, kLanguageCount> locales{
        "en_US", "bg_BG", "hu_HU", "nl_NL", "el_GR", "da_DK", "is_IS", "es_ES", "it_IT", "lv_LV",
        "lt_LT", "de_DE", "nb_NO", "nn_NO", "pl_PL", "pt_PT", "ro_RO", "ru_RU", "sr_Cyrl_RS", "sk_SK",
        "tr_TR", "uk_UA", "fi_FI", "fr_FR", "hr_HR", "cs_CZ", "sv_SE", "et_EE",
    };
    if (auto index = languageIndexOf(id))
        return locales[static_cast<std::size_t>(*index)];
    return {};
}

} // namespace mox
