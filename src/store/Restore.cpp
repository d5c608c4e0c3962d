#include "store/Restore.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

#include "language/CodePage.h"
#include "platform/MessagePort.h"
#include "store/DictionaryFile.h"
#include "store/DictionaryFolder.h"
#include "store/DictionarySession.h"
#include "store/ListFile.h"
#include "store/RecordText.h"
#include "store/Store.h"

namespace mox {

namespace {

void showError(MessagePort& messages, const std::string& text)
{
    messages.show(text, MessageIcon::Error, MessageButtons::Ok);
}

// A record that survives compaction: live and with a word.
bool keeps(const DictRecord& record)
{
    return record.deleted == 0 && !fieldView(record.word).empty();
}

// Words folded to lower case in cp1251, so that matching two words ignoring
// letter case is a plain comparison; each word is folded once per run.
class CaseFolder {
public:
    CaseFolder()
    {
        for (unsigned c = 0; c < 256; ++c)
            table_[c] = static_cast<char>(cp1251ToLower(static_cast<unsigned char>(c)));
    }
    std::string fold(std::string_view word) const
    {
        std::string out(word.size(), '\0');
        for (std::size_t i = 0; i < word.size(); ++i)
            out[i] = table_[static_cast<unsigned char>(word[i])];
        return out;
    }
    // Folds into `buffer`, which must hold a whole word field.
    std::string_view fold(std::string_view word, char* buffer) const
    {
        for (std::size_t i = 0; i < word.size(); ++i)
            buffer[i] = table_[static_cast<unsigned char>(word[i])];
        return std::string_view(buffer, word.size());
    }

private:
    char table_[256];
};

std::vector<std::string> foldedWords(const CaseFolder& folder, const WordList& list)
{
    std::vector<std::string> words;
    words.reserve(list.size());
    for (const ListRecord& entry : list)
        words.push_back(folder.fold(fieldView(entry.word)));
    return words;
}

// The list entries whose word is in no record that the dictionary keeps are
// dropped: such an entry could never be matched again once the dictionary is
// compacted.
std::uint32_t checkList(const CaseFolder& folder, const Dictionary& dict, WordList& list)
{
    const std::vector<std::string> words = foldedWords(folder, list);
    std::vector<char> matched(list.size(), 0);
    char buffer[sizeof(DictRecord::word)];
    for (const DictRecord& record : dict) {
        if (!keeps(record))
            continue;
        const std::string_view word = folder.fold(fieldView(record.word), buffer);
        for (std::size_t j = 0; j < words.size(); ++j)
            if (!matched[j] && words[j] == word)
                matched[j] = 1;
    }
    WordList kept;
    kept.reserve(list.size());
    for (std::size_t j = 0; j < list.size(); ++j)
        if (matched[j])
            kept.push_back(list[j]);
    const auto removed = static_cast<std::uint32_t>(list.size() - kept.size());
    list.swap(kept);
    return removed;
}

struct DictCheck {
    std::uint32_t errors = 0;
    bool reactivated = false;
};

// Compacts the dictionary and makes its flags agree with the list; with an
// empty list every excluded word returns to learning.
DictCheck checkDictionary(const CaseFolder& folder, Dictionary& dict, const WordList& list)
{
    DictCheck check;
    const auto dropped = std::remove_if(dict.begin(), dict.end(), [](const DictRecord& r) { return !keeps(r); });
    check.errors += static_cast<std::uint32_t>(dict.end() - dropped);
    dict.erase(dropped, dict.end());

    const std::vector<std::string> words = foldedWords(folder, list);
    char buffer[sizeof(DictRecord::word)];
    for (DictRecord& record : dict) {
        if (!list.empty()) {
            const std::string_view word = folder.fold(fieldView(record.word), buffer);
            const bool listed = std::find(words.begin(), words.end(), word) != words.end();
            if (listed && record.inList == 0) {
                record.inList = 1;
                ++check.errors;
            } else if (!listed && record.inList == 1) {
                record.inList = 0;
                ++check.errors;
            }
        } else {
            if (record.inList == 1) {
                record.inList = 0;
                ++check.errors;
            }
            if (record.active == 0) {
                record.active = 1;
                ++check.errors;
                check.reactivated = true;
            }
        }
    }
    return check;
}

enum class BackupOutcome { Made, OldBackupStays, RenameFailed };

// Moves the dictionary to its backup name, replacing an earlier backup file.
// A folder at the backup name is never removed.
BackupOutcome makeBackup(const std::string& dictionary, const std::string& backup)
{
    struct stat st {};
    if (::lstat(backup.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode) || (::unlink(backup.c_str()) != 0 && errno != ENOENT))
            return BackupOutcome::OldBackupStays;
    }
    if (::rename(dictionary.c_str(), backup.c_str()) != 0)
        return BackupOutcome::RenameFailed;
    return BackupOutcome::Made;
}

std::string formatReport(std::uint32_t dictErrors, std::uint32_t dictFixed, std::uint32_t listErrors,
                         std::uint32_t listFixed, std::uint64_t fragmentBytes)
{
    char counts[160];
    std::snprintf(counts, sizeof counts, "     словарь: %u (исправлено: %u)\n       список: %u (исправлено: %u).",
                  dictErrors, dictFixed, listErrors, listFixed);
    std::string report = std::string("В процессе восстановления были найдены ошибки:\n\n") + counts;
    if (fragmentBytes > 0)
        report += "\n\nВ конце файла словаря был неполный обрывок записи (" + std::to_string(fragmentBytes) +
                  " байт); он отрезан, прежний файл сохранён в резервной копии.";
    return report;
}

} // namespace

RestoreResult restoreDictionary(const DictionaryPaths& paths, MessagePort& messages, RestoreRefresh* refresh)
{
    RestoreResult result;
    if (!paths.usable())
        return result;
    Dictionary dict;
    WordList list;
    // A file that is there but cannot be read must not be taken for an empty
    // one: an unread list would make every learned word active again, and an
    // unread dictionary has nothing to repair. The load has told the user.
    if (!loadDictionary(paths.dictionary, messages, dict))
        return result;
    // A folder, device or pipe where the list should be is no empty list:
    // taken for one it would return every learned word to learning.
    struct stat listStatus {};
    if (::stat(paths.list.c_str(), &listStatus) == 0 && !S_ISREG(listStatus.st_mode)) {
        showError(messages, DictionarySession::kListLoadFailed);
        return result;
    }
    if (!loadList(paths.list, messages, list))
        return result;
    // A fragment shorter than a record at the end of either file is no
    // record; it goes with the repair.
    const std::uint64_t dictionarySize = queryFile(paths.dictionary).size;
    result.fragmentBytes = dictionarySize % kDictRecordSize;
    const bool listFragment = ListFile::hasFragment(queryFile(paths.list).size);

    const CaseFolder folder;
    std::uint32_t listFixed = 0;
    if (!list.empty() && !dict.empty())
        result.listErrors = checkList(folder, dict, list);
    result.listErrors += listFragment ? 1 : 0;
    if (result.listErrors > 0) {
        result.listWritten = updateList(paths.list, messages, list);
        listFixed = result.listWritten ? result.listErrors : 0;
    }

    std::uint32_t dictFixed = 0;
    if (!dict.empty() || result.fragmentBytes > 0) {
        const DictCheck check = checkDictionary(folder, dict, list);
        result.dictErrors = check.errors + (result.fragmentBytes > 0 ? 1 : 0);
        if (result.dictErrors > 0) {
            const std::string& path = paths.dictionary;
            const std::string backup = backupPathFor(path);
            switch (makeBackup(path, backup)) {
            case BackupOutcome::OldBackupStays:
                showError(messages, "Ошибка: Не удалось удалить прежнюю резервную копию словаря\n" + backup +
                                        "\nСловарь не восстановлен и остался без изменений.");
                return result;
            case BackupOutcome::RenameFailed:
                showError(messages, "Ошибка: Не удалось переименовать словарь в резервную копию\n" + backup +
                                        "\nСловарь не восстановлен и остался без изменений.");
                return result;
            case BackupOutcome::Made:
                break;
            }
            struct stat old {};
            const bool hadMode = ::stat(backup.c_str(), &old) == 0;
            if (updateDictionary(path, messages, dict)) {
                if (hadMode)  // the new file is the old one's successor: same permissions
                    (void)::chmod(path.c_str(), old.st_mode & 07777);
                result.dictWritten = true;
                result.reactivated = check.reactivated;
                dictFixed = result.dictErrors;
            } else if (::rename(backup.c_str(), path.c_str()) != 0) {
                // The new dictionary could not be written and the old one could
                // not be put back: say where its content is.
                showError(messages, "Ошибка: Не удалось вернуть словарь на место. Его прежнее содержимое "
                                    "сохранено в файле\n" + backup);
            }
        }
    }

    if (result.dictWritten) {
        result.total = static_cast<std::uint32_t>(dict.size());
        result.active = static_cast<std::uint32_t>(
            std::count_if(dict.begin(), dict.end(), [](const DictRecord& r) { return r.active != 0; }));
        if (refresh) {
            if (result.reactivated)
                refresh->clearExcludedWords();
            // Compaction may have dropped live records without a word, which
            // the page counted; show what the dictionary now holds.
            refresh->showCounts(result.total, result.active);
        }
    }

    if (result.dictErrors > 0 || result.listErrors > 0)
        messages.show(formatReport(result.dictErrors, dictFixed, result.listErrors, listFixed,
                                   result.dictWritten ? result.fragmentBytes : 0),
                      MessageIcon::None,
                      MessageButtons::Ok);
    else
        messages.show("Ошибки не найдены.", MessageIcon::None, MessageButtons::Ok);
    result.completed = true;
    return result;
}

} // namespace mox
