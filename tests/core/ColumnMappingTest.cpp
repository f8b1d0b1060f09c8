// ColumnMappingTest.cpp - the column mapping of painting and readout.
#include <gtest/gtest.h>

#include <vector>

#include "colormap/ColumnMapping.h"

namespace rulv {
namespace {

std::vector<std::int64_t> Columns(std::int32_t width, std::int32_t count) {
    const TColumnMapping mapping(width, count);
    std::vector<std::int64_t> indices;
    indices.reserve(static_cast<std::size_t>(width));
    for (std::int32_t x = 0; x < width; ++x) indices.push_back(mapping.IndexOf(x));
    return indices;
}

TEST(ColumnMapping, StripesOfAWideBox) {
    // W = 20, n = 6: columns 0-3 entry 0, 4-6 entry 1, 7-10 entry 2 (column
    // 10 lies on a boundary and the rounded-up scale keeps it in entry 2).
    EXPECT_EQ(Columns(20, 6), (std::vector<std::int64_t>{0, 0, 0, 0, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5, 5, 5}));
    EXPECT_EQ(Columns(6, 6), (std::vector<std::int64_t>{0, 1, 2, 3, 4, 5}));
}

TEST(ColumnMapping, ANarrowBoxSkipsEntries) {
    EXPECT_EQ(Columns(2, 10), (std::vector<std::int64_t>{0, 4}));
    const std::vector<std::int64_t> indices = Columns(427, 1000000);
    EXPECT_EQ(indices.front(), 0);
    EXPECT_LE(indices.back(), 999999);
    for (std::size_t x = 1; x < indices.size(); ++x) EXPECT_GT(indices[x], indices[x - 1]);
}

TEST(ColumnMapping, EveryWidthCoversEveryStripeInOrder) {
    for (std::int32_t count = 1; count <= 40; ++count) {
        for (std::int32_t width = count; width <= 3 * count + 7; ++width) {
            const std::vector<std::int64_t> indices = Columns(width, count);
            ASSERT_EQ(indices.front(), 0);
            ASSERT_EQ(indices.back(), count - 1) << "W=" << width << " n=" << count;
            for (std::size_t x = 1; x < indices.size(); ++x) {
                ASSERT_TRUE(indices[x] == indices[x - 1] || indices[x] == indices[x - 1] + 1);
            }
        }
    }
}

TEST(ColumnMapping, PositionsOutsideTheBox) {
    const TColumnMapping mapping(20, 6);
    EXPECT_EQ(mapping.IndexOf(-1), 0) << "less than a stripe left truncates to 0";
    EXPECT_EQ(mapping.IndexOf(-4), -1);
    EXPECT_EQ(mapping.IndexOf(20), 5) << "the rounded-up scale keeps X = W in the last entry";
    EXPECT_EQ(mapping.IndexOf(21), 6);
    EXPECT_EQ(TColumnMapping(10, 5).IndexOf(10), 5);
}

TEST(ColumnMapping, AnEmptyBoxMapsNothing) {
    const TColumnMapping mapping(0, 6);
    EXPECT_EQ(mapping.IndexOf(0), -1);
    EXPECT_EQ(mapping.IndexOf(5), -1);
    EXPECT_TRUE(Columns(0, 6).empty());
}

TEST(StripColumnColors, GivesTheColorOfEveryColumn) {
    const std::vector<TPackedColor> six{10, 11, 12, 13, 14, 15};
    EXPECT_EQ(StripColumnColors(six, 20),
              (std::vector<TPackedColor>{10, 10, 10, 10, 11, 11, 11, 12, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15}));
    EXPECT_EQ(StripColumnColors(six, 2), (std::vector<TPackedColor>{10, 13}));
    EXPECT_EQ(StripColumnColors(std::vector<TPackedColor>{7}, 5), (std::vector<TPackedColor>(5, 7)));
    EXPECT_TRUE(StripColumnColors(six, 0).empty());
    EXPECT_TRUE(StripColumnColors({}, 10).empty());
}

TEST(StripColumnColors, InAViewEachColumnAsTheViewShowsIt) {
    const std::vector<TPackedColor> colors{0x0000FF, 0x808080, 0x8F523F};
    // Worked out apart from the program: to protan eyes FF0000 looks 6D5F00
    // and 3F528F looks 385991; a grey stays the same grey.
    EXPECT_EQ(StripColumnColors(colors, 3, TVisionView::Protan),
              (std::vector<TPackedColor>{0x005F6D, 0x808080, 0x915938}));
    EXPECT_EQ(StripColumnColors(colors, 6, TVisionView::Normal), StripColumnColors(colors, 6));
    EXPECT_TRUE(StripColumnColors(colors, 0, TVisionView::Grey).empty());
}

}  // namespace
}  // namespace rulv
