// LineParser.cpp - TPalette::ParseLine, ParseGradient and ParseLinear, and
// NormalizeCommas.
#include "colormap/LineParser.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <limits>
#include <new>
#include <optional>

#include "common/Errors.h"
#include "common/Extended.h"
#include "common/NumberText.h"
#include "colormap/LineFault.h"

namespace rulv {

using namespace line_grammar;

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view Trim(std::string_view piece) {
    while (!piece.empty() && IsBlank(piece.front())) piece.remove_prefix(1);
    while (!piece.empty() && IsBlank(piece.back())) piece.remove_suffix(1);
    return piece;
}


// Where a colour line stops being hex colour text, as SetHex on its first
// six characters sees it: the first character that is no hex digit, or the
// end of a line of four digits or fewer. Zero when SetHex accepts them.
std::int64_t ColorTextFaultColumn(std::string_view line) {
    const std::size_t checked = std::min(line.size(), kColorDigits);
    for (std::size_t i = 0; i < checked; ++i) {
        if (!IsHexDigit(line[i])) return static_cast<std::int64_t>(i) + 1;
    }
    // Each of the three pieces needs a digit: five digits are enough.
    return line.size() <= 4 ? static_cast<std::int64_t>(line.size()) + 1 : 0;
}

// One field of a directive: a piece of the text after the keyword, cut at
// the commas and without the blanks and control characters (codes 0-32)
// around it, which is what NormalizeCommas leaves of it; with its place in
// the line, so that a fault can name its column.
struct TField {
    std::string_view Text;
    std::int64_t Column = 0;       // of its first character (of the comma or end for an empty one)
    bool CommaFollows = false;
    std::int64_t CommaColumn = 0;  // of the comma after it, when there is one

    std::int64_t EndColumn() const noexcept { return Column + static_cast<std::int64_t>(Text.size()); }
};

// The fields of a directive line, left to right.
class TFields {
public:
    TFields(std::string_view line, std::size_t from) noexcept : FLine(line), FAt(from) {}

    TField Next() noexcept {
        // Fields are a few characters long: a plain loop finds the comma
        // sooner than a call to memchr, and the field's ends on the way.
        std::size_t first = FAt;
        while (first < FLine.size() && IsBlank(FLine[first])) ++first;
        std::size_t end = first;
        std::size_t last = first;
        for (; end < FLine.size() && FLine[end] != ','; ++end) {
            if (!IsBlank(FLine[end])) last = end + 1;
        }
        const std::size_t comma = end < FLine.size() ? end : std::string_view::npos;
        TField field;
        field.Text = FLine.substr(first, last - first);
        field.Column = static_cast<std::int64_t>(first) + 1;
        field.CommaFollows = comma != std::string_view::npos;
        field.CommaColumn = static_cast<std::int64_t>(end) + 1;
        FAt = field.CommaFollows ? comma + 1 : FLine.size();
        return field;
    }

private:
    std::string_view FLine;
    std::size_t FAt;
};

// The numbers of a #LINE line and where they stand, for its faults.
struct TLinearArguments {
    std::int32_t Starts[3] = {};
    double Slopes[3] = {};
    std::int64_t SlopeColumns[3] = {};
    std::int32_t Count = 0;
    std::int64_t CountColumn = 0;
};

constexpr TChannel kChannels[3] = {TChannel::Red, TChannel::Green, TChannel::Blue};
constexpr TLineField kStartFields[3] = {TLineField::RedStart, TLineField::GreenStart, TLineField::BlueStart};
constexpr TLineField kSlopeFields[3] = {TLineField::RedSlope, TLineField::GreenSlope, TLineField::BlueSlope};

// Raises the faults of one directive line, naming its keyword.
class TDirectiveFaults {
public:
    TDirectiveFaults(std::string_view line, TDirective directive) noexcept : FLine(line), FDirective(directive) {}

    [[noreturn]] void Raise(TLineFaultKind kind, std::int64_t column, TLineField field,
                            TNumberFault rule = TNumberFault::None, std::int64_t index = 0) const {
        TLineFault fault;
        fault.Kind = kind;
        fault.Column = column;
        fault.Directive = FDirective;
        fault.Field = field;
        fault.Rule = rule;
        fault.Index = index;
        RaiseLineFault(FLine, fault);
    }

    [[noreturn]] void RaiseProductTooLarge(std::int64_t column, TLineField field, TChannel channel,
                                           std::int64_t k) const {
        TLineFault fault;
        fault.Kind = TLineFaultKind::ProductTooLarge;
        fault.Column = column;
        fault.Directive = FDirective;
        fault.Field = field;
        fault.Channel = channel;
        fault.Index = k;
        RaiseLineFault(FLine, fault);
    }

    // The keyword must be followed by one space (code 32).
    void RequireSpaceAfterKeyword() const {
        if (FLine.size() <= kKeywordLength || FLine[kKeywordLength] != ' ') {
            Raise(TLineFaultKind::NoSpaceAfterKeyword, kKeywordLength + 1, TLineField::None);
        }
    }

    // A gradient colour: exactly six hex digits, then a comma.
    TRgb ColorField(const TField& field, TLineField name) const {
        const std::size_t digits = std::min(field.Text.size(), kColorDigits);
        for (std::size_t i = 0; i < digits; ++i) {
            if (!IsHexDigit(field.Text[i])) {
                Raise(TLineFaultKind::BadColorField, field.Column + static_cast<std::int64_t>(i), name,
                      TNumberFault::UnexpectedCharacter);
            }
        }
        if (field.Text.size() < kColorDigits) {
            Raise(TLineFaultKind::BadColorField, field.EndColumn(), name, TNumberFault::Empty,
                  static_cast<std::int64_t>(field.Text.size()));
        }
        if (field.Text.size() > kColorDigits) {
            const std::int64_t after = field.Column + static_cast<std::int64_t>(kColorDigits);
            if (IsHexDigit(field.Text[kColorDigits])) {
                Raise(TLineFaultKind::BadColorField, after, name, TNumberFault::TooManyHexDigits);
            }
            Raise(TLineFaultKind::MissingComma, after, name);
        }
        if (!field.CommaFollows) Raise(TLineFaultKind::MissingComma, field.EndColumn(), name);
        // Six hex digits, as checked above: SetHex would give the same.
        TPackedColor color = 0;
        DecodeSixHexDigits(field.Text, color);
        TRgb rgb;
        rgb.SetRed(RedOf(color));
        rgb.SetGreen(GreenOf(color));
        rgb.SetBlue(BlueOf(color));
        return rgb;
    }

    // A field that must be followed by a comma (all but the count).
    void RequireComma(const TField& field, TLineField name) const {
        if (!field.CommaFollows) Raise(TLineFaultKind::MissingComma, field.EndColumn(), name);
    }

    // A start or count through ParseInteger's rules. The count is the rest
    // of the line, so a comma after it is a character too many.
    std::int32_t Integer(const TField& field, TLineField name) const {
        std::int32_t value = 0;
        const TNumberScan scan = ScanInteger(field.Text, value);
        if (!scan.Accepted()) {
            Raise(TLineFaultKind::BadInteger, field.Column + static_cast<std::int64_t>(scan.Offset), name, scan.Fault);
        }
        if (name == TLineField::Count && field.CommaFollows) {
            Raise(TLineFaultKind::BadInteger, field.CommaColumn, name, TNumberFault::UnexpectedCharacter);
        }
        return value;
    }

    // A slope through ParseReal's rules, stored as a double.
    double Slope(const TField& field, TLineField name, char decimalSeparator) const {
        TExtended value;
        TNumberScan scan;
        try {
            scan = ScanReal(field.Text, decimalSeparator, value);
        } catch (const std::bad_alloc&) {
            Raise(TLineFaultKind::OutOfMemory, field.Column, name);
        }
        if (scan.Fault == TNumberFault::Overflow) Raise(TLineFaultKind::SlopeTooLarge, field.Column, name);
        if (!scan.Accepted()) {
            Raise(TLineFaultKind::BadSlope, field.Column + static_cast<std::int64_t>(scan.Offset), name, scan.Fault);
        }
        try {
            return ToDouble(value);
        } catch (const EOverflow&) {
            Raise(TLineFaultKind::SlopeTooLarge, field.Column, name);
        }
    }

    // The numbers of a #LINE line, each field by the reader's rules.
    TLinearArguments LinearArguments(char decimalSeparator) const {
        TFields fields(FLine, kKeywordLength);
        TLinearArguments arguments;
        for (int channel = 0; channel < 3; ++channel) {
            const TField startField = fields.Next();
            RequireComma(startField, kStartFields[channel]);
            arguments.Starts[channel] = Integer(startField, kStartFields[channel]);
            const TField slopeField = fields.Next();
            RequireComma(slopeField, kSlopeFields[channel]);
            arguments.Slopes[channel] = Slope(slopeField, kSlopeFields[channel], decimalSeparator);
            arguments.SlopeColumns[channel] = slopeField.Column;
        }
        const TField countField = fields.Next();
        arguments.Count = Integer(countField, TLineField::Count);
        arguments.CountColumn = countField.Column;
        return arguments;
    }

private:
    std::string_view FLine;
    TDirective FDirective;
};

// A 64-bit channel value narrowed for a clamping setter, clamping the same way.
std::int32_t AsChannel(std::int64_t value) {
    return value < 0 ? -1 : (value > 255 ? 256 : static_cast<std::int32_t>(value));
}

// Whether start + product leaves 64 bits: a fault, not a wrap.
bool SumBeyond64Bits(std::int64_t start, std::int64_t product) noexcept {
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    return (product > 0 && start > kMax - product) || (product < 0 && start < kMin - product);
}

// The least k of the series for which start + round(k * slope) leaves 64
// bits, the product itself included (its InvalidFrom), or the count. The
// products only grow in magnitude with k, so the sums beyond 64 bits are
// the last ones: a binary search over exact products finds the first.
std::int64_t FirstSumBeyond64Bits(std::int32_t start, const TRoundedProductSeries& series, double slope) {
    std::int64_t low = 0;
    std::int64_t high = series.InvalidFrom();
    if (high == 0 || !SumBeyond64Bits(start, RoundedProduct(high - 1, slope))) return high;
    while (low < high - 1) {  // the sum at high - 1 is beyond; find the first
        const std::int64_t middle = low + (high - 1 - low) / 2;
        if (SumBeyond64Bits(start, RoundedProduct(middle, slope))) {
            high = middle + 1;
        } else {
            low = middle + 1;
        }
    }
    return SumBeyond64Bits(start, RoundedProduct(low, slope)) ? low : high;
}

// The channel of a #LINE colour: sum rem 256, the remainder taking the sign
// of the sum, and a negative remainder showing as 0. A negative sum's
// remainder is negative or 0, so every negative sum gives 0.
std::int32_t LinearChannel(std::int64_t sum) noexcept {
    return sum < 0 ? 0 : static_cast<std::int32_t>(sum & 0xFF);
}

// The next n colours of a #LINE run, none of whose sums leaves 64 bits.
void FillLinear(TPackedColor* colors, std::int64_t n, const std::int32_t (&starts)[3],
                TRoundedProductSeries (&series)[3]) {
    constexpr std::int64_t kBlock = 1024;
    std::int64_t values[3][kBlock];
    for (std::int64_t done = 0; done < n;) {
        const std::int64_t block = std::min(kBlock, n - done);
        for (int channel = 0; channel < 3; ++channel) series[channel].Fill(values[channel], block);
        for (std::int64_t i = 0; i < block; ++i) {
            colors[done + i] = PackColor(LinearChannel(starts[0] + values[0][i]), LinearChannel(starts[1] + values[1][i]),
                                         LinearChannel(starts[2] + values[2][i]));
        }
        done += block;
    }
}

using TShortRuns = std::array<TShortProductRun, 3>;

// The three channels' products of a run where every one of them is short
// (TShortProductRun::Fits) and worked out by itself; nothing where the
// series must do them.
std::optional<TShortRuns> ShortRuns(const double (&steps)[3], std::int64_t count) noexcept {
    if (!std::all_of(std::begin(steps), std::end(steps),
                     [count](double step) { return TShortProductRun::Fits(step, count); })) {
        return std::nullopt;
    }
    return TShortRuns{TShortProductRun(steps[0]), TShortProductRun(steps[1]), TShortProductRun(steps[2])};
}

// The next n colours of a short #LINE run, from colour `first` on.
void FillShortLinear(TPackedColor* colors, std::int64_t first, std::int64_t n, const std::int32_t (&starts)[3],
                     const TShortRuns& runs) noexcept {
    for (std::int64_t i = 0; i < n; ++i) {
        const std::int64_t k = first + i;
        colors[i] = PackColor(LinearChannel(starts[0] + runs[0].Value(k)), LinearChannel(starts[1] + runs[1].Value(k)),
                              LinearChannel(starts[2] + runs[2].Value(k)));
    }
}

// A whole number at `at` as the commonest #LINE texts hold it: an optional
// minus sign and one to nine digits. Moves `at` past it; false for
// anything else.
inline bool ScanPlainWhole(const char*& at, const char* end, std::int32_t& value) noexcept {
    const bool negative = at != end && *at == '-';
    const char* const first = at + (negative ? 1 : 0);
    const char* const last = end - first > 9 ? first + 9 : end;
    const char* digit = first;
    std::int32_t magnitude = 0;
    for (; digit != last && *digit >= '0' && *digit <= '9'; ++digit) magnitude = magnitude * 10 + (*digit - '0');
    if (digit == first) return false;
    value = negative ? -magnitude : magnitude;
    at = digit;
    return true;
}

// The numbers of a #LINE line of whole numbers.
struct TWholeLinear {
    std::int32_t Starts[3] = {};
    std::int32_t Slopes[3] = {};
    std::int32_t Count = 0;
    std::int64_t CountColumn = 0;
};

// A #LINE line of seven such numbers, separated by commas alone and ending
// the line, with a count of at least 1: what this program writes for most
// runs. Such a text reads the same through ParseInteger and ParseReal as
// through its digits; every other line, and every fault, takes the
// general path.
bool ScanWholeLinear(std::string_view line, TWholeLinear& run) noexcept {
    if (line.size() <= kKeywordLength + 1) return false;
    const char* at = line.data() + kKeywordLength + 1;
    const char* const end = line.data() + line.size();
    for (int channel = 0; channel < 3; ++channel) {
        if (!ScanPlainWhole(at, end, run.Starts[channel]) || at == end || *at++ != ',') return false;
        if (!ScanPlainWhole(at, end, run.Slopes[channel]) || at == end || *at++ != ',') return false;
    }
    run.CountColumn = at - line.data() + 1;
    return ScanPlainWhole(at, end, run.Count) && at == end && run.Count > 0;
}

// The next n colours of a #LINE run with whole slopes, from colour `first`
// on. The products are exact (below 2^62), as the 64-bit significand
// forms them, and round to themselves; no sum leaves 64 bits.
void FillWholeLinear(TPackedColor* colors, std::int64_t first, std::int64_t n, const TWholeLinear& run) noexcept {
    for (std::int64_t i = 0; i < n; ++i) {
        const std::int64_t k = first + i;
        colors[i] = PackColor(LinearChannel(run.Starts[0] + k * run.Slopes[0]),
                              LinearChannel(run.Starts[1] + k * run.Slopes[1]),
                              LinearChannel(run.Starts[2] + k * run.Slopes[2]));
    }
}

// The colours of a short #GRAD (TShortProductRun::Fits for every step),
// each worked out by itself: a few colours cost less than the series'
// set-up.
void FillShortGradient(TPackedColor* colors, std::int64_t first, std::int64_t n, const std::int32_t (&starts)[3],
                       const TShortRuns& runs) noexcept {
    for (std::int64_t i = 0; i < n; ++i) {
        const std::int64_t k = first + i;
        TRgb rgb;
        rgb.SetRed(AsChannel(starts[0] + runs[0].Value(k)));
        rgb.SetGreen(AsChannel(starts[1] + runs[1].Value(k)));
        rgb.SetBlue(AsChannel(starts[2] + runs[2].Value(k)));
        colors[i] = rgb.GetColor();
    }
}

}  // namespace

template <class TFill>
void TPalette::AddRunOfLine(std::string_view line, std::int64_t column, std::int64_t count, const TFill& fill) {
    std::int64_t k = 0;
    try {
        AddGenerated(count, [&](TPackedColor* first, std::int64_t n) {
            fill(first, k, n);
            k += n;
        });
    } catch (const EOutOfMemory&) {
        RaiseGrowthFault(line, column);
    }
}

std::string NormalizeCommas(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (;;) {
        const std::size_t comma = text.find(',');
        result.append(Trim(text.substr(0, comma)));
        if (comma == std::string_view::npos) break;
        result.push_back(',');
        text.remove_prefix(comma + 1);
    }
    return result;
}

void TPalette::ParseLine(std::string_view line) {
    if (!line.empty() && line.front() == '#') {
        if (IsGradient(line)) {
            ParseGradient(line);
        } else if (IsLinear(line)) {
            ParseLinear(line);
        }
        return;  // any other directive is ignored
    }
    TPackedColor color = 0;
    if (!DecodeSixHexDigits(line, color)) {
        if (const std::int64_t column = ColorTextFaultColumn(line); column != 0) {
            TLineFault fault;
            fault.Kind = TLineFaultKind::NotAColor;
            fault.Column = column;
            RaiseLineFault(line, fault);
        }
        TRgb rgb;
        rgb.SetHex(line.substr(0, kColorDigits));
        color = rgb.GetColor();
    }
    AddForLine(line, color, 1);
}

void TPalette::ParseGradient(std::string_view line) {
    const TDirectiveFaults faults(line, TDirective::Gradient);
    faults.RequireSpaceAfterKeyword();
    TFields fields(line, kKeywordLength);
    const TRgb start = faults.ColorField(fields.Next(), TLineField::StartColor);
    const TRgb end = faults.ColorField(fields.Next(), TLineField::EndColor);
    const TField countField = fields.Next();
    const std::int32_t count = faults.Integer(countField, TLineField::Count);
    // (end - start) / 0 would be a division by zero (or 0 / 0).
    if (count == 0) faults.Raise(TLineFaultKind::GradientCountZero, countField.Column, TLineField::Count);

    const std::int32_t starts[3] = {start.Red(), start.Green(), start.Blue()};
    const double steps[3] = {StoredQuotient(end.Red() - start.Red(), count),
                             StoredQuotient(end.Green() - start.Green(), count),
                             StoredQuotient(end.Blue() - start.Blue(), count)};
    if (const std::optional<TShortRuns> runs = ShortRuns(steps, count)) {
        AddRunOfLine(line, countField.Column, count, [&](TPackedColor* first, std::int64_t k, std::int64_t n) {
            FillShortGradient(first, k, n, starts, *runs);
        });
        return;
    }
    // |k * step| stays below 256 * 2^31: no product leaves 64 bits.
    TRoundedProductSeries series[3] = {{steps[0], count}, {steps[1], count}, {steps[2], count}};
    // A channel changes only now and then (every 39,000 colours for a
    // gradient of ten million): each run of equal colours is filled at once.
    try {
        for (std::int64_t k = 0; k < count;) {
            TRgb rgb;
            rgb.SetRed(AsChannel(starts[0] + series[0].Value()));
            rgb.SetGreen(AsChannel(starts[1] + series[1].Value()));
            rgb.SetBlue(AsChannel(starts[2] + series[2].Value()));
            std::int64_t next = count;
            for (const TRoundedProductSeries& channel : series) next = std::min(next, channel.NextChange(count));
            const TPackedColor color = rgb.GetColor();
            AddGenerated(next - k, [color](TPackedColor* first, std::int64_t n) { std::fill_n(first, n, color); });
            for (TRoundedProductSeries& channel : series) channel.SkipTo(next);
            k = next;
        }
    } catch (const EOutOfMemory&) {
        RaiseGrowthFault(line, countField.Column);
    }
}

void TPalette::ParseLinear(std::string_view line) {
    const TDirectiveFaults faults(line, TDirective::Linear);
    faults.RequireSpaceAfterKeyword();
    if (TWholeLinear run; ScanWholeLinear(line, run)) {
        AddRunOfLine(line, run.CountColumn, run.Count, [&](TPackedColor* first, std::int64_t k, std::int64_t n) {
            FillWholeLinear(first, k, n, run);
        });
        return;
    }
    const TLinearArguments arguments = faults.LinearArguments(FDecimalSeparator);
    const std::int32_t(&starts)[3] = arguments.Starts;
    const double(&slopes)[3] = arguments.Slopes;
    const std::int32_t count = arguments.Count;

    // Most runs are short: no product comes near 64 bits, and each is
    // worked out by itself.
    if (const std::optional<TShortRuns> runs = ShortRuns(slopes, count)) {
        AddRunOfLine(line, arguments.CountColumn, count, [&](TPackedColor* first, std::int64_t k, std::int64_t n) {
            FillShortLinear(first, k, n, starts, *runs);
        });
        return;
    }

    // The colours before the first (k, channel), in the order red, green,
    // blue, whose start + round(k * slope) leaves 64 bits; then its fault.
    TRoundedProductSeries series[3] = {{slopes[0], count}, {slopes[1], count}, {slopes[2], count}};
    std::int64_t faultAt = std::max(count, 0);
    int faultChannel = 0;
    for (int channel = 0; channel < 3; ++channel) {
        const std::int64_t first = FirstSumBeyond64Bits(starts[channel], series[channel], slopes[channel]);
        if (first < faultAt) {
            faultAt = first;
            faultChannel = channel;
        }
    }
    AddRunOfLine(line, arguments.CountColumn, faultAt,
                 [&](TPackedColor* first, std::int64_t, std::int64_t n) { FillLinear(first, n, starts, series); });
    if (faultAt < count) {
        faults.RaiseProductTooLarge(arguments.SlopeColumns[faultChannel], kSlopeFields[faultChannel],
                                    kChannels[faultChannel], faultAt);
    }
}

}  // namespace rulv
