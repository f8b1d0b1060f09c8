// LargeBlockPosix.cpp - address space for the growable block on Linux, on
// transparent huge pages; elsewhere none, so that realloc does it all.
#include <cstdint>
#include <cstdlib>

#include "common/LargeBlock.h"
#include "common/LargeBlockSystem.h"

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace rulv {

namespace {

constexpr std::size_t kLargePage = std::size_t{2} << 20;

// `bytes` rounded up to whole large pages; 0 when that overflows.
std::size_t RoundUp(std::size_t bytes) noexcept {
    const std::size_t rounded = (bytes + kLargePage - 1) / kLargePage * kLargePage;
    return rounded < bytes ? 0 : rounded;
}

}  // namespace

void AdviseLargePages(void* block, std::size_t bytes) noexcept {
#ifdef __linux__
    // Page boundaries are found in the address as a number.
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (start + kLargePage - 1) / kLargePage * kLargePage;
    const std::uintptr_t last = (start + bytes) / kLargePage * kLargePage;
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);  // NOLINT(performance-no-int-to-ptr)
#else
    static_cast<void>(block);
    static_cast<void>(bytes);
#endif
}

void* AllocateBlock(std::size_t bytes) noexcept {
#ifdef __linux__
    // A block made once, not grown: one large page is already worth it.
    const std::size_t rounded = RoundUp(bytes);
    if (bytes >= kLargePage && rounded != 0) {
        void* block = std::aligned_alloc(kLargePage, rounded);
        if (block != nullptr) madvise(block, rounded, MADV_HUGEPAGE);  // only advice
        return block;
    }
#endif
    return std::malloc(bytes);
}

void* ReserveAddressSpace(std::size_t bytes, std::size_t& reservedSize) noexcept {
#ifdef __linux__
    const std::size_t rounded = RoundUp(bytes);
    if (rounded == 0 || rounded + kLargePage < rounded) return nullptr;
    // Inaccessible space is not charged against the system's memory; one
    // large page more lets the block start on a large-page boundary.
    void* raw = mmap(nullptr, rounded + kLargePage, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto rawStart = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t start = (rawStart + kLargePage - 1) / kLargePage * kLargePage;
    if (start > rawStart) munmap(raw, start - rawStart);
    const std::size_t tail = rawStart + rounded + kLargePage - (start + rounded);
    auto* space = reinterpret_cast<char*>(start);  // NOLINT(performance-no-int-to-ptr)
    if (tail > 0) munmap(space + rounded, tail);
    madvise(space, rounded, MADV_HUGEPAGE);  // only advice
    reservedSize = rounded;
    return space;
#else
    static_cast<void>(bytes);
    static_cast<void>(reservedSize);
    return nullptr;
#endif
}

std::size_t CommitGranule(std::size_t bytes, std::size_t reservedSize) noexcept {
    const std::size_t rounded = RoundUp(bytes);
    return rounded == 0 || rounded > reservedSize ? reservedSize : rounded;
}

bool CommitAddressSpace(void* space, std::size_t from, std::size_t to) noexcept {
#ifdef __linux__
    // Made writable, the pages are charged, and the system may refuse them.
    return mprotect(static_cast<char*>(space) + from, to - from, PROT_READ | PROT_WRITE) == 0;
#else
    static_cast<void>(space);
    static_cast<void>(from);
    static_cast<void>(to);
    return false;
#endif
}

void ReleaseAddressSpace(void* space, std::size_t reservedSize) noexcept {
#ifdef __linux__
    munmap(space, reservedSize);
#else
    static_cast<void>(space);
    static_cast<void>(reservedSize);
#endif
}

}  // namespace rulv
