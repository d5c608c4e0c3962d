#pragma once
#include <string>
#include <string_view>

namespace mox {

// Dictionary and list names are plain file names inside the dictionary
// folder. A name that is empty, is "." or "..", or holds a "/" or a zero byte
// would open something else (the folder itself, its parent, a file elsewhere)
// and is never used to build a path.
bool isPlainFileName(std::string_view name);

// The list name of a dictionary name: every ".dct" replaced by ".lst"
// ("words.dct" -> "words.lst"; a name without ".dct" stays as it is).
std::string listNameFor(std::string_view dictionaryName);

} // namespace mox
