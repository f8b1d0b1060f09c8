// FailingAllocator.h - an allocator for tests that fails where it is told
// to: the Nth allocation once, or the Nth and every later one.
//
// Linked into a test program it stands in for malloc, calloc and realloc
// (through the linker's --wrap) and for operator new, so that every block
// our code and the C++ library ask for is counted. It fails nothing until
// it is armed, and it counts only the allocations of the thread that armed
// it.
//
// A program that does not arm it in code (rulvtool) is armed from its
// environment when it starts:
//   RULV_FAIL_ALLOCATION=N     the Nth allocation fails, the others do not
//   RULV_FAIL_ALLOCATION=N+    the Nth and all later allocations fail
//   RULV_ALLOCATION_COUNT=FILE at exit, the number of allocations counted
//                              is written to FILE (decimal text)
#pragma once

#include <cstdint>

namespace rulv::test {

// From the next allocation of this thread on, counting from 1: the
// allocation numbered `failAt` fails, and every later one too when
// `sticky` is set. failAt 0 counts without failing.
void ArmAllocationFailure(std::uint64_t failAt, bool sticky) noexcept;
// Stops counting and failing.
void DisarmAllocationFailure() noexcept;
// Allocations counted since the last arming.
std::uint64_t AllocationsCounted() noexcept;
// Allocations that failed since the last arming.
std::uint64_t AllocationsFailed() noexcept;

}  // namespace rulv::test
