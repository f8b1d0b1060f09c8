// ToolCommands.h - rulvtool's commands, apart from the process entry.
//
//   rulvtool dump FILE        every colour of FILE, one per line, RRGGBB
//   rulvtool check FILE...    one line per file: its colour count or its fault
//   rulvtool inspect FILE [--format text|json|csv] [--plot OUT.svg] [--lightness-tolerance T]
//                             lightness and perceptual steps (Inspect.h),
//                             and their picture (Plot.h)
//   rulvtool lint FILE... [--kind KIND] [--max-ratio R] [--min-step D] [--lightness-tolerance T]
//                             the rules of each kind of map (Lint.h)
//   rulvtool render FILE -o OUT.png [--size WxH] [--view VIEW]
//                             the strip the viewer paints, as a PNG picture,
//                             or as a view of it (Render.h)
//
// Exit status: 0 success; 1 a faulty file (a faulty line, or no colour);
// 2 everything else (no such file, a folder, an input-output error, bad
// arguments). Fault messages start with the file name as given, then the
// line number and column where there are ones: "FILE:n:c: error: ..." with
// the line and a caret under the column (Diagnostic.h), or "FILE: ...",
// the forms editors jump to. A file named "-" is the standard input
// ("<stdin>" in messages).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "colormap/ColorMap.h"
#include "colormap/formats/MapFormat.h"

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
    // For a map file: the format --from names; nothing to go by the
    // extension (Load below).
    std::optional<TMapFormat> Format = std::nullopt;
};

// Where the commands write; the text is UTF-8 with "\n" line ends.
class TToolStreams {
public:
    virtual ~TToolStreams() = default;
    virtual void Out(std::string_view text) = 0;
    virtual void Err(std::string_view text) = 0;
    // Bytes that are no text (a picture) for standard output, as they are.
    virtual void OutBinary(std::string_view bytes) { Out(bytes); }
    // The code page the text of a faulty line is shown in on standard
    // error (its Windows number; 65001 is UTF-8).
    virtual unsigned ErrCodePage() const { return 65001; }
};

// A load as the commands report it: the exit status it stands for and, when
// that is not 0, the report for standard error ("FILE:n:c: error: ..." with
// the line and its caret, or "FILE: ...").
struct TLoadOutcome {
    int Status;
    std::string Message;
};

// The name of standard input, as files are named in messages.
inline constexpr std::string_view kStandardInputName = "<stdin>";

// A command line that does not fit: "rulvtool: " and the reason, then the
// usage lines, on standard error; the exit status for it.
int UsageError(TToolStreams& streams, std::string_view reason);

// An argument that starts with a minus sign and is not "-" alone.
bool LooksLikeOption(const std::string& text);

// The name of `file` in messages: as given, "<stdin>" for "-".
std::string ShownName(const TArgument& file);

// Loads `file` into `colors` (left as it was unless the status is 0); "-"
// reads the standard input. `streams` tells how a faulty line is shown.
// The format is the one --from named (file.Format), else one of the six
// exchange formats by the extension (.cpt, .gpl, .json, .xml, .jscm,
// .act), sampled as convert samples it by default; every other name is
// read as .rulv.
TLoadOutcome LoadForTool(const TArgument& file, TPaletteArray& colors, const TToolStreams& streams);
// The same load for a command that needs only how many colours there are.
TLoadOutcome CountForTool(const TArgument& file, std::int64_t& count, const TToolStreams& streams);

// Runs the command line (without the program name) and gives the exit status.
int RunTool(const std::vector<TArgument>& arguments, TToolStreams& streams);

}  // namespace rulv::tool
