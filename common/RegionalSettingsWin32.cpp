// RegionalSettingsWin32.cpp - the decimal symbol of the user locale.
#include <windows.h>

#include "common/RegionalSettings.h"

namespace rulv {

char UserDecimalSeparator() {
    wchar_t symbol[8] = {};
    if (::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, symbol, 8) != 2) return '.';  // one character
    if (symbol[0] < 0x80) return static_cast<char>(symbol[0]);
    // Files are in the ANSI code page: the symbol must be one byte there.
    char bytes[4] = {};
    BOOL lossy = FALSE;
    const int count = ::WideCharToMultiByte(CP_ACP, 0, symbol, 1, bytes, sizeof bytes, nullptr, &lossy);
    return count == 1 && !lossy ? bytes[0] : '.';
}

}  // namespace rulv
