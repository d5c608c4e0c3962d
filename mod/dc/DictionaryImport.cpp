#include "DictionaryImport.h"

#include <algorithm>
#include <cstring>
#include <functional>

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

constexpr std::size_t kFieldCapacity = sizeof(DictRecord::word) - 1;
constexpr std::size_t kTranscriptionCapacity = sizeof(DictRecord::transcription) - 1;
static_assert(sizeof(DictRecord::translation) == sizeof(DictRecord::word));

// The words taken so far, by their record bytes: an open-addressing table of
// record indexes (no allocation per word), sized once for every line.
class WordIndex {
public:
    explicit WordIndex(std::size_t words)
    {
        std::size_t size = 16;
        while (size < words * 2)
            size *= 2;
        slots_.assign(size, 0);
    }
    static std::size_t hash(std::string_view word) { return std::hash<std::string_view>{}(word); }
    // Asks for the word's slot early: the table is larger than the cache, and
    // the rest of the row is converted while the slot is fetched.
    void prefetch(std::size_t hash) const { __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]); }
    // The index of the record already holding `word` (of that hash), or
    // `index` after taking it in.
    std::size_t insert(const Dictionary& records, std::string_view word, std::size_t hash, std::size_t index)
    {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            const std::size_t slot = slots_[at];
            if (slot == 0) {
                slots_[at] = static_cast<std::uint32_t>(index + 1);
                return index;
            }
            if (fieldView(records[slot - 1].word) == word)
                return slot - 1;
        }
    }

private:
    std::vector<std::uint32_t> slots_;   // record index + 1; 0 is free (small, to stay in the cache)
};

} // namespace

ImportResult importRecords(std::string_view text, const ImportOptions& options)
{
    ImportResult result;
    // One record at most per line: room for all of them at once.
    const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    result.records.reserve(lines);
    WordIndex seen(lines);
    std::vector<std::size_t> lineOf;   // the line of each record, for naming duplicates
    lineOf.reserve(lines);

    const Columns& col = options.columns;
    RowReader reader(text, options.separator);
    std::string word, translation, transcription;
    char32_t refused = 0;
    bool header = options.skipHeader;
    std::size_t rowsSinceProgress = 0;

    while (reader.next()) {
        if (header) {
            header = false;
            continue;
        }
        ++result.rows;
        result.widest = std::max(result.widest, reader.fieldCount());
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
        // A text in its code page that fits its field, or the reason it does not.
        const auto take = [&](const CodePage& page, std::string_view field, std::string& out, Refusal character,
                              Refusal tooLong) {
            if (!encodeField(page, field, options, out, refused))
                refuse(refused == utf8::kInvalid ? Refusal::NotUtf8 : character, refused);
            else if (out.size() > kFieldCapacity)
                refuse(tooLong, 0, out.size());
            else
                return true;
            return false;
        };
        if (!take(*options.wordPage, wordText, word, Refusal::WordCharacter, Refusal::WordTooLong))
            continue;
        const std::size_t hash = WordIndex::hash(word);
        seen.prefetch(hash);
        if (!take(*options.translationPage, translationText, translation, Refusal::TranslationCharacter,
                  Refusal::TranslationTooLong))
            continue;
        transcription.clear();
        if (!ipa.empty()) {
            std::size_t at = 0;
            transcription += '[';
            if (!appendKeys(ipa, transcription, at, refused)) {
                refuse(refused == utf8::kInvalid ? Refusal::NotUtf8 : Refusal::TranscriptionSymbol, refused);
                continue;
            }
            transcription += ']';
            if (transcription.size() > kTranscriptionCapacity) {
                refuse(Refusal::TranscriptionTooLong, 0, transcription.size());
                continue;
            }
        }

        // Built where it stays; a duplicate is taken back at once.
        DictRecord& record = result.records.emplace_back(newDictRecord());
        std::memcpy(record.word, word.data(), word.size());
        std::memcpy(record.translation, translation.data(), translation.size());
        std::memcpy(record.transcription, transcription.data(), transcription.size());
        const std::size_t index = result.records.size() - 1;
        const std::size_t first = seen.insert(result.records, word, hash, index);
        if (first != index) {
            result.records.pop_back();
            row.firstLine = lineOf[first];
            refuse(Refusal::DuplicateWord);
            continue;
        }
        lineOf.push_back(row.line);
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
    case Refusal::WordTooLong: return text + tooLong("слово", kFieldCapacity);
    case Refusal::TranslationTooLong: return text + tooLong("перевод", kFieldCapacity);
    case Refusal::TranscriptionTooLong: return text + tooLong("транскрипция в [ ]", kTranscriptionCapacity);
    case Refusal::DuplicateWord: return text + "слово уже есть в строке " + std::to_string(row.firstLine);
    }
    return text;
}

} // namespace mox::dc
