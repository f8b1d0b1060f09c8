// ListFormats.h - the formats that hold a plain list of colours, and the
// .jscm map, whose colours are a list too.
//
// viscm / matplotlib colormap JSON (.jscm):
//   {"content-type":"application/vnd.matplotlib.colormap-v1+json","name":"m",
//    "colorspace":"sRGB","domain":"continuous","colors":"440154fde725"}
//   "colors" is the six-digit hex colours run together; "domain"
//   "continuous" makes the list a continuous map (sampled at 256 points
//   unless asked otherwise), "discrete" a list. Written continuous.
//
// GIMP palette (.gpl):
//   GIMP Palette
//   Name: m
//   # exported
//    68   1  84 #440154
//   "GIMP Palette" first; optional Name: and Columns:; "#" comments and
//   empty lines; rows of three integers 0-255 and an optional name.
//
// Adobe colour table (.act): 768 bytes, 256 times red, green, blue;
// optionally 4 more: the big-endian count of colours used and the
// transparent index (0xFFFF for none). Written with the 4 bytes; more than
// 256 colours are refused.
//
// Plain text and CSV (.txt, .csv): one colour a row, three numbers
// separated by blanks, commas or semicolons; floats in 0-1, or integers
// 0-255 when any value exceeds 1 (a scale of 1 or 255 may be given).
// Written as three numbers in 0-1 with six decimals, blank- or
// comma-separated.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "colormap/formats/MapSource.h"

namespace rulv {

// All raise EMapFault.
TMapSource ReadJscm(std::string_view text);
TMapSource ReadGimpPalette(std::string_view text);
TMapSource ReadAdobeTable(std::string_view bytes);
// `scale`: 1 or 255 to say how the numbers are meant, or nothing to decide
// by the values.
TMapSource ReadTextTable(std::string_view text, std::optional<int> scale);

std::string WriteJscm(const TPaletteArray& colors, std::string_view name);
std::string WriteGimpPalette(const TPaletteArray& colors, std::string_view name, std::string_view comment);
// Raises EMapFault for more than 256 colours.
std::string WriteAdobeTable(const TPaletteArray& colors);
// `separator`: ' ' or ','.
std::string WriteTextTable(const TPaletteArray& colors, char separator);

// The most colours an Adobe colour table holds.
inline constexpr std::size_t kAdobeTableColors = 256;

}  // namespace rulv
