// Dpi.h - the one place where layout lengths designed at 96 DPI are scaled.
#pragma once

#include <windows.h>

namespace rulv::ui {

inline constexpr UINT kDesignDpi = 96;

// A length designed at 96 pixels per inch, for `dpi` (rounded to nearest).
constexpr int Scale(int length96, UINT dpi) noexcept {
    const long long scaled = static_cast<long long>(length96) * dpi;
    return static_cast<int>(scaled >= 0 ? (scaled + kDesignDpi / 2) / kDesignDpi
                                        : -((-scaled + kDesignDpi / 2) / kDesignDpi));
}

// The DPI a window is shown at (the system DPI before it exists).
UINT WindowDpi(HWND window) noexcept;

}  // namespace rulv::ui
