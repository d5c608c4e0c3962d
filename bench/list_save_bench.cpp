// The cost of writing the working list after every answer: the engine's
// answer with its safe write (a new file beside the old one, flushed to the
// disk, renamed over it), beside a plain write of the same bytes into the
// same file without flushing. Lists of 20 words (the usual size) and 1000
// (the largest the options allow).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "NoWindow.h"
#include "learning/LearningEngine.h"
#include "platform/fake/FixedClock.h"
#include "platform/fake/RecordingMessages.h"
#include "settings/Settings.h"
#include "store/DictRecord.h"
#include "store/DictionarySession.h"
#include "store/RecordText.h"
#include "store/Store.h"

namespace {

// A program folder (under the benchmark's working folder, which is on a real
// disk, unlike a /tmp that may be in memory) whose dictionary and list hold
// `words` words.
struct Folder {
    explicit Folder(int words) : messages(), settings(messages)
    {
        root = std::filesystem::current_path() / (".mox-list-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(root / "voc");
        settings.setAppPath(root.string());
        settings.setSCurDict("w.dct");
        settings.setSCurList("w.lst");
        settings.setISubSetRecCount(static_cast<std::uint16_t>(words));
        settings.setIExcludeAfter(60000);
        settings.setIShowCount(60000);
        settings.setIHideAfter(60000);
        std::FILE* out = std::fopen((root / "voc" / "w.dct").c_str(), "wb");
        for (int i = 0; i < words; ++i) {
            mox::DictRecord r;
            mox::setFieldText(r.word, "word" + std::to_string(i));
            mox::setFieldText(r.translation, "x");  // every row is the right answer
            std::fwrite(&r, sizeof r, 1, out);
        }
        std::fclose(out);
    }
    ~Folder()
    {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    std::filesystem::path root;
    mox::RecordingMessages messages;
    mox::Settings settings;
};

// One answer in choice mode, its counters and the write of the list.
void BM_AnswerAndSave(benchmark::State& state)
{
    Folder folder(static_cast<int>(state.range(0)));
    mox::FixedClock clock;
    NoWindow window;
    mox::DictionarySession session(folder.messages);
    mox::LearningEngine engine(folder.settings, clock, window, session);
    engine.loadList();
    engine.topUpList();
    engine.presentNext();
    for (auto _ : state) {
        const bool right = engine.checkAnswer("x");
        if (!right || !folder.messages.shown.empty())
            state.SkipWithError("answering failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0) *
                            static_cast<std::int64_t>(mox::kListRecordSize));
}

// The floor: the same bytes written over the list file in place.
void BM_PlainWrite(benchmark::State& state)
{
    Folder folder(static_cast<int>(state.range(0)));
    const std::vector<char> bytes(static_cast<std::size_t>(state.range(0)) * mox::kListRecordSize, 1);
    const std::string path = folder.settings.listPath();
    for (auto _ : state) {
        std::FILE* out = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bytes.size()));
}

BENCHMARK(BM_PlainWrite)->Arg(20)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AnswerAndSave)->Arg(20)->Arg(1000)->Unit(benchmark::kMicrosecond);

} // namespace
