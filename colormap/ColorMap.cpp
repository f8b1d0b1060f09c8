// ColorMap.cpp - TPalette, the line parser and the loader.
#include "colormap/ColorMap.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>

#include "common/Errors.h"
#include "common/Extended.h"
#include "common/LargeBlock.h"
#include "common/NumberText.h"
#include "common/RegionalSettings.h"
#include "colormap/LineFault.h"

namespace rulv {

// --- TPalette storage --------------------------------------------------------

TPalette::TStorage::~TStorage() { std::free(Data); }

TPalette::TPalette(char decimalSeparator, std::int32_t colorLimit)
    : FColorLimit(colorLimit), FDecimalSeparator(decimalSeparator) {
    FItems.Data = static_cast<TPackedColor*>(std::calloc(kInitialCapacity, sizeof(TPackedColor)));
    if (FItems.Data == nullptr) throw EOutOfMemory();
    FItems.Size = kInitialCapacity;
}

void TPalette::Grow() {
    const std::size_t size = FItems.Size * 2;
    if (size > std::numeric_limits<std::size_t>::max() / sizeof(TPackedColor)) throw EOutOfMemory();
    // A failed growth leaves the old block as it was.
    void* grown = GrowBlock(FItems.Data, FItems.Size * sizeof(TPackedColor), size * sizeof(TPackedColor));
    if (grown == nullptr) throw EOutOfMemory();
    FItems.Data = static_cast<TPackedColor*>(grown);
    FItems.Size = size;
}

void TPalette::MakeRoomForNext() {
    // The list never holds more colours than a 32-bit index can reach.
    if (FLast >= FColorLimit - 1) throw EOutOfMemory();
    if (static_cast<std::size_t>(FLast) + 1 >= FItems.Size) Grow();
}

void TPalette::Add(TPackedColor color) {
    MakeRoomForNext();
    FItems.Data[FLast + 1] = color;
    ++FLast;
}

TPackedColor TPalette::GetItem(std::int32_t index) const {
    if (index > FLast) throw EAbort();
    if (index < 0) throw ERangeError();
    return FItems.Data[index];
}

void TPalette::CopyTo(TPaletteArray& colors) const {
    const auto count = static_cast<std::size_t>(FLast) + 1;
    // Where the caller's array has the room (a map read again), the
    // colours go straight into it: nothing is allocated, nothing can fail,
    // and no new page is touched.
    if (colors.capacity() >= count) {
        colors.assign(FItems.Data, FItems.Data + count);
        return;
    }
    // Otherwise built aside first, so that the caller's array survives a failure.
    TPaletteArray copy;
    try {
        copy.reserve(count);
        AdviseLargePages(copy.data(), count * sizeof(TPackedColor));
        copy.assign(FItems.Data, FItems.Data + count);
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    } catch (const std::length_error&) {
        throw EOutOfMemory();
    }
    colors.swap(copy);
}

// --- Line parser -------------------------------------------------------------

namespace {

constexpr std::size_t kKeywordLength = 5;
constexpr std::size_t kColourDigits = 6;

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view Trim(std::string_view piece) {
    while (!piece.empty() && IsBlank(piece.front())) piece.remove_prefix(1);
    while (!piece.empty() && IsBlank(piece.back())) piece.remove_suffix(1);
    return piece;
}

// The directive keyword of a line: its first five characters, upper-cased.
std::array<char, kKeywordLength> Keyword(std::string_view line) {
    std::array<char, kKeywordLength> keyword{};
    for (std::size_t i = 0; i < kKeywordLength && i < line.size(); ++i) {
        const char c = line[i];
        keyword[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return keyword;
}

bool IsKeyword(std::string_view line, const char (&name)[kKeywordLength + 1]) {
    return line.size() >= kKeywordLength && std::memcmp(Keyword(line).data(), name, kKeywordLength) == 0;
}

bool IsGradient(std::string_view line) { return IsKeyword(line, "#GRAD"); }
bool IsLinear(std::string_view line) { return IsKeyword(line, "#LINE"); }

constexpr std::uint8_t kNoDigit = 0xFF;

constexpr auto kHexDigits = [] {
    std::array<std::uint8_t, 256> table{};
    table.fill(kNoDigit);
    for (int c = '0'; c <= '9'; ++c) table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c) table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 'A' + 10);
    for (int c = 'a'; c <= 'f'; ++c) table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 'a' + 10);
    return table;
}();

bool IsHexDigit(char c) { return kHexDigits[static_cast<unsigned char>(c)] != kNoDigit; }

// Six hex digits in a row: the common colour line, decoded without the
// general conversion (the loader's hot path: no loop, one test of all six
// digits). Gives false for anything else.
inline bool DecodeSixHexDigits(std::string_view line, TPackedColor& color) {
    if (line.size() < kColourDigits) return false;
    const auto digit = [&line](std::size_t i) -> unsigned { return kHexDigits[static_cast<unsigned char>(line[i])]; };
    const unsigned d0 = digit(0), d1 = digit(1), d2 = digit(2), d3 = digit(3), d4 = digit(4), d5 = digit(5);
    // A byte that is no digit maps to 0xFF, which no digit's value reaches.
    if (((d0 | d1 | d2 | d3 | d4 | d5) & 0xF0u) != 0) return false;
    color = PackColor(static_cast<int>(d0 << 4 | d1), static_cast<int>(d2 << 4 | d3), static_cast<int>(d4 << 4 | d5));
    return true;
}

// Where a colour line stops being hex colour text, as SetHex on its first
// six characters sees it: the first character that is no hex digit, or the
// end of a line of four digits or fewer. Zero when SetHex accepts them.
std::int64_t ColourTextFaultColumn(std::string_view line) {
    const std::size_t checked = std::min(line.size(), kColourDigits);
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
        const std::size_t comma = FLine.find(',', FAt);
        const std::size_t end = comma == std::string_view::npos ? FLine.size() : comma;
        std::size_t first = FAt;
        while (first < end && IsBlank(FLine[first])) ++first;
        std::size_t last = end;
        while (last > first && IsBlank(FLine[last - 1])) --last;
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
    TRgb ColourField(const TField& field, TLineField name) const {
        const std::size_t digits = std::min(field.Text.size(), kColourDigits);
        for (std::size_t i = 0; i < digits; ++i) {
            if (!IsHexDigit(field.Text[i])) {
                Raise(TLineFaultKind::BadColourField, field.Column + static_cast<std::int64_t>(i), name,
                      TNumberFault::UnexpectedCharacter);
            }
        }
        if (field.Text.size() < kColourDigits) {
            Raise(TLineFaultKind::BadColourField, field.EndColumn(), name, TNumberFault::Empty,
                  static_cast<std::int64_t>(field.Text.size()));
        }
        if (field.Text.size() > kColourDigits) {
            const std::int64_t after = field.Column + static_cast<std::int64_t>(kColourDigits);
            if (IsHexDigit(field.Text[kColourDigits])) {
                Raise(TLineFaultKind::BadColourField, after, name, TNumberFault::TooManyHexDigits);
            }
            Raise(TLineFaultKind::MissingComma, after, name);
        }
        if (!field.CommaFollows) Raise(TLineFaultKind::MissingComma, field.EndColumn(), name);
        TRgb rgb;
        rgb.SetHex(field.Text);
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

constexpr TChannel kChannels[3] = {TChannel::Red, TChannel::Green, TChannel::Blue};
constexpr TLineField kStartFields[3] = {TLineField::RedStart, TLineField::GreenStart, TLineField::BlueStart};
constexpr TLineField kSlopeFields[3] = {TLineField::RedSlope, TLineField::GreenSlope, TLineField::BlueSlope};

}  // namespace

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

void TPalette::RaiseGrowthFault(std::string_view line, std::int64_t column) const {
    TLineFault fault;
    const bool full = FLast >= FColorLimit - 1;
    fault.Kind = full ? TLineFaultKind::TooManyColours : TLineFaultKind::OutOfMemory;
    fault.Column = column;
    fault.Index = full ? FColorLimit : std::int64_t{FLast} + 1;
    RaiseLineFault(line, fault);
}

void TPalette::AddForLine(std::string_view line, TPackedColor color, std::int64_t column) {
    try {
        Add(color);
    } catch (const EOutOfMemory&) {
        RaiseGrowthFault(line, column);
    }
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
        if (const std::int64_t column = ColourTextFaultColumn(line); column != 0) {
            TLineFault fault;
            fault.Kind = TLineFaultKind::NotAColour;
            fault.Column = column;
            RaiseLineFault(line, fault);
        }
        TRgb rgb;
        rgb.SetHex(line.substr(0, kColourDigits));
        color = rgb.GetColor();
    }
    AddForLine(line, color, 1);
}

void TPalette::ParseGradient(std::string_view line) {
    const TDirectiveFaults faults(line, TDirective::Gradient);
    faults.RequireSpaceAfterKeyword();
    TFields fields(line, kKeywordLength);
    const TRgb start = faults.ColourField(fields.Next(), TLineField::StartColour);
    const TRgb end = faults.ColourField(fields.Next(), TLineField::EndColour);
    const TField countField = fields.Next();
    const std::int32_t count = faults.Integer(countField, TLineField::Count);
    // (end - start) / 0 would be a division by zero (or 0 / 0).
    if (count == 0) faults.Raise(TLineFaultKind::GradientCountZero, countField.Column, TLineField::Count);

    const std::int32_t starts[3] = {start.Red(), start.Green(), start.Blue()};
    // |k * step| stays below 256 * 2^31: no product leaves 64 bits.
    TRoundedProductSeries series[3] = {{StoredQuotient(end.Red() - start.Red(), count), count},
                                       {StoredQuotient(end.Green() - start.Green(), count), count},
                                       {StoredQuotient(end.Blue() - start.Blue(), count), count}};
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
    TFields fields(line, kKeywordLength);
    std::int32_t starts[3];
    double slopes[3];
    std::int64_t slopeColumns[3];
    for (int channel = 0; channel < 3; ++channel) {
        const TField startField = fields.Next();
        faults.RequireComma(startField, kStartFields[channel]);
        starts[channel] = faults.Integer(startField, kStartFields[channel]);
        const TField slopeField = fields.Next();
        faults.RequireComma(slopeField, kSlopeFields[channel]);
        slopes[channel] = faults.Slope(slopeField, kSlopeFields[channel], FDecimalSeparator);
        slopeColumns[channel] = slopeField.Column;
    }
    const TField countField = fields.Next();
    const std::int32_t count = faults.Integer(countField, TLineField::Count);

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
    try {
        AddGenerated(faultAt, [&](TPackedColor* first, std::int64_t n) { FillLinear(first, n, starts, series); });
    } catch (const EOutOfMemory&) {
        RaiseGrowthFault(line, countField.Column);
    }
    if (faultAt < count) {
        faults.RaiseProductTooLarge(slopeColumns[faultChannel], kSlopeFields[faultChannel], kChannels[faultChannel],
                                    faultAt);
    }
}

// --- Loader ------------------------------------------------------------------

namespace {

constexpr char kCarriageReturn = '\r';
constexpr char kLineFeed = '\n';
constexpr char kEndOfData = '\x1A';  // Ctrl-Z
constexpr std::size_t kChunkSize = std::size_t{64} * 1024;
// What is kept of a long line that is not a #GRAD or #LINE directive: a
// colour line needs only its first six characters, and a fault report
// shows no more than this of it.
constexpr std::size_t kShortLineKeep = 160;

// Splits the data into lines without their line ends. A line that lies
// within one chunk is handed out as a view into the chunk; a longer one is
// gathered, keeping the whole text only where the line's kind needs it.
class TLineReader {
public:
    explicit TLineReader(TByteSource& source) : FSource(source), FBuffer(new char[kChunkSize]) {}

    // True when the line last read is longer than what was kept of it.
    bool LineCut() const noexcept { return FCut; }

    // The end of the data: the end of the source, or a Ctrl-Z next.
    bool AtEnd() {
        if (!Ensure()) return true;
        return FPosition == FDataEnd && FDataEnd < FLength;
    }

    // The commonest line, read without the general path: it starts with six
    // hex digits and ends in a carriage return within the current chunk.
    // Gives its colour and its text and consumes it, or consumes nothing
    // and gives false. Only where AtEnd() is false.
    bool ReadColourLine(TPackedColor& color, std::string_view& line) {
        const char* start = FBuffer.get() + FPosition;
        const std::size_t available = FDataEnd - FPosition;
        if (available <= kColourDigits || !DecodeSixHexDigits(std::string_view(start, kColourDigits), color)) {
            return false;
        }
        std::size_t length = kColourDigits;
        if (start[length] != kCarriageReturn) {
            const auto* returnAt = static_cast<const char*>(
                std::memchr(start + length, kCarriageReturn, available - length));
            if (returnAt == nullptr) return false;  // ends in a later chunk, or at a Ctrl-Z
            length = static_cast<std::size_t>(returnAt - start);
        }
        FPosition += length;
        ConsumeLineEnd();
        line = std::string_view(start, length);
        return true;
    }

    // Colour lines of exactly six hex digits and their line end, one after
    // another within the current chunk, their colours written to
    // colors[0 .. room-1]: the run of lines ReadColourLine would read one
    // at a time, in a loop that keeps its place in registers. Stops at the
    // first other line, at `room` lines, or where a line end might belong
    // to the next chunk; gives how many lines it read.
    std::int64_t ReadPlainColourLines(TPackedColor* colors, std::int64_t room) noexcept {
        // A line takes its six digits, its carriage return, and one byte
        // more to tell whether a line feed follows.
        constexpr std::size_t kLineBytes = kColourDigits + 2;
        if (FDataEnd < kLineBytes) return 0;
        const char* const buffer = FBuffer.get();
        const std::size_t last = FDataEnd - kLineBytes;  // the last place such a line may start
        std::size_t position = FPosition;
        std::int64_t count = 0;
        while (count < room && position <= last) {
            const char* line = buffer + position;
            if (line[kColourDigits] != kCarriageReturn ||
                !DecodeSixHexDigits(std::string_view(line, kColourDigits), colors[count])) {
                break;
            }
            position += kColourDigits + 1 + (line[kColourDigits + 1] == kLineFeed ? 1 : 0);
            ++count;
        }
        FPosition = position;
        return count;
    }

    // The next line; valid until the next call.
    std::string_view ReadLine() {
        bool gathering = false;
        FLine.clear();
        FKeepWhole = false;
        FCut = false;
        for (;;) {
            if (!Ensure()) return FLine;  // the last line needs no line end
            const char* start = FBuffer.get() + FPosition;
            // A Ctrl-Z in the chunk ends the data, and with it the line.
            const std::size_t available = FDataEnd - FPosition;
            const auto* returnAt = static_cast<const char*>(std::memchr(start, kCarriageReturn, available));
            const std::size_t length = returnAt != nullptr ? static_cast<std::size_t>(returnAt - start) : available;
            const bool complete = returnAt != nullptr || FDataEnd < FLength;
            FPosition += length;
            if (complete && !gathering) {
                ConsumeLineEnd();
                return std::string_view(start, length);
            }
            Gather(std::string_view(start, length));
            gathering = true;
            if (complete) {
                ConsumeLineEnd();
                return FLine;
            }
        }
    }

private:
    // Makes at least one byte available, skipping a line feed that belongs
    // to a carriage return at the end of the previous chunk.
    bool Ensure() {
        for (;;) {
            if (FPosition == FLength) {
                if (FFinished) return false;
                FLength = FSource.Read(FBuffer.get(), kChunkSize);
                FPosition = 0;
                if (FLength == 0) {
                    FFinished = true;
                    return false;
                }
                // Where the data ends in this chunk: at its first Ctrl-Z, or
                // nowhere (its length).
                const auto* endAt = static_cast<const char*>(std::memchr(FBuffer.get(), kEndOfData, FLength));
                FDataEnd = endAt != nullptr ? static_cast<std::size_t>(endAt - FBuffer.get()) : FLength;
            }
            if (!FPendingLineFeed) return true;
            FPendingLineFeed = false;
            if (FBuffer[FPosition] == kLineFeed) ++FPosition;
        }
    }

    // Steps over a carriage return and the line feed after it; a Ctrl-Z
    // stays where it is and ends the data.
    void ConsumeLineEnd() {
        if (FBuffer[FPosition] != kCarriageReturn) return;
        ++FPosition;
        if (FPosition < FLength) {
            if (FBuffer[FPosition] == kLineFeed) ++FPosition;
        } else {
            FPendingLineFeed = true;  // decided when the next chunk arrives
        }
    }

    void Gather(std::string_view piece) {
        if (FKeepWhole) {
            FLine.append(piece);
            return;
        }
        if (FLine.size() >= kShortLineKeep) {  // the rest of the line is never looked at
            FCut = FCut || !piece.empty();
            return;
        }
        const std::size_t room = kShortLineKeep - FLine.size();
        FLine.append(piece.substr(0, room));
        piece.remove_prefix(std::min(room, piece.size()));
        // Once the keyword is known, a #GRAD or #LINE line keeps all of its text.
        if (IsGradient(FLine) || IsLinear(FLine)) {
            FKeepWhole = true;
            FLine.append(piece);
        } else {
            FCut = FCut || !piece.empty();
        }
    }

    TByteSource& FSource;
    std::unique_ptr<char[]> FBuffer;
    std::size_t FPosition = 0;
    std::size_t FLength = 0;
    std::size_t FDataEnd = 0;  // the first Ctrl-Z of the chunk, or its length
    bool FFinished = false;
    bool FPendingLineFeed = false;
    std::string FLine;
    bool FKeepWhole = false;
    bool FCut = false;
};

// Counts the lines by what they gave, for a report of a map without colours.
void CountLine(TColorMapReport& report, std::string_view line, bool appended) {
    if (line.empty()) ++report.EmptyLines;
    else if (line.front() == '*') ++report.CommentLines;
    else if (line.front() == '#' && !IsGradient(line) && !IsLinear(line)) ++report.IgnoredDirectives;
    else if (!appended) ++report.EmptyRuns;
}

// Keeps the faulty line for the report; without memory for it, the report
// simply has no text.
void RecordFault(TColorMapReport& report, const TLineFault& fault, std::string_view line, bool cut) noexcept {
    report.Fault = fault;
    try {
        report.FaultyLine.assign(line);
        report.FaultyLineCut = cut;
    } catch (const std::bad_alloc&) {
        report.FaultyLine.clear();
        report.FaultyLineCut = !line.empty();
    }
}

}  // namespace

namespace {

// Reads every line into `palette`: 0 at the end of the data, or the first
// faulty line.
ColorMapResult ReadLines(TByteSource& source, TPalette& palette, TColorMapReport* report) {
    TColorMapReport local;
    TColorMapReport& counts = report != nullptr ? *report : local;
    counts = TColorMapReport{};
    TLineReader reader(source);
    std::int64_t lineNumber = 0;
    while (!reader.AtEnd()) {
        if (++lineNumber > std::numeric_limits<ColorMapResult>::max()) {
            throw Exception("The file has more lines than a line number can count");
        }
        // A run of the commonest lines, at once.
        const std::int64_t run = reader.ReadPlainColourLines(
            palette.Room(), std::min(palette.RoomSize(), std::numeric_limits<ColorMapResult>::max() - lineNumber + 1));
        if (run > 0) {
            palette.AddWithinRoom(run);
            lineNumber += run - 1;
            counts.Lines += run;
            continue;
        }
        ++counts.Lines;
        TPackedColor color = 0;
        std::string_view line;
        if (reader.ReadColourLine(color, line)) {
            try {
                palette.AddColourLine(line, color);
            } catch (const ELineFault& fault) {
                RecordFault(counts, fault.Fault(), line, false);
                return static_cast<ColorMapResult>(lineNumber);
            }
            continue;
        }
        line = reader.ReadLine();
        if (line.empty() || line.front() == '*') {
            CountLine(counts, line, false);
            continue;
        }
        const std::int32_t before = palette.LastIndex();
        try {
            palette.ParseLine(line);
        } catch (const ELineFault& fault) {
            RecordFault(counts, fault.Fault(), line, reader.LineCut());
            return static_cast<ColorMapResult>(lineNumber);
        } catch (const std::bad_alloc&) {
            TLineFault fault;
            fault.Kind = TLineFaultKind::OutOfMemory;
            fault.Index = std::int64_t{palette.LastIndex()} + 1;
            RecordFault(counts, fault, line, reader.LineCut());
            return static_cast<ColorMapResult>(lineNumber);
        }
        if (line.front() == '#') CountLine(counts, line, palette.LastIndex() != before);
    }
    return palette.HasColors() ? kColorMapLoaded : kColorMapNoColors;
}

// The file `fileName` through `read`, the file closed on every path.
template <class TRead>
ColorMapResult ReadFile(const std::filesystem::path& fileName, TFileKinds kinds, TRead&& read) {
    if (!FileExists(fileName)) return kColorMapMissing;
    TFileInput file(fileName, kinds);
    const ColorMapResult result = read(file);
    file.Close();
    return result;
}

}  // namespace

ColorMapResult ReadColorMap(TByteSource& source, TPaletteArray& colors, char decimalSeparator,
                            TColorMapReport* report) {
    TPalette palette(decimalSeparator);
    const ColorMapResult result = ReadLines(source, palette, report);
    if (result == kColorMapLoaded) palette.CopyTo(colors);
    return result;
}

ColorMapResult ReadColorMap(TByteSource& source, std::int64_t& count, char decimalSeparator,
                            TColorMapReport* report) {
    TPalette palette(decimalSeparator);
    const ColorMapResult result = ReadLines(source, palette, report);
    if (result == kColorMapLoaded) count = std::int64_t{palette.LastIndex()} + 1;
    return result;
}

ColorMapResult LoadColorMapFile(const std::filesystem::path& fileName, TPaletteArray& colors,
                                TColorMapReport* report, TFileKinds kinds) {
    // The caller's array is written only once the file is closed.
    TPalette palette(UserDecimalSeparator());
    const ColorMapResult result =
        ReadFile(fileName, kinds, [&](TByteSource& file) { return ReadLines(file, palette, report); });
    if (result == kColorMapLoaded) palette.CopyTo(colors);
    return result;
}

ColorMapResult LoadColorMapFile(const std::filesystem::path& fileName, std::int64_t& count,
                                TColorMapReport* report, TFileKinds kinds) {
    return ReadFile(fileName, kinds, [&](TByteSource& file) {
        return ReadColorMap(file, count, UserDecimalSeparator(), report);
    });
}

}  // namespace rulv
