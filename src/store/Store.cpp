#include "store/Store.h"

#include <cstring>

#include "platform/MessagePort.h"
#include "store/DictionaryFile.h"
#include "store/DictionarySession.h"
#include "store/ListFile.h"
#include "store/RecordText.h"

namespace mox {

namespace {

void showError(MessagePort& messages, std::string_view text)
{
    messages.show(text, MessageIcon::Error, MessageButtons::Ok);
}

template <class File, class Record>
bool loadRecords(const std::string& path, MessagePort& messages, std::string_view failure,
                 std::vector<Record>& records)
{
    std::vector<Record> loaded;
    if (!File(path).readAll(loaded)) {
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
template <class File, class Record>
bool replaceRecords(const std::string& path, MessagePort& messages, std::string_view failure,
                    const std::vector<Record>& records)
{
    if (!File(path).replaceAll(records)) {
        if (!path.empty())
            showError(messages, failure);
        return false;
    }
    return true;
}

template <class Holds>
std::uint32_t count(const std::string& path, MessagePort& messages, std::string_view failure, Holds holds)
{
    if (!queryFile(path).exists)
        return 0;
    const std::optional<std::uint32_t> counted = DictionaryFile(path).countWhere(holds);
    if (!counted) {
        showError(messages, failure);
        return 0;
    }
    return *counted;
}

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

DictRecord newDictRecord()
{
    return DictRecord{};
}

ListRecord newListRecord(const DictRecord& source)
{
    ListRecord record{};  // counters 0, bytes 212 and 213 set to 1
    copyField(record.word, source.word);
    copyField(record.translation, source.translation);
    copyField(record.transcription, source.transcription);
    return record;
}

std::uint32_t DictItemCount(const std::string& dictionary, MessagePort& messages)
{
    return count(dictionary, messages, "Ошибка: Невозможно получить значение DictItemCount",
                 [](const DictRecord& r) { return r.deleted == 0; });
}

std::uint32_t ActiveItemCount(const std::string& dictionary, MessagePort& messages)
{
    return count(dictionary, messages, "Ошибка: Невозможно получить значение ActiveItemCount",
                 [](const DictRecord& r) { return r.deleted == 0 && r.active != 0; });
}

ItemCounts DictItemCounts(const std::string& dictionary, MessagePort& messages)
{
    if (!queryFile(dictionary).exists)
        return {};
    const std::optional<DictionaryCounts> counted = DictionaryFile(dictionary).counts();
    if (!counted) {
        showError(messages, "Ошибка: Невозможно получить значение DictItemCount");
        showError(messages, "Ошибка: Невозможно получить значение ActiveItemCount");
        return {};
    }
    return {counted->live, counted->active};
}

bool loadDictionary(const std::string& dictionary, MessagePort& messages, Dictionary& records)
{
    return loadRecords<DictionaryFile>(dictionary, messages, "Ошибка: Не удалось загрузить словарь.\n", records);
}

bool updateDictionary(const std::string& dictionary, MessagePort& messages, const Dictionary& records)
{
    return replaceRecords<DictionaryFile>(dictionary, messages, "Ошибка: не удалось обновить словарь.", records);
}

bool loadList(const std::string& list, MessagePort& messages, WordList& records)
{
    const FileStatus status = queryFile(list);
    if (!status.exists || (status.regular && status.size == 0))
        return true;  // no list yet: an empty list
    return loadRecords<ListFile>(list, messages, DictionarySession::kListLoadFailed, records);
}

bool updateList(const std::string& list, MessagePort& messages, const WordList& records)
{
    return replaceRecords<ListFile>(list, messages, DictionarySession::kListUpdateFailed, records);
}

} // namespace mox
