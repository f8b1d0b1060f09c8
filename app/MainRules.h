// MainRules.h - the main window's rules that need no window: the title's
// file part, the command-line argument, the readout texts, the display
// palette record and the painting of the strip into a DC.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "colormap/ColorMap.h"
#include "common/PathParts.h"

namespace rulv {

inline constexpr wchar_t kApplicationName[] = L"RULV Viewer";


// The application title after a load: "<file part> - RULV Viewer".
std::wstring LoadedTitle(std::wstring_view fileName);

// The command line's words, the program's name first. Words are separated
// by blanks and control characters (codes up to 32); a stretch in double
// quotes may hold blanks and loses its quotes.
std::vector<std::wstring> SplitCommandLine(std::wstring_view commandLine);
// The first argument after the program's name; empty when there is none.
std::wstring FirstArgument(std::wstring_view commandLine);

// The index readout: "17/255" for entry 17 of 256 colours.
std::wstring IndexReadout(std::int64_t index, std::int64_t count);
// The colour readout: hex colour text, red first (0x00336699 gives 996633).
std::wstring HexColorText(TPackedColor color);

// The logical palette record CreatePalette takes: always 256 entries.
struct TDisplayPaletteRecord {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[256];
};
static_assert(offsetof(TDisplayPaletteRecord, palPalEntry) == offsetof(LOGPALETTE, palPalEntry));

// Version 0x300, 256 entries; entries 0 to m-1 (m = min(count, 256, the
// array's size)) from `colors`, flags PC_NOCOLLAPSE; the rest zero.
std::unique_ptr<TDisplayPaletteRecord> BuildDisplayPalette(const TPaletteArray& colors, std::int32_t count);

// Paints every pixel of a width x height area: column x in the colour of
// the entry the column mapping gives it, as a one-pixel vertical line. One
// pen per run of equal colours. Draws nothing for an empty array or area.
void PaintStrip(HDC dc, const TPaletteArray& colors, int width, int height);

}  // namespace rulv
