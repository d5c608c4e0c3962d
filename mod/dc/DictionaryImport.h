#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "DelimitedText.h"
#include "store/Store.h"

namespace mox::dc {

class CodePage;

// Which column (counting from 0) holds the word, the translation and the
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
    // Gives the composed (NFC) form of a text; asked only for a text whose
    // characters the code page does not hold as they stand (a letter written
    // as a base letter and a combining mark). May be empty.
    std::function<std::string(std::string_view)> compose;
    // Told now and then how many bytes of the text have been read.
    std::function<void(std::size_t done, std::size_t total)> progress;
};

// Why a row of the file became no record.
enum class Refusal {
    OpenQuote,            // a quoted field is never closed
    NotUtf8,              // bytes that are not UTF-8
    EmptyWord,
    EmptyTranslation,
    WordCharacter,        // a character the studied language's code page lacks
    TranslationCharacter, // likewise for the translation
    TranscriptionSymbol,  // an IPA symbol without a key of the transcription font
    WordTooLong,
    TranslationTooLong,
    TranscriptionTooLong,
    DuplicateWord,        // the same word (as record bytes) on an earlier row
};

struct RefusedRow {
    std::size_t line = 0;
    Refusal reason = Refusal::EmptyWord;
    char32_t character = 0;       // the refused character or symbol
    std::size_t length = 0;       // the length in bytes, for the too-long reasons
    std::size_t firstLine = 0;    // the earlier row, for a duplicate
};

struct ImportResult {
    Dictionary records;
    std::vector<RefusedRow> refused;
    std::size_t rows = 0;         // data rows read (without the header)
    std::size_t widest = 0;       // the most fields a data row had
};

// Builds the records of a new dictionary from a UTF-8 text in one pass.
// Every row that would not make a whole, correct record is refused with its
// reason; nothing is cut or replaced. A transcription is IPA: brackets or
// slashes around it are taken off, its symbols become the key characters of
// the transcription font and the record holds them inside [ ], as the
// starter dictionary does.
ImportResult importRecords(std::string_view text, const ImportOptions& options);

// One refused row in words (UTF-8, Russian), e.g.
// "строка 7: слово уже есть в строке 3".
std::string refusalText(const RefusedRow& row, const ImportOptions& options);

} // namespace mox::dc
