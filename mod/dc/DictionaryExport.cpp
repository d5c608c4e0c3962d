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
        // Each text is flattened where it was written, the separators after it.
        std::size_t flattened = 0, missing = 0, unknown = 0, from = out.size();
        missing += wordPage.decode(fieldView(record.word), out);
        flattened += flatten(out, from);
        out += '\t';
        from = out.size();
        missing += translationPage.decode(fieldView(record.translation), out);
        flattened += flatten(out, from);
        out += '\t';
        from = out.size();
        unknown = appendIpa(fieldView(record.transcription), out);
        flattened += flatten(out, from);
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
