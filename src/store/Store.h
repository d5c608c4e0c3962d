#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "store/DictRecord.h"
#include "store/ListRecord.h"

namespace mox {

class MessagePort;

using Dictionary = std::vector<DictRecord>;
using WordList = std::vector<ListRecord>;

// The store's whole-file operations on a dictionary or list file given by its
// path. Failures are told to the user through the message port and then
// returned as 0, false or an unchanged array. An empty path (a name that may
// not be used) counts as a missing file and is never written.

// Live records of the dictionary; 0 for a missing file. Only complete
// records count: a trailing fragment is no record.
std::uint32_t DictItemCount(const std::string& dictionary, MessagePort& messages);
// Live records with `active` set.
std::uint32_t ActiveItemCount(const std::string& dictionary, MessagePort& messages);
// Both counts in one pass over the dictionary, told as the two above tell.
struct ItemCounts {
    std::uint32_t total = 0;
    std::uint32_t active = 0;
};
ItemCounts DictItemCounts(const std::string& dictionary, MessagePort& messages);

// Appends every complete record of the dictionary, tombstones included.
bool loadDictionary(const std::string& dictionary, MessagePort& messages, Dictionary& records);
// Replaces the dictionary's content with `records`. The new content is
// written beside the file and put in its place, so a failure keeps the old
// file.
bool updateDictionary(const std::string& dictionary, MessagePort& messages, const Dictionary& records);

// Appends every complete record of the list; a missing or empty file is an
// empty list without a message. False when the file could not be read.
bool loadList(const std::string& list, MessagePort& messages, WordList& records);
// Replaces the list file's content with `records` (safely, as above).
bool updateList(const std::string& list, MessagePort& messages, const WordList& records);

// A record for a new word: all zero but `active` = 1.
DictRecord newDictRecord();
// A list record for a dictionary record: texts copied, counters 0, bytes 212
// and 213 set to 1.
ListRecord newListRecord(const DictRecord& source);

} // namespace mox
