#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace mox::dc {

// The language of the language table that a sample of a column's texts is
// most likely written in, by the letters only that language (of the table)
// uses: Greek and Cyrillic letters, ą ł ż for Polish, ß for German, ő ű for
// Hungarian and so on. Nothing when the letters tell nothing (plain Latin).
std::optional<std::uint32_t> languageByLetters(std::string_view sample);

// A language named in a deck's or a file's name ("Deutsch", "German",
// "Немецкий", "pl", "el_GR"), or in a locale ("de", "pl-PL"); nothing when
// none is named.
std::optional<std::uint32_t> languageByName(std::string_view name);

} // namespace mox::dc
