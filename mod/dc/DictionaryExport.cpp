#include "DictionaryExport.h"

#include <algorithm>

#include "CodePage.h"
#include "language/TranscriptionKeys.h"
#include "store/RecordText.h"

namespace mox::dc {

namespace {

// A tab or a line break inside a text would split the row; they become spaces.
std::size_t flatten(std::string& text, std::size_t from)
{
    std::size_t changed = 0;
    for (std::size_t i = from; i < text.size(); ++i) {
        if (text[i] == '\t' || text[i] == '\n' || text[i] == '\r') {
            text[i] = ' ';
            ++changed;
        }
    }
    return changed;
}

} // namespace

ExportResult exportRecords(const Dictionary& records, const CodePage& wordPage, const CodePage& translationPage)
{
    ExportResult result;
    result.text.reserve(records.size() * 48);
    for (const DictRecord& record : records) {
        if (!record.isLive() || fieldView(record.word).empty()) {
            ++result.skipped;
            continue;
        }
        const std::size_t row = result.written + 1;
        std::string& out = result.text;
        const std::size_t start = out.size();
        const auto note = [&](const std::string& what) {
            const std::string word = out.substr(start, out.find('\t', start) - start);
            result.notes.push_back("строка " + std::to_string(row) + " («" + word + "»): " + what);
        };
        std::string field;
        std::size_t flattened = 0;
        const auto put = [&](const std::string& text) {
            const std::size_t from = out.size();
            out += text;
            flattened += flatten(out, from);
        };
        std::size_t missing = wordPage.decode(fieldView(record.word), field);
        put(field);
        out += '\t';
        field.clear();
        missing += translationPage.decode(fieldView(record.translation), field);
        put(field);
        out += '\t';
        std::size_t unknown = 0;
        put(keysToIpa(fieldView(record.transcription), &unknown));
        out += '\n';
        if (missing)
            note("байты без символа в кодировке записаны как U+FFFD");
        if (unknown)
            note("знаки транскрипции без клавиши записаны как есть");
        if (flattened)
            note("табуляция или перевод строки внутри текста заменены пробелом");
        ++result.written;
    }
    return result;
}

} // namespace mox::dc
