// OutputFile.h - writing a file that the user named on the command line
// (render's PNG, inspect's SVG).
//
// "-" is standard output. A device or a FIFO is written as it is. A regular
// file or a new name gets the bytes under a temporary name in the output's
// folder, renamed to the output name only when all of them are written: on
// any failure no file is left behind and an existing output stays as it was.
#pragma once

#include <string>
#include <string_view>

#include "tool/ToolCommands.h"

namespace rulv::tool {

// Writes `bytes` to `output`. Gives kExitOk, or reports "OUT: reason" (the
// output as the user named it, never the temporary) on standard error and
// gives kExitTrouble.
int WriteOutputFile(const TArgument& output, std::string_view bytes, TToolStreams& streams);

// The system's text for an error number.
std::string ErrorNumberText(int error);

}  // namespace rulv::tool
