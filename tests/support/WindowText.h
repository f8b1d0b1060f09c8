// WindowText.h - what a window says: its text and its class.
#pragma once

#include <windows.h>

#include <string>

namespace rulv::test {

// A window's caption or a control's text. From any thread; a window of this
// process is asked through WM_GETTEXT, one of another process is read as the
// system holds it.
std::wstring WindowText(HWND window);
// The name of the window's class.
std::wstring WindowClass(HWND window);

}  // namespace rulv::test
