// Rgblib.h - TRgb, one colour under construction.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace rulv {

// A packed colour: red in bits 0-7, green in 8-15, blue in 16-23, the top
// byte 0. It is the Windows COLORREF value and serves unchanged as a pen.
using TPackedColor = std::int32_t;

// The packed colour of three channels, each in 0..255.
constexpr TPackedColor PackColor(int red, int green, int blue) noexcept { return blue * 65536 + green * 256 + red; }

// The channels of a packed colour.
constexpr int RedOf(TPackedColor color) noexcept { return color & 0xFF; }
constexpr int GreenOf(TPackedColor color) noexcept { return (color >> 8) & 0xFF; }
constexpr int BlueOf(TPackedColor color) noexcept { return (color >> 16) & 0xFF; }

// Hex colour text: RRGGBB, red first, digits A-F in upper case (0x00336699
// gives 996633). WriteHexColor writes its six characters to `text`.
inline constexpr std::size_t kHexColorLength = 6;
void WriteHexColor(TPackedColor color, char* text) noexcept;
std::string HexColorText(TPackedColor color);

// Three channels, each clamped to 0..255 whenever it is stored.
class TRgb {
public:
    TRgb() = default;

    void SetRed(std::int32_t value) noexcept { FRed = Clamp(value); }
    void SetGreen(std::int32_t value) noexcept { FGreen = Clamp(value); }
    void SetBlue(std::int32_t value) noexcept { FBlue = Clamp(value); }
    std::int32_t Red() const noexcept { return FRed; }
    std::int32_t Green() const noexcept { return FGreen; }
    std::int32_t Blue() const noexcept { return FBlue; }

    TPackedColor GetColor() const noexcept { return PackColor(FRed, FGreen, FBlue); }

    // Hex colour text, red first: characters 1-2, 3-4 and 5-6 (each piece
    // cut short at the end of the text) go through HexToInt into red,
    // green and blue, in this order. Characters after the sixth are not
    // looked at. A piece that HexToInt refuses raises EConvertError at
    // once; channels stored before it keep their new values. So six hex
    // digits are the normal form, five are accepted (the fifth alone gives
    // blue) and four or fewer fail.
    void SetHex(std::string_view text);

private:
    static std::int32_t Clamp(std::int32_t value) noexcept {
        return value < 0 ? 0 : (value > 255 ? 255 : value);
    }

    std::int32_t FRed = 0;
    std::int32_t FGreen = 0;
    std::int32_t FBlue = 0;
};

}  // namespace rulv
