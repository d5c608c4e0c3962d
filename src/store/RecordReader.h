#pragma once
#include <cstddef>
#include <cstdint>
#include <istream>
#include <type_traits>
#include <vector>

namespace mox {

// Reads the complete records of `in` from its current position, a chunk of
// records at a time, and hands each to `visit(const Record&, std::int64_t
// offset)` (offset in bytes from where the reading began). A visit that
// returns bool ends the reading by returning false. A trailing fragment
// shorter than a record is not a record. False on a read error.
template <class Record, class Visit>
bool forEachRecord(std::istream& in, Visit visit)
{
    constexpr std::size_t kChunkRecords = 2048;
    std::vector<Record> chunk(kChunkRecords);
    const auto chunkBytes = static_cast<std::streamsize>(chunk.size() * sizeof(Record));
    std::int64_t offset = 0;
    for (;;) {
        in.read(reinterpret_cast<char*>(chunk.data()), chunkBytes);
        const auto count = static_cast<std::size_t>(in.gcount()) / sizeof(Record);
        for (std::size_t i = 0; i < count; ++i, offset += static_cast<std::int64_t>(sizeof(Record))) {
            if constexpr (std::is_same_v<std::invoke_result_t<Visit&, const Record&, std::int64_t>, bool>) {
                if (!visit(chunk[i], offset))
                    return true;
            } else {
                visit(chunk[i], offset);
            }
        }
        if (in.bad())
            return false;
        if (in.gcount() < chunkBytes)
            return true;
    }
}

} // namespace mox
