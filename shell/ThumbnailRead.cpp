// ThumbnailRead.cpp - the thumbnail's read within its limits.
#include "shell/ThumbnailRead.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "colormap/ColumnMapping.h"

namespace rulv {

namespace {

constexpr char kCarriageReturn = '\r';
constexpr char kLineFeed = '\n';
constexpr char kEndOfData = '\x1A';  // Ctrl-Z

// The most one thumbnail holds at once, in bytes:
// - the colour list doubles from TPalette::kInitialCapacity entries and
//   reaches the colour limit exactly (a power of two times the start);
//   while it moves to a larger block both blocks live, half the limit and
//   all of it;
// - a directive line longer than the reader's buffer is gathered in a
//   string that doubles as well (up to three times the line while it
//   grows), and a number's text in it may be copied once more;
// - the reader's buffer (64 KiB), allowed 1 MiB;
// - the columns and the picture, 4 bytes a pixel (made after the list is
//   freed, counted here all the same).
constexpr std::uint64_t kColourBytes = sizeof(TPackedColor);
constexpr std::uint64_t kListPeak = std::uint64_t{kThumbnailColorLimit} * kColourBytes * 3 / 2;
constexpr std::uint64_t kLinePeak = 4 * kThumbnailMaxDirectiveLine;
constexpr std::uint64_t kReaderBuffer = std::uint64_t{1} << 20;
constexpr std::uint64_t kPicturePeak =
    std::uint64_t{kThumbnailMaxSide} * kColourBytes * (1 + kThumbnailMaxSide / 4);
static_assert(kThumbnailColorLimit % TPalette::kInitialCapacity == 0 &&
              std::has_single_bit(static_cast<std::uint32_t>(kThumbnailColorLimit / TPalette::kInitialCapacity)));
static_assert(kListPeak + kLinePeak + kReaderBuffer + kPicturePeak <= kThumbnailMemoryBudget);

}  // namespace

TThumbnailSize ThumbnailSize(std::uint32_t side) noexcept {
    const auto width = static_cast<std::int32_t>(std::min<std::uint32_t>(side, kThumbnailMaxSide));
    return {width, std::max(width / 4, 1)};
}

std::size_t TThumbnailSource::Read(char* buffer, std::size_t capacity) {
    if (FRead == kThumbnailMaxBytes) {
        // One byte more tells a source of exactly the limit from a longer one.
        char next = 0;
        if (FSource.Read(&next, 1) != 0) throw EThumbnailLimit("The file is larger than a thumbnail reads");
        return 0;
    }
    const std::size_t count = FSource.Read(buffer, std::min<std::uint64_t>(capacity, kThumbnailMaxBytes - FRead));
    FRead += count;
    WatchLines(buffer, count);
    return count;
}

void TThumbnailSource::WatchLines(const char* data, std::size_t size) {
    if (FDataEnded) return;
    if (const void* end = std::memchr(data, kEndOfData, size)) {
        size = static_cast<std::size_t>(static_cast<const char*>(end) - data);
        FDataEnded = true;
    }
    const char* const last = data + size;
    while (data < last) {
        if (FAfterReturn) {
            FAfterReturn = false;
            if (*data == kLineFeed && ++data == last) return;
        }
        if (FLineBytes == 0) FDirective = *data == '#';
        const auto* lineEnd = static_cast<const char*>(std::memchr(data, kCarriageReturn, static_cast<std::size_t>(last - data)));
        FLineBytes += static_cast<std::uint64_t>((lineEnd != nullptr ? lineEnd : last) - data);
        if (FDirective && FLineBytes > kThumbnailMaxDirectiveLine) {
            throw EThumbnailLimit("A directive line is longer than a thumbnail reads");
        }
        if (lineEnd == nullptr) return;
        FLineBytes = 0;
        FAfterReturn = true;
        data = lineEnd + 1;
    }
}

ColorMapResult ReadThumbnailColumns(TByteSource& source, std::int32_t width, char decimalSeparator,
                                    std::vector<TPackedColor>& columns) {
    TThumbnailSource limited(source);
    return ReadColorMap(
        limited, [&](std::span<const TPackedColor> colors) { columns = StripColumnColors(colors, width); },
        decimalSeparator, kThumbnailColorLimit);
}

}  // namespace rulv
