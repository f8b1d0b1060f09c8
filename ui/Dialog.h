// Dialog.h - dialog boxes of our own: one empty template, one procedure.
//
// Our boxes (the about box, the error box) are laid out in code, in pixels
// designed at 96 DPI, on a dialog made from one empty template. Their one
// dialog procedure finds the object (stored at WM_INITDIALOG), dispatches
// to HandleMessage inside Application().Protect, the GUI's one exception
// boundary, and answers ResultAfterError when a handler raised. Nothing
// unwinds into user32.
#pragma once

#include <windows.h>

#include <vector>

namespace rulv::ui {

class TDialog {
public:
    TDialog() = default;
    virtual ~TDialog();
    TDialog(const TDialog&) = delete;
    TDialog& operator=(const TDialog&) = delete;

    HWND Handle() const noexcept { return FHandle; }

protected:
    // A hidden modeless dialog of `style`; HandleMessage sees its
    // WM_INITDIALOG before this returns. Raises EInOutError.
    void CreateModeless(HWND owner, DWORD style);
    // A modal dialog of `style`, run until EndDialog; its result. Raises
    // EInOutError when it cannot be shown.
    INT_PTR RunModal(HWND owner, DWORD style);
    // Destroys a modeless dialog now; derived classes call it in their
    // destructor, so that what the window uses outlives it.
    void DestroyModeless() noexcept;

    // The handler of every message; FALSE for "not handled".
    virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // What the procedure answers when a handler of `message` raised an
    // error (after the standard error report): not handled, unless a
    // dialog decides otherwise.
    virtual INT_PTR ResultAfterError(UINT message, WPARAM wParam, LPARAM lParam) noexcept;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    HWND FHandle = nullptr;
    bool FModeless = false;
};

// Gives `window` a client area of `clientWidth` by `clientHeight` pixels
// and puts it in the middle of the screen.
void CentreOnScreen(HWND window, int clientWidth, int clientHeight, UINT dpi) noexcept;

// Disables the visible, enabled top-level windows of this thread except
// `keep` while a modal box is shown, so that the program's other windows
// wait for it; Restore (or destruction) enables exactly those again.
class TTaskWindowsDisabler {
public:
    explicit TTaskWindowsDisabler(HWND keep);
    ~TTaskWindowsDisabler();
    TTaskWindowsDisabler(const TTaskWindowsDisabler&) = delete;
    TTaskWindowsDisabler& operator=(const TTaskWindowsDisabler&) = delete;

    void Restore() noexcept;

private:
    HWND FKeep;
    std::vector<HWND> FDisabled;
};

}  // namespace rulv::ui
