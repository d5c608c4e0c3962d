#include "language/Font.h"

#include <algorithm>

#include <QStringList>

namespace mox {

FontDescription fontDescription(std::int32_t height, std::int32_t weight, std::uint8_t charSet,
                                std::string_view face)
{
    FontDescription d;
    d.height = height;
    d.weight = weight;
    d.charSet = charSet;
    d.face = std::string(face);
    d.quality = kProofQuality;
    return d;
}

QFont toQFont(const FontDescription& description)
{
    // Start from a font with nothing inherited, so that a replaced font keeps
    // none of the attributes of the one before.
    QFont font;
    if (!description.face.empty())
        font.setFamilies(QStringList{QString::fromStdString(description.face)});
    // Sizes beyond any sensible font are capped (a damaged setting must not
    // ask for a font of millions of pixels, nor overflow when negated).
    constexpr std::int64_t kMaxSize = 999;
    const std::int64_t h = description.height;
    if (h < 0)
        font.setPointSize(static_cast<int>(std::min(-h, kMaxSize)));
    else if (h > 0)
        font.setPixelSize(static_cast<int>(std::min(h, kMaxSize)));
    // 0 means "the default weight"; otherwise the convention's 1..1000 scale,
    // which is Qt's.
    const int weight = description.weight <= 0 ? kFontWeightNormal : std::min(description.weight, 1000);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    font.setStretch(QFont::AnyStretch);
    font.setStyleStrategy(description.quality == kProofQuality ? QFont::PreferQuality
                                                               : QFont::PreferDefault);
    return font;
}

bool makeFont(QFont& font, std::int32_t height, std::int32_t weight, std::uint8_t charSet,
              std::string_view face)
{
    FontDescription d;
    d.height = height;
    d.weight = weight;
    d.charSet = charSet;
    d.face = std::string(face);
    font = toQFont(d);
    return true;
}

} // namespace mox
