// ThumbnailHeap.cpp - the colour list's storage inside RulvThumbnail.dll,
// grown in place.
//
// The list doubles its storage with realloc (common/LargeBlock.h). The
// heaps of Windows and Wine move a large block to grow it, so every
// doubling copies the list into fresh pages: a list of 10,000,000 colours
// touches about 100 MB for its 40, and first touches of pages cost more
// than the colours themselves. Here that decides whether such a map gets
// its picture in time, so the DLL's realloc and free are wrapped (the
// linker's --wrap, RulvThumbnail.dll only): a block that grows to 1 MiB or
// more moves once into address space reserved for the largest list a
// thumbnail holds and grows there by committing pages; free releases it.
// Everything else goes to the C library as before.
#include <windows.h>
#include <malloc.h>

#include <atomic>
#include <cstring>

#include "colormap/Rgblib.h"
#include "shell/ThumbnailRead.h"

// The linker's names for the wrapped functions and the originals: reserved,
// and given.
// NOLINTBEGIN(bugprone-reserved-identifier)
extern "C" {
void* __real_realloc(void* block, std::size_t size);
void __real_free(void* block);
}
// NOLINTEND(bugprone-reserved-identifier)

namespace rulv::shell {

namespace {

constexpr std::size_t kGrowInPlaceFrom = std::size_t{1} << 20;
constexpr std::size_t kReservation = std::size_t{kThumbnailColorLimit} * sizeof(TPackedColor);
// Lists being read at the same time (one per thread that draws a picture);
// beyond them blocks stay on the heap.
constexpr int kRegions = 8;

struct TRegion {
    void* Base = nullptr;  // nullptr: a free slot
    std::size_t Committed = 0;
};

SRWLOCK gLock = SRWLOCK_INIT;
TRegion gRegions[kRegions];
std::atomic<int> gRegionsInUse{0};

// The region that starts at `block`, under the lock; nullptr for a heap block.
TRegion* RegionOf(const void* block) noexcept {
    for (TRegion& region : gRegions) {
        if (region.Base != nullptr && region.Base == block) return &region;
    }
    return nullptr;
}

bool Commit(TRegion& region, std::size_t size) noexcept {
    if (size <= region.Committed) return true;
    if (VirtualAlloc(region.Base, size, MEM_COMMIT, PAGE_READWRITE) == nullptr) return false;
    region.Committed = size;
    return true;
}

// A heap block moved into a new region of `size` bytes; nullptr (and the
// block unchanged) when no slot, address space or memory is left.
void* MoveIntoRegion(void* block, std::size_t size) noexcept {
    TRegion* slot = nullptr;
    for (TRegion& region : gRegions) {
        if (region.Base == nullptr) slot = &region;
    }
    if (slot == nullptr) return nullptr;
    void* const base = VirtualAlloc(nullptr, kReservation, MEM_RESERVE, PAGE_NOACCESS);
    if (base == nullptr) return nullptr;
    TRegion region{base, 0};
    if (!Commit(region, size)) {
        VirtualFree(base, 0, MEM_RELEASE);
        return nullptr;
    }
    if (block != nullptr) {
        const std::size_t old = _msize(block);
        std::memcpy(base, block, old < size ? old : size);
        __real_free(block);
    }
    *slot = region;
    ++gRegionsInUse;
    return base;
}

// realloc for a block of a region: in place within the reservation, else
// back onto the heap.
void* GrowRegion(TRegion& region, std::size_t size) noexcept {
    if (size <= kReservation) return Commit(region, size) ? region.Base : nullptr;
    void* const moved = __real_realloc(nullptr, size);
    if (moved == nullptr) return nullptr;
    std::memcpy(moved, region.Base, region.Committed);
    VirtualFree(region.Base, 0, MEM_RELEASE);
    region = TRegion{};
    --gRegionsInUse;
    return moved;
}

}  // namespace

}  // namespace rulv::shell

using namespace rulv::shell;

// NOLINTBEGIN(bugprone-reserved-identifier)
extern "C" void __wrap_free(void* block);

extern "C" void* __wrap_realloc(void* block, std::size_t size) {
    if (size < kGrowInPlaceFrom && gRegionsInUse == 0) return __real_realloc(block, size);
    AcquireSRWLockExclusive(&gLock);
    void* result = nullptr;
    if (TRegion* region = RegionOf(block); region != nullptr && size == 0) {
        ReleaseSRWLockExclusive(&gLock);
        __wrap_free(block);  // as the C library's realloc to 0 bytes
        return nullptr;
    } else if (region != nullptr) {
        result = GrowRegion(*region, size);
    } else if (size >= kGrowInPlaceFrom && size <= kReservation) {
        result = MoveIntoRegion(block, size);
        if (result == nullptr) result = __real_realloc(block, size);
    } else {
        result = __real_realloc(block, size);
    }
    ReleaseSRWLockExclusive(&gLock);
    return result;
}

extern "C" void __wrap_free(void* block) {
    if (block != nullptr && gRegionsInUse > 0) {
        AcquireSRWLockExclusive(&gLock);
        TRegion* const region = RegionOf(block);
        if (region != nullptr) {
            VirtualFree(region->Base, 0, MEM_RELEASE);
            *region = TRegion{};
            --gRegionsInUse;
        }
        ReleaseSRWLockExclusive(&gLock);
        if (region != nullptr) return;
    }
    __real_free(block);
}
// NOLINTEND(bugprone-reserved-identifier)
