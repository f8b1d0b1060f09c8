// LineParser.h - the line parser of the colour-map reader: the methods of
// TPalette that append the colours of one line, and the pieces of the
// grammar the loader shares with it.
//
// A colour-map file (.rulv) is text that lists colours in order, one colour
// or one generated run of colours per line. Bytes other than the ASCII
// characters named here are ordinary characters (Japanese comments in code
// page 932 are fine).
//
// Lines. A line ends at a carriage return; one line feed right after it
// belongs to the same line end. A line feed on its own is an ordinary
// character, so a file with Unix line ends is a single line. The last line
// needs no line end. A Ctrl-Z (26) ends the data: it and everything after
// it are never read; text before it on its line still forms the last line.
// There is no length limit. Lines are numbered from 1, every line counting.
//
// Line kinds, by the first character:
//   (empty line)  skipped
//   *             comment, skipped
//   #             directive: the first five characters, upper-cased, select
//                 "#GRAD" (gradient) or "#LINE" (linear run); any other
//                 directive is ignored without a fault
//   anything else a colour: the first six characters are hex colour text,
//                 red first; the rest of the line may hold any text.
//                 Exactly five hex digits are accepted too (the fifth alone
//                 gives blue). A line of blanks, or one that starts with a
//                 blank or a tab, is faulty.
//
//   FF8000 orange     one colour, FF8000
//   #GRAD 000000,FFFFFF,10
//       ten colours from black towards white, white itself not included:
//       000000 1A1A1A 333333 4C4C4C 666666 808080 999999 B2B2B2 CCCCCC E6E6E6
//       The keyword is followed by one space; blanks and tabs may stand
//       around the fields; each colour is exactly six hex digits; the count
//       N goes through ParseInteger ($10 is 16). N = 0 is faulty, N < 0
//       appends nothing. The step per channel is (end - start) / N formed
//       with a 64-bit significand and stored as a double; colour k gets
//       start + round(k * step), the product formed with a 64-bit
//       significand and rounded straight to an integer, ties to even.
//   #LINE 250,1,0,0,10,-1,14
//       red start, red slope, green start, green slope, blue start, blue
//       slope, count: FA000A FB0009 ... FF0005 000004 ... 070000.
//       Starts and count go through ParseInteger, slopes through ParseReal
//       (the user's decimal separator) and are stored as doubles. Colour k
//       gets (start + round(k * slope)) rem 256 per channel, the sum in
//       64-bit integers; a negative remainder shows as 0. N <= 0 appends
//       nothing.
//
// Every fault of a line raises an ELineFault (LineFault.h) that says why and
// at which column; the loader reports the first faulty line and reads
// nothing after it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "colormap/Palette.h"

namespace rulv::line_grammar {

inline constexpr std::size_t kKeywordLength = 5;
inline constexpr std::size_t kColorDigits = 6;

// Whether the line starts with the directive keyword `name` ("#" and four
// upper-case letters), its letters in either case. Clearing bit 5 makes a
// lower-case letter upper-case, and of all bytes only a letter's two cases
// give that letter.
inline bool IsKeyword(std::string_view line, const char (&name)[kKeywordLength + 1]) {
    if (line.size() < kKeywordLength || line[0] != name[0]) return false;
    for (std::size_t i = 1; i < kKeywordLength; ++i) {
        if ((static_cast<unsigned char>(line[i]) & 0xDFu) != static_cast<unsigned char>(name[i])) return false;
    }
    return true;
}

inline bool IsGradient(std::string_view line) { return IsKeyword(line, "#GRAD"); }
inline bool IsLinear(std::string_view line) { return IsKeyword(line, "#LINE"); }

inline constexpr std::uint8_t kNoDigit = 0xFF;

// The value of each byte as a hex digit, kNoDigit for any other byte.
inline constexpr auto kHexDigits = [] {
    std::array<std::uint8_t, 256> table{};
    table.fill(kNoDigit);
    for (int c = '0'; c <= '9'; ++c) table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c) table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 'A' + 10);
    for (int c = 'a'; c <= 'f'; ++c) table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 'a' + 10);
    return table;
}();

inline bool IsHexDigit(char c) { return kHexDigits[static_cast<unsigned char>(c)] != kNoDigit; }

// Six hex digits in a row: the common colour line, decoded without the
// general conversion (the loader's hot path: no loop, one test of all six
// digits). Gives false for anything else.
inline bool DecodeSixHexDigits(std::string_view line, TPackedColor& color) {
    if (line.size() < kColorDigits) return false;
    const auto digit = [&line](std::size_t i) -> unsigned { return kHexDigits[static_cast<unsigned char>(line[i])]; };
    const unsigned d0 = digit(0), d1 = digit(1), d2 = digit(2), d3 = digit(3), d4 = digit(4), d5 = digit(5);
    // A byte that is no digit maps to 0xFF, which no digit's value reaches.
    if (((d0 | d1 | d2 | d3 | d4 | d5) & 0xF0u) != 0) return false;
    color = PackColor(static_cast<int>(d0 << 4 | d1), static_cast<int>(d2 << 4 | d3), static_cast<int>(d4 << 4 | d5));
    return true;
}

}  // namespace rulv::line_grammar

namespace rulv {

// The text without blanks and control characters (codes 0-32) around its
// commas and at either end; blanks inside a piece stay, and two commas in
// a row stay two commas.
std::string NormalizeCommas(std::string_view text);

}  // namespace rulv
