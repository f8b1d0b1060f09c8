// CodePageWin32.cpp - the code pages of Windows consoles, through the
// system's own conversion.
#include <windows.h>

#include "tool/CodePage.h"
#include "common/Unicode.h"

namespace rulv::tool {

namespace {

class TWindowsCodePage final : public TCodePage {
public:
    explicit TWindowsCodePage(unsigned number) : FNumber(number) {
        CPINFO info{};
        FDoubleByte = ::GetCPInfo(number, &info) && info.MaxCharSize == 2;
    }

    bool Character(std::string_view bytes, TShownCharacter& shown) const override {
        const auto lead = static_cast<BYTE>(bytes[0]);
        const std::size_t length = FDoubleByte && ::IsDBCSLeadByteEx(FNumber, lead) ? 2 : 1;
        if (bytes.size() < length) return false;
        wchar_t wide[2]{};
        const int count = ::MultiByteToWideChar(FNumber, MB_ERR_INVALID_CHARS, bytes.data(),
                                                static_cast<int>(length), wide, 2);
        if (count != 1) return false;
        // Bytes the code page leaves undefined come back as private-use,
        // replacement or C1 characters: no text to show.
        const wchar_t c = wide[0];
        if ((c >= 0x80 && c <= 0x9F) || (c >= 0xE000 && c <= 0xF8FF) || c == 0xFFFD) return false;
        shown.Bytes = length;
        shown.Text = WideToUtf8(std::wstring_view(wide, 1));
        // On the console of a double-byte code page, each byte is a column.
        shown.Width = static_cast<int>(length);
        return true;
    }

private:
    unsigned FNumber;
    bool FDoubleByte = false;
};

}  // namespace

std::unique_ptr<TCodePage> CodePageNumbered(unsigned number) {
    CPINFO info{};
    if (number == kUtf8CodePage || !::GetCPInfo(number, &info)) return Utf8CodePage();
    return std::make_unique<TWindowsCodePage>(number);
}

}  // namespace rulv::tool
