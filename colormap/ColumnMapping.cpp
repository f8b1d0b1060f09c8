// ColumnMapping.cpp - the column mapping shared by painting and readout.
#include "colormap/ColumnMapping.h"

#include <algorithm>
#include <limits>

#include "common/Extended.h"

namespace rulv {

TColumnMapping::TColumnMapping(std::int32_t width, std::int32_t count) : FScale(StoredQuotient(width, count)) {}

std::int64_t TColumnMapping::IndexOf(std::int32_t x) const {
    // A box squeezed to nothing shows nothing; x / 0 would be an error.
    if (FScale == 0) return -1;
    return TruncatedQuotient(x, FScale);
}

std::vector<TPackedColor> StripColumnColors(std::span<const TPackedColor> colors, std::int32_t width) {
    std::vector<TPackedColor> columns;
    if (colors.empty() || width <= 0) return columns;
    const auto count = static_cast<std::int32_t>(
        std::min<std::size_t>(colors.size(), static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())));
    const TColumnMapping mapping(width, count);
    columns.reserve(static_cast<std::size_t>(width));
    for (std::int32_t x = 0; x < width; ++x) {
        const std::int64_t index = std::clamp<std::int64_t>(mapping.IndexOf(x), 0, count - 1);
        columns.push_back(colors[static_cast<std::size_t>(index)]);
    }
    return columns;
}

std::vector<TPackedColor> StripColumnColors(std::span<const TPackedColor> colors, std::int32_t width,
                                            TVisionView view) {
    std::vector<TPackedColor> columns = StripColumnColors(colors, width);
    if (view == TVisionView::Normal) return columns;
    for (TPackedColor& color : columns) color = SimulateView(color, view);
    return columns;
}

}  // namespace rulv
