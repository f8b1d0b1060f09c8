// GeneratedRunTest.cpp - #GRAD and #LINE runs as the reader makes them
// (runs of equal colours, blocks of products from a series) against the
// plain rule, one exact product per channel and colour: the same colours,
// and for a run that leaves 64 bits the same channel and colour index k.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "colormap/ColorMap.h"
#include "common/Errors.h"
#include "common/Extended.h"
#include "common/NumberText.h"

namespace rulv {
namespace {

// What the plain rule gives: the colours, or where the first sum leaves 64
// bits (channel and k, in the order k, then red, green, blue).
struct TRun {
    TPaletteArray Colors;
    bool Faulty = false;
    TChannel Channel = TChannel::Red;
    std::int64_t K = 0;
};

std::int32_t Clamped(std::int64_t value) { return value < 0 ? 0 : (value > 255 ? 255 : static_cast<std::int32_t>(value)); }

TRun PlainGradient(const int (&start)[3], const int (&end)[3], std::int32_t count) {
    TRun run;
    double steps[3];
    for (int c = 0; c < 3; ++c) steps[c] = StoredQuotient(end[c] - start[c], count);
    for (std::int32_t k = 0; k < count; ++k) {
        std::int32_t channels[3];
        for (int c = 0; c < 3; ++c) channels[c] = Clamped(start[c] + RoundedProduct(k, steps[c]));
        run.Colors.push_back(PackColor(channels[0], channels[1], channels[2]));
    }
    return run;
}

TRun PlainLinear(const std::int32_t (&start)[3], const double (&slope)[3], std::int32_t count) {
    TRun run;
    for (std::int32_t k = 0; k < count; ++k) {
        std::int32_t channels[3];
        for (int c = 0; c < 3; ++c) {
            std::int64_t sum = 0;
            bool beyond = false;
            try {
                beyond = __builtin_add_overflow(std::int64_t{start[c]}, RoundedProduct(k, slope[c]), &sum);
            } catch (const EInvalidOp&) {
                beyond = true;
            }
            if (beyond) {
                run.Faulty = true;
                run.Channel = static_cast<TChannel>(c);
                run.K = k;
                return run;
            }
            const std::int64_t remainder = sum % 256;  // takes the sign of the sum
            channels[c] = remainder < 0 ? 0 : static_cast<std::int32_t>(remainder);
        }
        run.Colors.push_back(PackColor(channels[0], channels[1], channels[2]));
    }
    return run;
}

// The reader's run of `line`: its colours, or its fault.
TRun Parsed(const std::string& line) {
    TRun run;
    TPalette palette('.');
    try {
        palette.ParseLine(line);
    } catch (const ELineFault& fault) {
        EXPECT_EQ(fault.Fault().Kind, TLineFaultKind::ProductTooLarge) << line;
        run.Faulty = true;
        run.Channel = fault.Fault().Channel;
        run.K = fault.Fault().Index;
        return run;
    }
    palette.CopyTo(run.Colors);
    return run;
}

void ExpectSameRun(const TRun& parsed, const TRun& plain, const std::string& line) {
    ASSERT_EQ(parsed.Faulty, plain.Faulty) << line;
    if (plain.Faulty) {
        EXPECT_EQ(parsed.Channel, plain.Channel) << line;
        EXPECT_EQ(parsed.K, plain.K) << line;
        return;
    }
    ASSERT_EQ(parsed.Colors.size(), plain.Colors.size()) << line;
    for (std::size_t k = 0; k < plain.Colors.size(); ++k) {
        ASSERT_EQ(parsed.Colors[k], plain.Colors[k]) << line << " at k = " << k;
    }
}

std::string Hex(const int (&channels)[3]) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X%02X", channels[0], channels[1], channels[2]);
    return text;
}

// A double as decimal text, and the double the reader makes of that text
// (rounded to 64 bits, then to 53: now and then one off the first).
std::string Decimal(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}
double AsRead(double value) { return ToDouble(ParseReal(Decimal(value), '.')); }

TEST(GeneratedRun, GradientsGiveTheColorsOfThePlainRule) {
    std::mt19937_64 random(20261208);
    const std::int32_t counts[] = {1, 2, 3, 7, 10, 255, 256, 1000, 4096, 65535, 100000};
    for (int trial = 0; trial < 400; ++trial) {
        int start[3], end[3];
        for (int c = 0; c < 3; ++c) {
            start[c] = static_cast<int>(random() % 256);
            // Often equal, often an end of the range: flat and full channels.
            const int pick = static_cast<int>(random() % 4);
            end[c] = pick == 0 ? start[c] : pick == 1 ? 255 * static_cast<int>(random() % 2) : static_cast<int>(random() % 256);
        }
        const std::int32_t count =
            trial % 3 == 0 ? counts[random() % std::size(counts)] : static_cast<std::int32_t>(1 + random() % 3000);
        const std::string line = "#GRAD " + Hex(start) + "," + Hex(end) + "," + std::to_string(count);
        ExpectSameRun(Parsed(line), PlainGradient(start, end, count), line);
    }
}

TEST(GeneratedRun, LinearRunsGiveTheColorsAndTheFaultOfThePlainRule) {
    std::mt19937_64 random(8122026);
    std::uniform_real_distribution<double> fraction(-3.0, 3.0);
    for (int trial = 0; trial < 600; ++trial) {
        // Every fourth run has whole slopes only, as convert writes most runs.
        const bool whole = trial % 4 == 0;
        std::int32_t start[3];
        double slope[3];
        for (int c = 0; c < 3; ++c) {
            start[c] = static_cast<std::int32_t>(random() % 4 == 0 ? static_cast<std::int32_t>(random())
                                                                    : static_cast<std::int32_t>(random() % 600) - 300);
            switch (whole ? 0 : random() % 6) {
            case 0: slope[c] = std::round(fraction(random) * 100); break;  // whole
            case 1: slope[c] = static_cast<double>(random() % 8) / 2; break;  // halves: ties
            case 2:  // so large that a product leaves 64 bits within the run
                slope[c] = std::ldexp(1.0 + fraction(random) / 8, 50 + static_cast<int>(random() % 12));
                break;
            case 3: slope[c] = -std::ldexp(1.0, 62) / static_cast<double>(1 + random() % 16); break;
            default: slope[c] = fraction(random); break;
            }
            slope[c] = AsRead(slope[c]);
        }
        const std::int32_t count = static_cast<std::int32_t>(random() % 2500) - 5;
        std::string line = "#LINE ";
        for (int c = 0; c < 3; ++c) line += std::to_string(start[c]) + "," + Decimal(slope[c]) + ",";
        line += std::to_string(count);
        ExpectSameRun(Parsed(line), PlainLinear(start, slope, count), line);
    }
}

TEST(GeneratedRun, SumsAtTheEdgeOf64BitsFaultWhereThePlainRuleDoes) {
    // Start + product leaving 64 bits exactly at a chosen k, in each channel
    // and from both sides, and ties between channels at the same k.
    const std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    const std::int64_t kThousandth = kMax / 1000;
    const struct {
        std::int32_t start[3];
        double slope[3];
        std::int32_t count;
    } rows[] = {
        {{2147483647, 0, 0}, {9.2233720368547748e18, 0, 0}, 3},
        {{0, 2147483647, 0}, {0, 4.6116860184273879e18, 0}, 4},
        {{0, 0, -2147483647 - 1}, {0, 0, -4.6116860184273879e18}, 4},
        {{1, 1, 1}, {static_cast<double>(kThousandth), static_cast<double>(kThousandth), 1}, 2000},
        {{0, 0, 0}, {1e18, 1e18, 1e18}, 100},
        {{-5, 7, 0}, {-1e17, 1e17, 0.5}, 200},
        {{2147483647, 2147483647, 2147483647}, {3074457345618258432.0, 3074457345618258432.0, 1}, 5},
    };
    for (const auto& row : rows) {
        std::string line = "#LINE ";
        double slope[3];
        for (int c = 0; c < 3; ++c) {
            slope[c] = AsRead(row.slope[c]);
            line += std::to_string(row.start[c]) + "," + Decimal(row.slope[c]) + ",";
        }
        line += std::to_string(row.count);
        ExpectSameRun(Parsed(line), PlainLinear(row.start, slope, row.count), line);
    }
}

TEST(GeneratedRun, ATenMillionGradientMatchesThePlainRuleAtItsChanges) {
    // Too long to compare colour by colour in a test; every 997th colour
    // and both sides of every change of the plain rule's first channel.
    const int start[3] = {0, 255, 17}, end[3] = {255, 0, 18};
    const std::int32_t count = 10'000'000;
    TPalette palette('.');
    palette.ParseLine("#GRAD " + Hex(start) + "," + Hex(end) + "," + std::to_string(count));
    ASSERT_EQ(palette.LastIndex(), count - 1);
    double steps[3];
    for (int c = 0; c < 3; ++c) steps[c] = StoredQuotient(end[c] - start[c], count);
    auto plain = [&](std::int32_t k) {
        return PackColor(Clamped(start[0] + RoundedProduct(k, steps[0])), Clamped(start[1] + RoundedProduct(k, steps[1])),
                         Clamped(start[2] + RoundedProduct(k, steps[2])));
    };
    for (std::int32_t k = 0; k < count; k += 997) ASSERT_EQ(palette.GetItem(k), plain(k)) << k;
    for (int value = 1; value < 255; ++value) {
        // The first k whose red value reaches `value`, by bisection on the plain rule.
        std::int32_t low = 0, high = count - 1;
        while (low < high) {
            const std::int32_t middle = low + (high - low) / 2;
            if (RedOf(plain(middle)) >= value) high = middle;
            else low = middle + 1;
        }
        ASSERT_EQ(palette.GetItem(low), plain(low)) << low;
        ASSERT_EQ(palette.GetItem(low - 1), plain(low - 1)) << low - 1;
    }
}

}  // namespace
}  // namespace rulv
