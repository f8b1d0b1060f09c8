// MainRules.cpp - title, command line, readout texts, palette record and
// strip painting of the main window.
#include "MainRules.h"

#include <algorithm>
#include <cstdio>

#include "colormap/ColumnMapping.h"
#include "common/Errors.h"
#include "ui/Handles.h"

namespace rulv {

std::wstring LoadedTitle(std::wstring_view fileName) {
    return FilePart(fileName) + L" - " + kApplicationName;
}

std::vector<std::wstring> SplitCommandLine(std::wstring_view commandLine) {
    std::vector<std::wstring> words;
    size_t at = 0;
    const size_t end = commandLine.size();
    auto separator = [&](size_t i) { return commandLine[i] <= L' '; };
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
    const auto words = SplitCommandLine(commandLine);
    return words.size() > 1 ? words[1] : std::wstring();
}

std::wstring IndexReadout(std::int64_t index, std::int64_t count) {
    return std::to_wstring(index) + L"/" + std::to_wstring(count - 1);
}

std::wstring HexColorText(TPackedColor color) {
    // The hex text of the packed value reads BBGGRR; the readout is red first.
    wchar_t hex[16];
    std::swprintf(hex, std::size(hex), L"%06X", static_cast<unsigned>(color));
    const std::wstring text(hex);
    return text.substr(4, 2) + text.substr(2, 2) + text.substr(0, 2);
}

std::unique_ptr<TDisplayPaletteRecord> BuildDisplayPalette(const TPaletteArray& colors, std::int32_t count) {
    auto record = std::make_unique<TDisplayPaletteRecord>();
    *record = TDisplayPaletteRecord{};
    record->palVersion = 0x300;
    record->palNumEntries = 256;
    const auto m = std::min<std::int64_t>({count, 256, static_cast<std::int64_t>(colors.size())});
    for (std::int64_t i = 0; i < m; ++i) {
        const auto c = static_cast<std::uint32_t>(colors[static_cast<size_t>(i)]);
        record->palPalEntry[i] = PALETTEENTRY{static_cast<BYTE>(c & 0xFF), static_cast<BYTE>((c >> 8) & 0xFF),
                                              static_cast<BYTE>((c >> 16) & 0xFF), PC_NOCOLLAPSE};
    }
    return record;
}

void PaintStrip(HDC dc, const TPaletteArray& colors, int width, int height) {
    if (colors.empty() || width <= 0 || height <= 0) return;
    const std::vector<TPackedColor> columns = StripColumnColors(colors, width);

    ui::TPen pen;  // declared before the guard: deleted after it is deselected
    ui::TSelectGuard restore(dc, GetStockObject(BLACK_PEN));
    COLORREF current = CLR_INVALID;
    for (int x = 0; x < width; ++x) {
        const auto color = static_cast<COLORREF>(columns[static_cast<std::size_t>(x)]);
        if (color != current) {  // one pen per run of equal colours
            ui::TPen next(CreatePen(PS_SOLID, 1, color));
            if (!next) throw EOutOfMemory();  // GDI is out of pens
            SelectObject(dc, next.Get());
            pen = std::move(next);
            current = color;
        }
        MoveToEx(dc, x, 0, nullptr);
        LineTo(dc, x, height);
    }
}

}  // namespace rulv
