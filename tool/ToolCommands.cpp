// ToolCommands.cpp - argument handling and the dump and check commands.
#include "tool/ToolCommands.h"

#include <algorithm>
#include <new>
#include <optional>
#include <system_error>

#include "tool/Convert.h"
#include "tool/Diagnostic.h"
#include "tool/Inspect.h"
#include "tool/Lint.h"
#include "tool/Render.h"
#include "colormap/ColorMap.h"
#include "common/Errors.h"
#include "common/FileInput.h"
#include "common/RegionalSettings.h"
#include "resources/RulvVersion.h"

namespace rulv::tool {

namespace {

constexpr std::string_view kUsage =
    "usage: rulvtool dump FILE | check FILE... | inspect FILE [OPTION...]\n"
    "       | lint FILE... [OPTION...]\n"
    "       | render FILE -o OUT.png [--size WxH] [--view VIEW]\n"
    "       | convert IN OUT [--from FORMAT] [--to FORMAT] [options] | --help | --version\n"
    "       (dump, check, inspect and render take --from FORMAT too)\n";

constexpr std::string_view kHelp =
    "rulvtool - checks, lists, measures, renders and converts colour-map files\n"
    "\n"
    "  rulvtool dump FILE       print every colour of FILE, one per line, as RRGGBB\n"
    "  rulvtool check FILE...   print \"FILE: N colours\" for each file, or its fault\n"
    "  rulvtool inspect FILE [--format text|json|csv] [--plot OUT.svg]\n"
    "                   [--lightness-tolerance T]\n"
    "                           lightness (CIE L*) and the CIEDE2000 steps between\n"
    "                           neighbours, also as people with protanopia,\n"
    "                           deuteranopia and tritanopia see them; json and csv\n"
    "                           give every colour's L* and steps as well; --plot\n"
    "                           draws the strips, L* and the steps into a picture\n"
    "  rulvtool lint FILE... [--kind KIND] [--max-ratio R] [--min-step D]\n"
    "                   [--lightness-tolerance T]\n"
    "                           warn where a map breaks a rule of its KIND (below)\n"
    "  rulvtool render FILE -o OUT.png [--size WxH] [--view VIEW]\n"
    "                           draw the colour strip as the viewer shows it\n"
    "                           (default size 427x78) into a PNG picture; VIEW is\n"
    "                           normal (default), grey (L* as grey, like a black-\n"
    "                           and-white print), protan, deutan or tritan\n"
    "%CONVERT%"    "  rulvtool --help          this text\n"
    "  rulvtool --version       the version\n"
    "\n"
    "Views: protan, deutan, tritan = Machado et al. (2009) matrix, severity 1.0, on\n"
    "linear sRGB, clipped to 0..1, unrounded (render rounds); grey = same luminance.\n"
    "\n"
    "L* counts as monotonic when no colour lies more than T (default 0.25) against\n"
    "its way from the farthest L* before it: smaller falls are rounding.\n"
    "\n"
    "The rules of lint, by KIND (default sequential); steps are CIEDE2000:\n"
    "  sequential   1  L* rises or falls throughout\n"
    "               2  no step (normal view) exceeds R (default 4) times the median\n"
    "  diverging    3  L* turns once, at a colour in the middle fifth of the map\n"
    "  cyclic       4  the first and the last colour are at most 2.0 apart\n"
    "               5  no step (normal view) exceeds R times the median\n"
    "  categorical  6  neighbours are at least D (default 10) apart in every view\n"
    "Each failure is one line on standard output, FILE:INDEX: warning: REASON\n"
    "(INDEX of the colour, from 0) or FILE: warning: REASON; exit status 1 when\n"
    "any file fails.\n"
    "\n"
    "%FORMATS%"
    "--from FORMAT reads FILE of dump, check, inspect and render in FORMAT.\n"
    "FILE - reads the standard input (named <stdin> in messages), so that an\n"
    "editor can check a buffer it has not saved. Use -- before file names that\n"
    "begin with a minus sign. -o - and --plot - write the picture to the\n"
    "standard output (instead of inspect's report); a device or FIFO given as\n"
    "the picture is written as it is, a file is replaced only once the whole\n"
    "picture is written.\n"
    "\n"
    "A faulty line is reported on standard error as compilers report errors:\n"
    "\n"
    "  maps/fire.rulv:7:21: error: gradient count is 0; a gradient needs at least one colour\n"
    "      7 | #GRAD 000000,FFFFFF,0\n"
    "        |                     ^\n"
    "\n"
    "FILE:LINE:COLUMN, the column in bytes from 1; a file without colours is\n"
    "reported as FILE: alone. Exit status: 0 all files fine, 1 a faulty file,\n"
    "2 a missing file, a folder, an input-output error or bad arguments.\n"
    "\n"
    "The faults of a line, each with an example line and what is said of it:\n";

// The arguments after the command: file names, and the values of the
// options that `valueOptions` names. Anything else that starts with a minus
// sign before "--" is an unknown option.
struct TCommandLine {
    std::vector<const TArgument*> Files;
    std::vector<std::pair<std::string, const TArgument*>> Options;
    std::optional<std::string> Fault;
    // The files with the format --from names, when it names one.
    std::vector<TArgument> Named;
};

// --from FORMAT: the files, each with that format. The reason when FORMAT
// names no readable format.
std::optional<std::string> ApplyFrom(TCommandLine& line) {
    for (const auto& [option, value] : line.Options) {
        if (option != "--from") continue;
        const std::optional<TMapFormat> format = MapFormatNamed(value->Text);
        if (!format || !CanReadMapFormat(*format)) return "--from wants a readable format (rulvtool --help lists them)";
        line.Named.clear();
        for (const TArgument* file : line.Files) {
            line.Named.push_back(*file);
            line.Named.back().Format = format;
        }
    }
    if (!line.Named.empty()) {
        for (std::size_t i = 0; i < line.Files.size(); ++i) line.Files[i] = &line.Named[i];
    }
    return std::nullopt;
}

TCommandLine SplitArguments(const std::vector<TArgument>& arguments, std::size_t first,
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

namespace {

bool IsStandardInput(const TArgument& file) { return file.Text == "-"; }

// `output` is the caller's colour array, or only their count.
template <class TOutput>
ColorMapResult LoadFrom(const TArgument& file, TOutput& output, TColorMapReport& report) {
    // Pipes and FIFOs are files too, as for every command-line tool.
    if (!IsStandardInput(file)) return LoadColorMapFile(file.Path, output, UserDecimalSeparator(), &report, TFileKinds::AnyFile);
    TStandardInput input;
    return ReadColorMap(input, output, UserDecimalSeparator(), &report);
}

// A map in another format than .rulv, sampled as convert samples it by
// default; its colours, or their count.
TLoadOutcome LoadOther(const TArgument& file, TMapFormat format, TPaletteArray& colors, const TToolStreams& streams) {
    TMapSource source;
    TLoadOutcome outcome = LoadMapForTool(file, format, TReadOptions{}, source, streams);
    if (outcome.Status != kExitOk) return outcome;
    try {
        TPaletteArray sampled = SampleMap(source, TSampling{});
        colors.swap(sampled);
    } catch (const Exception& error) {
        return {kExitTrouble, ShownName(file) + ": " + error.what() + "\n"};
    }
    return outcome;
}

TLoadOutcome LoadOther(const TArgument& file, TMapFormat format, std::int64_t& count, const TToolStreams& streams) {
    TPaletteArray colors;
    TLoadOutcome outcome = LoadOther(file, format, colors, streams);
    if (outcome.Status == kExitOk) count = static_cast<std::int64_t>(colors.size());
    return outcome;
}

template <class TOutput>
TLoadOutcome Load(const TArgument& file, TOutput& output, const TToolStreams& streams) {
    const std::optional<TMapFormat> format = file.Format ? file.Format : ExchangeFormatOfPath(file.Path);
    if (format && *format != TMapFormat::Rulv) return LoadOther(file, *format, output, streams);
    const std::string name = ShownName(file);
    try {
        TColorMapReport report;
        const ColorMapResult result = LoadFrom(file, output, report);
        if (result == kColorMapLoaded) return {kExitOk, {}};
        if (result > 0) {
            const auto codePage = CodePageNumbered(streams.ErrCodePage());
            return {kExitFaultyFile, FaultDiagnostic(name, result, report, *codePage)};
        }
        if (result == kColorMapNoColors) return {kExitFaultyFile, NoColorsDiagnostic(name, report)};
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

}  // namespace

int UsageError(TToolStreams& streams, std::string_view reason) {
    streams.Err("rulvtool: ");
    streams.Err(reason);
    streams.Err("\n");
    streams.Err(kUsage);
    return kExitTrouble;
}

bool LooksLikeOption(const std::string& text) { return text.size() > 1 && text.front() == '-'; }

std::string ShownName(const TArgument& file) {
    return IsStandardInput(file) ? std::string(kStandardInputName) : file.Text;
}

TLoadOutcome LoadForTool(const TArgument& file, TPaletteArray& colors, const TToolStreams& streams) {
    return Load(file, colors, streams);
}

TLoadOutcome CountForTool(const TArgument& file, std::int64_t& count, const TToolStreams& streams) {
    return Load(file, count, streams);
}

namespace {

// Writes the colours as RRGGBB lines in large pieces.
void WriteColors(const TPaletteArray& colors, TToolStreams& streams) {
    constexpr std::size_t kLineLength = kHexColorLength + 1;
    constexpr std::size_t kLinesPerPiece = 8192;
    std::string piece;
    piece.reserve(kLineLength * kLinesPerPiece);
    for (const TPackedColor color : colors) {
        char line[kLineLength];
        WriteHexColor(color, line);
        line[kHexColorLength] = '\n';
        piece.append(line, kLineLength);
        if (piece.size() >= kLineLength * kLinesPerPiece) {
            streams.Out(piece);
            piece.clear();
        }
    }
    streams.Out(piece);
}

int Dump(const std::vector<TArgument>& arguments, TToolStreams& streams) {
    TCommandLine line = SplitArguments(arguments, 1, {"--from"});
    if (!line.Fault) line.Fault = ApplyFrom(line);
    if (line.Fault) return UsageError(streams, *line.Fault);
    if (line.Files.size() != 1) return UsageError(streams, "dump takes exactly one file");
    TPaletteArray colors;
    const TLoadOutcome outcome = LoadForTool(*line.Files.front(), colors, streams);
    if (outcome.Status != kExitOk) {
        streams.Err(outcome.Message);
        return outcome.Status;
    }
    WriteColors(colors, streams);
    return kExitOk;
}

int Check(const std::vector<TArgument>& arguments, TToolStreams& streams) {
    TCommandLine line = SplitArguments(arguments, 1, {"--from"});
    if (!line.Fault) line.Fault = ApplyFrom(line);
    if (line.Fault) return UsageError(streams, *line.Fault);
    if (line.Files.empty()) return UsageError(streams, "check needs at least one file");
    int worst = kExitOk;
    for (const TArgument* file : line.Files) {
        std::int64_t count = 0;
        const TLoadOutcome outcome = CountForTool(*file, count, streams);
        if (outcome.Status == kExitOk) {
            streams.Out(ShownName(*file) + ": " + std::to_string(count) + " colours\n");
        } else {
            streams.Err(outcome.Message);
        }
        worst = std::max(worst, outcome.Status);
    }
    return worst;
}

int Render(const std::vector<TArgument>& arguments, TToolStreams& streams) {
    TCommandLine line = SplitArguments(arguments, 1, {"-o", "--size", "--view", "--from"});
    if (!line.Fault) line.Fault = ApplyFrom(line);
    if (line.Fault) return UsageError(streams, *line.Fault);
    if (line.Files.size() != 1) return UsageError(streams, "render takes exactly one file");
    TRenderRequest request{*line.Files.front(), nullptr, kDefaultStripSize, TVisionView::Normal};
    for (const auto& [option, value] : line.Options) {
        if (option == "--from") continue;
        if (option == "-o") {
            request.Output = value;
        } else if (option == "--view") {
            if (!ParseVisionView(value->Text, request.View)) {
                return UsageError(streams, "--view wants normal, grey, protan, deutan or tritan");
            }
        } else if (!ParseStripSize(value->Text, request.Size)) {
            return UsageError(streams, "--size wants two positive whole numbers WxH, at most " +
                                           std::to_string(kMaxStripPixels) + " pixels in all");
        }
    }
    if (request.Output == nullptr) return UsageError(streams, "render needs -o OUT.png");
    return RenderStrip(request, streams);
}

constexpr std::string_view kToleranceWanted = "--lightness-tolerance wants a number of L*, such as 0.25";

int Inspect(const std::vector<TArgument>& arguments, TToolStreams& streams) {
    TCommandLine line = SplitArguments(arguments, 1, {"--format", "--plot", "--lightness-tolerance", "--from"});
    if (!line.Fault) line.Fault = ApplyFrom(line);
    if (line.Fault) return UsageError(streams, *line.Fault);
    if (line.Files.size() != 1) return UsageError(streams, "inspect takes exactly one file");
    TInspectRequest request{*line.Files.front()};
    for (const auto& [option, value] : line.Options) {
        if (option == "--from") continue;
        if (option == "--format") {
            const std::string& format = value->Text;
            if (format != "text" && format != "json" && format != "csv") {
                return UsageError(streams, "--format wants text, json or csv");
            }
            request.Format = format == "json" ? TInspectFormat::Json
                             : format == "csv" ? TInspectFormat::Csv
                                               : TInspectFormat::Text;
        } else if (option == "--plot") {
            request.Plot = value;
        } else if (!ParseDecimal(value->Text, request.LightnessTolerance)) {
            return UsageError(streams, kToleranceWanted);
        }
    }
    return InspectMap(request, streams);
}

int Lint(const std::vector<TArgument>& arguments, TToolStreams& streams) {
    const TCommandLine line =
        SplitArguments(arguments, 1, {"--kind", "--max-ratio", "--min-step", "--lightness-tolerance"});
    if (line.Fault) return UsageError(streams, *line.Fault);
    if (line.Files.empty()) return UsageError(streams, "lint needs at least one file");
    TLintRequest request;
    request.Files = line.Files;
    TLintLimits& limits = request.Limits;
    for (const auto& [option, value] : line.Options) {
        const std::string& text = value->Text;
        if (option == "--kind") {
            if (!ParseMapKind(text, request.Kind)) {
                return UsageError(streams, "--kind wants sequential, diverging, cyclic or categorical");
            }
        } else if (option == "--max-ratio") {
            if (!ParseDecimal(text, limits.MaxRatio) || limits.MaxRatio <= 0) {
                return UsageError(streams, "--max-ratio wants a number above 0, such as 4");
            }
        } else if (option == "--min-step") {
            if (!ParseDecimal(text, limits.MinStep)) return UsageError(streams, "--min-step wants a number, such as 10");
        } else if (!ParseDecimal(text, limits.LightnessTolerance)) {
            return UsageError(streams, kToleranceWanted);
        }
    }
    return LintMaps(request, streams);
}

}  // namespace

int RunTool(const std::vector<TArgument>& arguments, TToolStreams& streams) {
    if (arguments.empty()) return UsageError(streams, "no command given");
    const std::string& command = arguments.front().Text;
    if (command == "--help") {
        const std::size_t convert = kHelp.find("%CONVERT%");
        const std::size_t formats = kHelp.find("%FORMATS%");
        streams.Out(kHelp.substr(0, convert));
        streams.Out(ConvertHelp());
        streams.Out(kHelp.substr(convert + 9, formats - convert - 9));
        streams.Out(FormatsHelp());
        streams.Out(kHelp.substr(formats + 9));
        streams.Out(FaultKindsHelp());
        return kExitOk;
    }
    if (command == "--version") {
        streams.Out("rulvtool " RULV_VERSION_TEXT "\n");
        return kExitOk;
    }
    if (command == "dump") return Dump(arguments, streams);
    if (command == "check") return Check(arguments, streams);
    if (command == "render") return Render(arguments, streams);
    if (command == "inspect") return Inspect(arguments, streams);
    if (command == "lint") return Lint(arguments, streams);
    if (command == "convert") return ConvertMap(std::vector<TArgument>(arguments.begin() + 1, arguments.end()), streams);
    if (LooksLikeOption(command)) return UsageError(streams, "unknown option " + command);
    return UsageError(streams, "unknown command " + command);
}

}  // namespace rulv::tool
