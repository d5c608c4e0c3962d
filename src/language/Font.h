#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include <QFont>

namespace mox {

// Weights in the font-creation convention (they coincide with QFont::Weight).
inline constexpr int kFontWeightNormal = 400;
inline constexpr int kFontWeightBold = 700;
// Rendering quality of a description: default, or proof quality (the grid's).
inline constexpr std::uint8_t kDefaultQuality = 0;
inline constexpr std::uint8_t kProofQuality = 2;

// A font as the program describes it: a height, a weight, a character set and
// a face name; every other attribute is off (no italic, underline or
// strike-out). The height follows the font-creation convention the settings
// keep: a negative value is a size in points (Settings holds sizes negated),
// a positive one the pixel height of the character cell, 0 the default size.
// The character set does not choose glyphs (Qt falls back per character); it
// names the code page of the texts shown in the font (CharsetCodec).
struct FontDescription {
    std::int32_t height = 0;
    std::int32_t weight = kFontWeightNormal;
    std::uint8_t charSet = 0;
    std::string face;  // UTF-8
    std::uint8_t quality = kDefaultQuality;
};

// The description windows build from a record of their own (the dictionary
// editor's grid): the values as passed, proof quality.
FontDescription fontDescription(std::int32_t height, std::int32_t weight,
                                std::uint8_t charSet, std::string_view face);

// The QFont a description stands for. A face the system lacks is resolved by
// Qt's font matching when the font is used.
QFont toQFont(const FontDescription& description);

// Replaces whatever `font` held by a new font built from the description
// (default quality). Always gives true.
bool makeFont(QFont& font, std::int32_t height, std::int32_t weight, std::uint8_t charSet,
              std::string_view face);

} // namespace mox
