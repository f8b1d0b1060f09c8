// StripPainter.h - the colour strip drawn into a device context with GDI:
// what the paint box shows and what the GUI benchmark measures; and the
// same picture as a bitmap for the clipboard.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

#include "colormap/ColorMap.h"
#include "colormap/ColorScience.h"

namespace rulv {

// How the strip reaches a device. Where the device shows true colour, one
// row of pixels becomes a pattern brush that a single fill repeats down
// the whole area: one call instead of a line per column, and the same
// pixels. Where it works through a palette (256 colours), pens are matched
// to the selected logical palette, which a bitmap's colours are not; there
// the strip keeps its pen lines.
enum class TStripMethod { PixelRow, PenLines };

// PixelRow on a device of 24 or more bits per pixel that neither works
// through a palette nor has a logical palette of ours selected.
TStripMethod StripMethodFor(HDC dc) noexcept;

// Paints every pixel of a width x height area: column x in the colour of
// the entry the column mapping gives it as `view` shows it, top to bottom,
// by the method the device takes. Draws nothing for an empty array or area.
void PaintStrip(HDC dc, const TPaletteArray& colors, int width, int height, TVisionView view = TVisionView::Normal);

// The two methods on their own. PaintStripLines draws one one-pixel
// vertical line per column, one pen per run of equal colours.
// PaintStripRow fills the area with a brush of one row of 32-bit pixels; it
// gives false, having drawn nothing, where the device refuses the brush.
void PaintStripLines(HDC dc, const TPaletteArray& colors, int width, int height,
                     TVisionView view = TVisionView::Normal);
bool PaintStripRow(HDC dc, const TPaletteArray& colors, int width, int height,
                   TVisionView view = TVisionView::Normal);

// The same picture as a packed device-independent bitmap, as the clipboard
// takes it (CF_DIB): a BITMAPINFOHEADER, then 24-bit rows, bottom row
// first, each padded to four bytes. Empty for an empty array or area.
std::vector<std::byte> StripBitmap(const TPaletteArray& colors, int width, int height,
                                   TVisionView view = TVisionView::Normal);

}  // namespace rulv
