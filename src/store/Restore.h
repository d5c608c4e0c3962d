#pragma once
#include <cstdint>
#include <string>

namespace mox {

class Settings;
class MessagePort;

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
};

// Repairs the current dictionary and its working list: drops list entries
// whose word is in no live dictionary record, compacts the dictionary
// (tombstones and records without a word go), makes every record's `inList`
// agree with the list and, when the list is empty, returns every excluded word
// to learning. Words are matched ignoring letter case (cp1251). The previous
// dictionary is kept at backupPathFor(dictionaryPath). Ends with a report
// (OK, no icon). `refresh`, when given, hears of re-activation and new counts.
//
// The run stops without a report, and without touching the dictionary, when
// either file exists but cannot be read, or when the old backup cannot be
// removed or the dictionary cannot be moved to its backup name; each of these
// is told to the user.
RestoreResult restoreDictionary(Settings& settings, MessagePort& messages, RestoreRefresh* refresh = nullptr);

// The backup name of a dictionary: every trailing lower-case d, c or t is
// dropped and "bak" appended (words.dct -> words.bak, WORDS.DCT -> WORDS.DCTbak).
std::string backupPathFor(const std::string& dictionaryPath);

} // namespace mox
