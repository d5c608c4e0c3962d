// The module's import of a 200,000-line UTF-8 file (Latin words, Cyrillic
// translations, IPA transcriptions with the symbols of German, Polish and
// French dictionaries) beside a plain read of the same file with its
// conversion (UTF-8 decoded, the text encoded into cp1251 by one converter
// call over the whole text): the import should stay within twice as long.
// Also the same as a notes export with HTML fields, the export of the
// dictionary it makes in both formats beside the plain read, and the import
// without the final write (parsing and building the records alone).
// The memory of a deck package is measured by deck_memory.py beside this.
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
constexpr int kLines = 200000;

struct Dataset {
    Dataset()
    {
        std::random_device rd;
        root = fs::temp_directory_path() / ("mox-import-bench-" + std::to_string(rd()));
        fs::create_directories(root / "voc");
        settings.found = true;
        settings.dictFolder = (root / "voc").string() + "/";
        file = (root / "words.tsv").string();
        notesFile = (root / "notes.txt").string();
        const char* ipa[] = {"ˈwɜːd", "kæt", "ʃtʁaːsə", "ˈkat͡sə", "ʐɔ̃ŋɕɛ", "haʊ̯s", "bɔ̃ʒˈuʁ", "ˈhaːbn̩"};
        const char* russian[] = {"слово", "кошка", "улица", "кошка", "жена", "дом", "здравствуйте", "иметь"};
        std::ofstream out(file, std::ios::binary);
        std::ofstream notes(notesFile, std::ios::binary);
        notes << "#separator:tab\n#html:true\n#guid column:1\n#notetype column:2\n#deck column:3\n";
        for (int i = 0; i < kLines; ++i) {
            out << "word" << i << '\t' << russian[i % 8] << ' ' << i << '\t' << ipa[i % 8] << '\n';
            notes << "g" << i << "\tBasic\tDeutsch\t<b>word" << i << "</b>\t" << russian[i % 8] << "&nbsp;" << i
                  << "<br>\t[" << ipa[i % 8] << "]\n";
        }
        out.close();
        notes.close();
        fileBytes = static_cast<double>(fs::file_size(file));
    }
    ~Dataset()
    {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    mox::dc::ImportJob job(bool asNotes = false) const
    {
        mox::dc::ImportJob j;
        j.file = asNotes ? notesFile : file;
        j.name = "words";
        j.replace = true;
        return j;
    }

    fs::path root;
    std::string file;
    std::string notesFile;
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
    const std::string& file = state.range(0) == 1 ? data().notesFile : data().file;
    for (auto _ : state) {
        mox::dc::readWholeFile(file, text, error);
        const QString decoded = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        QStringEncoder encoder("windows-1251");
        const QByteArray bytes = encoder.encode(decoded);
        benchmark::DoNotOptimize(bytes.data());
    }
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

void ImportNotesExport(benchmark::State& state)
{
    const mox::dc::ImportJob job = data().job(true);
    for (auto _ : state) {
        const mox::dc::Outcome outcome = mox::dc::importFile(data().settings, job);
        if (!outcome.done() || outcome.records != kLines)
            state.SkipWithError(outcome.summary.c_str());
    }
}

void PlainReadOfTheDictionary(benchmark::State& state)
{
    mox::dc::importFile(data().settings, data().job());
    std::string bytes, error;
    for (auto _ : state) {
        mox::dc::readWholeFile(data().settings.dictFolder + "words.dct", bytes, error);
        benchmark::DoNotOptimize(bytes.data());
    }
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
    mox::dc::ExportJob job;
    job.dictionary = "words";
    job.file = (data().root / "out.tsv").string();
    job.format = state.range(0) == 1 ? mox::dc::ExportFormat::Notes : mox::dc::ExportFormat::Tsv;
    job.replace = true;
    for (auto _ : state) {
        const auto outcome = mox::dc::exportDictionary(data().settings, job);
        if (!outcome.done())
            state.SkipWithError(outcome.summary.c_str());
    }
}

} // namespace

// Arg 0: the text file, 1: the notes export (the baseline of ImportNotesExport).
BENCHMARK(PlainReadAndConvert)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(ImportFile)->Unit(benchmark::kMillisecond);
BENCHMARK(ImportNotesExport)->Unit(benchmark::kMillisecond);
BENCHMARK(ImportWithoutWriting)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainReadOfTheDictionary)->Unit(benchmark::kMillisecond);
BENCHMARK(ExportDictionary)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
