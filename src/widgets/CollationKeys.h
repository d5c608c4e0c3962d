#pragma once
#include <cstdint>
#include <string>

#include <QLocale>
#include <QString>
#include <QStringView>

struct UCollator;

namespace mox {

class PackedKeys;

// A language's collation as byte strings: the sort key of a text compares
// byte for byte as the text collates, so that a list is put in order by a
// radix sort of packed key heads (PackedKeys) instead of a collator call per
// comparison. The rules are those of QCollator for the same locale and case
// sensitivity (normalised, punctuation not ignored, digits one by one), and
// compare() gives the same answer as the keys.
//
//   CollationKeys collation(QLocale("de_DE"), Qt::CaseInsensitive);
//   for (const QString& text : texts) collation.appendKey(keys, text);
//   std::vector<std::uint32_t> order = keys.order(false);
class CollationKeys {
public:
    CollationKeys(const QLocale& locale, Qt::CaseSensitivity caseSensitivity);
    ~CollationKeys();
    CollationKeys(const CollationKeys&) = delete;
    CollationKeys& operator=(const CollationKeys&) = delete;
    CollationKeys(CollationKeys&& other) noexcept;
    CollationKeys& operator=(CollationKeys&&) = delete;

    // Appends a row to `keys`: the sort key of `text`. Texts that collate
    // equal get equal keys (PackedKeys::orderEqualKeys orders them further).
    void appendKey(PackedKeys& keys, QStringView text);
    // Below zero, zero or above zero as `a` collates before, with or after `b`.
    int compare(QStringView a, QStringView b) const;

private:
    friend class ByteCollation;

    // The key of `text` into key_ (without the closing zero byte).
    void makeKey(QStringView text);

    UCollator* collator_ = nullptr; // none for the C locale: code order
    std::string name_;              // the collator's locale
    Qt::CaseSensitivity caseSensitivity_;
    std::string key_;
};

} // namespace mox
