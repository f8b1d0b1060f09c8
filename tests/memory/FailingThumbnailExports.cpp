// FailingThumbnailExports.cpp - the test allocator's arming, exported by
// the thumbnail handler's test copy: the allocator that counts and fails is
// the DLL's own, so it is armed through the DLL.
#include <cstdint>

#include "tests/memory/FailingAllocator.h"

extern "C" {

__declspec(dllexport) void RulvArmAllocationFailure(std::uint64_t failAt, bool sticky) {
    rulv::test::ArmAllocationFailure(failAt, sticky);
}
__declspec(dllexport) void RulvDisarmAllocationFailure() { rulv::test::DisarmAllocationFailure(); }
__declspec(dllexport) std::uint64_t RulvAllocationsCounted() { return rulv::test::AllocationsCounted(); }
__declspec(dllexport) std::uint64_t RulvAllocationsFailed() { return rulv::test::AllocationsFailed(); }

}
