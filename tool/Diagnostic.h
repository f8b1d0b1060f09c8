// Diagnostic.h - rulvtool's fault reports, in the form compilers use, which
// editors and CI log parsers read:
//
//   maps/fire.rulv:7:21: error: gradient count is 0; a gradient needs at least one colour
//       7 | #GRAD 000000,FFFFFF,0
//         |                     ^
//
// The first line starts with FILE:LINE:COLUMN:, the column in bytes from 1.
// The line is shown through the console's code page (CodePage.h); a long
// one is cut to about 100 columns around the fault, with "..." where it was
// cut, and the caret stays under the character at the fault's column.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "tool/CodePage.h"
#include "colormap/ColorMap.h"

namespace rulv::tool {

// A faulty line as shown: its text and the column of the caret under it.
struct TShownLine {
    std::string Text;
    int Caret = 0;
};

// The line around `column` (from 1; its length + 1 for its end). `cut`:
// the line goes on past `line`.
TShownLine ShowLine(std::string_view line, bool cut, std::int64_t column, const TCodePage& codePage);

// The three lines that report a faulty line, each ending in "\n": the
// place and the reason, the line, and the caret under `column`. `cut`: the
// line goes on past `line`.
std::string LineDiagnostic(std::string_view fileName, std::int64_t lineNumber, std::int64_t column,
                           std::string_view reason, std::string_view line, bool cut, const TCodePage& codePage);

// The same for a faulty line of a .rulv file. `report` holds the fault
// (ReadColorMap's report of that load).
std::string FaultDiagnostic(std::string_view fileName, std::int64_t lineNumber, const TColorMapReport& report,
                            const TCodePage& codePage);

// "FILE: no colour lines; ..." for a map that gave no colour, with "\n".
std::string NoColorsDiagnostic(std::string_view fileName, const TColorMapReport& report);

// One example line per fault kind, for the help text. A kind that no line
// of a file can show by itself (running out of memory) has none.
struct TFaultExample {
    TLineFaultKind Kind;
    std::string_view Line;
};
std::span<const TFaultExample> FaultExamples() noexcept;

// The help text's list of the fault kinds, each with its example line and
// the reason the tool gives for it.
std::string FaultKindsHelp();

}  // namespace rulv::tool
