// ColorMap.h - the colour-map reader's one entry: the loader, which reads a
// colour-map file (or any source of bytes) line by line into a TPalette
// and gives the colours or the first faulty line. The format and the line
// parser are described in LineParser.h.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "common/FileInput.h"
#include "colormap/LineFault.h"
#include "colormap/Palette.h"

namespace rulv {

// The loader's result: 0 success, -1 no such file (a folder counts as
// missing), -2 no colour in the file, n > 0 the first faulty line.
using ColorMapResult = std::int32_t;
inline constexpr ColorMapResult kColorMapLoaded = 0;
inline constexpr ColorMapResult kColorMapMissing = -1;
inline constexpr ColorMapResult kColorMapNoColors = -2;

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
// folder counts as missing), otherwise as ReadColorMap. The callers pass
// the user's decimal separator (UserDecimalSeparator). Raises EInOutError when the file cannot be opened,
// read or closed, and EOutOfMemory when the result does not fit in memory.
// The viewer reads files on a disk only (a device such as COM1 or CON, or
// a pipe, raises EInOutError before anything is read); rulvtool reads
// whatever opens, pipes included.
ColorMapResult LoadColorMapFile(const std::filesystem::path& fileName, TPaletteArray& colors, char decimalSeparator,
                                TColorMapReport* report = nullptr, TFileKinds kinds = TFileKinds::DiskFilesOnly);

// The same reads for callers that need only how many colours there are
// (rulvtool check): the same results and reports, and the same memory
// asked of the system, but the colours are counted, not kept (TColorUse),
// and no copy is made for the caller; `count` is written on success only.
ColorMapResult ReadColorMap(TByteSource& source, std::int64_t& count, char decimalSeparator,
                            TColorMapReport* report = nullptr);
ColorMapResult LoadColorMapFile(const std::filesystem::path& fileName, std::int64_t& count, char decimalSeparator,
                                TColorMapReport* report = nullptr, TFileKinds kinds = TFileKinds::DiskFilesOnly);

// The same reads for callers that need only a part of the colours (a
// thumbnail's columns) and must stay within a memory budget: the list holds
// at most `colorLimit` colours (a line that would add more is faulty,
// TooManyColors), and on success `use` gets the colours while the list
// still holds them, so that nothing is copied.
using TColorsUser = std::function<void(std::span<const TPackedColor> colors)>;
ColorMapResult ReadColorMap(TByteSource& source, const TColorsUser& use, char decimalSeparator,
                            std::int32_t colorLimit, TColorMapReport* report = nullptr);

}  // namespace rulv
