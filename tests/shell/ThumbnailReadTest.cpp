// ThumbnailReadTest.cpp - a map read for its thumbnail: the picture's size,
// the columns, and the limits on what is read and held.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "colormap/ColumnMapping.h"
#include "shell/ThumbnailRead.h"

namespace rulv {
namespace {

// Hands out the data `chunk` bytes per read, so that line ends and Ctrl-Z
// fall on read boundaries.
class TChunkedInput final : public TByteSource {
public:
    TChunkedInput(std::string_view data, std::size_t chunk) : FData(data), FChunk(chunk) {}
    std::size_t Read(char* buffer, std::size_t capacity) override {
        const std::size_t count = std::min({FData.size(), capacity, FChunk});
        std::memcpy(buffer, FData.data(), count);
        FData.remove_prefix(count);
        return count;
    }

private:
    std::string_view FData;
    std::size_t FChunk;
};

// A file that never ends: colour lines without end; counts what it gave.
class TEndlessInput final : public TByteSource {
public:
    std::size_t Read(char* buffer, std::size_t capacity) override {
        for (std::size_t i = 0; i < capacity; ++i) buffer[i] = "00FF00\r\n"[(FGiven + i) % 8];
        FGiven += capacity;
        return capacity;
    }
    std::uint64_t Given() const noexcept { return FGiven; }

private:
    std::uint64_t FGiven = 0;
};

TEST(ThumbnailRead, SizeIsAQuarterAsTallAsWideWithinTheLargest) {
    const struct {
        std::uint32_t side;
        TThumbnailSize size;
    } rows[] = {
        {32, {32, 8}},     {96, {96, 24}},     {256, {256, 64}},        {1, {1, 1}},
        {7, {7, 1}},       {2560, {2560, 640}}, {2561, {2560, 640}}, {UINT_MAX, {2560, 640}},
    };
    for (const auto& row : rows) {
        const TThumbnailSize size = ThumbnailSize(row.side);
        EXPECT_EQ(size.Width, row.size.Width) << row.side;
        EXPECT_EQ(size.Height, row.size.Height) << row.side;
    }
}

TEST(ThumbnailRead, ColumnsAreTheStripsColumns) {
    const std::string data = "#GRAD FF0000,0000FF,37\r\n00FF00\r\n#LINE 0,7,255,-3,128,1,50\r\n";
    TPaletteArray colors;
    TMemoryInput whole(data);
    ASSERT_EQ(ReadColorMap(whole, colors, '.'), kColorMapLoaded);
    for (const std::int32_t width : {1, 32, 88, 96, 256}) {
        std::vector<TPackedColor> columns{0x123456};
        TMemoryInput input(data);
        ASSERT_EQ(ReadThumbnailColumns(input, width, '.', columns), kColorMapLoaded) << width;
        EXPECT_EQ(columns, StripColumnColors(colors, width)) << width;
    }
}

// Directive lines of the longest length and one byte more, in every
// position the reader's line splitting knows, read whole and in pieces.
TEST(ThumbnailRead, DirectiveLinesLongerThanTheLimitFail) {
    const std::size_t limit = kThumbnailMaxDirectiveLine;
    const auto gradient = [](std::size_t length) {
        std::string line = "#GRAD 000000,FFFFFF,";
        return line + std::string(length - line.size() - 1, ' ') + "2";
    };
    const struct {
        const char* name;
        std::string data;
        bool fails;
    } rows[] = {
        {"longest gradient", gradient(limit), false},
        {"a byte too long", gradient(limit + 1), true},
        {"after CR LF", "000000\r\n" + gradient(limit + 1) + "\r\n", true},
        {"after CR alone", "000000\r" + gradient(limit + 1), true},
        {"longest after CR LF, then CR LF", "000000\r\n" + gradient(limit) + "\r\n000000\r\n", false},
        {"an ignored directive", "#" + std::string(limit, 'x'), true},
        {"a comment", "*" + std::string(3 * limit, 'x') + "\r\n000000", false},
        {"a colour with text", "000000" + std::string(3 * limit, ' ') + "\r\n", false},
        {"a line feed alone opens no line", "000000\n" + gradient(limit + 1), false},
        {"a # after a colour", "000000 #" + std::string(limit, 'x') + "\r\n", false},
        {"a # at the end of a piece of 7", "000000##" + std::string(limit, 'x') + "\r\n", false},
        {"a # in a comment, then a long one", "* #a #b\r\n" + gradient(limit + 1), true},
        {"after an empty line", "000000\r\r" + gradient(limit + 1) + "\r000000", true},
        {"two at their longest", gradient(limit) + "\r\n" + gradient(limit) + "\r\n", false},
        {"after a Ctrl-Z", "000000\r\n\x1A" + gradient(limit + 1), false},
        {"a Ctrl-Z ends it in time", gradient(limit) + "\x1A" + std::string(limit, ' '), false},
    };
    for (const auto& row : rows) {
        for (const std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{65536}}) {
            TChunkedInput input(row.data, chunk);
            std::vector<TPackedColor> columns;
            const std::string where = row.name + (" in pieces of " + std::to_string(chunk));
            if (row.fails) {
                EXPECT_THROW(ReadThumbnailColumns(input, 32, '.', columns), EThumbnailLimit) << where;
            } else {
                EXPECT_EQ(ReadThumbnailColumns(input, 32, '.', columns), kColorMapLoaded) << where;
            }
        }
    }
}

TEST(ThumbnailRead, AtMostItsBytesAreRead) {
    const std::string line = "00FF00\r\n";
    std::string largest;
    largest.reserve(kThumbnailMaxBytes + 1);
    while (largest.size() < kThumbnailMaxBytes) largest += line;
    ASSERT_EQ(largest.size(), kThumbnailMaxBytes);
    std::vector<TPackedColor> columns;
    TMemoryInput whole(largest);
    EXPECT_EQ(ReadThumbnailColumns(whole, 32, '.', columns), kColorMapLoaded);
    EXPECT_EQ(columns, std::vector<TPackedColor>(32, 0x00FF00));

    largest += "*";
    TMemoryInput oneMore(largest);
    EXPECT_THROW(ReadThumbnailColumns(oneMore, 32, '.', columns), EThumbnailLimit);

    TEndlessInput endless;
    EXPECT_THROW(ReadThumbnailColumns(endless, 32, '.', columns), EThumbnailLimit);
    EXPECT_EQ(endless.Given(), kThumbnailMaxBytes + 1);
}

TEST(ThumbnailRead, HugeRunsStopAtTheColorLimit) {
    const std::string limit = std::to_string(kThumbnailColorLimit);
    const struct {
        std::string data;
        bool loads;
    } rows[] = {
        {"#GRAD 000000,FFFFFF," + limit + "\r\n", true},
        {"000000\r\n#GRAD 000000,FFFFFF," + limit + "\r\n", false},
        {"#GRAD 000000,FFFFFF,2000000000\r\n", false},
        {"#LINE 0,1,0,1,0,1,2147483647\r\n", false},
    };
    for (const auto& row : rows) {
        TMemoryInput input(row.data);
        std::vector<TPackedColor> columns;
        const ColorMapResult result = ReadThumbnailColumns(input, 32, '.', columns);
        EXPECT_EQ(result == kColorMapLoaded, row.loads) << row.data;
        EXPECT_EQ(columns.size(), row.loads ? 32u : 0u) << row.data;
    }
}

}  // namespace
}  // namespace rulv
