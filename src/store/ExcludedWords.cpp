#include "store/ExcludedWords.h"

#include <algorithm>
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
