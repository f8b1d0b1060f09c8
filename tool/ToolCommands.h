// ToolCommands.h - rulvtool's commands, apart from the process entry.
//
//   rulvtool dump FILE        every colour of FILE, one per line, RRGGBB
//   rulvtool check FILE...    one line per file: its colour count or its fault
//   rulvtool inspect FILE [--format text|json]
//                             lightness and perceptual steps (Inspect.h)
//   rulvtool render FILE -o OUT.png [--size WxH] [--view VIEW]
//                             the strip the viewer paints, as a PNG picture,
//                             or as a view of it (Render.h)
//
// Exit status: 0 success; 1 a faulty file (a faulty line, or no colour);
// 2 everything else (no such file, a folder, an input-output error, bad
// arguments). Fault messages start with the file name as given, then the
// line number where there is one: "FILE:n: ..." or "FILE: ...", the form
// editors jump to.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "colormap/ColorMap.h"

namespace rulv::tool {

enum TExitStatus : int {
    kExitOk = 0,
    kExitFaultyFile = 1,
    kExitTrouble = 2,
};

// One command-line argument: as UTF-8 text for messages and comparisons,
// and as the path the system would open (UTF-16 on Windows, so that any
// name opens).
struct TArgument {
    std::string Text;
    std::filesystem::path Path;
};

// Where the commands write; the text is UTF-8 with "\n" line ends.
class TToolStreams {
public:
    virtual ~TToolStreams() = default;
    virtual void Out(std::string_view text) = 0;
    virtual void Err(std::string_view text) = 0;
};

// A load as the commands report it: the exit status it stands for and, when
// that is not 0, the line for standard error ("FILE:n: ..." or "FILE: ...").
struct TLoadOutcome {
    int Status;
    std::string Message;
};

// Loads `file` into `colors` (left as it was unless the status is 0).
TLoadOutcome LoadForTool(const TArgument& file, TPaletteArray& colors);

// Runs the command line (without the program name) and gives the exit status.
int RunTool(const std::vector<TArgument>& arguments, TToolStreams& streams);

}  // namespace rulv::tool
