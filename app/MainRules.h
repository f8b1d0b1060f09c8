// MainRules.h - the main window's rules that need no window: the title's
// file part, the command-line argument, the readout texts, the pace of
// reading a followed file and the display palette record. Portable, so that
// they are tested natively as well as in the Windows build; the window
// (Main.cpp) and the strip's painting (StripPainter.h) use them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "colormap/ColorMap.h"
#include "colormap/ColorScience.h"
#include "common/PathParts.h"

namespace rulv {

inline constexpr wchar_t kApplicationName[] = L"RULV Viewer";

// The application title after a load: "<file part> - RULV Viewer".
std::wstring LoadedTitle(std::wstring_view fileName);

// The words of a program's command line, the program's name first. Words
// are separated by blanks and control characters (codes up to 32); a
// stretch in double quotes may hold blanks and loses its quotes.
std::vector<std::wstring> CommandLineWords(std::wstring_view commandLine);
// The first argument after the program's name; empty when there is none.
std::wstring FirstArgument(std::wstring_view commandLine);

// The index readout: "17/255" for entry 17 of 256 colours.
std::wstring IndexReadout(std::int64_t index, std::int64_t count);
// The colour readout: hex colour text, red first (0x00336699 gives 996633).
std::wstring HexColorReadout(TPackedColor color);
// The colour readout in a view: the colour as `view` shows it, then the
// map's own in brackets ("3B5C8A (3F528F)"); in the normal view the map's
// own alone, as HexColorReadout gives it.
std::wstring ViewedColorReadout(TPackedColor color, TVisionView view);

// When a followed file is read again, on a clock in milliseconds. A change
// is read after a short settling time, and two reads are at least kSpacing
// apart however often the file changes; a change noticed
// while a read is due already is left to that read, which comes after it
// and so reads the file's last state.
class TFollowPacer {
public:
    static constexpr std::int64_t kSettle = 50;
    static constexpr std::int64_t kSpacing = 200;

    // A change noticed at `now`: the delay until the file is to be read,
    // or nothing when a read is due already.
    std::optional<std::int64_t> Changed(std::int64_t now) noexcept;
    // The due read was made at `now`.
    void Read(std::int64_t now) noexcept;
    bool Due() const noexcept { return FDue; }
    // Nothing due any more (the file is no longer followed).
    void Cancel() noexcept { FDue = false; }

private:
    bool FDue = false;
    std::optional<std::int64_t> FLastRead;
};

// The logical palette record CreatePalette takes (LOGPALETTE with room for
// 256 entries; the window checks the layout against the platform's).
struct TPaletteEntry {
    std::uint8_t Red;
    std::uint8_t Green;
    std::uint8_t Blue;
    std::uint8_t Flags;
};
struct TDisplayPaletteRecord {
    std::uint16_t Version;
    std::uint16_t Count;
    TPaletteEntry Entries[256];
};
inline constexpr std::uint16_t kPaletteVersion = 0x300;
inline constexpr std::uint8_t kPaletteNoCollapse = 4;  // PC_NOCOLLAPSE

// Version 0x300, 256 entries; entries 0 to m-1 (m = min(count, 256, the
// array's size)) from `colors`, flags PC_NOCOLLAPSE; the rest zero. A value,
// not a heap block: it lives on the stack of the one call that needs it,
// and building it cannot run out of memory.
TDisplayPaletteRecord BuildDisplayPalette(const TPaletteArray& colors, std::int32_t count) noexcept;

}  // namespace rulv
