// FuzzDiagnostic.cpp - libFuzzer target over rulvtool's fault reports.
//
// The first byte of an input picks the column to report (its low seven bits,
// taken modulo the line's length + 1, plus 1) and whether the line was cut
// (its top bit); the rest is the line. Whatever the bytes, the line as shown
// must be valid UTF-8 without control characters, with the caret inside it
// (or just after it). And when the line is faulty, its report must be the
// three lines editors read: "FILE:1:COL: error: REASON", the gutter and the
// line, the gutter and the caret under the shown character.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "colormap/ColorMap.h"
#include "tool/Diagnostic.h"

namespace {

using namespace rulv;

[[noreturn]] void Finding(const char* what) {
    std::fprintf(stderr, "diagnostic fuzzer: %s\n", what);
    std::abort();
}

// Valid UTF-8 of printable characters; the number of characters.
bool IsShowable(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x20 || lead == 0x7F) return false;
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        if (lead >= 0x80 && lead < 0xC2) return false;
        if (i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}

void CheckShownLine(std::string_view line, bool cut, std::int64_t column) {
    const auto utf8 = tool::Utf8CodePage();
    const tool::TShownLine shown = tool::ShowLine(line, cut, column, *utf8);
    if (!IsShowable(shown.Text)) Finding("a shown line holds a control character or invalid UTF-8");
    if (shown.Caret < 0 || static_cast<std::size_t>(shown.Caret) > shown.Text.size()) {
        Finding("the caret lies outside the shown line");
    }
    if (line.size() > 200 && shown.Text.size() > std::size_t{4} * 110) Finding("a long line was not cut");
}

void CheckReport(std::string_view line) {
    if (line.empty() || line.front() == '*') return;
    TPalette palette('.', 4096);
    TLineFault fault;
    try {
        palette.ParseLine(line);
        return;
    } catch (const ELineFault& error) {
        fault = error.Fault();
    }
    TColorMapReport report;
    report.Fault = fault;
    report.FaultyLine.assign(line);
    const auto utf8 = tool::Utf8CodePage();
    const std::string text = tool::FaultDiagnostic("f", 1, report, *utf8);
    const std::string head = "f:1:" + std::to_string(fault.Column) + ": error: ";
    if (text.rfind(head, 0) != 0) Finding("a report does not start with FILE:LINE:COL: error:");
    const std::size_t first = text.find('\n');
    const std::size_t second = text.find('\n', first + 1);
    if (first == std::string::npos || second == std::string::npos || text.back() != '\n' ||
        text.find('\n', second + 1) != text.size() - 1) {
        Finding("a report is not three lines");
    }
    const std::string_view source(text.data() + first + 1, second - first - 1);
    const std::string_view caret(text.data() + second + 1, text.size() - second - 2);
    if (source.rfind("    1 | ", 0) != 0 || caret.rfind("      | ", 0) != 0) Finding("a report's gutter is wrong");
    if (caret.back() != '^' || caret.find_first_not_of(' ', 8) != caret.size() - 1) {
        Finding("a report's caret line is not blanks and a caret");
    }
    if (!IsShowable(source)) Finding("a report's line holds a control character or invalid UTF-8");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view line(reinterpret_cast<const char*>(bytes) + 1, size - 1);
    const bool cut = (bytes[0] & 0x80) != 0;
    const std::int64_t column = 1 + static_cast<std::int64_t>((bytes[0] & 0x7F) % (line.size() + 1));
    CheckShownLine(line, cut, column);
    CheckReport(line);
    return 0;
}
