// StripPainter.h - the colour strip drawn into a device context with GDI:
// what the paint box shows and what the GUI benchmark measures.
#pragma once

#include <windows.h>

#include "colormap/ColorMap.h"

namespace rulv {

// Paints every pixel of a width x height area: column x in the colour of
// the entry the column mapping gives it, as a one-pixel vertical line. One
// pen per run of equal colours. Draws nothing for an empty array or area.
void PaintStrip(HDC dc, const TPaletteArray& colors, int width, int height);

}  // namespace rulv
