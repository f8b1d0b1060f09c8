// ColorMap.h - the colour-map reader: file format, line parser and loader.
//
// A colour-map file (.rulv) is text that lists colours in order, one colour
// or one generated run of colours per line. Bytes other than the ASCII
// characters named here are ordinary characters (Japanese comments in code
// page 932 are fine).
//
// Lines. A line ends at a carriage return; one line feed right after it
// belongs to the same line end. A line feed on its own is an ordinary
// character, so a file with Unix line ends is a single line. The last line
// needs no line end. A Ctrl-Z (26) ends the data: it and everything after
// it are never read; text before it on its line still forms the last line.
// There is no length limit. Lines are numbered from 1, every line counting.
//
// Line kinds, by the first character:
//   (empty line)  skipped
//   *             comment, skipped
//   #             directive: the first five characters, upper-cased, select
//                 "#GRAD" (gradient) or "#LINE" (linear run); any other
//                 directive is ignored without a fault
//   anything else a colour: the first six characters are hex colour text,
//                 red first; the rest of the line may hold any text.
//                 Exactly five hex digits are accepted too (the fifth alone
//                 gives blue). A line of blanks, or one that starts with a
//                 blank or a tab, is faulty.
//
//   FF8000 orange     one colour, FF8000
//   #GRAD 000000,FFFFFF,10
//       ten colours from black towards white, white itself not included:
//       000000 1A1A1A 333333 4C4C4C 666666 808080 999999 B2B2B2 CCCCCC E6E6E6
//       The keyword is followed by one space; blanks and tabs may stand
//       around the fields; each colour is exactly six hex digits; the count
//       N goes through ParseInteger ($10 is 16). N = 0 is faulty, N < 0
//       appends nothing. The step per channel is (end - start) / N formed
//       with a 64-bit significand and stored as a double; colour k gets
//       start + round(k * step), the product formed with a 64-bit
//       significand and rounded straight to an integer, ties to even.
//   #LINE 250,1,0,0,10,-1,14
//       red start, red slope, green start, green slope, blue start, blue
//       slope, count: FA000A FB0009 ... FF0005 000004 ... 070000.
//       Starts and count go through ParseInteger, slopes through ParseReal
//       (the user's decimal separator) and are stored as doubles. Colour k
//       gets (start + round(k * slope)) rem 256 per channel, the sum in
//       64-bit integers; a negative remainder shows as 0. N <= 0 appends
//       nothing.
//
// Every fault of a line raises an ELineFault (LineFault.h) that says why and
// at which column; the loader reports the first faulty line and reads
// nothing after it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/FileInput.h"
#include "colormap/LineFault.h"
#include "colormap/Rgblib.h"

namespace rulv {

// A dynamic, zero-based array of packed colours.
using TPaletteArray = std::vector<TPackedColor>;

// The loader's result: 0 success, -1 no such file (a folder counts as
// missing), -2 no colour in the file, n > 0 the first faulty line.
using ColorMapResult = std::int32_t;
inline constexpr ColorMapResult kColorMapLoaded = 0;
inline constexpr ColorMapResult kColorMapMissing = -1;
inline constexpr ColorMapResult kColorMapNoColors = -2;

// The growable, append-only list of colours that one load fills.
class TPalette {
public:
    static constexpr std::size_t kInitialCapacity = 1024;
    static constexpr std::int32_t kMaxColors = std::numeric_limits<std::int32_t>::max();

    // decimalSeparator: the one ParseReal uses for #LINE slopes.
    explicit TPalette(char decimalSeparator) : TPalette(decimalSeparator, kMaxColors) {}
    // colorLimit: the most colours the list may hold; beyond it Add raises
    // EOutOfMemory, so that no index ever overflows 32 bits. Only tests
    // pass less than kMaxColors.
    TPalette(char decimalSeparator, std::int32_t colorLimit);
    virtual ~TPalette() = default;
    TPalette(const TPalette&) = delete;
    TPalette& operator=(const TPalette&) = delete;

    // Appends one colour, doubling the capacity when it is full. Raises
    // EOutOfMemory when the storage cannot grow; the list must then be
    // discarded.
    void Add(TPackedColor color);
    // Appends `count` colours as `count` calls of Add would (the same
    // growth, the same failure at the same colour), block by block:
    // produce(first, n) writes the next n colours to first[0 .. n-1].
    template <class TProduce>
    void AddGenerated(std::int64_t count, TProduce&& produce);
    // Raises EAbort above the last index and ERangeError below 0.
    TPackedColor GetItem(std::int32_t index) const;
    std::int32_t LastIndex() const noexcept { return FLast; }
    bool HasColors() const noexcept { return FLast >= 0; }
    std::size_t Capacity() const noexcept { return FItems.Size; }

    // Copies the colours into `colors`, resized to exactly LastIndex() + 1.
    void CopyTo(TPaletteArray& colors) const;

    // One line that is neither empty nor a comment: appends its colours or
    // raises ELineFault (the line is then faulty, and the list must be
    // discarded).
    void ParseLine(std::string_view line);
    // A colour line whose colour the loader has read already: appends it
    // as ParseLine(line) would, or raises ELineFault when the list is full.
    void AddColourLine(std::string_view line, TPackedColor color) {
        if (!AddWithinCapacity(color)) AddForLine(line, color, 1);
    }
    // Room for colours after the last one without growing and within the
    // limit: where they go and how many fit. AddWithinRoom(n) then takes
    // the first n of them as n calls of Add would.
    TPackedColor* Room() const noexcept { return FItems.Data + static_cast<std::size_t>(FLast + 1); }
    std::int64_t RoomSize() const noexcept {
        const std::int64_t end = std::min<std::int64_t>(static_cast<std::int64_t>(FItems.Size), FColorLimit);
        return end - (FLast + 1);
    }
    void AddWithinRoom(std::int64_t count) noexcept { FLast = static_cast<std::int32_t>(FLast + count); }
    // The whole line, keyword included.
    void ParseGradient(std::string_view line);
    void ParseLinear(std::string_view line);

private:
    // Room for the colour after FLast: grows as Add would, or raises.
    void MakeRoomForNext();
    // Add where neither the capacity nor the limit is reached; false (and
    // nothing added) otherwise.
    bool AddWithinCapacity(TPackedColor color) noexcept {
        if (RoomSize() <= 0) return false;
        *Room() = color;
        AddWithinRoom(1);
        return true;
    }
    // The storage grows with GrowBlock (LargeBlock.h: on large pages where
    // the system has them, else in place where realloc can), and what it
    // adds is not cleared: entries past FLast are never read.
    struct TStorage {
        TPackedColor* Data = nullptr;
        std::size_t Size = 0;
        ~TStorage();
    };
    void Grow();
    // Add for a line being parsed: a failed growth becomes the line's fault,
    // at `column`.
    void AddForLine(std::string_view line, TPackedColor color, std::int64_t column);
    [[noreturn]] void RaiseGrowthFault(std::string_view line, std::int64_t column) const;

    std::int32_t FLast = -1;
    TStorage FItems;
    std::int32_t FColorLimit;
    char FDecimalSeparator;
};

template <class TProduce>
void TPalette::AddGenerated(std::int64_t count, TProduce&& produce) {
    while (count > 0) {
        MakeRoomForNext();
        const std::int64_t block = std::min(count, RoomSize());
        produce(Room(), block);
        AddWithinRoom(block);
        count -= block;
    }
}

// The text without blanks and control characters (codes 0-32) around its
// commas and at either end; blanks inside a piece stay, and two commas in
// a row stay two commas.
std::string NormalizeCommas(std::string_view text);

// What a read found besides its result, for callers that explain it.
struct TColorMapReport {
    // For a faulty line: why, and the line as read (without its line end;
    // of a long line that is no directive only its first bytes, and then
    // FaultyLineCut is set).
    std::optional<TLineFault> Fault;
    std::string FaultyLine;
    bool FaultyLineCut = false;
    // The lines read (up to the faulty line), and those that gave no colour.
    std::int64_t Lines = 0;
    std::int64_t EmptyLines = 0;
    std::int64_t CommentLines = 0;
    std::int64_t IgnoredDirectives = 0;  // "#" lines other than #GRAD and #LINE
    std::int64_t EmptyRuns = 0;          // #GRAD and #LINE lines that appended nothing
};

// Reads a colour map from `source` into `colors`. On success `colors` holds
// every colour in file order and the result is 0; otherwise `colors` is left
// exactly as it was and the result is -2 or the first faulty line. Errors of
// the source itself (EInOutError) leave the function. `report`, when given,
// is filled in.
ColorMapResult ReadColorMap(TByteSource& source, TPaletteArray& colors, char decimalSeparator,
                            TColorMapReport* report = nullptr);

// The one entry to the reader: -1 when no file of that name exists (a
// folder counts as missing), otherwise as ReadColorMap with the user's
// decimal separator. Raises EInOutError when the file cannot be opened,
// read or closed, and EOutOfMemory when the result does not fit in memory.
// The viewer reads files on a disk only (a device such as COM1 or CON, or
// a pipe, raises EInOutError before anything is read); rulvtool reads
// whatever opens, pipes included.
ColorMapResult LoadColorMapFile(const std::filesystem::path& fileName, TPaletteArray& colors,
                                TColorMapReport* report = nullptr, TFileKinds kinds = TFileKinds::DiskFilesOnly);

// The same reads for callers that need only how many colours there are
// (rulvtool check): the same results and reports, and the same list of
// colours while reading, but no copy of it for the caller; `count` is
// written on success only.
ColorMapResult ReadColorMap(TByteSource& source, std::int64_t& count, char decimalSeparator,
                            TColorMapReport* report = nullptr);
ColorMapResult LoadColorMapFile(const std::filesystem::path& fileName, std::int64_t& count,
                                TColorMapReport* report = nullptr, TFileKinds kinds = TFileKinds::DiskFilesOnly);

}  // namespace rulv
