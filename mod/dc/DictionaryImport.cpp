#include "DictionaryImport.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <sys/mman.h>

#include "CodePage.h"
#include "language/TranscriptionKeys.h"
#include "language/Utf8.h"
#include "store/RecordText.h"

namespace mox::dc {

namespace {

constexpr std::size_t kProgressRows = 4096;
constexpr std::size_t kFieldCapacity = sizeof(DictRecord::word) - 1;
constexpr std::size_t kTranscriptionCapacity = sizeof(DictRecord::transcription) - 1;
static_assert(sizeof(DictRecord::translation) == sizeof(DictRecord::word));

// Asks the system to back a large buffer with huge pages: the records of a
// big file are written once, front to back, and small pages would cost a
// page fault every 4 KB (most of the time of an import on a virtual machine).
void adviseHugePages(const void* data, std::size_t bytes)
{
    constexpr std::uintptr_t kHuge = 2u << 20;
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + kHuge - 1) & ~(kHuge - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kHuge - 1);
    if (end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

bool isStressMark(char32_t c) { return c == 0x0301 || c == 0x0300; }
bool isCyrillic(char32_t c) { return c >= 0x0400 && c <= 0x04FF; }

// The text without the stress marks that follow Cyrillic letters; the number
// of marks left out.
std::size_t withoutStressMarks(std::string_view text, std::string& out)
{
    out.clear();
    std::size_t dropped = 0;
    char32_t previous = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t start = at;
        const char32_t cp = utf8::next(text, at);
        if (isStressMark(cp) && isCyrillic(previous)) {
            ++dropped;
            continue;
        }
        out.append(text.substr(start, at - start));
        previous = cp;
    }
    return dropped;
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

std::string hex4(char32_t c)
{
    static const char* digits = "0123456789ABCDEF";
    std::string code;
    for (int shift = c > 0xFFFF ? 20 : 12; shift >= 0; shift -= 4)
        code += digits[(c >> shift) & 0xF];
    return "U+" + code;
}

// The words taken so far, by their record bytes: an open-addressing table of
// record indexes (no allocation per word), grown as it fills.
class WordIndex {
public:
    explicit WordIndex(std::size_t words) { resize(words); }
    static std::size_t hash(std::string_view word) { return std::hash<std::string_view>{}(word); }
    // Asks for the word's slot early: the table is larger than the cache, and
    // the rest of the row is converted while the slot is fetched.
    void prefetch(std::size_t hash) const { __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]); }
    // The index of the record already holding `word` (of that hash), or
    // `index` after taking it in.
    std::size_t insert(const Dictionary& records, std::string_view word, std::size_t hash, std::size_t index)
    {
        if ((used_ + 1) * 2 > slots_.size())
            rehash(records);
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            const std::size_t slot = slots_[at];
            if (slot == 0) {
                slots_[at] = static_cast<std::uint32_t>(index + 1);
                ++used_;
                return index;
            }
            if (fieldView(records[slot - 1].word) == word)
                return slot - 1;
        }
    }

private:
    void resize(std::size_t words)
    {
        std::size_t size = 16;
        while (size < words * 2)
            size *= 2;
        slots_.assign(size, 0);
        used_ = 0;
    }
    void rehash(const Dictionary& records)
    {
        std::vector<std::uint32_t> old;
        old.swap(slots_);
        resize(old.size());   // twice the words it held
        const std::size_t mask = slots_.size() - 1;
        for (std::uint32_t slot : old) {
            if (slot == 0)
                continue;
            std::size_t at = hash(fieldView(records[slot - 1].word)) & mask;
            while (slots_[at] != 0)
                at = (at + 1) & mask;
            slots_[at] = slot;
            ++used_;
        }
    }
    std::vector<std::uint32_t> slots_;   // record index + 1; 0 is free (small, to stay in the cache)
    std::size_t used_ = 0;
};

} // namespace

struct RecordBuilder::State {
    explicit State(std::size_t rows) : seen(rows) {}
    WordIndex seen;
    std::vector<std::size_t> lineOf;   // the line of each record, for naming duplicates
    std::string word, translation, transcription, scratch, plain[3];
};

std::size_t ImportResult::refusedRows() const
{
    std::size_t n = 0;
    for (std::size_t i = 0; i < kRefusalKinds; ++i)
        if (!isKept(static_cast<Refusal>(i)))
            n += counts[i];
    return n;
}

RecordBuilder::RecordBuilder(const ImportOptions& options, std::size_t expectedRows)
    : options_(options), state_(std::make_unique<State>(expectedRows))
{
    reserve(expectedRows);
}

RecordBuilder::~RecordBuilder() = default;

void RecordBuilder::reserve(std::size_t rows)
{
    result_.records.reserve(rows);
    adviseHugePages(result_.records.data(), result_.records.capacity() * sizeof(DictRecord));
    state_->lineOf.reserve(rows);
}

void RecordBuilder::refuse(std::size_t line, Refusal reason)
{
    RefusedRow row;
    row.line = line;
    row.reason = reason;
    ++result_.counts[static_cast<std::size_t>(reason)];
    result_.refused.push_back(row);
}

void RecordBuilder::addRow(const RowReader& reader)
{
    ++result_.rows;
    result_.widest = std::max(result_.widest, reader.fieldCount());
    if (reader.openQuote()) {
        refuse(reader.line(), Refusal::OpenQuote);
        return;
    }
    const Columns& col = options_.columns;
    add(reader.line(), reader.field(static_cast<std::size_t>(col.word)),
        reader.field(static_cast<std::size_t>(col.translation)),
        col.transcription == Columns::kNone ? std::string_view()
                                            : reader.field(static_cast<std::size_t>(col.transcription)));
}

void RecordBuilder::add(std::size_t line, std::string_view wordText, std::string_view translationText,
                        std::string_view ipaText)
{
    State& s = *state_;
    RefusedRow row;
    row.line = line;
    auto note = [&](Refusal reason, char32_t character = 0, std::size_t length = 0) {
        RefusedRow r = row;
        r.reason = reason;
        r.character = character;
        r.length = length;
        ++result_.counts[static_cast<std::size_t>(reason)];
        result_.refused.push_back(r);
    };
    std::size_t media = 0;
    if (options_.html) {
        media += htmlToPlain(wordText, s.plain[0]);
        media += htmlToPlain(translationText, s.plain[1]);
        media += htmlToPlain(ipaText, s.plain[2]);
        wordText = s.plain[0];
        translationText = s.plain[1];
        ipaText = s.plain[2];
    }
    const std::string_view ipa = bareTranscription(ipaText);
    if (wordText.empty()) {
        note(Refusal::EmptyWord);
        return;
    }
    if (translationText.empty()) {
        note(Refusal::EmptyTranslation);
        return;
    }
    std::size_t stressDropped = 0;
    // A text in its code page that fits its field, or the reason it does not.
    const auto take = [&](const CodePage& page, std::string_view field, std::string& out, Refusal character,
                          Refusal tooLong) {
        char32_t refused = 0;
        bool ok = page.encode(field, out, refused);
        std::string composed;
        if (!ok && refused != utf8::kInvalid && options_.compose) {
            composed = options_.compose(field);
            if (composed != field) {
                field = composed;
                ok = page.encode(field, out, refused);
            }
        }
        if (!ok && isStressMark(refused)) {
            const std::size_t dropped = withoutStressMarks(field, s.scratch);
            if (dropped > 0 && options_.refuseStressed) {
                note(Refusal::StressMark, refused);
                return false;
            }
            if (dropped > 0 && page.encode(s.scratch, out, refused)) {
                ok = true;
                stressDropped += dropped;
            }
        }
        if (!ok)
            note(refused == utf8::kInvalid ? Refusal::NotUtf8 : character, refused);
        else if (out.size() > kFieldCapacity)
            note(tooLong, 0, out.size());
        else
            return true;
        return false;
    };
    if (!take(*options_.wordPage, wordText, s.word, Refusal::WordCharacter, Refusal::WordTooLong))
        return;
    const std::size_t hash = WordIndex::hash(s.word);
    s.seen.prefetch(hash);
    if (!take(*options_.translationPage, translationText, s.translation, Refusal::TranslationCharacter,
              Refusal::TranslationTooLong))
        return;

    s.transcription.clear();
    bool transcriptionLeftOut = false;
    char32_t leftOutSymbol = 0;
    std::size_t leftOutLength = 0;
    if (!ipa.empty()) {
        std::size_t at = 0;
        char32_t refused = 0;
        s.transcription += '[';
        bool ok = appendKeys(ipa, s.transcription, at, refused);
        if (!ok && refused != utf8::kInvalid && options_.decompose) {
            // A precomposed letter whose parts have keys ("ã": a and the tilde).
            const std::string parts = options_.decompose(ipa);
            s.transcription.assign(1, '[');
            char32_t again = 0;
            ok = parts != ipa && appendKeys(parts, s.transcription, at, again);
        }
        if (!ok) {
            if (refused == utf8::kInvalid) {
                note(Refusal::NotUtf8, refused);
                return;
            }
            if (options_.refuseUntranscribed) {
                note(Refusal::TranscriptionSymbol, refused);
                return;
            }
            transcriptionLeftOut = true;
            leftOutSymbol = refused;
        } else {
            s.transcription += ']';
            if (s.transcription.size() > kTranscriptionCapacity) {
                if (options_.refuseUntranscribed) {
                    note(Refusal::TranscriptionTooLong, 0, s.transcription.size());
                    return;
                }
                transcriptionLeftOut = true;
                leftOutLength = s.transcription.size();
            }
        }
        if (transcriptionLeftOut)
            s.transcription.clear();
    }

    // Built where it stays; a duplicate is taken back at once.
    DictRecord& record = result_.records.emplace_back(newDictRecord());
    std::memcpy(record.word, s.word.data(), s.word.size());
    std::memcpy(record.translation, s.translation.data(), s.translation.size());
    std::memcpy(record.transcription, s.transcription.data(), s.transcription.size());
    const std::size_t index = result_.records.size() - 1;
    const std::size_t first = s.seen.insert(result_.records, s.word, hash, index);
    if (first != index) {
        result_.records.pop_back();
        row.firstLine = s.lineOf[first];
        note(Refusal::DuplicateWord);
        return;
    }
    s.lineOf.push_back(line);
    if (transcriptionLeftOut)
        note(Refusal::TranscriptionLeftOut, leftOutSymbol, leftOutLength);
    if (stressDropped)
        note(Refusal::StressMarksDropped, 0x0301, stressDropped);
    // (Told only for a row that became a record: a refused row is told once.)
    if (media)
        note(Refusal::MediaDropped, 0, media);
}

ImportResult importRecords(std::string_view text, const ImportOptions& options)
{
    // One record at most per line: room for all of them at once.
    const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    RecordBuilder builder(options, lines);
    RowReader reader(text, options.separator);
    bool header = options.skipHeader;
    std::size_t rowsSinceProgress = 0;
    while (reader.next()) {
        if (header) {
            header = false;
            continue;
        }
        if (options.progress && ++rowsSinceProgress == kProgressRows) {
            rowsSinceProgress = 0;
            options.progress(reader.position(), reader.size());
        }
        builder.addRow(reader);
    }
    if (options.progress)
        options.progress(text.size(), text.size());
    return std::move(builder.result());
}

std::string groupedNumber(std::size_t n)
{
    std::string digits = std::to_string(n);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ' ';
        out += digits[i];
    }
    return out;
}

std::string characterText(char32_t c, const ImportOptions& options)
{
    if (c == utf8::kInvalid)
        return "недопустимый байт";
    std::string text;
    if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0))
        text = "с кодом " + hex4(c);
    else
        text = "«" + (isCombiningMark(c) ? std::string("\u25CC") : std::string()) + utf8::encode(c) + "» " + hex4(c);
    if (options.characterName) {
        const std::string name = options.characterName(c);
        if (!name.empty())
            text += " " + name;
    }
    return text;
}

std::string_view refusalLabel(Refusal reason)
{
    switch (reason) {
    case Refusal::OpenQuote: return "кавычка не закрыта";
    case Refusal::NotUtf8: return "байты не в UTF-8";
    case Refusal::EmptyWord: return "нет слова";
    case Refusal::EmptyTranslation: return "нет перевода";
    case Refusal::WordCharacter: return "в слове символ не из кодировки языка";
    case Refusal::TranslationCharacter: return "в переводе символ не из кодировки языка";
    case Refusal::StressMark: return "знак ударения, которого нет в кодировке";
    case Refusal::TranscriptionSymbol: return "в транскрипции знак без клавиши";
    case Refusal::WordTooLong: return "слово длиннее поля";
    case Refusal::TranslationTooLong: return "перевод длиннее поля";
    case Refusal::TranscriptionTooLong: return "транскрипция длиннее поля";
    case Refusal::DuplicateWord: return "слово повторяется";
    case Refusal::TranscriptionLeftOut: return "транскрипция не записана";
    case Refusal::StressMarksDropped: return "знаки ударения убраны";
    case Refusal::MediaDropped: return "ссылки на звук и картинки убраны";
    }
    return {};
}

std::vector<std::string> refusalCounts(const ImportResult& result)
{
    std::vector<std::string> lines;
    for (bool kept : {false, true}) {
        for (std::size_t i = 0; i < kRefusalKinds; ++i) {
            const auto reason = static_cast<Refusal>(i);
            if (isKept(reason) == kept && result.counts[i] > 0)
                lines.push_back(std::string(kept ? "" : "отклонено: ") + std::string(refusalLabel(reason)) + ": " +
                                groupedNumber(result.counts[i]));
        }
    }
    return lines;
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
        return text + "в слове символ " + characterText(row.character, options) + ", которого нет " +
               options.wordPage->phrase();
    case Refusal::TranslationCharacter:
        return text + "в переводе символ " + characterText(row.character, options) + ", которого нет " +
               options.translationPage->phrase();
    case Refusal::StressMark:
        return text + "знак ударения " + characterText(row.character, options) + ", которого нет в кодировке";
    case Refusal::TranscriptionSymbol:
        return text + "в транскрипции знак " + characterText(row.character, options) + ", для которого нет клавиши";
    case Refusal::WordTooLong: return text + tooLong("слово", kFieldCapacity);
    case Refusal::TranslationTooLong: return text + tooLong("перевод", kFieldCapacity);
    case Refusal::TranscriptionTooLong: return text + tooLong("транскрипция в [ ]", kTranscriptionCapacity);
    case Refusal::DuplicateWord: return text + "слово уже есть в строке " + std::to_string(row.firstLine);
    case Refusal::TranscriptionLeftOut:
        if (row.character != 0)
            return text + "транскрипция не записана: знак " + characterText(row.character, options) +
                   ", для которого нет клавиши";
        return text + "транскрипция не записана: " + tooLong("в [ ] она", kTranscriptionCapacity);
    case Refusal::StressMarksDropped:
        return text + "знаки ударения " + characterText(row.character, options) + " убраны: " +
               std::to_string(row.length);
    case Refusal::MediaDropped: return text + "ссылки на звук и картинки убраны: " + std::to_string(row.length);
    }
    return text;
}

} // namespace mox::dc
