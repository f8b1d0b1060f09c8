// Rgblib.h - TRgb, one colour under construction.
#pragma once

#include <cstdint>
#include <string_view>

namespace rulv {

// A packed colour: red in bits 0-7, green in 8-15, blue in 16-23, the top
// byte 0. It is the Windows COLORREF value and serves unchanged as a pen.
using TPackedColor = std::int32_t;

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

    TPackedColor GetColor() const noexcept { return FBlue * 65536 + FGreen * 256 + FRed; }

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
