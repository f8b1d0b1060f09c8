// Plot.h - `rulvtool inspect --plot OUT.svg`: the inspection as a picture.
//
// One SVG of 800 x 600 units (it scales to any size), from the top:
//   - the file name and a summary line (colours, L* range and monotony,
//     median step of each view);
//   - the strip in each view, one under the other, labelled: normal, grey,
//     protan, deutan, tritan, in the 8-bit colours `render --view` paints
//     (the viewer's column mapping, kPlotStripWidth columns wide);
//   - CIE L* of every colour against its index, 0 to 100, with the place
//     where it turns marked;
//   - the CIEDE2000 step arriving at every colour in each inspected view,
//     with the just-noticeable difference as a dashed line, and a legend.
// Both charts share the strips' horizontal scale: colour i is drawn at
// the middle of its stripe, a step between two stripes at their border.
// Charts of more colours than there are columns show, per column, the
// lowest and the highest value of the colours in it.
#pragma once

#include <string>

#include "tool/Inspect.h"

namespace rulv::tool {

// The picture's size in SVG units, and where the strips and charts lie:
// all of them from kPlotLeft, kPlotStripWidth wide; the strips between the
// summary line and the L* chart, which spans L* 100 at its top to 0 at its
// bottom.
inline constexpr int kPlotWidth = 800;
inline constexpr int kPlotHeight = 600;
inline constexpr int kPlotLeft = 80;
inline constexpr int kPlotStripWidth = 696;
inline constexpr int kPlotLightnessTop = 218;
inline constexpr int kPlotLightnessBottom = 338;

// The SVG text; `name` is the file name as shown in messages (any bytes:
// invalid UTF-8 and control characters are replaced).
std::string PlotSvg(const std::string& name, const TPaletteArray& colors, const TInspection& inspection);

}  // namespace rulv::tool
