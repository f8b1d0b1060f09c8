// CptFormat.h - GMT colour palette tables (.cpt).
//
//   # COLOR_MODEL = RGB
//   0    68/1/84     0.5  33/145/140
//   0.5  33/145/140  1    253/231/37
//   B 68/1/84
//
// Read: slices "z0 colour0 z1 colour1 [L|U|B] [;label]" with colours as
// r/g/b (0-255), a single grey value, #rrggbb or "-" (the slice's first
// colour); the old form "z0 r g b z1 r g b"; "#" comments; B, F and N
// lines, which are no part of the map. A table whose slices all hold one
// colour each is discrete: one colour per slice. Otherwise it is a
// continuous map on z, scaled to [0, 1], with a hard edge where a slice
// ends in another colour than the next one starts with. Only the RGB
// colour model is read ("# COLOR_MODEL = RGB", "+RGB"): HSV and CMYK
// tables, h-s-v and c/m/y/k colours and colour names are refused.
//
// Written: "# COLOR_MODEL = RGB" and a continuous slice from each kept
// node to the next, node i at z = i (so at i / (N - 1) once scaled),
// colours as r/g/b; a map of N equal colours as N discrete slices.
#pragma once

#include <string>
#include <string_view>

#include "colormap/formats/MapSource.h"

namespace rulv {

// Raises EMapFault.
TMapSource ReadCpt(std::string_view text);

// `comment`, when not empty, is written as a "#" line at the top.
std::string WriteCpt(const TPaletteArray& colors, std::string_view comment);

}  // namespace rulv
