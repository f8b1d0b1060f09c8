// ViewerWindow.cpp - the real window in a test program.
#include "tests/support/ViewerWindow.h"

#include <commctrl.h>
#include <shlobj.h>
#include <shellapi.h>

#include <algorithm>
#include <iterator>

#include "app/MainRules.h"
#include "resources/resource.h"
#include "tests/support/Wait.h"
#include "ui/Application.h"

namespace rulv::test {

using ui::Application;

void StartApplication() {
    static bool started = false;
    if (started) return;
    Application().Initialize(GetModuleHandleW(nullptr), IDI_APPICON);
    Application().SetTitle(kApplicationName);
    started = true;
}

void ClearSettings() { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Wuld\\RulvViewer"); }

// ----------------------------------------------------------- TViewerWindow --

TViewerWindow::TViewerWindow(const std::wstring& commandLine, bool clearSettings) {
    StartApplication();
    Application().SetTitle(kApplicationName);
    Application().SetCommandLine(commandLine);
    Application().OnHint = nullptr;
    Application().SetHint(std::wstring());
    if (clearSettings) ClearSettings();
    FForm = std::make_unique<TfrmMain>();
    FForm->Create();
    ShowWindow(FForm->Handle(), SW_SHOWNORMAL);
    UpdateWindow(FForm->Handle());
    ProcessMessages();
}

TViewerWindow::~TViewerWindow() {
    FForm.reset();
    MSG quit;
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    ProcessMessages();
}

void TViewerWindow::Command(UINT command) {
    PostMessageW(Handle(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
    ProcessMessages();
}

void TViewerWindow::Shortcut(WORD key) {
    BYTE keys[256];
    GetKeyboardState(keys);
    BYTE pressed[256];
    std::copy(std::begin(keys), std::end(keys), std::begin(pressed));
    pressed[VK_CONTROL] = pressed[VK_LCONTROL] = 0x80;
    SetKeyboardState(pressed);
    PostMessageW(Handle(), WM_KEYDOWN, key, 1);
    // Only the key itself: what follows is for the caller to process.
    bool quit = false;
    Application().ProcessMessage(quit);
    SetKeyboardState(keys);
}

void PostDrop(HWND window, const std::vector<std::wstring>& files) {
    std::wstring names;
    for (const auto& file : files) names += file + L'\0';
    names += L'\0';
    const size_t size = sizeof(DROPFILES) + names.size() * sizeof(wchar_t);
    const HGLOBAL memory = GlobalAlloc(GHND, size);
    auto* block = static_cast<DROPFILES*>(GlobalLock(memory));
    block->pFiles = sizeof(DROPFILES);
    block->fWide = TRUE;
    std::copy(names.begin(), names.end(), reinterpret_cast<wchar_t*>(reinterpret_cast<BYTE*>(block) + sizeof(DROPFILES)));
    GlobalUnlock(memory);
    // The window releases the block (DragFinish).
    PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

void TViewerWindow::Drop(const std::vector<std::wstring>& files) {
    PostDrop(Handle(), files);
    ProcessMessages();
}

void TViewerWindow::MoveOverPaintBox(int x) {
    PostMessageW(FForm->pbxShow.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(x)), 1));
    ProcessMessages();
}

void TViewerWindow::ResizePaintBox(int width, int height) {
    RECT rect{};
    GetWindowRect(FForm->pbxShow.Handle(), &rect);
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&rect), 2);
    MoveWindow(FForm->pbxShow.Handle(), rect.left, rect.top, width, height, TRUE);
    Repaint();
}

void TViewerWindow::Repaint() {
    RedrawWindow(Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    ProcessMessages();
}

COLORREF PixelOf(HWND window, int x, int y) {
    const HDC dc = GetDC(window);
    const COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return color;
}

std::wstring PanelText(TfrmMain& form, int panel) {
    wchar_t text[512]{};
    SendMessageW(form.stbStatus.Handle(), SB_GETTEXTW, panel, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string MapText(const TPaletteArray& colors) {
    std::string text;
    for (const TPackedColor c : colors) text += HexColorText(c) + "\r\n";
    return text;
}

TPaletteArray DistinctColors(int count) {
    TPaletteArray colors;
    for (int i = 0; i < count; ++i) {
        const int red = (i * 97 + 13) % 256;
        const int green = (i * 53 + 101) % 256;
        const int blue = (i * 29 + 7) % 256;
        colors.push_back(PackColor(red, green, blue));
    }
    return colors;
}

}  // namespace rulv::test
