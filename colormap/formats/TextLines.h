// TextLines.h - the lines and fields of a text file of another format, with
// their byte offsets for fault reports.
//
// A line ends at LF, CR LF or CR (the exchange formats come from every
// system); the text of a line excludes its line end. Fields are separated
// by the characters a reader names (blanks and tabs, commas, ...).
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace rulv {

struct TTextLine {
    std::string_view Text;
    std::size_t Offset = 0;  // of its first byte in the whole text
};

// Splits `text` into lines. A UTF-8 byte-order mark at the start is no part
// of the first line.
std::vector<TTextLine> SplitTextLines(std::string_view text);

struct TTextField {
    std::string_view Text;
    std::size_t Offset = 0;  // in the whole text
};

// The fields of `line`: the runs of characters that are neither blanks,
// tabs or other control characters nor one of `separators`.
std::vector<TTextField> SplitFields(const TTextLine& line, std::string_view separators);

// The line without a comment that starts at `marker`, and without trailing
// blanks, tabs and control characters.
TTextLine WithoutComment(const TTextLine& line, char marker);

// True when the line holds only blanks, tabs and control characters.
bool IsBlankLine(std::string_view text) noexcept;

}  // namespace rulv

namespace rulv {

// A decimal number as the exchange formats write it ("0.5", "-3", "1e-3",
// "+2"), in any locale: the whole text, finite. Leaves `value` alone and
// gives false otherwise.
bool ReadDecimal(std::string_view text, double& value) noexcept;

}  // namespace rulv
