#pragma once
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include <unistd.h>

#include "store/FileIo.h"

namespace mox {

// A file of fixed-size records without a header: a dictionary (.dct) or a
// working list (.lst). Every read and write of such a file goes through this
// class: reading all records or a chunk at a time, rewriting records in
// place, appending records that can be taken back, and replacing the whole
// file safely. A trailing fragment shorter than a record is never taken for
// a record. An empty path names no file: every read fails as for a missing
// file and nothing is ever written.
template <class Record>
class RecordFile {
    static_assert(std::is_trivially_copyable_v<Record>);

public:
    static constexpr std::size_t kRecordSize = sizeof(Record);
    // Records read at a time: large enough that the system calls vanish next
    // to the copying, small enough to stay in the cache.
    static constexpr std::size_t kChunkRecords = 1024;

    RecordFile() = default;
    explicit RecordFile(std::string path) : path_(std::move(path)) {}

    const std::string& path() const { return path_; }
    bool named() const { return !path_.empty(); }
    FileStatus status() const { return queryFile(path_); }
    // The complete records of a file of `size` bytes.
    static std::uint64_t wholeRecords(std::uint64_t size) { return size / kRecordSize; }
    static bool hasFragment(std::uint64_t size) { return size % kRecordSize != 0; }

    // Hands the file's complete records to `visit(std::span<const Record>
    // records, std::uint64_t firstIndex)` a chunk at a time. A visit that
    // returns bool ends the reading by returning false. False when the file
    // cannot be opened or read.
    template <class Visit>
    bool forEachChunk(Visit visit) const
    {
        return readChunks([&visit](std::span<Record> records, std::uint64_t first) {
            return visit(std::span<const Record>(records), first);
        });
    }

    // The same, handing out the chunk itself: a visit may change the records
    // in it (to write them back through an Update) without copying them.
    template <class Visit>
    bool forEachChunkToChange(Visit visit) const
    {
        return readChunks(visit);
    }

    // The same record by record: `visit(const Record&, std::uint64_t index)`.
    template <class Visit>
    bool forEach(Visit visit) const
    {
        return forEachChunk([&visit](std::span<const Record> records, std::uint64_t first) {
            for (std::size_t i = 0; i < records.size(); ++i) {
                if constexpr (std::is_same_v<std::invoke_result_t<Visit&, const Record&, std::uint64_t>, bool>) {
                    if (!visit(records[i], first + i))
                        return false;
                } else {
                    visit(records[i], first + i);
                }
            }
            return true;
        });
    }

    // Every complete record, replacing `out`'s content. The records the file
    // holds when it is opened are read straight into place in one go.
    bool readAll(std::vector<Record>& out) const
    {
        out.clear();
        FileHandle file = openForRead(path_);
        if (!file.valid())
            return false;
        const FileStatus status = queryFile(path_);
        out.resize(static_cast<std::size_t>(wholeRecords(status.size)));
        const std::size_t wanted = out.size() * kRecordSize;
        const ssize_t got = readFully(file.get(), out.data(), wanted);
        if (got < 0) {
            out.clear();
            return false;
        }
        if (static_cast<std::size_t>(got) < wanted) {
            out.resize(static_cast<std::size_t>(got) / kRecordSize);  // the file shrank meanwhile
            return true;
        }
        // Whatever was appended since, up to its last whole record.
        Record record;
        std::uint64_t offset = wanted;
        for (;;) {
            const ssize_t more = readFullyAt(file.get(), &record, kRecordSize, offset);
            if (more < 0) {
                out.clear();
                return false;
            }
            if (static_cast<std::size_t>(more) < kRecordSize)
                return true;
            out.push_back(record);
            offset += kRecordSize;
        }
    }

    // Replaces the file's content with `records` safely (see
    // replaceFileContent): a failure keeps the old file whole.
    bool replaceAll(std::span<const Record> records, bool replace = true) const
    {
        return replaceFileContent(path_, records.data(), records.size() * kRecordSize, replace);
    }
    bool replaceAll(const std::vector<Record>& records, bool replace = true) const
    {
        return replaceAll(std::span<const Record>(records), replace);
    }

    // Records read and rewritten in place, through one open file.
    class Update {
    public:
        explicit operator bool() const { return file_.valid(); }
        bool read(std::uint64_t index, Record& record) const
        {
            return readFullyAt(file_.get(), &record, kRecordSize, index * kRecordSize) ==
                   static_cast<ssize_t>(kRecordSize);
        }
        bool write(std::uint64_t index, const Record& record) const { return write(index, &record, 1); }
        bool write(std::uint64_t index, const Record* records, std::size_t count) const
        {
            return writeFullyAt(file_.get(), records, count * kRecordSize, index * kRecordSize);
        }

    private:
        friend class RecordFile;
        explicit Update(FileHandle file) : file_(std::move(file)) {}
        FileHandle file_;
    };
    // Not open (false) when the file is missing, not a regular file, or may
    // not be written (see writableByMode).
    Update openForUpdate() const { return Update(mox::openForUpdate(path_)); }

    // Records appended at the end, each reaching the file as it is appended;
    // the last one can be taken back while the file is open.
    class Appender {
    public:
        explicit operator bool() const { return file_.valid(); }
        bool append(const Record& record)
        {
            if (!writeFullyAt(file_.get(), &record, kRecordSize, size_)) {
                (void)::ftruncate(file_.get(), static_cast<off_t>(size_));  // no partial record stays
                return false;
            }
            last_ = size_;
            size_ += kRecordSize;
            return true;
        }
        // Takes the record appended last off the file again.
        bool takeBackLast()
        {
            if (last_ == size_)
                return true;
            if (::ftruncate(file_.get(), static_cast<off_t>(last_)) != 0)
                return false;
            size_ = last_;
            return true;
        }
        // The complete records the file holds.
        std::uint64_t count() const { return size_ / kRecordSize; }
        void close() { file_.reset(); }

    private:
        friend class RecordFile;
        Appender(FileHandle file, std::uint64_t size) : file_(std::move(file)), size_(size), last_(size) {}
        FileHandle file_;
        std::uint64_t size_ = 0;
        std::uint64_t last_ = 0;
    };
    // Opens the file for appending, creating it when nothing is at the path.
    // A trailing fragment is cut off first: records appended after it would
    // be read shifted, every one of them damaged.
    Appender openForAppend() const
    {
        FileHandle file = mox::openForUpdate(path_);
        if (!file.valid() && errno == ENOENT && createIfMissing(path_))
            file = mox::openForUpdate(path_);
        if (!file.valid())
            return Appender(FileHandle(), 0);
        const FileStatus status = queryFile(path_);
        const std::uint64_t whole = wholeRecords(status.size) * kRecordSize;
        if (whole != status.size && ::ftruncate(file.get(), static_cast<off_t>(whole)) != 0)
            return Appender(FileHandle(), 0);
        return Appender(std::move(file), whole);
    }

    // Cuts a trailing fragment off in place; true when the file now holds
    // only complete records.
    bool cutFragment() const
    {
        const FileStatus status = queryFile(path_);
        if (!status.regular)
            return false;
        if (!hasFragment(status.size))
            return true;
        FileHandle file = mox::openForUpdate(path_);
        return file.valid() &&
               ::ftruncate(file.get(), static_cast<off_t>(wholeRecords(status.size) * kRecordSize)) == 0;
    }

private:
    template <class Visit>
    bool readChunks(Visit visit) const
    {
        FileHandle file = openForRead(path_);
        if (!file.valid())
            return false;
        // Raw memory the records are read into (records are implicit-lifetime
        // aggregates): nothing is cleared first that the read overwrites.
        const std::unique_ptr<Record, decltype(&std::free)> buffer(
            static_cast<Record*>(std::malloc(kChunkRecords * kRecordSize)), &std::free);
        if (!buffer)
            return false;
        const std::span<Record> chunk(buffer.get(), kChunkRecords);
        std::uint64_t first = 0;
        for (;;) {
            const ssize_t got = readFully(file.get(), chunk.data(), chunk.size() * kRecordSize);
            if (got < 0)
                return false;
            const std::size_t count = static_cast<std::size_t>(got) / kRecordSize;
            if (count > 0) {
                using Result = std::invoke_result_t<Visit&, std::span<Record>, std::uint64_t>;
                if constexpr (std::is_same_v<Result, bool>) {
                    if (!visit(chunk.first(count), first))
                        return true;
                } else {
                    visit(chunk.first(count), first);
                }
            }
            first += count;
            if (static_cast<std::size_t>(got) < chunk.size() * kRecordSize)
                return true;  // the end of the file; a fragment is dropped
        }
    }

    std::string path_;
};

} // namespace mox
