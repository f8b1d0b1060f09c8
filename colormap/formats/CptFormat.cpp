// CptFormat.cpp - reading and writing GMT colour palette tables.
#include "colormap/formats/CptFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "colormap/formats/MapFault.h"
#include "colormap/formats/NodeWriting.h"
#include "colormap/formats/TextLines.h"
#include "common/LargeBlock.h"

namespace rulv {

namespace {

struct TRgbValue {
    double Red = 0;
    double Green = 0;
    double Blue = 0;

    bool operator==(const TRgbValue&) const = default;
};

struct TSlice {
    double Z0;
    TRgbValue Color0;
    double Z1;
    TRgbValue Color1;
    std::size_t Offset;  // of the line, for faults
};

class TCptReader {
public:
    explicit TCptReader(std::string_view text) : FText(text) {}

    TMapSource Read() {
        for (const TTextLine& line : SplitTextLines(FText)) ReadLine(line);
        if (FSlices.empty()) return {};
        return Discrete() ? SliceColors() : Nodes();
    }

private:
    [[noreturn]] void Fault(std::size_t offset, std::string reason) const {
        RaiseMapFaultAt(FText, offset, std::move(reason));
    }

    void ReadLine(const TTextLine& line) {
        const std::string_view text = line.Text;
        std::size_t first = 0;
        while (first < text.size() && (text[first] == ' ' || text[first] == '\t')) ++first;
        if (first == text.size()) return;
        if (text[first] == '#') {
            ReadComment(text.substr(first + 1), line.Offset + first);
            return;
        }
        // A label after ";" is free text.
        const TTextLine data = WithoutComment(line, ';');
        std::vector<TTextField> fields = SplitFields(data, "");
        if (fields.empty()) return;
        const std::string_view key = fields.front().Text;
        if (key == "B" || key == "F" || key == "N") return;  // background, foreground, not-a-number
        // An annotation flag after the slice.
        if (fields.size() == 5 || fields.size() == 9) {
            const std::string_view flag = fields.back().Text;
            if (flag == "L" || flag == "U" || flag == "B") fields.pop_back();
        }
        if (fields.size() == 8) {
            ReadOldSlice(fields, line.Offset);
        } else if (fields.size() == 4) {
            ReadSlice(fields, line.Offset);
        } else {
            Fault(fields.size() > 8 ? fields[8].Offset : data.Offset + data.Text.size(),
                  "a slice is z0 colour0 z1 colour1 (or z0 r g b z1 r g b); this line has " +
                      std::to_string(fields.size()) + " fields");
        }
    }

    // "# COLOR_MODEL = RGB" and "+RGB" are read; any other model is refused.
    void ReadComment(std::string_view comment, std::size_t offset) const {
        const std::size_t keyAt = comment.find("COLOR_MODEL");
        if (keyAt == std::string_view::npos) return;
        std::string_view rest = comment.substr(keyAt + 11);
        const std::size_t equals = rest.find('=');
        if (equals == std::string_view::npos) return;
        rest = rest.substr(equals + 1);
        while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
        while (!rest.empty() && static_cast<unsigned char>(rest.back()) <= ' ') rest.remove_suffix(1);
        if (rest == "RGB" || rest == "+RGB" || rest == "rgb" || rest == "+rgb") return;
        Fault(offset + 1 + keyAt, "COLOR_MODEL " + std::string(rest) +
                                      " is not read; only RGB tables are");
    }

    double Number(const TTextField& field, std::string_view what) const {
        double value = 0;
        if (!ReadDecimal(field.Text, value)) Fault(field.Offset, std::string(what) + " is no number");
        return value;
    }

    double ChannelValue(std::string_view text, std::size_t offset) const {
        double value = 0;
        if (!ReadDecimal(text, value)) Fault(offset, "a colour channel is a number from 0 to 255");
        if (value < 0 || value > 255) Fault(offset, "a colour channel lies between 0 and 255");
        return value;
    }

    // r/g/b, a grey value, #rrggbb; "-" is `previous` (the slice's first colour).
    TRgbValue Color(const TTextField& field, const TRgbValue* previous) const {
        std::string_view text = field.Text;
        // Transparency after "@" does not show in a strip.
        text = text.substr(0, text.find('@'));
        if (text == "-") {
            if (previous == nullptr) Fault(field.Offset, "\"-\" stands only for a slice's second colour");
            return *previous;
        }
        if (!text.empty() && text.front() == '#') return HexColor(text, field.Offset);
        const std::size_t slashes = static_cast<std::size_t>(std::count(text.begin(), text.end(), '/'));
        if (slashes == 3) Fault(field.Offset, "c/m/y/k colours are not read; write the colour as r/g/b");
        if (slashes == 2) {
            const std::size_t a = text.find('/');
            const std::size_t b = text.find('/', a + 1);
            return {ChannelValue(text.substr(0, a), field.Offset), ChannelValue(text.substr(a + 1, b - a - 1), field.Offset + a + 1),
                    ChannelValue(text.substr(b + 1), field.Offset + b + 1)};
        }
        if (slashes != 0) Fault(field.Offset, "a colour is r/g/b, a grey value, #rrggbb or -");
        if (std::count(text.begin(), text.end(), '-') == 2 && text.front() != '-') {
            Fault(field.Offset, "h-s-v colours are not read; write the colour as r/g/b");
        }
        double grey = 0;
        if (!ReadDecimal(text, grey)) {
            Fault(field.Offset, "colour names are not read; a colour is r/g/b, a grey value, #rrggbb or -");
        }
        const double value = ChannelValue(text, field.Offset);
        return {value, value, value};
    }

    TRgbValue HexColor(std::string_view text, std::size_t offset) const {
        if (text.size() != 7) Fault(offset, "a # colour has six hexadecimal digits");
        int channels[3];
        for (int c = 0; c < 3; ++c) {
            int value = 0;
            for (std::size_t d = 0; d < 2; ++d) {
                const std::size_t at = 1 + 2 * static_cast<std::size_t>(c) + d;
                const char digit = text[at];
                int v = -1;
                if (digit >= '0' && digit <= '9') v = digit - '0';
                if (digit >= 'a' && digit <= 'f') v = digit - 'a' + 10;
                if (digit >= 'A' && digit <= 'F') v = digit - 'A' + 10;
                if (v < 0) Fault(offset + at, "a # colour has six hexadecimal digits");
                value = value * 16 + v;
            }
            channels[c] = value;
        }
        return {static_cast<double>(channels[0]), static_cast<double>(channels[1]), static_cast<double>(channels[2])};
    }

    void AddSlice(TSlice slice, const TTextField& z1Field) {
        if (slice.Z1 < slice.Z0) Fault(z1Field.Offset, "a slice's z1 is below its z0");
        if (!FSlices.empty() && slice.Z0 < FSlices.back().Z1) {
            Fault(slice.Offset, "the slices are not in order of z: this one starts below the last one's end");
        }
        FSlices.push_back(slice);
    }

    void ReadSlice(const std::vector<TTextField>& fields, std::size_t offset) {
        TSlice slice{};
        slice.Offset = offset;
        slice.Z0 = Number(fields[0], "z0");
        slice.Color0 = Color(fields[1], nullptr);
        slice.Z1 = Number(fields[2], "z1");
        slice.Color1 = Color(fields[3], &slice.Color0);
        AddSlice(slice, fields[2]);
    }

    void ReadOldSlice(const std::vector<TTextField>& fields, std::size_t offset) {
        TSlice slice{};
        slice.Offset = offset;
        slice.Z0 = Number(fields[0], "z0");
        slice.Color0 = {ChannelValue(fields[1].Text, fields[1].Offset), ChannelValue(fields[2].Text, fields[2].Offset),
                         ChannelValue(fields[3].Text, fields[3].Offset)};
        slice.Z1 = Number(fields[4], "z1");
        slice.Color1 = {ChannelValue(fields[5].Text, fields[5].Offset), ChannelValue(fields[6].Text, fields[6].Offset),
                         ChannelValue(fields[7].Text, fields[7].Offset)};
        AddSlice(slice, fields[4]);
    }

    bool Discrete() const {
        return std::all_of(FSlices.begin(), FSlices.end(), [](const TSlice& s) { return s.Color0 == s.Color1; });
    }

    TMapSource SliceColors() const {
        TMapSource source;
        for (const TSlice& slice : FSlices) {
            source.Colors.push_back(PackColor(RoundChannel(slice.Color0.Red), RoundChannel(slice.Color0.Green),
                                              RoundChannel(slice.Color0.Blue)));
        }
        return source;
    }

    TMapSource Nodes() const {
        const double low = FSlices.front().Z0;
        const double high = FSlices.back().Z1;
        TMapSource source;
        const auto x = [&](double z) { return high > low ? (z - low) / (high - low) : 0.0; };
        for (const TSlice& slice : FSlices) {
            const TMapNode start{x(slice.Z0), slice.Color0.Red, slice.Color0.Green, slice.Color0.Blue};
            const TMapNode end{x(slice.Z1), slice.Color1.Red, slice.Color1.Green, slice.Color1.Blue};
            // Where a slice starts with the colour the last one ended in,
            // one node serves both.
            const bool continues = !source.Nodes.empty() && source.Nodes.back().X == start.X &&
                                   source.Nodes.back().Red == start.Red && source.Nodes.back().Green == start.Green &&
                                   source.Nodes.back().Blue == start.Blue;
            if (!continues) source.Nodes.push_back(start);
            source.Nodes.push_back(end);
        }
        return source;
    }

    std::string_view FText;
    std::vector<TSlice> FSlices;
};

// Writes a whole number at `at`; where it ends.
char* PutNumber(char* at, std::size_t value) { return std::to_chars(at, at + 20, value).ptr; }

char* PutRgb(char* at, TPackedColor color) {
    at = WriteChannelNumber(at, RedOf(color));
    *at++ = '/';
    at = WriteChannelNumber(at, GreenOf(color));
    *at++ = '/';
    return WriteChannelNumber(at, BlueOf(color));
}

// Writes node z with its colour at `at` ("z r/g/b"); where it ends.
char* PutNode(char* at, std::size_t z, TPackedColor color) {
    at = PutNumber(at, z);
    *at++ = ' ';
    return PutRgb(at, color);
}

// A slice from node a to node b: "za r/g/b zb r/g/b".
void AppendSlice(std::string& text, std::size_t a, TPackedColor colorA, std::size_t b, TPackedColor colorB) {
    char line[96];
    char* at = PutNode(line, a, colorA);
    *at++ = ' ';
    at = PutNode(at, b, colorB);
    *at++ = '\n';
    text.append(line, static_cast<std::size_t>(at - line));
}

// The slices between neighbouring kept nodes. Each node ends one slice and
// starts the next, so its text is made once and copied.
void AppendSlices(std::string& text, const TPaletteArray& colors, const std::vector<std::size_t>& kept) {
    char line[96];
    std::size_t startSize = static_cast<std::size_t>(PutNode(line, kept.front(), colors[kept.front()]) - line);
    for (std::size_t k = 1; k < kept.size(); ++k) {
        char* const end = line + startSize;
        *end = ' ';
        char* at = PutNode(end + 1, kept[k], colors[kept[k]]);
        *at++ = '\n';
        text.append(line, static_cast<std::size_t>(at - line));
        // The end node, without its line end, is the next slice's start.
        startSize = static_cast<std::size_t>(at - 1 - (end + 1));
        std::memmove(line, end + 1, startSize);
    }
}

}  // namespace

TMapSource ReadCpt(std::string_view text) { return TCptReader(text).Read(); }

std::string WriteCpt(const TPaletteArray& colors, std::string_view comment) {
    std::string text;
    if (!comment.empty()) text.append("# ").append(comment).append("\n");
    text += "# COLOR_MODEL = RGB\n";
    const bool allEqual = std::all_of(colors.begin(), colors.end(), [&](TPackedColor c) { return c == colors.front(); });
    if (allEqual) {
        // Constant slices make a discrete table: one colour per slice.
        for (std::size_t i = 0; i < colors.size(); ++i) AppendSlice(text, i, colors[i], i + 1, colors[i]);
        return text;
    }
    // Node i at z = i: scaled to [0, 1] by the reader, that is i / (N - 1)
    // exactly as the sampling computes it; the channels whole numbers.
    const std::vector<std::size_t> kept = KeptNodes(colors, WholeChannels());
    ReserveOnLargePages(text, text.size() + kept.size() * 40);
    AppendSlices(text, colors, kept);
    return text;
}

}  // namespace rulv
