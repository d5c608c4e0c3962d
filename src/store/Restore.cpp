#include "store/Restore.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

#include "language/CodePage.h"
#include "platform/MessagePort.h"
#include "settings/Settings.h"
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

template <class Record>
bool sameWord(const DictRecord& dict, const Record& other)
{
    return cp1251EqualsIgnoreCase(fieldView(dict.word), fieldView(other.word));
}

// The list entries whose word is in no record that the dictionary keeps are
// dropped: such an entry could never be matched again once the dictionary is
// compacted.
std::uint32_t checkList(const Dictionary& dict, WordList& list)
{
    const auto orphan = [&dict](const ListRecord& entry) {
        return std::none_of(dict.begin(), dict.end(), [&entry](const DictRecord& record) {
            return keeps(record) && sameWord(record, entry);
        });
    };
    const auto end = std::remove_if(list.begin(), list.end(), orphan);
    const auto removed = static_cast<std::uint32_t>(list.end() - end);
    list.erase(end, list.end());
    return removed;
}

struct DictCheck {
    std::uint32_t errors = 0;
    bool reactivated = false;
};

// Compacts the dictionary and makes its flags agree with the list; with an
// empty list every excluded word returns to learning.
DictCheck checkDictionary(Dictionary& dict, const WordList& list)
{
    DictCheck check;
    const auto dropped = std::remove_if(dict.begin(), dict.end(), [](const DictRecord& r) { return !keeps(r); });
    check.errors += static_cast<std::uint32_t>(dict.end() - dropped);
    dict.erase(dropped, dict.end());

    for (DictRecord& record : dict) {
        if (!list.empty()) {
            const bool listed = std::any_of(list.begin(), list.end(),
                                            [&record](const ListRecord& entry) { return sameWord(record, entry); });
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
                         std::uint32_t listFixed)
{
    char counts[160];
    std::snprintf(counts, sizeof counts, "     словарь: %u (исправлено: %u)\n       список: %u (исправлено: %u).",
                  dictErrors, dictFixed, listErrors, listFixed);
    return std::string("В процессе восстановления были найдены ошибки:\n\n") + counts;
}

} // namespace

std::string backupPathFor(const std::string& dictionaryPath)
{
    const std::size_t keep = dictionaryPath.find_last_not_of("dct");
    return dictionaryPath.substr(0, keep == std::string::npos ? 0 : keep + 1) + "bak";
}

RestoreResult restoreDictionary(Settings& settings, MessagePort& messages, RestoreRefresh* refresh)
{
    RestoreResult result;
    Dictionary dict;
    WordList list;
    // A file that is there but cannot be read must not be taken for an empty
    // one: an unread list would make every learned word active again, and an
    // unread dictionary has nothing to repair. The load has told the user.
    if (!loadDictionary(settings, messages, dict))
        return result;
    if (!loadList(settings, messages, list))
        return result;

    std::uint32_t listFixed = 0;
    if (!list.empty() && !dict.empty()) {
        result.listErrors = checkList(dict, list);
        if (result.listErrors > 0) {
            result.listWritten = updateList(settings, messages, list);
            listFixed = result.listWritten ? result.listErrors : 0;
        }
    }

    std::uint32_t dictFixed = 0;
    if (!dict.empty()) {
        const DictCheck check = checkDictionary(dict, list);
        result.dictErrors = check.errors;
        if (check.errors > 0) {
            const std::string path = settings.dictionaryPath();
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
            if (updateDictionary(settings, messages, dict)) {
                result.dictWritten = true;
                result.reactivated = check.reactivated;
                dictFixed = check.errors;
            } else if (::rename(backup.c_str(), path.c_str()) != 0) {
                // The new dictionary could not be written and the old one could
                // not be put back: say where its content is.
                showError(messages, "Ошибка: Не удалось вернуть словарь на место. Его прежнее содержимое "
                                    "сохранено в файле\n" + backup);
            }
        }
    }

    if (result.dictWritten) {
        const auto total = static_cast<std::uint32_t>(dict.size());
        if (result.reactivated) {
            settings.setUiDictActiveCount(total);
            settings.setUiDictRecCount(total);
            if (refresh) {
                refresh->clearExcludedWords();
                refresh->showCounts(total, total);
            }
        } else if (refresh) {
            // Compaction may have dropped live records without a word, which
            // the page counted; show what the dictionary now holds.
            const auto active = static_cast<std::uint32_t>(
                std::count_if(dict.begin(), dict.end(), [](const DictRecord& r) { return r.active != 0; }));
            refresh->showCounts(total, active);
        }
    }

    if (result.dictErrors > 0 || result.listErrors > 0)
        messages.show(formatReport(result.dictErrors, dictFixed, result.listErrors, listFixed), MessageIcon::None,
                      MessageButtons::Ok);
    else
        messages.show("Ошибки не найдены.", MessageIcon::None, MessageButtons::Ok);
    result.completed = true;
    return result;
}

} // namespace mox
