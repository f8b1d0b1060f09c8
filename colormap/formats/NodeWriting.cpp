// NodeWriting.cpp - the nodes a continuous writer keeps.
#include "colormap/formats/NodeWriting.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>

#include "common/LargeBlock.h"

namespace rulv {

namespace {

// The texts of the whole numbers -255 .. 255, at index value + 255: channel
// values and their differences, written millions of times for a long map.
struct TChannelNumberText {
    char Text[4];
    std::uint8_t Size;
};

constexpr auto kChannelNumberTexts = [] {
    std::array<TChannelNumberText, 511> texts{};
    for (int value = -255; value <= 255; ++value) {
        const int index = value + 255;
        TChannelNumberText& entry = texts[static_cast<std::size_t>(index)];
        int magnitude = value < 0 ? -value : value;
        std::uint8_t size = 0;
        if (value < 0) entry.Text[size++] = '-';
        if (magnitude >= 100) entry.Text[size++] = static_cast<char>('0' + magnitude / 100);
        if (magnitude >= 10) entry.Text[size++] = static_cast<char>('0' + magnitude / 10 % 10);
        entry.Text[size++] = static_cast<char>('0' + magnitude % 10);
        entry.Size = size;
    }
    return texts;
}();

// A channel value may stay this far inside its rounding interval's edges
// when a node is proposed for leaving out; the exact test decides.
constexpr double kMargin = 1e-7;

int Channel(TPackedColor color, int channel) noexcept {
    return channel == 0 ? RedOf(color) : channel == 1 ? GreenOf(color) : BlueOf(color);
}

// Node i of the written map, as the reader will have it.
TMapNode NodeAsRead(const TPaletteArray& colors, const TChannelsAsRead& asRead, std::size_t i) noexcept {
    const TPackedColor color = colors[i];
    return {NodePosition(i, colors.size()), asRead[static_cast<std::size_t>(RedOf(color))],
            asRead[static_cast<std::size_t>(GreenOf(color))], asRead[static_cast<std::size_t>(BlueOf(color))]};
}

// Whether every colour strictly between the kept nodes `first` and `last`
// comes back from their interpolation, as the reader computes it.
bool Reproduces(const TPaletteArray& colors, const TChannelsAsRead& asRead, std::size_t first, std::size_t last) {
    const TMapNode a = NodeAsRead(colors, asRead, first);
    const TMapNode b = NodeAsRead(colors, asRead, last);
    for (std::size_t j = first + 1; j < last; ++j) {
        if (ColorBetween(a, b, NodePosition(j, colors.size())) != colors[j]) return false;
    }
    return true;
}

// The farthest node that the slopes between `first` and it could reach,
// by the channel values alone (a proposal for Reproduces to confirm).
std::size_t ProposedEnd(const TPaletteArray& colors, const TChannelsAsRead& asRead, std::size_t first) {
    double low[3];
    double high[3];
    std::fill(std::begin(low), std::end(low), -std::numeric_limits<double>::infinity());
    std::fill(std::begin(high), std::end(high), std::numeric_limits<double>::infinity());
    // Only the channels count here: the nodes' places are not worked out.
    const auto channels = [&](std::size_t i) {
        const TPackedColor color = colors[i];
        return std::array<double, 3>{asRead[static_cast<std::size_t>(RedOf(color))],
                                     asRead[static_cast<std::size_t>(GreenOf(color))],
                                     asRead[static_cast<std::size_t>(BlueOf(color))]};
    };
    const std::array<double, 3> start = channels(first);
    std::size_t proposed = first + 1;
    for (std::size_t end = first + 1; end < colors.size(); ++end) {
        const std::array<double, 3> node = channels(end);
        const auto span = static_cast<double>(end - first);
        // Dividing by a power of two is multiplying by its inverse, exactly,
        // and a map's nodes mostly end one or two places on.
        const bool powerOfTwo = ((end - first) & (end - first - 1)) == 0;
        const double inverse = powerOfTwo ? 1.0 / span : 0.0;
        const auto per = [&](double value) { return powerOfTwo ? value * inverse : value / span; };
        bool fits = true;
        for (int c = 0; c < 3; ++c) {
            const double slope = per(node[static_cast<std::size_t>(c)] - start[static_cast<std::size_t>(c)]);
            fits = fits && slope >= low[c] && slope <= high[c];
        }
        if (fits) proposed = end;
        // The colour at `end` now lies between the nodes: it narrows the slopes.
        bool open = true;
        for (int c = 0; c < 3; ++c) {
            const double value = Channel(colors[end], c) - start[static_cast<std::size_t>(c)];
            low[c] = std::max(low[c], per(value - 0.5 + kMargin));
            high[c] = std::min(high[c], per(value + 0.5 - kMargin));
            open = open && low[c] <= high[c];
        }
        if (!open) break;
    }
    return proposed;
}

}  // namespace

char* WriteChannelNumber(char* out, int value) noexcept {
    const int index = value + 255;
    const TChannelNumberText& entry = kChannelNumberTexts[static_cast<std::size_t>(index)];
    std::memcpy(out, entry.Text, sizeof entry.Text);
    return out + entry.Size;
}

double NodePosition(std::size_t index, std::size_t count) noexcept {
    return count <= 1 ? 0.0 : static_cast<double>(index) / static_cast<double>(count - 1);
}

std::string ShortestDecimal(double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

const TChannelsAsRead& WholeChannels() noexcept {
    static const TChannelsAsRead channels = [] {
        TChannelsAsRead values{};
        for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<double>(i);
        return values;
    }();
    return channels;
}

std::vector<std::size_t> KeptNodes(const TPaletteArray& colors, const TChannelsAsRead& asRead) {
    std::vector<std::size_t> kept;
    if (colors.empty()) return kept;
    // At most every node: room for them all at once.
    kept.reserve(colors.size());
    AdviseLargePages(kept.data(), kept.capacity() * sizeof(std::size_t));
    std::size_t first = 0;
    kept.push_back(0);
    while (first + 1 < colors.size()) {
        std::size_t last = ProposedEnd(colors, asRead, first);
        // A proposal the exact test refuses is tried a little shorter, then
        // given up for the next node, so that no map costs more than a few
        // passes over itself.
        for (int attempt = 0; last > first + 1 && !Reproduces(colors, asRead, first, last); ++attempt) {
            last = attempt < 3 ? last - 1 : first + 1;
        }
        kept.push_back(last);
        first = last;
    }
    return kept;
}

}  // namespace rulv
