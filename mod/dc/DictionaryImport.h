#pragma once
#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "DelimitedText.h"
#include "HtmlText.h"
#include "store/Store.h"

namespace mox::dc {

class CodePage;

// Which field (counting from 0) holds the word, the translation and the
// transcription; kNone for a transcription the file does not have.
struct Columns {
    static constexpr int kNone = -1;
    int word = 0;
    int translation = 1;
    int transcription = 2;
};

struct ImportOptions {
    Separator separator = Separator::Tab;
    bool skipHeader = false;
    Columns columns;
    const CodePage* wordPage = nullptr;          // code page of the studied language
    const CodePage* translationPage = nullptr;   // code page of the translation language
    // Fields written in HTML (a notes export with "#html:true", a deck):
    // made plain text first (see HtmlText.h), media references dropped.
    bool html = false;
    // A row whose transcription cannot be stored (a symbol without a key, too
    // long) is refused instead of kept without its transcription.
    bool refuseUntranscribed = false;
    // A row with stress marks the code page cannot hold (U+0301 or U+0300 on
    // a Cyrillic letter) is refused instead of kept without them.
    bool refuseStressed = false;
    // Gives the composed (NFC) form of a text; asked only for a text whose
    // characters the code page does not hold as they stand (a letter written
    // as a base letter and a combining mark). May be empty.
    std::function<std::string(std::string_view)> compose;
    // Gives the decomposed (NFD) form of a text; asked only for a
    // transcription with a symbol that has no key as it stands ("ã" is "a"
    // and the combining tilde, each with a key). May be empty.
    std::function<std::string(std::string_view)> decompose;
    // Gives the Unicode name of a character for the report. May be empty.
    std::function<std::string(char32_t)> characterName;
    // Told now and then how many bytes of the text have been read.
    std::function<void(std::size_t done, std::size_t total)> progress;
};

// Why a row of the file became no record, or what was left out of a row
// that became one (the kinds from TranscriptionLeftOut on).
enum class Refusal {
    OpenQuote,            // a quoted field is never closed
    NotUtf8,              // bytes that are not UTF-8
    EmptyWord,
    EmptyTranslation,
    WordCharacter,        // a character the studied language's code page lacks
    TranslationCharacter, // likewise for the translation
    StressMark,           // a stress mark the code page cannot hold (refused on request)
    TranscriptionSymbol,  // an IPA symbol without a key (refused on request)
    WordTooLong,
    TranslationTooLong,
    TranscriptionTooLong, // (refused on request)
    DuplicateWord,        // the same word (as record bytes) on an earlier row
    // Kept rows:
    TranscriptionLeftOut, // the row kept without its transcription (no key, too long)
    StressMarksDropped,   // stress marks left out of the word or translation
    MediaDropped,         // sound or picture references left out
};
inline constexpr std::size_t kRefusalKinds = static_cast<std::size_t>(Refusal::MediaDropped) + 1;
inline bool isKept(Refusal r) { return r >= Refusal::TranscriptionLeftOut; }

struct RefusedRow {
    std::size_t line = 0;
    Refusal reason = Refusal::EmptyWord;
    char32_t character = 0;       // the refused character or symbol
    std::size_t length = 0;       // the length in bytes for the too-long reasons; a count for the dropped ones
    std::size_t firstLine = 0;    // the earlier row, for a duplicate
};

struct ImportResult {
    Dictionary records;
    // Refused rows and kept rows with something left out, in file order.
    std::vector<RefusedRow> refused;
    std::array<std::size_t, kRefusalKinds> counts{};   // rows per reason
    std::size_t rows = 0;         // data rows read (without the header)
    std::size_t widest = 0;       // the most fields a data row had
    std::size_t refusedRows() const;
};

// Builds the records of a new dictionary row by row. Every row that would
// not make a whole, correct record is refused with its reason; nothing is
// cut or replaced. A transcription is IPA: brackets or slashes around it are
// taken off, its symbols become the key characters of the transcription
// font and the record holds them inside [ ], as the starter dictionary does.
class RecordBuilder {
public:
    // `expectedRows` sizes the tables once (0: unknown).
    RecordBuilder(const ImportOptions& options, std::size_t expectedRows);
    ~RecordBuilder();

    // One row: the fields of its word, translation and transcription.
    void add(std::size_t line, std::string_view word, std::string_view translation, std::string_view ipa);
    // A row that is refused before its fields are looked at.
    void refuse(std::size_t line, Refusal reason);
    // The row's fields picked by the options' columns.
    void addRow(const RowReader& reader);
    // Room for `rows` records.
    void reserve(std::size_t rows);

    ImportResult& result() { return result_; }

private:
    struct State;
    const ImportOptions& options_;
    ImportResult result_;
    std::unique_ptr<State> state_;
};

// Builds the records of a new dictionary from a UTF-8 text in one pass.
ImportResult importRecords(std::string_view text, const ImportOptions& options);

// One refused or changed row in words (UTF-8, Russian), e.g.
// "строка 7: слово уже есть в строке 3".
std::string refusalText(const RefusedRow& row, const ImportOptions& options);
// The reason as the count line of the report names it ("нет перевода").
std::string_view refusalLabel(Refusal reason);
// The counts per reason (those that occurred), one line each, refused first:
// "транскрипция не записана: 1 234".
std::vector<std::string> refusalCounts(const ImportResult& result);
// A character for the report: "«ʙ» U+0299 LATIN LETTER SMALL CAPITAL B", a
// combining mark on a dotted circle, a control character by its code alone.
std::string characterText(char32_t c, const ImportOptions& options);
// A number with its thousands apart: 1 234.
std::string groupedNumber(std::size_t n);

} // namespace mox::dc
