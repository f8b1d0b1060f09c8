// ShortestRulvTest.cpp - the .rulv writer against a brute-force search: which
// runs one #LINE line can write, and the fewest lines for a whole list.
//
// The brute force knows nothing of polygons or unwrapping. A channel of a
// run is start + round(k * slope) shown as in the reader; it tries every
// slope that behaves differently on short runs (one between each two
// breakpoints (2d + 1) / 2k, and each breakpoint with its neighbouring
// doubles, |slope| up to 520 so that steep lines under a clamp are in) and
// every start that can give the first colour or the first non-zero one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <set>
#include <vector>

#include "colormap/ColorMap.h"
#include "colormap/formats/RulvWriter.h"
#include "colormap/formats/RunFinder.h"
#include "common/Extended.h"

namespace rulv {
namespace {

constexpr int kLongestBruteRun = 7;
// Maps checked against the brute force; under Wine the search takes about
// four times as long, and the first maps of the same series are checked.
#ifdef _WIN32
constexpr int kBruteRounds = 12;
#else
constexpr int kBruteRounds = 45;
#endif
constexpr double kSteepest = 520;

int ChannelOf(TPackedColor color, int c) { return c == 0 ? RedOf(color) : c == 1 ? GreenOf(color) : BlueOf(color); }

// One slope of every behaviour of round(k * slope) for k < kLongestBruteRun.
const std::vector<double>& BruteSlopes() {
    static const std::vector<double> slopes = [] {
        std::set<double> breakpoints;
        for (int k = 1; k < kLongestBruteRun; ++k) {
            for (int d = static_cast<int>(-kSteepest * k) - 1; d <= static_cast<int>(kSteepest * k); ++d) {
                breakpoints.insert((2.0 * d + 1) / (2.0 * k));
            }
        }
        std::vector<double> all;
        double previous = -kSteepest - 1;
        for (const double point : breakpoints) {
            all.push_back((previous + point) / 2);
            all.push_back(std::nextafter(point, -HUGE_VAL));
            all.push_back(point);
            all.push_back(std::nextafter(point, HUGE_VAL));
            previous = point;
        }
        all.push_back(previous + 0.25);
        return all;
    }();
    return slopes;
}

// valid[i][j]: colors[i .. j] (inclusive) is one #LINE run, by brute force.
std::vector<std::vector<bool>> BruteRuns(const TPaletteArray& colors) {
    const int size = static_cast<int>(colors.size());
    std::vector<std::vector<std::vector<bool>>> channelValid(
        3, std::vector<std::vector<bool>>(size, std::vector<bool>(size, false)));
    for (int c = 0; c < 3; ++c) {
        std::vector<int> v(size);
        for (int i = 0; i < size; ++i) v[i] = ChannelOf(colors[i], c);
        for (const double slope : BruteSlopes()) {
            std::int64_t rounded[kLongestBruteRun + 1];
            for (int k = 0; k < size && k <= kLongestBruteRun; ++k) rounded[k] = RoundedProduct(k, slope);
            for (int i = 0; i < size; ++i) {
                std::vector<std::int64_t> starts;
                for (int m = 0; m <= kLongestBruteRun + 2; ++m) starts.push_back(v[i] + 256 * m);
                for (int h = i; h < size; ++h) {
                    if (v[h] == 0) continue;
                    for (int w = 0; w <= kLongestBruteRun + 2; ++w) starts.push_back(v[h] + 256 * w - rounded[h - i]);
                    break;
                }
                for (const std::int64_t start : starts) {
                    if (start < INT32_MIN || start > INT32_MAX) continue;
                    for (int j = i; j < size; ++j) {
                        const std::int64_t sum = start + rounded[j - i];
                        if ((sum < 0 ? 0 : sum & 255) != v[j]) break;
                        channelValid[c][i][j] = true;
                    }
                }
            }
        }
    }
    std::vector<std::vector<bool>> valid(size, std::vector<bool>(size, false));
    for (int i = 0; i < size; ++i) {
        for (int j = i; j < size; ++j) valid[i][j] = channelValid[0][i][j] && channelValid[1][i][j] && channelValid[2][i][j];
    }
    return valid;
}

int BruteFewestLines(const std::vector<std::vector<bool>>& valid) {
    const int size = static_cast<int>(valid.size());
    std::vector<int> fewest(size + 1, 1 << 20);
    fewest[0] = 0;
    for (int j = 1; j <= size; ++j) {
        for (int i = 0; i < j; ++i) {
            if (valid[i][j - 1]) fewest[j] = std::min(fewest[j], fewest[i] + 1);
        }
    }
    return fewest[size];
}

// Short maps of several kinds: random colours, and pieces of #LINE runs
// with starts and slopes that wrap, clamp at 0, tie at halves or run steep.
TPaletteArray TestMap(std::mt19937& random, int kind, int size) {
    TPaletteArray colors;
    const auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    if (kind == 0) {
        while (static_cast<int>(colors.size()) < size) colors.push_back(pick(0, 0xFFFFFF));
        return colors;
    }
    while (static_cast<int>(colors.size()) < size) {
        std::int64_t starts[3];
        double slopes[3];
        for (int c = 0; c < 3; ++c) {
            switch (pick(0, 5)) {
            case 0: starts[c] = pick(0, 255); slopes[c] = pick(-300, 300); break;
            case 1: starts[c] = pick(0, 255); slopes[c] = pick(-20, 20) / 2.0; break;
            case 2: starts[c] = pick(-600, -1); slopes[c] = pick(1, 600) / static_cast<double>(pick(1, 4)); break;
            case 3: starts[c] = pick(0, 1000); slopes[c] = -pick(1, 600) / static_cast<double>(pick(1, 3)); break;
            case 4: starts[c] = 0; slopes[c] = 0; break;
            default: starts[c] = pick(0, 255); slopes[c] = pick(-1000, 1000) / 997.0; break;
            }
        }
        // Kind 2: lines that do not start on a whole number, as a smooth
        // map sampled finely gives them; a run pinned to its first colour
        // then reaches farther from some starts than from their neighbours.
        double offsets[3] = {0, 0, 0};
        if (kind == 2) {
            for (double& offset : offsets) offset = pick(0, 999) / 1000.0;
        }
        const int length = pick(1, kind == 2 ? 7 : 5);
        for (int k = 0; k < length && static_cast<int>(colors.size()) < size; ++k) {
            int channels[3];
            for (int c = 0; c < 3; ++c) {
                const std::int64_t sum = kind == 2 ? static_cast<std::int64_t>(std::floor(
                                                         static_cast<double>(starts[c]) + offsets[c] + slopes[c] * k + 0.5))
                                                   : starts[c] + RoundedProduct(k, slopes[c]);
                channels[c] = sum < 0 ? 0 : static_cast<int>(sum & 255);
            }
            colors.push_back(PackColor(channels[0], channels[1], channels[2]));
        }
    }
    return colors;
}

std::string Describe(const TPaletteArray& colors) {
    std::string text;
    for (const TPackedColor color : colors) text += HexColorText(color) + " ";
    return text;
}

// The lines a greedy writer takes: from each start the run that reaches
// farthest.
int GreedyLines(const TPaletteArray& colors) {
    const auto size = static_cast<std::int64_t>(colors.size());
    int lines = 0;
    for (std::int64_t start = 0; start < size; ++lines) {
        std::int64_t end = start + 1;
        while (end < size && IsLineRun(colors, start, end + 1)) ++end;
        start = end;
    }
    return lines;
}

TEST(ShortestRulv, RunsAndFewestLinesMatchABruteForceSearch) {
    std::mt19937 random(20261209);
    int lines = 0;
    for (int round = 0; round < kBruteRounds; ++round) {
        const int kind = round % 3;
        const TPaletteArray colors = TestMap(random, kind, 3 + round % (kLongestBruteRun - 2));
        const auto valid = BruteRuns(colors);
        const auto size = static_cast<std::int64_t>(colors.size());
        for (std::int64_t i = 0; i < size; ++i) {
            for (std::int64_t j = i; j < size; ++j) {
                ASSERT_EQ(IsLineRun(colors, i, j + 1), valid[i][j]) << Describe(colors) << " run " << i << ".." << j;
            }
        }
        const TRulvText text = WriteRulv(colors, "");
        EXPECT_EQ(text.Lines, BruteFewestLines(valid)) << Describe(colors) << "\n" << text.Text;
        lines += static_cast<int>(text.Lines);
    }
    EXPECT_GT(lines, 0);
}

// Why the writer does not simply take the farthest run from each start:
// on maps like these (lines that start between whole numbers) that takes
// three lines where two do.
TEST(ShortestRulv, TheFarthestRunFromEachStartIsNotAlwaysFewest) {
    const TPaletteArray maps[] = {
        {0xC5354A, 0xC5354B, 0xC5354B, 0xC5354B, 0xC6354C, 0xC6354C, 0xC6354C},
        {0x0A226C, 0x1E216C, 0x33216C, 0x47216C, 0x5B206C, 0x70206C, 0x84206C},
        {0x460ACE, 0x4609D2, 0x4609D5, 0x4609D9, 0x4609DC, 0x4609E0, 0x4609E4},
    };
    for (const TPaletteArray& colors : maps) {
        const int fewest = BruteFewestLines(BruteRuns(colors));
        EXPECT_EQ(fewest, 2) << Describe(colors);
        EXPECT_EQ(GreedyLines(colors), 3) << Describe(colors);
        EXPECT_EQ(WriteRulv(colors, "").Lines, fewest) << Describe(colors);
    }
}

}  // namespace
}  // namespace rulv
