#include "CodePage.h"

#include "language/Utf8.h"

namespace mox::dc {

CodePage::CodePage(std::string name, const std::array<char32_t, 256>& characters)
    : name_(std::move(name)), characters_(characters)
{
    characters_[0] = 0;
    for (std::size_t b = 1; b < 0x80; ++b)
        asciiSame_ = asciiSame_ && characters_[b] == b;
    for (std::size_t b = 1; b < 256; ++b) {
        const char32_t c = characters_[b];
        if (c != 0 && !(asciiSame_ && b < 0x80))
            bytes_.emplace(c, static_cast<unsigned char>(b));
    }
}

bool CodePage::encode(std::string_view text, std::string& out, char32_t& refused) const
{
    out.clear();
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        if (asciiSame_ && lead < 0x80 && lead != 0) {
            out += static_cast<char>(lead);
            ++at;
            continue;
        }
        const char32_t cp = utf8::next(text, at);
        const auto found = cp == utf8::kInvalid ? bytes_.end() : bytes_.find(cp);
        if (found == bytes_.end()) {
            refused = cp;
            return false;
        }
        out += static_cast<char>(found->second);
    }
    return true;
}

std::size_t CodePage::decode(std::string_view bytes, std::string& out) const
{
    std::size_t missing = 0;
    for (char c : bytes) {
        const char32_t cp = characters_[static_cast<unsigned char>(c)];
        if (cp == 0) {
            ++missing;
            utf8::append(out, utf8::kInvalid);
        } else {
            utf8::append(out, cp);
        }
    }
    return missing;
}

} // namespace mox::dc
