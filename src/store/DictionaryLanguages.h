#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mox {

// The two languages a dictionary was made with, kept beside it: for the
// dictionary NAME.dct the file NAME.lng in the same folder, UTF-8 text of
// "key=value" lines:
//
//   uiForeignLayout=1031      the studied language (identifier as in LanguageTable)
//   uiNativeLayout=1049       the translation language
//
// Other keys are kept for later versions and ignored. The file only tells;
// nothing depends on it: a missing, unreadable or damaged file, or a value
// that is no number, means "unknown", never an error.
struct DictionaryLanguages {
    std::optional<std::uint32_t> foreign;
    std::optional<std::uint32_t> native;
    bool known() const { return foreign.has_value() && native.has_value(); }
};

// "words.dct" -> "words.lng" (only a trailing ".dct" is replaced, in a name
// or a path); the empty text for a name without it, which has no such file.
std::string languagesFileFor(std::string_view dictionary);

// Reads the languages of the dictionary at `dictionaryPath`, tolerantly.
DictionaryLanguages readDictionaryLanguages(const std::string& dictionaryPath);

// The text of a languages file.
std::string languagesText(const DictionaryLanguages& languages);
// Reads the text of a languages file, tolerantly.
DictionaryLanguages parseLanguagesText(std::string_view text);

// Writes the languages beside the dictionary at `dictionaryPath`, whole or
// not at all (a temporary file renamed over the old one). False, with errno
// set, when it could not be written or the name has no ".dct".
bool writeDictionaryLanguages(const std::string& dictionaryPath, const DictionaryLanguages& languages);

} // namespace mox
