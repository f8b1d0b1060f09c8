// LargeBlockSystem.h - address space for the growable block, from the
// system (LargeBlockPosix.cpp, LargeBlockWin32.cpp). Not part of the
// public interface.
#pragma once

#include <cstddef>

namespace rulv {

// From this size on a block takes address space of its own: one large
// page, so that its one move is short.
inline constexpr std::size_t kAddressSpaceBlock = std::size_t{2} << 20;

// Address space for at least `bytes`, nothing committed, or nullptr; its
// size goes to `reservedSize`.
void* ReserveAddressSpace(std::size_t bytes, std::size_t& reservedSize) noexcept;
// The committed size for a block of `bytes` in space of `reservedSize`: a
// whole number of the system's granules, at most the space's size.
std::size_t CommitGranule(std::size_t bytes, std::size_t reservedSize) noexcept;
// Commits [from, to) of the space; false without memory.
bool CommitAddressSpace(void* space, std::size_t from, std::size_t to) noexcept;
void ReleaseAddressSpace(void* space, std::size_t reservedSize) noexcept;

}  // namespace rulv
