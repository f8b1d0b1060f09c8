// MapFormat.h - the colour-map formats rulvtool converts between, and how a
// file's name picks one.
//
//   format  extensions     read  written  what it holds
//   rulv    .rulv          yes   yes      a list (our own format)
//   cpt     .cpt           yes   yes      GMT colour palette table: slices on z
//   json    .json          yes   yes      ParaView presets, RGBPoints on x
//   xml     .xml           yes   yes      ParaView colour maps, <Point> on x
//   jscm    .jscm          yes   yes      viscm / matplotlib: hex colours run together
//   gpl     .gpl           yes   yes      GIMP palette: a list
//   act     .act           yes   yes      Adobe colour table: up to 256 colours
//   txt     .txt           yes   yes      one colour a row, blank-separated
//   csv     .csv           yes   yes      one colour a row, comma-separated
//   hex     .hex           no    yes      #RRGGBB a line
//   css     .css           no    yes      a CSS linear-gradient
//   svg     .svg           no    yes      an SVG picture of a linearGradient
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

namespace rulv {

enum class TMapFormat {
    Rulv,
    Cpt,
    ParaViewJson,
    ParaViewXml,
    Jscm,
    GimpPalette,
    AdobeTable,
    Text,
    Csv,
    Hex,
    Css,
    Svg,
};

// Every format, in the order of the table above.
std::span<const TMapFormat> AllMapFormats() noexcept;

// The name --from and --to take, which is also the extension without its
// dot ("rulv", "cpt", "json", ...).
std::string_view MapFormatName(TMapFormat format) noexcept;

// The format of that name (case-insensitive), or nothing.
std::optional<TMapFormat> MapFormatNamed(std::string_view name) noexcept;

bool CanReadMapFormat(TMapFormat format) noexcept;
bool CanWriteMapFormat(TMapFormat format) noexcept;

// The format a file's extension names (case-insensitive), or nothing.
std::optional<TMapFormat> MapFormatOfPath(const std::filesystem::path& path);

// The format that the viewer and rulvtool's check, dump, inspect and render
// read a file in without being told: one of the six exchange formats they
// recognise by extension (.cpt, .gpl, .json, .xml, .jscm, .act); nothing
// for every other name, .rulv, .txt and .csv included, which the .rulv
// reader reads as it always has.
std::optional<TMapFormat> ExchangeFormatOfPath(const std::filesystem::path& path);

}  // namespace rulv
