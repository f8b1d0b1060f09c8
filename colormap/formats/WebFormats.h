// WebFormats.h - colour maps written for the web, never read back.
//
//   .hex  #RRGGBB a line
//   .css  linear-gradient(to right, #440154 0%, #21918c 50%, #fde725 100%)
//   .svg  a picture of one <linearGradient> shown by a rectangle
//
// CSS and SVG interpolate in sRGB between their stops, so they get the
// kept nodes of the list (NodeWriting.h) at i / (N - 1) as stops.
#pragma once

#include <string>
#include <string_view>

#include "colormap/formats/MapSource.h"

namespace rulv {

std::string WriteHexList(const TPaletteArray& colors);
// A rule for `.colormap` with the gradient as its background.
std::string WriteCssGradient(const TPaletteArray& colors, std::string_view comment);
std::string WriteSvgGradient(const TPaletteArray& colors, std::string_view comment);

}  // namespace rulv
