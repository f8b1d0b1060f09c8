// Shell.cpp - shell32's functions, looked up when they are first needed.
#include "ui/Shell.h"

#include "ui/SystemLibrary.h"

namespace rulv::ui {

namespace {

constexpr wchar_t kShell32[] = L"shell32.dll";

}  // namespace

void AcceptDroppedFiles(HWND window, bool accept) noexcept {
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_EXSTYLE);
    SetWindowLongPtrW(window, GWL_EXSTYLE, accept ? style | WS_EX_ACCEPTFILES : style & ~LONG_PTR{WS_EX_ACCEPTFILES});
}

UINT DragQueryFile(HDROP drop, UINT index, wchar_t* name, UINT capacity) {
    using TDragQueryFile = UINT(WINAPI*)(HDROP, UINT, LPWSTR, UINT);
    static const auto function = RequiredSystemFunction<TDragQueryFile>(kShell32, "DragQueryFileW");
    return function(drop, index, name, capacity);
}

void DragFinish(HDROP drop) noexcept {
    using TDragFinish = void(WINAPI*)(HDROP);
    static const auto function = SystemFunction<TDragFinish>(kShell32, "DragFinish");
    if (function) {
        function(drop);
    } else {
        GlobalFree(drop);  // what DragFinish does with the drop's block
    }
}

HINSTANCE ShellExecute(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                       const wchar_t* folder, int show) noexcept {
    using TShellExecute = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
    static const auto function = SystemFunction<TShellExecute>(kShell32, "ShellExecuteW");
    return function ? function(owner, verb, file, parameters, folder, show) : nullptr;
}

}  // namespace rulv::ui
