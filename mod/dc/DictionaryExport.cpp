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

// A text with a tab, a line break or a quote goes in quotes, its quotes doubled.
void quote(std::string& text, std::size_t from)
{
    if (text.find_first_of("\t\n\r\"", from) == std::string::npos)
        return;
    std::string field = "\"";
    for (std::size_t i = from; i < text.size(); ++i) {
        if (text[i] == '"')
            field += '"';
        field += text[i];
    }
    field += '"';
    text.replace(from, text.size() - from, field);
}

} // namespace

std::string notesHeader(std::string_view deck)
{
    std::string name(deck);
    for (char& c : name)
        if (c == '\n' || c == '\r' || c == '\t')
            c = ' ';
    return "#separator:tab\n#html:false\n#deck:" + name + "\n#columns:Слово\tПеревод\tТранскрипция\n";
}

ExportResult exportRecords(const Dictionary& records, const CodePage& wordPage, const CodePage& translationPage,
                           bool quoted)
{
    const auto finish = [quoted](std::string& text, std::size_t from) -> std::size_t {
        if (!quoted)
            return flatten(text, from);
        quote(text, from);
        return 0;
    };
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
        flattened += finish(out, from);
        out += '\t';
        from = out.size();
        missing += translationPage.decode(fieldView(record.translation), out);
        flattened += finish(out, from);
        out += '\t';
        from = out.size();
        unknown = appendIpa(fieldView(record.transcription), out);
        flattened += finish(out, from);
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
