// The dictionary session's drawing of fresh words into the working list,
// and the live count it goes by (see DictionarySession.h).
#include "store/DictionarySession.h"

#include "platform/MessagePort.h"
#include "store/ListFile.h"
#include "store/Store.h"

namespace mox {

namespace {

constexpr const char* kCannotOpenForTopUp = "Не удалось открыть файл словаря.";
constexpr const char* kCannotWriteList = "Ошибка: Не удалось записать слово в файл списка.";
constexpr const char* kCannotCount = "Ошибка: Невозможно получить значение DictItemCount";

// A list smaller than this is not worth presenting without fresh words.
constexpr std::size_t kSmallestUsableList = 3;

} // namespace

std::uint32_t DictionarySession::liveCount()
{
    if (liveCount_ && dictionaryAsRemembered())
        return *liveCount_;
    candidates_.reset();
    if (!dictionaryAsRemembered())
        wordsChanged();
    const FileStatus status = queryFile(paths_.dictionary);
    if (!status.exists)
        return 0;
    const std::optional<DictionaryCounts> counts = dictionary().counts();
    if (!counts) {
        messages_.show(kCannotCount, MessageIcon::Error, MessageButtons::Ok);
        return 0;
    }
    rememberDictionary(counts->live);
    return counts->live;
}

bool DictionarySession::topUp(std::size_t target, const std::function<std::uint32_t(std::uint32_t)>& below,
                              std::optional<std::uint32_t>* candidatesFound)
{
    if (list_.size() >= target)
        return liveCount() != 0;
    const DictionaryFile file = dictionary();
    if (!file.status().exists)
        return false;
    const auto update = file.openForUpdate();
    if (!update) {
        // A file that cannot even be read is reported by the count (and is
        // then no dictionary to top up from); otherwise it is read-only.
        if (liveCount() != 0)
            messages_.show(kCannotOpenForTopUp, MessageIcon::Error, MessageButtons::Ok);
        return false;
    }

    // A pass, unless the dictionary is as the last one found it.
    std::uint32_t live = 0;
    if (candidates_ && liveCount_ && dictionaryAsRemembered()) {
        live = *liveCount_;
    } else {
        CandidateSet found;
        const bool read = file.forEachChunk([&](std::span<const DictRecord> records, std::uint64_t) {
            for (const DictRecord& r : records) {
                found.append(r.deleted == 0 && r.active != 0 && r.inList == 0);
                live += r.deleted == 0 ? 1 : 0;
            }
        });
        if (!read) {
            messages_.show(kCannotReadDictionary, MessageIcon::Error, MessageButtons::Ok);
            return false;
        }
        candidates_ = std::move(found);
        if (!dictionaryAsRemembered())
            wordsChanged();
        rememberDictionary(live);
    }
    if (live == 0)
        return false;
    CandidateSet& candidates = *candidates_;
    if (candidatesFound != nullptr)
        *candidatesFound = candidates.count();
    if (candidates.count() == 0)
        return list_.size() >= kSmallestUsableList;

    auto list = ListFile(paths_.list).openForAppend();
    if (!list) {
        messages_.show(kCannotWriteList, MessageIcon::Error, MessageButtons::Ok);
        return false;
    }
    // A drawn record leaves the candidates, so the next draw is among the
    // remaining ones.
    bool ok = true;
    while (list_.size() < target && candidates.count() > 0) {
        const std::optional<std::uint64_t> index = candidates.nth(below(candidates.count()));
        if (!index)
            break;
        DictRecord record;
        if (!update.read(*index, record)) {
            messages_.show(kCannotReadDictionary, MessageIcon::Error, MessageButtons::Ok);
            ok = false;
            break;
        }
        // A change within the resolution of the file's time stamp may have
        // taken the record away: it is no candidate then.
        if (record.deleted != 0 || record.active == 0 || record.inList != 0) {
            candidates.remove(*index);
            continue;
        }
        // The list record goes to the file first; the dictionary is marked
        // only once its list record is on disk, and a failed mark takes the
        // list record back, so the two files never disagree about the word.
        const ListRecord entry = newListRecord(record);
        if (!list.append(entry)) {
            messages_.show(kCannotWriteList, MessageIcon::Error, MessageButtons::Ok);
            ok = false;
            break;
        }
        record.inList = 1;
        if (!update.write(*index, record)) {
            list.takeBackLast();
            messages_.show(kCannotWriteDictionary, MessageIcon::Error, MessageButtons::Ok);
            ok = false;
            break;
        }
        list_.push_back(entry);
        candidates.remove(*index);
    }
    list.close();
    rememberList();
    rememberDictionary(live);
    return ok;
}

} // namespace mox
