#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/CandidateSet.h"
#include "store/DictionaryFile.h"
#include "store/DictionaryFolder.h"
#include "store/FileIo.h"
#include "store/ListRecord.h"
#include "store/Restore.h"

namespace mox {

class MessagePort;

enum EditorColumn : int { kWordColumn = 0, kTranslationColumn = 1, kTranscriptionColumn = 2 };
// How many text bytes a column's record field holds (79, 79, 29).
std::size_t columnCapacity(int column);

// The current dictionary with its working list: the one place that holds the
// list in memory and the one way every window changes a dictionary, so that
// the list and the dictionary's `inList` flags agree after every change.
//
// The list belongs to the dictionary it was read from: it is only ever
// written to that dictionary's list file, and opening another dictionary
// first writes the old list to its own file, then reads the new one. Every
// time a list is read from its file it is reconciled with the dictionary
// both ways: a list word without a live, active dictionary record marked
// `inList` leaves the list, and a record marked `inList` that the list lacks
// loses the mark (so it can be drawn again). A crash between the writes of
// any change therefore leaves no lasting disagreement.
//
// Failures are told through the message port with the text of the
// operation that failed.
class DictionarySession {
public:
    // The texts the session tells.
    static constexpr const char* kListLoadFailed = "Ошибка: Не удалось загрузить список.\n";
    static constexpr const char* kListUpdateFailed = "Ошибка: не удалось обновить список.";
    static constexpr const char* kCannotReadDictionary = "Ошибка: Не удалось прочитать файл словаря.";
    static constexpr const char* kCannotWriteDictionary = "Ошибка: Не удалось записать файл словаря.";

    explicit DictionarySession(MessagePort& messages) : messages_(messages) {}

    // ---- which dictionary
    // Makes `paths` the session's dictionary. When they differ from the
    // present ones, the present list is written to its own file when it has
    // unsaved changes and dropped; the new list is read and reconciled.
    void open(const DictionaryPaths& paths);
    // Drops the list in memory unwritten and names no dictionary: for a
    // dictionary about to be deleted, whose list must not come back.
    void close();
    const DictionaryPaths& paths() const { return paths_; }
    DictionaryFile dictionary() const { return DictionaryFile(paths_.dictionary); }
    // A dictionary file is there (it may be empty).
    bool dictionaryExists() const;
    // Creates the missing dictionary and list files (empty). False when the
    // dictionary is not there afterwards; `listMade`, when given, tells
    // whether the list is.
    bool createFiles(bool* listMade = nullptr) const;

    // ---- the working list
    const std::vector<ListRecord>& list() const { return list_; }
    // A word of the list, to be changed by an answer; the change reaches the
    // file with the next save.
    ListRecord& word(std::size_t index);
    // Replaces the list in memory; it reaches its own file with the next save.
    void replaceList(std::vector<ListRecord> list);
    // Counts every change of the list that moves or removes words (reading
    // it, dropping words): an index taken before is stale when it differs.
    std::uint64_t generation() const { return generation_; }

    // Reads the list from its file and reconciles it. While the file is known
    // to be older than the list in memory (its last write failed), the file
    // is written first, and when that fails again the list in memory is
    // kept: the older file would bring back answers and learned words.
    void reload();
    // The same, but only when the list or the dictionary changed on disk
    // since the session last read or wrote them (another program, the
    // module); otherwise the list in memory stands as it is.
    void refresh();
    // Writes the whole list to its own file (safely). A failure is told once,
    // and not again until a write has succeeded (`tellAgain` tells it even
    // then). Without a usable dictionary nothing is written or told.
    bool save(bool tellAgain = false);
    bool hasUnsavedChanges() const { return unsaved_; }

    // ---- changes, each keeping the list and the `inList` flags in agreement
    // Draws fresh words from the dictionary until the list holds `target`
    // words or no candidate is left; `below(n)` draws a number under n (the
    // n-th remaining candidate in file order is taken). While the dictionary
    // is unchanged since the last pass, the candidates that pass found (and
    // the session's own changes since) serve instead of another pass. Each
    // word reaches the list file before its record is marked `inList`; a
    // failed mark takes the list record back. False when the dictionary holds
    // no live word, cannot be opened or read, offers no candidate for a list
    // of fewer than three words, or a write failed. `candidates`, when given,
    // receives the number of candidates there were before the drawing.
    bool topUp(std::size_t target, const std::function<std::uint32_t(std::uint32_t)>& below,
               std::optional<std::uint32_t>* candidates = nullptr);
    // Takes list word `index` out of learning: the first record with its word
    // loses `active` and `inList` first, then the word leaves the list. False
    // when the dictionary could not be changed (the word stays).
    bool exclude(std::size_t index);

    enum class EditResult {
        unchanged, // the new text equals the old one: nothing to do
        written,   // the record holds the new text
        notFound,  // no record has the key for its word; nothing written
        failed,    // the file could not be opened, read or written (told)
    };
    // Puts `newText` into the column's field of the first record whose word
    // is `key`; when that record is in the list, the list's entries with that
    // word follow and the list is saved.
    EditResult editText(std::string_view key, int column, std::string_view oldText, std::string_view newText);
    // Overwrites the first record of each word with a tombstone (a word given
    // twice deletes one record) and takes the deleted words out of the list.
    // The number of records deleted, or nothing when the dictionary could not
    // be opened or read (told; nothing deleted then).
    std::optional<std::size_t> deleteWords(const std::vector<std::string>& words);
    // Returns excluded words to learning (see DictionaryFile::activate).
    Activation activate(const std::vector<std::string>& words);
    // Appends a new word's record to the dictionary at once.
    bool addWord(const DictRecord& record);
    // Repairs the dictionary and its list (see restoreDictionary) and reads
    // the repaired list.
    RestoreResult restore(RestoreRefresh* refresh = nullptr);

    // A number that stays the same while the dictionary's live words stay as
    // they are (flags may change): a word added, deleted or renamed by the
    // session, another dictionary, or a change the session did not make give
    // another one (never one given before, by any session). Nothing while
    // the file has changed on disk since the session last looked at it.
    // Windows keep what they built from the words (a sorted index) under it.
    std::optional<std::uint64_t> wordsVersion() const;

    // The dictionary's counts, read now; nothing when it cannot be read.
    std::optional<DictionaryCounts> counts() const;

private:
    void readList();
    // Makes the list and the dictionary agree both ways (see above).
    void reconcile();
    // The number of live records, from the last pass while the dictionary
    // is unchanged since; a pass otherwise (0 without a readable file).
    std::uint32_t liveCount();
    void rememberList();
    void rememberDictionary(std::optional<std::uint32_t> live);
    // The dictionary is as the session last read or wrote it: what it
    // remembers of it (the live count, the candidates) still holds.
    bool dictionaryAsRemembered() const;
    // After a change of the session's own: the new stamp, and what was
    // remembered when it was current before the change (`asRemembered`),
    // otherwise nothing (the next need reads the file).
    void rememberOwnChange(bool asRemembered, std::optional<std::uint32_t> live);
    bool changedOnDisk() const;
    void dropWord(std::size_t index);
    void wordsChanged();

    MessagePort& messages_;
    DictionaryPaths paths_;
    bool opened_ = false;
    std::vector<ListRecord> list_;
    std::uint64_t generation_ = 0;
    bool unsaved_ = false;
    bool saveFailed_ = false;
    // The files as the session last read or wrote them.
    FileStatus listStamp_, dictionaryStamp_;
    std::optional<std::uint32_t> liveCount_;
    // The records that can be drawn, as of dictionaryStamp_.
    std::optional<CandidateSet> candidates_;
    std::uint64_t wordsVersion_ = 0;
};

} // namespace mox
