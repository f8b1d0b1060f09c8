// SystemErrorWin32.cpp - error texts of Windows, in the user's language.
#include <windows.h>

#include <string>

#include "common/Errors.h"
#include "common/SystemError.h"
#include "common/Unicode.h"

namespace rulv {

std::string SystemErrorMessage(int errorCode) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(errorCode), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length != 0 ? std::wstring(buffer, length) : std::wstring();
    if (buffer != nullptr) ::LocalFree(buffer);
    // FormatMessage ends its texts with a full stop and a line break.
    while (!text.empty() && (text.back() <= L' ' || text.back() == L'.')) text.pop_back();
    if (text.empty()) return "System error " + std::to_string(errorCode);
    return WideToUtf8(text);
}

int LastSystemError() { return static_cast<int>(::GetLastError()); }

void RaiseInOutError(int errorCode) { throw EInOutError(errorCode, SystemErrorMessage(errorCode)); }

}  // namespace rulv
