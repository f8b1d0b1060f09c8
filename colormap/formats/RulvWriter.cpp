// RulvWriter.cpp - runs to lines, slopes to text, and the read-back.
#include "colormap/formats/RulvWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <exception>
#include <span>
#include <system_error>
#include <thread>

#include "colormap/ColorScience.h"
#include "colormap/formats/NodeWriting.h"
#include "colormap/formats/RunFinder.h"
#include "common/Errors.h"
#include "common/Extended.h"
#include "common/FileInput.h"
#include "common/LargeBlock.h"
#include "common/NumberText.h"

namespace rulv {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
// The most exponent digits tried for a slope; a slope's interval that
// needs more is written with the exact digits of a double inside it.
constexpr int kMostDecimals = 24;

// The value the reader takes from a slope text (ParseReal with any
// separator, stored as a double); NaN for a text it refuses.
double ReadSlope(std::string_view text) {
    TExtended value;
    if (!ScanReal(text, '.', value).Accepted()) return std::nan("");
    try {
        return ToDouble(value);
    } catch (const EOverflow&) {
        return std::nan("");
    }
}

// Whether `slope` meets every binding constraint of the channel, by the
// reader's own rounded products.
bool Meets(const TChannelLine& line, double slope) {
    if (!std::isfinite(slope)) return false;
    if (line.Exact) return slope == line.SlopeLow;
    for (const TChannelLine::TBinding& binding : line.Binding) {
        std::int64_t product = 0;
        try {
            product = RoundedProduct(binding.K, slope);
        } catch (const EMathError&) {
            return false;
        }
        if (binding.Lower ? product < binding.D : product > binding.D) return false;
    }
    return true;
}

std::string DigitsAndExponent(std::int64_t mantissa, int decimals) {
    std::string text = std::to_string(mantissa);
    text += "E-";
    text += std::to_string(decimals);
    return text;
}

// A double's exact value as digits and exponent (25 significant digits are
// enough for ParseReal's 64-bit rounding to give the double back).
std::string ExactText(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 24);
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t e = text.find('e');
    std::string digits;
    bool negative = false;
    for (const char c : text.substr(0, e)) {
        if (c == '-') negative = true;
        if (c >= '0' && c <= '9') digits += c;
    }
    int exponent = 0;
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(), exponent);
    exponent -= 24;  // the digits are an integer now
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
        ++exponent;
    }
    std::string out = negative ? "-" : "";
    out += digits;
    if (exponent != 0) {
        out += 'E';
        out += std::to_string(exponent);
    }
    return out;
}

}  // namespace

std::string SlopeText(const TChannelLine& line) {
    const double low = line.SlopeLow;
    const double high = line.SlopeHigh;
    // Whole numbers first, the one nearest 0 that works.
    std::vector<double> wholes;
    for (double w = std::floor(low) - 1; w <= std::ceil(high) + 1 && wholes.size() < 8; ++w) wholes.push_back(w);
    std::sort(wholes.begin(), wholes.end(), [](double a, double b) { return std::fabs(a) < std::fabs(b); });
    for (const double whole : wholes) {
        if (Meets(line, whole)) return std::to_string(static_cast<std::int64_t>(whole));
    }
    // Then digits over 10^decimals, fewest decimals first: the mantissas
    // at and around the interval's ends, and its middle.
    for (int decimals = 1; decimals <= kMostDecimals; ++decimals) {
        const double scale = std::pow(10.0, decimals);
        const double from = std::floor(low * scale);
        const double to = std::ceil(high * scale);
        std::vector<double> candidates{from, from + 1, to - 1, to, std::floor((from + to) / 2)};
        std::sort(candidates.begin(), candidates.end(), [](double a, double b) { return std::fabs(a) < std::fabs(b); });
        for (const double mantissa : candidates) {
            if (std::fabs(mantissa) > 9e15) continue;
            std::string text = DigitsAndExponent(static_cast<std::int64_t>(mantissa), decimals);
            if (Meets(line, ReadSlope(text))) return text;
        }
    }
    // A double inside the interval, found from its middle, written exactly.
    double slope = (low + high) / 2;
    for (int step = 0; step < 64 && !Meets(line, slope); ++step) {
        slope = std::nextafter(slope, step % 2 == 0 ? high : low);
    }
    return ExactText(slope);
}

namespace {

std::string ColorLine(TPackedColor color) { return HexColorText(color); }

// A #GRAD line for the run, or an empty text when none writes it.
std::string GradientLine(const TPaletteArray& colors, std::int64_t first, std::int64_t count, const TRunLines& lines) {
    const TPackedColor start = colors[static_cast<std::size_t>(first)];
    int ends[3];
    for (int c = 0; c < 3; ++c) {
        const TChannelLine& line = lines.Channels[c];
        if (!line.Plain) return {};
        const int from = c == 0 ? RedOf(start) : c == 1 ? GreenOf(start) : BlueOf(start);
        const auto n = static_cast<double>(count);
        const double lowEnd = std::floor(from + line.SlopeLow * n) - 1;
        const double highEnd = std::ceil(from + line.SlopeHigh * n) + 1;
        bool found = false;
        for (double end = std::max(0.0, lowEnd); end <= std::min(255.0, highEnd) && !found; ++end) {
            const auto value = static_cast<int>(end);
            try {
                if (Meets(line, StoredQuotient(value - from, count))) {
                    ends[c] = value;
                    found = true;
                }
            } catch (const EMathError&) {
            }
        }
        if (!found) return {};
    }
    return "#GRAD " + HexColorText(start) + "," + HexColorText(PackColor(ends[0], ends[1], ends[2])) + "," +
           std::to_string(count);
}

std::string LinearLine(std::int64_t count, const TRunLines& lines) {
    std::string text = "#LINE ";
    for (const TChannelLine& line : lines.Channels) text += std::to_string(line.Start) + "," + SlopeText(line) + ",";
    return text + std::to_string(count);
}

// The end of a #GRAD of two colours from `from` whose step, half a whole
// number, rounds to `difference`; -1 when no channel value 0..255 does.
// (end - from) / 2 is exact in 64 bits and as a double, so the reader's
// rounded product of 1 and the step is that half rounded to nearest, ties
// to even.
int PairGradientEnd(int from, int difference) noexcept {
    const int target = from + 2 * difference;
    for (int end = target - 1; end <= target + 1; ++end) {
        if (end < 0 || end > 255) continue;
        const int twice = end - from;
        const int half = twice >= 0 ? twice / 2 : -((-twice) / 2);
        // An odd difference is a tie: it goes to the even neighbour.
        const int rounded = twice % 2 == 0 ? half : ((half % 2 == 0) ? half : half + (twice > 0 ? 1 : -1));
        if (rounded == difference) return end;
    }
    return -1;
}

// A run of two colours: each channel's slope is the whole difference, or
// a #GRAD whose end the reader's step takes to the second colour, where
// that is no longer. The line is made on the stack and appended at once.
void AppendPair(std::string& text, TPackedColor a, TPackedColor b) {
    const int from[3] = {RedOf(a), GreenOf(a), BlueOf(a)};
    const int to[3] = {RedOf(b), GreenOf(b), BlueOf(b)};
    char line[48] = "#LINE ";  // at most "#LINE " and 3 * "255,-255," and "2": 34
    char* at = line + 6;
    int ends[3];
    bool gradient = true;
    for (int c = 0; c < 3; ++c) {
        at = WriteChannelNumber(at, from[c]);
        *at++ = ',';
        at = WriteChannelNumber(at, to[c] - from[c]);
        *at++ = ',';
        ends[c] = PairGradientEnd(from[c], to[c] - from[c]);
        gradient = gradient && ends[c] >= 0;
    }
    *at++ = '2';
    constexpr std::ptrdiff_t kGradientSize = 21;  // "#GRAD RRGGBB,RRGGBB,2"
    if (gradient && at - line >= kGradientSize) {
        constexpr std::string_view kKeyword = "#GRAD ";
        std::copy(kKeyword.begin(), kKeyword.end(), line);
        WriteHexColor(a, line + 6);
        line[12] = ',';
        WriteHexColor(PackColor(ends[0], ends[1], ends[2]), line + 13);
        line[19] = ',';
        line[20] = '2';
        at = line + kGradientSize;
    }
    text.append(line, at);
}

// Appends the line of the run from `first` to `end` (not included).
void AppendRun(std::string& text, const TPaletteArray& colors, std::int64_t first, std::int64_t end) {
    const std::int64_t count = end - first;
    if (count == 1) {
        char line[kHexColorLength];
        WriteHexColor(colors[static_cast<std::size_t>(first)], line);
        text.append(line, kHexColorLength);
        return;
    }
    if (count == 2) {
        AppendPair(text, colors[static_cast<std::size_t>(first)], colors[static_cast<std::size_t>(first + 1)]);
        return;
    }
    const TRunLines lines = LinesOfRun(colors, first, end);
    const std::string linear = LinearLine(count, lines);
    const std::string gradient = GradientLine(colors, first, count, lines);
    text += !gradient.empty() && gradient.size() <= linear.size() ? gradient : linear;
}

// Whether `text`, whole lines, reads back with the reader as exactly
// `expected`.
bool PartReadsBackAs(std::string_view text, std::span<const TPackedColor> expected) {
    TMemoryInput input(text);
    bool same = false;
    const auto compare = [&](std::span<const TPackedColor> read) {
        same = std::equal(read.begin(), read.end(), expected.begin(), expected.end());
    };
    return ReadColorMap(input, compare, '.', TPalette::kMaxColors) == kColorMapLoaded && same;
}

// Below this many bytes a second thread costs more than it saves.
constexpr std::size_t kBytesForTwoReaders = std::size_t{1} << 20;

// Whether the text reads back with the reader as exactly `colors`. Each
// line gives its colours by itself, so a long text is read as two texts,
// cut at the start of a line (the byte `cut`, where colour `cutColor`
// begins), side by side; a thread that cannot start leaves its half to
// this one.
bool ReadsBackAs(std::string_view text, const TPaletteArray& colors, std::size_t cut, std::size_t cutColor) {
    const std::span<const TPackedColor> all(colors);
    if (text.size() < kBytesForTwoReaders || cutColor == 0) return PartReadsBackAs(text, all);
    bool secondSame = false;
    std::exception_ptr secondError;
    const auto readSecond = [&]() noexcept {
        try {
            secondSame = PartReadsBackAs(text.substr(cut), all.subspan(cutColor));
        } catch (...) {
            secondError = std::current_exception();
        }
    };
    bool firstSame = false;
    {
        std::jthread helper;
        try {
            helper = std::jthread(readSecond);
        } catch (const std::system_error&) {
            readSecond();
        }
        firstSame = PartReadsBackAs(text.substr(0, cut), all.first(cutColor));
    }  // joined here
    if (secondError) std::rethrow_exception(secondError);
    return firstSame && secondSame;
}

std::string Header(std::string_view comment) {
    if (comment.empty()) return {};
    std::string line = "* ";
    for (const char c : comment) line += (c == '\r' || c == '\x1A') ? ' ' : c;
    return line + std::string(kLineEnd);
}

}  // namespace

TRulvText WriteRulv(const TPaletteArray& colors, std::string_view comment) {
    TRulvText result;
    const std::vector<std::int64_t> starts = ShortestRunStarts(colors);
    // A pair of colours takes at most 34 bytes: most maps fit without a
    // copy, and a text that needs more grows as usual.
    ReserveOnLargePages(result.Text, comment.size() + 8 + starts.size() * 36);
    result.Text += Header(comment);
    const std::size_t middleRun = starts.size() / 2;
    std::size_t cut = 0;
    for (std::size_t k = 0; k < starts.size(); ++k) {
        if (k == middleRun) cut = result.Text.size();
        const std::int64_t end = k + 1 < starts.size() ? starts[k + 1] : static_cast<std::int64_t>(colors.size());
        AppendRun(result.Text, colors, starts[k], end);
        result.Text += kLineEnd;
    }
    result.Lines = static_cast<std::int64_t>(starts.size());
    const auto cutColor = static_cast<std::size_t>(starts.empty() ? 0 : starts[middleRun]);
    if (!ReadsBackAs(result.Text, colors, cut, cutColor)) {
        throw ERulvWriterBug("the .rulv text written for the map does not read back as the map");
    }
    return result;
}

namespace {

// Colour k of the #LINE from `first` with per-channel start and slope.
struct TChord {
    int Start[3];
    double Slope[3];
};

TPackedColor ChordColor(const TChord& chord, std::int64_t k) {
    int channels[3];
    for (int c = 0; c < 3; ++c) {
        const std::int64_t sum = chord.Start[c] + RoundedProduct(k, chord.Slope[c]);
        channels[c] = sum < 0 ? 0 : static_cast<int>(sum & 0xFF);
    }
    return PackColor(channels[0], channels[1], channels[2]);
}

// The chord from colors[first] to colors[last], its slopes as the shortest
// texts read back; and whether every colour between lies within tolerance.
bool ChordFits(const TPaletteArray& colors, const std::vector<TLab>& labs, std::int64_t first, std::int64_t last,
               double tolerance, TChord& chord, std::string& text, double& worst) {
    const TPackedColor a = colors[static_cast<std::size_t>(first)];
    const TPackedColor b = colors[static_cast<std::size_t>(last)];
    const int from[3] = {RedOf(a), GreenOf(a), BlueOf(a)};
    const int to[3] = {RedOf(b), GreenOf(b), BlueOf(b)};
    text = "#LINE ";
    for (int c = 0; c < 3; ++c) {
        // The shortest text of a slope that ends the chord on its last colour.
        TChannelLine line;
        line.SlopeLow = line.SlopeHigh = static_cast<double>(to[c] - from[c]) / static_cast<double>(last - first);
        line.Binding.push_back({last - first, to[c] - from[c], true});
        line.Binding.push_back({last - first, to[c] - from[c], false});
        const std::string slope = SlopeText(line);
        chord.Start[c] = from[c];
        chord.Slope[c] = ReadSlope(slope);
        text += std::to_string(from[c]) + "," + slope + ",";
    }
    worst = 0;
    for (std::int64_t k = 0; k <= last - first; ++k) {
        const double difference = DeltaE2000(labs[static_cast<std::size_t>(first + k)], PackedToLab(ChordColor(chord, k)));
        if (difference > tolerance) return false;
        worst = std::max(worst, difference);
    }
    return true;
}

}  // namespace

TRulvText WriteRulvWithin(const TPaletteArray& colors, double tolerance, std::string_view comment) {
    TRulvText result;
    result.Text = Header(comment);
    std::vector<TLab> labs(colors.size());
    for (std::size_t i = 0; i < colors.size(); ++i) labs[i] = PackedToLab(colors[i]);
    TPaletteArray written;
    const auto size = static_cast<std::int64_t>(colors.size());
    std::int64_t first = 0;
    while (first < size) {
        // The farthest chord that fits: doubling, then halving the step.
        std::int64_t fits = first;
        std::string fitsText = ColorLine(colors[static_cast<std::size_t>(first)]);
        double fitsWorst = 0;
        TChord chord{};
        std::string text;
        double worst = 0;
        std::int64_t step = 1;
        while (fits + step < size && ChordFits(colors, labs, first, fits + step, tolerance, chord, text, worst)) {
            fits += step;
            fitsText = text + std::to_string(fits - first + 1);
            fitsWorst = worst;
            step *= 2;
        }
        for (step /= 2; step >= 1; step /= 2) {
            if (fits + step < size && ChordFits(colors, labs, first, fits + step, tolerance, chord, text, worst)) {
                fits += step;
                fitsText = text + std::to_string(fits - first + 1);
                fitsWorst = worst;
            }
        }
        result.Text += fitsText;
        result.Text += kLineEnd;
        result.LargestDifference = std::max(result.LargestDifference, fitsWorst);
        ++result.Lines;
        first = fits + 1;
    }
    // Read back: its colours must be what the differences were measured on.
    TMemoryInput input(result.Text);
    if (ReadColorMap(input, written, '.') != kColorMapLoaded || written.size() != colors.size()) {
        throw ERulvWriterBug("the .rulv text written within the tolerance does not read back");
    }
    double largest = 0;
    for (std::size_t i = 0; i < colors.size(); ++i) {
        largest = std::max(largest, DeltaE2000(labs[i], PackedToLab(written[i])));
    }
    if (largest > tolerance) throw ERulvWriterBug("the .rulv text written within the tolerance reads back beyond it");
    result.LargestDifference = largest;
    return result;
}

}  // namespace rulv
