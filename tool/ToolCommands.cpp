// ToolCommands.cpp - argument handling and the dump and check commands.
#include "ToolCommands.h"

#include <algorithm>
#include <new>
#include <optional>
#include <system_error>

#include "colormap/ColorMap.h"
#include "common/Errors.h"
#include "Render.h"
#include "resources/RulvVersion.h"

namespace rulv::tool {

namespace {

constexpr std::string_view kUsage =
    "usage: rulvtool dump FILE | check FILE... | render FILE -o OUT.png [--size WxH] | --help | --version\n";

constexpr std::string_view kHelp =
    "rulvtool - checks, lists and renders RULV colour-map files (.rulv)\n"
    "\n"
    "  rulvtool dump FILE       print every colour of FILE, one per line, as RRGGBB\n"
    "  rulvtool check FILE...   print \"FILE: N colours\" for each file, or its fault\n"
    "  rulvtool render FILE -o OUT.png [--size WxH]\n"
    "                           draw the colour strip as the viewer shows it\n"
    "                           (default size 427x78) into a PNG picture\n"
    "  rulvtool --help          this text\n"
    "  rulvtool --version       the version\n"
    "\n"
    "A faulty file is reported as FILE:LINE: on standard error (FILE: alone\n"
    "when it holds no colour). Exit status: 0 all files fine, 1 a faulty file,\n"
    "2 a missing file, a folder, an input-output error or bad arguments.\n"
    "Use -- before file names that begin with a minus sign.\n";

// A command line that does not fit: the reason, then the usage line.
int UsageError(TToolStreams& streams, std::string_view reason) {
    streams.Err("rulvtool: ");
    streams.Err(reason);
    streams.Err("\n");
    streams.Err(kUsage);
    return kExitTrouble;
}

bool LooksLikeOption(const std::string& text) { return text.size() > 1 && text.front() == '-'; }

// The arguments after the command: file names, and the values of the
// options that `valueOptions` names. Anything else that starts with a minus
// sign before "--" is an unknown option.
struct TCommandLine {
    std::vector<const TArgument*> Files;
    std::vector<std::pair<std::string, const TArgument*>> Options;
    std::optional<std::string> Fault;
};

TCommandLine SplitCommandLine(const std::vector<TArgument>& arguments, std::size_t first,
                              const std::vector<std::string_view>& valueOptions) {
    TCommandLine line;
    bool optionsEnded = false;
    for (std::size_t i = first; i < arguments.size(); ++i) {
        const TArgument& argument = arguments[i];
        if (optionsEnded || !LooksLikeOption(argument.Text)) {
            line.Files.push_back(&argument);
        } else if (argument.Text == "--") {
            optionsEnded = true;
        } else if (std::find(valueOptions.begin(), valueOptions.end(), argument.Text) != valueOptions.end()) {
            if (i + 1 == arguments.size()) {
                line.Fault = argument.Text + " needs a value";
                return line;
            }
            line.Options.emplace_back(argument.Text, &arguments[++i]);
        } else {
            line.Fault = "unknown option " + argument.Text;
            return line;
        }
    }
    return line;
}

}  // namespace

TLoadOutcome LoadForTool(const TArgument& file, TPaletteArray& colors) {
    const std::string& name = file.Text;
    try {
        const ColorMapResult result = LoadColorMapFile(file.Path, colors);
        if (result == kColorMapLoaded) return {kExitOk, {}};
        if (result > 0) return {kExitFaultyFile, name + ":" + std::to_string(result) + ": faulty line\n"};
        if (result == kColorMapNoColors) return {kExitFaultyFile, name + ": no colours in the file\n"};
        std::error_code ignored;
        if (std::filesystem::is_directory(file.Path, ignored)) {
            return {kExitTrouble, name + ": is a folder, not a colour-map file\n"};
        }
        return {kExitTrouble, name + ": no such file\n"};
    } catch (const std::bad_alloc&) {
        return {kExitTrouble, name + ": " + EOutOfMemory().what() + "\n"};
    } catch (const Exception& error) {
        // Input-output errors carry the system's own message.
        return {kExitTrouble, name + ": " + error.what() + "\n"};
    }
}

namespace {

// Writes the colours as RRGGBB lines in large pieces.
void WriteColors(const TPaletteArray& colors, TToolStreams& streams) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    constexpr std::size_t kLineLength = 7;
    constexpr std::size_t kLinesPerPiece = 8192;
    std::string piece;
    piece.reserve(kLineLength * kLinesPerPiece);
    for (const TPackedColor color : colors) {
        const auto value = static_cast<std::uint32_t>(color);
        // Red sits in the low byte of a packed colour, and is printed first.
        for (const unsigned shift : {0u, 8u, 16u}) {
            const unsigned channel = (value >> shift) & 0xFF;
            piece.push_back(kDigits[channel >> 4]);
            piece.push_back(kDigits[channel & 0xF]);
        }
        piece.push_back('\n');
        if (piece.size() >= kLineLength * kLinesPerPiece) {
            streams.Out(piece);
            piece.clear();
        }
    }
    streams.Out(piece);
}

int Dump(const std::vector<TArgument>& arguments, TToolStreams& streams) {
    const TCommandLine line = SplitCommandLine(arguments, 1, {});
    if (line.Fault) return UsageError(streams, *line.Fault);
    if (line.Files.size() != 1) return UsageError(streams, "dump takes exactly one file");
    TPaletteArray colors;
    const TLoadOutcome outcome = LoadForTool(*line.Files.front(), colors);
    if (outcome.Status != kExitOk) {
        streams.Err(outcome.Message);
        return outcome.Status;
    }
    WriteColors(colors, streams);
    return kExitOk;
}

int Check(const std::vector<TArgument>& arguments, TToolStreams& streams) {
    const TCommandLine line = SplitCommandLine(arguments, 1, {});
    if (line.Fault) return UsageError(streams, *line.Fault);
    if (line.Files.empty()) return UsageError(streams, "check needs at least one file");
    int worst = kExitOk;
    for (const TArgument* file : line.Files) {
        TPaletteArray colors;
        const TLoadOutcome outcome = LoadForTool(*file, colors);
        if (outcome.Status == kExitOk) {
            streams.Out(file->Text + ": " + std::to_string(colors.size()) + " colours\n");
        } else {
            streams.Err(outcome.Message);
        }
        worst = std::max(worst, outcome.Status);
    }
    return worst;
}

int Render(const std::vector<TArgument>& arguments, TToolStreams& streams) {
    const TCommandLine line = SplitCommandLine(arguments, 1, {"-o", "--size"});
    if (line.Fault) return UsageError(streams, *line.Fault);
    if (line.Files.size() != 1) return UsageError(streams, "render takes exactly one file");
    TRenderRequest request{*line.Files.front(), nullptr, kDefaultStripSize};
    for (const auto& [option, value] : line.Options) {
        if (option == "-o") {
            request.Output = value;
        } else if (!ParseStripSize(value->Text, request.Size)) {
            return UsageError(streams, "--size wants two positive whole numbers WxH, at most " +
                                           std::to_string(kMaxStripPixels) + " pixels in all");
        }
    }
    if (request.Output == nullptr) return UsageError(streams, "render needs -o OUT.png");
    return RenderStrip(request, streams);
}

}  // namespace

int RunTool(const std::vector<TArgument>& arguments, TToolStreams& streams) {
    if (arguments.empty()) return UsageError(streams, "no command given");
    const std::string& command = arguments.front().Text;
    if (command == "--help") {
        streams.Out(kHelp);
        return kExitOk;
    }
    if (command == "--version") {
        streams.Out("rulvtool " RULV_VERSION_TEXT "\n");
        return kExitOk;
    }
    if (command == "dump") return Dump(arguments, streams);
    if (command == "check") return Check(arguments, streams);
    if (command == "render") return Render(arguments, streams);
    if (LooksLikeOption(command)) return UsageError(streams, "unknown option " + command);
    return UsageError(streams, "unknown command " + command);
}

}  // namespace rulv::tool
