// Rgblib.cpp - TRgb.
#include "colormap/Rgblib.h"

#include "common/NumberText.h"

namespace rulv {

void WriteHexColor(TPackedColor color, char* text) noexcept {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const int channels[3] = {RedOf(color), GreenOf(color), BlueOf(color)};
    for (const int channel : channels) {
        *text++ = kDigits[channel >> 4];
        *text++ = kDigits[channel & 0xF];
    }
}

std::string HexColorText(TPackedColor color) {
    std::string text(kHexColorLength, '0');
    WriteHexColor(color, text.data());
    return text;
}

void TRgb::SetHex(std::string_view text) {
    const auto piece = [text](std::size_t position) {
        return position < text.size() ? text.substr(position, 2) : std::string_view();
    };
    SetRed(HexToInt(piece(0)));
    SetGreen(HexToInt(piece(2)));
    SetBlue(HexToInt(piece(4)));
}

}  // namespace rulv
