// OutputFile.h - writing a command's result to the file the user named.
//
// "-" is standard output. A device or a FIFO is written as it is; a regular
// file or a new name gets the bytes under a temporary name in the output's
// folder, renamed to the output name only when all of them are written; on
// any failure no file is left behind and an existing output stays as it
// was.
#pragma once

#include <string>
#include <string_view>

#include "tool/ToolCommands.h"

namespace rulv::tool {

// Writes `bytes` to `output`; the reason of a failure (the system's), or
// an empty text on success. Standard output's failures show when it is
// flushed at the end of the run.
std::string WriteOutputFile(const TArgument& output, std::string_view bytes, TToolStreams& streams);

}  // namespace rulv::tool
