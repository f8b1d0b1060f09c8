// LargeBlockWin32.cpp - blocks on Windows: large pages need a privilege
// that a user's program does not have, so realloc does it all.
#include "common/LargeBlock.h"

#include <cstdlib>

namespace rulv {

void AdviseLargePages(void*, std::size_t) noexcept {}

void* AllocateBlock(std::size_t bytes) noexcept { return std::malloc(bytes); }

void* GrowBlock(void* block, std::size_t, std::size_t newBytes) noexcept { return std::realloc(block, newBytes); }

}  // namespace rulv
