// MainRules.cpp - title, command line, readout texts, the pace of reading a
// followed file and the palette record of the main window.
#include "app/MainRules.h"

#include <algorithm>
#include <cstddef>

namespace rulv {

std::wstring LoadedTitle(std::wstring_view fileName) {
    return FilePart(fileName) + L" - " + kApplicationName;
}

std::vector<std::wstring> CommandLineWords(std::wstring_view commandLine) {
    std::vector<std::wstring> words;
    std::size_t at = 0;
    const std::size_t end = commandLine.size();
    auto separator = [&](std::size_t i) { return commandLine[i] <= L' '; };
    while (true) {
        // Separators, and empty quote pairs, between the words.
        while (true) {
            while (at < end && separator(at)) ++at;
            if (at + 1 < end && commandLine[at] == L'"' && commandLine[at + 1] == L'"') at += 2;
            else break;
        }
        if (at >= end) break;
        std::wstring word;
        while (at < end && !separator(at)) {
            if (commandLine[at] == L'"') {
                ++at;
                while (at < end && commandLine[at] != L'"') word += commandLine[at++];
                if (at < end) ++at;  // the closing quote
            } else {
                word += commandLine[at++];
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::wstring FirstArgument(std::wstring_view commandLine) {
    const auto words = CommandLineWords(commandLine);
    return words.size() > 1 ? words[1] : std::wstring();
}

std::wstring IndexReadout(std::int64_t index, std::int64_t count) {
    return std::to_wstring(index) + L"/" + std::to_wstring(count - 1);
}

std::wstring HexColorReadout(TPackedColor color) {
    const std::string text = HexColorText(color);
    return std::wstring(text.begin(), text.end());
}

std::wstring ViewedColorReadout(TPackedColor color, TVisionView view) {
    if (view == TVisionView::Normal) return HexColorReadout(color);
    return HexColorReadout(SimulateView(color, view)) + L" (" + HexColorReadout(color) + L")";
}

std::optional<std::int64_t> TFollowPacer::Changed(std::int64_t now) noexcept {
    if (FDue) return std::nullopt;
    FDue = true;
    if (!FLastRead) return kSettle;
    return std::max(kSettle, *FLastRead + kSpacing - now);
}

void TFollowPacer::Read(std::int64_t now) noexcept {
    FDue = false;
    FLastRead = now;
}

TDisplayPaletteRecord BuildDisplayPalette(const TPaletteArray& colors, std::int32_t count) noexcept {
    TDisplayPaletteRecord record{};
    record.Version = kPaletteVersion;
    record.Count = 256;
    const auto m = std::min<std::int64_t>({count, 256, static_cast<std::int64_t>(colors.size())});
    for (std::int64_t i = 0; i < m; ++i) {
        const TPackedColor c = colors[static_cast<std::size_t>(i)];
        record.Entries[i] = TPaletteEntry{static_cast<std::uint8_t>(RedOf(c)), static_cast<std::uint8_t>(GreenOf(c)),
                                           static_cast<std::uint8_t>(BlueOf(c)), kPaletteNoCollapse};
    }
    return record;
}

}  // namespace rulv
