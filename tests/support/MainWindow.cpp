// MainWindow.cpp - finding a program's main window among the top-level
// windows.
#include "tests/support/MainWindow.h"

#include "tests/support/WindowText.h"

namespace rulv::test {

HWND FindMainWindow(DWORD processId, const std::wstring& className) {
    struct TSearch {
        DWORD Process;
        const std::wstring& ClassName;
        HWND Found;
    } search{processId, className, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<TSearch*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->Process && IsWindowVisible(window) && WindowClass(window) == s->ClassName) {
                s->Found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

}  // namespace rulv::test
