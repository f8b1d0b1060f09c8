// ParaViewFormat.cpp - ParaView presets in JSON and XML.
#include "colormap/formats/ParaViewFormat.h"

#include <algorithm>
#include <cmath>

#include "colormap/formats/JsonTree.h"
#include "colormap/formats/MapFault.h"
#include "colormap/formats/NodeWriting.h"
#include "colormap/formats/TextLines.h"
#include "colormap/formats/XmlSubset.h"

namespace rulv {

namespace {

struct TPresetPoint {
    double X;
    double Red;
    double Green;
    double Blue;
    std::size_t Offset;  // for faults
};

// A preset's points and colour space, whichever form they came in.
struct TPreset {
    std::string Name;
    std::string Space = "RGB";
    std::size_t SpaceOffset = 0;
    std::size_t Offset = 0;
    std::vector<TPresetPoint> Points;
};

TMapSource PresetMap(std::string_view text, const TPreset& preset) {
    if (preset.Space != "RGB" && preset.Space != "Step") {
        RaiseMapFaultAt(text, preset.SpaceOffset,
                        "colour space " + preset.Space +
                            " is not read; only RGB (linear in RGB) and Step presets are");
    }
    if (preset.Points.empty()) RaiseMapFaultAt(text, preset.Offset, "the preset has no colour points");
    for (std::size_t i = 1; i < preset.Points.size(); ++i) {
        if (preset.Points[i].X < preset.Points[i - 1].X) {
            RaiseMapFaultAt(text, preset.Points[i].Offset, "the points are not in order of x");
        }
    }
    TMapSource source;
    source.Name = preset.Name;
    if (preset.Space == "Step") {
        for (const TPresetPoint& point : preset.Points) {
            source.Colors.push_back(PackColor(RoundChannel(point.Red * 255), RoundChannel(point.Green * 255),
                                              RoundChannel(point.Blue * 255)));
        }
        return source;
    }
    const double low = preset.Points.front().X;
    const double high = preset.Points.back().X;
    for (const TPresetPoint& point : preset.Points) {
        const double x = high > low ? (point.X - low) / (high - low) : 0.0;
        source.Nodes.push_back({x, point.Red * 255, point.Green * 255, point.Blue * 255});
    }
    return source;
}

void CheckChannel(std::string_view text, double value, std::size_t offset) {
    if (!(value >= 0 && value <= 1)) RaiseMapFaultAt(text, offset, "a colour channel lies between 0 and 1");
}

// --- JSON ------------------------------------------------------------------

const TJsonNode& ChosenJsonPreset(std::string_view text, const TJsonNode& root, std::string_view name) {
    if (root.Kind == TJsonNode::TKind::Object) return root;
    if (root.Kind != TJsonNode::TKind::Array) {
        RaiseMapFaultAt(text, root.Offset, "a ParaView colour map is an array of presets or one preset object");
    }
    for (const TJsonNode& preset : root.Items) {
        if (preset.Kind != TJsonNode::TKind::Object) RaiseMapFaultAt(text, preset.Offset, "a preset is a JSON object");
        const TJsonNode* presetName = preset.Find("Name");
        if (name.empty()) return preset;
        if (presetName != nullptr && presetName->Kind == TJsonNode::TKind::String && presetName->String == name) {
            return preset;
        }
    }
    if (root.Items.empty()) RaiseMapFaultAt(text, root.Offset, "the file holds no preset");
    RaiseMapFaultAt(text, root.Offset, "no preset is named " + std::string(name));
}

TPreset JsonPreset(std::string_view text, const TJsonNode& node) {
    TPreset preset;
    preset.Offset = node.Offset;
    if (const TJsonNode* name = node.Find("Name"); name != nullptr && name->Kind == TJsonNode::TKind::String) {
        preset.Name = name->String;
    }
    if (const TJsonNode* space = node.Find("ColorSpace"); space != nullptr) {
        if (space->Kind != TJsonNode::TKind::String) RaiseMapFaultAt(text, space->Offset, "ColorSpace is a string");
        preset.Space = space->String;
        preset.SpaceOffset = space->Offset;
    }
    const TJsonNode* points = node.Find("RGBPoints");
    if (points == nullptr) {
        if (node.Find("IndexedColors") != nullptr) {
            RaiseMapFaultAt(text, node.Offset, "indexed (categorical) presets are not read; only RGBPoints are");
        }
        RaiseMapFaultAt(text, node.Offset, "the preset has no RGBPoints");
    }
    if (points->Kind != TJsonNode::TKind::Array) RaiseMapFaultAt(text, points->Offset, "RGBPoints is an array");
    for (const TJsonNode& value : points->Items) {
        if (value.Kind != TJsonNode::TKind::Number) RaiseMapFaultAt(text, value.Offset, "RGBPoints holds numbers only");
    }
    if (points->Items.size() % 4 != 0) {
        RaiseMapFaultAt(text, points->Offset, "RGBPoints holds groups of four numbers: x, r, g, b");
    }
    for (std::size_t i = 0; i < points->Items.size(); i += 4) {
        const auto& items = points->Items;
        for (std::size_t c = 1; c < 4; ++c) CheckChannel(text, items[i + c].Number, items[i + c].Offset);
        preset.Points.push_back({items[i].Number, items[i + 1].Number, items[i + 2].Number, items[i + 3].Number,
                                 items[i].Offset});
    }
    return preset;
}

// --- XML -------------------------------------------------------------------

double XmlNumber(std::string_view text, const TXmlElement& element, std::string_view name) {
    const TXmlAttribute* attribute = element.Attribute(name);
    if (attribute == nullptr) {
        RaiseMapFaultAt(text, element.Offset, "<" + element.Name + "> needs the attribute " + std::string(name));
    }
    double value = 0;
    std::string_view number = attribute->Value;
    while (!number.empty() && number.front() == ' ') number.remove_prefix(1);
    while (!number.empty() && number.back() == ' ') number.remove_suffix(1);
    if (!ReadDecimal(number, value)) RaiseMapFaultAt(text, attribute->Offset, std::string(name) + " is no number");
    return value;
}

TPreset XmlPreset(std::string_view text, const TXmlElement& map) {
    TPreset preset;
    preset.Offset = map.Offset;
    if (const TXmlAttribute* name = map.Attribute("name")) preset.Name = name->Value;
    if (const TXmlAttribute* space = map.Attribute("space")) {
        preset.Space = space->Value;
        preset.SpaceOffset = space->Offset;
    }
    if (const TXmlAttribute* indexed = map.Attribute("indexedLookup"); indexed != nullptr && indexed->Value == "true") {
        RaiseMapFaultAt(text, indexed->Offset, "indexed (categorical) colour maps are not read; only <Point> maps are");
    }
    for (const TXmlElement& point : map.Children) {
        if (point.Name != "Point") continue;
        TPresetPoint value{XmlNumber(text, point, "x"), XmlNumber(text, point, "r"), XmlNumber(text, point, "g"),
                           XmlNumber(text, point, "b"), point.Offset};
        CheckChannel(text, value.Red, point.Attribute("r")->Offset);
        CheckChannel(text, value.Green, point.Attribute("g")->Offset);
        CheckChannel(text, value.Blue, point.Attribute("b")->Offset);
        preset.Points.push_back(value);
    }
    return preset;
}

const TXmlElement& ChosenXmlMap(std::string_view text, const TXmlElement& root, std::string_view name) {
    if (root.Name == "ColorMap") return root;
    if (root.Name != "ColorMaps") RaiseMapFaultAt(text, root.Offset, "a ParaView colour map file has <ColorMaps> at its root");
    for (const TXmlElement& map : root.Children) {
        if (map.Name != "ColorMap") continue;
        const TXmlAttribute* mapName = map.Attribute("name");
        if (name.empty() || (mapName != nullptr && mapName->Value == name)) return map;
    }
    if (name.empty()) RaiseMapFaultAt(text, root.Offset, "the file holds no <ColorMap>");
    RaiseMapFaultAt(text, root.Offset, "no colour map is named " + std::string(name));
}

// --- writing ---------------------------------------------------------------

// The written node as the reader will have it: x and c / 255 read back from
// their shortest decimals, the channels times 255.
struct TWrittenNode {
    std::string X;
    std::string Channels[3];
};

std::vector<TWrittenNode> WrittenNodes(const TPaletteArray& colors) {
    // c / 255 is written as the shortest decimal that reads back as that
    // double, which the reader multiplies by 255 again.
    TChannelsAsRead asRead{};
    std::string texts[256];
    for (std::size_t c = 0; c < asRead.size(); ++c) {
        const double value = static_cast<double>(c) / 255.0;
        texts[c] = ShortestDecimal(value);
        asRead[c] = value * 255;
    }
    std::vector<TWrittenNode> kept;
    for (const std::size_t index : KeptNodes(colors, asRead)) {
        const TPackedColor color = colors[index];
        kept.push_back({ShortestDecimal(NodePosition(index, colors.size())),
                        {texts[RedOf(color)], texts[GreenOf(color)], texts[BlueOf(color)]}});
    }
    return kept;
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            static constexpr char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[(c >> 4) & 0xF];
            out += kHex[c & 0xF];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace

TMapSource ReadParaViewJson(std::string_view text, std::string_view name) {
    const TJsonNode root = ParseJsonTree(text);
    return PresetMap(text, JsonPreset(text, ChosenJsonPreset(text, root, name)));
}

TMapSource ReadParaViewXml(std::string_view text, std::string_view name) {
    const TXmlElement root = ParseXmlSubset(text);
    return PresetMap(text, XmlPreset(text, ChosenXmlMap(text, root, name)));
}

std::string WriteParaViewJson(const TPaletteArray& colors, std::string_view name) {
    std::string text = "[\n  {\n    \"Name\": " + JsonString(name) + ",\n    \"ColorSpace\": \"RGB\",\n";
    text += "    \"RGBPoints\": [\n";
    const std::vector<TWrittenNode> nodes = WrittenNodes(colors);
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        text += "      " + nodes[i].X + ", " + nodes[i].Channels[0] + ", " + nodes[i].Channels[1] + ", " +
                nodes[i].Channels[2] + (i + 1 < nodes.size() ? ",\n" : "\n");
    }
    text += "    ]\n  }\n]\n";
    return text;
}

std::string WriteParaViewXml(const TPaletteArray& colors, std::string_view name) {
    std::string text = "<ColorMaps>\n<ColorMap name=\"" + EscapeXmlAttribute(name) + "\" space=\"RGB\">\n";
    for (const TWrittenNode& node : WrittenNodes(colors)) {
        text += "  <Point x=\"" + node.X + "\" o=\"1\" r=\"" + node.Channels[0] + "\" g=\"" + node.Channels[1] +
                "\" b=\"" + node.Channels[2] + "\"/>\n";
    }
    text += "</ColorMap>\n</ColorMaps>\n";
    return text;
}

}  // namespace rulv
