// ColorMap.cpp - the loader: the data split into lines, each line handed to
// the palette's line parser, the first faulty line reported.
#include "colormap/ColorMap.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "common/Errors.h"
#include "colormap/LineParser.h"
#include "colormap/PlainLines.h"

namespace rulv {

using namespace line_grammar;


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
    bool ReadColorLine(TPackedColor& color, std::string_view& line) {
        const char* start = FBuffer.get() + FPosition;
        const std::size_t available = FDataEnd - FPosition;
        if (available <= kColorDigits || !DecodeSixHexDigits(std::string_view(start, kColorDigits), color)) {
            return false;
        }
        std::size_t length = kColorDigits;
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
    // colors[0 .. room-1]: the run of lines ReadColorLine would read one
    // at a time, in a loop that keeps its place in registers. Stops at the
    // first other line, at `room` lines, or where a line end might belong
    // to the next chunk; gives how many lines it read.
    std::int64_t ReadPlainColorLines(TPackedColor* colors, std::int64_t room) noexcept {
        // A line takes its six digits, its carriage return, and one byte
        // more to tell whether a line feed follows.
        constexpr std::size_t kLineBytes = kColorDigits + 2;
        if (FDataEnd < kLineBytes) return 0;
        const char* const buffer = FBuffer.get();
        // A directive or a comment is no colour line: not worth a block.
        if (FPosition < FDataEnd && !IsHexDigit(buffer[FPosition])) return 0;
        const std::size_t last = FDataEnd - kLineBytes;  // the last place such a line may start
        std::size_t position = FPosition;
        std::int64_t count = 0;
        bool lineFeeds = true;  // whether the lines so far end in CR LF
        while (count < room) {
            // Where the lines end in CR LF, eight at a time: the next place
            // then does not wait for the line feed of the line before.
            if (lineFeeds && count + kBlockLines <= room && position + kBlockBytes <= FDataEnd &&
                DecodeBlockOfLines(buffer + position, colors + count)) {
                position += kBlockBytes;
                count += kBlockLines;
                continue;
            }
            if (position > last) break;
            const char* line = buffer + position;
            if (line[kColorDigits] != kCarriageReturn ||
                !DecodeSixHexDigits(std::string_view(line, kColorDigits), colors[count])) {
                break;
            }
            lineFeeds = line[kColorDigits + 1] == kLineFeed;
            position += kColorDigits + 1 + (lineFeeds ? 1 : 0);
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

// The loader's loop: every line of a source into a palette, runs of plain
// colour lines straight from the read buffer into the palette's room.
class TColorMapReader {
public:
    // 0 at the end of the data, or the first faulty line.
    static ColorMapResult ReadLines(TByteSource& source, TPalette& palette, TColorMapReport* report);
};

ColorMapResult TColorMapReader::ReadLines(TByteSource& source, TPalette& palette, TColorMapReport* report) {
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
        const std::int64_t run = reader.ReadPlainColorLines(
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
        if (reader.ReadColorLine(color, line)) {
            try {
                palette.AddColorLine(line, color);
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
        // A directive that added colours is a #GRAD or #LINE: nothing to count.
        if (line.front() == '#' && palette.LastIndex() == before) CountLine(counts, line, false);
    }
    return palette.HasColors() ? kColorMapLoaded : kColorMapNoColors;
}

namespace {

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
    const ColorMapResult result = TColorMapReader::ReadLines(source, palette, report);
    if (result == kColorMapLoaded) palette.CopyTo(colors);
    return result;
}

ColorMapResult ReadColorMap(TByteSource& source, std::int64_t& count, char decimalSeparator,
                            TColorMapReport* report) {
    TPalette palette(decimalSeparator, TPalette::kMaxColors, TColorUse::Count);
    const ColorMapResult result = TColorMapReader::ReadLines(source, palette, report);
    if (result == kColorMapLoaded) count = std::int64_t{palette.LastIndex()} + 1;
    return result;
}

ColorMapResult LoadColorMapFile(const std::filesystem::path& fileName, TPaletteArray& colors, char decimalSeparator,
                                TColorMapReport* report, TFileKinds kinds) {
    // The caller's array is written only once the file is closed.
    TPalette palette(decimalSeparator);
    const ColorMapResult result =
        ReadFile(fileName, kinds, [&](TByteSource& file) { return TColorMapReader::ReadLines(file, palette, report); });
    if (result == kColorMapLoaded) palette.CopyTo(colors);
    return result;
}

ColorMapResult LoadColorMapFile(const std::filesystem::path& fileName, std::int64_t& count, char decimalSeparator,
                                TColorMapReport* report, TFileKinds kinds) {
    return ReadFile(fileName, kinds,
                    [&](TByteSource& file) { return ReadColorMap(file, count, decimalSeparator, report); });
}

ColorMapResult ReadColorMap(TByteSource& source, const TColorsUser& use, char decimalSeparator,
                            std::int32_t colorLimit, TColorMapReport* report) {
    TPalette palette(decimalSeparator, colorLimit);
    const ColorMapResult result = TColorMapReader::ReadLines(source, palette, report);
    if (result == kColorMapLoaded) use(palette.Colors());
    return result;
}

}  // namespace rulv
