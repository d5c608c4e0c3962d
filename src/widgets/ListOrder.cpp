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
    // Each key: the caseless collation key, then the text's UTF-16 units
    // big-endian, which orders texts that collate equal by code order.
    ListBoxCollation collation;
    PackedKeys keys;
    keys.reserve(static_cast<std::size_t>(texts.size()), static_cast<std::size_t>(texts.size()) * 40);
    std::string units;
    for (const QString& text : texts) {
        units.clear();
        for (const QChar c : text) {
            units.push_back(static_cast<char>(c.unicode() >> 8));
            units.push_back(static_cast<char>(c.unicode() & 0xFF));
        }
        collation.caseless_.appendKey(keys, text, units);
    }
    const std::vector<std::uint32_t> rows = keys.order(false);
    return std::vector<std::size_t>(rows.begin(), rows.end());
}

} // namespace mox
