#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mox::dc {

// How the columns of a text file are separated: tabs (the plain-text export of
// flash-card programs), commas (CSV) or semicolons (CSV as spreadsheets write
// it where the comma is the decimal sign). In every mode a field may be quoted
// as RFC 4180 has it: in double quotes it may hold separators, line breaks
// and doubled quotes.
enum class Separator { Tab, Comma, Semicolon };

char separatorChar(Separator separator);

// The separator the first lines use most consistently: the one that occurs
// (outside quotes) the same number of times on the most lines; a tie goes to
// the one on the first line, then to tab, semicolon, comma; tab for a text
// with none.
Separator detectSeparator(std::string_view text);

// The header lines of a notes export ("#separator:tab", "#html:true",
// "#columns:...", "#guid column:1", "#notetype column:2", "#deck column:3",
// "#tags column:4", "#notetype:...", "#deck:...", "#tags:..."): lines
// beginning with "#" and holding a ":" at the top of the file.
struct NotesHeader {
    bool found = false;                     // at least one such line
    std::optional<Separator> separator;     // a separator the reader knows
    std::string unknownSeparator;           // "#separator:" with a value it does not know
    bool html = false;
    std::vector<std::string> columnNames;   // from "#columns:", all columns of a row
    // Columns (from 0) that hold no note field: guid, note type, deck, tags.
    std::vector<std::size_t> metaColumns;
    std::optional<std::size_t> deckColumn;
    std::string deck;                       // "#deck:"
    std::string notetype;                   // "#notetype:"
};
NotesHeader readNotesHeader(std::string_view text);

// Reads the rows of a UTF-8 text one at a time, in one pass. Empty lines are
// skipped, and so are lines beginning with "#" before the first row (the
// header lines of an export). Fields lose the spaces around them; a UTF-8
// byte-order mark at the start is dropped.
class RowReader {
public:
    RowReader(std::string_view text, Separator separator);

    // Columns (from 0) left out of every row, e.g. the meta columns of a
    // notes export: the fields after them move up.
    void hideColumns(std::vector<std::size_t> columns);

    // The next row; false at the end of the text.
    bool next();

    // The fields of the current row (only the first fieldCount() are valid;
    // their storage is reused from row to row).
    std::size_t fieldCount() const { return count_; }
    std::string_view field(std::size_t index) const
    {
        return index < count_ ? std::string_view(fields_[index]) : std::string_view();
    }
    // A hidden column's field of the current row (empty when it has none).
    std::string_view hiddenField(std::size_t column) const;
    // The line on which the current row begins (counting from 1).
    std::size_t line() const { return line_; }
    // A quoted field of the current row runs to the end of the text unclosed.
    bool openQuote() const { return openQuote_; }
    // How far the reading is, in bytes of the text.
    std::size_t position() const { return at_ < text_.size() ? at_ : text_.size(); }
    std::size_t size() const { return text_.size(); }

private:
    std::string& newField();
    void readRow();

    std::string_view text_;
    char separator_;
    std::size_t at_ = 0;
    std::size_t nextLine_ = 1;
    std::size_t line_ = 0;
    bool seenRow_ = false;
    bool openQuote_ = false;
    std::vector<std::string> fields_;
    std::size_t count_ = 0;
    std::vector<std::size_t> hidden_;
    std::vector<std::string> hiddenFields_;
};

} // namespace mox::dc
