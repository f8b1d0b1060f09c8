// ParaViewFormat.h - ParaView colour maps, as JSON presets (.json) and as
// XML (.xml).
//
//   [{"Name":"m","ColorSpace":"RGB","NanColor":[1,1,0],
//     "RGBPoints":[0,0.267,0.005,0.329, 1,0.993,0.906,0.144]}]
//
//   <ColorMaps><ColorMap name="m" space="RGB">
//    <Point x="0" o="1" r="0.267" g="0.005" b="0.329"/>
//   </ColorMap></ColorMaps>
//
// Read: the preset named by `name`, or the first one; its points (x, r, g,
// b, the channels in 0-1) with x scaled to [0, 1]. ColorSpace (space) RGB
// is a continuous map, linear in RGB between the points; Step gives one
// colour per point, each holding until the next. HSV, Lab, Diverging,
// Lab/CIEDE2000 and Wrapped interpolate in other spaces and are refused,
// and so are indexed (categorical) maps; opacity and the NaN colour do not
// show in a strip and are passed over.
//
// Written: one RGB preset whose points are the kept nodes (NodeWriting.h)
// at x = i / (N - 1), channels c / 255 as the shortest decimals that read
// back as those doubles.
//
// XML is read by our own small parser of the subset ParaView writes
// (XmlSubset.h): Debian ships pugixml only as a native library without its
// source, so it cannot serve the Windows build.
#pragma once

#include <string>
#include <string_view>

#include "colormap/formats/MapSource.h"

namespace rulv {

// Raise EMapFault. An empty `name` picks the first preset.
TMapSource ReadParaViewJson(std::string_view text, std::string_view name);
TMapSource ReadParaViewXml(std::string_view text, std::string_view name);

std::string WriteParaViewJson(const TPaletteArray& colors, std::string_view name);
std::string WriteParaViewXml(const TPaletteArray& colors, std::string_view name);

}  // namespace rulv
