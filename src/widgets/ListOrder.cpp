#include "widgets/ListOrder.h"

#include <algorithm>
#include <numeric>

#include <QCollator>
#include <QLocale>

namespace mox {

std::vector<std::size_t> listBoxOrder(const QList<QString>& texts)
{
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(static_cast<std::size_t>(texts.size()));
    for (const QString& text : texts)
        keys.push_back(collator.sortKey(text));
    std::vector<std::size_t> order(keys.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int byLanguage = keys[a].compare(keys[b]);
        if (byLanguage != 0)
            return byLanguage < 0;
        return texts[static_cast<qsizetype>(a)] < texts[static_cast<qsizetype>(b)];
    });
    return order;
}

} // namespace mox
