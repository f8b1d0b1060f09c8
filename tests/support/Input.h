// Input.h - real keyboard and pointer input, as a person gives it: through
// SendInput, so that it reaches whichever window the system gives it to
// (the foreground window, the window under the pointer), not a window we
// chose by posting it messages.
#pragma once

#include <windows.h>

#include <string_view>

namespace rulv::test {

// Presses and releases `key`, with Ctrl held when `control` is set.
void TypeKey(WORD key, bool control = false);
// Presses and releases `key` while `modifier` (VK_SHIFT, VK_CONTROL, ...)
// is held.
void TypeKeyWith(WORD modifier, WORD key);
// Types `text` character by character (Unicode input, any character).
void TypeText(std::wstring_view text);

// Moves the pointer to a point of the screen.
void MovePointerTo(POINT screen);
// Moves the pointer to the middle of `window` (screen coordinates of its
// whole rectangle).
void MovePointerOver(HWND window);
// A click of the left button where the pointer is.
void ClickLeft();
// A click of the right button where the pointer is.
void ClickRight();

}  // namespace rulv::test
