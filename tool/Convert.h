// Convert.h - `rulvtool convert`: a colour map from one format to another.
//
//   rulvtool convert IN OUT [--from FORMAT] [--to FORMAT] [--name NAME]
//                    [--range A:B] [--colours N] [--reverse] [--scale 1|255]
//                    [--tolerance D]
//
// The formats come from the extensions of IN and OUT, or from --from and
// --to (needed for "-", standard input or output); colormap/formats/
// MapFormat.h lists them. The map read (MapSource.h) goes through the
// transforms and is written; .rulv output is the shortest exact text
// (RulvWriter.h), or with --tolerance the fewer lines within CIEDE2000 D,
// the largest difference reached going to standard error. Nothing is
// written on any failure; OUT is replaced only once it is whole
// (OutputFile.h).
#pragma once

#include <vector>

#include "colormap/formats/MapFiles.h"
#include "tool/ToolCommands.h"

namespace rulv::tool {

// The arguments after "convert"; the exit status.
int ConvertMap(const std::vector<TArgument>& arguments, TToolStreams& streams);

// Reads `file` (named or "-") in `format`, which is not .rulv, into
// `source`; a fault is reported as FILE:LINE:COL with the line and a caret
// (a .act without lines as FILE: alone), a map without colours as FILE:
// and exit status 1.
TLoadOutcome LoadMapForTool(const TArgument& file, TMapFormat format, const TReadOptions& options, TMapSource& source,
                            const TToolStreams& streams);

// The help text's lines on convert, and on the formats.
std::string_view ConvertHelp() noexcept;
std::string_view FormatsHelp() noexcept;

}  // namespace rulv::tool
