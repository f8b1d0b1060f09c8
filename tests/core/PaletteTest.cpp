// PaletteTest.cpp - TPalette storage: growth by doubling, bounds, limit.
#include <gtest/gtest.h>

#include "colormap/ColorMap.h"
#include "common/Errors.h"

namespace rulv {
namespace {

TEST(Palette, StartsEmptyWithRoomFor1024) {
    TPalette palette('.');
    EXPECT_FALSE(palette.HasColors());
    EXPECT_EQ(palette.LastIndex(), -1);
    EXPECT_EQ(palette.Capacity(), 1024u);
    EXPECT_THROW(palette.GetItem(0), EAbort);
    EXPECT_THROW(palette.GetItem(-1), ERangeError);
}

TEST(Palette, CapacityDoublesWhenTheNextIndexReachesIt) {
    TPalette palette('.');
    for (int i = 0; i < 1024; ++i) palette.Add(i);
    EXPECT_EQ(palette.Capacity(), 1024u);
    palette.Add(1024);
    EXPECT_EQ(palette.Capacity(), 2048u);
    for (int i = 1025; i < 2049; ++i) palette.Add(i);
    EXPECT_EQ(palette.Capacity(), 4096u);
    for (int i = 0; i < 2049; ++i) ASSERT_EQ(palette.GetItem(i), i);
    EXPECT_THROW(palette.GetItem(2049), EAbort);
    TPaletteArray colors{7, 7, 7};
    palette.CopyTo(colors);
    ASSERT_EQ(colors.size(), 2049u);
    EXPECT_EQ(colors.back(), 2048);
}

// No index may overflow 32 bits: the colour beyond the limit fails like a
// growth that finds no memory (tests use a small limit for the full range).
TEST(Palette, AddBeyondTheColorLimitIsOutOfMemory) {
    TPalette palette('.', 3);
    palette.Add(1);
    palette.Add(2);
    palette.Add(3);
    EXPECT_THROW(palette.Add(4), EOutOfMemory);
    EXPECT_EQ(palette.LastIndex(), 2);
    EXPECT_EQ(TPalette::kMaxColors, 2147483647);
}

}  // namespace
}  // namespace rulv
