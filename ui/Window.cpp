// Window.cpp - the window base and its one window procedure.
#include "ui/Window.h"

#include "common/SystemError.h"
#include "ui/Application.h"

namespace rulv::ui {

TWindow::~TWindow() {
    // Only the last resort: derived classes that handle WM_DESTROY must
    // destroy their window in their own destructor, while they still exist.
    if (FHandle) {
        SetWindowLongPtrW(FHandle, GWLP_USERDATA, 0);
        DestroyWindow(FHandle);
    }
}

void TWindow::RegisterWindowClass(const wchar_t* className, UINT style, HBRUSH background, HICON icon,
                                  HICON smallIcon) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(Application().Instance(), className, &existing)) return;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = style;
    windowClass.lpfnWndProc = &TWindow::WindowProc;
    windowClass.hInstance = Application().Instance();
    windowClass.hIcon = icon;
    windowClass.hIconSm = smallIcon;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = className;
    if (!RegisterClassExW(&windowClass)) RaiseInOutError(LastSystemError());
}

void TWindow::CreateHandle(DWORD exStyle, const wchar_t* className, const wchar_t* caption, DWORD style, int x,
                           int y, int width, int height, HWND parent, HMENU menuOrId) {
    const HWND created = CreateWindowExW(exStyle, className, caption, style, x, y, width, height, parent, menuOrId,
                                         Application().Instance(), this);
    if (!created) RaiseInOutError(LastSystemError());
}

void TWindow::SetVisible(bool visible) noexcept {
    if (FHandle) ShowWindow(FHandle, visible ? SW_SHOWNA : SW_HIDE);
}

void TWindow::SetEnabled(bool enabled) noexcept {
    if (FHandle) EnableWindow(FHandle, enabled);
}

void TWindow::Invalidate() noexcept {
    if (FHandle) InvalidateRect(FHandle, nullptr, TRUE);
}

RECT TWindow::ClientRect() const noexcept {
    RECT rect{};
    if (FHandle) GetClientRect(FHandle, &rect);
    return rect;
}

int TWindow::ClientWidth() const noexcept { return ClientRect().right; }

int TWindow::ClientHeight() const noexcept { return ClientRect().bottom; }

LRESULT TWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultHandler(message, wParam, lParam);
}

LRESULT TWindow::ResultAfterError(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
    case WM_NCCREATE:
        return TRUE;  // the window is still made; its handler reported its error
    case WM_CREATE:
        return 0;  // the window still opens
    default:
        return DefaultHandler(message, wParam, lParam);
    }
}

LRESULT CALLBACK TWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    auto* self = reinterpret_cast<TWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (self) {
            self->FHandle = window;
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    }
    if (!self) return DefWindowProcW(window, message, wParam, lParam);

    // The pointer left one of our windows, in whatever loop is running (a
    // modal dialog's included): the hint follows it.
    if (message == WM_MOUSELEAVE) Application().Protect([] { Application().UpdateHintAtCursor(); });
    LRESULT result = 0;
    if (!Application().Protect([&] { result = self->HandleMessage(message, wParam, lParam); })) {
        result = self->ResultAfterError(message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->FHandle = nullptr;
    }
    return result;
}

}  // namespace rulv::ui
