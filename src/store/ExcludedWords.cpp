#include "store/ExcludedWords.h"

#include <algorithm>
#include <istream>
#include <string_view>
#include <unordered_set>

#include "store/DictRecord.h"
#include "store/RecordText.h"

namespace mox {
namespace {

// Records are read this many at a time.
constexpr std::size_t kChunkRecords = 2048;

std::string_view wordOf(const DictRecord& record)
{
    return fieldView(record.word);
}

} // namespace

Activation activateWords(std::iostream& dictionary, const std::vector<std::string>& words)
{
    Activation result;
    // Each word waiting for its first record; a word longer than the field
    // can be in no record.
    std::unordered_set<std::string_view> waiting;
    for (const std::string& word : words)
        if (word.size() <= sizeof(DictRecord::word))
            waiting.insert(word);

    // The file is read a chunk at a time; the records found in a chunk are
    // changed in the chunk and written back as one span (the records between
    // them go back as they were just read), so that re-activating thousands
    // of words costs a few writes instead of one per word.
    std::vector<DictRecord> chunk(kChunkRecords);
    const auto chunkBytes = static_cast<std::streamsize>(chunk.size() * kDictRecordSize);
    std::int64_t chunkStart = 0;
    dictionary.clear();
    dictionary.seekg(0);
    while (!waiting.empty() && dictionary) {
        dictionary.read(reinterpret_cast<char*>(chunk.data()), chunkBytes);
        const std::streamsize got = dictionary.gcount();
        const bool readFailed = dictionary.bad();
        const std::size_t count = static_cast<std::size_t>(got) / kDictRecordSize;
        std::size_t first = count, last = 0, changed = 0;
        for (std::size_t i = 0; i < count && !waiting.empty(); ++i) {
            if (waiting.erase(wordOf(chunk[i])) == 0)
                continue;
            chunk[i].active = 1;  // `inList` stays as it is
            first = std::min(first, i);
            last = i;
            ++changed;
        }
        if (changed > 0) {
            dictionary.clear();
            dictionary.seekp(chunkStart + static_cast<std::int64_t>(first * kDictRecordSize));
            dictionary.write(reinterpret_cast<const char*>(chunk.data() + first),
                             static_cast<std::streamsize>((last - first + 1) * kDictRecordSize));
            if (!dictionary) {
                result.writeFailed = true;
                return result;
            }
            result.activated += changed;
        }
        if (readFailed) {
            result.readFailed = true;
            break;
        }
        if (got < chunkBytes)
            break;  // end of file
        chunkStart += static_cast<std::int64_t>(count * kDictRecordSize);
        dictionary.clear();
        dictionary.seekg(chunkStart);
    }
    dictionary.clear();
    dictionary.flush();
    if (!dictionary) {
        result.writeFailed = true;
        result.activated = 0;  // none is known to have reached the file
    }
    return result;
}

} // namespace mox
