#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include <sys/types.h>

namespace mox {

// The system calls under the record files, with their retries and checks in
// one place. Nothing here knows about records.

// Closes the descriptor it holds when it goes out of scope.
class FileHandle {
public:
    explicit FileHandle(int fd = -1) : fd_(fd) {}
    ~FileHandle() { reset(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle(FileHandle&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileHandle& operator=(FileHandle&& other) noexcept;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset();
    // Closes and reports whether the close succeeded (a delayed write error
    // may only show here).
    bool close();

private:
    int fd_;
};

struct FileStatus {
    bool exists = false;    // a regular file is at the path, or one may be (it cannot be looked at)
    bool regular = false;   // and it is known to be a regular file
    std::uint64_t size = 0;
    // What identifies this state of the file: a rewrite, a rename over it or
    // an append changes at least one of them.
    std::uint64_t device = 0, inode = 0;
    std::int64_t modifiedNs = 0;

    bool sameContentStamp(const FileStatus& other) const
    {
        return exists == other.exists && size == other.size && device == other.device && inode == other.inode &&
               modifiedNs == other.modifiedNs;
    }
};

// The status of the file at `path`, following symbolic links. A path that
// names nothing (or runs through a missing folder) does not exist, and
// neither does a folder, a device or a pipe in place of the file: none of
// them is a dictionary or a list, and none is ever opened.
FileStatus queryFile(const std::string& path);

// Whether the user means the file to be written: the process may write it
// and its mode has a write bit. The mode bits count for root too, who passes
// every access check: a file made read-only stays read-only.
bool writableByMode(int fd);
bool writableByMode(const std::string& path);

// Binary input on an existing regular file. A folder or device in place of
// the file counts as a failure to open; a pipe does not keep the open waiting.
FileHandle openForRead(const std::string& path);
// Reading and writing in place of an existing regular file that the user
// means to be written (see writableByMode); never creates or truncates.
FileHandle openForUpdate(const std::string& path);
// Appending to a regular file, created when nothing is at the path. A file
// made read-only is not opened.
FileHandle openForAppend(const std::string& path);

// Reads up to `size` bytes, retrying short reads; the number of bytes read
// (less than `size` only at the end of the file) or -1 on a read error.
ssize_t readFully(int fd, void* buffer, std::size_t size);
ssize_t readFullyAt(int fd, void* buffer, std::size_t size, std::uint64_t offset);
bool writeFully(int fd, const void* data, std::size_t size);
bool writeFullyAt(int fd, const void* data, std::size_t size, std::uint64_t offset);

// Creates an empty regular file when nothing is at the path. True when a
// regular file is there afterwards (made now or before); never truncates and
// never opens what is there.
bool createIfMissing(const std::string& path);

// Replaces the content of the file at `path` with `size` bytes without ever
// truncating it: the bytes go to a fresh file in the same folder, are flushed
// to the disk, and the fresh file is put in place in one step. On any failure
// the old file stays as it was and nothing of the fresh file is left; where
// the file system allows it, the fresh file has no name until it is put in
// place, so even a process killed meanwhile leaves nothing behind. A symbolic
// link at `path` stays a link; the file it points to is replaced. The file
// keeps its permission bits. A file the user means to be read-only (see
// writableByMode) is left as it is and the write fails, exactly as if it had
// been refused. With `replace` false an existing file is never touched: the
// call fails with errno EEXIST instead. Reports nothing; errno tells why it
// failed.
bool replaceFileContent(const std::string& path, const void* data, std::size_t size, bool replace = true);

// The name of the store's temporary files where a fresh file needs a name
// while it is written: ".mox-PID-N.tmp" beside the file.
std::string temporaryFileName(long pid, unsigned number);
// Removes the temporary files of that form in `folder` that no running
// process owns (a save that was cut off by a kill or a crash): the PID in the
// name is not a live process in /proc. Other files, and the files of live
// processes (this one included), are never touched. Returns how many went.
std::size_t removeStaleTemporaryFiles(const std::string& folder);

// The folder part of a path ("." for a bare name).
std::string folderOf(const std::string& path);

// The path with every link and "."/".." resolved; empty when it does not
// lead to anything.
std::string realPathOf(const std::string& path);

} // namespace mox
