#pragma once
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/DictRecord.h"
#include "store/ListRecord.h"

namespace mox {

class Settings;
class MessagePort;

using Dictionary = std::vector<DictRecord>;
using WordList = std::vector<ListRecord>;

// The store: free operations over the dictionary and list files. Each builds
// its path from the settings when called, opens the file, works and closes it.
// Failures are told to the user through the message port and then returned as
// 0, false or an unchanged array.

// Live records of the current dictionary; 0 for a missing file or one whose
// size is below one record or not a whole number of records.
std::uint32_t DictItemCount(const Settings& settings, MessagePort& messages);
// Live records with `active` set; reads the complete records of any size.
std::uint32_t ActiveItemCount(const Settings& settings, MessagePort& messages);

// What one pass over a dictionary tells the Dictionaries page: the words it
// offers for re-activation (live, `active` 0, `inList` 0), in file order, and
// the number of live records with `active` set.
struct ExcludedScan {
    std::vector<std::string> words;  // record bytes of `word`
    std::uint32_t activeCount = 0;
};
// Reads the dictionary at `path` once. Nothing when it cannot be opened or
// read (a folder or device in place of the file counts as unreadable).
std::optional<ExcludedScan> scanExcludedWords(const std::string& path);

// Appends every complete record of the current dictionary, tombstones included.
bool loadDictionary(const Settings& settings, MessagePort& messages, Dictionary& records);
// Replaces the current dictionary's content with `records`. The new content is
// written beside the file and renamed over it, so a failure keeps the old file.
bool updateDictionary(const Settings& settings, MessagePort& messages, const Dictionary& records);

// Appends every complete record of the current list; a missing or empty file
// is an empty list without a message. Returns false when the file could not
// be read.
bool loadList(const Settings& settings, MessagePort& messages, WordList& records);
// Replaces the current list file's content with `records` (safely, as above).
bool updateList(const Settings& settings, MessagePort& messages, const WordList& records);
// The message updateList shows when the list could not be written.
inline constexpr const char* kListUpdateFailed = "Ошибка: не удалось обновить список.";
// updateList without the message, for callers that report failures themselves.
bool writeList(const Settings& settings, const WordList& records);

// Replaces the content of the file at `path` with `size` bytes without ever
// truncating it: the bytes go to a fresh file beside it, are flushed to the
// disk, and the fresh file is renamed over the old one. On any failure the old
// file stays as it was and the fresh file is removed. A symbolic link at
// `path` stays a link; the file it points to is replaced. The file keeps its
// permission bits. A file the user may not write is left as it is and the
// write fails, exactly as if it had been refused (the rename would replace
// it just because the folder is writable). With `replace` false an existing
// file is never touched: the call fails with errno EEXIST instead. Reports
// nothing; errno tells why it failed.
bool replaceFileContent(const std::string& path, const void* data, std::size_t size, bool replace = true);

// A record for a new word: all zero but `active` = 1.
DictRecord newDictRecord();
// A list record for a dictionary record: texts copied, counters 0, bytes 212
// and 213 set to 1.
ListRecord newListRecord(const DictRecord& source);

// Byte offset of the first record whose `word` equals `word` byte for byte
// (tombstones are not skipped, but their word is empty), or nothing. A read
// error also finds nothing and leaves the stream bad(), which callers that
// must tell "not there" from "could not look" check. A found record leaves
// the stream positioned just after it.
std::optional<std::int64_t> findRecord(std::istream& dictionary, std::string_view word);
// Writes `record` at `offset`; clears the stream's end-of-file state first.
// Returns false when the write did not reach the file.
bool rewriteRecord(std::iostream& dictionary, std::int64_t offset, const DictRecord& record);

// Creates the empty current dictionary and, when missing, the empty current
// list. False (after a message) when the dictionary could not be created.
bool createDictionaryFiles(const Settings& settings, MessagePort& messages);
// The same, handing over the append stream on the new dictionary (positioned
// at its end) through which the caller appends its records.
bool createDictionaryFiles(const Settings& settings, MessagePort& messages, std::ofstream& appendStream);
// Whether a file exists at `path`; opens nothing.
bool dictionaryExists(const std::string& path);

// Opens the current dictionary for reading and writing without truncation
// (the "update" way of opening); the stream is not open on failure.
std::fstream openDictionaryForUpdate(const Settings& settings);
// Opens the current dictionary for binary appending, creating a missing file
// (the "append" way of opening); the stream is not open on failure.
std::ofstream openDictionaryForAppend(const Settings& settings);
// Writes `record` at the end of an append stream and flushes it at once, so
// the record is in the file even if the program ends abruptly. False when
// the write or the flush failed.
bool appendRecord(std::ostream& stream, const DictRecord& record);

// When sCurDict or sCurList names a file that may not be used (it would lead
// out of the dictionary folder, see confinedPath), tells the user in one
// message that names the value; the program then works as without a
// dictionary and opens nothing. True when it told. Empty names (no
// dictionary chosen) are not told: they count as a missing file.
bool reportRefusedNames(const Settings& settings, MessagePort& messages);

// The name of the store's temporary files: a whole-file write goes to
// ".mox-PID-N.tmp" beside the file and is renamed over it.
std::string temporaryFileName(long pid, unsigned number);
// Removes the temporary files of that form in `folder` that no running
// process owns (a save that was cut off by a kill or a crash): the PID in the
// name is not a live process in /proc. Other files, and the files of live
// processes (this one included), are never touched. Returns how many went.
std::size_t removeStaleTemporaryFiles(const std::string& folder);

} // namespace mox
