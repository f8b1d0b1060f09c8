// LargeBlock.h - the growing block that holds a colour list, and blocks
// of figures measured on one.
//
// A list of millions of colours spends more time on the system's first
// touch of each new page than on the colours themselves. Where the system
// offers large pages (Linux: transparent huge pages, on request), a large
// block is placed on 2 MB boundaries and asks for them, so that one touch
// brings 2 MB instead of 4 KB; it then grows by a copy into a new such
// block, which costs less than the touches it saves. Small blocks, and
// systems without large pages, grow with realloc, in place where it can.
// Every block is released with std::free.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

namespace rulv {

// The block grown from `oldBytes` to `newBytes` (more), its first
// `oldBytes` kept; nullptr without memory, the old block then unchanged.
void* GrowBlock(void* block, std::size_t oldBytes, std::size_t newBytes) noexcept;

// Asks for large pages in the part of a block someone else allocated (a
// std::vector's) that lies on 2 MB boundaries, before it is first written.
// Only advice: nothing changes where the system has no large pages.
void AdviseLargePages(void* block, std::size_t bytes) noexcept;

// A new block of `bytes`, on large pages where the system has them and the
// block is large enough; nullptr without memory. Released with std::free.
void* AllocateBlock(std::size_t bytes) noexcept;

// The allocator of a std::vector of plain values that are each written
// before they are read (by several threads, say): resize leaves them
// unset instead of writing zeros, so that the first touch of each page
// happens where the value is written; the block comes from AllocateBlock.
template <class T>
struct TLargeBlockAllocator {
    using value_type = T;

    TLargeBlockAllocator() = default;
    template <class U>
    explicit TLargeBlockAllocator(const TLargeBlockAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) {
        if (count > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
        void* block = AllocateBlock(count * sizeof(T));
        if (block == nullptr) throw std::bad_alloc();
        return static_cast<T*>(block);
    }
    void deallocate(T* block, std::size_t) noexcept { std::free(block); }

    // Default-initialised: nothing written for plain values.
    template <class U>
    void construct(U* place) noexcept {
        ::new (static_cast<void*>(place)) U;
    }
    template <class U, class... TArgs>
    void construct(U* place, TArgs&&... arguments) {
        ::new (static_cast<void*>(place)) U(static_cast<TArgs&&>(arguments)...);
    }

    template <class U>
    bool operator==(const TLargeBlockAllocator<U>&) const noexcept {
        return true;
    }
};

}  // namespace rulv
