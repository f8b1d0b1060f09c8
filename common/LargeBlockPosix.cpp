// LargeBlockPosix.cpp - large blocks on transparent huge pages (Linux), and
// realloc elsewhere.
#include "common/LargeBlock.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace rulv {

namespace {

#ifdef __linux__
constexpr std::size_t kLargePage = std::size_t{2} << 20;
// From this size on a block is worth its own large pages (measured: below
// it, growing in place with realloc is as fast).
constexpr std::size_t kLargeBlock = 8 * kLargePage;

std::size_t RoundUp(std::size_t bytes) noexcept { return (bytes + kLargePage - 1) / kLargePage * kLargePage; }

void* AllocateLarge(std::size_t bytes) noexcept {
    const std::size_t rounded = RoundUp(bytes);
    if (rounded < bytes) return nullptr;
    void* block = std::aligned_alloc(kLargePage, rounded);
    // Only advice: without it the block is an ordinary one.
    if (block != nullptr) madvise(block, rounded, MADV_HUGEPAGE);
    return block;
}
#endif

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
    if (bytes >= kLargePage) return AllocateLarge(bytes);
#endif
    return std::malloc(bytes);
}

void* GrowBlock(void* block, std::size_t oldBytes, std::size_t newBytes) noexcept {
#ifdef __linux__
    if (newBytes >= kLargeBlock) {
        void* grown = AllocateLarge(newBytes);
        if (grown == nullptr) return nullptr;
        std::memcpy(grown, block, oldBytes);
        std::free(block);
        return grown;
    }
#else
    static_cast<void>(oldBytes);
#endif
    return std::realloc(block, newBytes);
}

}  // namespace rulv
