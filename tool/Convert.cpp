// Convert.cpp - the convert command and the loads of the exchange formats.
#include "tool/Convert.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <new>

#include "colormap/formats/RulvWriter.h"
#include "common/Errors.h"
#include "common/FileInput.h"
#include "common/RegionalSettings.h"
#include "tool/Diagnostic.h"
#include "tool/OutputFile.h"

namespace rulv::tool {

namespace {

constexpr std::string_view kConvertHelp =
    "  rulvtool convert IN OUT [--from FORMAT] [--to FORMAT] [--name NAME]\n"
    "                   [--range A:B] [--colours N] [--reverse] [--scale 1|255]\n"
    "                   [--tolerance D]\n"
    "                           write the map IN in the format of OUT; the formats\n"
    "                           come from the extensions, or --from and --to (which\n"
    "                           - for standard input or output needs)\n";

constexpr std::string_view kFormatsHelp =
    "Formats (FORMAT is the extension without its dot):\n"
    "  rulv   RULV colour map, read and written; written as the fewest lines\n"
    "         that read back exactly (#GRAD and #LINE runs), or with\n"
    "         --tolerance D within CIEDE2000 D of the input (the largest\n"
    "         difference goes to standard error):\n"
    "           * from viridis.json, 256 colours\n"
    "           #LINE 68,0,1,1,84,1,2\n"
    "           #GRAD 3B528B,21908D,40\n"
    "  cpt    GMT colour palette table (RGB only):\n"
    "           # COLOR_MODEL = RGB\n"
    "           0    68/1/84     0.5  33/145/140\n"
    "           0.5  33/145/140  1    253/231/37\n"
    "  json   ParaView presets, ColorSpace RGB or Step (--name picks a preset):\n"
    "           [{\"Name\":\"m\",\"ColorSpace\":\"RGB\",\n"
    "             \"RGBPoints\":[0,0.267,0.005,0.329,\n"
    "                           1,0.993,0.906,0.144]}]\n"
    "  xml    ParaView colour maps (--name picks one):\n"
    "           <ColorMaps><ColorMap name=\"m\" space=\"RGB\">\n"
    "            <Point x=\"0\" o=\"1\" r=\"0.267\" g=\"0.005\" b=\"0.329\"/>\n"
    "           </ColorMap></ColorMaps>\n"
    "  jscm   viscm / matplotlib colormap JSON:\n"
    "           {\"content-type\":\"application/vnd.matplotlib.colormap-v1+json\",\n"
    "            \"name\":\"m\",\"colorspace\":\"sRGB\",\"domain\":\"continuous\",\n"
    "            \"colors\":\"440154fde725\"}\n"
    "  gpl    GIMP palette:\n"
    "           GIMP Palette\n"
    "           Name: m\n"
    "            68   1  84 #440154\n"
    "  act    Adobe colour table: 768 bytes of 256 RGB triples, and optionally\n"
    "         a 4-byte count and transparent index; at most 256 colours\n"
    "         (--colours 256 resamples a longer map):\n"
    "           44 01 54  21 91 8C  FD E7 25 ... 00 03 FF FF\n"
    "  txt    one colour a row, blank-separated; 0-1, or 0-255 when a value\n"
    "  csv    is above 1 (--scale 1 or 255 says which); csv separated by\n"
    "         commas or semicolons:\n"
    "           0.266667,0.003922,0.329412\n"
    "           0.129412,0.568627,0.549020\n"
    "           0.992157,0.905882,0.145098\n"
    "  hex    written only: #RRGGBB a line\n"
    "           #440154\n"
    "           #21918C\n"
    "           #FDE725\n"
    "  css    written only: a CSS linear-gradient with stops in %\n"
    "           .colormap {\n"
    "             background: linear-gradient(to right, #440154 0%, #FDE725 100%);\n"
    "           }\n"
    "  svg    written only: a picture of one linearGradient\n"
    "           <svg xmlns=\"http://www.w3.org/2000/svg\" width=\"512\" height=\"64\">\n"
    "             <linearGradient id=\"colormap\" x1=\"0\" y1=\"0\" x2=\"1\" y2=\"0\">...\n"
    "           </svg>\n"
    "\n"
    "A .rulv map, a palette, a table and the text formats are lists of N\n"
    "colours; colour i of a list stands at x = i / (N - 1). Continuous maps\n"
    "(.cpt with ramps, ParaView RGB, .jscm continuous) are sampled at N points\n"
    "(N = 256 unless --colours N) linearly in RGB, each channel rounded to the\n"
    "nearest, ties to even; a discrete .cpt and a ParaView Step map give one\n"
    "colour per slice or point. A list written to a continuous format leaves\n"
    "out the nodes that linear interpolation gives back exactly, so reading\n"
    "it back at N points gives the same N colours.\n"
    "Transforms, in this order: --range A:B (the part between A and B, 0 <= A\n"
    "< B <= 1), --colours N (resampled linearly between neighbours), --reverse.\n"
    "check, dump, inspect and render read .cpt, .gpl, .json, .xml, .jscm and\n"
    ".act by their extension, and any readable format with --from FORMAT.\n"
    "\n";

bool IsStandard(const TArgument& file) { return file.Text == "-"; }

// The file part of a name, for the comment at the top of the output.
std::string FilePart(const TArgument& file) {
    if (IsStandard(file)) return std::string(kStandardInputName);
    const std::size_t slash = file.Text.find_last_of("/\\:");
    return slash == std::string::npos ? file.Text : file.Text.substr(slash + 1);
}

bool ParseCount(std::string_view text, std::int64_t& count) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > TPalette::kMaxColors) {
        return false;
    }
    count = value;
    return true;
}

bool ParseNumber(std::string_view text, double& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

bool ParseRange(std::string_view text, TSampling& sampling) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return false;
    double a = 0;
    double b = 0;
    if (!ParseNumber(text.substr(0, colon), a) || !ParseNumber(text.substr(colon + 1), b)) return false;
    if (!(a >= 0 && a < b && b <= 1)) return false;
    sampling.RangeStart = a;
    sampling.RangeEnd = b;
    sampling.HasRange = true;
    return true;
}

struct TConvertRequest {
    const TArgument* Input = nullptr;
    const TArgument* Output = nullptr;
    std::optional<TMapFormat> From;
    std::optional<TMapFormat> To;
    TReadOptions Read;
    TSampling Sampling;
    std::optional<double> Tolerance;
};

// The request, or the reason the command line does not fit.
std::optional<std::string> ParseRequest(const std::vector<TArgument>& arguments, TConvertRequest& request) {
    std::vector<const TArgument*> files;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const TArgument& argument = arguments[i];
        if (optionsEnded || !LooksLikeOption(argument.Text)) {
            files.push_back(&argument);
            continue;
        }
        const std::string& option = argument.Text;
        if (option == "--") {
            optionsEnded = true;
            continue;
        }
        if (option == "--reverse") {
            request.Sampling.Reverse = true;
            continue;
        }
        static constexpr std::string_view kValued[] = {"--from", "--to", "--name", "--range", "--colours",
                                                       "--scale", "--tolerance"};
        if (std::find(std::begin(kValued), std::end(kValued), option) == std::end(kValued)) {
            return "unknown option " + option;
        }
        if (i + 1 == arguments.size()) return option + " needs a value";
        const std::string& value = arguments[++i].Text;
        if (option == "--from" || option == "--to") {
            const std::optional<TMapFormat> format = MapFormatNamed(value);
            if (!format) return "unknown format " + value + " (rulvtool --help lists them)";
            if (option == "--from" && !CanReadMapFormat(*format)) return value + " files are written, not read";
            (option == "--from" ? request.From : request.To) = format;
        } else if (option == "--name") {
            request.Read.Name = value;
        } else if (option == "--range") {
            if (!ParseRange(value, request.Sampling)) return "--range wants A:B with 0 <= A < B <= 1";
        } else if (option == "--colours") {
            std::int64_t count = 0;
            if (!ParseCount(value, count)) return "--colours wants a whole number from 1 to 2147483647";
            request.Sampling.Colors = count;
        } else if (option == "--scale") {
            if (value != "1" && value != "255") return "--scale wants 1 or 255";
            request.Read.Scale = value == "1" ? 1 : 255;
        } else {
            double tolerance = 0;
            if (!ParseNumber(value, tolerance) || !(tolerance > 0)) return "--tolerance wants a CIEDE2000 difference above 0";
            request.Tolerance = tolerance;
        }
    }
    if (files.size() != 2) return "convert takes IN and OUT";
    request.Input = files[0];
    request.Output = files[1];
    if (!request.From) request.From = MapFormatOfPath(request.Input->Path);
    if (!request.To) request.To = MapFormatOfPath(request.Output->Path);
    if (!request.From && IsStandard(*request.Input)) return "standard input needs --from FORMAT";
    if (!request.To && IsStandard(*request.Output)) return "standard output needs --to FORMAT";
    if (!request.From || !CanReadMapFormat(*request.From)) {
        return "cannot tell the format of " + request.Input->Text + " from its name; name it with --from FORMAT";
    }
    if (!request.To) {
        return "cannot tell the format of " + request.Output->Text + " from its name; name it with --to FORMAT";
    }
    if (request.Tolerance && *request.To != TMapFormat::Rulv) return "--tolerance is for .rulv output";
    return std::nullopt;
}

std::string ReadInputBytes(const TArgument& file) {
    if (IsStandard(file)) {
        TStandardInput input;
        return ReadAllBytes(input, kLargestExchangeFile);
    }
    TFileInput input(file.Path, TFileKinds::AnyFile);
    std::string bytes = ReadAllBytes(input, kLargestExchangeFile);
    input.Close();
    return bytes;
}

// The map IN holds, or the outcome that tells why it holds none.
TLoadOutcome ReadInput(const TConvertRequest& request, TMapSource& source, const TToolStreams& streams) {
    if (*request.From == TMapFormat::Rulv) {
        TArgument file = *request.Input;
        file.Format = TMapFormat::Rulv;
        return LoadForTool(file, source.Colors, streams);
    }
    return LoadMapForTool(*request.Input, *request.From, request.Read, source, streams);
}

std::string MapName(const TConvertRequest& request, const TMapSource& source) {
    if (!source.Name.empty()) return source.Name;
    if (IsStandard(*request.Input)) return "colormap";
    const std::string file = FilePart(*request.Input);
    const std::size_t dot = file.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? file : file.substr(0, dot);
}

}  // namespace

std::string_view ConvertHelp() noexcept { return kConvertHelp; }
std::string_view FormatsHelp() noexcept { return kFormatsHelp; }

TLoadOutcome LoadMapForTool(const TArgument& file, TMapFormat format, const TReadOptions& options, TMapSource& source,
                            const TToolStreams& streams) {
    const std::string name = ShownName(file);
    std::string bytes;
    try {
        if (!IsStandard(file)) {
            std::error_code ignored;
            if (std::filesystem::is_directory(file.Path, ignored)) {
                return {kExitTrouble, name + ": is a folder, not a colour-map file\n"};
            }
            if (!std::filesystem::exists(file.Path, ignored)) return {kExitTrouble, name + ": no such file\n"};
        }
        bytes = ReadInputBytes(file);
        TReadOptions read = options;
        read.DecimalSeparator = UserDecimalSeparator();
        TMapSource map = ReadMapBytes(bytes, format, read);
        if (!map.IsNodes() && map.Colors.empty()) return {kExitFaultyFile, name + ": no colours\n"};
        source = std::move(map);
        return {kExitOk, {}};
    } catch (const EMapFault& fault) {
        const TMapFault& where = fault.Fault();
        if (format == TMapFormat::AdobeTable) return {kExitFaultyFile, name + ": " + where.Reason + "\n"};
        const auto codePage = CodePageNumbered(streams.ErrCodePage());
        return {kExitFaultyFile, LineDiagnostic(name, where.Line, where.Column, where.Reason,
                                                MapFaultLine(bytes, where.Line), false, *codePage)};
    } catch (const std::bad_alloc&) {
        return {kExitTrouble, name + ": " + EOutOfMemory().what() + "\n"};
    } catch (const Exception& error) {
        return {kExitTrouble, name + ": " + error.what() + "\n"};
    }
}

int ConvertMap(const std::vector<TArgument>& arguments, TToolStreams& streams) {
    TConvertRequest request;
    if (const std::optional<std::string> fault = ParseRequest(arguments, request)) {
        return UsageError(streams, *fault);
    }
    TMapSource source;
    const TLoadOutcome outcome = ReadInput(request, source, streams);
    if (outcome.Status != kExitOk) {
        streams.Err(outcome.Message);
        return outcome.Status;
    }
    std::string bytes;
    try {
        TWriteOptions write;
        write.Name = MapName(request, source);
        const TPaletteArray colors = SampleMap(std::move(source), request.Sampling);
        write.Comment = "from " + FilePart(*request.Input) + ", " + std::to_string(colors.size()) + " colours";
        if (request.Tolerance) {
            const TRulvText text = WriteRulvWithin(colors, *request.Tolerance, write.Comment);
            bytes = text.Text;
            char difference[32];
            const auto end = std::to_chars(difference, difference + sizeof difference, text.LargestDifference,
                                           std::chars_format::fixed, 3);
            streams.Err("largest CIEDE2000 difference: " + std::string(difference, end.ptr) + "\n");
        } else {
            bytes = WriteMapBytes(colors, *request.To, write);
        }
    } catch (const EMapFault& fault) {
        streams.Err(request.Output->Text + ": " + fault.Fault().Reason + "\n");
        return kExitTrouble;
    } catch (const ERulvWriterBug& bug) {
        streams.Err(std::string("rulvtool: bug: ") + bug.what() + "; nothing was written\n");
        return kExitTrouble;
    } catch (const std::bad_alloc&) {
        streams.Err(request.Output->Text + ": " + EOutOfMemory().what() + "\n");
        return kExitTrouble;
    } catch (const EOutOfMemory& error) {
        streams.Err(request.Output->Text + ": " + error.what() + "\n");
        return kExitTrouble;
    }
    const std::string failure = WriteOutputFile(*request.Output, bytes, streams);
    if (failure.empty()) return kExitOk;
    streams.Err(request.Output->Text + ": " + failure + "\n");
    return kExitTrouble;
}

}  // namespace rulv::tool
