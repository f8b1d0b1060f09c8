// Clipboard.h - putting a text or a picture on the clipboard.
//
// Another program may hold the clipboard open for a moment (a clipboard
// manager reading what was just copied): opening it is tried again for a
// short while, and then given up, so that a copy never hangs the window.
#pragma once

#include <windows.h>

#include <cstddef>
#include <span>
#include <string_view>

namespace rulv::ui {

enum class TClipboardResult {
    Copied,
    Busy,    // another program kept the clipboard open
    Failed,  // no memory for the data, or the system refused it
};

// How often, and how far apart, opening the clipboard is tried.
inline constexpr int kClipboardTries = 10;
inline constexpr DWORD kClipboardRetryMs = 20;

// The clipboard's whole content becomes `text` (CF_UNICODETEXT); `owner`
// is the window that owns it.
TClipboardResult CopyTextToClipboard(HWND owner, std::wstring_view text) noexcept;

// The clipboard's whole content becomes `data` in `format` (CF_DIB: a
// BITMAPINFOHEADER, then the pixels).
TClipboardResult CopyToClipboard(HWND owner, UINT format, std::span<const std::byte> data) noexcept;

}  // namespace rulv::ui
