#include "store/ExcludedWords.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <istream>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

#include "store/DictRecord.h"
#include "store/RecordText.h"
#include "store/Store.h"

namespace mox {
namespace {

// Records are read this many at a time.
constexpr std::size_t kChunkRecords = 2048;

std::string_view wordOf(const DictRecord& record)
{
    return fieldView(record.word);
}

// Reads up to `size` bytes, retrying short reads; -1 on a read error.
ssize_t readFully(int fd, char* buffer, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, buffer + done, size - done);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

} // namespace

std::optional<ExcludedScan> scanExcludedWords(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    ExcludedScan scan;
    std::vector<DictRecord> chunk(kChunkRecords);
    bool ok = true;
    for (;;) {
        const ssize_t got = readFully(fd, reinterpret_cast<char*>(chunk.data()), chunk.size() * kDictRecordSize);
        if (got < 0) {
            ok = false;
            break;
        }
        const std::size_t count = static_cast<std::size_t>(got) / kDictRecordSize;
        for (std::size_t i = 0; i < count; ++i) {
            const DictRecord& record = chunk[i];
            if (record.isExcluded())
                scan.words.emplace_back(wordOf(record));
            else if (record.isLive() && record.active != 0)
                ++scan.activeCount;
        }
        if (static_cast<std::size_t>(got) < chunk.size() * kDictRecordSize)
            break;  // end of file; a trailing fragment is ignored
    }
    ::close(fd);
    if (!ok)
        return std::nullopt;
    return scan;
}

Activation activateWords(std::iostream& dictionary, const std::vector<std::string>& words)
{
    Activation result;
    // Each word waiting for its first record; a word longer than the field
    // can be in no record.
    std::unordered_set<std::string_view> waiting;
    for (const std::string& word : words)
        if (word.size() <= sizeof(DictRecord::word))
            waiting.insert(word);

    struct Found {
        std::int64_t offset;
        DictRecord record;
    };
    std::vector<Found> found;
    dictionary.clear();
    dictionary.seekg(0);
    std::vector<DictRecord> chunk(kChunkRecords);
    std::int64_t index = 0;
    while (!waiting.empty() && dictionary) {
        dictionary.read(reinterpret_cast<char*>(chunk.data()),
                        static_cast<std::streamsize>(chunk.size() * kDictRecordSize));
        const auto got = static_cast<std::size_t>(dictionary.gcount());
        const std::size_t count = got / kDictRecordSize;
        for (std::size_t i = 0; i < count && !waiting.empty(); ++i, ++index) {
            if (waiting.erase(wordOf(chunk[i])) == 0)
                continue;
            found.push_back({index * static_cast<std::int64_t>(kDictRecordSize), chunk[i]});
        }
        if (dictionary.bad()) {
            result.readFailed = true;
            break;
        }
        if (got < chunk.size() * kDictRecordSize)
            break;
    }
    for (Found& f : found) {
        f.record.active = 1;
        if (rewriteRecord(dictionary, f.offset, f.record))
            ++result.activated;
        else
            result.writeFailed = true;
    }
    return result;
}

} // namespace mox
