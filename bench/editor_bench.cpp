// The dictionary editor over a dictionary of 100,000 records, each figure
// next to a plain sequential read of the same file in large chunks: filling
// the table and a write-back of a late record should each cost about one
// such read (the file is read once), opening the whole window a few, a
// header click (one sort) and making the search order at most ten, a
// keystroke in the search field a fraction of one.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "BenchFolder.h"
#include "PlainRead.h"
#include "editing/DictionaryEditor.h"
#include "editing/DictionaryTableModel.h"
#include "language/CharsetCodec.h"
#include "platform/fake/FakeLayoutPort.h"
#include "platform/fake/RecordingMessages.h"
#include "settings/CurrentDictionary.h"
#include "settings/Settings.h"
#include "store/DictionaryFile.h"
#include "store/DictionarySession.h"
#include "store/RecordText.h"
#include "store/Store.h"
#include "widgets/GridView.h"
#include "widgets/PackedKeys.h"

namespace {

namespace fs = std::filesystem;
constexpr int kRecords = 100000;

// A program folder with voc/words.dct: 100,000 live records, every tenth
// followed by a tombstone, and an empty list.
struct Dataset : BenchFolder {
    Dataset()
    {
        settings.setIForeignCharSet(mox::charset::Ansi);
        settings.setINativeCharSet(mox::charset::Russian);
        settings.setITransCharSet(mox::charset::Symbol);
        settings.setUiForeignLayout(0x409);
        settings.setUiNativeLayout(0x419);
        settings.setUiTransLayout(0x409);

        std::vector<mox::DictRecord> records;
        for (int i = 0; i < kRecords; ++i) {
            mox::DictRecord r = mox::newDictRecord();
            mox::setFieldText(r.word, "word" + std::to_string((i * 7919) % kRecords));
            mox::setFieldText(r.translation, "\xF1\xEB\xEE\xE2\xEE " + std::to_string(i));
            mox::setFieldText(r.transcription, "w3:d");
            records.push_back(r);
            if (i % 10 == 9)
                records.push_back(mox::makeTombstone());
        }
        lastWord = mox::fieldText(records[records.size() - 2].word);
        std::ofstream(settings.dictionaryPath(), std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(records.data()),
                   static_cast<std::streamsize>(records.size() * sizeof(mox::DictRecord)));
        std::ofstream(settings.listPath(), std::ios::binary | std::ios::trunc);
        fileBytes = static_cast<std::int64_t>(records.size() * sizeof(mox::DictRecord));
        session.open(mox::currentDictionaryPaths(settings));
    }

    // The program's session, open on the dictionary with its (empty) list.
    mox::DictionarySession session{messages};
    std::string lastWord;
    std::int64_t fileBytes = 0;
};

Dataset& data()
{
    static Dataset dataset;
    return dataset;
}

// The yardstick: the plain read of the whole file.
void PlainRead(benchmark::State& state)
{
    const std::string path = data().settings.dictionaryPath();
    for (auto _ : state)
        benchmark::DoNotOptimize(readWholeFile(path));
    state.SetBytesProcessed(state.iterations() * data().fileBytes);
}

// The table model filled from the file (one pass, texts kept as bytes).
void FillModel(benchmark::State& state)
{
    Dataset& d = data();
    mox::DictionaryTableModel model({0, 204, 2}, {QFont(), QFont(), QFont()});
    for (auto _ : state) {
        model.fill(mox::DictionaryFile(d.settings.dictionaryPath()));
        if (model.rowCount() != kRecords)
            state.SkipWithError("the table did not get every live record");
    }
    state.SetBytesProcessed(state.iterations() * d.fileBytes);
}

// The editor window built, filled and painted once, as the user opens it.
void OpenEditor(benchmark::State& state)
{
    Dataset& d = data();
    mox::FakeLayoutPort layouts(std::vector<std::string>{"00000409", "00000419"});
    for (auto _ : state) {
        mox::DictionaryEditor editor(d.settings, layouts, d.messages, d.session);
        editor.show();
        QApplication::processEvents();
        editor.grid()->viewport()->repaint();
        if (editor.model()->rowCount() != kRecords)
            state.SkipWithError("the editor did not show every live record");
    }
}

// A header click on 100,000 rows (byte order), each time the other way.
void SortByWord(benchmark::State& state)
{
    Dataset& d = data();
    mox::FakeLayoutPort layouts(std::vector<std::string>{"00000409"});
    mox::DictionaryEditor editor(d.settings, layouts, d.messages, d.session);
    bool ascending = true;
    for (auto _ : state) {
        editor.grid()->sortByColumn(0, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        ascending = !ascending;
    }
}

// The sort of a header click alone: the words' keys packed and ordered,
// without the table's handling of the new order.
void OrderWordKeys(benchmark::State& state)
{
    Dataset& d = data();
    mox::DictionaryTableModel model({0, 204, 2}, {QFont(), QFont(), QFont()});
    model.fill(mox::DictionaryFile(d.settings.dictionaryPath()));
    for (auto _ : state) {
        mox::PackedKeys keys;
        for (int row = 0; row < model.rowCount(); ++row)
            keys.append(model.cellBytes(row, 0));
        benchmark::DoNotOptimize(keys.order(false));
    }
}

// The search order of the word column made (one sort of 100,000 folded
// words), as the search field takes the focus.
void PrepareSearch(benchmark::State& state)
{
    Dataset& d = data();
    mox::FakeLayoutPort layouts(std::vector<std::string>{"00000409"});
    mox::DictionaryEditor editor(d.settings, layouts, d.messages, d.session);
    for (auto _ : state) {
        state.PauseTiming();
        editor.fillTable(); // a reset: the order is made anew
        state.ResumeTiming();
        editor.grid()->prepareSearch();
    }
}

// One keystroke in the search field: the words beginning with "word4", then
// with "word45", "word452", each a jump (bisection) to the first of them, as
// the user types; and the same with only the words found shown.
void SearchKeystroke(benchmark::State& state)
{
    Dataset& d = data();
    mox::FakeLayoutPort layouts(std::vector<std::string>{"00000409"});
    mox::DictionaryEditor editor(d.settings, layouts, d.messages, d.session);
    editor.show();
    QApplication::processEvents();
    editor.filterBox()->setChecked(state.range(0) != 0);
    editor.grid()->prepareSearch();
    const std::vector<QString> typed{"w", "wo", "wor", "word", "word4", "word45", "word452", "WORD4521"};
    std::size_t at = 0;
    for (auto _ : state) {
        editor.searchField()->setText(typed[at]);
        at = (at + 1) % typed.size();
    }
    state.SetLabel(state.range(0) != 0 ? "filtered" : "jump");
}
// A change of the translation of the last live record: one search through
// the file and one record written in place.
void WriteBackLateRecord(benchmark::State& state)
{
    Dataset& d = data();
    bool flip = false;
    for (auto _ : state) {
        const char* from = flip ? "\xEF\xE5\xF0\xE2\xEE\xE5" : "\xE2\xF2\xEE\xF0\xEE\xE5";
        const char* to = flip ? "\xE2\xF2\xEE\xF0\xEE\xE5" : "\xEF\xE5\xF0\xE2\xEE\xE5";
        if (d.session.editText(d.lastWord, mox::kTranslationColumn, from, to) !=
            mox::DictionarySession::EditResult::written)
            state.SkipWithError("the late record was not written");
        flip = !flip;
    }
    state.SetBytesProcessed(state.iterations() * d.fileBytes);
}

BENCHMARK(PlainRead)->Unit(benchmark::kMillisecond);
BENCHMARK(FillModel)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteBackLateRecord)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenEditor)->Unit(benchmark::kMillisecond);
BENCHMARK(SortByWord)->Unit(benchmark::kMillisecond);
BENCHMARK(OrderWordKeys)->Unit(benchmark::kMillisecond);
BENCHMARK(PrepareSearch)->Unit(benchmark::kMillisecond);
BENCHMARK(SearchKeystroke)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
