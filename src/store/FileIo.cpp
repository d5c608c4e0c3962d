#include "store/FileIo.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace mox {

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept
{
    if (this != &other) {
        reset();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

void FileHandle::reset()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool FileHandle::close()
{
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
}

namespace {

bool hasWriteBit(const struct stat& st)
{
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

FileStatus statusOf(const struct stat& st)
{
    FileStatus status;
    status.regular = S_ISREG(st.st_mode);
    status.exists = status.regular;
    status.size = static_cast<std::uint64_t>(st.st_size);
    status.device = static_cast<std::uint64_t>(st.st_dev);
    status.inode = static_cast<std::uint64_t>(st.st_ino);
    status.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    return status;
}

// Opens `path` with `flags` and keeps it only when it is a regular file.
FileHandle openRegular(const std::string& path, int flags, mode_t mode = 0)
{
    if (path.empty())
        return FileHandle();
    FileHandle file(::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, mode));
    if (!file.valid())
        return file;
    struct stat st {};
    if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        file.reset();
        errno = EISDIR;
        return file;
    }
    // Blocking from here on: a regular file never waits anyway.
    (void)::fcntl(file.get(), F_SETFL, ::fcntl(file.get(), F_GETFL) & ~O_NONBLOCK);
    return file;
}

void syncFolder(const std::string& folder)
{
    FileHandle dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid())
        (void)::fsync(dir.get());
}

// A fresh file in `folder` for replaceFileContent: unnamed where the file
// system can (`name` stays empty), otherwise under a temporary name.
FileHandle createFreshFile(const std::string& folder, std::string& name)
{
    name.clear();
#ifdef O_TMPFILE
    FileHandle unnamed(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    if (unnamed.valid())
        return unnamed;
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT)
        return unnamed;
#endif
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder + "/" + temporaryFileName(::getpid(), ++counter);
        FileHandle named(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (named.valid() || errno != EEXIST)
            return named;
    }
    errno = EEXIST;
    return FileHandle();
}

// Gives the unnamed file `fd` the name `path`; fails when something is there.
bool nameUnnamedFile(int fd, const std::string& path)
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

} // namespace

std::string realPathOf(const std::string& path)
{
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr)
        return {};
    std::string out(resolved);
    std::free(resolved);
    return out;
}

FileStatus queryFile(const std::string& path)
{
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) {
        FileStatus missing;
        // Any other failure (no permission to look, a name too long) means the
        // file is there as far as we can tell, but cannot be used.
        missing.exists = !path.empty() && errno != ENOENT && errno != ENOTDIR;
        return missing;
    }
    return statusOf(st);
}

bool writableByMode(int fd)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 && hasWriteBit(st);
}

bool writableByMode(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && hasWriteBit(st) &&
           ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

FileHandle openForRead(const std::string& path)
{
    return openRegular(path, O_RDONLY);
}

FileHandle openForUpdate(const std::string& path)
{
    FileHandle file = openRegular(path, O_RDWR);
    if (file.valid() && !writableByMode(file.get())) {
        file.reset();
        errno = EACCES;
    }
    return file;
}

FileHandle openForAppend(const std::string& path)
{
    FileHandle file = openRegular(path, O_WRONLY | O_CREAT | O_APPEND, 0666);
    if (file.valid() && !writableByMode(file.get())) {
        file.reset();
        errno = EACCES;
    }
    return file;
}

namespace {

// Repeats `step(done)`, one read or write of what is left from byte `done`
// on, until `size` bytes are moved, the end of the file (a step of 0) or an
// error other than an interruption (-1).
template <typename Step>
ssize_t untilDone(std::size_t size, Step step)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t moved = step(done);
        if (moved < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (moved == 0)
            break;
        done += static_cast<std::size_t>(moved);
    }
    return static_cast<ssize_t>(done);
}

} // namespace

ssize_t readFully(int fd, void* buffer, std::size_t size)
{
    auto* bytes = static_cast<unsigned char*>(buffer);
    return untilDone(size, [&](std::size_t done) { return ::read(fd, bytes + done, size - done); });
}

ssize_t readFullyAt(int fd, void* buffer, std::size_t size, std::uint64_t offset)
{
    auto* bytes = static_cast<unsigned char*>(buffer);
    return untilDone(size, [&](std::size_t done) {
        return ::pread(fd, bytes + done, size - done, static_cast<off_t>(offset + done));
    });
}

bool writeFully(int fd, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    return untilDone(size, [&](std::size_t done) { return ::write(fd, bytes + done, size - done); }) ==
           static_cast<ssize_t>(size);
}

bool writeFullyAt(int fd, const void* data, std::size_t size, std::uint64_t offset)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    return untilDone(size, [&](std::size_t done) {
               return ::pwrite(fd, bytes + done, size - done, static_cast<off_t>(offset + done));
           }) == static_cast<ssize_t>(size);
}

bool createIfMissing(const std::string& path)
{
    if (path.empty())
        return false;
    FileHandle file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (file.valid())
        return file.close();
    struct stat st {};
    return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool replaceFileContent(const std::string& path, const void* data, std::size_t size, bool replace)
{
    if (path.empty())
        return false;  // a name that may not be used: nothing is created
    std::string target = path;
    struct stat linkStatus {};
    if (::lstat(path.c_str(), &linkStatus) == 0 && S_ISLNK(linkStatus.st_mode)) {
        const std::string resolved = realPathOf(path);
        if (!resolved.empty())
            target = resolved;
    }
    struct stat old {};
    const bool hadFile = ::stat(target.c_str(), &old) == 0;
    if (hadFile && !S_ISREG(old.st_mode)) {
        errno = EISDIR;
        return false;  // never put a file in place of a folder or a device
    }
    if (hadFile && !replace) {
        errno = EEXIST;
        return false;
    }
    if (hadFile && !writableByMode(target)) {
        errno = EACCES;
        return false;
    }

    const std::string folder = folderOf(target);
    std::string tempName;
    FileHandle file = createFreshFile(folder, tempName);
    if (!file.valid())
        return false;

    if (hadFile)
        (void)::fchmod(file.get(), old.st_mode & 07777);
    bool ok = writeFully(file.get(), data, size) && ::fsync(file.get()) == 0;
    if (ok && tempName.empty()) {
        // The unnamed file gets its name: directly where nothing may be
        // replaced (a link fails when a file is there, even one that appeared
        // after the check above), under a temporary name to be renamed over
        // the old file otherwise.
        if (replace) {
            static std::atomic<unsigned> counter{0};
            for (int attempt = 0; attempt < 100; ++attempt) {
                tempName = folder + "/" + temporaryFileName(::getpid(), 1'000'000 + ++counter);
                if (nameUnnamedFile(file.get(), tempName))
                    break;
                const bool taken = errno == EEXIST;
                tempName.clear();
                if (!taken)
                    break;
            }
            ok = !tempName.empty();
        } else {
            ok = nameUnnamedFile(file.get(), target);
            const int error = errno;
            ok = file.close() && ok;
            errno = error;
            if (ok)
                syncFolder(folder);
            return ok;
        }
    }
    ok = file.close() && ok;
    if (ok) {
        if (replace) {
            ok = ::rename(tempName.c_str(), target.c_str()) == 0;
        } else {
            ok = ::link(tempName.c_str(), target.c_str()) == 0;
            const int linkError = errno;
            if (ok)
                ::unlink(tempName.c_str());
            errno = linkError;
        }
    }
    if (!ok) {
        const int error = errno;
        if (!tempName.empty())
            ::unlink(tempName.c_str());
        errno = error;
        return false;
    }
    // Make the rename itself durable; a failure here leaves a correct file.
    syncFolder(folder);
    return true;
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

} // namespace mox
