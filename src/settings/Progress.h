#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mox {

struct DictionaryPaths;

// The learner's progress in the current dictionary, as the Results page
// draws it: every live word is either learnt (excluded from learning), in
// the working list, or waiting to be drawn into it.
struct Progress {
    // A word of the working list with its answers.
    struct Word {
        std::string word;  // record bytes, in the studied language's code page
        std::uint32_t wrong = 0;
        std::uint32_t answers = 0;
    };

    bool dictionaryFound = false;  // false: no dictionary chosen, or it cannot be read
    std::uint32_t learnt = 0;
    std::uint32_t inList = 0;
    std::uint32_t waiting = 0;
    // The list's words with at least one wrong answer, most wrong first (ties
    // in list order), at most the number asked for.
    std::vector<Word> mostWrong;
};

// One pass over the dictionary and one over its working list. Reports
// nothing: a missing or unreadable file only shows as missing figures.
Progress readProgress(const DictionaryPaths& paths, std::size_t mostWrongCount = 5);

} // namespace mox
