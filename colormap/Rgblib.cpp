// Rgblib.cpp - TRgb.
#include "Rgblib.h"

#include "../common/NumberText.h"

namespace rulv {

void TRgb::SetHex(std::string_view text) {
    const auto piece = [text](std::size_t position) {
        return position < text.size() ? text.substr(position, 2) : std::string_view();
    };
    SetRed(HexToInt(piece(0)));
    SetGreen(HexToInt(piece(2)));
    SetBlue(HexToInt(piece(4)));
}

}  // namespace rulv
