#include "DictionaryImport.h"

#include <algorithm>
#include <unordered_map>

#include "CodePage.h"
#include "language/TranscriptionKeys.h"
#include "language/Utf8.h"
#include "store/RecordText.h"

namespace mox::dc {

namespace {

constexpr std::size_t kProgressRows = 4096;

// The text of a field in a code page, composing it first if it holds
// characters the code page lacks as written.
bool encodeField(const CodePage& page, std::string_view text, const ImportOptions& options, std::string& out,
                 char32_t& refused)
{
    if (page.encode(text, out, refused))
        return true;
    if (refused == utf8::kInvalid || !options.compose)
        return false;
    const std::string composed = options.compose(text);
    char32_t again = 0;
    if (composed == text || !page.encode(composed, out, again))
        return false;
    return true;
}

// IPA with the brackets or slashes around it taken off.
std::string_view bareTranscription(std::string_view ipa)
{
    if (ipa.size() >= 2 && ((ipa.front() == '[' && ipa.back() == ']') || (ipa.front() == '/' && ipa.back() == '/'))) {
        ipa = ipa.substr(1, ipa.size() - 2);
        while (!ipa.empty() && ipa.front() == ' ')
            ipa.remove_prefix(1);
        while (!ipa.empty() && ipa.back() == ' ')
            ipa.remove_suffix(1);
    }
    return ipa;
}

std::string shown(char32_t c)
{
    if (c == utf8::kInvalid)
        return "недопустимый байт";
    if (c < 0x20 || c == 0x7F) {
        static const char* hex = "0123456789ABCDEF";
        std::string code = "с кодом U+00";
        code += hex[(c >> 4) & 0xF];
        code += hex[c & 0xF];
        return code;
    }
    return "«" + utf8::encode(c) + "»";
}

} // namespace

ImportResult importRecords(std::string_view text, const ImportOptions& options)
{
    ImportResult result;
    // One record at most per line: reserved at once, the records never move,
    // and the duplicate index can point into their word fields.
    result.records.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    std::unordered_map<std::string_view, std::size_t> seen;
    seen.reserve(result.records.capacity());

    const Columns& col = options.columns;
    RowReader reader(text, options.separator);
    std::string word, translation;
    char32_t refused = 0;
    bool header = options.skipHeader;
    std::size_t rowsSinceProgress = 0;

    while (reader.next()) {
        if (header) {
            header = false;
            continue;
        }
        ++result.rows;
        if (options.progress && ++rowsSinceProgress == kProgressRows) {
            rowsSinceProgress = 0;
            options.progress(reader.position(), reader.size());
        }
        RefusedRow row;
        row.line = reader.line();
        auto refuse = [&](Refusal reason, char32_t character = 0, std::size_t length = 0) {
            row.reason = reason;
            row.character = character;
            row.length = length;
            result.refused.push_back(row);
        };

        if (reader.openQuote()) {
            refuse(Refusal::OpenQuote);
            continue;
        }
        const std::string_view wordText = reader.field(static_cast<std::size_t>(col.word));
        const std::string_view translationText = reader.field(static_cast<std::size_t>(col.translation));
        const std::string_view ipa =
            col.transcription == Columns::kNone ? std::string_view()
                                                : bareTranscription(reader.field(static_cast<std::size_t>(col.transcription)));
        if (wordText.empty()) {
            refuse(Refusal::EmptyWord);
            continue;
        }
        if (translationText.empty()) {
            refuse(Refusal::EmptyTranslation);
            continue;
        }

        DictRecord record = newDictRecord();
        if (!encodeField(*options.wordPage, wordText, options, word, refused)) {
            refuse(refused == utf8::kInvalid ? Refusal::NotUtf8 : Refusal::WordCharacter, refused);
            continue;
        }
        if (!setFieldText(record.word, word)) {
            refuse(Refusal::WordTooLong, 0, word.size());
            continue;
        }
        if (!encodeField(*options.translationPage, translationText, options, translation, refused)) {
            refuse(refused == utf8::kInvalid ? Refusal::NotUtf8 : Refusal::TranslationCharacter, refused);
            continue;
        }
        if (!setFieldText(record.translation, translation)) {
            refuse(Refusal::TranslationTooLong, 0, translation.size());
            continue;
        }
        if (!ipa.empty()) {
            const KeyText keys = ipaToKeys(ipa);
            if (!keys.ok()) {
                refuse(keys.refused == utf8::kInvalid ? Refusal::NotUtf8 : Refusal::TranscriptionSymbol, keys.refused);
                continue;
            }
            const std::string enclosed = "[" + keys.keys + "]";
            if (!setFieldText(record.transcription, enclosed)) {
                refuse(Refusal::TranscriptionTooLong, 0, enclosed.size());
                continue;
            }
        }

        result.records.push_back(record);
        const auto [at, fresh] = seen.emplace(fieldView(result.records.back().word), row.line);
        if (!fresh) {
            result.records.pop_back();
            row.firstLine = at->second;
            refuse(Refusal::DuplicateWord);
        }
    }
    if (options.progress)
        options.progress(text.size(), text.size());
    return result;
}

std::string refusalText(const RefusedRow& row, const ImportOptions& options)
{
    std::string text = "строка " + std::to_string(row.line) + ": ";
    const auto tooLong = [&](const char* what, std::size_t capacity) {
        return std::string(what) + " длиннее поля: " + std::to_string(row.length) + " байт, поле вмещает " +
               std::to_string(capacity);
    };
    switch (row.reason) {
    case Refusal::OpenQuote: return text + "кавычка не закрыта до конца файла";
    case Refusal::NotUtf8: return text + "байты не в кодировке UTF-8";
    case Refusal::EmptyWord: return text + "нет слова";
    case Refusal::EmptyTranslation: return text + "нет перевода";
    case Refusal::WordCharacter:
        return text + "в слове символ " + shown(row.character) + ", которого нет в кодировке " +
               options.wordPage->name();
    case Refusal::TranslationCharacter:
        return text + "в переводе символ " + shown(row.character) + ", которого нет в кодировке " +
               options.translationPage->name();
    case Refusal::TranscriptionSymbol:
        return text + "в транскрипции знак " + shown(row.character) + ", для которого нет клавиши";
    case Refusal::WordTooLong: return text + tooLong("слово", 79);
    case Refusal::TranslationTooLong: return text + tooLong("перевод", 79);
    case Refusal::TranscriptionTooLong: return text + tooLong("транскрипция в [ ]", 29);
    case Refusal::DuplicateWord: return text + "слово уже есть в строке " + std::to_string(row.firstLine);
    }
    return text;
}

} // namespace mox::dc
