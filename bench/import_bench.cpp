// The module's import of a 100,000-line UTF-8 file (Latin words, Cyrillic
// translations, IPA transcriptions) beside a plain read of the same file with
// its conversion (UTF-8 decoded, translations encoded into cp1251 by one
// converter call over the whole text): the import should take about as long.
// Also the export of the dictionary it makes, and the import without the
// final write (parsing and building the records alone).
#include <benchmark/benchmark.h>

#include <QString>
#include <QStringEncoder>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "DictionaryImport.h"
#include "Jobs.h"
#include "ModuleSettings.h"
#include "QtCodePage.h"

namespace {

namespace fs = std::filesystem;
constexpr int kLines = 100000;

struct Dataset {
    Dataset()
    {
        std::random_device rd;
        root = fs::temp_directory_path() / ("mox-import-bench-" + std::to_string(rd()));
        fs::create_directories(root / "voc");
        settings.found = true;
        settings.dictFolder = (root / "voc").string() + "/";
        file = (root / "words.tsv").string();
        const char* ipa[] = {"ˈwɜːd", "kæt", "θɪŋk", "ˈæpl paɪ", "dɒɡ", "ʃɪp"};
        const char* russian[] = {"слово", "кошка", "думать", "яблочный пирог", "собака", "корабль"};
        std::ofstream out(file, std::ios::binary);
        for (int i = 0; i < kLines; ++i)
            out << "word" << i << '\t' << russian[i % 6] << ' ' << i << '\t' << ipa[i % 6] << '\n';
        out.close();
        fileBytes = static_cast<double>(fs::file_size(file));
    }
    ~Dataset()
    {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    mox::dc::ImportJob job() const
    {
        mox::dc::ImportJob j;
        j.file = file;
        j.name = "words";
        j.replace = true;
        return j;
    }

    fs::path root;
    std::string file;
    double fileBytes = 0;
    mox::dc::ModuleSettings settings;
};

Dataset& data()
{
    static Dataset d;
    return d;
}

void PlainReadAndConvert(benchmark::State& state)
{
    std::string text, error;
    for (auto _ : state) {
        mox::dc::readWholeFile(data().file, text, error);
        const QString decoded = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        QStringEncoder encoder("windows-1251");
        const QByteArray bytes = encoder.encode(decoded);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(static_cast<double>(state.iterations()) * data().fileBytes));
}

void ImportFile(benchmark::State& state)
{
    const mox::dc::ImportJob job = data().job();
    for (auto _ : state) {
        const mox::dc::Outcome outcome = mox::dc::importFile(data().settings, job);
        if (!outcome.done() || outcome.records != kLines)
            state.SkipWithError(outcome.summary.c_str());
    }
    state.SetBytesProcessed(static_cast<int64_t>(static_cast<double>(state.iterations()) * data().fileBytes));
}

void ImportWithoutWriting(benchmark::State& state)
{
    std::string text, error;
    mox::dc::readWholeFile(data().file, text, error);
    mox::dc::ImportOptions options;
    options.wordPage = &mox::dc::codePageForCharSet(0);
    options.translationPage = &mox::dc::codePageForCharSet(204);
    for (auto _ : state) {
        const auto result = mox::dc::importRecords(text, options);
        benchmark::DoNotOptimize(result.records.data());
    }
}

void ExportDictionary(benchmark::State& state)
{
    mox::dc::importFile(data().settings, data().job());
    const std::string out = (data().root / "out.tsv").string();
    for (auto _ : state) {
        const auto outcome = mox::dc::exportDictionary(data().settings, "words", out, 0, 204, true);
        if (!outcome.done())
            state.SkipWithError(outcome.summary.c_str());
    }
}

} // namespace

BENCHMARK(PlainReadAndConvert)->Unit(benchmark::kMillisecond);
BENCHMARK(ImportFile)->Unit(benchmark::kMillisecond);
BENCHMARK(ImportWithoutWriting)->Unit(benchmark::kMillisecond);
BENCHMARK(ExportDictionary)->Unit(benchmark::kMillisecond);
