#pragma once
#include <cstdint>
#include <string>

namespace mox {
class RegistryPort;
}

namespace mox::dc {

// What the module takes from the program's settings: the dictionary folder
// (sAppPath + "/voc/", as the program derives it) and the languages and font
// character sets of the studied and the translation language. Read quietly:
// a missing value keeps its default and only a missing sAppPath counts.
struct ModuleSettings {
    bool found = false;                    // sAppPath could be read
    std::string dictFolder;                // ends with "/"
    std::uint32_t foreignLanguage = 0x0409;
    std::uint32_t nativeLanguage = 0x0419;
    std::uint8_t foreignCharSet = 0;
    std::uint8_t nativeCharSet = 204;

    static ModuleSettings read(RegistryPort& registry);
};

} // namespace mox::dc
