#include "widgets/PackedKeys.h"

#include <algorithm>
#include <iterator>
#include <utility>

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
    // The heads sorted side by side with their rows by a radix sort, a byte
    // at a time from the last (bytes that all heads share are skipped); it
    // keeps rows of equal heads in row order. Only the runs of equal heads
    // then compare their keys' further bytes (and the row numbers, so that
    // equal keys stay in the rows' own order, as a stable sort would give).
    struct Entry {
        std::uint64_t head;
        std::uint32_t row;
    };
    const std::size_t rows = size();
    std::vector<Entry> entries(rows), spare(rows);
    for (std::size_t row = 0; row < rows; ++row)
        entries[row] = {descending ? ~head_[row] : head_[row], static_cast<std::uint32_t>(row)};
    for (int shift = 0; shift < 64; shift += 8) {
        std::size_t count[256] = {};
        for (const Entry& e : entries)
            ++count[(e.head >> shift) & 0xFF];
        if (std::find(std::begin(count), std::end(count), rows) != std::end(count))
            continue; // every head has this byte
        std::size_t at = 0;
        for (std::size_t& c : count)
            at += std::exchange(c, at);
        for (const Entry& e : entries)
            spare[count[(e.head >> shift) & 0xFF]++] = e;
        entries.swap(spare);
    }
    auto rest = [this](std::uint32_t row) {
        const std::string_view k = key(row);
        return k.substr(std::min<std::size_t>(k.size(), 8));
    };
    for (std::size_t first = 0; first < rows;) {
        std::size_t last = first + 1;
        while (last < rows && entries[last].head == entries[first].head)
            ++last;
        if (last - first > 1)
            std::sort(entries.begin() + static_cast<std::ptrdiff_t>(first),
                      entries.begin() + static_cast<std::ptrdiff_t>(last), [&](const Entry& a, const Entry& b) {
                          const int c = rest(a.row).compare(rest(b.row));
                          if (c != 0)
                              return descending ? c > 0 : c < 0;
                          return a.row < b.row;
                      });
        first = last;
    }
    std::vector<std::uint32_t> order(rows);
    for (std::size_t i = 0; i < rows; ++i)
        order[i] = entries[i].row;
    return order;
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
