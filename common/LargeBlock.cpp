// LargeBlock.cpp - the growable block: realloc while it is small, then
// address space of its own (LargeBlockPosix.cpp, LargeBlockWin32.cpp).
#include "common/LargeBlock.h"

#include <cstdlib>
#include <cstring>

#include "common/LargeBlockSystem.h"

namespace rulv {

TGrowableBlock::~TGrowableBlock() {
    if (FReserved != nullptr) {
        ReleaseAddressSpace(FReserved, FReservedSize);
    } else {
        std::free(FData);
    }
}

bool TGrowableBlock::Allocate(std::size_t bytes) noexcept {
    FData = std::calloc(bytes, 1);
    FSize = FData != nullptr ? bytes : 0;
    return FData != nullptr;
}

bool TGrowableBlock::Grow(std::size_t bytes, std::size_t limit, std::size_t kept) noexcept {
    if (FReserved != nullptr) return GrowInPlace(bytes);
    if (bytes >= kAddressSpaceBlock && limit >= bytes) {
        // One last move, into space that holds all it may ever need.
        std::size_t reservedSize = 0;
        if (void* space = ReserveAddressSpace(limit, reservedSize)) {
            const std::size_t committed = CommitGranule(bytes, reservedSize);
            if (!CommitAddressSpace(space, 0, committed)) {
                ReleaseAddressSpace(space, reservedSize);
                return false;
            }
            std::memcpy(space, FData, kept);
            std::free(FData);
            FData = FReserved = space;
            FReservedSize = reservedSize;
            FCommitted = committed;
            FSize = bytes;
            return true;
        }
        // No such space here (an address-space limit): the heap goes on.
    }
    return GrowOnHeap(bytes, kept);
}

bool TGrowableBlock::GrowInPlace(std::size_t bytes) noexcept {
    if (bytes > FReservedSize) return false;
    if (bytes > FCommitted) {
        const std::size_t committed = CommitGranule(bytes, FReservedSize);
        if (!CommitAddressSpace(FReserved, FCommitted, committed)) return false;
        FCommitted = committed;
    }
    FSize = bytes;
    return true;
}

bool TGrowableBlock::GrowOnHeap(std::size_t bytes, std::size_t kept) noexcept {
    // realloc keeps all of the block, in place where it can; a block of
    // which little is kept is better copied by hand.
    if (kept == FSize) {
        void* grown = std::realloc(FData, bytes);
        if (grown == nullptr) return false;
        FData = grown;
    } else {
        void* grown = std::malloc(bytes);
        if (grown == nullptr) return false;
        std::memcpy(grown, FData, kept);
        std::free(FData);
        FData = grown;
    }
    FSize = bytes;
    return true;
}

void ReserveOnLargePages(std::string& text, std::size_t bytes) {
    if (bytes <= text.capacity()) return;
    text.reserve(bytes);
    AdviseLargePages(text.data(), text.capacity());
}

}  // namespace rulv
