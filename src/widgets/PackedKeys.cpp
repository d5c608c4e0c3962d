#include "widgets/PackedKeys.h"

#include <algorithm>
#include <numeric>

namespace mox {

std::uint64_t PackedKeys::headOf(std::string_view key)
{
    // Big-endian, padded with zero bytes: numbers compare as the bytes do,
    // and a key that ends early comes before its longer continuations.
    std::uint64_t head = 0;
    for (std::size_t i = 0; i < 8; ++i)
        head = (head << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    return head;
}

void PackedKeys::clear()
{
    bytes_.clear();
    start_.clear();
    length_.clear();
    head_.clear();
}

void PackedKeys::reserve(std::size_t rows, std::size_t bytes)
{
    bytes_.reserve(bytes);
    start_.reserve(rows);
    length_.reserve(rows);
    head_.reserve(rows);
}

void PackedKeys::append(std::string_view key)
{
    start_.push_back(static_cast<std::uint32_t>(bytes_.size()));
    length_.push_back(static_cast<std::uint32_t>(key.size()));
    head_.push_back(headOf(key));
    bytes_.append(key);
}

void PackedKeys::replace(std::size_t row, std::string_view key)
{
    if (row >= size())
        return;
    // A key no longer than the old one takes its place; a longer one goes to
    // the end (the old bytes stay unused).
    if (key.size() > length_[row]) {
        start_[row] = static_cast<std::uint32_t>(bytes_.size());
        bytes_.append(key);
    } else {
        bytes_.replace(start_[row], key.size(), key);
    }
    length_[row] = static_cast<std::uint32_t>(key.size());
    head_[row] = headOf(key);
}

std::vector<std::uint32_t> PackedKeys::order(bool descending) const
{
    std::vector<std::uint32_t> rows(size());
    std::iota(rows.begin(), rows.end(), 0u);
    // Ties by row number: the order of equal keys is the rows' own, as a
    // stable sort would give, at the price of a plain one.
    if (descending)
        std::sort(rows.begin(), rows.end(), [this](std::uint32_t a, std::uint32_t b) {
            const int c = compare(a, b);
            return c != 0 ? c > 0 : a < b;
        });
    else
        std::sort(rows.begin(), rows.end(), [this](std::uint32_t a, std::uint32_t b) {
            const int c = compare(a, b);
            return c != 0 ? c < 0 : a < b;
        });
    return rows;
}

PackedKeys::Range PackedKeys::prefixRange(const std::vector<std::uint32_t>& ascending, std::string_view prefix) const
{
    const auto first = std::partition_point(ascending.begin(), ascending.end(),
                                            [&](std::uint32_t row) { return key(row) < prefix; });
    const auto last = std::partition_point(first, ascending.end(), [&](std::uint32_t row) {
        return key(row).substr(0, prefix.size()) == prefix;
    });
    return {static_cast<std::size_t>(first - ascending.begin()), static_cast<std::size_t>(last - ascending.begin())};
}

std::size_t PackedKeys::upperBound(const std::vector<std::uint32_t>& ascending, std::string_view key) const
{
    const auto at = std::partition_point(ascending.begin(), ascending.end(),
                                         [&](std::uint32_t row) { return !(key < this->key(row)); });
    return static_cast<std::size_t>(at - ascending.begin());
}

} // namespace mox
