// MapFormat.cpp - format names and extensions.
#include "colormap/formats/MapFormat.h"

#include <array>
#include <cstdint>
#include <string>
#include <type_traits>

namespace rulv {

namespace {

struct TFormatEntry {
    TMapFormat Format;
    std::string_view Name;
    bool Readable;
    bool Writable;
    bool Exchange;  // recognised by extension everywhere a map is read
};

constexpr std::array<TFormatEntry, 12> kFormats{{
    {TMapFormat::Rulv, "rulv", true, true, false},
    {TMapFormat::Cpt, "cpt", true, true, true},
    {TMapFormat::ParaViewJson, "json", true, true, true},
    {TMapFormat::ParaViewXml, "xml", true, true, true},
    {TMapFormat::Jscm, "jscm", true, true, true},
    {TMapFormat::GimpPalette, "gpl", true, true, true},
    {TMapFormat::AdobeTable, "act", true, true, true},
    {TMapFormat::Text, "txt", true, true, false},
    {TMapFormat::Csv, "csv", true, true, false},
    {TMapFormat::Hex, "hex", false, true, false},
    {TMapFormat::Css, "css", false, true, false},
    {TMapFormat::Svg, "svg", false, true, false},
}};

constexpr std::array<TMapFormat, kFormats.size()> kOrder{
    TMapFormat::Rulv,        TMapFormat::Cpt,        TMapFormat::ParaViewJson, TMapFormat::ParaViewXml,
    TMapFormat::Jscm,        TMapFormat::GimpPalette, TMapFormat::AdobeTable,  TMapFormat::Text,
    TMapFormat::Csv,         TMapFormat::Hex,        TMapFormat::Css,          TMapFormat::Svg};

const TFormatEntry& EntryOf(TMapFormat format) noexcept {
    for (const TFormatEntry& entry : kFormats) {
        if (entry.Format == format) return entry;
    }
    return kFormats.front();
}

bool SameIgnoringCase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

std::span<const TMapFormat> AllMapFormats() noexcept { return kOrder; }

std::string_view MapFormatName(TMapFormat format) noexcept { return EntryOf(format).Name; }

std::optional<TMapFormat> MapFormatNamed(std::string_view name) noexcept {
    for (const TFormatEntry& entry : kFormats) {
        if (SameIgnoringCase(entry.Name, name)) return entry.Format;
    }
    return std::nullopt;
}

bool CanReadMapFormat(TMapFormat format) noexcept { return EntryOf(format).Readable; }
bool CanWriteMapFormat(TMapFormat format) noexcept { return EntryOf(format).Writable; }

std::optional<TMapFormat> MapFormatOfPath(const std::filesystem::path& path) {
    // Only ASCII extensions name a format; the native text (UTF-16 on
    // Windows) is looked at without a conversion that could fail.
    const std::filesystem::path::string_type extension = path.extension().native();
    constexpr std::size_t kLongestExtension = 5;  // ".jscm"
    if (extension.size() < 2 || extension.size() > kLongestExtension) return std::nullopt;
    std::string name;
    for (std::size_t i = 1; i < extension.size(); ++i) {
        const auto code = static_cast<std::uint32_t>(
            static_cast<std::make_unsigned_t<std::filesystem::path::value_type>>(extension[i]));
        if (code == 0 || code > 127) return std::nullopt;
        name += static_cast<char>(code);
    }
    return MapFormatNamed(name);
}

std::optional<TMapFormat> ExchangeFormatOfPath(const std::filesystem::path& path) {
    const std::optional<TMapFormat> format = MapFormatOfPath(path);
    if (format && EntryOf(*format).Exchange) return format;
    return std::nullopt;
}

}  // namespace rulv
