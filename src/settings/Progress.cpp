#include "settings/Progress.h"

#include <algorithm>
#include <cstring>
#include <fstream>

#include "settings/Settings.h"
#include "store/DictRecord.h"
#include "store/ListRecord.h"
#include "store/RecordReader.h"
#include "store/RecordText.h"

namespace mox {

namespace {

// Calls visit(record) for every complete record of the file; false when the
// file cannot be opened or read.
template <class Record, class Visit>
bool forEachRecordOf(const std::string& path, Visit visit)
{
    std::ifstream in(path, std::ios::binary);
    return in && forEachRecord<Record>(in, [&visit](const Record& record, std::int64_t) { visit(record); });
}

} // namespace

Progress readProgress(const Settings& settings, std::size_t mostWrongCount)
{
    Progress progress;
    if (settings.sCurDict().empty())
        return progress;

    progress.dictionaryFound =
        forEachRecordOf<DictRecord>(settings.dictionaryPath(), [&](const DictRecord& record) {
            if (record.deleted != 0)
                return;
            if (record.inList != 0)
                ++progress.inList;
            else if (record.active != 0)
                ++progress.waiting;
            else
                ++progress.learnt;
        });
    if (!progress.dictionaryFound) {
        progress = Progress{};
        return progress;
    }

    std::vector<Progress::Word> words;
    forEachRecordOf<ListRecord>(settings.listPath(), [&](const ListRecord& record) {
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
