// RulvWriter.h - a list of colours as the shortest exact .rulv text.
//
// The text holds the fewest lines whose reading by this program's own
// reader gives exactly the list, bit for bit: colour lines, #GRAD runs and
// #LINE runs (RunFinder.h finds the fewest runs). A run of one colour is a
// colour line; a longer run is a #GRAD line where that writes it in fewer
// bytes, else a #LINE line. Slopes are written without a decimal separator,
// as digits and an exponent ("5E-1", "-37E-2") or as whole numbers, which
// every locale reads the same: the shortest such text whose value, read as
// the reader reads it, gives exactly the colours needed.
//
// Before the text is handed out it is read back with the reader and
// compared with the list; a difference is a bug of ours (ERulvWriterBug)
// and nothing is written.
//
// With a tolerance, the lines are fewer still: each run is the #LINE
// between its first colour and the farthest colour such that every colour
// of the run lies within CIEDE2000 `tolerance` of the input's; a greedy
// choice, not a proven least number.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "colormap/ColorMap.h"

namespace rulv {

class ERulvWriterBug final : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

struct TRulvText {
    std::string Text;
    std::int64_t Lines = 0;         // lines that give colours
    double LargestDifference = 0;   // CIEDE2000, with a tolerance
};

// `comment`, when not empty, becomes the first line ("* " and the text).
// Raises ERulvWriterBug when the text does not read back as `colors`.
TRulvText WriteRulv(const TPaletteArray& colors, std::string_view comment);

// The same within CIEDE2000 `tolerance` (> 0) of `colors`; the text is read
// back and checked against its own colours.
TRulvText WriteRulvWithin(const TPaletteArray& colors, double tolerance, std::string_view comment);

// The shortest slope text (see above) whose value makes round(k * slope)
// meet every binding constraint of `line`; exposed for the tests.
struct TChannelLine;
std::string SlopeText(const TChannelLine& line);

}  // namespace rulv
