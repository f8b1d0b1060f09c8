// ThumbnailRead.h - a colour map read for its thumbnail inside another
// program's process (Explorer, a file dialog): the colours of the strip's
// columns, within fixed limits on what is read and what is held, so that a
// faulty, huge or endless file fails soon instead of filling the process.
#pragma once

#include <cstdint>
#include <vector>

#include "colormap/ColorMap.h"
#include "common/Errors.h"

namespace rulv {

// Bytes read from the file at most; a longer file fails.
inline constexpr std::uint64_t kThumbnailMaxBytes = std::uint64_t{64} << 20;
// Bytes held at most during one thumbnail, the picture included.
inline constexpr std::uint64_t kThumbnailMemoryBudget = std::uint64_t{256} << 20;
// A line that starts with "#" longer than this fails: the reader keeps a
// #GRAD or #LINE line whole while it reads it.
inline constexpr std::uint64_t kThumbnailMaxDirectiveLine = std::uint64_t{1} << 20;
// Colours in the list at most: room for maps of 10,000,000 colours, and a
// run of any length fails once it has filled 64 MiB. What it holds:
// ThumbnailRead.cpp.
inline constexpr std::int32_t kThumbnailColorLimit = std::int32_t{1} << 24;
// The widest picture drawn; a larger request gets this one.
inline constexpr std::int32_t kThumbnailMaxSide = 2560;

// A thumbnail's limit passed: too many bytes, or too long a directive line.
class EThumbnailLimit : public Exception {
public:
    using Exception::Exception;
};

struct TThumbnailSize {
    std::int32_t Width;
    std::int32_t Height;
};

// The picture for a request of at most side x side pixels (side >= 1): the
// strip side wide (at most kThumbnailMaxSide), a quarter as tall, and at
// least one pixel tall.
TThumbnailSize ThumbnailSize(std::uint32_t side) noexcept;

// The bytes of another source within the limits above: raises
// EThumbnailLimit past kThumbnailMaxBytes and when a line that starts with
// "#" gets longer than `maxDirectiveLine` (the fuzzer's is shorter). Lines
// are split as the reader splits them (LineParser.h); nothing after a
// Ctrl-Z counts.
class TThumbnailSource final : public TByteSource {
public:
    explicit TThumbnailSource(TByteSource& source,
                              std::uint64_t maxDirectiveLine = kThumbnailMaxDirectiveLine) noexcept
        : FSource(source), FMaxDirectiveLine(maxDirectiveLine) {}
    std::size_t Read(char* buffer, std::size_t capacity) override;
    std::uint64_t BytesRead() const noexcept { return FRead; }

private:
    // Where the data read so far ends, as the reader splits it into lines.
    enum class TLinePlace {
        Start,        // at the start of a line
        AfterReturn,  // after a carriage return; a line feed next belongs to it
        Directive,    // within a line that starts with "#"
        Other,        // within any other line
    };
    void WatchLines(const char* data, std::size_t size);
    const char* PastLineEnd(const char* lineEnd, const char* last) noexcept;
    void AddDirectiveBytes(std::uint64_t bytes);

    TByteSource& FSource;
    std::uint64_t FMaxDirectiveLine;
    std::uint64_t FRead = 0;
    TLinePlace FPlace = TLinePlace::Start;
    std::uint64_t FDirectiveBytes = 0;  // of the directive line being read
    bool FDataEnded = false;            // a Ctrl-Z was seen
};

// Reads the map from `source` within the limits and writes the colour of
// each of `width` (>= 1) columns, as the viewer paints them, into
// `columns`. The reader's result: `columns` is written on success only.
// Raises EThumbnailLimit, and what the reader and the source raise.
ColorMapResult ReadThumbnailColumns(TByteSource& source, std::int32_t width, char decimalSeparator,
                                    std::vector<TPackedColor>& columns);

}  // namespace rulv
