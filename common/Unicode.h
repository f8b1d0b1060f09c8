// Unicode.h - UTF-8 and UTF-16 conversions.
//
// Our error messages are UTF-8; Windows takes UTF-16. Invalid sequences
// become U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace rulv {

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

#ifdef _WIN32
// wchar_t is UTF-16 on Windows.
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
#endif

}  // namespace rulv
