#include "store/LargeArrays.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <new>

#include <malloc.h>
#include <sys/mman.h>

namespace mox {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kLargeFrom = std::size_t{256} << 10;
// Freed blocks kept for the next large array, at most this much.
constexpr std::size_t kMostKept = std::size_t{48} << 20;

std::size_t wholeHugePages(std::size_t bytes)
{
    return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

struct Block {
    void* memory;
    std::size_t size;
};

// The blocks handed out (with their sizes, which may exceed what was asked)
// and the freed ones kept for reuse.
struct Blocks {
    std::mutex guard;
    std::vector<Block> out;
    std::vector<Block> kept;
    std::size_t keptSize = 0;
};

Blocks& blocks()
{
    static Blocks* all = new Blocks; // outlives every static array
    return *all;
}

void* mapBlock(std::size_t size)
{
    // On a 2 MiB boundary: mapped one huge page larger, the ends cut off.
    void* mapped = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
    if (aligned > start)
        munmap(mapped, aligned - start);
    if (const std::size_t after = start + size + kHugePage - (aligned + size); after > 0)
        munmap(reinterpret_cast<void*>(aligned + size), after);
    // Advice only: without huge pages the block is ordinary memory.
    madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}

} // namespace

void* allocateLargeArray(std::size_t bytes)
{
    if (bytes < kLargeFrom)
        return ::operator new(bytes);
    const std::size_t size = wholeHugePages(bytes);
    Blocks& all = blocks();
    const std::lock_guard lock(all.guard);
    // The smallest kept block that holds the array: its pages are mapped.
    auto best = all.kept.end();
    for (auto it = all.kept.begin(); it != all.kept.end(); ++it)
        if (it->size >= size && (best == all.kept.end() || it->size < best->size))
            best = it;
    Block block{};
    if (best != all.kept.end()) {
        block = *best;
        all.keptSize -= block.size;
        all.kept.erase(best);
    } else {
        block = {mapBlock(size), size};
    }
    all.out.push_back(block);
    return block.memory;
}

void freeLargeArray(void* memory, std::size_t bytes) noexcept
{
    if (!memory)
        return;
    if (bytes < kLargeFrom) {
        ::operator delete(memory);
        return;
    }
    Blocks& all = blocks();
    const std::lock_guard lock(all.guard);
    const auto it = std::find_if(all.out.begin(), all.out.end(), [&](const Block& b) { return b.memory == memory; });
    if (it == all.out.end())
        return;
    const Block block = *it;
    all.out.erase(it);
    if (all.keptSize + block.size > kMostKept) {
        munmap(block.memory, block.size);
        return;
    }
    all.kept.push_back(block);
    all.keptSize += block.size;
}

void releaseLargeArrays()
{
    Blocks& all = blocks();
    const std::lock_guard lock(all.guard);
    for (const Block& block : all.kept)
        munmap(block.memory, block.size);
    all.kept.clear();
    all.keptSize = 0;
}

void releaseFreedMemory()
{
    releaseLargeArrays();
    ::malloc_trim(0);
}

} // namespace mox
