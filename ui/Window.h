// Window.h - the window base: one class per window kind, member-function
// dispatch through one noexcept window procedure.
//
// The procedure finds `this` (stored at WM_NCCREATE from lpCreateParams),
// uses DefWindowProc while there is no object yet, and forgets the object at
// WM_NCDESTROY. Every handler runs inside Application().Protect, the one
// exception boundary: an error never unwinds into user32.
#pragma once

#include <windows.h>

namespace rulv::ui {

class TWindow {
public:
    TWindow() = default;
    virtual ~TWindow();
    TWindow(const TWindow&) = delete;
    TWindow& operator=(const TWindow&) = delete;

    HWND Handle() const noexcept { return FHandle; }

    bool Visible() const noexcept { return FHandle && (GetWindowLongPtrW(FHandle, GWL_STYLE) & WS_VISIBLE); }
    void SetVisible(bool visible) noexcept;
    bool Enabled() const noexcept { return FHandle && IsWindowEnabled(FHandle); }
    void SetEnabled(bool enabled) noexcept;
    void Invalidate() noexcept;
    RECT ClientRect() const noexcept;
    int ClientWidth() const noexcept;
    int ClientHeight() const noexcept;

protected:
    // Registers a class whose procedure is ours (once per name), with its
    // large and small icons (none for child windows).
    static void RegisterWindowClass(const wchar_t* className, UINT style, HBRUSH background, HICON icon,
                                    HICON smallIcon = nullptr);
    // Creates the window; the handlers run during creation already.
    void CreateHandle(DWORD exStyle, const wchar_t* className, const wchar_t* caption, DWORD style,
                      int x, int y, int width, int height, HWND parent, HMENU menuOrId);

    // The handler of every message; the default is DefWindowProc.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // What the procedure answers when a handler of `message` raised an error
    // (after the standard error report).
    virtual LRESULT ResultAfterError(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
        return DefWindowProcW(FHandle, message, wParam, lParam);
    }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    HWND FHandle = nullptr;
};

}  // namespace rulv::ui
