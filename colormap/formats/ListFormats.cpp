// ListFormats.cpp - .jscm, .gpl, .act, .txt and .csv.
#include "colormap/formats/ListFormats.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "colormap/formats/JsonTree.h"
#include "colormap/formats/MapFault.h"
#include "colormap/formats/TextLines.h"

namespace rulv {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string JsonQuoted(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) continue;  // a name needs no control characters
        out += c;
    }
    return out + "\"";
}

const TJsonNode* StringMember(std::string_view text, const TJsonNode& object, std::string_view key) {
    const TJsonNode* member = object.Find(key);
    if (member != nullptr && member->Kind != TJsonNode::TKind::String) {
        RaiseMapFaultAt(text, member->Offset, std::string(key) + " is a string");
    }
    return member;
}

// An integer channel of a palette row: 0-255, digits only.
int PaletteChannel(std::string_view text, const TTextField& field) {
    int value = 0;
    if (field.Text.empty() || field.Text.size() > 3 ||
        !std::all_of(field.Text.begin(), field.Text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        RaiseMapFaultAt(text, field.Offset, "a palette row starts with three whole numbers from 0 to 255");
    }
    for (const char c : field.Text) value = value * 10 + (c - '0');
    if (value > 255) RaiseMapFaultAt(text, field.Offset, "a colour channel lies between 0 and 255");
    return value;
}

}  // namespace

// --- .jscm -------------------------------------------------------------------

TMapSource ReadJscm(std::string_view text) {
    const TJsonNode root = ParseJsonTree(text);
    if (root.Kind != TJsonNode::TKind::Object) RaiseMapFaultAt(text, root.Offset, "a .jscm file is one JSON object");
    TMapSource source;
    if (const TJsonNode* name = StringMember(text, root, "name")) source.Name = name->String;
    if (const TJsonNode* space = StringMember(text, root, "colorspace"); space != nullptr && space->String != "sRGB") {
        RaiseMapFaultAt(text, space->Offset, "colorspace " + space->String + " is not read; only sRGB is");
    }
    source.ContinuousList = true;
    if (const TJsonNode* domain = StringMember(text, root, "domain")) {
        if (domain->String == "discrete") {
            source.ContinuousList = false;
        } else if (domain->String != "continuous") {
            RaiseMapFaultAt(text, domain->Offset, "domain is continuous or discrete");
        }
    }
    const TJsonNode* colors = StringMember(text, root, "colors");
    if (colors == nullptr) RaiseMapFaultAt(text, root.Offset, "a .jscm map needs \"colors\"");
    const std::string& hex = colors->String;
    // The offset of a digit: the string's quote, then the digits as they
    // stand (hex digits need no escapes).
    const auto digitOffset = [&](std::size_t i) { return colors->Offset + 1 + i; };
    for (std::size_t i = 0; i < hex.size(); ++i) {
        if (HexDigit(hex[i]) < 0) RaiseMapFaultAt(text, digitOffset(i), "colors holds hexadecimal digits only");
    }
    if (hex.size() % 6 != 0) RaiseMapFaultAt(text, digitOffset(hex.size()), "colors holds six digits per colour");
    for (std::size_t i = 0; i < hex.size(); i += 6) {
        const auto byte = [&](std::size_t at) { return HexDigit(hex[at]) * 16 + HexDigit(hex[at + 1]); };
        source.Colors.push_back(PackColor(byte(i), byte(i + 2), byte(i + 4)));
    }
    return source;
}

std::string WriteJscm(const TPaletteArray& colors, std::string_view name) {
    std::string hex;
    hex.reserve(colors.size() * 6);
    for (const TPackedColor color : colors) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%02x%02x%02x", RedOf(color), GreenOf(color), BlueOf(color));
        hex += digits;
    }
    return "{\"content-type\": \"application/vnd.matplotlib.colormap-v1+json\",\n \"name\": " + JsonQuoted(name) +
           ",\n \"colorspace\": \"sRGB\",\n \"domain\": \"continuous\",\n \"colors\": \"" + hex + "\"}\n";
}

// --- .gpl --------------------------------------------------------------------

TMapSource ReadGimpPalette(std::string_view text) {
    const std::vector<TTextLine> lines = SplitTextLines(text);
    if (lines.empty() || lines.front().Text.substr(0, 12) != "GIMP Palette" ||
        !IsBlankLine(lines.front().Text.substr(12))) {
        RaiseMapFaultAt(text, lines.empty() ? 0 : lines.front().Offset, "a GIMP palette starts with the line GIMP Palette");
    }
    TMapSource source;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const TTextLine& line = lines[i];
        if (IsBlankLine(line.Text)) continue;
        std::string_view content = line.Text;
        while (!content.empty() && (content.front() == ' ' || content.front() == '\t')) content.remove_prefix(1);
        if (content.empty() || content.front() == '#') continue;
        if (content.substr(0, 5) == "Name:") {
            std::string_view name = content.substr(5);
            while (!name.empty() && static_cast<unsigned char>(name.front()) <= ' ') name.remove_prefix(1);
            while (!name.empty() && static_cast<unsigned char>(name.back()) <= ' ') name.remove_suffix(1);
            source.Name = name;
            continue;
        }
        if (content.substr(0, 8) == "Columns:") continue;
        const std::vector<TTextField> fields = SplitFields(line, "");
        if (fields.size() < 3) {
            RaiseMapFaultAt(text, fields.empty() ? line.Offset : fields.back().Offset + fields.back().Text.size(),
                            "a palette row starts with three whole numbers from 0 to 255");
        }
        source.Colors.push_back(
            PackColor(PaletteChannel(text, fields[0]), PaletteChannel(text, fields[1]), PaletteChannel(text, fields[2])));
    }
    return source;
}

std::string WriteGimpPalette(const TPaletteArray& colors, std::string_view name, std::string_view comment) {
    std::string text = "GIMP Palette\n";
    std::string cleanName;
    for (const char c : name) cleanName += static_cast<unsigned char>(c) < ' ' ? ' ' : c;
    text += "Name: " + cleanName + "\n";
    if (!comment.empty()) text += "# " + std::string(comment) + "\n";
    for (const TPackedColor color : colors) {
        char row[40];
        std::snprintf(row, sizeof row, "%3d %3d %3d #%02X%02X%02X\n", RedOf(color), GreenOf(color), BlueOf(color),
                      RedOf(color), GreenOf(color), BlueOf(color));
        text += row;
    }
    return text;
}

// --- .act --------------------------------------------------------------------

TMapSource ReadAdobeTable(std::string_view bytes) {
    constexpr std::size_t kTable = kAdobeTableColors * 3;
    if (bytes.size() != kTable && bytes.size() != kTable + 4) {
        throw EMapFault({1, 1, "an Adobe colour table has 768 or 772 bytes; this file has " +
                                   std::to_string(bytes.size())});
    }
    std::size_t count = kAdobeTableColors;
    if (bytes.size() == kTable + 4) {
        const auto byte = [&](std::size_t at) { return static_cast<std::size_t>(static_cast<unsigned char>(bytes[at])); };
        count = byte(kTable) * 256 + byte(kTable + 1);
        if (count == 0 || count > kAdobeTableColors) {
            throw EMapFault({1, 1, "the table's count of colours is " + std::to_string(count) + "; it is 1 to 256"});
        }
    }
    TMapSource source;
    for (std::size_t i = 0; i < count; ++i) {
        const auto channel = [&](std::size_t c) { return static_cast<int>(static_cast<unsigned char>(bytes[3 * i + c])); };
        source.Colors.push_back(PackColor(channel(0), channel(1), channel(2)));
    }
    return source;
}

std::string WriteAdobeTable(const TPaletteArray& colors) {
    if (colors.size() > kAdobeTableColors) {
        throw EMapFault({1, 1, "an Adobe colour table holds at most 256 colours; this map has " +
                                   std::to_string(colors.size()) + " (--colours 256 resamples it)"});
    }
    std::string bytes(kAdobeTableColors * 3 + 4, '\0');
    for (std::size_t i = 0; i < colors.size(); ++i) {
        bytes[3 * i] = static_cast<char>(RedOf(colors[i]));
        bytes[3 * i + 1] = static_cast<char>(GreenOf(colors[i]));
        bytes[3 * i + 2] = static_cast<char>(BlueOf(colors[i]));
    }
    const std::size_t trailer = kAdobeTableColors * 3;
    bytes[trailer] = static_cast<char>(colors.size() >> 8);
    bytes[trailer + 1] = static_cast<char>(colors.size() & 0xFF);
    bytes[trailer + 2] = static_cast<char>(0xFF);  // no transparent index
    bytes[trailer + 3] = static_cast<char>(0xFF);
    return bytes;
}

// --- .txt and .csv -------------------------------------------------------------

TMapSource ReadTextTable(std::string_view text, std::optional<int> scale) {
    struct TRow {
        double Values[3];
    };
    std::vector<TRow> rows;
    bool anyAboveOne = false;
    for (const TTextLine& line : SplitTextLines(text)) {
        const std::vector<TTextField> fields = SplitFields(line, ",;");
        if (fields.empty()) continue;
        if (fields.size() != 3) {
            RaiseMapFaultAt(text, fields.size() > 3 ? fields[3].Offset : fields.back().Offset + fields.back().Text.size(),
                            "a row holds three numbers: red, green and blue");
        }
        TRow row{};
        for (int c = 0; c < 3; ++c) {
            const TTextField& field = fields[static_cast<std::size_t>(c)];
            if (!ReadDecimal(field.Text, row.Values[c])) RaiseMapFaultAt(text, field.Offset, "a colour channel is a number");
            if (row.Values[c] < 0) RaiseMapFaultAt(text, field.Offset, "a colour channel is not negative");
            if (row.Values[c] > 255) RaiseMapFaultAt(text, field.Offset, "a colour channel is at most 255");
            if (scale == 1 && row.Values[c] > 1) RaiseMapFaultAt(text, field.Offset, "with scale 1 a channel is at most 1");
            anyAboveOne = anyAboveOne || row.Values[c] > 1;
        }
        rows.push_back(row);
    }
    const double factor = scale.value_or(anyAboveOne ? 255 : 1) == 255 ? 1.0 : 255.0;
    TMapSource source;
    for (const TRow& row : rows) {
        source.Colors.push_back(PackColor(RoundChannel(row.Values[0] * factor), RoundChannel(row.Values[1] * factor),
                                          RoundChannel(row.Values[2] * factor)));
    }
    return source;
}

std::string WriteTextTable(const TPaletteArray& colors, char separator) {
    std::string text;
    // to_chars: the same digits in every locale.
    const auto append = [&text](int channel) {
        char digits[16];
        const auto result = std::to_chars(digits, digits + sizeof digits, channel / 255.0, std::chars_format::fixed, 6);
        text.append(digits, result.ptr);
    };
    for (const TPackedColor color : colors) {
        append(RedOf(color));
        text += separator;
        append(GreenOf(color));
        text += separator;
        append(BlueOf(color));
        text += '\n';
    }
    return text;
}

}  // namespace rulv
