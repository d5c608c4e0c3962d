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

std::vector<std::uint32_t> listBoxOrder(const QList<QString>& texts)
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
    return rows;
}

std::vector<std::uint32_t> listBoxOrder(std::span<const std::string> words, const ByteChars& chars)
{
    ListBoxCollation collation;
    ByteCollation bytes(collation.caseless_, chars);
    PackedKeys keys;
    bytes.appendKeys(keys, words);
    std::vector<std::uint32_t> rows = keys.order(false);
    keys.orderEqualKeys(rows, [&](std::uint32_t a, std::uint32_t b) {
        const int c = bytes.compareFurther(words[a], words[b]);
        // Texts that collate equal in code order, as the other listBoxOrder.
        return c != 0 ? c < 0 : textOfBytes(words[a], chars) < textOfBytes(words[b], chars);
    });
    return rows;
}

} // namespace mox
