#pragma once
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace mox::dc {

// A single-byte code page as a table: the character of each byte (0 where
// the code page has none). Built once per code page (from the converters, see
// QtCodePage.h), it turns whole files of text into record bytes and back
// without a converter call per field.
class CodePage {
public:
    CodePage(std::string name, std::string phrase, const std::array<char32_t, 256>& characters);

    // The code page's name ("windows-1251").
    const std::string& name() const { return name_; }
    // The code page as a learner names it, in the phrase "в ... кодировке"
    // ("в кириллической кодировке"): what reports say.
    const std::string& phrase() const { return phrase_; }

    // UTF-8 text -> record bytes into `out`. False at the first character the
    // code page cannot hold (or a byte that is not UTF-8, given as U+FFFD),
    // which is put in `refused`; a zero character is refused too.
    bool encode(std::string_view text, std::string& out, char32_t& refused) const;
    // Record bytes -> UTF-8 text appended to `out`; a byte without a character
    // gives U+FFFD and is counted in the result.
    std::size_t decode(std::string_view bytes, std::string& out) const;

private:
    std::string name_;
    std::string phrase_;
    std::array<char32_t, 256> characters_;
    // The byte of each character of the Basic Multilingual Plane (0: none);
    // one look-up per character, no hashing. Single-byte code pages hold
    // nothing beyond it.
    std::vector<unsigned char> bytes_;
    bool asciiSame_ = true;   // bytes 1..127 are ASCII, as in every windows-125x page
};

} // namespace mox::dc
