// ColorMap.cpp - TPalette, the line parser and the loader.
#include "ColorMap.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>

#include "../common/Errors.h"
#include "../common/Extended.h"
#include "../common/NumberText.h"
#include "../common/RegionalSettings.h"

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
    // A failed realloc leaves the old block as it was.
    void* grown = std::realloc(FItems.Data, size * sizeof(TPackedColor));
    if (grown == nullptr) throw EOutOfMemory();
    FItems.Data = static_cast<TPackedColor*>(grown);
    FItems.Size = size;
}

void TPalette::Add(TPackedColor color) {
    // The list never holds more colours than a 32-bit index can reach.
    if (FLast >= FColorLimit - 1) throw EOutOfMemory();
    const std::int32_t next = FLast + 1;
    if (static_cast<std::size_t>(next) >= FItems.Size) Grow();
    FItems.Data[next] = color;
    FLast = next;
}

TPackedColor TPalette::GetItem(std::int32_t index) const {
    if (index > FLast) throw EAbort();
    if (index < 0) throw ERangeError();
    return FItems.Data[index];
}

void TPalette::CopyTo(TPaletteArray& colors) const {
    // Built aside first, so that the caller's array survives a failure.
    TPaletteArray copy;
    try {
        copy.assign(FItems.Data, FItems.Data + (FLast + 1));
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

// The fields of a directive after its keyword: one space must follow the
// keyword; the rest with its commas normalised.
std::string DirectiveFields(std::string_view line) {
    const std::string_view rest = line.substr(kKeywordLength);
    if (rest.empty() || rest.front() != ' ') throw EAbort();
    return NormalizeCommas(rest);
}

// Reads a six-digit colour field and the comma after it off `text`.
TRgb TakeColorField(std::string_view& text) {
    TRgb rgb;
    rgb.SetHex(text.substr(0, 6));
    text.remove_prefix(std::min<std::size_t>(6, text.size()));
    if (text.empty() || text.front() != ',') throw EAbort();
    text.remove_prefix(1);
    return rgb;
}

// Reads the field before the next comma off `text`.
std::string_view TakeField(std::string_view& text) {
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos) throw EAbort();
    const std::string_view field = text.substr(0, comma);
    text.remove_prefix(comma + 1);
    return field;
}

// A 64-bit channel value narrowed for a clamping setter, clamping the same way.
std::int32_t AsChannel(std::int64_t value) {
    return value < 0 ? -1 : (value > 255 ? 256 : static_cast<std::int32_t>(value));
}

// start + product in 64 bits; a sum beyond them is a fault, not a wrap.
std::int64_t CheckedSum(std::int64_t start, std::int64_t product) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    if ((product > 0 && start > kMax - product) || (product < 0 && start < kMin - product)) throw EIntOverflow();
    return start + product;
}

constexpr std::uint8_t kNoDigit = 0xFF;

// Six hex digits in a row: the common colour line, decoded without the
// general conversion. Gives false for anything else.
bool DecodeSixHexDigits(std::string_view line, TPackedColor& color) {
    if (line.size() < 6) return false;
    static constexpr auto kHex = [] {
        std::array<std::uint8_t, 256> table{};
        table.fill(kNoDigit);
        for (int c = '0'; c <= '9'; ++c) table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - '0');
        for (int c = 'A'; c <= 'F'; ++c) table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 'A' + 10);
        for (int c = 'a'; c <= 'f'; ++c) table[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - 'a' + 10);
        return table;
    }();
    int digits[6];
    for (int i = 0; i < 6; ++i) {
        const std::uint8_t digit = kHex[static_cast<unsigned char>(line[static_cast<std::size_t>(i)])];
        if (digit == kNoDigit) return false;
        digits[i] = digit;
    }
    const int red = digits[0] * 16 + digits[1];
    const int green = digits[2] * 16 + digits[3];
    const int blue = digits[4] * 16 + digits[5];
    color = blue * 65536 + green * 256 + red;
    return true;
}

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
        TRgb rgb;
        try {
            rgb.SetHex(line.substr(0, 6));
        } catch (...) {
            throw EAbort();
        }
        color = rgb.GetColor();
    }
    Add(color);
}

void TPalette::ParseGradient(std::string_view line) {
    const std::string fields = DirectiveFields(line);
    try {
        std::string_view text = fields;
        const TRgb start = TakeColorField(text);
        const TRgb end = TakeColorField(text);
        const std::int32_t count = ParseInteger(text);
        const std::int32_t starts[3] = {start.Red(), start.Green(), start.Blue()};
        const double steps[3] = {StoredQuotient(end.Red() - start.Red(), count),
                                 StoredQuotient(end.Green() - start.Green(), count),
                                 StoredQuotient(end.Blue() - start.Blue(), count)};
        TRgb rgb;
        for (std::int32_t k = 0; k < count; ++k) {
            rgb.SetRed(AsChannel(starts[0] + RoundedProduct(k, steps[0])));
            rgb.SetGreen(AsChannel(starts[1] + RoundedProduct(k, steps[1])));
            rgb.SetBlue(AsChannel(starts[2] + RoundedProduct(k, steps[2])));
            Add(rgb.GetColor());
        }
    } catch (...) {
        throw EAbort();
    }
}

void TPalette::ParseLinear(std::string_view line) {
    const std::string fields = DirectiveFields(line);
    try {
        std::string_view text = fields;
        std::int32_t starts[3];
        double slopes[3];
        for (int channel = 0; channel < 3; ++channel) {
            starts[channel] = ParseInteger(TakeField(text));
            slopes[channel] = ToDouble(ParseReal(TakeField(text), FDecimalSeparator));
        }
        const std::int32_t count = ParseInteger(text);
        TRgb rgb;
        for (std::int32_t k = 0; k < count; ++k) {
            std::int64_t values[3];
            for (int channel = 0; channel < 3; ++channel) {
                // The remainder takes the sign of the sum; a negative one shows as 0.
                values[channel] = CheckedSum(starts[channel], RoundedProduct(k, slopes[channel])) % 256;
            }
            rgb.SetRed(AsChannel(values[0]));
            rgb.SetGreen(AsChannel(values[1]));
            rgb.SetBlue(AsChannel(values[2]));
            Add(rgb.GetColor());
        }
    } catch (...) {
        throw EAbort();
    }
}

// --- Loader ------------------------------------------------------------------

namespace {

constexpr char kCarriageReturn = '\r';
constexpr char kLineFeed = '\n';
constexpr char kEndOfData = '\x1A';  // Ctrl-Z
constexpr std::size_t kChunkSize = std::size_t{64} * 1024;
// What a line that is not a #GRAD or #LINE directive needs of its text: a
// colour line its first six characters, the other kinds fewer.
constexpr std::size_t kShortLineKeep = 6;

// Splits the data into lines without their line ends. A line that lies
// within one chunk is handed out as a view into the chunk; a longer one is
// gathered, keeping the whole text only where the line's kind needs it.
class TLineReader {
public:
    explicit TLineReader(TByteSource& source) : FSource(source), FBuffer(new char[kChunkSize]) {}

    // The end of the data: the end of the source, or a Ctrl-Z next.
    bool AtEnd() {
        if (!Ensure()) return true;
        return FBuffer[FPosition] == kEndOfData;
    }

    // The next line; valid until the next call.
    std::string_view ReadLine() {
        bool gathering = false;
        FLine.clear();
        FKeepWhole = false;
        for (;;) {
            if (!Ensure()) return FLine;  // the last line needs no line end
            const char* start = FBuffer.get() + FPosition;
            const std::size_t available = FLength - FPosition;
            const auto* returnAt = static_cast<const char*>(std::memchr(start, kCarriageReturn, available));
            const std::size_t searched = returnAt != nullptr ? static_cast<std::size_t>(returnAt - start) : available;
            const auto* endAt = static_cast<const char*>(std::memchr(start, kEndOfData, searched));
            const std::size_t length = endAt != nullptr ? static_cast<std::size_t>(endAt - start) : searched;
            const bool complete = endAt != nullptr || returnAt != nullptr;
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
        if (FLine.size() >= kShortLineKeep) return;  // the rest of the line is never looked at
        const std::size_t room = kShortLineKeep - FLine.size();
        FLine.append(piece.substr(0, room));
        piece.remove_prefix(std::min(room, piece.size()));
        // Once the keyword is known, a #GRAD or #LINE line keeps all of its text.
        if (IsGradient(FLine) || IsLinear(FLine)) {
            FKeepWhole = true;
            FLine.append(piece);
        }
    }

    TByteSource& FSource;
    std::unique_ptr<char[]> FBuffer;
    std::size_t FPosition = 0;
    std::size_t FLength = 0;
    bool FFinished = false;
    bool FPendingLineFeed = false;
    std::string FLine;
    bool FKeepWhole = false;
};

}  // namespace

ColorMapResult ReadColorMap(TByteSource& source, TPaletteArray& colors, char decimalSeparator) {
    TPalette palette(decimalSeparator);
    TLineReader reader(source);
    std::int64_t lineNumber = 0;
    while (!reader.AtEnd()) {
        if (++lineNumber > std::numeric_limits<ColorMapResult>::max()) {
            throw Exception("The file has more lines than a line number can count");
        }
        const std::string_view line = reader.ReadLine();
        if (line.empty() || line.front() == '*') continue;
        try {
            palette.ParseLine(line);
        } catch (...) {
            return static_cast<ColorMapResult>(lineNumber);
        }
    }
    if (!palette.HasColors()) return kColorMapNoColors;
    palette.CopyTo(colors);
    return kColorMapLoaded;
}

ColorMapResult LoadColorMapFile(const std::filesystem::path& fileName, TPaletteArray& colors) {
    if (!FileExists(fileName)) return kColorMapMissing;
    TFileInput file(fileName);
    TPaletteArray loaded;
    const ColorMapResult result = ReadColorMap(file, loaded, UserDecimalSeparator());
    file.Close();
    if (result == kColorMapLoaded) colors.swap(loaded);
    return result;
}

}  // namespace rulv
