// SystemLibrary.h - functions of system libraries the viewer does not
// import, looked up the first time they are needed.
//
// Importing shell32 and comdlg32 put the libraries they bring on the path
// from start to the first painted strip, though the start needs none of
// them. A library is taken from the system folder only (never from the
// current one) and stays loaded for the life of the process.
#pragma once

#include <windows.h>

#include "common/SystemError.h"

namespace rulv::ui {

// The function `name` of the system library `library`, or nullptr where
// either cannot be found (GetLastError tells why).
FARPROC SystemProcedure(const wchar_t* library, const char* name) noexcept;

// The same, as the function type the caller declares.
template <class TFunction>
TFunction SystemFunction(const wchar_t* library, const char* name) noexcept {
    return reinterpret_cast<TFunction>(reinterpret_cast<void*>(SystemProcedure(library, name)));
}

// The same for a function the caller cannot do without: raises an
// input-output error where it cannot be found.
template <class TFunction>
TFunction RequiredSystemFunction(const wchar_t* library, const char* name) {
    const auto function = SystemFunction<TFunction>(library, name);
    if (!function) RaiseInOutError(LastSystemError());
    return function;
}

}  // namespace rulv::ui
