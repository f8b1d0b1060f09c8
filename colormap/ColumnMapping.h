// ColumnMapping.h - which colour a pixel column of the strip shows.
//
// Painting and the pointer readout use this one mapping, so the readout
// always names the colour painted in the pointer's column:
//   scale = W / n, formed with a 64-bit significand and stored as a double;
//   index = x / scale, formed with a 64-bit significand, truncated toward 0.
// Because the scale is rounded to a double first, a column exactly on a
// stripe boundary can come out one index lower than x*n/W (W = 20, n = 6:
// column 10 gives index 2). All of it is integer arithmetic (Extended.h).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "colormap/ColorScience.h"
#include "colormap/Rgblib.h"

namespace rulv {

class TColumnMapping {
public:
    // width: W in pixels (>= 0); count: n, the number of colours (>= 1).
    TColumnMapping(std::int32_t width, std::int32_t count);

    // The index for pixel position x (which may lie outside 0..W-1, as the
    // pointer does while a button is held). Positions a little left of the
    // box give 0 by truncation; far right ones give n or more. A box of
    // width 0 maps nothing: the result is then -1 for every x.
    std::int64_t IndexOf(std::int32_t x) const;

    double Scale() const noexcept { return FScale; }

private:
    double FScale;
};

// The colour each column 0..width-1 of a strip shows: what the viewer paints
// and rulvtool renders. `colors` holds at least one colour. Columns inside
// the strip never map past the last entry; the clamp only guards the array.
std::vector<TPackedColor> StripColumnColors(std::span<const TPackedColor> colors, std::int32_t width);
// The same columns as `view` shows them (SimulateView of each): what the
// viewer paints in that view and `rulvtool render --view` renders.
std::vector<TPackedColor> StripColumnColors(std::span<const TPackedColor> colors, std::int32_t width,
                                            TVisionView view);

}  // namespace rulv
