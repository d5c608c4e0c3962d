#pragma once
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/LargeArrays.h"

namespace mox {

// Byte strings, one per row, kept for ordering rows by them: compared as
// unsigned bytes, the first eight bytes of each as one number, so that most
// comparisons of a sort or a bisection are a single integer compare. The keys
// lie side by side in one buffer (no allocation per row); replacing a row's
// key appends the new bytes.
//
//   PackedKeys keys;
//   for (row ...) keys.append(bytes(row));
//   std::vector<std::uint32_t> order = keys.order(false);  // the rows, ascending
//   auto [first, last] = keys.prefixRange(order, "ab");    // rows beginning with "ab"
class PackedKeys {
public:
    void clear();
    void reserve(std::size_t rows, std::size_t bytes);
    // Adds the key of the next row.
    void append(std::string_view key);
    // Replaces the key of `row`.
    void replace(std::size_t row, std::string_view key);

    std::size_t size() const { return head_.size(); }
    std::string_view key(std::size_t row) const
    {
        return std::string_view(bytes_.data() + start_[row], length_[row]);
    }

    // Below zero when row a's key comes before row b's, zero when they are
    // equal, above zero otherwise.
    int compare(std::uint32_t a, std::uint32_t b) const
    {
        if (head_[a] != head_[b])
            return head_[a] < head_[b] ? -1 : 1;
        return key(a).compare(key(b));
    }

    // Every row, ascending or descending by key; rows with equal keys in
    // row order either way. One sort.
    std::vector<std::uint32_t> order(bool descending) const;

    // In `ordered` (rows in order of their keys), sorts each run of rows with
    // equal keys by `less` (a strict weak order of rows): one pass, and a
    // sort only where keys are equal.
    template <class Less>
    void orderEqualKeys(std::vector<std::uint32_t>& ordered, Less less) const
    {
        for (std::size_t first = 0; first < ordered.size();) {
            std::size_t last = first + 1;
            while (last < ordered.size() && head_[ordered[last]] == head_[ordered[first]] &&
                   key(ordered[last]) == key(ordered[first]))
                ++last;
            if (last - first > 1)
                std::stable_sort(ordered.begin() + static_cast<std::ptrdiff_t>(first),
                                 ordered.begin() + static_cast<std::ptrdiff_t>(last), less);
            first = last;
        }
    }

    // In `ascending` (rows in ascending order of their keys), the positions
    // [first, last) of the rows whose key begins with `prefix`, by bisection.
    struct Range {
        std::size_t first = 0;
        std::size_t last = 0;
    };
    Range prefixRange(const std::vector<std::uint32_t>& ascending, std::string_view prefix) const;
    // Where a row with `key` goes in `ascending` (after the rows with keys
    // before it or equal to it).
    std::size_t upperBound(const std::vector<std::uint32_t>& ascending, std::string_view key) const;

private:
    static std::uint64_t headOf(std::string_view key);

    // Large arrays: their memory is touched once, at the sort's pace.
    LargeBytes bytes_;
    LargeVector<std::uint32_t> start_;
    LargeVector<std::uint32_t> length_;
    LargeVector<std::uint64_t> head_;
};

} // namespace mox
