#include "store/DictionarySession.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "platform/MessagePort.h"
#include "store/ListFile.h"
#include "store/RecordText.h"
#include "store/Store.h"

namespace mox {

namespace {

constexpr const char* kCannotOpenForExclude = "Ошибка: Не удалось открыть файл словаря для исключения слова";
constexpr const char* kOpenForEditFailed = "Не удалось открыть файл словаря.";
constexpr const char* kOpenForDeleteFailed = "Ошибка при открытии файла";
constexpr const char* kEditReadFailed = "Не удалось прочитать файл словаря.";
constexpr const char* kEditWriteFailed = "Не удалось записать изменения в файл словаря.";
constexpr const char* kTooLong = "Текст не помещается в поле записи словаря; изменение не записано.";

// The column's text field of a dictionary or list record (the same layout).
template <class Record>
bool setColumnText(Record& record, int column, std::string_view text)
{
    switch (column) {
    case kWordColumn: return setFieldText(record.word, text);
    case kTranslationColumn: return setFieldText(record.translation, text);
    case kTranscriptionColumn: return setFieldText(record.transcription, text);
    default: return false;
    }
}

} // namespace

std::size_t columnCapacity(int column)
{
    switch (column) {
    case kWordColumn: return fieldCapacity(DictRecord{}.word);
    case kTranslationColumn: return fieldCapacity(DictRecord{}.translation);
    case kTranscriptionColumn: return fieldCapacity(DictRecord{}.transcription);
    default: return 0;
    }
}

// ---------------------------------------------------------------- the list

void DictionarySession::open(const DictionaryPaths& paths)
{
    if (opened_ && paths == paths_)
        return;
    if (opened_ && unsaved_)
        save(true);
    paths_ = paths;
    opened_ = true;
    saveFailed_ = false;
    unsaved_ = false;
    readList();
}

void DictionarySession::close()
{
    paths_ = {};
    opened_ = false;
    unsaved_ = false;
    saveFailed_ = false;
    list_.clear();
    liveCount_.reset();
    candidates_.reset();
    wordsChanged();
    ++generation_;
}

bool DictionarySession::dictionaryExists() const
{
    return queryFile(paths_.dictionary).exists;
}

bool DictionarySession::createFiles(bool* listMade) const
{
    if (!paths_.usable())
        return false;
    const bool dictionary = createIfMissing(paths_.dictionary);
    const bool list = createIfMissing(paths_.list);
    if (listMade != nullptr)
        *listMade = list;
    return dictionary;
}

ListRecord& DictionarySession::word(std::size_t index)
{
    unsaved_ = true;
    return list_.at(index);
}

void DictionarySession::replaceList(std::vector<ListRecord> list)
{
    list_ = std::move(list);
    unsaved_ = true;
    ++generation_;
}

void DictionarySession::reload()
{
    if (saveFailed_ && unsaved_ && paths_.usable()) {
        if (!ListFile(paths_.list).replaceAll(list_))
            return;  // still failing (and told): the file is older than the list in memory
        saveFailed_ = false;
    }
    readList();
}

void DictionarySession::refresh()
{
    if (!opened_ || changedOnDisk())
        reload();
}

bool DictionarySession::changedOnDisk() const
{
    return !queryFile(paths_.list).sameContentStamp(listStamp_) ||
           !queryFile(paths_.dictionary).sameContentStamp(dictionaryStamp_);
}

void DictionarySession::readList()
{
    ++generation_;
    list_.clear();
    unsaved_ = false;
    liveCount_.reset();
    candidates_.reset();
    wordsChanged();
    if (!paths_.usable())
        return;
    const ListFile file(paths_.list);
    const FileStatus status = file.status();
    // No list yet, or an empty one: an empty list without a message.
    if (status.exists && !(status.regular && status.size == 0) && !file.readAll(list_)) {
        list_.clear();
        messages_.show(kListLoadFailed, MessageIcon::Error, MessageButtons::Ok);
    }
    rememberList();
    reconcile();
}

bool DictionarySession::save(bool tellAgain)
{
    if (!paths_.usable())
        return false;  // no usable names: told once at the start
    if (ListFile(paths_.list).replaceAll(list_)) {
        saveFailed_ = false;
        unsaved_ = false;
        rememberList();
        return true;
    }
    if (!saveFailed_ || tellAgain) {
        saveFailed_ = true;
        messages_.show(kListUpdateFailed, MessageIcon::Error, MessageButtons::Ok);
    }
    return false;
}

void DictionarySession::rememberList()
{
    listStamp_ = queryFile(paths_.list);
}

void DictionarySession::rememberDictionary(std::optional<std::uint32_t> live)
{
    dictionaryStamp_ = queryFile(paths_.dictionary);
    liveCount_ = live;
}

bool DictionarySession::dictionaryAsRemembered() const
{
    return queryFile(paths_.dictionary).sameContentStamp(dictionaryStamp_);
}

void DictionarySession::rememberOwnChange(bool asRemembered, std::optional<std::uint32_t> live)
{
    if (asRemembered) {
        rememberDictionary(live);
        return;
    }
    // Someone else changed the file before this change: what the session
    // knew of it is no more.
    rememberDictionary(std::nullopt);
    candidates_.reset();
    wordsChanged();
}

void DictionarySession::wordsChanged()
{
    static std::atomic<std::uint64_t> last{0};
    wordsVersion_ = ++last;
}

std::optional<std::uint64_t> DictionarySession::wordsVersion() const
{
    if (!opened_ || !dictionaryAsRemembered())
        return std::nullopt;
    return wordsVersion_;
}

void DictionarySession::dropWord(std::size_t index)
{
    list_.erase(list_.begin() + static_cast<std::ptrdiff_t>(index));
    unsaved_ = true;
    ++generation_;
}

void DictionarySession::reconcile()
{
    const DictionaryFile file = dictionary();
    // Only records marked inList need their word looked at: a list's worth.
    struct Marked {
        std::uint64_t index;
        std::string word;
        bool active;
    };
    std::vector<Marked> marked;
    std::uint32_t live = 0;
    // The same pass finds what a top-up can draw.
    CandidateSet candidates;
    const bool read = file.forEachChunk([&](std::span<const DictRecord> records, std::uint64_t first) {
        for (std::size_t i = 0; i < records.size(); ++i) {
            const DictRecord& r = records[i];
            candidates.append(r.deleted == 0 && r.active != 0 && r.inList == 0);
            if (r.deleted != 0)
                continue;
            ++live;
            if (r.inList != 0)
                marked.push_back({first + i, fieldText(r.word), r.active != 0});
        }
    });
    // An unreadable dictionary tells nothing, and a list beside a dictionary
    // without a single word (a new file, one emptied outside the program) is
    // kept for the dictionary it was drawn from.
    if (!read || live == 0) {
        rememberDictionary(read ? std::optional<std::uint32_t>(live) : std::nullopt);
        if (read)
            candidates_ = std::move(candidates);
        return;
    }

    std::unordered_set<std::string_view> listed;
    for (const ListRecord& entry : list_)
        listed.insert(fieldView(entry.word));
    std::unordered_set<std::string_view> backed;
    for (const Marked& m : marked)
        if (m.active && listed.count(m.word) != 0)
            backed.insert(m.word);

    const std::size_t before = list_.size();
    std::erase_if(list_, [&](const ListRecord& r) { return backed.count(fieldView(r.word)) == 0; });
    if (list_.size() != before) {
        ++generation_;
        unsaved_ = true;
        save();
    }

    // Marks the list does not stand behind any more are cleared in place.
    const auto update = file.openForUpdate();
    bool told = false;
    for (const Marked& m : marked) {
        if (backed.count(m.word) != 0)
            continue;
        DictRecord record;
        bool cleared = update && update.read(m.index, record);
        if (cleared) {
            record.inList = 0;
            cleared = update.write(m.index, record);
        }
        if (cleared && m.active)
            candidates.add(m.index);
        // A dictionary the user made read-only keeps its marks, silently.
        if (!cleared && !told && writableByMode(paths_.dictionary)) {
            told = true;
            messages_.show(kCannotWriteDictionary, MessageIcon::Error, MessageButtons::Ok);
        }
    }
    rememberDictionary(live);
    candidates_ = std::move(candidates);
}

bool DictionarySession::exclude(std::size_t index)
{
    if (index >= list_.size())
        return false;
    const std::string word = fieldText(list_[index].word);
    // The dictionary is changed first: when that fails the word stays in the
    // list, still marked inList there, and learning goes on.
    const DictionaryFile file = dictionary();
    const bool asRemembered = dictionaryAsRemembered();
    const auto update = file.openForUpdate();
    if (!update) {
        messages_.show(kCannotOpenForExclude, MessageIcon::Warning, MessageButtons::Ok);
        return false;
    }
    bool failed = false;
    if (const auto found = file.findFirst(word, &failed)) {
        DictRecord record;
        if (!update.read(*found, record)) {
            messages_.show(kCannotReadDictionary, MessageIcon::Warning, MessageButtons::Ok);
            return false;
        }
        record.active = 0;
        record.inList = 0;
        if (!update.write(*found, record)) {
            messages_.show(kCannotWriteDictionary, MessageIcon::Warning, MessageButtons::Ok);
            return false;
        }
        if (candidates_)
            candidates_->remove(*found);
    } else if (failed) {
        messages_.show(kCannotReadDictionary, MessageIcon::Warning, MessageButtons::Ok);
        return false;
    }
    rememberOwnChange(asRemembered, liveCount_);
    // The list file follows at once: a list that still held the word would
    // put it back into learning after a crash (the reconciliation drops it).
    dropWord(index);
    save();
    return true;
}

// ---------------------------------------------------------------- editing

DictionarySession::EditResult DictionarySession::editText(std::string_view key, int column, std::string_view oldText,
                                                          std::string_view newText)
{
    if (newText == oldText)
        return EditResult::unchanged;
    const DictionaryFile file = dictionary();
    const bool asRemembered = dictionaryAsRemembered();
    const auto update = file.openForUpdate();
    if (!update) {
        messages_.show(kOpenForEditFailed, MessageIcon::Warning);
        return EditResult::failed;
    }
    bool failed = false;
    const std::optional<std::uint64_t> found = file.findFirst(key, &failed);
    if (!found) {
        if (!failed)
            return EditResult::notFound;
        messages_.show(kEditReadFailed, MessageIcon::Warning);
        return EditResult::failed;
    }
    DictRecord record;
    if (!update.read(*found, record)) {
        messages_.show(kEditReadFailed, MessageIcon::Warning);
        return EditResult::failed;
    }
    if (!setColumnText(record, column, newText)) {
        messages_.show(kTooLong, MessageIcon::Warning);
        return EditResult::failed;
    }
    if (!update.write(*found, record)) {
        messages_.show(kEditWriteFailed, MessageIcon::Warning);
        return EditResult::failed;
    }
    rememberOwnChange(asRemembered, liveCount_);
    if (column == kWordColumn)
        wordsChanged();
    if (record.inList == 1) {
        for (ListRecord& entry : list_)
            if (fieldView(entry.word) == key)
                setColumnText(entry, column, newText);
        unsaved_ = true;
        save();
    }
    return EditResult::written;
}

std::optional<std::size_t> DictionarySession::deleteWords(const std::vector<std::string>& words)
{
    if (words.empty())
        return 0;
    const DictionaryFile file = dictionary();
    const bool asRemembered = dictionaryAsRemembered();
    // One pass finds the first record of every word.
    std::unordered_map<std::string_view, std::int64_t> firstIndex;
    for (const std::string& word : words)
        firstIndex.emplace(word, -1);
    std::size_t missing = firstIndex.size();
    if (!file.status().exists) {
        messages_.show(kOpenForDeleteFailed, MessageIcon::Warning);
        return std::nullopt;
    }
    const bool read = file.forEach([&](const DictRecord& record, std::uint64_t index) {
        const auto it = firstIndex.find(fieldView(record.word));
        if (it != firstIndex.end() && it->second < 0) {
            it->second = static_cast<std::int64_t>(index);
            --missing;
        }
        return missing > 0;
    });
    if (!read) {
        messages_.show(kEditReadFailed, MessageIcon::Warning);
        return std::nullopt;
    }
    // In the order of the words, each record once.
    std::vector<std::pair<std::uint64_t, std::string_view>> targets;
    std::unordered_set<std::int64_t> taken;
    for (const std::string& word : words) {
        const std::int64_t index = firstIndex[word];
        if (index >= 0 && taken.insert(index).second)
            targets.emplace_back(static_cast<std::uint64_t>(index), word);
    }
    if (targets.empty())
        return 0;
    const auto update = file.openForUpdate();
    if (!update) {
        messages_.show(kOpenForDeleteFailed, MessageIcon::Warning);
        return std::nullopt;
    }
    const DictRecord tombstone = makeTombstone();
    std::size_t deleted = 0;
    for (const auto& target : targets) {
        if (!update.write(target.first, tombstone)) {
            messages_.show(kEditWriteFailed, MessageIcon::Warning);
            break;
        }
        if (candidates_)
            candidates_->remove(target.first);
        ++deleted;
    }
    if (deleted > 0)
        wordsChanged();
    rememberOwnChange(asRemembered, liveCount_ ? std::optional<std::uint32_t>(*liveCount_ - static_cast<std::uint32_t>(
                                                                     std::min<std::size_t>(deleted, *liveCount_)))
                                  : std::nullopt);
    bool listChanged = false;
    for (std::size_t i = 0; i < deleted; ++i) {
        const auto it = std::find_if(list_.begin(), list_.end(), [&](const ListRecord& entry) {
            return fieldView(entry.word) == targets[i].second;
        });
        if (it != list_.end()) {
            dropWord(static_cast<std::size_t>(it - list_.begin()));
            listChanged = true;
        }
    }
    if (listChanged)
        save();
    return deleted;
}

Activation DictionarySession::activate(const std::vector<std::string>& words)
{
    const bool asRemembered = dictionaryAsRemembered();
    const Activation result = dictionary().activate(words);
    rememberOwnChange(asRemembered, liveCount_);
    // Which records became candidates again is not told: the next top-up
    // looks.
    candidates_.reset();
    return result;
}

bool DictionarySession::addWord(const DictRecord& record)
{
    const bool asRemembered = dictionaryAsRemembered();
    auto file = dictionary().openForAppend();
    if (!file || !file.append(record))
        return false;
    file.close();
    // The new record follows the last whole one, which the candidates end at.
    if (candidates_ && candidates_->records() == DictionaryFile::wholeRecords(dictionaryStamp_.size))
        candidates_->append(record.isLive() && record.active != 0 && record.inList == 0);
    else
        candidates_.reset();
    rememberOwnChange(asRemembered, liveCount_ ? std::optional<std::uint32_t>(*liveCount_ + (record.isLive() ? 1 : 0))
                                               : std::nullopt);
    wordsChanged();
    return true;
}

RestoreResult DictionarySession::restore(RestoreRefresh* refresh)
{
    if (unsaved_)
        save(true);
    const RestoreResult result = restoreDictionary(paths_, messages_, refresh);
    readList();
    return result;
}

std::optional<DictionaryCounts> DictionarySession::counts() const
{
    return dictionary().counts();
}

} // namespace mox
