#include "editing/DictionaryWriter.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <set>
#include <unordered_map>

#include "platform/MessagePort.h"
#include "settings/Settings.h"
#include "store/RecordReader.h"
#include "store/RecordText.h"

namespace mox {

namespace {

constexpr const char* kOpenForEditFailed = "Не удалось открыть файл словаря.";
constexpr const char* kOpenForDeleteFailed = "Ошибка при открытии файла";
constexpr const char* kReadFailed = "Не удалось прочитать файл словаря.";
constexpr const char* kWriteFailed = "Не удалось записать изменения в файл словаря.";
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

bool readLiveTexts(const std::string& path, std::vector<RecordTexts>& rows)
{
    rows.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open())
        return false;
    // Room for every record the file holds, live or not.
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0);
    if (size > 0)
        rows.reserve(static_cast<std::size_t>(size) / kDictRecordSize);
    const bool read = forEachRecord<DictRecord>(in, [&rows](const DictRecord& record, std::int64_t) {
        if (record.isLive())
            rows.push_back({fieldText(record.word), fieldText(record.translation), fieldText(record.transcription)});
        return true;
    });
    if (!read)
        rows.clear();
    return read;
}

DictionaryWriter::DictionaryWriter(const Settings& settings, MessagePort& messages, WordList* workingList)
    : settings_(settings), messages_(messages), workingList_(workingList)
{
}

template <class Change>
void DictionaryWriter::changeList(Change change)
{
    if (workingList_ != nullptr) {
        change(*workingList_);
        updateList(settings_, messages_, *workingList_);
        return;
    }
    // A list file that could not be read (told) is never written over.
    WordList list;
    if (!loadList(settings_, messages_, list))
        return;
    change(list);
    updateList(settings_, messages_, list);
}

DictionaryWriter::Result DictionaryWriter::writeBack(std::string_view key, int column, std::string_view oldText,
                                                     std::string_view newText)
{
    if (newText == oldText)
        return Result::unchanged;
    std::fstream file = openDictionaryForUpdate(settings_);
    if (!file.is_open()) {
        messages_.show(kOpenForEditFailed, MessageIcon::Warning);
        return Result::failed;
    }
    const std::optional<std::int64_t> offset = findRecord(file, key);
    if (!offset) {
        if (!file.bad())
            return Result::notFound;
        messages_.show(kReadFailed, MessageIcon::Warning);
        return Result::failed;
    }
    // The found record itself, for its other fields and its inList flag.
    DictRecord record;
    file.clear();
    file.seekg(*offset);
    file.read(reinterpret_cast<char*>(&record), sizeof record);
    if (!file) {
        messages_.show(kReadFailed, MessageIcon::Warning);
        return Result::failed;
    }
    if (!setColumnText(record, column, newText)) {
        messages_.show(kTooLong, MessageIcon::Warning);
        return Result::failed;
    }
    if (!rewriteRecord(file, *offset, record)) {
        messages_.show(kWriteFailed, MessageIcon::Warning);
        return Result::failed;
    }
    file.close();
    if (record.inList == 1) {
        changeList([&](WordList& list) {
            for (ListRecord& entry : list)
                if (fieldView(entry.word) == key)
                    setColumnText(entry, column, newText);
        });
    }
    return Result::written;
}

std::optional<std::size_t> DictionaryWriter::deleteWords(const std::vector<std::string>& words)
{
    if (words.empty())
        return 0;
    std::ifstream in(settings_.dictionaryPath(), std::ios::binary);
    if (!in.is_open()) {
        messages_.show(kOpenForDeleteFailed, MessageIcon::Warning);
        return std::nullopt;
    }
    // One pass finds the first record of every word (-1: not found yet).
    std::unordered_map<std::string_view, std::int64_t> firstOffset;
    for (const std::string& word : words)
        firstOffset.emplace(word, -1);
    std::size_t missing = firstOffset.size();
    const bool read = forEachRecord<DictRecord>(in, [&](const DictRecord& record, std::int64_t offset) {
        const auto it = firstOffset.find(fieldView(record.word));
        if (it != firstOffset.end() && it->second < 0) {
            it->second = offset;
            --missing;
        }
        return missing > 0;
    });
    in.close();
    if (!read) {
        messages_.show(kReadFailed, MessageIcon::Warning);
        return std::nullopt;
    }

    // In the order of the words, each record once.
    struct Target {
        std::int64_t offset;
        std::string_view word;
    };
    std::vector<Target> targets;
    std::set<std::int64_t> taken;
    for (const std::string& word : words) {
        const std::int64_t offset = firstOffset[word];
        if (offset >= 0 && taken.insert(offset).second)
            targets.push_back({offset, word});
    }
    if (targets.empty())
        return 0;

    std::fstream file = openDictionaryForUpdate(settings_);
    if (!file.is_open()) {
        messages_.show(kOpenForDeleteFailed, MessageIcon::Warning);
        return std::nullopt;
    }
    const DictRecord tombstone = makeTombstone();
    std::size_t deleted = 0;
    for (const Target& target : targets) {
        if (!rewriteRecord(file, target.offset, tombstone)) {
            messages_.show(kWriteFailed, MessageIcon::Warning);
            break;
        }
        ++deleted;
    }
    file.close();
    if (deleted > 0) {
        changeList([&](WordList& list) {
            for (std::size_t i = 0; i < deleted; ++i) {
                const auto it = std::find_if(list.begin(), list.end(), [&](const ListRecord& entry) {
                    return fieldView(entry.word) == targets[i].word;
                });
                if (it != list.end())
                    list.erase(it);
            }
        });
    }
    return deleted;
}

} // namespace mox
