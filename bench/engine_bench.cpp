// Topping up a working list of 20 from a dictionary of 100,000 words, and
// reading a full list from its file (which reconciles it with the
// dictionary), and the top-up of a showing after a word was learnt, beside a
// plain sequential read of the same file. The files
// are regenerated before every iteration, outside the timed part.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "NoWindow.h"
#include "learning/LearningEngine.h"
#include "platform/fake/FixedClock.h"
#include "platform/fake/RecordingMessages.h"
#include "settings/Settings.h"
#include "store/DictRecord.h"
#include "store/DictionarySession.h"
#include "store/RecordText.h"

namespace {

constexpr int kWords = 100'000;

// A program folder with a dictionary of kWords words, every fourth already
// learned, and no list yet.
struct Files {
    Files()
    {
        root = std::filesystem::temp_directory_path() / ("mox-engine-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(root / "voc");
        dictionary = root / "voc" / "big.dct";
        list = root / "voc" / "big.lst";
        image.resize(static_cast<std::size_t>(kWords) * mox::kDictRecordSize);
        for (int i = 0; i < kWords; ++i) {
            mox::DictRecord r;
            mox::setFieldText(r.word, "word" + std::to_string(i));
            mox::setFieldText(r.translation, "translation" + std::to_string(i));
            r.active = i % 4 == 0 ? 0 : 1;
            std::memcpy(image.data() + static_cast<std::size_t>(i) * mox::kDictRecordSize, &r, sizeof r);
        }
        regenerate();
    }
    ~Files()
    {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    void regenerate() const
    {
        // Overwritten in place rather than truncated: a truncated and
        // rewritten file is flushed to disk on close, and the timed writes
        // would then wait for that flush.
        const auto mode = std::filesystem::exists(dictionary) ? std::ios::in | std::ios::out : std::ios::out;
        std::fstream out(dictionary, mode | std::ios::binary);
        out.write(image.data(), static_cast<std::streamsize>(image.size()));
        out.close();
        std::error_code ec;
        std::filesystem::remove(list, ec);
    }

    std::filesystem::path root, dictionary, list;
    std::vector<char> image;
};

Files& files()
{
    static Files f;
    return f;
}

// The settings of a learner with the big dictionary and a list of 20.
void pointAtTheBigDictionary(mox::Settings& settings, const Files& f)
{
    settings.setAppPath(f.root.string());
    settings.setSCurDict("big.dct");
    settings.setSCurList("big.lst");
    settings.setISubSetRecCount(20);
}

// What a benchmark of the engine works with: the settings of a learner with
// the big dictionary and a list of 20, a clock and a window that draws nothing.
struct Learner {
    explicit Learner(const Files& f) { pointAtTheBigDictionary(settings, f); }
    mox::RecordingMessages messages;
    mox::Settings settings{messages};
    mox::FixedClock clock;
    NoWindow window;
};

// The timed top-up that ends a benchmark's round; the benchmark fails when
// it does not fill the list or tells the user anything.
void timedTopUp(benchmark::State& state, mox::LearningEngine& engine, const mox::RecordingMessages& messages)
{
    const bool ok = engine.topUpList();
    benchmark::DoNotOptimize(ok);
    if (!ok || engine.list().size() != 20 || !messages.shown.empty())
        state.SkipWithError("topping up failed");
}

void countBytes(benchmark::State& state, const Files& f)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(f.image.size()));
}

// Tops up a list of 20 from the dictionary; the session is open on the
// dictionary (its missing list read) before the timing starts. With
// `afterReading` the list is full already: the timed part reads it from its
// file as before a showing, which reconciles it with the dictionary, and the
// top-up then draws no word.
void topUp(benchmark::State& state, bool afterReading)
{
    Files& f = files();
    Learner learner(f);
    auto& [messages, settings, clock, window] = learner;
    for (auto _ : state) {
        state.PauseTiming();
        f.regenerate();
        mox::DictionarySession session(messages);
        mox::LearningEngine engine(settings, clock, window, session);
        if (afterReading) {
            mox::DictionarySession filling(messages);
            mox::LearningEngine fill(settings, clock, window, filling);
            fill.topUpList();
        } else {
            engine.loadList();
        }
        clock.advance(1);
        state.ResumeTiming();
        if (afterReading)
            engine.loadList();
        timedTopUp(state, engine, messages);
    }
    countBytes(state, f);
}

void BM_TopUpList(benchmark::State& state)
{
    topUp(state, false);
}

void BM_ReconcileFullList(benchmark::State& state)
{
    topUp(state, true);
}

// The showing after one word of a full list was learnt (it left the list and
// learning): the list is read as before a showing and one fresh word drawn.
// The session remembers what its last pass found and what it changed since,
// so no pass over the dictionary is needed.
void BM_TopUpAfterLearning(benchmark::State& state)
{
    Files& f = files();
    Learner learner(f);
    auto& [messages, settings, clock, window] = learner;
    for (auto _ : state) {
        state.PauseTiming();
        f.regenerate();
        mox::DictionarySession session(messages);
        mox::LearningEngine engine(settings, clock, window, session);
        engine.loadList();
        engine.topUpList();
        if (!session.exclude(0))
            state.SkipWithError("excluding failed");
        clock.advance(1);
        state.ResumeTiming();
        engine.refreshList();
        timedTopUp(state, engine, messages);
    }
    countBytes(state, f);
}

// The floor: one sequential pass over the same file in large reads.
void BM_PlainRead(benchmark::State& state)
{
    Files& f = files();
    std::vector<char> buffer(1 << 16);
    for (auto _ : state) {
        state.PauseTiming();
        f.regenerate();
        state.ResumeTiming();
        std::FILE* in = std::fopen(f.dictionary.c_str(), "rb");
        std::size_t total = 0, got = 0;
        while ((got = std::fread(buffer.data(), 1, buffer.size(), in)) > 0)
            total += got;
        std::fclose(in);
        benchmark::DoNotOptimize(total);
    }
    countBytes(state, f);
}

BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TopUpList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReconcileFullList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TopUpAfterLearning)->Unit(benchmark::kMillisecond);

} // namespace
