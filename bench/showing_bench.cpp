// A click on the tray icon until the learning window is drawn, over the
// starter dictionary and over a dictionary of 1,000,000 words. What a click
// costs should not grow with the dictionary: the working list is what is
// shown, and the session remembers what its last pass over the dictionary
// found. Three moments of a learner's day:
//   Steady:        the window comes up again, nothing changed since;
//   AfterLearning: the last showing's word was learnt and left the list, so
//                  the showing draws a fresh one;
//   AfterStart:    the first click after the program started, with a list
//                  one word short of a size raised since the last run (the
//                  start's reading of the list went over the dictionary once
//                  and found what can be drawn).
// Beside them, the start of the learning side itself (reading the list, which
// goes over the dictionary once), to the tray.
// Each runs over the starter ("Starter") and the big dictionary ("Million");
// compare the two of one moment.
#include "platform/fake/FakeSleep.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "BenchFolder.h"
#include "learning/LearningController.h"
#include "learning/MainWindow.h"
#include "platform/fake/FakeActivity.h"
#include "platform/fake/FakeForeground.h"
#include "platform/fake/FakeLayoutPort.h"
#include "platform/fake/FakeTimers.h"
#include "platform/fake/FixedClock.h"
#include "store/DictRecord.h"
#include "store/DictionarySession.h"
#include "store/RecordText.h"

namespace {

namespace fs = std::filesystem;
constexpr int kMillion = 1'000'000;

// The big dictionary, written once per run: distinct random words with
// numbered translations, every tenth already learnt.
const fs::path& millionWords()
{
    static const fs::path path = [] {
        const fs::path file = fs::temp_directory_path() / ("mox-showing-bench-" + std::to_string(::getpid()) + ".dct");
        std::ofstream out(file, std::ios::binary);
        std::mt19937 random(7);
        std::uniform_int_distribution<int> length(3, 12), letter(0, 25);
        std::vector<char> chunk;
        chunk.reserve(4096 * mox::kDictRecordSize);
        for (int i = 0; i < kMillion; ++i) {
            mox::DictRecord r;
            std::string word;
            const int n = length(random);
            for (int k = 0; k < n; ++k)
                word.push_back(static_cast<char>('a' + letter(random)));
            mox::setFieldText(r.word, word + std::to_string(i));
            mox::setFieldText(r.translation, "translation " + std::to_string(i));
            r.active = i % 10 == 0 ? 0 : 1;
            const auto* bytes = reinterpret_cast<const char*>(&r);
            chunk.insert(chunk.end(), bytes, bytes + sizeof r);
            if (chunk.size() >= 4096 * mox::kDictRecordSize) {
                out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
                chunk.clear();
            }
        }
        out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        std::atexit([] {
            std::error_code ec;
            fs::remove(fs::temp_directory_path() / ("mox-showing-bench-" + std::to_string(::getpid()) + ".dct"), ec);
        });
        return file;
    }();
    return path;
}

struct NoTray final : mox::TrayIconPort {
    void addIcon() override {}
    void removeIcon() override {}
};

// The program folder of a learner with `dictionary` copied in as the
// current one, a list of 20, and the learning side over fakes.
struct Learner : BenchFolder {
    explicit Learner(const fs::path& dictionary)
    {
        fs::copy_file(dictionary, root / "voc" / "words.dct");
        settings.setIRowCount(5);
        settings.setISubSetRecCount(20);
        settings.setIExcludeAfter(1);
        settings.setIShowCount(1000);
        settings.setIHideAfter(1000);
        settings.setIHideState(0);
        settings.setBAutoShow(1);
        settings.setUiTimer(60000);
        settings.setSForeignFontFace("DejaVu Sans");
        settings.setSNativeFontFace("DejaVu Sans");
        settings.setSTransFontFace("DejaVu Sans");
        settings.setIForeignCharSet(0);
        settings.setINativeCharSet(204);
        settings.setITransCharSet(2);
        start();
        // The first showing fills the list and builds the window.
        click();
        retreat();
    }

    void start()
    {
        controller.reset();
        session = std::make_unique<mox::DictionarySession>(messages);
        controller = std::make_unique<mox::LearningController>(
            mox::MainWindowPorts{settings, clock, layouts, timers, activity, foreground, sleep, *session},
            mox::MainWindowDialogs{}, &tray);
        // As the program starts: to the tray, without a window.
        controller->autoShow().startInTray();
        QApplication::processEvents();
    }

    // The tray click, and the events that draw the window.
    void click()
    {
        controller->autoShow().openFromTray();
        QApplication::processEvents();
    }

    void retreat()
    {
        controller->autoShow().hideToTray();
        QApplication::processEvents();
    }

    // Answers the word on show rightly, which takes it out of the list.
    void learnTheWordOnShow()
    {
        controller->answer(controller->engine().answer());
        QApplication::processEvents();
    }

    mox::FixedClock clock;
    mox::FakeLayoutPort layouts{std::vector<std::string>{"00000419", "00000409"}};
    mox::FakeTimers timers;
    mox::FakeActivity activity;
    mox::FakeForeground foreground;
    mox::FakeSleep sleep;
    NoTray tray;
    std::unique_ptr<mox::DictionarySession> session;
    std::unique_ptr<mox::LearningController> controller;
};

fs::path dictionaryOf(bool million)
{
    return million ? millionWords() : fs::path(MOX_STARTER_DICTIONARY);
}

// Whether the window came up with a full list; the benchmark ends with an
// error when not.
bool cameUp(benchmark::State& state, Learner& learner)
{
    if (learner.controller->window().isShown() &&
        learner.controller->engine().list().size() == learner.settings.iSubSetRecCount() &&
        learner.messages.shown.empty())
        return true;
    state.SkipWithError("the window did not come up with a full list");
    return false;
}

// The timed click (the timing runs when called), and the retreat after it,
// untimed. False when the window did not come up.
bool timedClick(benchmark::State& state, Learner& learner)
{
    learner.click();
    state.PauseTiming();
    if (!cameUp(state, learner))
        return false;
    learner.retreat();
    state.ResumeTiming();
    return true;
}

void steady(benchmark::State& state, bool million)
{
    Learner learner(dictionaryOf(million));
    for (auto _ : state)
        if (!timedClick(state, learner))
            break;
}

void afterLearning(benchmark::State& state, bool million)
{
    Learner learner(dictionaryOf(million));
    for (auto _ : state) {
        state.PauseTiming();
        learner.click();
        learner.learnTheWordOnShow();
        learner.retreat();
        learner.clock.advance(1);
        state.ResumeTiming();
        if (!timedClick(state, learner))
            break;
    }
}

void afterStart(benchmark::State& state, bool million)
{
    Learner learner(dictionaryOf(million));
    for (auto _ : state) {
        state.PauseTiming();
        learner.settings.setISubSetRecCount(static_cast<std::uint16_t>(learner.settings.iSubSetRecCount() + 1));
        learner.start();
        state.ResumeTiming();
        if (!timedClick(state, learner))
            break;
    }
}

void start(benchmark::State& state, bool million)
{
    Learner learner(dictionaryOf(million));
    for (auto _ : state)
        learner.start();
}

void BM_Start_Starter(benchmark::State& state) { start(state, false); }
void BM_Start_Million(benchmark::State& state) { start(state, true); }
void BM_Click_Steady_Starter(benchmark::State& state) { steady(state, false); }
void BM_Click_Steady_Million(benchmark::State& state) { steady(state, true); }
void BM_Click_AfterLearning_Starter(benchmark::State& state) { afterLearning(state, false); }
void BM_Click_AfterLearning_Million(benchmark::State& state) { afterLearning(state, true); }
void BM_Click_AfterStart_Starter(benchmark::State& state) { afterStart(state, false); }
void BM_Click_AfterStart_Million(benchmark::State& state) { afterStart(state, true); }

} // namespace

BENCHMARK(BM_Start_Starter)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_Start_Million)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_Click_Steady_Starter)->Unit(benchmark::kMillisecond)->Iterations(100);
BENCHMARK(BM_Click_Steady_Million)->Unit(benchmark::kMillisecond)->Iterations(100);
BENCHMARK(BM_Click_AfterLearning_Starter)->Unit(benchmark::kMillisecond)->Iterations(100);
BENCHMARK(BM_Click_AfterLearning_Million)->Unit(benchmark::kMillisecond)->Iterations(100);
BENCHMARK(BM_Click_AfterStart_Starter)->Unit(benchmark::kMillisecond)->Iterations(100);
BENCHMARK(BM_Click_AfterStart_Million)->Unit(benchmark::kMillisecond)->Iterations(100);
