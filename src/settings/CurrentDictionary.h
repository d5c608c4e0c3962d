#pragma once
#include "store/DictionaryFolder.h"

namespace mox {

class MessagePort;
class Settings;

// The files of the dictionary the settings name current (sCurDict with
// sCurList in the dictionary folder): both paths, or none when either name
// is empty or refused (see DictionaryFolder::resolve).
DictionaryPaths currentDictionaryPaths(const Settings& settings);

// When sCurDict or sCurList names a file that may not be used (it would lead
// out of the dictionary folder, or the list would be a dictionary file),
// tells the user in one message that names the value; the program then works
// as without a dictionary and opens nothing. True when it told. Empty names
// (no dictionary chosen) are not told: they count as a missing file.
bool reportRefusedNames(const Settings& settings, MessagePort& messages);

} // namespace mox
