#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include <QList>
#include <QString>
#include <QStringView>

#include "widgets/ByteCollation.h"
#include "widgets/CollationKeys.h"

namespace mox {

// The order in which a sorted list box shows `texts`: by the rules of the
// user's language (the default locale: "ёлка" comes before "ель", not after "я"),
// letter case ignored, texts that differ only in case in code order. Returns the indexes of `texts` in that order. Each text is
// turned into a collation key once, and the keys are put in order by a radix
// sort of their packed heads, so 100,000 words sort in a blink.
std::vector<std::uint32_t> listBoxOrder(const QList<QString>& texts);
// The same order of `words`, texts in a code page of one byte per character
// (`chars`): their keys are made by table lookup (ByteCollation).
std::vector<std::uint32_t> listBoxOrder(std::span<const std::string> words, const ByteChars& chars);

// The collation of that order, for finding places in it by bisection:
//   ListBoxCollation order;
//   auto at = std::partition_point(rows..., [&](row) { return order.before(row, text); });
class ListBoxCollation {
public:
    ListBoxCollation();
    // Whether `a` comes before `b` in the list box's order.
    bool before(QStringView a, QStringView b) const;
private:
    friend std::vector<std::uint32_t> listBoxOrder(const QList<QString>& texts);
    friend std::vector<std::uint32_t> listBoxOrder(std::span<const std::string> words, const ByteChars& chars);
    CollationKeys caseless_;
};

} // namespace mox
