#include "platform/xkb/XkbLanguages.h"

#include <array>

namespace mox {

namespace {

struct Entry {
    std::uint16_t id;
    std::string_view layout;
    std::string_view variant;
};

// The languages of the language table first, then regional languages that
// identifiers of the registry may carry.
constexpr std::array<Entry, 40> kEntries{{
    {0x0409, "us", ""},  // English; also the transcription layout
    {0x0402, "bg", ""},  {0x040E, "hu", ""},  {0x0413, "nl", ""}, {0x0408, "gr", ""},
    {0x0406, "dk", ""},  {0x040F, "is", ""},  {0x040A, "es", ""}, {0x0410, "it", ""},
    {0x0426, "lv", ""},  {0x0427, "lt", ""},  {0x0407, "de", ""}, {0x0414, "no", ""},
    {0x0814, "no", ""},  {0x0415, "pl", ""},  {0x0816, "pt", ""}, {0x0418, "ro", ""},
    {0x0419, "ru", ""},  {0x0C1A, "rs", ""},  {0x041B, "sk", ""}, {0x041F, "tr", ""},
    {0x0422, "ua", ""},  {0x040B, "fi", ""},  {0x040C, "fr", ""}, {0x041A, "hr", ""},
    {0x0405, "cz", ""},  {0x041D, "se", ""},  {0x0425, "ee", ""},
    {0x0809, "gb", ""},  {0x1809, "ie", ""},  {0x0807, "ch", ""}, {0x100C, "ch", "fr"},
    {0x080C, "be", ""},  {0x0C0C, "ca", ""},  {0x0416, "br", ""}, {0x081A, "rs", "latin"},
    {0x0423, "by", ""},  {0x0424, "si", ""},  {0x042F, "mk", ""}, {0x0C09, "au", ""},
}};

} // namespace

std::optional<XkbLayoutName> xkbLayoutFor(std::uint16_t id)
{
    for (const auto& e : kEntries)
        if (e.id == id)
            return XkbLayoutName{std::string(e.layout), std::string(e.variant)};
    const std::uint16_t primary = id & 0x3FFu;
    if (primary == 0)
        return std::nullopt;
    for (const auto& e : kEntries)
        if ((e.id & 0x3FFu) == primary)
            return XkbLayoutName{std::string(e.layout), std::string(e.variant)};
    return std::nullopt;
}

std::vector<std::uint16_t> languagesOfXkbLayout(const XkbLayoutName& group)
{
    std::vector<std::uint16_t> ids;
    for (const auto& e : kEntries)
        if (e.layout == group.layout && e.variant == group.variant)
            ids.push_back(e.id);
    if (ids.empty() && !group.variant.empty())
        for (const auto& e : kEntries)
            if (e.layout == group.layout && e.variant.empty())
                ids.push_back(e.id);
    return ids;
}

std::vector<XkbLayoutName> splitXkbGroups(std::string_view layouts, std::string_view variants)
{
    auto split = [](std::string_view text) {
        std::vector<std::string> parts;
        if (text.empty())
            return parts;
        std::size_t start = 0;
        for (;;) {
            const std::size_t comma = text.find(',', start);
            parts.emplace_back(text.substr(start, comma == std::string_view::npos ? comma : comma - start));
            if (comma == std::string_view::npos)
                break;
            start = comma + 1;
        }
        return parts;
    };
    const auto names = split(layouts);
    const auto kinds = split(variants);
    std::vector<XkbLayoutName> groups;
    for (std::size_t i = 0; i < names.size(); ++i)
        groups.push_back({names[i], i < kinds.size() ? kinds[i] : std::string()});
    return groups;
}

} // namespace mox
