#include "store/FileNames.h"

namespace mox {

bool isPlainFileName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    return name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

std::string listNameFor(std::string_view dictionaryName)
{
    std::string name(dictionaryName);
    constexpr std::string_view from = ".dct";
    constexpr std::string_view to = ".lst";
    for (std::size_t at = name.find(from); at != std::string::npos; at = name.find(from, at + to.size()))
        name.replace(at, from.size(), to);
    return name;
}

} // namespace mox
