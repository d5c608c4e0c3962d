#include "widgets/CollationKeys.h"

#include <utility>

#include <unicode/ucol.h>

#include "widgets/PackedKeys.h"

namespace mox {

CollationKeys::CollationKeys(const QLocale& locale, Qt::CaseSensitivity caseSensitivity)
    : caseSensitivity_(caseSensitivity)
{
    if (locale.language() == QLocale::C)
        return;
    const QByteArray name = locale.bcp47Name().replace('-', '_').toLatin1();
    UErrorCode status = U_ZERO_ERROR;
    collator_ = ucol_open(name.constData(), &status);
    if (U_FAILURE(status)) {
        collator_ = nullptr;
        return;
    }
    name_ = name.toStdString();
    // As QCollator sets it up: canonical equivalents collate alike, case
    // ignored by comparing two levels only, punctuation and digits as
    // characters of their own.
    ucol_setAttribute(collator_, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    ucol_setAttribute(collator_, UCOL_STRENGTH,
                      caseSensitivity == Qt::CaseSensitive ? UCOL_DEFAULT_STRENGTH : UCOL_SECONDARY, &status);
    ucol_setAttribute(collator_, UCOL_NUMERIC_COLLATION, UCOL_OFF, &status);
    ucol_setAttribute(collator_, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
}

CollationKeys::~CollationKeys()
{
    if (collator_)
        ucol_close(collator_);
}

CollationKeys::CollationKeys(CollationKeys&& other) noexcept
    : collator_(std::exchange(other.collator_, nullptr)), name_(std::move(other.name_)),
      caseSensitivity_(other.caseSensitivity_), key_(std::move(other.key_))
{
}

void CollationKeys::makeKey(QStringView text)
{
    if (!collator_) {
        // Code order of the UTF-16 units (case folded first when case does
        // not count), seven bits to a byte, each byte raised by one so that
        // no zero byte appears.
        const QString folded = caseSensitivity_ == Qt::CaseSensitive ? QString() : text.toString().toCaseFolded();
        const QStringView units = caseSensitivity_ == Qt::CaseSensitive ? text : QStringView(folded);
        key_.clear();
        for (const QChar c : units) {
            const unsigned u = c.unicode();
            key_.push_back(static_cast<char>((u >> 14) + 1));
            key_.push_back(static_cast<char>(((u >> 7) & 0x7F) + 1));
            key_.push_back(static_cast<char>((u & 0x7F) + 1));
        }
        return;
    }
    const auto* units = reinterpret_cast<const UChar*>(text.utf16());
    const auto length = static_cast<int32_t>(text.size());
    if (key_.size() < 64)
        key_.resize(64);
    int32_t needed = ucol_getSortKey(collator_, units, length, reinterpret_cast<uint8_t*>(key_.data()),
                                     static_cast<int32_t>(key_.size()));
    if (needed > static_cast<int32_t>(key_.size())) {
        key_.resize(static_cast<std::size_t>(needed));
        needed = ucol_getSortKey(collator_, units, length, reinterpret_cast<uint8_t*>(key_.data()),
                                 static_cast<int32_t>(key_.size()));
    }
    // The length counts the closing zero byte.
    key_.resize(needed > 0 ? static_cast<std::size_t>(needed - 1) : 0);
}

void CollationKeys::appendKey(PackedKeys& keys, QStringView text)
{
    makeKey(text);
    keys.append(key_);
}

int CollationKeys::compare(QStringView a, QStringView b) const
{
    if (!collator_) {
        const int c = a.compare(b, caseSensitivity_);
        return c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    const UCollationResult r = ucol_strcoll(collator_, reinterpret_cast<const UChar*>(a.utf16()),
                                            static_cast<int32_t>(a.size()), reinterpret_cast<const UChar*>(b.utf16()),
                                            static_cast<int32_t>(b.size()));
    return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
}

} // namespace mox
