#include "store/CandidateSet.h"

#include <bit>

namespace mox {

namespace {
constexpr std::uint64_t kBits = 64;
}

CandidateSet::CandidateSet(std::uint64_t records)
    : words_(static_cast<std::size_t>((records + kBits - 1) / kBits), 0), records_(records)
{
}

bool CandidateSet::contains(std::uint64_t record) const
{
    return record < records_ && (words_[record / kBits] >> (record % kBits) & 1u) != 0;
}

void CandidateSet::add(std::uint64_t record)
{
    if (record >= records_ || contains(record))
        return;
    words_[record / kBits] |= std::uint64_t{1} << (record % kBits);
    ++count_;
}

void CandidateSet::remove(std::uint64_t record)
{
    if (!contains(record))
        return;
    words_[record / kBits] &= ~(std::uint64_t{1} << (record % kBits));
    --count_;
}

void CandidateSet::append(bool candidate)
{
    if (records_ % kBits == 0)
        words_.push_back(0);
    ++records_;
    if (candidate)
        add(records_ - 1);
}

std::optional<std::uint64_t> CandidateSet::nth(std::uint32_t n) const
{
    if (n >= count_)
        return std::nullopt;
    std::uint32_t left = n;
    for (std::size_t w = 0; w < words_.size(); ++w) {
        std::uint64_t bits = words_[w];
        const auto inWord = static_cast<std::uint32_t>(std::popcount(bits));
        if (left >= inWord) {
            left -= inWord;
            continue;
        }
        // The left-th set bit of this word: drop the lower ones.
        for (; left > 0; --left)
            bits &= bits - 1;
        return w * kBits + static_cast<std::uint64_t>(std::countr_zero(bits));
    }
    return std::nullopt;
}

} // namespace mox
