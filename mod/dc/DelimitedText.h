#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mox::dc {

// How the columns of a text file are separated: by tabs (the plain-text
// export of flash-card programs: no quoting, one row a line) or by commas
// with quoting as RFC 4180 has it (a field in double quotes may hold commas,
// line breaks and doubled quotes).
enum class Separator { Tab, Comma };

// Tab when the first line that holds data has a tab, comma otherwise.
Separator detectSeparator(std::string_view text);

// Reads the rows of a UTF-8 text one at a time, in one pass. Empty lines are
// skipped, and so are lines beginning with "#" before the first row (the
// settings lines some programs put at the top of an export). Fields lose the
// spaces around them; a UTF-8 byte-order mark at the start is dropped.
class RowReader {
public:
    RowReader(std::string_view text, Separator separator);

    // The next row; false at the end of the text.
    bool next();

    // The fields of the current row (only the first fieldCount() are valid;
    // their storage is reused from row to row).
    std::size_t fieldCount() const { return count_; }
    std::string_view field(std::size_t index) const
    {
        return index < count_ ? std::string_view(fields_[index]) : std::string_view();
    }
    // The line on which the current row begins (counting from 1).
    std::size_t line() const { return line_; }
    // A quoted field of the current row runs to the end of the text unclosed.
    bool openQuote() const { return openQuote_; }
    // How far the reading is, in bytes of the text.
    std::size_t position() const { return at_ < text_.size() ? at_ : text_.size(); }
    std::size_t size() const { return text_.size(); }

private:
    std::string& newField();
    void readTabRow(std::size_t end);
    void readCommaRow();

    std::string_view text_;
    Separator separator_;
    std::size_t at_ = 0;
    std::size_t nextLine_ = 1;
    std::size_t line_ = 0;
    bool seenRow_ = false;
    bool openQuote_ = false;
    std::vector<std::string> fields_;
    std::size_t count_ = 0;
};

} // namespace mox::dc
