#include "store/Store.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/MessagePort.h"
#include "settings/Settings.h"
#include "store/FileNames.h"
#include "store/RecordText.h"

namespace mox {

namespace {

// Records are read in chunks of this many at a time: large enough that the
// system call overhead vanishes next to the copying, small enough to stay in
// the cache.
constexpr std::size_t kChunkRecords = 2048;

void showError(MessagePort& messages, std::string_view text)
{
    messages.show(text, MessageIcon::Error, MessageButtons::Ok);
}

// Closes the descriptor it holds when it goes out of scope.
class FileHandle {
public:
    explicit FileHandle(int fd = -1) : fd_(fd) {}
    ~FileHandle() { reset(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle(FileHandle&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileHandle& operator=(FileHandle&& other) noexcept
    {
        if (this != &other) {
            reset();
            fd_ = other.fd_;
            other.fd_ = -1;
        }
        return *this;
    }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    // Closes and reports whether the close succeeded (a delayed write error
    // may only show here).
    bool close()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

struct FileStatus {
    bool exists = false;   // a file is at the path, or may be
    bool regular = false;  // and it is known to be a regular file
    std::uint64_t size = 0;
};

// The status of the file at `path`, following symbolic links. A path that
// names nothing (or runs through a missing folder) does not exist, and
// neither does a folder, a device or a pipe in place of the file: none of
// them is a dictionary or a list, and none is ever opened.
FileStatus queryFile(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        FileStatus missing;
        // Any other failure (no permission to look, a name too long) means the
        // file is there as far as we can tell, but cannot be used.
        missing.exists = !path.empty() && errno != ENOENT && errno != ENOTDIR;
        return missing;
    }
    FileStatus status;
    status.regular = S_ISREG(st.st_mode);
    status.exists = status.regular;
    status.size = static_cast<std::uint64_t>(st.st_size);
    return status;
}

// The "read" way of opening: binary input on an existing regular file. A
// directory or device in place of the file counts as a failure to open (a
// pipe does not keep the open waiting for a writer).
FileHandle openForRead(const std::string& path)
{
    FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!file.valid())
        return file;
    struct stat st {};
    if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode))
        file.reset();
    return file;
}

// Reads up to `size` bytes, retrying short reads; returns the number of bytes
// read (less than `size` only at the end of the file) or -1 on a read error.
ssize_t readFully(int fd, unsigned char* buffer, std::size_t size)
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

// Hands every complete record of the file to `visit(const unsigned char*
// records, std::size_t count)`, a chunk at a time, from offset 0; a trailing
// fragment shorter than a record is ignored. False on a read error.
template <class Visit>
bool forEachRecordChunk(int fd, std::size_t recordSize, Visit visit)
{
    std::vector<unsigned char> buffer(kChunkRecords * recordSize);
    for (;;) {
        const ssize_t got = readFully(fd, buffer.data(), buffer.size());
        if (got < 0)
            return false;
        const std::size_t count = static_cast<std::size_t>(got) / recordSize;
        if (count > 0)
            visit(buffer.data(), count);
        if (static_cast<std::size_t>(got) < buffer.size())
            return true;  // end of file; any fragment is dropped
    }
}

// Reads every complete record of the file into `out` (replacing its content).
// The records the file holds when it is opened are read straight into their
// place in one go; whatever was appended since is read after them.
template <class Record>
bool readRecords(int fd, std::vector<Record>& out)
{
    out.clear();
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return false;
    const std::size_t expected = static_cast<std::size_t>(st.st_size) / sizeof(Record);
    out.resize(expected);
    const ssize_t got = readFully(fd, reinterpret_cast<unsigned char*>(out.data()), expected * sizeof(Record));
    if (got < 0)
        return false;
    if (static_cast<std::size_t>(got) < expected * sizeof(Record)) {
        out.resize(static_cast<std::size_t>(got) / sizeof(Record));  // the file shrank meanwhile
        return true;
    }
    return forEachRecordChunk(fd, sizeof(Record), [&out](const unsigned char* data, std::size_t count) {
        const std::size_t first = out.size();
        out.resize(first + count);
        std::memcpy(static_cast<void*>(out.data() + first), data, count * sizeof(Record));
    });
}

bool writeFully(int fd, const unsigned char* data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t put = ::write(fd, data + done, size - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

bool replaceFileContent(const std::string& path, const void* data, std::size_t size, bool replace)
{
    if (path.empty())
        return false;  // a name that may not be used: nothing is created
    std::string target = path;
    struct stat linkStatus {};
    if (::lstat(path.c_str(), &linkStatus) == 0 && S_ISLNK(linkStatus.st_mode)) {
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    struct stat old {};
    const bool hadFile = ::stat(target.c_str(), &old) == 0;
    if (hadFile && !S_ISREG(old.st_mode))
        return false;  // never put a file in place of a folder or a device
    if (hadFile && !replace) {
        errno = EEXIST;
        return false;
    }
    if (hadFile && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return false;

    const std::string folder = folderOf(target);
    static std::atomic<unsigned> counter{0};
    std::string temp;
    FileHandle file;
    for (int attempt = 0; attempt < 100 && !file.valid(); ++attempt) {
        temp = folder + "/" + temporaryFileName(::getpid(), ++counter);
        file = FileHandle(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!file.valid() && errno != EEXIST)
            return false;
    }
    if (!file.valid())
        return false;

    bool ok = true;
    if (hadFile)
        (void)::fchmod(file.get(), old.st_mode & 07777);
    ok = writeFully(file.get(), static_cast<const unsigned char*>(data), size);
    ok = ok && ::fsync(file.get()) == 0;
    ok = file.close() && ok;
    if (replace) {
        ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    } else {
        // A hard link fails when a file is there, even one that appeared
        // after the check above: nothing is ever replaced.
        ok = ok && ::link(temp.c_str(), target.c_str()) == 0;
        const int linkError = errno;
        if (ok)
            ::unlink(temp.c_str());
        errno = linkError;
    }
    if (!ok) {
        const int error = errno;
        ::unlink(temp.c_str());
        errno = error;
        return false;
    }
    // Make the rename itself durable; a failure here leaves a correct file.
    FileHandle dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid())
        (void)::fsync(dir.get());
    return true;
}

// Every byte of a record is a member with a default of 0 (`active` 1), so a
// value-initialised record is the new record of the file format.
DictRecord makeTombstone()
{
    DictRecord record{};
    record.active = 0;
    record.deleted = 1;
    return record;
}

namespace {

// Opens the dictionary at `path` and counts the complete records for which
// `counts(record bytes)` holds; 0 after `failure` when it cannot be opened or
// read.
template <class Counts>
std::uint32_t countRecords(const std::string& path, MessagePort& messages, std::string_view failure, Counts counts)
{
    FileHandle file = openForRead(path);
    std::uint32_t count = 0;
    const bool ok = file.valid() &&
                    forEachRecordChunk(file.get(), kDictRecordSize, [&](const unsigned char* data, std::size_t n) {
                        for (std::size_t i = 0; i < n; ++i)
                            count += counts(data + i * kDictRecordSize);
                    });
    if (!ok) {
        showError(messages, failure);
        return 0;
    }
    return count;
}

// Appends every complete record of the file at `path` to `records`; on a
// failure to open or read shows `failure` and leaves `records` as it was.
template <class Record>
bool loadRecords(const std::string& path, MessagePort& messages, std::string_view failure,
                 std::vector<Record>& records)
{
    FileHandle file = openForRead(path);
    std::vector<Record> loaded;
    if (!file.valid() || !readRecords(file.get(), loaded)) {
        showError(messages, failure);
        return false;
    }
    if (records.empty())
        records.swap(loaded);
    else
        records.insert(records.end(), loaded.begin(), loaded.end());
    return true;
}

// A path refused by the settings (an empty path) fails without a message:
// the user was told about the name once when the program started.
template <class Record>
bool replaceRecords(const std::string& path, MessagePort& messages, std::string_view failure,
                    const std::vector<Record>& records)
{
    if (!replaceFileContent(path, records.data(), records.size() * sizeof(Record))) {
        if (!path.empty())
            showError(messages, failure);
        return false;
    }
    return true;
}

} // namespace

std::uint32_t DictItemCount(const Settings& settings, MessagePort& messages)
{
    const std::string path = settings.dictionaryPath();
    const FileStatus status = queryFile(path);
    if (!status.exists)
        return 0;
    if (status.regular && (status.size < kDictRecordSize || status.size % kDictRecordSize != 0))
        return 0;
    return countRecords(path, messages, "Ошибка: Невозможно получить значение DictItemCount",
                        [](const unsigned char* record) { return record[offsetof(DictRecord, deleted)] == 0; });
}

std::uint32_t ActiveItemCount(const Settings& settings, MessagePort& messages)
{
    const std::string path = settings.dictionaryPath();
    const FileStatus status = queryFile(path);
    if (!status.exists || (status.regular && status.size == 0))
        return 0;
    return countRecords(path, messages, "Ошибка: Невозможно получить значение ActiveItemCount",
                        [](const unsigned char* record) {
                            return record[offsetof(DictRecord, deleted)] == 0 &&
                                   record[offsetof(DictRecord, active)] != 0;
                        });
}

std::optional<ExcludedScan> scanExcludedWords(const std::string& path)
{
    FileHandle file = openForRead(path);
    if (!file.valid())
        return std::nullopt;
    ExcludedScan scan;
    const bool ok = forEachRecordChunk(file.get(), kDictRecordSize, [&scan](const unsigned char* data, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            DictRecord record;
            std::memcpy(static_cast<void*>(&record), data + i * kDictRecordSize, kDictRecordSize);
            if (record.isExcluded())
                scan.words.emplace_back(fieldView(record.word));
            else if (record.isLive() && record.active != 0)
                ++scan.activeCount;
        }
    });
    if (!ok)
        return std::nullopt;
    return scan;
}

bool loadDictionary(const Settings& settings, MessagePort& messages, Dictionary& records)
{
    return loadRecords(settings.dictionaryPath(), messages, "Ошибка: Не удалось загрузить словарь.\n", records);
}

bool updateDictionary(const Settings& settings, MessagePort& messages, const Dictionary& records)
{
    return replaceRecords(settings.dictionaryPath(), messages, "Ошибка: не удалось обновить словарь.", records);
}

bool loadList(const Settings& settings, MessagePort& messages, WordList& records)
{
    const std::string path = settings.listPath();
    const FileStatus status = queryFile(path);
    if (!status.exists || (status.regular && status.size == 0))
        return true;  // no list yet: an empty list
    return loadRecords(path, messages, "Ошибка: Не удалось загрузить список.\n", records);
}

bool updateList(const Settings& settings, MessagePort& messages, const WordList& records)
{
    return replaceRecords(settings.listPath(), messages, kListUpdateFailed, records);
}

bool writeList(const Settings& settings, const WordList& records)
{
    return replaceFileContent(settings.listPath(), records.data(), records.size() * sizeof(ListRecord));
}

DictRecord newDictRecord()
{
    return DictRecord{};
}

namespace {
// Copies a text field up to its terminator (or the field's end), zero-filling
// the rest, so that stray bytes after the terminator are not carried along.
template <std::size_t N>
void copyField(char (&to)[N], const char (&from)[N])
{
    const std::string_view text = fieldView(from);
    std::memset(to, 0, N);
    std::memcpy(to, text.data(), text.size());
}
} // namespace

ListRecord newListRecord(const DictRecord& source)
{
    ListRecord record{}; // counters 0, bytes 212 and 213 set to 1
    copyField(record.word, source.word);
    copyField(record.translation, source.translation);
    copyField(record.transcription, source.transcription);
    return record;
}

std::optional<std::int64_t> findRecord(std::istream& dictionary, std::string_view word)
{
    if (word.size() >= sizeof(DictRecord::word) + 1)
        return std::nullopt;
    dictionary.clear();
    dictionary.seekg(0);
    if (!dictionary)
        return std::nullopt;
    constexpr std::size_t kSearchChunk = 256;
    std::vector<char> buffer(kSearchChunk * kDictRecordSize);
    std::int64_t index = 0;
    for (;;) {
        dictionary.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const std::size_t got = static_cast<std::size_t>(dictionary.gcount());
        const std::size_t count = got / kDictRecordSize;
        for (std::size_t i = 0; i < count; ++i, ++index) {
            const char* field = buffer.data() + i * kDictRecordSize + offsetof(DictRecord, word);
            const void* zero = std::memchr(field, 0, sizeof(DictRecord::word));
            const std::size_t length =
                zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - field) : sizeof(DictRecord::word);
            if (std::string_view(field, length) == word) {
                // Leave the stream just past the record, as a record-by-record
                // search would.
                const std::int64_t offset = index * static_cast<std::int64_t>(kDictRecordSize);
                dictionary.clear();
                dictionary.seekg(offset + static_cast<std::int64_t>(kDictRecordSize));
                return offset;
            }
        }
        if (dictionary.bad() || got < buffer.size())
            return std::nullopt;
    }
}

bool rewriteRecord(std::iostream& dictionary, std::int64_t offset, const DictRecord& record)
{
    if (offset < 0)
        return false;
    dictionary.clear();
    dictionary.seekp(offset);
    dictionary.write(reinterpret_cast<const char*>(&record), sizeof record);
    dictionary.flush();
    return static_cast<bool>(dictionary);
}

bool createDictionaryFiles(const Settings& settings, MessagePort& messages, std::ofstream& appendStream)
{
    std::ofstream dictionary = openDictionaryForAppend(settings);
    if (!dictionary.is_open()) {
        showError(messages, "Не удалось создать файл словаря.");
        return false;
    }
    // Created only when nothing is there (an existing list is kept as it is).
    const std::string list = settings.listPath();
    FileHandle file(::open(list.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if ((!file.valid() && errno != EEXIST) || !file.close())
        showError(messages, "Не удалось создать файл списка.");
    appendStream = std::move(dictionary);
    return true;
}

bool createDictionaryFiles(const Settings& settings, MessagePort& messages)
{
    std::ofstream appendStream;
    return createDictionaryFiles(settings, messages, appendStream);
}

bool dictionaryExists(const std::string& path)
{
    return queryFile(path).exists;
}

std::fstream openDictionaryForUpdate(const Settings& settings)
{
    return std::fstream(settings.dictionaryPath(), std::ios::in | std::ios::out | std::ios::binary);
}

std::ofstream openDictionaryForAppend(const Settings& settings)
{
    return std::ofstream(settings.dictionaryPath(), std::ios::out | std::ios::app | std::ios::binary);
}

bool appendRecord(std::ostream& stream, const DictRecord& record)
{
    stream.write(reinterpret_cast<const char*>(&record), sizeof record);
    stream.flush();
    return static_cast<bool>(stream);
}

std::string temporaryFileName(long pid, unsigned number)
{
    return ".mox-" + std::to_string(pid) + "-" + std::to_string(number) + ".tmp";
}

namespace {
// The process id in a name of temporaryFileName's form, or 0 for any other name.
long temporaryFileOwner(std::string_view name)
{
    constexpr std::string_view prefix = ".mox-", suffix = ".tmp";
    if (name.size() <= prefix.size() + suffix.size() || name.substr(0, prefix.size()) != prefix ||
        name.substr(name.size() - suffix.size()) != suffix)
        return 0;
    const std::string_view middle = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    const std::size_t dash = middle.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == middle.size())
        return 0;
    const auto digits = [](std::string_view text) {
        return text.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (!digits(middle.substr(0, dash)) || !digits(middle.substr(dash + 1)) || dash > 9)
        return 0;
    return std::stol(std::string(middle.substr(0, dash)));
}
} // namespace

std::size_t removeStaleTemporaryFiles(const std::string& folder)
{
    // Without /proc nothing tells whether the owner still runs: keep them all.
    struct stat proc {};
    if (folder.empty() || ::stat("/proc/self", &proc) != 0)
        return 0;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return 0;
    std::size_t removed = 0;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const long owner = temporaryFileOwner(entry->d_name);
        if (owner <= 0 || owner == static_cast<long>(::getpid()))
            continue;
        struct stat st {};
        if (::stat(("/proc/" + std::to_string(owner)).c_str(), &st) == 0 || errno != ENOENT)
            continue;  // its owner runs (or may): the file may be a save in progress
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (::unlinkat(dirFd, entry->d_name, 0) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

bool reportRefusedNames(const Settings& settings, MessagePort& messages)
{
    std::string text;
    const auto check = [&](const std::string& folder, const std::string& name, const char* what) {
        if (folder.empty() || name.empty() || !confinedPath(folder, name).empty())
            return;
        text += text.empty() ? "" : "\n";
        text += std::string(what) + " \"" + name + "\" указывает за пределы папки словарей " + folder + ".";
    };
    check(settings.dictFolder(), settings.sCurDict(), "Имя словаря (sCurDict)");
    check(settings.listFolder(), settings.sCurList(), "Имя списка (sCurList)");
    if (text.empty())
        return false;
    messages.show(text + "\nСловарь не открыт, и ни один файл не изменён. Выберите словарь в настройках.",
                  MessageIcon::Warning, MessageButtons::Ok);
    return true;
}

} // namespace mox
