// SystemLibrary.cpp - system libraries loaded on first use.
#include "ui/SystemLibrary.h"

namespace rulv::ui {

FARPROC SystemProcedure(const wchar_t* library, const char* name) noexcept {
    // Loading a library that is loaded already only counts it once more.
    const HMODULE module = LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return module ? GetProcAddress(module, name) : nullptr;
}

}  // namespace rulv::ui
