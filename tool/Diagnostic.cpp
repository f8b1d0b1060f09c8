// Diagnostic.cpp - fault reports with the faulty line and a caret.
#include "tool/Diagnostic.h"

#include <algorithm>

namespace rulv::tool {

namespace {

// About this many columns of a long line are shown, half before the fault.
constexpr int kShownColumns = 100;
constexpr int kColumnsBeforeFault = kShownColumns / 2;
constexpr std::string_view kEllipsis = "...";

// Where each character of a line falls on the console.
struct TLineLayout {
    int CaretPosition = 0;  // console column of the character at the fault
    long long Width = 0;    // of the whole line
};

TLineLayout Measure(std::string_view line, std::size_t faultByte, const TCodePage& codePage) {
    TLineLayout layout;
    bool caretFound = false;
    long long position = 0;
    for (std::size_t at = 0; at < line.size();) {
        const TShownCharacter shown = ShowCharacter(line.substr(at), codePage);
        if (!caretFound && faultByte < at + shown.Bytes) {
            layout.CaretPosition = static_cast<int>(std::min<long long>(position, 1LL << 30));
            caretFound = true;
        }
        position += shown.Width;
        at += shown.Bytes;
    }
    layout.Width = position;
    if (!caretFound) layout.CaretPosition = static_cast<int>(std::min<long long>(position, 1LL << 30));
    return layout;
}

std::string Plural(std::int64_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

}  // namespace

TShownLine ShowLine(std::string_view line, bool cut, std::int64_t column, const TCodePage& codePage) {
    const std::size_t faultByte = column >= 1 ? static_cast<std::size_t>(column - 1) : 0;
    const TLineLayout layout = Measure(line, faultByte, codePage);
    long long first = 0;
    long long last = layout.Width;
    if (layout.Width > kShownColumns) {
        first = std::max(0, layout.CaretPosition - kColumnsBeforeFault);
        last = first + kShownColumns;
    }
    TShownLine shown;
    if (first > 0) shown.Text = kEllipsis;
    shown.Caret = static_cast<int>(shown.Text.size()) + (layout.CaretPosition - static_cast<int>(first));
    long long position = 0;
    std::size_t at = 0;
    for (; at < line.size() && position < last; ) {
        const TShownCharacter character = ShowCharacter(line.substr(at), codePage);
        // A character cut by the window's left edge is left out whole, and
        // the caret moves with it.
        if (position >= first) {
            if (position + character.Width > last) break;
            shown.Text += character.Text;
        } else if (position + character.Width > first) {
            shown.Caret -= static_cast<int>(position + character.Width - first);
        }
        position += character.Width;
        at += character.Bytes;
    }
    if (cut || at < line.size()) shown.Text += kEllipsis;
    shown.Caret = std::max(shown.Caret, 0);
    return shown;
}

std::string LineDiagnostic(std::string_view fileName, std::int64_t lineNumber, std::int64_t column,
                           std::string_view reason, std::string_view line, bool cut, const TCodePage& codePage) {
    // Built by appending to one string: a literal + std::string temporary
    // draws a false -Wrestrict from GCC 12 at -O3 (GCC bug 105651).
    const std::string number = std::to_string(lineNumber);
    std::string text(fileName);
    text.append(":").append(number).append(":").append(std::to_string(column));
    text.append(": error: ").append(reason).append("\n");
    const std::size_t gutter = std::max<std::size_t>(4, number.size());
    const TShownLine shown = ShowLine(line, cut, column, codePage);
    text.append(1 + gutter - number.size(), ' ').append(number).append(" | ").append(shown.Text).append("\n");
    text.append(1 + gutter, ' ').append(" | ");
    text.append(static_cast<std::size_t>(shown.Caret), ' ').append("^\n");
    return text;
}

std::string FaultDiagnostic(std::string_view fileName, std::int64_t lineNumber, const TColorMapReport& report,
                            const TCodePage& codePage) {
    const TLineFault fault = report.Fault.value_or(TLineFault{});
    return LineDiagnostic(fileName, lineNumber, fault.Column, LineFaultReason(fault), report.FaultyLine,
                          report.FaultyLineCut, codePage);
}

std::string NoColorsDiagnostic(std::string_view fileName, const TColorMapReport& report) {
    std::string text = std::string(fileName) + ": ";
    if (report.Lines == 0) return text + "no colour lines; the file is empty\n";
    const std::int64_t plain = report.EmptyLines + report.CommentLines + report.IgnoredDirectives;
    text += report.EmptyRuns > 0 ? "no colours" : "no colour lines";
    if (plain > 0) {
        text += "; " + Plural(plain, "line was", "lines were") + " empty, comments or ignored directives";
    }
    if (report.EmptyRuns > 0) {
        text += "; " + Plural(report.EmptyRuns, "#GRAD or #LINE run gives", "#GRAD and #LINE runs give") +
                " no colour (a count below 1)";
    }
    return text + "\n";
}

std::span<const TFaultExample> FaultExamples() noexcept {
    static constexpr TFaultExample kExamples[] = {
        {TLineFaultKind::NotAColor, "GG0000"},
        {TLineFaultKind::NoSpaceAfterKeyword, "#GRADIENT 000000,FFFFFF,10"},
        {TLineFaultKind::BadColorField, "#GRAD 00000,FFFFFF,10"},
        {TLineFaultKind::MissingComma, "#LINE 0,1,0,1,0,1"},
        {TLineFaultKind::BadInteger, "#GRAD 000000,FFFFFF,1O"},
        {TLineFaultKind::BadSlope, "#LINE 0,0.5x,0,0,0,0,10"},
        {TLineFaultKind::SlopeTooLarge, "#LINE 0,1e400,0,0,0,0,10"},
        {TLineFaultKind::GradientCountZero, "#GRAD 000000,FFFFFF,0"},
        {TLineFaultKind::ProductTooLarge, "#LINE 0,1e19,0,0,0,0,2"},
    };
    return kExamples;
}

std::string FaultKindsHelp() {
    std::string text;
    for (const TFaultExample& example : FaultExamples()) {
        TPalette palette('.');
        std::string reason = "(accepted)";
        try {
            palette.ParseLine(example.Line);
        } catch (const ELineFault& fault) {
            reason = LineFaultReason(fault.Fault());
        }
        std::string name(LineFaultKindName(example.Kind));
        name.resize(std::max<std::size_t>(name.size() + 1, 22), ' ');
        text += "  ";
        text += name;
        text += example.Line;
        text += "\n      ";
        text += reason;
        text += "\n";
    }
    TLineFault memory;
    memory.Kind = TLineFaultKind::OutOfMemory;
    memory.Index = 1000000;
    TLineFault tooMany;
    tooMany.Kind = TLineFaultKind::TooManyColors;
    tooMany.Index = TPalette::kMaxColors;
    text += "  OutOfMemory           (when the colour list cannot grow)\n      " + LineFaultReason(memory) + "\n";
    text += "  TooManyColours        (past the largest count a map holds)\n      " + LineFaultReason(tooMany) + "\n";
    return text;
}

}  // namespace rulv::tool
