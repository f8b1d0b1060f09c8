// LargeBlock.h - the growing block that holds a colour list.
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

namespace rulv {

// The block grown from `oldBytes` to `newBytes` (more), its first
// `oldBytes` kept; nullptr without memory, the old block then unchanged.
void* GrowBlock(void* block, std::size_t oldBytes, std::size_t newBytes) noexcept;

// Asks for large pages in the part of a block someone else allocated (a
// std::vector's) that lies on 2 MB boundaries, before it is first written.
// Only advice: nothing changes where the system has no large pages.
void AdviseLargePages(void* block, std::size_t bytes) noexcept;

}  // namespace rulv
