// ExtendedTest.cpp - the 64-bit-significand steps in integer arithmetic.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "tests/core/VectorChecks.h"
#include "common/Errors.h"
#include "common/Extended.h"
#include "common/NumberText.h"

namespace rulv {
namespace {

TEST(Extended, ReferenceVectors) { vectors::CheckAllVectors(); }

// The product of the stored double 0.1 and 5 lies just above one half: it
// rounds to 1, where a product first rounded to a double would give 0.
TEST(Extended, ProductIsNotRoundedToDoubleFirst) {
    EXPECT_EQ(RoundedProduct(5, 0.1), 1);
    EXPECT_EQ(std::nearbyint(5 * 0.1), 0.0);
}

TEST(Extended, ProductTiesGoToEven) {
    const struct {
        std::int64_t factor;
        double value;
        std::int64_t expected;
    } rows[] = {{1, 0.5, 0}, {3, 0.5, 2}, {5, 0.5, 2}, {7, 0.5, 4}, {1, -0.5, 0}, {3, -0.5, -2}, {1, 1.5, 2}};
    for (const auto& row : rows) EXPECT_EQ(RoundedProduct(row.factor, row.value), row.expected) << row.factor;
}

TEST(Extended, ProductBeyond64BitsIsInvalid) {
    EXPECT_THROW(RoundedProduct(1, 0x1p63), EInvalidOp);
    EXPECT_EQ(RoundedProduct(-1, 0x1p63), std::numeric_limits<std::int64_t>::min());
    EXPECT_THROW(RoundedProduct(2, 0x1p62), EInvalidOp);
    EXPECT_THROW(RoundedProduct(1, std::numeric_limits<double>::infinity()), EInvalidOp);
    EXPECT_THROW(RoundedProduct(1, std::numeric_limits<double>::quiet_NaN()), EInvalidOp);
    EXPECT_EQ(RoundedProduct(0, 1e300), 0);
}

TEST(Extended, QuotientByZeroFails) {
    EXPECT_THROW(ExtendedQuotient(255, 0), EZeroDivide);
    EXPECT_THROW(ExtendedQuotient(0, 0), EInvalidOp);
    EXPECT_THROW(TruncatedQuotient(3, 0.0), EZeroDivide);
    EXPECT_THROW(TruncatedQuotient(0, 0.0), EInvalidOp);
}

TEST(Extended, ToDoubleRoundsTiesToEvenAndDetectsOverflow) {
    // 2^53 + 1 lies halfway between two doubles: it goes to the even one.
    EXPECT_EQ(ToDouble(ExtendedQuotient((std::int64_t{1} << 53) + 1, 1)), 0x1p53);
    EXPECT_EQ(ToDouble(ExtendedQuotient((std::int64_t{1} << 53) + 3, 1)), 0x1p53 + 4);
    TExtended huge{false, std::uint64_t{1} << 63, 1024 - 63};
    EXPECT_THROW(ToDouble(huge), EOverflow);
    TExtended largest{false, 0xFFFFFFFFFFFFF800u, 1024 - 64};
    EXPECT_EQ(ToDouble(largest), std::numeric_limits<double>::max());
    TExtended roundsUpToInfinity{false, 0xFFFFFFFFFFFFFC00u, 1024 - 64};
    EXPECT_THROW(ToDouble(roundsUpToInfinity), EOverflow);
    TExtended leastSubnormal{false, std::uint64_t{1} << 63, -1074 - 63};
    EXPECT_EQ(ToDouble(leastSubnormal), std::numeric_limits<double>::denorm_min());
    TExtended halfLeastSubnormal{false, std::uint64_t{1} << 63, -1075 - 63};
    EXPECT_EQ(ToDouble(halfLeastSubnormal), 0.0);
}

// Where the hardware has an x87 FPU at full precision, random inputs must
// agree with it bit for bit.
bool HardwareHasExtended() {
    if (std::numeric_limits<long double>::digits != 64) return false;
    volatile long double sum = 1.0L;
    volatile long double tiny = 0x1p-60L;
    sum = sum + tiny;
    return sum != 1.0L;
}

TEST(Extended, AgreesWithX87OnRandomQuotientsAndProducts) {
    if (!HardwareHasExtended()) GTEST_SKIP() << "no 64-bit-significand long double here";
    std::mt19937_64 random(20261208);
    std::uniform_int_distribution<std::int64_t> numerators(-255, 255);
    std::uniform_int_distribution<std::int64_t> denominators(1, 100000000);
    std::uniform_int_distribution<std::int64_t> factors(0, 2147483646);
    for (int i = 0; i < 20000; ++i) {
        const std::int64_t a = numerators(random);
        const std::int64_t b = denominators(random);
        const long double quotient = static_cast<long double>(a) / static_cast<long double>(b);
        const double stored = static_cast<double>(quotient);
        ASSERT_EQ(std::bit_cast<std::uint64_t>(StoredQuotient(a, b)), std::bit_cast<std::uint64_t>(stored))
            << a << " / " << b;
        const std::int64_t k = factors(random) % (b + 1);
        const long double product = static_cast<long double>(k) * static_cast<long double>(stored);
        ASSERT_EQ(RoundedProduct(k, stored), std::llrint(product)) << k << " * " << stored;
    }
}

TEST(Extended, AgreesWithX87OnRandomColumnMappings) {
    if (!HardwareHasExtended()) GTEST_SKIP() << "no 64-bit-significand long double here";
    std::mt19937 random(427);
    std::uniform_int_distribution<std::int32_t> widths(1, 8000);
    std::uniform_int_distribution<std::int32_t> counts(1, 2000000);
    for (int i = 0; i < 20000; ++i) {
        const std::int32_t width = widths(random);
        const std::int32_t count = counts(random);
        const std::int32_t x = std::uniform_int_distribution<std::int32_t>(-50, width + 50)(random);
        const double scale = static_cast<double>(static_cast<long double>(width) / count);
        const auto expected = static_cast<std::int64_t>(static_cast<long double>(x) / scale);
        ASSERT_EQ(TruncatedQuotient(x, scale), expected) << x << " W=" << width << " n=" << count;
    }
}

TEST(Extended, ParseRealAgreesWithStrtoldOnRandomDecimals) {
    if (!HardwareHasExtended()) GTEST_SKIP() << "no 64-bit-significand long double here";
    std::mt19937 random(7);
    for (int i = 0; i < 20000; ++i) {
        const int digits = std::uniform_int_distribution<int>(1, 30)(random);
        std::string text;
        for (int d = 0; d < digits; ++d) text.push_back(static_cast<char>('0' + random() % 10));
        // One character inserted and appended at a time: GCC 12 at -O3 takes
        // insert(pos, "."), and "e" + text, for overlapping copies (a false
        // -Wrestrict, GCC bug 105651).
        text.insert(text.begin() + static_cast<std::ptrdiff_t>(random() % (text.size() + 1)), '.');
        text += 'e';
        text += std::to_string(std::uniform_int_distribution<int>(-320, 300)(random));
        const long double expected = std::strtold(text.c_str(), nullptr);
        const TExtended value = ParseReal(text, '.');
        const long double actual = std::ldexp(static_cast<long double>(value.significand), value.exponent);
        ASSERT_EQ(actual, expected) << text;
    }
}

}  // namespace
}  // namespace rulv
