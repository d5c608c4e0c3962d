#include "DelimitedText.h"

#include <algorithm>
#include <cstring>

namespace mox::dc {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

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

std::size_t lineEnd(std::string_view text, std::size_t from)
{
    const std::size_t end = text.find('\n', from);
    return end == std::string_view::npos ? text.size() : end;
}

bool blank(std::string_view line)
{
    return std::all_of(line.begin(), line.end(), [](char c) { return isSpace(c) || c == '\t'; });
}

} // namespace

Separator detectSeparator(std::string_view text)
{
    if (text.starts_with(kByteOrderMark))
        text.remove_prefix(kByteOrderMark.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = lineEnd(text, at);
        const std::string_view line = text.substr(at, end - at);
        if (!line.starts_with('#') && !std::all_of(line.begin(), line.end(), isSpace))
            return line.find('\t') != std::string_view::npos ? Separator::Tab : Separator::Comma;
        at = end + 1;
    }
    return Separator::Tab;
}

RowReader::RowReader(std::string_view text, Separator separator) : text_(text), separator_(separator)
{
    if (text_.starts_with(kByteOrderMark))
        at_ = kByteOrderMark.size();
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
        if (separator_ == Separator::Tab)
            readTabRow(end);
        else
            readCommaRow();
        for (std::size_t i = 0; i < count_; ++i)
            trim(fields_[i]);
        return true;
    }
    at_ = text_.size();
    return false;
}

void RowReader::readTabRow(std::size_t end)
{
    const std::string_view line = text_.substr(at_, end - at_);
    std::size_t from = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', from);
        const std::size_t stop = tab == std::string_view::npos ? line.size() : tab;
        newField().assign(line.data() + from, stop - from);
        if (tab == std::string_view::npos)
            break;
        from = stop + 1;
    }
    at_ = end + 1;
    ++nextLine_;
}

void RowReader::readCommaRow()
{
    const std::size_t size = text_.size();
    for (;;) {
        std::string& field = newField();
        while (at_ < size && text_[at_] == ' ')
            ++at_;
        if (at_ < size && text_[at_] == '"') {
            ++at_;
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
                if (at_ < size && text_[at_] == '"') {
                    field += '"';   // a doubled quote inside the quotes
                    ++at_;
                    continue;
                }
                break;
            }
        }
        // The unquoted part (or what follows a closing quote) up to the next
        // comma or the end of the line.
        std::size_t stop = at_;
        while (stop < size && text_[stop] != ',' && text_[stop] != '\n')
            ++stop;
        field.append(text_.data() + at_, stop - at_);
        at_ = stop;
        if (at_ < size && text_[at_] == ',') {
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
