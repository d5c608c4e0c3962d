#pragma once
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/Store.h"

namespace mox {

class MessagePort;
class Settings;

// The three texts of one word record, as bytes: word, translation,
// transcription (the columns of the dictionary editor, in that order).
using RecordTexts = std::array<std::string, 3>;

enum EditorColumn : int { kWordColumn = 0, kTranslationColumn = 1, kTranscriptionColumn = 2 };

// How many text bytes a column's record field holds (79, 79, 29).
std::size_t columnCapacity(int column);

// Reads the texts of every live record of the dictionary at `path`, in file
// order, in one pass. False (and no rows) when the file cannot be opened or
// read.
bool readLiveTexts(const std::string& path, std::vector<RecordTexts>& rows);

// Writes the dictionary editor's changes into the current dictionary, in
// place, and keeps the working list in step with them. Records are found by
// their word: the first record in file order whose word equals it.
//
// The working list is the learning window's list in memory, saved whole with
// updateList after a change; without one, the list file itself is read,
// changed and saved.
class DictionaryWriter {
public:
    enum class Result {
        unchanged, // the new text equals the old one: nothing to do
        written,   // the record holds the new text
        notFound,  // no record has the key for its word; nothing written
        failed,    // the file could not be opened, read or written (told)
    };

    DictionaryWriter(const Settings& settings, MessagePort& messages, WordList* workingList);

    // Puts `newText` into the column's field of the first record whose word
    // is `key`. When that record is in the working list, every list entry
    // with the word `key` gets the new text too and the list is saved.
    Result writeBack(std::string_view key, int column, std::string_view oldText, std::string_view newText);

    // Overwrites the first record of each word with a tombstone (a word given
    // twice deletes one record) and removes each deleted word's first entry
    // from the working list, which is then saved. Gives the number of records
    // deleted, or nothing when the dictionary could not be opened or read
    // (told; nothing deleted then).
    std::optional<std::size_t> deleteWords(const std::vector<std::string>& words);

private:
    // Applies `change` to the working list (or the list file) and saves it.
    template <class Change>
    void changeList(Change change);

    const Settings& settings_;
    MessagePort& messages_;
    WordList* workingList_;
};

} // namespace mox
