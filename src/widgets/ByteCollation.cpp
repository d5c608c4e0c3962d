#include "widgets/ByteCollation.h"

#include <algorithm>
#include <bitset>
#include <cstring>
#include <map>
#include <mutex>
#include <numeric>
#include <string_view>
#include <unordered_map>

#include <QString>
#include <QStringDecoder>

#include <unicode/uchar.h>
#include <unicode/ucol.h>
#include <unicode/ucoleitr.h>
#include <unicode/uset.h>

#include "widgets/CollationKeys.h"
#include "widgets/PackedKeys.h"

namespace mox {

std::optional<ByteChars> singleByteChars(const char* codePageName)
{
    // Each byte decoded alone, then all of them in one text: a code page of
    // lead and trail bytes decodes the text otherwise.
    QStringDecoder decoder(codePageName, QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    ByteChars chars{};
    QString alone;
    std::string all;
    for (int b = 1; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        const QString c = decoder.decode(QByteArrayView(&byte, 1));
        if (c.size() != 1)
            return std::nullopt;
        chars[static_cast<std::size_t>(b)] = c.front().unicode();
        alone += c;
        all.push_back(byte);
    }
    if (decoder.decode(QByteArrayView(all.data(), static_cast<qsizetype>(all.size()))) != alone)
        return std::nullopt;
    return chars;
}

QString textOfBytes(std::string_view bytes, const ByteChars& chars)
{
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        text[static_cast<qsizetype>(i)] = QChar(chars[static_cast<unsigned char>(bytes[i])]);
    return text;
}

// A collation element: its primary, secondary and tertiary weight.
struct ByteCollationElement {
    std::array<std::uint32_t, 3> weight;
};

namespace {

using Element = ByteCollationElement;

// Between the levels of a key; below every byte of a weight.
constexpr char kLevelSeparator = 1;
// Ranks of a level written as one byte (2..255), or as two.
constexpr std::size_t kOneByteRanks = 254;
constexpr std::size_t kMostRanks = kOneByteRanks * kOneByteRanks;
// Tertiary weights without the case bits, as the collator writes them when
// upper case does not go first.
constexpr std::uint32_t kTertiaryMask = 0x3F3F;


// The collation elements of `text` as the collator's element iterator gives
// them, each put together again from the two halves in which the iterator
// hands out an element that does not fit 32 bits (the second marked 0xC0).
bool elementsOf(UCollationElements* iterator, const UChar* text, int32_t length, std::vector<Element>& out)
{
    UErrorCode status = U_ZERO_ERROR;
    out.clear();
    ucol_setText(iterator, text, length, &status);
    while (U_SUCCESS(status)) {
        const int32_t next = ucol_next(iterator, &status);
        if (next == UCOL_NULLORDER || U_FAILURE(status))
            break;
        const auto half = static_cast<std::uint32_t>(next);
        if ((half & 0xC0) == 0xC0 && !out.empty()) {
            std::array<std::uint32_t, 3>& w = out.back().weight;
            w[0] |= half >> 16;
            w[1] |= (half >> 8) & 0xFF;
            w[2] |= half & 0x3F;
        } else {
            out.push_back({{half & 0xFFFF0000u, half & 0xFF00u, (half & 0xFFu) << 8}});
        }
    }
    return U_SUCCESS(status);
}

bool attributeIs(const UCollator* collator, UColAttribute attribute, UColAttributeValue value)
{
    UErrorCode status = U_ZERO_ERROR;
    return ucol_getAttribute(collator, attribute, &status) == value && U_SUCCESS(status);
}

} // namespace

struct ByteCollation::Tables {
    // A byte's weights at one level, as key bytes.
    struct Part {
        char bytes[8] = {};
        std::uint8_t length = 0;
    };

    int levels = 0;
    std::array<std::array<Part, 3>, 256> parts{};
    // Whether a byte's weights are its own wherever it stands: false for a
    // character with a combining class, or one without parts.
    std::array<bool, 256> alone{};
    // Byte a followed by byte b (bit a * 256 + b) may be read as one.
    std::bitset<65536> together;

    // For words the iterator serves: the weights of each level in order (a
    // weight's rank is its place here), and the bytes a rank takes.
    std::array<std::vector<std::uint32_t>, 3> weights;
    std::array<int, 3> width{};
    // The collator's lead byte of a primary weight of each lead byte, when
    // it reorders scripts (-1: unknown).
    std::array<int, 256> leads{};
    bool reordered = false;
    // No collator: code order of the characters (case folded when case does
    // not count), as CollationKeys orders for the C locale.
    bool codeOrder = false;

    bool servesAlone(std::string_view word) const
    {
        unsigned previous = 0;
        for (const char c : word) {
            const auto b = static_cast<unsigned char>(c);
            if (!alone[b] || together[previous * 256 + b])
                return false;
            previous = b;
        }
        return true;
    }

    // The weight an element writes at `level`, mapped by the reordering;
    // 0 when it writes none there, and ~0 when its lead byte is unknown.
    std::uint32_t written(const Element& e, int level) const
    {
        std::uint32_t w = e.weight[static_cast<std::size_t>(level)];
        if (level == 0) {
            if (w <= 1)
                return 0;
            if (reordered) {
                const int lead = leads[w >> 24];
                if (lead < 0)
                    return ~0u;
                w = (static_cast<std::uint32_t>(lead) << 24) | (w & 0xFFFFFF);
            }
            return w;
        }
        return level == 2 ? w & kTertiaryMask : w;
    }

    // Appends the bytes of the rank of `weight` at `level`; false when the
    // weight has none.
    bool appendRank(std::string& out, int level, std::uint32_t weight) const
    {
        const std::vector<std::uint32_t>& known = weights[static_cast<std::size_t>(level)];
        const auto at = std::lower_bound(known.begin(), known.end(), weight);
        if (at == known.end() || *at != weight)
            return false;
        const auto rank = static_cast<std::size_t>(at - known.begin());
        if (width[static_cast<std::size_t>(level)] == 2)
            out.push_back(static_cast<char>(rank / kOneByteRanks + 2));
        out.push_back(static_cast<char>(rank % kOneByteRanks + 2));
        return true;
    }

    // Appends the ranks of the weights `elements` write at `level`; false
    // when one of them is unknown to the tables.
    bool appendLevel(const std::vector<Element>& elements, int level, std::string& out) const
    {
        for (const Element& e : elements) {
            const std::uint32_t w = written(e, level);
            if (w != 0 && (w == ~0u || !appendRank(out, level, w)))
                return false;
        }
        return true;
    }

    // The key of the elements `elements` into `out`; false when one of its
    // weights is unknown to the tables.
    bool keyOf(const std::vector<Element>& elements, std::string& out) const
    {
        out.clear();
        for (int level = 0; level < levels; ++level) {
            if (level > 0)
                out.push_back(kLevelSeparator);
            if (!appendLevel(elements, level, out))
                return false;
        }
        return true;
    }

    // The key of a word the tables serve alone, its first `upTo` levels,
    // into `out` (which has room for eight bytes more than each byte's parts
    // take); the key's length.
    std::size_t keyAlone(std::string_view word, char* out, int upTo) const
    {
        char* at = out;
        for (int level = 0; level < upTo; ++level) {
            if (level > 0)
                *at++ = kLevelSeparator;
            for (const char c : word) {
                const Part& part = parts[static_cast<unsigned char>(c)][static_cast<std::size_t>(level)];
                std::memcpy(at, part.bytes, sizeof part.bytes);
                at += part.length;
            }
        }
        return static_cast<std::size_t>(at - out);
    }
};

namespace {

using Tables = ByteCollation::Tables;

// Each byte's part at each level from the ranks of the weights of `elements`
// (the byte's own elements); a byte whose parts do not fit is not alone.
void setParts(Tables& tables, const std::array<std::vector<Element>, 256>& elements)
{
    for (std::size_t b = 1; b < 256; ++b) {
        if (!tables.alone[b])
            continue;
        for (int level = 0; level < tables.levels; ++level) {
            std::string bytes;
            Tables::Part& part = tables.parts[b][static_cast<std::size_t>(level)];
            if (!tables.appendLevel(elements[b], level, bytes) || bytes.size() > sizeof part.bytes) {
                tables.alone[b] = false;
                break;
            }
            std::memcpy(part.bytes, bytes.data(), bytes.size());
            part.length = static_cast<std::uint8_t>(bytes.size());
        }
    }
}

// Sets the ranks of a level from the weights seen there; false when there
// are too many.
bool setRanks(Tables& tables, int level, std::vector<std::uint32_t> seen)
{
    std::sort(seen.begin(), seen.end());
    seen.erase(std::unique(seen.begin(), seen.end()), seen.end());
    if (seen.size() > kMostRanks)
        return false;
    tables.width[static_cast<std::size_t>(level)] = seen.size() <= kOneByteRanks ? 1 : 2;
    tables.weights[static_cast<std::size_t>(level)] = std::move(seen);
    return true;
}

// Code order of each byte's character, case folded when case does not count.
std::shared_ptr<const Tables> codeOrderTables(Qt::CaseSensitivity caseSensitivity, const ByteChars& chars)
{
    auto tables = std::make_shared<Tables>();
    tables->codeOrder = true;
    tables->levels = 1;
    std::array<std::vector<Element>, 256> elements;
    std::vector<std::uint32_t> seen;
    for (std::size_t b = 1; b < 256; ++b) {
        const QString c(QChar(chars[b]));
        for (const QChar unit : caseSensitivity == Qt::CaseSensitive ? c : c.toCaseFolded()) {
            // Zero is no weight; code order is kept by adding one.
            elements[b].push_back({{unit.unicode() + 1u, 0, 0}});
            seen.push_back(unit.unicode() + 1u);
        }
        tables->alone[b] = true;
    }
    if (!setRanks(*tables, 0, std::move(seen)))
        return nullptr;
    setParts(*tables, elements);
    return tables;
}

class Maker {
public:
    Maker(UCollator* collator, const ByteChars& chars) : collator_(collator), chars_(chars)
    {
        UErrorCode status = U_ZERO_ERROR;
        iterator_ = ucol_openElements(collator_, nullptr, 0, &status);
        if (U_FAILURE(status))
            iterator_ = nullptr;
        for (std::size_t b = 1; b < 256; ++b)
            bytesOf_[chars_[b]].push_back(static_cast<unsigned char>(b));
    }
    ~Maker()
    {
        if (iterator_)
            ucol_closeElements(iterator_);
    }
    Maker(const Maker&) = delete;
    Maker& operator=(const Maker&) = delete;

    std::shared_ptr<const Tables> make();

private:
    std::string collatorKey(const std::u16string& text) const
    {
        std::string key(64, '\0');
        const auto* units = reinterpret_cast<const UChar*>(text.data());
        const auto length = static_cast<int32_t>(text.size());
        int32_t needed = ucol_getSortKey(collator_, units, length, reinterpret_cast<uint8_t*>(key.data()), 64);
        if (needed > 64) {
            key.resize(static_cast<std::size_t>(needed));
            ucol_getSortKey(collator_, units, length, reinterpret_cast<uint8_t*>(key.data()), needed);
        }
        key.resize(needed > 0 ? static_cast<std::size_t>(needed) : 0);
        return key;
    }
    std::u16string textOf(std::string_view bytes) const
    {
        std::u16string text;
        for (const char c : bytes)
            text.push_back(chars_[static_cast<unsigned char>(c)]);
        return text;
    }
    // The contractions (and characters after a prefix) of the collation;
    // marks the pairs of bytes that may be read together, and gives those
    // written wholly in the code page as bytes.
    std::vector<std::string> contractions(Tables& tables) const;
    // Whether the tables order `samples` (bytes) as the collator does.
    bool agree(const Tables& tables, const std::vector<std::string>& samples) const;

    UCollator* collator_;
    const ByteChars& chars_;
    UCollationElements* iterator_ = nullptr;
    std::unordered_map<char16_t, std::vector<unsigned char>> bytesOf_;
};

std::vector<std::string> Maker::contractions(Tables& tables) const
{
    std::vector<std::string> whole;
    UErrorCode status = U_ZERO_ERROR;
    USet* set = uset_openEmpty();
    ucol_getContractionsAndExpansions(collator_, set, nullptr, true, &status);
    std::vector<UChar> text(64);
    for (int32_t i = 0; U_SUCCESS(status) && i < uset_getItemCount(set); ++i) {
        UChar32 first = 0;
        UChar32 last = 0;
        UErrorCode itemStatus = U_ZERO_ERROR;
        const int32_t length =
            uset_getItem(set, i, &first, &last, text.data(), static_cast<int32_t>(text.size()), &itemStatus);
        if (length <= 0 || U_FAILURE(itemStatus))
            continue;
        bool inCodePage = true;
        for (int32_t j = 0; j < length; ++j) {
            const auto here = bytesOf_.find(text[static_cast<std::size_t>(j)]);
            if (here == bytesOf_.end()) {
                inCodePage = false;
                continue;
            }
            if (j + 1 == length)
                continue;
            const auto next = bytesOf_.find(text[static_cast<std::size_t>(j) + 1]);
            if (next == bytesOf_.end())
                continue;
            for (const unsigned char a : here->second)
                for (const unsigned char b : next->second)
                    tables.together.set(a * 256u + b);
        }
        if (inCodePage) {
            std::string bytes;
            for (int32_t j = 0; j < length; ++j)
                bytes.push_back(static_cast<char>(bytesOf_.at(text[static_cast<std::size_t>(j)]).front()));
            whole.push_back(std::move(bytes));
        }
    }
    uset_close(set);
    return whole;
}

bool Maker::agree(const Tables& tables, const std::vector<std::string>& samples) const
{
    std::vector<std::string> ours(samples.size());
    std::vector<std::string> theirs(samples.size());
    std::vector<Element> elements;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const std::u16string text = textOf(samples[i]);
        if (tables.servesAlone(samples[i])) {
            ours[i].resize(samples[i].size() * 8 * 3 + 16);
            ours[i].resize(tables.keyAlone(samples[i], ours[i].data(), tables.levels));
        } else if (!elementsOf(iterator_, reinterpret_cast<const UChar*>(text.data()),
                               static_cast<int32_t>(text.size()), elements) ||
                   !tables.keyOf(elements, ours[i])) {
            return false;
        }
        theirs[i] = collatorKey(text);
    }
    std::vector<std::size_t> order(samples.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return ours[a] < ours[b]; });
    for (std::size_t i = 1; i < order.size(); ++i) {
        const int a = ours[order[i - 1]].compare(ours[order[i]]);
        const int b = theirs[order[i - 1]].compare(theirs[order[i]]);
        if ((a < 0) != (b < 0) || (a == 0) != (b == 0))
            return false;
    }
    return true;
}

std::shared_ptr<const Tables> Maker::make()
{
    // Only the settings whose keys are the weights of each level side by
    // side, each level's read forwards.
    UErrorCode status = U_ZERO_ERROR;
    const UColAttributeValue strength = ucol_getAttribute(collator_, UCOL_STRENGTH, &status);
    if (!iterator_ || U_FAILURE(status) || strength > UCOL_TERTIARY ||
        !attributeIs(collator_, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE) ||
        !attributeIs(collator_, UCOL_NUMERIC_COLLATION, UCOL_OFF) ||
        !attributeIs(collator_, UCOL_CASE_LEVEL, UCOL_OFF) ||
        (strength >= UCOL_SECONDARY && !attributeIs(collator_, UCOL_FRENCH_COLLATION, UCOL_OFF)) ||
        (strength >= UCOL_TERTIARY && !attributeIs(collator_, UCOL_CASE_FIRST, UCOL_OFF)))
        return nullptr;
    auto tables = std::make_shared<Tables>();
    tables->levels = static_cast<int>(strength) + 1;

    // Each byte's elements; a character with a combining class, which may
    // be moved or read with its neighbours, leaves its words to the iterator.
    std::array<std::vector<Element>, 256> elements;
    for (std::size_t b = 1; b < 256; ++b) {
        const char16_t c = chars_[b];
        const auto unit = static_cast<UChar>(c);
        tables->alone[b] = !U16_IS_SURROGATE(c) && u_getIntPropertyValue(c, UCHAR_LEAD_CANONICAL_COMBINING_CLASS) == 0 &&
                           u_getIntPropertyValue(c, UCHAR_TRAIL_CANONICAL_COMBINING_CLASS) == 0;
        if (!elementsOf(iterator_, &unit, 1, elements[b]))
            return nullptr;
    }
    std::vector<std::string> samples = contractions(*tables);
    std::vector<std::vector<Element>> sampleElements;
    for (const std::string& s : samples) {
        const std::u16string text = textOf(s);
        sampleElements.emplace_back();
        if (!elementsOf(iterator_, reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()),
                        sampleElements.back()))
            return nullptr;
    }
    for (std::size_t b = 1; b < 256; ++b) {
        samples.emplace_back(1, static_cast<char>(b));
        sampleElements.push_back(elements[b]);
    }

    // Reordered scripts move the lead bytes of primary weights: the
    // collator's own key of each sample tells where its first one goes.
    int32_t codes[1] = {};
    UErrorCode reorderStatus = U_ZERO_ERROR;
    tables->reordered = ucol_getReorderCodes(collator_, codes, 1, &reorderStatus) != 0;
    tables->leads.fill(-1);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto first = std::find_if(sampleElements[i].begin(), sampleElements[i].end(),
                                         [](const Element& e) { return e.weight[0] > 1; });
        if (first == sampleElements[i].end())
            continue;
        const std::size_t lead = first->weight[0] >> 24;
        const int mapped = tables->reordered ? static_cast<unsigned char>(collatorKey(textOf(samples[i])).front())
                                             : static_cast<int>(lead);
        if (tables->leads[lead] >= 0 && tables->leads[lead] != mapped)
            return nullptr;
        tables->leads[lead] = mapped;
    }

    for (int level = 0; level < tables->levels; ++level) {
        std::vector<std::uint32_t> seen;
        for (const std::vector<Element>& list : sampleElements)
            for (const Element& e : list) {
                const std::uint32_t w = tables->written(e, level);
                if (w == ~0u)
                    return nullptr;
                if (w != 0)
                    seen.push_back(w);
            }
        if (!setRanks(*tables, level, std::move(seen)))
            return nullptr;
    }
    setParts(*tables, elements);

    // Checked against the collator's own keys: every character alone and
    // before a letter, and every contraction.
    const std::size_t singles = samples.size();
    const auto a = bytesOf_.find(u'a');
    for (std::size_t i = singles - 255; a != bytesOf_.end() && i < singles; ++i)
        samples.push_back(samples[i] + static_cast<char>(a->second.front()));
    if (!agree(*tables, samples))
        return nullptr;
    return tables;
}

// Tables once made, by collation and code page: a dialog opened again
// finds them.
std::shared_ptr<const Tables> sharedTables(const std::string& name, UCollator* collator,
                                           Qt::CaseSensitivity caseSensitivity, const ByteChars& chars)
{
    static std::mutex guard;
    static std::map<std::string, std::shared_ptr<const Tables>> made;
    std::string key = name;
    key.push_back('\0');
    key.push_back(caseSensitivity == Qt::CaseSensitive ? 's' : 'i');
    key.append(reinterpret_cast<const char*>(chars.data()), sizeof chars);
    const std::lock_guard lock(guard);
    const auto found = made.find(key);
    if (found != made.end())
        return found->second;
    std::shared_ptr<const Tables> tables =
        collator ? Maker(collator, chars).make() : codeOrderTables(caseSensitivity, chars);
    made.emplace(std::move(key), tables);
    return tables;
}

} // namespace

ByteCollation::ByteCollation(CollationKeys& collation, const ByteChars& chars)
    : collation_(collation), chars_(chars),
      tables_(sharedTables(collation.name_, collation.collator_, collation.caseSensitivity_, chars))
{
}

ByteCollation::~ByteCollation()
{
    if (iterator_)
        ucol_closeElements(iterator_);
}

bool ByteCollation::keyOf(std::string_view word, std::string& key)
{
    const Tables& tables = *tables_;
    if (tables.servesAlone(word)) {
        key.resize(word.size() * sizeof(Tables::Part::bytes) * 3 + 16);
        key.resize(tables.keyAlone(word, key.data(), tables.levels));
        return true;
    }
    UErrorCode status = U_ZERO_ERROR;
    if (!iterator_)
        iterator_ = ucol_openElements(collation_.collator_, nullptr, 0, &status);
    text_.clear();
    for (const char c : word)
        text_.push_back(static_cast<UChar>(chars_[static_cast<unsigned char>(c)]));
    return U_SUCCESS(status) && elementsOf(iterator_, text_.data(), static_cast<int32_t>(text_.size()), elements_) &&
           tables.keyOf(elements_, key);
}

void ByteCollation::appendKeys(PackedKeys& keys, std::span<const std::string> words)
{
    if (tables_) {
        // The first level only: it orders nearly every pair of words, and
        // the rest is made for the few it leaves equal (compareFurther).
        const Tables& tables = *tables_;
        std::size_t longest = 0;
        std::size_t total = 0;
        for (const std::string& word : words) {
            longest = std::max(longest, word.size());
            total += word.size();
        }
        keys.reserve(words.size(), total + words.size());
        // Room for the widest parts of every byte, and the eight bytes each
        // part is copied as.
        std::string buffer(longest * sizeof(Tables::Part::bytes) + 16, '\0');
        bool served = true;
        for (const std::string& word : words) {
            if (tables.servesAlone(word)) {
                keys.append(std::string_view(buffer.data(), tables.keyAlone(word, buffer.data(), 1)));
                continue;
            }
            served = keyOf(word, key_);
            if (!served)
                break;
            keys.append(std::string_view(key_).substr(0, key_.find(kLevelSeparator)));
        }
        if (served)
            return;
        tables_ = nullptr;
        keys.clear();
    }
    // The collator itself, on each word decoded.
    std::vector<QChar> text;
    for (const std::string& word : words) {
        text.resize(word.size());
        for (std::size_t i = 0; i < word.size(); ++i)
            text[i] = QChar(chars_[static_cast<unsigned char>(word[i])]);
        collation_.appendKey(keys, QStringView(text.data(), static_cast<qsizetype>(word.size())));
    }
}

int ByteCollation::compareFurther(std::string_view a, std::string_view b)
{
    if (!tables_ || tables_->levels == 1 || !keyOf(a, key_) || !keyOf(b, otherKey_))
        return 0;
    const int c = key_.compare(otherKey_);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

} // namespace mox
