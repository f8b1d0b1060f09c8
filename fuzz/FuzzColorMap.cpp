// FuzzColorMap.cpp - libFuzzer target over the colour-map reader.
//
// The first byte of an input picks the decimal separator (odd: a comma)
// and how many bytes each read of the source hands out (so that line ends,
// line feeds after carriage returns and Ctrl-Z fall on read boundaries);
// the rest is the file's data. The reader may only return a result or
// raise one of our own error kinds. It is checked against a plain
// re-splitting of the same data into lines, each line handed to
// TPalette::ParseLine: both must agree on the first faulty line, on its
// fault and on the colours. A #LINE line must read as the same line with
// blanks after its commas (the reader's short way for plain whole numbers
// against its general rules). Every fault must have a kind and a column
// within 1 to the line's length + 1. The thumbnail's watch of directive
// lines (TThumbnailSource, with a limit of kFuzzDirectiveLine bytes) must
// refuse the data exactly when a line that starts with "#" is longer.
//
// No input may ask for unbounded memory: a #GRAD or #LINE count in the
// billions is legal and would only measure the machine. The line-by-line
// pass uses a palette limited to kMaxFuzzColors; an input that goes past it
// is not handed to the reader. The limit is low on purpose: every colour
// costs three exact products, and a fuzzer learns from many small inputs,
// not from long runs of colours.
//
// The same function replays the corpus and the regression inputs in the
// normal builds (FuzzReplay.cpp), natively and under Wine.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <string_view>

#include "colormap/ColorMap.h"
#include "colormap/LineParser.h"
#include "common/Errors.h"
#include "shell/ThumbnailRead.h"

namespace {

using namespace rulv;

constexpr std::int32_t kMaxFuzzColors = 4096;
constexpr std::uint64_t kFuzzDirectiveLine = 12;

[[noreturn]] void Finding(const char* what) {
    std::fprintf(stderr, "colour-map fuzzer: %s\n", what);
    std::abort();
}

// Hands out the data at most `piece` bytes per read.
class TPiecewiseInput final : public TByteSource {
public:
    TPiecewiseInput(std::string_view data, std::size_t piece) : FData(data), FPiece(piece) {}
    std::size_t Read(char* buffer, std::size_t capacity) override {
        TMemoryInput memory(FData.substr(0, std::min(FPiece, capacity)));
        const std::size_t count = memory.Read(buffer, capacity);
        FData.remove_prefix(count);
        return count;
    }

private:
    std::string_view FData;
    std::size_t FPiece;
};

// What the reader must give, worked out line by line: lines end at a
// carriage return (a line feed right after it belongs to it), a Ctrl-Z
// ends the data.
struct TExpectation {
    bool TooLarge = false;
    ColorMapResult Result = kColorMapNoColors;
    TLineFault Fault;
    TPaletteArray Colors;
};

bool IsKnownKind(TLineFaultKind kind) {
    return static_cast<int>(kind) >= static_cast<int>(TLineFaultKind::NotAColor) &&
           static_cast<int>(kind) <= static_cast<int>(TLineFaultKind::TooManyColors);
}

void CheckFault(const TLineFault& fault, std::string_view line) {
    if (!IsKnownKind(fault.Kind)) Finding("a line fault of no known kind");
    if (fault.Column < 1 || fault.Column > static_cast<std::int64_t>(line.size()) + 1) {
        Finding("a line fault's column lies outside its line");
    }
    if (LineFaultReason(fault).empty()) Finding("a line fault without a reason");
}

// The data's lines up to a Ctrl-Z, one after another; empty at the end.
class TLines {
public:
    explicit TLines(std::string_view data) : FData(data.substr(0, data.find('\x1A'))) {}
    bool Next(std::string_view& line) {
        if (FData.empty()) return false;
        const std::size_t lineEnd = FData.find('\r');
        line = FData.substr(0, lineEnd);
        FData.remove_prefix(lineEnd == std::string_view::npos ? FData.size() : lineEnd + 1);
        if (lineEnd != std::string_view::npos && !FData.empty() && FData.front() == '\n') FData.remove_prefix(1);
        return true;
    }

private:
    std::string_view FData;
};

// A #LINE of plain whole numbers takes the reader's short way; with a
// blank after each comma the same numbers take the general one. Both must
// give the same colours, or both a fault.
void CheckLinearWays(std::string_view line, char decimalSeparator) {
    if (!line_grammar::IsLinear(line)) return;
    std::string spaced;
    for (const char c : line) {
        spaced += c;
        if (c == ',') spaced += ' ';
    }
    const auto read = [decimalSeparator](std::string_view text, TPaletteArray& colors) {
        TPalette palette(decimalSeparator, kMaxFuzzColors);
        try {
            palette.ParseLine(text);
        } catch (const ELineFault&) {
            return false;
        }
        palette.CopyTo(colors);
        return true;
    };
    TPaletteArray plain;
    TPaletteArray general;
    if (read(line, plain) != read(spaced, general) || plain != general) {
        Finding("a #LINE line and the same with blanks after its commas give different colours");
    }
}

bool HasLongDirective(std::string_view data) {
    TLines lines(data);
    std::string_view line;
    while (lines.Next(line)) {
        if (!line.empty() && line.front() == '#' && line.size() > kFuzzDirectiveLine) return true;
    }
    return false;
}

TExpectation LineByLine(std::string_view data, char decimalSeparator) {
    TExpectation expected;
    TPalette palette(decimalSeparator, kMaxFuzzColors);
    TLines lines(data);
    std::string_view line;
    ColorMapResult lineNumber = 0;
    while (lines.Next(line)) {
        ++lineNumber;
        if (line.empty() || line.front() == '*') continue;
        CheckLinearWays(line, decimalSeparator);
        try {
            palette.ParseLine(line);
        } catch (const ELineFault& fault) {
            CheckFault(fault.Fault(), line);
            // Past the fuzzer's own limit the reader would go on.
            expected.TooLarge = fault.Fault().Kind == TLineFaultKind::TooManyColors;
            expected.Result = lineNumber;
            expected.Fault = fault.Fault();
            return expected;
        }
    }
    if (palette.HasColors()) {
        expected.Result = kColorMapLoaded;
        palette.CopyTo(expected.Colors);
    }
    return expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0) return 0;
    const char decimalSeparator = (bytes[0] & 1) != 0 ? ',' : '.';
    const std::size_t piece = (bytes[0] >> 1) == 0 ? 65536 : (bytes[0] >> 1);
    const std::string_view data(reinterpret_cast<const char*>(bytes) + 1, size - 1);

    {
        TPiecewiseInput input(data, piece);
        TThumbnailSource watched(input, kFuzzDirectiveLine);
        char buffer[4096];
        bool refused = false;
        try {
            while (watched.Read(buffer, sizeof buffer) != 0) {
            }
        } catch (const EThumbnailLimit&) {
            refused = true;
        }
        if (refused != HasLongDirective(data)) Finding("the thumbnail's line watch and the lines disagree");
    }

    const TExpectation expected = LineByLine(data, decimalSeparator);
    if (expected.TooLarge) return 0;

    const TPaletteArray sentinel{0x123456};
    {
        TPaletteArray colors = sentinel;
        TPiecewiseInput input(data, piece);
        ColorMapResult result = 0;
        TColorMapReport report;
        try {
            result = ReadColorMap(input, colors, decimalSeparator, &report);
        } catch (const Exception&) {
            Finding("the reader raised an error for data in memory");
        }
        if (result != expected.Result) Finding("the reader and the line-by-line pass disagree on the result");
        if (result > 0 && (!report.Fault || *report.Fault != expected.Fault)) {
            Finding("the reader and the line-by-line pass disagree on the fault");
        }
        if (result == kColorMapLoaded) {
            if (colors != expected.Colors) Finding("the reader and the line-by-line pass disagree on the colours");
        } else if (colors != sentinel) {
            Finding("a failed read changed the caller's array");
        }
    }
    return 0;
}
