// WebFormats.cpp - the hex list, the CSS gradient and the SVG picture.
#include "colormap/formats/WebFormats.h"

#include "colormap/formats/NodeWriting.h"

namespace rulv {

namespace {

// Built by appending: a literal + std::string temporary draws a false
// -Wrestrict from GCC 12 at -O3 (GCC bug 105651).
std::string Hash(TPackedColor color) {
    std::string text(1, '#');
    text += HexColorText(color);
    return text;
}

// The stops: the kept nodes, with their positions from 0 to 1.
struct TStop {
    double Position;
    TPackedColor Color;
};

std::vector<TStop> Stops(const TPaletteArray& colors) {
    std::vector<TStop> stops;
    for (const std::size_t index : KeptNodes(colors, WholeChannels())) {
        stops.push_back({NodePosition(index, colors.size()), colors[index]});
    }
    // One colour still needs a gradient from one end to the other.
    if (stops.size() == 1) stops.push_back({1.0, stops.front().Color});
    return stops;
}

// A comment's text with nothing that could end the comment.
std::string CommentText(std::string_view comment, std::string_view closer) {
    std::string text(comment);
    for (std::size_t at = text.find(closer); at != std::string::npos; at = text.find(closer)) text[at] = ' ';
    return text;
}

}  // namespace

std::string WriteHexList(const TPaletteArray& colors) {
    std::string text;
    text.reserve(colors.size() * 8);
    for (const TPackedColor color : colors) text += Hash(color) + "\n";
    return text;
}

std::string WriteCssGradient(const TPaletteArray& colors, std::string_view comment) {
    std::string text;
    if (!comment.empty()) text += "/* " + CommentText(comment, "*/") + " */\n";
    text += ".colormap {\n  background: linear-gradient(to right";
    for (const TStop& stop : Stops(colors)) {
        text += ",\n    " + Hash(stop.Color) + " " + ShortestDecimal(stop.Position * 100) + "%";
    }
    text += ");\n}\n";
    return text;
}

std::string WriteSvgGradient(const TPaletteArray& colors, std::string_view comment) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    if (!comment.empty()) text += "<!-- " + CommentText(comment, "--") + " -->\n";
    text += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"512\" height=\"64\" viewBox=\"0 0 512 64\">\n";
    text += "  <defs>\n    <linearGradient id=\"colormap\" x1=\"0\" y1=\"0\" x2=\"1\" y2=\"0\">\n";
    for (const TStop& stop : Stops(colors)) {
        text += "      <stop offset=\"" + ShortestDecimal(stop.Position) + "\" stop-color=\"" + Hash(stop.Color) +
                "\"/>\n";
    }
    text += "    </linearGradient>\n  </defs>\n";
    text += "  <rect x=\"0\" y=\"0\" width=\"512\" height=\"64\" fill=\"url(#colormap)\"/>\n</svg>\n";
    return text;
}

}  // namespace rulv
