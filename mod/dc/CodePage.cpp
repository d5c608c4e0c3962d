#include "CodePage.h"

#include "language/Utf8.h"

namespace mox::dc {

CodePage::CodePage(std::string name, std::string phrase, const std::array<char32_t, 256>& characters)
    : name_(std::move(name)), phrase_(std::move(phrase)), characters_(characters), bytes_(0x10000, 0)
{
    characters_[0] = 0;
    for (char32_t& c : characters_)
        if (c >= 0x10000)
            c = 0;   // no single-byte code page has them; decode writes at most three bytes
    for (std::size_t b = 1; b < 0x80; ++b)
        asciiSame_ = asciiSame_ && characters_[b] == b;
    for (std::size_t b = 1; b < 256; ++b) {
        const char32_t c = characters_[b];
        if (c != 0 && c < 0x10000 && bytes_[c] == 0)
            bytes_[c] = static_cast<unsigned char>(b);
    }
}

bool CodePage::encode(std::string_view text, std::string& out, char32_t& refused) const
{
    // No text has more bytes in a single-byte code page than in UTF-8.
    out.resize(text.size());
    char* put = out.data();
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        if (asciiSame_ && lead < 0x80 && lead != 0) {
            *put++ = static_cast<char>(lead);
            ++at;
            continue;
        }
        const char32_t cp = utf8::next(text, at);
        const unsigned char byte = (cp == utf8::kInvalid || cp >= bytes_.size()) ? 0 : bytes_[cp];
        if (byte == 0) {
            refused = cp;
            out.clear();
            return false;
        }
        *put++ = static_cast<char>(byte);
    }
    out.resize(static_cast<std::size_t>(put - out.data()));
    return true;
}

std::size_t CodePage::decode(std::string_view bytes, std::string& out) const
{
    std::size_t missing = 0;
    const std::size_t start = out.size();
    out.resize(start + bytes.size() * 3);   // at most three UTF-8 bytes a character here
    char* put = out.data() + start;
    for (char c : bytes) {
        char32_t cp = characters_[static_cast<unsigned char>(c)];
        if (cp == 0) {
            ++missing;
            cp = utf8::kInvalid;
        }
        if (cp < 0x80) {
            *put++ = static_cast<char>(cp);
        } else if (cp < 0x800) {
            *put++ = static_cast<char>(0xC0 | (cp >> 6));
            *put++ = static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            *put++ = static_cast<char>(0xE0 | (cp >> 12));
            *put++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            *put++ = static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    out.resize(static_cast<std::size_t>(put - out.data()));
    return missing;
}

} // namespace mox::dc
