// RemoteWindow.cpp - reading another program's windows from outside.
#include "tests/support/RemoteWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>

#include "tests/support/WindowText.h"

namespace rulv::test {

std::vector<HWND> ChildrenOfClass(HWND parent, const std::wstring& className) {
    struct TSearch {
        const std::wstring* ClassName;
        std::vector<HWND> Found;
    } search{&className, {}};
    EnumChildWindows(
        parent,
        [](HWND window, LPARAM data) -> BOOL {
            auto* found = reinterpret_cast<TSearch*>(data);
            if (WindowClass(window) == *found->ClassName) found->Found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    std::sort(search.Found.begin(), search.Found.end(), [](HWND a, HWND b) {
        RECT ra{}, rb{};
        GetWindowRect(a, &ra);
        GetWindowRect(b, &rb);
        return ra.left < rb.left;
    });
    return search.Found;
}

RECT RectInParent(HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::wstring StatusPanelText(HWND statusBar, int panel) {
    DWORD processId = 0;
    GetWindowThreadProcessId(statusBar, &processId);
    const HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (!process) return L"?";
    constexpr SIZE_T kBytes = 1024 * sizeof(wchar_t);
    void* remote = VirtualAllocEx(process, nullptr, kBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    std::wstring text(1024, L'\0');
    if (remote) {
        SendMessageW(statusBar, SB_GETTEXTW, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(remote));
        SIZE_T read = 0;
        ReadProcessMemory(process, remote, text.data(), kBytes - sizeof(wchar_t), &read);
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    text.resize(wcslen(text.c_str()));
    // The panel's alignment tabs are no part of its text.
    text.erase(0, text.find_first_not_of(L'\t') == std::wstring::npos ? text.size() : text.find_first_not_of(L'\t'));
    return text;
}

namespace {

HWND FindTopLevel(DWORD processId, const wchar_t* className, const std::wstring& text,
                  BOOL (*matches)(HWND, const std::wstring&)) {
    struct TSearch {
        DWORD ProcessId;
        const wchar_t* ClassName;
        const std::wstring* Text;
        BOOL (*Matches)(HWND, const std::wstring&);
        HWND Found;
    } search{processId, className, &text, matches, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<TSearch*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != s->ProcessId || !IsWindowVisible(window) || WindowClass(window) != s->ClassName) return TRUE;
            if (!s->Matches(window, *s->Text)) return TRUE;
            s->Found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

}  // namespace

HWND FindBox(DWORD processId, const std::wstring& text) {
    return FindTopLevel(processId, L"#32770", text, [](HWND box, const std::wstring& wanted) -> BOOL {
        if (wanted.empty()) return TRUE;
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (WindowText(child).find(wanted) != std::wstring::npos) return TRUE;
        }
        return FALSE;
    });
}

std::vector<HWND> FindPopupMenus(DWORD processId) {
    struct TSearch {
        DWORD ProcessId;
        std::vector<HWND> Found;
    } search{processId, {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<TSearch*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->ProcessId && IsWindowVisible(window) && WindowClass(window) == L"#32768") {
                s->Found.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

HWND FindToolTipUnder(HWND control) {
    DWORD processId = 0;
    GetWindowThreadProcessId(control, &processId);
    RECT rect{};
    GetWindowRect(control, &rect);
    // The rectangle as text, for the search's one parameter.
    const std::wstring place = std::to_wstring(rect.left) + L" " + std::to_wstring(rect.top) + L" " +
                               std::to_wstring(rect.right) + L" " + std::to_wstring(rect.bottom);
    return FindTopLevel(processId, TOOLTIPS_CLASSW, place, [](HWND tip, const std::wstring& wanted) -> BOOL {
        RECT under{};
        swscanf(wanted.c_str(), L"%ld %ld %ld %ld", &under.left, &under.top, &under.right, &under.bottom);
        RECT shown{};
        GetWindowRect(tip, &shown);
        const int slack = under.bottom - under.top;
        return shown.left >= under.left - slack && shown.left <= under.right + slack && shown.top >= under.top &&
               shown.top <= under.bottom + 2 * slack;
    });
}

std::vector<COLORREF> ScreenPixels(const RECT& rect) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    std::vector<COLORREF> pixels;
    if (width <= 0 || height <= 0) return pixels;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    const auto* row = static_cast<const std::uint32_t*>(bits);
    for (int i = 0; i < width * height; ++i) {
        const std::uint32_t bgr = row[i];  // 0x00RRGGBB in a 32-bit DIB
        pixels.push_back(RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF));
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

bool ScreenShows(const RECT& area, const std::vector<COLORREF>& image, int size) {
    const std::vector<COLORREF> screen = ScreenPixels(area);
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    for (int top = 0; top + size <= height; ++top) {
        for (int left = 0; left + size <= width; ++left) {
            bool same = true;
            for (int i = 0; same && i < size * size; ++i) {
                const COLORREF wanted = image[static_cast<std::size_t>(i)];
                const COLORREF seen = screen[static_cast<std::size_t>((top + i / size) * width + left + i % size)];
                same = wanted == RGB(255, 255, 255) || wanted == seen;
            }
            if (same) return true;
        }
    }
    return false;
}

std::vector<COLORREF> IconPixels(HICON icon, SIZE& size) {
    ICONINFO info{};
    size = {0, 0};
    std::vector<COLORREF> pixels;
    if (!GetIconInfo(icon, &info)) return pixels;
    BITMAP mask{};
    GetObjectW(info.hbmMask, sizeof(mask), &mask);
    size = {mask.bmWidth, info.hbmColor ? mask.bmHeight : mask.bmHeight / 2};
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, size.cx, size.cy);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    RECT all{0, 0, size.cx, size.cy};
    FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawIconEx(memory, 0, 0, icon, size.cx, size.cy, 0, nullptr, DI_NORMAL);
    for (int y = 0; y < size.cy; ++y) {
        for (int x = 0; x < size.cx; ++x) pixels.push_back(GetPixel(memory, x, y));
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

}  // namespace rulv::test
