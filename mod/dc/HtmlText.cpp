#include "HtmlText.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <cctype>
#include <cstring>

#include "language/Utf8.h"

namespace mox::dc {

namespace {

constexpr std::string_view kSound = "[sound:";

bool asciiSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The tag's name in lower case ("br", "/div", "img").
std::string tagName(std::string_view tag)
{
    std::string name;
    std::size_t i = 0;
    if (i < tag.size() && tag[i] == '/')
        name += tag[i++];
    while (i < tag.size() && !asciiSpace(tag[i]) && tag[i] != '/' && tag[i] != '>')
        name += lowerAscii(tag[i++]);
    return name;
}

// No markup and no white space but single inner spaces: nothing to do.
bool isPlain(std::string_view text)
{
    if (text.empty())
        return true;
    if (text.front() == ' ' || text.back() == ' ')
        return false;
    char previous = 0;
    for (char c : text) {
        if (c == '<' || c == '&' || c == '[' || c == '\t' || c == '\n' || c == '\r' || c == '\f' ||
            (c == ' ' && previous == ' '))
            return false;
        previous = c;
    }
    return true;
}

bool breaksLine(const std::string& name)
{
    if (name.empty() || (name[0] != 'b' && name[0] != 'h' && name[0] != '/'))
        return false;
    static constexpr std::array<std::string_view, 14> kBreaks = {
        "br", "hr", "/div", "/p", "/li", "/tr", "/h1", "/h2", "/h3", "/h4", "/h5", "/h6", "/ul", "/ol"};
    for (std::string_view b : kBreaks)
        if (name == b)
            return true;
    return false;
}

// Builds the plain text: spaces collapsed, "; " between blocks, nothing at
// either end.
class Plain {
public:
    explicit Plain(std::string& out) : out_(out) { out_.clear(); }
    void text(std::string_view s)
    {
        // Runs of letters go in whole; white space between them becomes one space.
        std::size_t at = 0;
        while (at < s.size()) {
            if (asciiSpace(s[at])) {
                space_ = true;
                ++at;
                continue;
            }
            std::size_t end = at + 1;
            while (end < s.size() && !asciiSpace(s[end]))
                ++end;
            flush();
            out_.append(s.data() + at, end - at);
            at = end;
        }
    }
    void space() { space_ = true; }
    void lineBreak() { break_ = true; }

private:
    void flush()
    {
        if (!out_.empty()) {
            if (break_)
                out_ += "; ";
            else if (space_)
                out_ += ' ';
        }
        space_ = break_ = false;
    }
    std::string& out_;
    bool space_ = false;
    bool break_ = false;
};

// A character reference at `text` (after the "&"): its text and length up to
// and including the ";", or nothing.
struct Entity {
    std::string_view name;
    std::string_view text;
};
constexpr Entity kEntities[] = {
#include "HtmlEntities.inc"
};

bool reference(std::string_view text, std::string& decoded, std::size_t& length)
{
    const std::size_t semicolon = text.find(';');
    if (semicolon == std::string_view::npos || semicolon == 0 || semicolon > 32)
        return false;
    const std::string_view name = text.substr(0, semicolon);
    length = semicolon + 1;
    decoded.clear();
    if (name[0] == '#') {
        char32_t code = 0;
        const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
        const std::string_view digits = name.substr(hex ? 2 : 1);
        if (digits.empty())
            return false;
        for (char c : digits) {
            unsigned digit = 0;
            if (c >= '0' && c <= '9')
                digit = static_cast<unsigned>(c - '0');
            else if (hex && lowerAscii(c) >= 'a' && lowerAscii(c) <= 'f')
                digit = static_cast<unsigned>(lowerAscii(c) - 'a' + 10);
            else
                return false;
            code = code * (hex ? 16 : 10) + digit;
            if (code > 0x10FFFF)
                return false;
        }
        if (code == 0 || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        if (code == 0xA0)
            code = ' ';
        utf8::append(decoded, code);
        return true;
    }
    // The references fields hold most, before the whole table.
    static constexpr std::pair<std::string_view, std::string_view> kCommon[] = {
        {"nbsp", " "}, {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}};
    for (const auto& [n, value] : kCommon) {
        if (name == n) {
            decoded = value;
            return true;
        }
    }
    decoded = htmlEntity(name);
    if (decoded == "\xC2\xA0")
        decoded = " ";
    return !decoded.empty();
}

} // namespace

std::string_view htmlEntity(std::string_view name)
{
    const auto* end = std::end(kEntities);
    const auto* at = std::lower_bound(std::begin(kEntities), end, name,
                                      [](const Entity& e, std::string_view n) { return e.name < n; });
    return at != end && at->name == name ? at->text : std::string_view();
}

std::size_t dropMedia(std::string_view text, std::string& out)
{
    std::size_t media = 0;
    out.clear();
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t sound = text.find(kSound, at);
        const std::size_t close = sound == std::string_view::npos ? sound : text.find(']', sound);
        if (close == std::string_view::npos) {
            out.append(text.substr(at));
            break;
        }
        out.append(text.substr(at, sound - at));
        ++media;
        at = close + 1;
    }
    if (media) {
        // The spaces the references leave behind.
        std::string collapsed;
        Plain plain(collapsed);
        plain.text(out);
        out.swap(collapsed);
    }
    return media;
}

std::size_t htmlToPlain(std::string_view html, std::string& out)
{
    // Nothing to do for plain words (the most fields): no markup, no white
    // space but single inner spaces.
    if (isPlain(html)) {
        out.assign(html);
        return 0;
    }
    std::size_t media = 0;
    std::string decoded;
    Plain plain(out);
    std::size_t at = 0;
    while (at < html.size()) {
        std::size_t special = at;
        while (special < html.size() && html[special] != '<' && html[special] != '&' && html[special] != '[')
            ++special;
        if (special == html.size())
            special = std::string_view::npos;
        if (special == std::string_view::npos) {
            plain.text(html.substr(at));
            break;
        }
        plain.text(html.substr(at, special - at));
        at = special;
        const char c = html[at];
        if (c == '<') {
            const std::size_t close = html.find('>', at);
            const std::string_view inside = html.substr(at + 1, (close == std::string_view::npos ? html.size() : close) - at - 1);
            // A "<" not followed by a tag name is text.
            if (close == std::string_view::npos || inside.empty() ||
                !(std::isalpha(static_cast<unsigned char>(inside[0])) || inside[0] == '/' || inside[0] == '!')) {
                plain.text("<");
                ++at;
                continue;
            }
            const std::string name = tagName(inside);
            if (name == "img")
                ++media;
            if (breaksLine(name))
                plain.lineBreak();
            else if (name == "/td" || name == "/th")
                plain.space();
            at = close + 1;
        } else if (c == '&') {
            std::size_t length = 0;
            if (reference(html.substr(at + 1), decoded, length)) {
                if (decoded == " ")
                    plain.space();
                else
                    plain.text(decoded);
                at += 1 + length;
            } else {
                plain.text("&");
                ++at;
            }
        } else {
            const std::size_t close = html.substr(at).starts_with(kSound)
                                          ? html.find(']', at)
                                          : std::string_view::npos;
            if (close == std::string_view::npos) {
                plain.text("[");
                ++at;
            } else {
                ++media;
                plain.space();
                at = close + 1;
            }
        }
    }
    return media;
}

} // namespace mox::dc
