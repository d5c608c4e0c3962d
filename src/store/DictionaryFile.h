#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/DictRecord.h"
#include "store/LargeArrays.h"
#include "store/RecordFile.h"

namespace mox {

// The three texts of one word record, as bytes: word, translation,
// transcription (the columns of the dictionary editor, in that order).
using RecordTexts = std::array<std::string, 3>;

// The words of a dictionary's records, as bytes (a large array: see
// LargeArrays.h).
using DictionaryWords = LargeVector<std::string>;

// The outcome of re-activating words.
struct Activation {
    std::size_t activated = 0;  // records whose `active` was set
    bool readFailed = false;    // the search stopped on a read error
    bool writeFailed = false;   // a record did not reach the file
};

// What one pass over a dictionary tells: how many of its records are live,
// and how the live ones take part in learning.
struct DictionaryCounts {
    std::uint32_t live = 0;      // not deleted
    std::uint32_t active = 0;    // live with `active` set
    std::uint32_t inList = 0;    // live with `inList` set
    std::uint32_t waiting = 0;   // live, active, not in the list: candidates for the list
    std::uint32_t learnt = 0;    // live, neither active nor in the list (excluded)
};

// The words a dictionary offers for re-activation (live, `active` 0,
// `inList` 0) in file order with the index of each one's record, and the
// number of live active records.
struct ExcludedScan {
    DictionaryWords words;  // record bytes of `word`
    LargeVector<std::uint32_t> records;
    std::uint32_t activeCount = 0;
};

// A dictionary file (.dct): 208-byte word records, no header. The reads and
// in-place changes that concern one dictionary alone; changes that must keep
// the working list in agreement go through DictionarySession.
class DictionaryFile : public RecordFile<DictRecord> {
public:
    using RecordFile::RecordFile;

    // Counts the complete records in one pass; nothing when the file cannot
    // be opened or read.
    std::optional<DictionaryCounts> counts() const;
    // The number of complete records for which `holds(record)` is true; one
    // pass, nothing when the file cannot be opened or read.
    template <class Holds>
    std::optional<std::uint32_t> countWhere(Holds holds) const
    {
        std::uint32_t count = 0;
        const bool read = forEachChunk([&](std::span<const DictRecord> records, std::uint64_t) {
            for (const DictRecord& r : records)
                count += holds(r) ? 1u : 0u;
        });
        return read ? std::optional<std::uint32_t>(count) : std::nullopt;
    }

    // The index of the first record whose word equals `word` byte for byte.
    // `failed` (when given) tells a read error apart from "not there".
    std::optional<std::uint64_t> findFirst(std::string_view word, bool* failed = nullptr) const;

    std::optional<ExcludedScan> scanExcluded() const;

    // The texts (or only the words) of every live record, in file order.
    bool liveTexts(std::vector<RecordTexts>& rows) const;
    bool liveWords(DictionaryWords& words) const;

    // Sets `active` (leaving `inList` as it is) in the first record of each
    // word, found as a lookup from the start of the file would find it. The
    // file is read once for all the words; the found records of a chunk are
    // written back as one span.
    Activation activate(const std::vector<std::string>& words) const;
};

} // namespace mox
