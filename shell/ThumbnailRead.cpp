// ThumbnailRead.cpp - the thumbnail's read within its limits.
#include "shell/ThumbnailRead.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <iterator>

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
//   all of it (once it is large it grows in place, LargeBlock.h, so this
//   bound is generous);
// - a directive line longer than the reader's buffer is gathered in a
//   string that doubles as well (up to three times the line while it
//   grows), and a number's text in it may be copied once more;
// - the reader's buffer (64 KiB), allowed 1 MiB;
// - the columns and the picture, 4 bytes a pixel (made after the list is
//   freed, counted here all the same).
constexpr std::uint64_t kColorBytes = sizeof(TPackedColor);
constexpr std::uint64_t kListPeak = std::uint64_t{kThumbnailColorLimit} * kColorBytes * 3 / 2;
constexpr std::uint64_t kLinePeak = 4 * kThumbnailMaxDirectiveLine;
constexpr std::uint64_t kReaderBuffer = std::uint64_t{1} << 20;
constexpr std::uint64_t kPicturePeak =
    std::uint64_t{kThumbnailMaxSide} * kColorBytes * (1 + kThumbnailMaxSide / 4);
static_assert(kThumbnailColorLimit % TPalette::kInitialCapacity == 0 &&
              std::has_single_bit(static_cast<std::uint32_t>(kThumbnailColorLimit / TPalette::kInitialCapacity)));
static_assert(kListPeak + kLinePeak + kReaderBuffer + kPicturePeak <= kThumbnailMemoryBudget);

// The first carriage return in [from, last), or nullptr.
const char* FindLineEnd(const char* from, const char* last) noexcept {
    return static_cast<const char*>(std::memchr(from, kCarriageReturn, static_cast<std::size_t>(last - from)));
}

// The bytes from `from` to `lineEnd`, or to `last` where the line goes on.
std::uint64_t LineBytes(const char* from, const char* lineEnd, const char* last) noexcept {
    return static_cast<std::uint64_t>((lineEnd != nullptr ? lineEnd : last) - from);
}

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

void TThumbnailSource::AddDirectiveBytes(std::uint64_t bytes) {
    FDirectiveBytes += bytes;
    if (FDirectiveBytes > FMaxDirectiveLine) {
        throw EThumbnailLimit("A directive line is longer than a thumbnail reads");
    }
}

// Past the line end whose carriage return is at `lineEnd`: where the next
// line starts, or nullptr when the piece ends with the carriage return (a
// line feed that may follow is then still to come).
const char* TThumbnailSource::PastLineEnd(const char* lineEnd, const char* last) noexcept {
    if (lineEnd + 1 == last) {
        FPlace = TLinePlace::AfterReturn;
        return nullptr;
    }
    FPlace = TLinePlace::Start;
    return lineEnd[1] == kLineFeed ? lineEnd + 2 : lineEnd + 1;
}

// Only the lines that start with "#" are measured, so the piece is searched
// for "#" and its line ends are looked at only around one.
void TThumbnailSource::WatchLines(const char* data, std::size_t size) {
    if (FDataEnded) return;
    if (const void* end = std::memchr(data, kEndOfData, size)) {
        size = static_cast<std::size_t>(static_cast<const char*>(end) - data);
        FDataEnded = true;
    }
    const char* const last = data + size;
    const char* lineStart = data;  // where a line is known to start
    if (lineStart == last) return;
    if (FPlace == TLinePlace::AfterReturn) {
        FPlace = TLinePlace::Start;
        if (*lineStart == kLineFeed && ++lineStart == last) return;
    }
    // The line that began in an earlier piece.
    if (FPlace == TLinePlace::Directive || FPlace == TLinePlace::Other) {
        const char* const lineEnd = FindLineEnd(lineStart, last);
        if (FPlace == TLinePlace::Directive) AddDirectiveBytes(LineBytes(lineStart, lineEnd, last));
        if (lineEnd == nullptr || (lineStart = PastLineEnd(lineEnd, last)) == nullptr) return;
    }
    // The lines that begin here: each "#" at a line start opens a directive.
    for (const char* next = lineStart;;) {
        const auto* hash = static_cast<const char*>(std::memchr(next, '#', static_cast<std::size_t>(last - next)));
        if (hash == nullptr) break;
        const bool startsLine = hash == lineStart || hash[-1] == kCarriageReturn ||
                                (hash[-1] == kLineFeed && hash - 1 > lineStart && hash[-2] == kCarriageReturn);
        const char* const lineEnd = FindLineEnd(hash, last);
        if (!startsLine) {
            // No line starts before this one's end.
            if (lineEnd == nullptr) break;
            if ((lineStart = PastLineEnd(lineEnd, last)) == nullptr) return;
            next = lineStart;
            continue;
        }
        FDirectiveBytes = 0;
        AddDirectiveBytes(LineBytes(hash, lineEnd, last));
        if (lineEnd == nullptr) {
            FPlace = TLinePlace::Directive;
            return;
        }
        if ((lineStart = PastLineEnd(lineEnd, last)) == nullptr) return;
        next = lineStart;
    }
    // No directive left open: how the piece ends.
    const auto before = std::make_reverse_iterator(lineStart);
    const auto lastReturn = std::find(std::make_reverse_iterator(last), before, kCarriageReturn);
    if (lastReturn == before) {
        FPlace = lineStart == last ? TLinePlace::Start : TLinePlace::Other;
    } else if (const char* after = PastLineEnd(&*lastReturn, last); after != nullptr && after != last) {
        FPlace = TLinePlace::Other;
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
