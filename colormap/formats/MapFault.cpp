// MapFault.cpp - line and column of a byte offset.
#include "colormap/formats/MapFault.h"

#include <algorithm>

namespace rulv {

TMapFault MapFaultAt(std::string_view text, std::size_t offset, std::string reason) {
    offset = std::min(offset, text.size());
    TMapFault fault;
    fault.Reason = std::move(reason);
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < offset; ++i) {
        const char c = text[i];
        if (c == '\n' || (c == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
            ++fault.Line;
            lineStart = i + 1;
        }
    }
    fault.Column = static_cast<std::int64_t>(offset - lineStart) + 1;
    return fault;
}

void RaiseMapFaultAt(std::string_view text, std::size_t offset, std::string reason) {
    throw EMapFault(MapFaultAt(text, offset, std::move(reason)));
}

std::string_view MapFaultLine(std::string_view text, std::int64_t line) {
    std::size_t start = 0;
    for (std::int64_t current = 1; current < line; ++current) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) return {};
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    const std::size_t end = text.find_first_of("\r\n", start);
    return text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

}  // namespace rulv
