#include "store/DictionaryFile.h"

#include <algorithm>
#include <unordered_set>

#include "store/RecordText.h"

namespace mox {

// Every byte of a record is a member with a default of 0 (`active` 1), so a
// value-initialised record is the new record of the file format.
DictRecord makeTombstone()
{
    DictRecord record{};
    record.active = 0;
    record.deleted = 1;
    return record;
}

std::optional<DictionaryCounts> DictionaryFile::counts() const
{
    DictionaryCounts counts;
    const bool read = forEachChunk([&counts](std::span<const DictRecord> records, std::uint64_t) {
        for (const DictRecord& r : records) {
            if (r.deleted != 0)
                continue;
            ++counts.live;
            if (r.active != 0)
                ++counts.active;
            if (r.inList != 0)
                ++counts.inList;
            else if (r.active != 0)
                ++counts.waiting;
            else
                ++counts.learnt;
        }
    });
    if (!read)
        return std::nullopt;
    return counts;
}

std::optional<std::uint64_t> DictionaryFile::findFirst(std::string_view word, bool* failed) const
{
    if (failed != nullptr)
        *failed = false;
    std::optional<std::uint64_t> found;
    if (word.size() > fieldCapacity(DictRecord{}.word) + 1)
        return found;
    const bool read = forEach([&](const DictRecord& record, std::uint64_t index) {
        if (fieldView(record.word) != word)
            return true;
        found = index;
        return false;
    });
    if (!read && failed != nullptr)
        *failed = true;
    return read ? found : std::nullopt;
}

std::optional<ExcludedScan> DictionaryFile::scanExcluded() const
{
    ExcludedScan scan;
    const auto records = static_cast<std::size_t>(wholeRecords(status().size));
    scan.words.reserve(records);
    scan.records.reserve(records);
    const bool read = forEach([&scan](const DictRecord& record, std::uint64_t index) {
        if (record.isExcluded()) {
            scan.words.emplace_back(fieldView(record.word));
            scan.records.push_back(static_cast<std::uint32_t>(index));
        } else if (record.isLive() && record.active != 0) {
            ++scan.activeCount;
        }
    });
    if (!read)
        return std::nullopt;
    return scan;
}

bool DictionaryFile::liveTexts(std::vector<RecordTexts>& rows) const
{
    rows.clear();
    rows.reserve(static_cast<std::size_t>(wholeRecords(status().size)));
    const bool read = forEach([&rows](const DictRecord& record, std::uint64_t) {
        if (record.isLive())
            rows.push_back({fieldText(record.word), fieldText(record.translation), fieldText(record.transcription)});
    });
    if (!read)
        rows.clear();
    return read;
}

bool DictionaryFile::liveWords(DictionaryWords& words) const
{
    words.clear();
    words.reserve(static_cast<std::size_t>(wholeRecords(status().size)));
    const bool read = forEach([&words](const DictRecord& record, std::uint64_t) {
        if (record.isLive())
            words.push_back(fieldText(record.word));
    });
    if (!read)
        words.clear();
    return read;
}

Activation DictionaryFile::activate(const std::vector<std::string>& words) const
{
    Activation result;
    // Each word waiting for its first record; a word longer than the field
    // can be in no record.
    std::unordered_set<std::string_view> waiting;
    for (const std::string& word : words)
        if (word.size() <= sizeof(DictRecord::word))
            waiting.insert(word);
    if (waiting.empty())
        return result;
    const Update file = openForUpdate();
    if (!file) {
        result.writeFailed = true;
        return result;
    }
    // The chunk's found records are changed in the chunk and written back as
    // one span (the records between them go back as they were just read), so
    // re-activating thousands of words costs a few writes instead of one per
    // word.
    const bool read = forEachChunkToChange([&](std::span<DictRecord> records, std::uint64_t firstIndex) {
        std::size_t first = records.size(), last = 0, changed = 0;
        for (std::size_t i = 0; i < records.size() && !waiting.empty(); ++i) {
            if (waiting.erase(fieldView(records[i].word)) == 0)
                continue;
            records[i].active = 1;  // `inList` stays as it is
            first = std::min(first, i);
            last = i;
            ++changed;
        }
        if (changed > 0) {
            if (!file.write(firstIndex + first, records.data() + first, last - first + 1)) {
                result.writeFailed = true;
                return false;
            }
            result.activated += changed;
        }
        return !waiting.empty();
    });
    if (!read)
        result.readFailed = true;
    return result;
}

} // namespace mox
