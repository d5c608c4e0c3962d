#include "DelimitedText.h"

#include <algorithm>
#include <array>
#include <map>

namespace mox::dc {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kSampleLines = 20;

bool isSpace(char c) { return c == ' ' || c == '\r'; }

void trim(std::string& s)
{
    std::size_t end = s.size();
    while (end > 0 && isSpace(s[end - 1]))
        --end;
    std::size_t begin = 0;
    while (begin < end && isSpace(s[begin]))
        ++begin;
    if (begin > 0 || end < s.size())
        s.assign(s, begin, end - begin);
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (isSpace(s.front()) || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (isSpace(s.back()) || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::size_t lineEnd(std::string_view text, std::size_t from)
{
    const std::size_t end = text.find('\n', from);
    return end == std::string_view::npos ? text.size() : end;
}

bool blank(std::string_view line)
{
    return std::all_of(line.begin(), line.end(), [](char c) { return isSpace(c) || c == '\t'; });
}

std::string_view withoutMark(std::string_view text)
{
    if (text.starts_with(kByteOrderMark))
        text.remove_prefix(kByteOrderMark.size());
    return text;
}

std::string lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::optional<Separator> separatorNamed(std::string_view value)
{
    const std::string name = lower(value);
    if (name == "tab" || value == "\t")
        return Separator::Tab;
    if (name == "comma" || value == ",")
        return Separator::Comma;
    if (name == "semicolon" || value == ";")
        return Separator::Semicolon;
    return std::nullopt;
}

} // namespace

char separatorChar(Separator separator)
{
    switch (separator) {
    case Separator::Comma: return ',';
    case Separator::Semicolon: return ';';
    case Separator::Tab: break;
    }
    return '\t';
}

Separator detectSeparator(std::string_view text)
{
    text = withoutMark(text);
    constexpr std::array<Separator, 3> kOrder = {Separator::Tab, Separator::Semicolon, Separator::Comma};
    // Per candidate: how many lines have each number of occurrences.
    std::array<std::map<std::size_t, std::size_t>, 3> counts;
    std::size_t sampled = 0;
    bool quoted = false;
    std::array<std::size_t, 3> onLine{};
    std::array<std::size_t, 3> onFirstLine{};
    for (std::size_t at = 0; at < text.size() && sampled < kSampleLines;) {
        const std::size_t end = lineEnd(text, at);
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (!quoted && (line.starts_with('#') || blank(line)))
            continue;
        for (char c : line) {
            if (c == '"')
                quoted = !quoted;
            else if (!quoted)
                for (std::size_t i = 0; i < kOrder.size(); ++i)
                    onLine[i] += c == separatorChar(kOrder[i]);
        }
        if (quoted)
            continue;   // a quoted line break: the row goes on
        for (std::size_t i = 0; i < kOrder.size(); ++i) {
            if (onLine[i] > 0)
                ++counts[i][onLine[i]];
            if (sampled == 0)
                onFirstLine[i] = onLine[i];
            onLine[i] = 0;
        }
        ++sampled;
    }
    std::size_t best = 0, bestScore = 0;
    for (std::size_t i = 0; i < kOrder.size(); ++i) {
        std::size_t score = 0;
        for (const auto& [occurrences, lines] : counts[i])
            score = std::max(score, lines);
        // A tie goes to the separator of the first line.
        if (score > bestScore || (score == bestScore && score > 0 && onFirstLine[i] > 0 && onFirstLine[best] == 0)) {
            best = i;
            bestScore = score;
        }
    }
    return kOrder[best];
}

NotesHeader readNotesHeader(std::string_view text)
{
    NotesHeader header;
    text = withoutMark(text);
    std::vector<std::pair<std::string, std::string>> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = lineEnd(text, at);
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (!line.starts_with('#'))
            break;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        lines.emplace_back(lower(trimmed(line.substr(1, colon - 1))), std::string(line.substr(colon + 1)));
    }
    std::vector<std::string> rawColumns;
    for (const auto& [key, value] : lines) {
        header.found = true;
        const std::string_view v = key == "separator" ? std::string_view(value) : trimmed(value);
        if (key == "separator") {
            header.separator = separatorNamed(v == "\t" ? v : trimmed(v));
            if (!header.separator)
                header.unknownSeparator = std::string(trimmed(v));
        } else if (key == "html") {
            header.html = lower(v) == "true";
        } else if (key == "columns") {
            rawColumns.assign(1, value);
        } else if (key == "deck") {
            header.deck = std::string(v);
        } else if (key == "notetype") {
            header.notetype = std::string(v);
        } else if (key.ends_with(" column")) {
            std::size_t number = 0;
            for (char c : v)
                number = c >= '0' && c <= '9' ? number * 10 + static_cast<std::size_t>(c - '0') : 0;
            if (number == 0)
                continue;
            header.metaColumns.push_back(number - 1);
            if (key == "deck column")
                header.deckColumn = number - 1;
        }
    }
    std::sort(header.metaColumns.begin(), header.metaColumns.end());
    header.metaColumns.erase(std::unique(header.metaColumns.begin(), header.metaColumns.end()),
                             header.metaColumns.end());
    if (!rawColumns.empty()) {
        // The names are separated like the rows.
        RowReader names(rawColumns[0], header.separator.value_or(Separator::Tab));
        if (names.next())
            for (std::size_t i = 0; i < names.fieldCount(); ++i)
                header.columnNames.emplace_back(names.field(i));
    }
    return header;
}

RowReader::RowReader(std::string_view text, Separator separator) : text_(text), separator_(separatorChar(separator))
{
    if (text_.starts_with(kByteOrderMark))
        at_ = kByteOrderMark.size();
}

void RowReader::hideColumns(std::vector<std::size_t> columns)
{
    std::sort(columns.begin(), columns.end());
    hidden_ = std::move(columns);
    hiddenFields_.assign(hidden_.size(), std::string());
}

std::string_view RowReader::hiddenField(std::size_t column) const
{
    for (std::size_t i = 0; i < hidden_.size(); ++i)
        if (hidden_[i] == column)
            return hiddenFields_[i];
    return {};
}

std::string& RowReader::newField()
{
    if (count_ == fields_.size())
        fields_.emplace_back();
    std::string& field = fields_[count_++];
    field.clear();
    return field;
}

bool RowReader::next()
{
    count_ = 0;
    openQuote_ = false;
    while (at_ < text_.size()) {
        const std::size_t end = lineEnd(text_, at_);
        const std::string_view line = text_.substr(at_, end - at_);
        if (blank(line) || (!seenRow_ && line.starts_with('#'))) {
            at_ = end + 1;
            ++nextLine_;
            continue;
        }
        seenRow_ = true;
        line_ = nextLine_;
        readRow();
        for (std::size_t i = 0; i < count_; ++i)
            trim(fields_[i]);
        if (!hidden_.empty()) {
            // Hidden columns leave the row; the fields after them move up.
            std::size_t kept = 0, h = 0;
            for (std::size_t i = 0; i < count_; ++i) {
                while (h < hidden_.size() && hidden_[h] < i)
                    ++h;
                if (h < hidden_.size() && hidden_[h] == i)
                    hiddenFields_[h].swap(fields_[i]);
                else if (kept++ != i)
                    fields_[kept - 1].swap(fields_[i]);
            }
            for (std::size_t j = 0; j < hidden_.size(); ++j)
                if (hidden_[j] >= count_)
                    hiddenFields_[j].clear();
            count_ = kept;
        }
        return true;
    }
    at_ = text_.size();
    return false;
}

void RowReader::readRow()
{
    const std::size_t size = text_.size();
    const char* data = text_.data();
    for (;;) {
        std::string& field = newField();
        std::size_t start = at_;
        while (start < size && data[start] == ' ')
            ++start;
        if (start < size && data[start] == '"') {
            at_ = start + 1;
            for (;;) {
                const std::size_t quote = text_.find('"', at_);
                const std::size_t stop = quote == std::string_view::npos ? size : quote;
                const std::string_view part = text_.substr(at_, stop - at_);
                nextLine_ += static_cast<std::size_t>(std::count(part.begin(), part.end(), '\n'));
                field.append(part);
                if (quote == std::string_view::npos) {
                    openQuote_ = true;
                    at_ = size;
                    return;
                }
                at_ = quote + 1;
                if (at_ < size && data[at_] == '"') {
                    field += '"';   // a doubled quote inside the quotes
                    ++at_;
                    continue;
                }
                break;
            }
        }
        // The unquoted part (or what follows a closing quote) up to the next
        // separator or the end of the line.
        std::size_t stop = at_;
        while (stop < size && data[stop] != separator_ && data[stop] != '\n')
            ++stop;
        field.append(data + at_, stop - at_);
        at_ = stop;
        if (at_ < size && data[at_] == separator_) {
            ++at_;
            continue;
        }
        if (at_ < size) {   // the line break ending the row
            ++at_;
            ++nextLine_;
        }
        return;
    }
}

} // namespace mox::dc
