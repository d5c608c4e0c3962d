#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mox {

// An XKB layout: the layout name of the rules ("de") and a variant ("" for the
// layout's basic variant).
struct XkbLayoutName {
    std::string layout;
    std::string variant;
    bool operator==(const XkbLayoutName&) const = default;
};

// The XKB layout that types the language of a language identifier: the
// identifier's own entry, else the entry of its primary language (the low ten
// bits), so 0x0C09 types with "us". Every language of the language table and
// the transcription layout (0x0409, plain ASCII letters: "us") are covered.
// nullopt for a language that has no entry.
std::optional<XkbLayoutName> xkbLayoutFor(std::uint16_t id);

// The language identifiers one configured XKB group types, in the order of
// the table: those of the entries with the group's layout and variant, or,
// when the variant has no entry of its own, those with the layout's basic
// variant. "no" gives both Norwegian languages; "de(nodeadkeys)" gives German.
std::vector<std::uint16_t> languagesOfXkbLayout(const XkbLayoutName& group);

// Splits the comma-separated layout and variant lists of the XKB rules names
// into groups; a missing variant is the basic one.
std::vector<XkbLayoutName> splitXkbGroups(std::string_view layouts, std::string_view variants);

} // namespace mox
