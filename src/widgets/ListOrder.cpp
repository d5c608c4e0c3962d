#include "widgets/ListOrder.h"

#include <QLocale>

#include "widgets/PackedKeys.h"

namespace mox {

ListBoxCollation::ListBoxCollation() : caseless_(QLocale(), Qt::CaseInsensitive) {}

bool ListBoxCollation::before(QStringView a, QStringView b) const
{
    const int byLanguage = caseless_.compare(a, b);
    return byLanguage != 0 ? byLanguage < 0 : a.compare(b) < 0;
}

std::vector<std::size_t> listBoxOrder(const QList<QString>& texts)
{
    // The caseless collation keys in order; texts that collate equal then
    // in code order.
    ListBoxCollation collation;
    PackedKeys keys;
    keys.reserve(static_cast<std::size_t>(texts.size()), static_cast<std::size_t>(texts.size()) * 24);
    for (const QString& text : texts)
        collation.caseless_.appendKey(keys, text);
    std::vector<std::uint32_t> rows = keys.order(false);
    keys.orderEqualKeys(rows, [&](std::uint32_t a, std::uint32_t b) {
        return texts[static_cast<qsizetype>(a)] < texts[static_cast<qsizetype>(b)];
    });
    return std::vector<std::size_t>(rows.begin(), rows.end());
}

} // namespace mox
