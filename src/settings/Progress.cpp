#include "settings/Progress.h"

#include <algorithm>
#include <cstring>
#include <fstream>

#include "settings/Settings.h"
#include "store/DictRecord.h"
#include "store/ListRecord.h"
#include "store/RecordText.h"

namespace mox {

namespace {

// Records are read this many at a time.
constexpr std::size_t kChunkRecords = 2048;

// Calls visit(record bytes) for every complete record of the file; false when
// the file cannot be opened or read.
template <class Visit>
bool forEachRecord(const std::string& path, std::size_t recordSize, Visit visit)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::vector<char> buffer(kChunkRecords * recordSize);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        for (std::size_t at = 0; at + recordSize <= got; at += recordSize)
            visit(reinterpret_cast<const unsigned char*>(buffer.data() + at));
    }
    return in.eof() && !in.bad();
}

} // namespace

Progress readProgress(const Settings& settings, std::size_t mostWrongCount)
{
    Progress progress;
    if (settings.sCurDict().empty())
        return progress;

    progress.dictionaryFound =
        forEachRecord(settings.dictionaryPath(), kDictRecordSize, [&](const unsigned char* r) {
            if (r[offsetof(DictRecord, deleted)] != 0)
                return;
            if (r[offsetof(DictRecord, inList)] != 0)
                ++progress.inList;
            else if (r[offsetof(DictRecord, active)] != 0)
                ++progress.waiting;
            else
                ++progress.learnt;
        });
    if (!progress.dictionaryFound) {
        progress = Progress{};
        return progress;
    }

    std::vector<Progress::Word> words;
    forEachRecord(settings.listPath(), kListRecordSize, [&](const unsigned char* r) {
        ListRecord record;
        std::memcpy(static_cast<void*>(&record), r, kListRecordSize);
        if (record.deleted != 0)
            return;
        Progress::Word w;
        w.wrong = std::uint32_t{record.choiceDirectWrong} + record.choiceReverseWrong + record.typingReverseWrong;
        if (w.wrong == 0)
            return;
        w.answers = record.answers;
        w.word = fieldText(record.word);
        words.push_back(std::move(w));
    });
    std::stable_sort(words.begin(), words.end(),
                     [](const Progress::Word& a, const Progress::Word& b) { return a.wrong > b.wrong; });
    if (words.size() > mostWrongCount)
        words.resize(mostWrongCount);
    progress.mostWrong = std::move(words);
    return progress;
}

} // namespace mox
