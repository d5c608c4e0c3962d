#include "widgets/PackedKeys.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <span>
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

namespace {

struct Entry {
    std::uint64_t head;
    std::uint32_t row;
};

// Sorts `entries` by head, a byte at a time from the last (bytes that all
// heads share are skipped), keeping entries of equal heads in their order;
// `spare` is as long, for the passes.
void radixSort(std::span<Entry> entries, std::span<Entry> spare)
{
    std::span<Entry> from = entries;
    std::span<Entry> to = spare;
    for (int shift = 0; shift < 64; shift += 8) {
        std::size_t count[256] = {};
        for (const Entry& e : from)
            ++count[(e.head >> shift) & 0xFF];
        if (std::find(std::begin(count), std::end(count), from.size()) != std::end(count))
            continue; // every head has this byte
        std::size_t at = 0;
        for (std::size_t& c : count)
            at += std::exchange(c, at);
        for (const Entry& e : from)
            to[count[(e.head >> shift) & 0xFF]++] = e;
        std::swap(from, to);
    }
    if (from.data() != entries.data())
        std::copy(from.begin(), from.end(), entries.begin());
}

} // namespace

std::vector<std::uint32_t> PackedKeys::order(bool descending) const
{
    // The heads (eight bytes from the start) sorted side by side with their
    // rows by a radix sort, which keeps rows of equal heads in row order.
    // A run of rows with equal heads is sorted the same way by their next
    // eight bytes, and so on; a short run is sorted by comparing the rest of
    // its keys. Rows with equal keys stay in the rows' own order, as a
    // stable sort would give, either way.
    const std::size_t rows = size();
    // Left uninitialised: every entry is written before it is read.
    LargeArrayAllocator<Entry> memory;
    const auto release = [&memory, rows](Entry* e) { memory.deallocate(e, rows); };
    const std::unique_ptr<Entry, decltype(release)> one(memory.allocate(rows), release), other(memory.allocate(rows), release);
    const std::span<Entry> entries(one.get(), rows), spare(other.get(), rows);
    auto restFrom = [this](std::uint32_t row, std::size_t offset) {
        const std::string_view k = key(row);
        return k.substr(std::min(k.size(), offset));
    };
    struct Run {
        std::size_t first, last, offset;
    };
    std::vector<Run> runs{{0, rows, 0}};
    for (std::size_t row = 0; row < rows; ++row)
        entries[row] = {descending ? ~head_[row] : head_[row], static_cast<std::uint32_t>(row)};
    while (!runs.empty()) {
        const Run run = runs.back();
        runs.pop_back();
        const auto first = entries.begin() + static_cast<std::ptrdiff_t>(run.first);
        const auto last = entries.begin() + static_cast<std::ptrdiff_t>(run.last);
        if (run.last - run.first <= 32) {
            std::sort(first, last, [&](const Entry& a, const Entry& b) {
                const int c = restFrom(a.row, run.offset).compare(restFrom(b.row, run.offset));
                if (c != 0)
                    return descending ? c > 0 : c < 0;
                return a.row < b.row;
            });
            continue;
        }
        if (run.offset > 0)
            for (auto e = first; e != last; ++e) {
                const std::uint64_t head = headOf(restFrom(e->row, run.offset));
                e->head = descending ? ~head : head;
            }
        radixSort(std::span<Entry>(first, last), spare.subspan(0, run.last - run.first));
        // Runs of equal heads: sorted further while any key goes on; keys
        // that all end here are equal but for zero bytes at their ends (the
        // shorter key first).
        for (auto begin = first; begin != last;) {
            auto end = begin + 1;
            bool goesOn = length_[begin->row] > run.offset + 8;
            for (; end != last && end->head == begin->head; ++end)
                goesOn = goesOn || length_[end->row] > run.offset + 8;
            if (end - begin > 1) {
                if (goesOn)
                    runs.push_back({static_cast<std::size_t>(begin - entries.begin()),
                                    static_cast<std::size_t>(end - entries.begin()), run.offset + 8});
                else
                    std::stable_sort(begin, end, [&](const Entry& a, const Entry& b) {
                        return descending ? length_[a.row] > length_[b.row] : length_[a.row] < length_[b.row];
                    });
            }
            begin = end;
        }
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
