// MapSource.cpp - sampling and the transforms.
#include "colormap/formats/MapSource.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>

#include "common/Errors.h"

namespace rulv {

namespace {

// numerator / denominator rounded to nearest, ties to even; denominator > 0.
std::int64_t RoundedQuotient(std::int64_t numerator, std::int64_t denominator) noexcept {
    std::int64_t quotient = numerator / denominator;
    std::int64_t remainder = numerator % denominator;
    if (remainder < 0) {
        remainder += denominator;
        --quotient;
    }
    const std::int64_t twice = 2 * remainder;
    if (twice > denominator || (twice == denominator && (quotient & 1) != 0)) ++quotient;
    return quotient;
}

// Colour `index` of `count` evenly spaced samples of the list, exactly: the
// sample lies at index * (size - 1) / (count - 1) list positions.
TPackedColor ListSample(const TPaletteArray& colors, std::int64_t index, std::int64_t count) noexcept {
    const auto last = static_cast<std::int64_t>(colors.size()) - 1;
    if (count <= 1 || last == 0) return colors.front();
    // index < 2^31 and last < 2^31: the product fits 64 bits.
    const std::int64_t position = index * last;
    const std::int64_t whole = position / (count - 1);
    const std::int64_t part = position % (count - 1);
    if (part == 0) return colors[static_cast<std::size_t>(whole)];
    const TPackedColor a = colors[static_cast<std::size_t>(whole)];
    const TPackedColor b = colors[static_cast<std::size_t>(whole + 1)];
    const auto channel = [&](int av, int bv) {
        return static_cast<int>(RoundedQuotient(av * (count - 1) + (bv - av) * part, count - 1));
    };
    return PackColor(channel(RedOf(a), RedOf(b)), channel(GreenOf(a), GreenOf(b)), channel(BlueOf(a), BlueOf(b)));
}

// The list at x in [0, 1] (a part of the map, where exactness in the
// positions is not to be had anyway).
TPackedColor ListAt(const TPaletteArray& colors, double x) noexcept {
    const auto last = static_cast<double>(colors.size() - 1);
    const double position = std::clamp(x, 0.0, 1.0) * last;
    const double whole = std::floor(position);
    const auto index = static_cast<std::size_t>(whole);
    if (index + 1 >= colors.size()) return colors.back();
    const double part = position - whole;
    const TPackedColor a = colors[index];
    const TPackedColor b = colors[index + 1];
    const auto channel = [part](int av, int bv) { return RoundChannel(av + (bv - av) * part); };
    return PackColor(channel(RedOf(a), RedOf(b)), channel(GreenOf(a), GreenOf(b)), channel(BlueOf(a), BlueOf(b)));
}

double SamplePosition(const TSampling& sampling, std::int64_t index, std::int64_t count) noexcept {
    if (count <= 1) return sampling.RangeStart;
    const double t = static_cast<double>(index) / static_cast<double>(count - 1);
    if (!sampling.HasRange) return t;
    return sampling.RangeStart + (sampling.RangeEnd - sampling.RangeStart) * t;
}

}  // namespace

int RoundChannel(double value) noexcept {
    if (!(value > 0)) return 0;  // NaN too
    if (value >= 255) return 255;
    // Within 0..255 every double's nearest integer is exact; nearbyint
    // would depend on the rounding mode.
    const double whole = std::floor(value);
    const double part = value - whole;
    auto result = static_cast<int>(whole);
    if (part > 0.5 || (part == 0.5 && (result & 1) != 0)) ++result;
    return result;
}

std::size_t NodeSegmentAt(const std::vector<TMapNode>& nodes, double x) noexcept {
    // The first node whose x is beyond x, then one back.
    const auto after = std::upper_bound(nodes.begin(), nodes.end(), x,
                                        [](double value, const TMapNode& node) { return value < node.X; });
    if (after == nodes.begin()) return 0;
    return static_cast<std::size_t>(after - nodes.begin()) - 1;
}

TPackedColor NodeColorAt(const std::vector<TMapNode>& nodes, double x) noexcept {
    const std::size_t index = NodeSegmentAt(nodes, x);
    const TMapNode& a = nodes[index];
    if (index + 1 == nodes.size() || x <= a.X) {
        return PackColor(RoundChannel(a.Red), RoundChannel(a.Green), RoundChannel(a.Blue));
    }
    return ColorBetween(a, nodes[index + 1], x);
}

TPackedColor ColorBetween(const TMapNode& a, const TMapNode& b, double x) noexcept {
    const double t = (x - a.X) / (b.X - a.X);
    const auto channel = [t](double av, double bv) { return RoundChannel(av + (bv - av) * t); };
    return PackColor(channel(a.Red, b.Red), channel(a.Green, b.Green), channel(a.Blue, b.Blue));
}

std::int64_t SampledCount(const TMapSource& source, const TSampling& sampling) noexcept {
    if (sampling.Colors) return *sampling.Colors;
    if (source.IsNodes() || source.ContinuousList) return kDefaultSamples;
    return static_cast<std::int64_t>(source.Colors.size());
}

TPaletteArray SampleMap(const TMapSource& source, const TSampling& sampling) {
    const std::int64_t count = SampledCount(source, sampling);
    TPaletteArray colors;
    try {
        if (!source.IsNodes() && !sampling.HasRange && count == static_cast<std::int64_t>(source.Colors.size())) {
            colors = source.Colors;
        } else {
            colors.resize(static_cast<std::size_t>(count));
            for (std::int64_t i = 0; i < count; ++i) {
                auto& color = colors[static_cast<std::size_t>(i)];
                if (source.IsNodes()) {
                    color = NodeColorAt(source.Nodes, SamplePosition(sampling, i, count));
                } else if (!sampling.HasRange) {
                    color = ListSample(source.Colors, i, count);
                } else {
                    color = ListAt(source.Colors, SamplePosition(sampling, i, count));
                }
            }
        }
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory();
    } catch (const std::length_error&) {
        throw EOutOfMemory();
    }
    if (sampling.Reverse) std::reverse(colors.begin(), colors.end());
    return colors;
}

TPaletteArray SampleMap(TMapSource&& source, const TSampling& sampling) {
    if (source.IsNodes() || sampling.HasRange || SampledCount(source, sampling) != static_cast<std::int64_t>(source.Colors.size())) {
        return SampleMap(static_cast<const TMapSource&>(source), sampling);
    }
    TPaletteArray colors = std::move(source.Colors);
    if (sampling.Reverse) std::reverse(colors.begin(), colors.end());
    return colors;
}

}  // namespace rulv
