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

std::string languageName(std::uint32_t id)
{
    if (auto index = languageIndexOf(id))
        return std::string(LanguageTable[static_cast<std::size_t>(*index)].selectionName);
    return {};
}

} // namespace mox
