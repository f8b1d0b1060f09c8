// LargeBlockWin32.cpp - address space for the growable block on Windows.
// Large pages need a privilege that a user's program does not have, so
// the space is committed in ordinary pages, 2 MB at a time.
#include <windows.h>

#include "common/LargeBlock.h"
#include "common/LargeBlockSystem.h"

namespace rulv {

namespace {

constexpr std::size_t kCommitStep = std::size_t{2} << 20;

}  // namespace

void AdviseLargePages(void*, std::size_t) noexcept {}

void* AllocateBlock(std::size_t bytes) noexcept { return std::malloc(bytes); }

void* ReserveAddressSpace(std::size_t bytes, std::size_t& reservedSize) noexcept {
    const std::size_t rounded = (bytes + kCommitStep - 1) / kCommitStep * kCommitStep;
    if (rounded < bytes) return nullptr;
    void* space = VirtualAlloc(nullptr, rounded, MEM_RESERVE, PAGE_NOACCESS);
    if (space != nullptr) reservedSize = rounded;
    return space;
}

std::size_t CommitGranule(std::size_t bytes, std::size_t reservedSize) noexcept {
    const std::size_t rounded = (bytes + kCommitStep - 1) / kCommitStep * kCommitStep;
    return rounded < bytes || rounded > reservedSize ? reservedSize : rounded;
}

bool CommitAddressSpace(void* space, std::size_t from, std::size_t to) noexcept {
    return VirtualAlloc(static_cast<char*>(space) + from, to - from, MEM_COMMIT, PAGE_READWRITE) != nullptr;
}

void ReleaseAddressSpace(void* space, std::size_t) noexcept { VirtualFree(space, 0, MEM_RELEASE); }

}  // namespace rulv
