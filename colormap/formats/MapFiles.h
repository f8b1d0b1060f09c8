// MapFiles.h - a colour map read from and written to any format by name,
// and the viewer's load of the six exchange formats.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "colormap/ColorMap.h"
#include "colormap/formats/MapFault.h"
#include "colormap/formats/MapFormat.h"
#include "colormap/formats/MapSource.h"

namespace rulv {

struct TReadOptions {
    std::string Name;                 // a ParaView preset's name; empty: the first
    std::optional<int> Scale = std::nullopt;  // .txt and .csv: 1 or 255
    char DecimalSeparator = '.';      // .rulv: the #LINE slopes' separator
};

// Reads `bytes` in `format` (readable). Raises EMapFault for a faulty file
// (a faulty .rulv line too, with the reader's own reason), and
// EOutOfMemory. A map without a colour has neither nodes nor colours.
TMapSource ReadMapBytes(std::string_view bytes, TMapFormat format, const TReadOptions& options);

struct TWriteOptions {
    std::string Name;     // the map's name, where the format has one
    std::string Comment = {};  // a first comment line, where the format has comments
};

// The bytes of `colors` (at least one) in `format` (writable). Raises
// EMapFault for a map the format cannot hold (.act beyond 256 colours) and
// ERulvWriterBug (RulvWriter.h).
std::string WriteMapBytes(const TPaletteArray& colors, TMapFormat format, const TWriteOptions& options);

// The viewer's load of a file in one of the exchange formats (.cpt, .gpl,
// .json, .xml, .jscm, .act), sampled as rulvtool samples it by default:
// the results of LoadColorMapFile (-1 no such file, -2 no colour, n the
// line of the first fault, the line of a .act of the wrong size being 1),
// and `colors` written only on success. Raises EInOutError and
// EOutOfMemory as LoadColorMapFile does.
ColorMapResult LoadExchangeFile(const std::filesystem::path& fileName, TMapFormat format, TPaletteArray& colors);

// The whole of a byte source (at most `limit` bytes; more is EInOutError
// with that reason), for the readers that need all of a file at once.
std::string ReadAllBytes(TByteSource& source, std::size_t limit);

// The largest file the exchange readers take: 1 GiB.
inline constexpr std::size_t kLargestExchangeFile = std::size_t{1} << 30;

}  // namespace rulv
