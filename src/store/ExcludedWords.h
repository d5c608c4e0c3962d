#pragma once
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace mox {

// The outcome of re-activating words.
struct Activation {
    std::size_t activated = 0;  // records whose `active` was set
    bool readFailed = false;    // the search stopped on a read error
    bool writeFailed = false;   // a record did not reach the file
};

// Sets `active` to 1 (leaving `inList` as it is) in the first record of each
// word, in file order and byte for byte, as a lookup from the start of the
// file would find it. The file is read once for all the words and the found
// records are rewritten in place; a word that is not there changes nothing.
Activation activateWords(std::iostream& dictionary, const std::vector<std::string>& words);

} // namespace mox
