// The store's whole-file operations on a dictionary of 100,000 records, each
// next to a plain sequential read of the same file in large chunks: the
// counts should take at most twice as long as that read.
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
#include "settings/Settings.h"
#include "store/DictionaryFile.h"
#include "store/RecordText.h"
#include "store/Restore.h"
#include "store/Store.h"

namespace {

namespace fs = std::filesystem;
constexpr int kRecords = 100000;
constexpr int kListWords = 20;

// A program folder with voc/words.dct (100,000 live records, every seventh
// excluded) and voc/words.lst (20 of its words), flags consistent, so a
// restore finds nothing to repair; and a copy of the dictionary with a
// tombstone in every ten records, for the restore that has to compact it.
struct Dataset : BenchFolder {
    Dataset()
    {
        mox::Dictionary dict;
        mox::WordList list;
        dict.reserve(kRecords);
        for (int i = 0; i < kRecords; ++i) {
            mox::DictRecord r = mox::newDictRecord();
            mox::setFieldText(r.word, "word" + std::to_string(i));
            mox::setFieldText(r.translation, "\xF1\xEB\xEE\xE2\xEE " + std::to_string(i));
            if (i % 7 == 0) {
                r.active = 0;
            } else if (static_cast<int>(list.size()) < kListWords && i % 1000 == 1) {
                r.inList = 1;
                list.push_back(mox::newListRecord(r));
            }
            dict.push_back(r);
        }
        consistent = bytesOf(dict);
        mox::Dictionary withTombstones;
        for (std::size_t i = 0; i < dict.size(); ++i) {
            withTombstones.push_back(dict[i]);
            if (i % 9 == 8)
                withTombstones.push_back(mox::makeTombstone());
        }
        tombstones = static_cast<std::uint32_t>(withTombstones.size() - dict.size());
        damaged = bytesOf(withTombstones);
        listBytes = bytesOf(list);
        writeDictionary(consistent);
        writeFile(settings.listPath(), listBytes);
    }

    template <class Record>
    static std::vector<char> bytesOf(const std::vector<Record>& records)
    {
        std::vector<char> bytes(records.size() * sizeof(Record));
        std::memcpy(bytes.data(), records.data(), bytes.size());
        return bytes;
    }
    static void writeFile(const std::string& path, const std::vector<char>& bytes)
    {
        std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    void writeDictionary(const std::vector<char>& bytes) { writeFile(settings.dictionaryPath(), bytes); }

    std::vector<char> consistent, damaged, listBytes;
    std::uint32_t tombstones = 0;
};

Dataset& data()
{
    static Dataset dataset;
    return dataset;
}

// The yardstick: the plain read of the whole file.
void PlainRead(benchmark::State& state)
{
    plainRead(state, data().settings.dictionaryPath());
}

void DictItemCount(benchmark::State& state)
{
    Dataset& d = data();
    for (auto _ : state)
        benchmark::DoNotOptimize(mox::DictItemCount(d.settings.dictionaryPath(), d.messages));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kRecords * 208);
}

void ActiveItemCount(benchmark::State& state)
{
    Dataset& d = data();
    for (auto _ : state)
        benchmark::DoNotOptimize(mox::ActiveItemCount(d.settings.dictionaryPath(), d.messages));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kRecords * 208);
}

void LoadDictionary(benchmark::State& state)
{
    Dataset& d = data();
    for (auto _ : state) {
        mox::Dictionary records;
        mox::loadDictionary(d.settings.dictionaryPath(), d.messages, records);
        benchmark::DoNotOptimize(records.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kRecords * 208);
}

// A restore that reads both files, checks every pair and finds nothing.
void RestoreNothingToRepair(benchmark::State& state)
{
    Dataset& d = data();
    for (auto _ : state) {
        const mox::RestoreResult r = mox::restoreDictionary(mox::currentDictionaryPaths(d.settings), d.messages);
        if (r.dictErrors != 0 || r.listErrors != 0)
            state.SkipWithError("the dataset was not consistent");
        d.messages.clear();
    }
}

// A restore that finds the tombstones, backs up the dictionary and writes the
// compacted one (flushed to the disk).
void RestoreWithRepair(benchmark::State& state)
{
    Dataset& d = data();
    for (auto _ : state) {
        state.PauseTiming();
        d.writeDictionary(d.damaged);
        state.ResumeTiming();
        const mox::RestoreResult r = mox::restoreDictionary(mox::currentDictionaryPaths(d.settings), d.messages);
        if (r.dictErrors != d.tombstones || !r.dictWritten)
            state.SkipWithError("the restore did not repair the dictionary");
        d.messages.clear();
    }
    d.writeDictionary(d.consistent);
}

// The Dictionaries page's pass over the dictionary: its excluded words and the
// count of active ones.
void ScanExcludedWords(benchmark::State& state)
{
    Dataset& d = data();
    const std::string path = d.settings.dictionaryPath();
    for (auto _ : state) {
        const auto scan = mox::DictionaryFile(path).scanExcluded();
        if (!scan || scan->words.size() != (kRecords + 6) / 7)
            state.SkipWithError("the excluded words were not found");
        benchmark::DoNotOptimize(scan->words.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kRecords * 208);
}

// Re-activating every excluded word at once (14,286 selected words): one
// search pass for all of them, the found records of each chunk rewritten in
// place together.
void ActivateAllExcludedWords(benchmark::State& state)
{
    Dataset& d = data();
    const std::string path = d.settings.dictionaryPath();
    const mox::DictionaryWords excluded = mox::DictionaryFile(path).scanExcluded().value().words;
    const std::vector<std::string> words(excluded.begin(), excluded.end());
    for (auto _ : state) {
        state.PauseTiming();
        d.writeDictionary(d.consistent);
        state.ResumeTiming();
        const mox::Activation result = mox::DictionaryFile(path).activate(words);
        if (result.activated != words.size())
            state.SkipWithError("not every word was re-activated");
    }
    d.writeDictionary(d.consistent);
}

BENCHMARK(PlainRead)->Unit(benchmark::kMillisecond);
BENCHMARK(ScanExcludedWords)->Unit(benchmark::kMillisecond);
BENCHMARK(ActivateAllExcludedWords)->Unit(benchmark::kMillisecond);
BENCHMARK(DictItemCount)->Unit(benchmark::kMillisecond);
BENCHMARK(ActiveItemCount)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadDictionary)->Unit(benchmark::kMillisecond);
BENCHMARK(RestoreNothingToRepair)->Unit(benchmark::kMillisecond);
BENCHMARK(RestoreWithRepair)->Unit(benchmark::kMillisecond);

} // namespace
