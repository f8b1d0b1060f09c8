// PrecisionControlTest.cpp - the arithmetic ignores the x87 precision control.
//
// Shell extensions loaded by the open dialog may switch the x87 FPU to
// 53-bit precision inside the viewer's process. Our results must not move.
#include <gtest/gtest.h>

#include <cstdint>

#include "tests/core/VectorChecks.h"

namespace {

#if (defined(__i386__) || defined(__x86_64__)) && (defined(__GNUC__) || defined(__clang__))
constexpr bool kHasX87 = true;

std::uint16_t ControlWord() {
    std::uint16_t word = 0;
    __asm__ volatile("fnstcw %0" : "=m"(word));
    return word;
}

void SetControlWord(std::uint16_t word) { __asm__ volatile("fldcw %0" : : "m"(word)); }
#else
constexpr bool kHasX87 = false;
std::uint16_t ControlWord() { return 0; }
void SetControlWord(std::uint16_t) {}
#endif

constexpr std::uint16_t kPrecisionMask = 0x0300;
constexpr std::uint16_t kPrecision53 = 0x0200;

// Switches the precision control for one scope.
class TPrecisionScope {
public:
    explicit TPrecisionScope(std::uint16_t precision) : FSaved(ControlWord()) {
        SetControlWord(static_cast<std::uint16_t>((FSaved & ~kPrecisionMask) | precision));
    }
    ~TPrecisionScope() { SetControlWord(FSaved); }
    TPrecisionScope(const TPrecisionScope&) = delete;
    TPrecisionScope& operator=(const TPrecisionScope&) = delete;

private:
    std::uint16_t FSaved;
};

TEST(PrecisionControl, VectorsHoldWithFullPrecision) { rulv::vectors::CheckAllVectors(); }

TEST(PrecisionControl, VectorsHoldWith53BitPrecision) {
    if (!kHasX87) GTEST_SKIP() << "no x87 FPU on this CPU";
    TPrecisionScope scope(kPrecision53);
    ASSERT_EQ(ControlWord() & kPrecisionMask, kPrecision53);
    // The switch is real: an extended addition now keeps only 53 bits.
    volatile long double sum = 1.0L;
    volatile long double tiny = 0x1p-60L;
    sum = sum + tiny;
    if (sizeof(long double) > sizeof(double)) {
        EXPECT_EQ(sum, 1.0L);
    }
    rulv::vectors::CheckAllVectors();
}

}  // namespace
