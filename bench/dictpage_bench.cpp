// The Dictionaries page over a dictionary of 100,000 excluded words (Cyrillic,
// in cp1251), next to a plain read of the same file: listing them (one pass,
// one decoding, collation-key sort, a model under a list view) and opening the
// whole page should stay within a small multiple of that read.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QVBoxLayout>

#include <filesystem>
#include <fstream>
#include <cstddef>
#include <random>


#include "BenchFolder.h"
#include "PlainRead.h"
#include "language/CharsetCodec.h"
#include "platform/fake/RecordingMessages.h"
#include "settings/Settings.h"
#include "options/PgDictionary.h"
#include "store/DictionarySession.h"
#include "store/LargeArrays.h"
#include "store/RecordText.h"
#include "store/Store.h"

namespace {

namespace fs = std::filesystem;
constexpr int kRecords = 100000;

struct Dataset : BenchFolder {
    Dataset()
    {
        settings.setIForeignCharSet(mox::charset::Russian);
        const std::string stem = mox::CharsetCodec(mox::charset::Russian).encode(QStringLiteral("слово")).bytes;
        std::mt19937 random(7);
        std::ofstream out(settings.dictionaryPath(), std::ios::binary);
        for (int i = 0; i < kRecords; ++i) {
            mox::DictRecord r = mox::newDictRecord();
            mox::setFieldText(r.word, stem + std::to_string(random()));
            mox::setFieldText(r.translation, "t");
            r.active = 0;
            out.write(reinterpret_cast<const char*>(&r), sizeof r);
        }
    }
};

Dataset& data()
{
    static Dataset dataset;
    return dataset;
}

void PlainRead(benchmark::State& state)
{
    plainRead(state, data().settings.dictionaryPath());
}

// Listing the excluded words again, as after a re-activation.
void ShowExcludedWords(benchmark::State& state)
{
    Dataset& d = data();
    mox::DictionarySession session(d.messages);
    mox::CPgDictionary page(d.settings, d.messages, session, {});
    for (auto _ : state) {
        state.PauseTiming();
        page.clearExcludedWords();
        // As after the learning window's retreat: no freed memory kept.
        mox::releaseFreedMemory();
        state.ResumeTiming();
        page.showExcludedWords();
    }
    if (!d.messages.shown.empty())
        state.SkipWithError("the page reported a failure");
}

// A word learnt (excluded) and another returned to learning since the list
// was last shown, as between two openings of the page: the kept list is
// updated, not sorted again.
void UpdateExcludedWords(benchmark::State& state)
{
    Dataset& d = data();
    mox::DictionarySession session(d.messages);
    mox::CPgDictionary page(d.settings, d.messages, session, {});
    page.showExcludedWords();
    std::fstream file(d.settings.dictionaryPath(), std::ios::binary | std::ios::in | std::ios::out);
    std::int64_t record = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // Record `record` back to learning and the one after it excluded, in
        // turn through the file.
        for (const std::int64_t r : {record, (record + 1) % kRecords}) {
            const auto at = static_cast<std::streamoff>(r * sizeof(mox::DictRecord) + offsetof(mox::DictRecord, active));
            file.seekg(at);
            const char active = static_cast<char>(file.get());
            file.seekp(at);
            file.put(active != 0 ? 0 : 1);
        }
        file.flush();
        record = (record + 1) % kRecords;
        mox::releaseFreedMemory();
        state.ResumeTiming();
        page.showExcludedWords();
    }
    if (!d.messages.shown.empty())
        state.SkipWithError("the page reported a failure");
}

// Building the page and showing it (its excluded words kept from the last
// opening): counts, the folder's
// dictionaries, the excluded words, and the first paint.
void OpenPage(benchmark::State& state)
{
    Dataset& d = data();
    mox::DictionarySession session(d.messages);
    for (auto _ : state) {
        state.PauseTiming();
        mox::releaseFreedMemory();
        state.ResumeTiming();
        QDialog host;
        auto* page = new mox::CPgDictionary(d.settings, d.messages, session, {}, &host);
        (new QVBoxLayout(&host))->addWidget(page);
        host.show();
        QApplication::processEvents();
    }
}

BENCHMARK(PlainRead)->Unit(benchmark::kMillisecond);
BENCHMARK(ShowExcludedWords)->Unit(benchmark::kMillisecond);
BENCHMARK(UpdateExcludedWords)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenPage)->Unit(benchmark::kMillisecond);

} // namespace
