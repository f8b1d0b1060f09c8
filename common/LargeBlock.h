// LargeBlock.h - the growing block that holds a colour list, and blocks
// of figures measured on one.
//
// A list of millions of colours spends more time on the system's first
// touch of each new page, and on copies as it grows, than on the colours
// themselves. So a block that grows large stops moving: it takes address
// space for all it may ever hold at once (none of it in use, no memory
// committed), moves there one last time, and from then on grows in place,
// committing more of that space as it needs it. On Linux that space asks
// for transparent huge pages, so that one touch brings 2 MB instead of
// 4 KB. Small blocks, and systems that refuse the address space, grow
// with realloc, in place where it can.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>
#include <string>

namespace rulv {

class TGrowableBlock {
public:
    TGrowableBlock() = default;
    TGrowableBlock(const TGrowableBlock&) = delete;
    TGrowableBlock& operator=(const TGrowableBlock&) = delete;
    ~TGrowableBlock();

    void* Data() const noexcept { return FData; }
    std::size_t Size() const noexcept { return FSize; }

    // The first block: `bytes`, all zero. False without memory.
    bool Allocate(std::size_t bytes) noexcept;
    // Grows to `bytes` (more than Size()), keeping its first `kept` bytes
    // (at most Size()); what it adds is not cleared. `limit` is the most it
    // will ever be asked to hold. False without memory, the block then as
    // it was.
    bool Grow(std::size_t bytes, std::size_t limit, std::size_t kept) noexcept;

private:
    bool GrowInPlace(std::size_t bytes) noexcept;
    bool GrowOnHeap(std::size_t bytes, std::size_t kept) noexcept;

    void* FData = nullptr;
    std::size_t FSize = 0;
    // The address space taken for growing in place, when there is one.
    void* FReserved = nullptr;
    std::size_t FReservedSize = 0;
    std::size_t FCommitted = 0;
};

// Asks for large pages in the part of a block someone else allocated (a
// std::vector's) that lies on 2 MB boundaries, before it is first written.
// Only advice: nothing changes where the system has no large pages.
void AdviseLargePages(void* block, std::size_t bytes) noexcept;

// Reserves room for `bytes` in a text about to be written once from
// start to end (a file's whole output), on large pages where the system
// has them, so that filling it neither moves it nor touches each small
// page by itself. Raises std::bad_alloc as reserve does.
void ReserveOnLargePages(std::string& text, std::size_t bytes);

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
