#pragma once
#include <cstddef>
#include <vector>

#include <QList>
#include <QString>

namespace mox {

// The order in which a sorted list box shows `texts`: by the rules of the
// user's language (the default locale: "ёлка" comes before "ель", not after "я"),
// letter case ignored, texts that differ only in case in code order. Returns the indexes of `texts` in that order. Each text is
// turned into a collation key once, so 100,000 words sort in a blink.
std::vector<std::size_t> listBoxOrder(const QList<QString>& texts);

} // namespace mox
