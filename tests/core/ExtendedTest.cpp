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
#include <vector>

#include "tests/core/VectorChecks.h"
#include "common/Errors.h"
#include "common/Extended.h"
#include "common/ExtendedDetail.h"
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

// The wide division of the quotients, through the compiler's 128-bit
// integers, against the plain bit-by-bit one and against q * d + r.
TEST(Extended, WideDivisionIsThePlainOne) {
    constexpr std::uint64_t kMax = ~std::uint64_t{0};
    std::mt19937_64 random(7);
    std::vector<std::uint64_t> divisors = {1, 2, 3, 10, 1000000000000000000u, std::uint64_t{1} << 63, kMax};
    for (int i = 0; i < 100; ++i) divisors.push_back(random() | 1u);
    for (const std::uint64_t divisor : divisors) {
        for (const std::uint64_t high : {std::uint64_t{0}, divisor / 2, divisor - 1, random() % divisor}) {
            for (const std::uint64_t low : {std::uint64_t{0}, kMax, random()}) {
                std::uint64_t fast = 0, plain = 0;
                const std::uint64_t quotient = detail::DivideWide(high, low, divisor, fast);
                ASSERT_EQ(quotient, detail::DivideWidePortable(high, low, divisor, plain)) << high << ":" << low;
                ASSERT_EQ(fast, plain) << high << ":" << low << " / " << divisor;
                ASSERT_LT(plain, divisor);
                // q * d + r is the dividend: check the high word through the product's parts.
                const detail::U128 product = detail::Multiply(quotient, divisor);
                const std::uint64_t lowSum = product.lo + plain;
                ASSERT_EQ(lowSum, low);
                ASSERT_EQ(product.hi + (lowSum < product.lo ? 1u : 0u), high);
            }
        }
    }
}

// The products of a short #LINE run, worked out one by one, against the
// general routine: random steps of every size, halves (ties), tiny and
// subnormal steps, and the edges of what counts as short.
TEST(Extended, ShortRunProductsAreTheGeneralOnes) {
    std::mt19937_64 random(11);
    std::vector<double> steps = {0.0, -0.0, 0.5, -0.5, 1.5, 2.5, 0.1, -0.1, 1.0 / 3, 255.0 / 7, 0x1p-60,
                                 0x1p-64, 0x1.8p-64, std::numeric_limits<double>::denorm_min(),
                                 std::nextafter(TShortProductRun::kMaxStep, 0.0), -std::nextafter(TShortProductRun::kMaxStep, 0.0)};
    std::uniform_real_distribution<double> exponent(-70, 39);
    for (int i = 0; i < 300; ++i) {
        const double magnitude = std::ldexp(1.0 + static_cast<double>(random() % 1000) / 1000, static_cast<int>(exponent(random)));
        steps.push_back(random() % 2 == 0 ? magnitude : -magnitude);
    }
    for (const double step : steps) {
        ASSERT_TRUE(TShortProductRun::Fits(step, TShortProductRun::kMaxFactor)) << step;
        const TShortProductRun run(step);
        for (std::int64_t k = 0; k < TShortProductRun::kMaxFactor; ++k) {
            ASSERT_EQ(run.Value(k), RoundedProduct(k, step)) << std::hexfloat << step << " k " << k;
        }
    }
    EXPECT_FALSE(TShortProductRun::Fits(1.0, TShortProductRun::kMaxFactor + 1));
    EXPECT_FALSE(TShortProductRun::Fits(TShortProductRun::kMaxStep, 3));
    EXPECT_FALSE(TShortProductRun::Fits(std::numeric_limits<double>::quiet_NaN(), 3));
    EXPECT_FALSE(TShortProductRun::Fits(-std::numeric_limits<double>::infinity(), 3));
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
