// CodePage.cpp - UTF-8 and the shown form of one character.
#include "tool/CodePage.h"

#include <cstdint>

namespace rulv::tool {

namespace {

// Wide and fullwidth characters of the Unicode East Asian Width property,
// in the ranges a colour-map comment is likely to hold.
bool IsWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF) ||
           (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
           (c >= 0x20000 && c <= 0x3FFFD);
}

class TUtf8CodePage final : public TCodePage {
public:
    bool Character(std::string_view bytes, TShownCharacter& shown) const override {
        const auto lead = static_cast<unsigned char>(bytes[0]);
        std::size_t length = 0;
        char32_t value = 0;
        if (lead < 0x80) {
            length = 1;
            value = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            value = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            value = lead & 0x0Fu;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            value = lead & 0x07u;
        } else {
            return false;
        }
        if (bytes.size() < length) return false;
        for (std::size_t i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(bytes[i]);
            if ((next & 0xC0u) != 0x80u) return false;
            value = (value << 6) | (next & 0x3Fu);
        }
        // Overlong forms, surrogates, values past U+10FFFF and the C1
        // controls are no text to show.
        static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (value < kSmallest[length] || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF ||
            (value >= 0x80 && value <= 0x9F)) {
            return false;
        }
        shown.Bytes = length;
        shown.Text.assign(bytes.substr(0, length));
        shown.Width = IsWide(value) ? 2 : 1;
        return true;
    }
};

std::string Escaped(unsigned char byte) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    return std::string{'<', kHex[byte >> 4], kHex[byte & 0xF], '>'};
}

}  // namespace

std::unique_ptr<TCodePage> Utf8CodePage() { return std::make_unique<TUtf8CodePage>(); }

TShownCharacter ShowCharacter(std::string_view bytes, const TCodePage& codePage) {
    const auto first = static_cast<unsigned char>(bytes[0]);
    TShownCharacter shown;
    if (first == '\t') {
        shown.Text.assign(1, ' ');  // not = " ": a false -Wrestrict of GCC 12 at -O3 (GCC bug 105651)
        return shown;
    }
    if (first < 0x20 || first == 0x7F || !codePage.Character(bytes, shown)) {
        shown = TShownCharacter{};
        shown.Text = Escaped(first);
        shown.Width = static_cast<int>(shown.Text.size());
    }
    return shown;
}

}  // namespace rulv::tool
