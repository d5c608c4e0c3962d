#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace mox {

// Which records of a dictionary can be drawn into a working list (live,
// active, not in the list), one bit per record: what a pass over the
// dictionary found, kept so that the next top-up needs no pass while the
// file is unchanged. 1,000,000 records take 125 KB.
class CandidateSet {
public:
    // `records` records, none of them a candidate.
    explicit CandidateSet(std::uint64_t records = 0);

    std::uint64_t records() const { return records_; }
    std::uint32_t count() const { return count_; }
    bool contains(std::uint64_t record) const;
    // Marks or unmarks a record; records past the end are ignored.
    void add(std::uint64_t record);
    void remove(std::uint64_t record);
    // A record appended to the dictionary.
    void append(bool candidate);
    // The record of the `n`-th candidate (from 0, in file order); nothing
    // when there are no more than `n`.
    std::optional<std::uint64_t> nth(std::uint32_t n) const;

private:
    std::vector<std::uint64_t> words_;
    std::uint64_t records_ = 0;
    std::uint32_t count_ = 0;
};

} // namespace mox
