#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace mox {

// Memory for large arrays filled at once: a dictionary's words, the keys of
// a sort and its scratch. From 256 KiB on, it is whole 2 MiB blocks that the
// system is asked to back with transparent huge pages, so that the first
// touch of the array costs one page fault per 2 MiB instead of one per 4 KiB
// (at 100,000 words those faults were most of what putting the words in
// order cost). Where huge pages are off, the blocks are ordinary memory.
// A freed block is kept (up to 48 MiB in all) for the next large array, the
// next sort's scratch, as the heap keeps freed memory, until
// releaseLargeArrays gives the kept ones back (when the program trims its
// heap). Smaller arrays come from the heap as usual.
void* allocateLargeArray(std::size_t bytes);
void freeLargeArray(void* memory, std::size_t bytes) noexcept;
void releaseLargeArrays();
// Gives back what the program freed: the kept blocks, and the heap's free
// memory (before a long wait, as after the learning window's retreat).
void releaseFreedMemory();

template <class T>
struct LargeArrayAllocator {
    using value_type = T;

    LargeArrayAllocator() = default;
    template <class U>
    LargeArrayAllocator(const LargeArrayAllocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t n) { return static_cast<T*>(allocateLargeArray(n * sizeof(T))); }
    void deallocate(T* memory, std::size_t n) noexcept { freeLargeArray(memory, n * sizeof(T)); }

    friend bool operator==(const LargeArrayAllocator&, const LargeArrayAllocator&) { return true; }
};

template <class T>
using LargeVector = std::vector<T, LargeArrayAllocator<T>>;
using LargeBytes = std::basic_string<char, std::char_traits<char>, LargeArrayAllocator<char>>;

} // namespace mox
