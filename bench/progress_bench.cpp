// The Results page's reading of the progress over a dictionary of 100,000
// records and a working list of 300, next to a plain sequential read of the
// same dictionary in large chunks: the ratio is what counts.
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "BenchFolder.h"
#include "PlainRead.h"
#include "platform/fake/RecordingMessages.h"
#include "settings/CurrentDictionary.h"
#include "settings/Progress.h"
#include "settings/Settings.h"
#include "store/RecordText.h"
#include "store/Store.h"

namespace {

namespace fs = std::filesystem;
constexpr int kRecords = 100000;
constexpr int kListWords = 300;

// voc/words.dct: every third word learnt, 300 in the list (with wrong
// answers of every count), the rest waiting.
struct Dataset : BenchFolder {
    Dataset()
    {
        mox::Dictionary dict;
        mox::WordList list;
        for (int i = 0; i < kRecords; ++i) {
            mox::DictRecord r = mox::newDictRecord();
            mox::setFieldText(r.word, "word" + std::to_string(i));
            if (i % 3 == 0) {
                r.active = 0;
            } else if (static_cast<int>(list.size()) < kListWords && i % 7 == 1) {
                r.inList = 1;
                mox::ListRecord l = mox::newListRecord(r);
                l.choiceDirectWrong = static_cast<std::uint16_t>(i % 13);
                list.push_back(l);
            }
            dict.push_back(r);
        }
        std::ofstream(settings.dictionaryPath(), std::ios::binary)
            .write(reinterpret_cast<const char*>(dict.data()), static_cast<std::streamsize>(dict.size() * sizeof dict[0]));
        std::ofstream(settings.listPath(), std::ios::binary)
            .write(reinterpret_cast<const char*>(list.data()), static_cast<std::streamsize>(list.size() * sizeof list[0]));
    }

};

Dataset& data()
{
    static Dataset dataset;
    return dataset;
}

// The yardstick: the plain read of the whole dictionary.
void PlainRead(benchmark::State& state)
{
    plainRead(state, data().settings.dictionaryPath());
}

void ReadProgress(benchmark::State& state)
{
    Dataset& d = data();
    for (auto _ : state) {
        const mox::Progress p = mox::readProgress(mox::currentDictionaryPaths(d.settings));
        if (p.learnt + p.inList + p.waiting != kRecords || p.mostWrong.size() != 5)
            state.SkipWithError("wrong figures");
        benchmark::DoNotOptimize(p.learnt);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kRecords * 208);
}

BENCHMARK(PlainRead)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadProgress)->Unit(benchmark::kMillisecond);

} // namespace
