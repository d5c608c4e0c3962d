#include "settings/Progress.h"

#include <algorithm>

#include "store/DictionaryFile.h"
#include "store/DictionaryFolder.h"
#include "store/ListFile.h"
#include "store/RecordText.h"

namespace mox {

Progress readProgress(const DictionaryPaths& paths, std::size_t mostWrongCount)
{
    Progress progress;
    if (!paths.usable())
        return progress;
    const std::optional<DictionaryCounts> counts = DictionaryFile(paths.dictionary).counts();
    if (!counts)
        return progress;
    progress.dictionaryFound = true;
    progress.learnt = counts->learnt;
    progress.inList = counts->inList;
    progress.waiting = counts->waiting;

    std::vector<Progress::Word> words;
    ListFile(paths.list).forEach([&](const ListRecord& record, std::uint64_t) {
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
