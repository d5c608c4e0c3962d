#pragma once
#include <cstdint>
#include <string>

namespace mox {

class MessagePort;
struct DictionaryPaths;

// What a restore asks of the page that shows the dictionary's state (the
// Dictionaries page); the page may be absent.
class RestoreRefresh {
public:
    virtual ~RestoreRefresh() = default;
    // Empties the list of excluded words (none is left after re-activation).
    virtual void clearExcludedWords() = 0;
    // Shows new counts in the fields "Всего:" and "Активно:" (formatted "%d").
    virtual void showCounts(std::uint32_t total, std::uint32_t active) = 0;
};

// The outcome of one restore, for callers that want more than the report.
struct RestoreResult {
    std::uint32_t dictErrors = 0;  // errors found in the dictionary
    std::uint32_t listErrors = 0;  // errors found in the list
    bool listWritten = false;      // the list file was rewritten
    bool dictWritten = false;      // the old dictionary went to its backup and the new one was written
    bool reactivated = false;      // excluded words were returned to learning
    bool completed = false;        // the run reached its report
    std::uint64_t fragmentBytes = 0;  // the bytes of a trailing fragment the dictionary lost
    std::uint32_t total = 0;       // the records of the repaired dictionary (when written)
    std::uint32_t active = 0;      // the active ones among them
};

// Repairs a dictionary and its working list: drops list entries whose word
// is in no live dictionary record, compacts the dictionary (tombstones,
// records without a word and a trailing fragment shorter than a record go),
// makes every record's `inList` agree with the list and, when the list is
// empty, returns every excluded word to learning. Words are matched ignoring
// letter case (cp1251). The previous dictionary is kept at
// backupPathFor(dictionary). Ends with a report (OK, no icon) that also says
// when a fragment was cut off. `refresh`, when given, hears of re-activation
// and new counts.
//
// The run stops without a report, and without touching the dictionary, when
// either file exists but cannot be read, or when the old backup cannot be
// removed or the dictionary cannot be moved to its backup name; each of these
// is told to the user.
RestoreResult restoreDictionary(const DictionaryPaths& paths, MessagePort& messages,
                                RestoreRefresh* refresh = nullptr);

} // namespace mox
