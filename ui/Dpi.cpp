// Dpi.cpp - the DPI of a window.
#include "ui/Dpi.h"

namespace rulv::ui {

UINT WindowDpi(HWND window) noexcept {
    const UINT dpi = window ? GetDpiForWindow(window) : GetDpiForSystem();
    return dpi ? dpi : kDesignDpi;
}

}  // namespace rulv::ui
