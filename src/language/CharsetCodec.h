#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include <QString>

namespace mox {

// Character-set codes of fonts (the values kept in iForeignCharSet & co).
namespace charset {
inline constexpr std::uint8_t Ansi = 0;         // Western, cp1252
inline constexpr std::uint8_t Default = 1;      // the system's code page, cp1251
inline constexpr std::uint8_t Symbol = 2;       // the transcription font: bytes as they are
inline constexpr std::uint8_t Mac = 77;
inline constexpr std::uint8_t ShiftJis = 128;
inline constexpr std::uint8_t Hangul = 129;
inline constexpr std::uint8_t Gb2312 = 134;
inline constexpr std::uint8_t ChineseBig5 = 136;
inline constexpr std::uint8_t Greek = 161;
inline constexpr std::uint8_t Turkish = 162;
inline constexpr std::uint8_t Vietnamese = 163;
inline constexpr std::uint8_t Hebrew = 177;
inline constexpr std::uint8_t Arabic = 178;
inline constexpr std::uint8_t Baltic = 186;
inline constexpr std::uint8_t Russian = 204;
inline constexpr std::uint8_t Thai = 222;
inline constexpr std::uint8_t EastEurope = 238;
inline constexpr std::uint8_t Oem = 255;        // the system's OEM code page, cp866
} // namespace charset

// Result of turning a text into record bytes.
struct EncodeResult {
    bool ok = false;
    std::string bytes;        // the record bytes when ok
    qsizetype position = -1;  // index (in UTF-16 units) of the first refused character
    char32_t character = 0;   // that character
};

// Converts between the bytes of a record field and the text a window shows,
// by the character set of the field's font. A character the code page cannot
// hold is refused, never replaced by "?".
class CharsetCodec {
public:
    explicit CharsetCodec(std::uint8_t charSet);

    std::uint8_t charSet() const { return charSet_; }
    // The code page's name as the converters know it ("windows-1251"), or
    // "ISO-8859-1" for the symbol set, whose bytes are taken as they are.
    const char* codePageName() const { return name_; }

    // The text of the bytes, up to the first zero byte if there is one.
    QString decode(std::string_view bytes) const;
    // The bytes of the text. A character outside the code page, or a zero
    // character (it would end the field early), is refused: ok is false and
    // position/character name the first such character.
    EncodeResult encode(const QString& text) const;

    // The code page used for a character set; an unknown set is read in the
    // system's code page (cp1251), like the default set.
    static const char* codePageFor(std::uint8_t charSet);

private:
    std::uint8_t charSet_;
    const char* name_;
};

// The code page of a character set as a learner names it, in the phrase
// "в ... кодировке" (UTF-8): "в западноевропейской кодировке",
// "в кириллической кодировке". The converters' names ("windows-1252",
// "ISO-8859-1") mean nothing to a learner and stay out of messages.
std::string codePagePhrase(std::uint8_t charSet);

// A message (UTF-8, Russian) for a refused text, naming the character, e.g.
// "Символ «ж» нельзя записать в западноевропейской кодировке."
std::string refusedCharacterMessage(const CharsetCodec& codec, const EncodeResult& result);

} // namespace mox
