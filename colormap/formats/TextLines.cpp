// TextLines.cpp - lines and fields with their offsets.
#include "colormap/formats/TextLines.h"

namespace rulv {

namespace {

bool IsSpace(char c) noexcept { return static_cast<unsigned char>(c) <= ' '; }

}  // namespace

std::vector<TTextLine> SplitTextLines(std::string_view text) {
    std::vector<TTextLine> lines;
    std::size_t start = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back({text.substr(start), start});
            break;
        }
        lines.push_back({text.substr(start, end - start), start});
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    return lines;
}

std::vector<TTextField> SplitFields(const TTextLine& line, std::string_view separators) {
    std::vector<TTextField> fields;
    const std::string_view text = line.Text;
    const auto isDelimiter = [&](char c) { return IsSpace(c) || separators.find(c) != std::string_view::npos; };
    std::size_t at = 0;
    while (at < text.size()) {
        if (isDelimiter(text[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < text.size() && !isDelimiter(text[end])) ++end;
        fields.push_back({text.substr(at, end - at), line.Offset + at});
        at = end;
    }
    return fields;
}

TTextLine WithoutComment(const TTextLine& line, char marker) {
    std::string_view text = line.Text.substr(0, line.Text.find(marker));
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return {text, line.Offset};
}

bool IsBlankLine(std::string_view text) noexcept {
    for (const char c : text) {
        if (!IsSpace(c)) return false;
    }
    return true;
}

}  // namespace rulv

#include <charconv>
#include <cmath>

namespace rulv {

bool ReadDecimal(std::string_view text, double& value) noexcept {
    std::string_view body = text;
    if (!body.empty() && (body.front() == '+' || body.front() == '-')) body.remove_prefix(1);
    // from_chars also reads "inf" and "nan", which no colour is.
    if (body.empty() || !(body.front() == '.' || (body.front() >= '0' && body.front() <= '9'))) return false;
    if (text.front() == '+') text.remove_prefix(1);  // from_chars takes no plus sign
    double parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

}  // namespace rulv
