// ProductSeriesTest.cpp - TRoundedProductSeries against RoundedProduct.
//
// RoundedProduct works every product out on its own and is the reference:
// the series must give the same value at every k, raise (InvalidFrom) at
// the same k, and find the same ends of runs as a plain scan. The inputs
// aim at what the series does differently: products near halfway points,
// where the rounding to a 64-bit significand decides, products near 2^63,
// and steps of every size and kind.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "tests/core/ArithmeticVectors.h"
#include "common/Errors.h"
#include "common/Extended.h"

namespace rulv {
namespace {

constexpr std::int64_t kLargestCount = 2147483647;  // the largest count a line can give
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// RoundedProduct(k, step), or nothing where it raises EInvalidOp.
std::optional<std::int64_t> Reference(std::int64_t k, double step) {
    try {
        return RoundedProduct(k, step);
    } catch (const EInvalidOp&) {
        return std::nullopt;
    }
}

std::string Describe(double step, std::int64_t k) {
    char text[80];
    std::snprintf(text, sizeof text, "step %a, k %lld", step, static_cast<long long>(k));
    return text;
}

// The series' value at k as the reference would give it: nothing from
// InvalidFrom() on.
std::optional<std::int64_t> SeriesValue(const TRoundedProductSeries& series) {
    if (series.Index() >= series.InvalidFrom()) return std::nullopt;
    return series.Value();
}

// InvalidFrom() is the first k that raises: the one before it does not.
void ExpectInvalidFromIsExact(double step, std::int64_t count) {
    const TRoundedProductSeries series(step, count);
    const std::int64_t first = series.InvalidFrom();
    ASSERT_GE(first, 0) << Describe(step, count);
    ASSERT_LE(first, count) << Describe(step, count);
    if (first > 0) {
        EXPECT_TRUE(Reference(first - 1, step).has_value()) << Describe(step, first - 1);
    }
    if (first < count) {
        EXPECT_FALSE(Reference(first, step).has_value()) << Describe(step, first);
    }
}

// From k = start, `steps` values by Advance, each against the reference.
void ExpectRunMatches(double step, std::int64_t count, std::int64_t start, std::int64_t steps) {
    TRoundedProductSeries series(step, count);
    series.SkipTo(start);
    for (std::int64_t i = 0; i < steps && series.Index() < series.InvalidFrom(); ++i) {
        ASSERT_EQ(SeriesValue(series), Reference(series.Index(), step)) << Describe(step, series.Index());
        series.Advance();
    }
    if (series.Index() == series.InvalidFrom() && series.Index() < count) {
        EXPECT_FALSE(Reference(series.Index(), step).has_value()) << Describe(step, series.Index());
    }
}

// --- Reference rows ----------------------------------------------------------

// The rows taken from an x87 FPU, through the series (a negative factor
// with the step's sign turned: both roundings are symmetric).
TEST(ProductSeries, ReferenceRows) {
    for (const auto& row : vectors::kProducts) {
        const double step = row.factor < 0 ? -row.value : row.value;
        const std::int64_t k = row.factor < 0 ? -row.factor : row.factor;
        TRoundedProductSeries series(step, k + 1);
        series.SkipTo(k);
        EXPECT_EQ(SeriesValue(series), std::optional<std::int64_t>(row.rounded)) << row.factor << " * " << row.value;
        if (k > 0) {
            series.SkipTo(k - 1);
            series.Advance();
            EXPECT_EQ(SeriesValue(series), std::optional<std::int64_t>(row.rounded)) << row.factor << " * " << row.value;
        }
    }
}

// --- Halfway points ----------------------------------------------------------

// Steps whose products land on halfway points or next to them: exact
// halves, decimals that are not exact in binary (0.1 * 5 lies just above
// one half and rounds to 1), and the same a few units in the last place off.
TEST(ProductSeries, StepsWithTies) {
    const double bases[] = {0.5, 1.5, 2.5, 0.1, 0.3, 0.7, 0.05, 1.0 / 3, 2.0 / 3, 127.5, 0.25, 0.125, 0x1.8p-20,
                            25.5, 12.75, 0.0255, 255.0 / 10000000, 1.0 / 1024, 3.0 / 7};
    for (const double base : bases) {
        for (int ulps = -2; ulps <= 2; ++ulps) {
            double step = base;
            for (int i = 0; i < ulps; ++i) step = std::nextafter(step, kInfinity);
            for (int i = 0; i > ulps; --i) step = std::nextafter(step, -kInfinity);
            for (const double signedStep : {step, -step}) {
                ExpectRunMatches(signedStep, 1 << 16, 0, 1 << 14);
                ExpectRunMatches(signedStep, kLargestCount, kLargestCount - 4000, 4000);
                ExpectRunMatches(signedStep, kLargestCount, 1 << 24, 3000);
                ExpectRunMatches(signedStep, std::int64_t{1} << 40, (std::int64_t{1} << 40) - 2000, 2000);
            }
        }
    }
}

std::uint64_t InverseOfOdd(std::uint64_t odd) {
    std::uint64_t inverse = odd;  // right to 3 bits; each step doubles them
    for (int i = 0; i < 5; ++i) inverse *= 2 - odd * inverse;
    return inverse;
}

// The bit width of a * b.
int ProductWidth(std::uint64_t a, std::uint64_t b) {
    const std::uint64_t aLo = a & 0xFFFFFFFFu, aHi = a >> 32, bLo = b & 0xFFFFFFFFu, bHi = b >> 32;
    const std::uint64_t middle = ((aLo * bLo) >> 32) + (aLo * bHi & 0xFFFFFFFFu) + (aHi * bLo & 0xFFFFFFFFu);
    const std::uint64_t hi = aHi * bHi + (aLo * bHi >> 32) + (aHi * bLo >> 32) + (middle >> 32);
    return hi != 0 ? 64 + static_cast<int>(std::bit_width(hi)) : static_cast<int>(std::bit_width(a * b));
}

// Products built to lie within a few units of a halfway point: on it, at
// the edges of the reach of the rounding to 64 bits, and just beyond.
TEST(ProductSeries, ProductsBuiltNextToHalfwayPoints) {
    std::mt19937_64 random(2718281828);
    constexpr std::uint64_t kMantissaMask = (std::uint64_t{1} << 53) - 1;
    int built = 0;
    for (int trial = 0; trial < 1000000 && built < 150000; ++trial) {
        const auto k = (random() % static_cast<std::uint64_t>(kLargestCount)) | 1;
        const int f = 1 + static_cast<int>(random() % 52);
        // The mantissa m: random bits from f up, bit 52 set; its low f bits
        // follow below. k * m has L bits; the rounding to 64 bits drops
        // s = L - 64 of them and so reaches 2^(s - 1) either way.
        const std::uint64_t top = ((random() >> f << f) | (std::uint64_t{1} << 52)) & kMantissaMask;
        const int s = ProductWidth(k, top) - 64;
        if (s < 1 || s > f - 1) continue;  // no rounding, or the product does not fit 64 bits
        const std::int64_t reach = std::int64_t{1} << (s - 1);
        const std::int64_t offsets[] = {0, 1, -1, reach, reach + 1, reach - 1, -reach, -reach + 1, -reach - 1,
                                        2 * reach, -2 * reach};
        const std::int64_t offset = offsets[random() % std::size(offsets)];
        // k * m = 2^(f-1) + offset (mod 2^f); k is odd, so the low bits of m follow.
        const std::uint64_t mask = (std::uint64_t{1} << f) - 1;
        const std::uint64_t target = ((std::uint64_t{1} << (f - 1)) + static_cast<std::uint64_t>(offset)) & mask;
        const std::uint64_t m = top | ((InverseOfOdd(k) * target) & mask);
        if (ProductWidth(k, m) - 64 != s) continue;
        const double step = std::ldexp(static_cast<double>(m), -f) * (random() % 2 == 0 ? 1 : -1);
        const auto index = static_cast<std::int64_t>(k);
        ++built;
        TRoundedProductSeries series(step, kLargestCount);
        series.SkipTo(index);
        ASSERT_EQ(SeriesValue(series), Reference(index, step)) << Describe(step, index) << " offset " << offset;
        series.SkipTo(index - 1);
        series.Advance();
        ASSERT_EQ(SeriesValue(series), Reference(index, step)) << Describe(step, index) << " offset " << offset;
    }
    EXPECT_GT(built, 100000);
}

// --- Random steps ------------------------------------------------------------

// A double from random bits with its exponent in [low, high]: every
// mantissa pattern, both signs.
double RandomStep(std::mt19937_64& random, int low, int high) {
    const int exponent = low + static_cast<int>(random() % static_cast<std::uint64_t>(high - low + 1));
    const std::uint64_t field = static_cast<std::uint64_t>(exponent) + 1023;
    const std::uint64_t bits = (random() & ((std::uint64_t{1} << 52) - 1)) | (field << 52) | (random() << 63);
    return std::bit_cast<double>(bits);
}

TEST(ProductSeries, RandomPairs) {
    std::mt19937_64 random(31415926);
    for (int i = 0; i < 2000000; ++i) {
        // Mostly products that fit, some near 2^63 and past it.
        const double step = RandomStep(random, -80, 40);
        const std::int64_t count = 1 + static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(kLargestCount));
        const std::int64_t k = static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(count));
        TRoundedProductSeries series(step, count);
        series.SkipTo(k);
        ASSERT_EQ(SeriesValue(series), Reference(k, step)) << Describe(step, k);
    }
}

TEST(ProductSeries, RandomSequences) {
    std::mt19937_64 random(161803398);
    for (int i = 0; i < 2000; ++i) {
        const double step = RandomStep(random, -70, 10);
        const std::int64_t count = 1 + static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(kLargestCount));
        const std::int64_t start =
            static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(count)) / (i % 2 == 0 ? 1 : 4096);
        ExpectRunMatches(step, count, start, 1500);
    }
}

// Steps with short mantissas: exact sums, and ties wherever they can be.
TEST(ProductSeries, ShortMantissas) {
    std::mt19937_64 random(1414213);
    for (int i = 0; i < 3000; ++i) {
        const std::int64_t numerator = static_cast<std::int64_t>(random() % 2000) - 1000;
        const double step = std::ldexp(static_cast<double>(numerator), -static_cast<int>(random() % 40));
        const std::int64_t count = 1 + static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(kLargestCount));
        const std::int64_t start = static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(count));
        ExpectRunMatches(step, count, start, 500);
    }
}

// Fill gives what Value and Advance give, block after block, and leaves
// the series where Advance would.
TEST(ProductSeries, FillMatchesTheReference) {
    std::mt19937_64 random(12345);
    std::vector<std::int64_t> values(700);
    for (int i = 0; i < 1000; ++i) {
        const double step = i % 3 == 0 ? std::ldexp(static_cast<double>(random() % 64) - 32, -static_cast<int>(random() % 8))
                                       : RandomStep(random, -60, 20);
        const std::int64_t count = 1 + static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(kLargestCount));
        TRoundedProductSeries series(step, count);
        const std::int64_t valid = series.InvalidFrom();
        series.SkipTo(static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(valid + 1)));
        for (int block = 0; block < 3; ++block) {
            const std::int64_t start = series.Index();
            const std::int64_t length = std::min<std::int64_t>(valid - start, 1 + static_cast<std::int64_t>(random() % 700));
            values.assign(values.size(), std::numeric_limits<std::int64_t>::min() + 12345);  // "not written"
            series.Fill(values.data(), length);
            ASSERT_EQ(series.Index(), start + length);
            for (std::int64_t j = 0; j < length; ++j) {
                ASSERT_EQ(values[static_cast<std::size_t>(j)], RoundedProduct(start + j, step)) << Describe(step, start + j);
            }
            if (series.Index() < valid) {
                ASSERT_EQ(series.Value(), RoundedProduct(series.Index(), step)) << Describe(step, series.Index());
            }
        }
    }
}

// The add-with-carry of the series' step against the plain C++ sum.
TEST(ProductSeries, AddWithCarryIsThePlainSum) {
    constexpr std::uint64_t kMax = ~std::uint64_t{0};
    std::mt19937_64 random(99);
    std::vector<std::uint64_t> words = {0, 1, 2, kMax, kMax - 1, std::uint64_t{1} << 63, (std::uint64_t{1} << 63) - 1};
    for (int i = 0; i < 200; ++i) words.push_back(random());
    for (const std::uint64_t a : words) {
        for (const std::uint64_t b : words) {
            for (const std::uint64_t carryIn : {std::uint64_t{0}, std::uint64_t{1}}) {
                std::uint64_t fast = carryIn, plain = carryIn;
                ASSERT_EQ(detail::AddWithCarry(a, b, fast), detail::AddWithCarryPortable(a, b, plain)) << a << " " << b;
                ASSERT_EQ(fast, plain) << a << " + " << b << " + " << carryIn;
                // The carry out is bit 64 of the true sum.
                const bool expected = b > kMax - a || (carryIn != 0 && a + b == kMax);
                ASSERT_EQ(plain, expected ? 1u : 0u) << a << " + " << b << " + " << carryIn;
            }
        }
    }
}

// --- Sizes at the edges ------------------------------------------------------

TEST(ProductSeries, ZeroAndTinyStepsGiveZero) {
    const double steps[] = {0.0, -0.0, std::numeric_limits<double>::denorm_min(),
                            -std::numeric_limits<double>::denorm_min(), 0x0.fffffffffffffp-1022,
                            std::numeric_limits<double>::min(), -std::numeric_limits<double>::min(), 0x1p-100,
                            0x1p-127, 0x1.fffffffffffffp-64};
    for (const double step : steps) {
        TRoundedProductSeries series(step, std::numeric_limits<std::int64_t>::max());
        EXPECT_EQ(series.InvalidFrom(), std::numeric_limits<std::int64_t>::max()) << Describe(step, 0);
        for (const std::int64_t k : {std::int64_t{0}, std::int64_t{1}, kLargestCount, std::int64_t{1} << 62}) {
            series.SkipTo(k);
            EXPECT_EQ(SeriesValue(series), Reference(k, step)) << Describe(step, k);
        }
        ExpectRunMatches(step, kLargestCount, kLargestCount - 100, 100);
    }
}

TEST(ProductSeries, NonFiniteStepsRaiseAtOnce) {
    for (const double step : {kInfinity, -kInfinity, std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_EQ(TRoundedProductSeries(step, 10).InvalidFrom(), 0) << step;
        EXPECT_FALSE(Reference(0, step).has_value()) << step;
        EXPECT_EQ(TRoundedProductSeries(step, 0).InvalidFrom(), 0) << step;
    }
}

TEST(ProductSeries, EmptySeries) {
    EXPECT_EQ(TRoundedProductSeries(1.5, 0).InvalidFrom(), 0);
    EXPECT_EQ(TRoundedProductSeries(1.5, -3).InvalidFrom(), 0);
    EXPECT_EQ(TRoundedProductSeries(1e300, 1).InvalidFrom(), 1);  // k = 0 alone gives 0
}

// Products at 2^63: a positive one raises there, a negative one may still
// be the least 64-bit integer. InvalidFrom() must name the exact k.
TEST(ProductSeries, InvalidFromIsTheFirstRaisingIndex) {
    const double fixed[] = {0x1p63, -0x1p63, 0x1.fffffffffffffp62, -0x1.fffffffffffffp62, 0x1p62, -0x1p62, 1e300,
                            -1e300, std::numeric_limits<double>::max(), 0x1p32, -0x1p32, 4294967296.5, 1.5, -1.5};
    for (const double step : fixed) {
        for (const std::int64_t count : {std::int64_t{1}, std::int64_t{2}, std::int64_t{3}, kLargestCount,
                                         std::numeric_limits<std::int64_t>::max()}) {
            ExpectInvalidFromIsExact(step, count);
        }
    }
    // Steps of 2^63 / K and their neighbours: the boundary falls at K.
    std::mt19937_64 random(57721566);
    for (int i = 0; i < 3000; ++i) {
        const std::int64_t bound = 2 + static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(kLargestCount));
        double step = 0x1p63 / static_cast<double>(bound);
        const int ulps = static_cast<int>(random() % 7) - 3;
        for (int u = 0; u < ulps; ++u) step = std::nextafter(step, kInfinity);
        for (int u = 0; u > ulps; --u) step = std::nextafter(step, 0.0);
        if (random() % 2 == 0) step = -step;
        ExpectInvalidFromIsExact(step, kLargestCount);
        const TRoundedProductSeries series(step, kLargestCount);
        const std::int64_t first = series.InvalidFrom();
        ExpectRunMatches(step, kLargestCount, first > 50 ? first - 50 : 0, 60);
    }
}

// k * m * 2^-f just above 2^63 by at most half a unit of the 64-bit
// significand rounds to 2^63 exactly: a negative step still gives the
// least 64-bit integer there, and the series' band must cover its whole
// length right up to that k, ties included.
TEST(ProductSeries, NegativeProductsThatRoundToTheLeastInteger) {
    std::mt19937_64 random(4669201);
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    int built = 0;
    for (int trial = 0; trial < 20000 && built < 200; ++trial) {
        const int f = 1 + static_cast<int>(random() % 12);
        const std::uint64_t m = ((std::uint64_t{1} << f) + 1 + random() % (std::uint64_t{3} << f)) | 1;
        // 2^(63+f) = m * (q1 * 2^f + q2) + r2; k is the next multiple's factor.
        const std::uint64_t q1 = (std::uint64_t{1} << 63) / m, r1 = (std::uint64_t{1} << 63) % m;
        const std::uint64_t q2 = (r1 << f) / m, r2 = (r1 << f) % m;
        if (r2 == 0 || m - r2 > (std::uint64_t{1} << (f - 1))) continue;
        const auto k = static_cast<std::int64_t>((q1 << f) + q2 + 1);
        const double step = -std::ldexp(static_cast<double>(m), -f);
        ++built;
        ASSERT_EQ(Reference(k, step), std::optional<std::int64_t>(std::numeric_limits<std::int64_t>::min()))
            << Describe(step, k);
        ExpectInvalidFromIsExact(step, kMax);
        ExpectRunMatches(step, kMax, k - 300, 302);
        // Ties far below: k * m = 2^(f-1) (mod 2^f).
        const std::uint64_t tie = (InverseOfOdd(m) << (f - 1)) & ((std::uint64_t{1} << f) - 1);
        for (const std::uint64_t j : {std::uint64_t{0}, std::uint64_t{1} << 20, std::uint64_t{1} << 40}) {
            ExpectRunMatches(step, kMax, static_cast<std::int64_t>(tie + (j << f)), 3);
        }
    }
    EXPECT_GE(built, 200);
}

// --- Runs --------------------------------------------------------------------

// The end of the run by a plain scan with the reference.
std::int64_t ScannedNextChange(double step, std::int64_t k, std::int64_t limit) {
    const std::optional<std::int64_t> value = Reference(k, step);
    std::int64_t j = k + 1;
    while (j < limit) {
        const std::optional<std::int64_t> next = Reference(j, step);
        if (!next.has_value() || next != value) break;
        ++j;
    }
    return j;
}

TEST(ProductSeries, NextChangeAgreesWithAScan) {
    std::mt19937_64 random(69314718);
    for (int i = 0; i < 4000; ++i) {
        // Runs up to a few thousand long: gradient steps and random ones.
        double step;
        if (i % 2 == 0) {
            const std::int64_t difference = static_cast<std::int64_t>(random() % 511) - 255;
            step = StoredQuotient(difference, 1 + static_cast<std::int64_t>(random() % 2000000));
        } else {
            step = RandomStep(random, -12, 4);
        }
        const std::int64_t count = 1 + static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(kLargestCount));
        TRoundedProductSeries series(step, count);
        const std::int64_t start = static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(count));
        if (start >= series.InvalidFrom()) continue;
        series.SkipTo(start);
        const std::int64_t limit = std::min(count, start + 1 + static_cast<std::int64_t>(random() % 6000));
        const std::int64_t scanned = ScannedNextChange(step, start, std::min(limit, series.InvalidFrom()));
        ASSERT_EQ(series.NextChange(limit), scanned) << Describe(step, start) << " limit " << limit;
    }
}

// Near 2^63 a run ends where the products start to raise.
TEST(ProductSeries, NextChangeStopsAtInvalidFrom) {
    for (const double step : {1.25, -1.25, 0x1.0000000000001p0, -0x1.0000000000001p0, 3e9, -3e9}) {
        const TRoundedProductSeries probe(step, std::numeric_limits<std::int64_t>::max());
        const std::int64_t first = probe.InvalidFrom();
        ASSERT_LT(first, std::numeric_limits<std::int64_t>::max()) << step;
        TRoundedProductSeries series(step, std::numeric_limits<std::int64_t>::max());
        for (std::int64_t k = std::max<std::int64_t>(0, first - 3000); k < first; k += 37) {
            series.SkipTo(k);
            ASSERT_EQ(series.NextChange(std::numeric_limits<std::int64_t>::max()), ScannedNextChange(step, k, first))
                << Describe(step, k);
        }
    }
}

// A whole gradient channel by runs: every colour of every run against the
// reference, and the runs end exactly where the value changes.
TEST(ProductSeries, GradientByRunsMatchesEveryColor) {
    constexpr std::int64_t kColors = 10000000;
    for (const std::int64_t difference : {255, -255, 1}) {
        const double step = StoredQuotient(difference, kColors);
        TRoundedProductSeries series(step, kColors);
        std::int64_t runs = 0;
        while (series.Index() < kColors) {
            const std::int64_t value = series.Value();
            const std::int64_t end = series.NextChange(kColors);
            for (std::int64_t k = series.Index(); k < end; k += (k % 97 == 0 ? 1 : 13)) {
                ASSERT_EQ(RoundedProduct(k, step), value) << Describe(step, k);
            }
            ASSERT_EQ(RoundedProduct(end - 1, step), value) << Describe(step, end - 1);
            if (end < kColors) {
                ASSERT_NE(RoundedProduct(end, step), value) << Describe(step, end);
            }
            series.SkipTo(end);
            ++runs;
        }
        EXPECT_EQ(runs, (difference < 0 ? -difference : difference) + 1) << difference;
    }
}

}  // namespace
}  // namespace rulv
