// The add-words dialog over a dictionary of 100,000 records: opening it
// (counting, reading the words, putting them in collation order, the list
// model), opening it again with the index of the last opening, putting a
// word's index alone in order, a keystroke's search, and
// adding a word in place; each beside a plain sequential read of the file.
#include <benchmark/benchmark.h>

#include "BenchFolder.h"
#include "PlainRead.h"


#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <QApplication>


#include "editing/AddWordsDialog.h"
#include "editing/WordIndexCache.h"
#include "editing/WordIndex.h"
#include "editing/WordIndexCache.h"
#include "editing/WordIndexModel.h"
#include "platform/fake/FakeLayoutPort.h"
#include "platform/fake/RecordingMessages.h"
#include "settings/CurrentDictionary.h"
#include "settings/Settings.h"
#include "store/DictRecord.h"
#include "store/DictionaryFile.h"
#include "store/DictionarySession.h"
#include "store/LargeArrays.h"
#include "store/RecordText.h"
#include "store/Store.h"

namespace {

namespace fs = std::filesystem;
constexpr int kRecords = 100000;

std::string randomWord(std::mt19937& random)
{
    std::uniform_int_distribution<int> length(3, 12), letter(0, 25), capital(0, 9);
    std::string word;
    const int n = length(random);
    for (int i = 0; i < n; ++i)
        word.push_back(static_cast<char>((i == 0 && capital(random) == 0 ? 'A' : 'a') + letter(random)));
    return word;
}

// voc/words.dct: 100,000 live records of distinct random words.
struct Dataset : BenchFolder {
    Dataset()
    {
        settings.setSForeignFontFace("DejaVu Sans");
        settings.setSNativeFontFace("DejaVu Sans");
        settings.setSTransFontFace("TransMox");
        settings.setIForeignCharSet(0);
        settings.setINativeCharSet(204);
        settings.setITransCharSet(2);
        settings.setUiForeignLayout(0x409);
        settings.setUiNativeLayout(0x419);
        settings.setUiTransLayout(0x409);
        std::mt19937 random(7);
        std::ofstream out(settings.dictionaryPath(), std::ios::binary);
        for (int i = 0; i < kRecords; ++i) {
            mox::DictRecord r = mox::newDictRecord();
            const std::string word = randomWord(random) + std::to_string(i % 10);
            words.push_back(word);
            mox::setFieldText(r.word, word);
            mox::setFieldText(r.translation, "\xF1\xEB\xEE\xE2\xEE");
            out.write(reinterpret_cast<const char*>(&r), sizeof r);
        }
    }

    std::vector<std::string> words;
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

// The dialog from construction to ready (not shown), its index read and
// sorted: the first opening, or one after the words changed.
void OpenDialog(benchmark::State& state)
{
    Dataset& d = data();
    mox::FakeLayoutPort layouts;
    // The program's session is open on the dictionary before the dialog is.
    mox::DictionarySession session(d.messages);
    session.open(mox::currentDictionaryPaths(d.settings));
    for (auto _ : state) {
        state.PauseTiming();
        mox::WordIndexCache::shared().clear();
        // As after the learning window's retreat: no freed memory kept.
        mox::releaseFreedMemory();
        state.ResumeTiming();
        mox::AddWordsDialog dialog(d.settings, layouts, session);
        benchmark::DoNotOptimize(dialog.index().size());
    }
}

// The next opening while the words are as they were: the index of the last
// opening serves.
void ReopenDialog(benchmark::State& state)
{
    Dataset& d = data();
    mox::FakeLayoutPort layouts;
    mox::DictionarySession session(d.messages);
    session.open(mox::currentDictionaryPaths(d.settings));
    { mox::AddWordsDialog first(d.settings, layouts, session); }
    for (auto _ : state) {
        mox::AddWordsDialog dialog(d.settings, layouts, session);
        benchmark::DoNotOptimize(dialog.index().size());
    }
}

void LoadIndex(benchmark::State& state)
{
    Dataset& d = data();
    for (auto _ : state) {
        mox::WordIndex index(0, "en_US");
        index.load(mox::DictionaryFile(d.settings.dictionaryPath()));
        benchmark::DoNotOptimize(index.size());
    }
}

mox::WordIndex& loadedIndex()
{
    static mox::WordIndex index = [] {
        mox::WordIndex i(0, "en_US");
        i.load(mox::DictionaryFile(data().settings.dictionaryPath()));
        return i;
    }();
    return index;
}

// Typing a word of the dictionary letter by letter: each keystroke's search
// from where the last one stood, and the list's selection from the top.
void KeystrokeSearch(benchmark::State& state)
{
    mox::WordIndex& index = loadedIndex();
    const auto& words = data().words;
    std::size_t next = 0;
    std::int64_t keystrokes = 0;
    for (auto _ : state) {
        const std::string& word = words[(next++ * 7919) % words.size()];
        int start = 0;
        for (std::size_t n = 1; n <= word.size(); ++n) {
            const int found = index.findPrefix(std::string_view(word).substr(0, n), start);
            start = found < 0 ? 0 : found;
            benchmark::DoNotOptimize(index.findFromTopIgnoringCase(QString::fromLatin1(word.data(), n), found));
            ++keystrokes;
        }
    }
    state.counters["per_keystroke"] =
        benchmark::Counter(static_cast<double>(keystrokes), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// A new word into the index and the list's model, where it belongs.
void InsertWord(benchmark::State& state)
{
    mox::WordIndex index(0, "en_US");
    index.load(mox::DictionaryFile(data().settings.dictionaryPath()));
    mox::WordIndexModel model(index);
    std::mt19937 random(11);
    for (auto _ : state) {
        std::string word = randomWord(random) + "#";
        benchmark::DoNotOptimize(model.insert(std::move(word)));
    }
}

BENCHMARK(PlainRead)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenDialog)->Unit(benchmark::kMillisecond);
BENCHMARK(ReopenDialog)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadIndex)->Unit(benchmark::kMillisecond);
BENCHMARK(KeystrokeSearch)->Unit(benchmark::kMicrosecond);
BENCHMARK(InsertWord)->Unit(benchmark::kMicrosecond);

} // namespace
