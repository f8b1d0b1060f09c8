// Dialog.cpp - the dialog base, centring and the disabling of the other
// windows while a box of ours is modal.
#include "ui/Dialog.h"

#include <new>
#include <utility>

#include "common/SystemError.h"
#include "ui/Application.h"

namespace rulv::ui {

namespace {

// An empty dialog: no menu, the default class, no title. Its controls are
// laid out in code.
struct alignas(DWORD) TEmptyDialog {
    DLGTEMPLATE header;
    WORD menu;
    WORD windowClass;
    WORD title;
};

TEmptyDialog EmptyDialog(DWORD style) noexcept { return {{style, 0, 0, 0, 0, 0, 0}, 0, 0, 0}; }

}  // namespace

TDialog::~TDialog() { DestroyModeless(); }

void TDialog::DestroyModeless() noexcept {
    // A modal dialog is gone when RunModal returns; a modeless one is ours.
    if (FModeless && FHandle) {
        const HWND window = std::exchange(FHandle, nullptr);
        SetWindowLongPtrW(window, DWLP_USER, 0);
        DestroyWindow(window);
    }
}

void TDialog::CreateModeless(HWND owner, DWORD style) {
    const TEmptyDialog dialog = EmptyDialog(style);
    FModeless = true;
    const HWND created = CreateDialogIndirectParamW(Application().Instance(), &dialog.header, owner, &DialogProc,
                                                    reinterpret_cast<LPARAM>(this));
    if (!created) RaiseInOutError(LastSystemError());
}

INT_PTR TDialog::RunModal(HWND owner, DWORD style) {
    const TEmptyDialog dialog = EmptyDialog(style);
    FModeless = false;
    const INT_PTR result = DialogBoxIndirectParamW(Application().Instance(), &dialog.header, owner, &DialogProc,
                                                   reinterpret_cast<LPARAM>(this));
    FHandle = nullptr;
    if (result == -1) RaiseInOutError(LastSystemError());
    return result;
}

INT_PTR TDialog::ResultAfterError(UINT, WPARAM, LPARAM) noexcept { return FALSE; }

INT_PTR CALLBACK TDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        reinterpret_cast<TDialog*>(lParam)->FHandle = window;
    }
    auto* self = reinterpret_cast<TDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!self) return FALSE;  // messages before WM_INITDIALOG, or after the object
    INT_PTR result = FALSE;
    if (!Application().Protect([&] { result = self->HandleMessage(message, wParam, lParam); })) {
        result = self->ResultAfterError(message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        self->FHandle = nullptr;
    }
    return result;
}

void CentreOnScreen(HWND window, int clientWidth, int clientHeight, UINT dpi) noexcept {
    RECT frame{0, 0, clientWidth, clientHeight};
    AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                             static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)), dpi);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- TTaskWindowsDisabler --------------------------------------------------

TTaskWindowsDisabler::TTaskWindowsDisabler(HWND keep) : FKeep(keep) {
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM self) noexcept -> BOOL {
            auto* disabler = reinterpret_cast<TTaskWindowsDisabler*>(self);
            if (window == disabler->FKeep || !IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
            // Without memory to note the window, it and the rest stay enabled.
            // No report: this may be the standard error report's own box.
            try {
                disabler->FDisabled.push_back(window);
            } catch (const std::bad_alloc&) {
                return FALSE;
            }
            EnableWindow(window, FALSE);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(this));
}

TTaskWindowsDisabler::~TTaskWindowsDisabler() { Restore(); }

void TTaskWindowsDisabler::Restore() noexcept {
    for (HWND window : FDisabled)
        if (IsWindow(window)) EnableWindow(window, TRUE);
    FDisabled.clear();
}

}  // namespace rulv::ui
