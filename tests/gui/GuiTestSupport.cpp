// GuiTestSupport.cpp - the real window in a test program, message-box
// watcher, pixels and waits.
#include "GuiTestSupport.h"

#include <shlobj.h>
#include <shellapi.h>

#include <cstdio>
#include <fstream>

#include "app/MainRules.h"
#include "resources/resource.h"
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

void ProcessMessages() { Application().ProcessMessages(); }

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() > deadline) return false;
        ProcessMessages();
        // Sleep until a message arrives or a little time passes (the
        // condition may depend on another thread).
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
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

void TViewerWindow::Drop(const std::vector<std::wstring>& files) {
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
    PostMessageW(Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
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

// ------------------------------------------------------ TMessageBoxWatcher --

TMessageBoxWatcher::TMessageBoxWatcher() : FThread([this] { Run(); }) {}

TMessageBoxWatcher::~TMessageBoxWatcher() {
    FStop = true;
    FThread.join();
}

std::vector<TMessageBoxRecord> TMessageBoxWatcher::Boxes() const {
    const std::lock_guard lock(FLock);
    return FBoxes;
}

size_t TMessageBoxWatcher::Count() const {
    const std::lock_guard lock(FLock);
    return FBoxes.size();
}

namespace {

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64]{};
    GetClassNameW(window, name, 64);
    return name;
}

}  // namespace

void TMessageBoxWatcher::Run() {
    while (!FStop) {
        std::vector<HWND> boxes;
        EnumWindows(
            [](HWND window, LPARAM found) -> BOOL {
                DWORD process = 0;
                GetWindowThreadProcessId(window, &process);
                if (process == GetCurrentProcessId() && IsWindowVisible(window) && ClassOf(window) == L"#32770") {
                    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&boxes));
        std::erase_if(FHandled, [](HWND window) { return !IsWindow(window); });
        for (HWND box : boxes) {
            if (std::find(FHandled.begin(), FHandled.end(), box) != FHandled.end()) continue;
            FHandled.push_back(box);
            Handle(box);
        }
        Sleep(5);  // polling interval of the watcher thread
    }
}

void TMessageBoxWatcher::Handle(HWND box) {
    TMessageBoxRecord record;
    record.Caption = WindowText(box);
    GetWindowRect(box, &record.Rect);
    for (HWND viewer = FindWindowExW(nullptr, nullptr, L"TfrmMain", nullptr); viewer;
         viewer = FindWindowExW(nullptr, viewer, L"TfrmMain", nullptr)) {
        DWORD process = 0;
        GetWindowThreadProcessId(viewer, &process);
        if (process == GetCurrentProcessId() && IsWindowVisible(viewer)) record.MainWindowVisible = true;
    }
    wchar_t text[4096]{};
    GetDlgItemTextW(box, 0xFFFF, text, 4096);
    record.Text = text;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::wstring kind = ClassOf(child);
        if (_wcsicmp(kind.c_str(), L"Button") == 0 && IsWindowVisible(child)) {
            if (record.Buttons++ == 0) record.FirstButton = WindowText(child);
        }
        if (_wcsicmp(kind.c_str(), L"Static") == 0 && IsWindowVisible(child) &&
            (GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
            SendMessageW(child, STM_GETICON, 0, 0) != 0) {
            record.HasIcon = true;
        }
    }
    {
        const std::lock_guard lock(FLock);
        FBoxes.push_back(record);
    }
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

// ------------------------------------------------------------- TTempFolder --

TTempFolder::TTempFolder() {
    // A name no earlier run can have left behind (process ids come round).
    static int serial = 0;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (;;) {
        wchar_t name[96];
        std::swprintf(name, 96, L"rulv-gui-%lu-%llu-%d", GetCurrentProcessId(),
                      static_cast<unsigned long long>(GetTickCount64()), ++serial);
        FPath = base / name;
        if (CreateDirectoryW(FPath.c_str(), nullptr)) return;
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS) {
            throw std::filesystem::filesystem_error("cannot create a test folder", FPath,
                                                    std::error_code(static_cast<int>(error), std::system_category()));
        }
    }
}

TTempFolder::~TTempFolder() {
    // Through the long-path form: some tests build names past MAX_PATH.
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(L"\\\\?\\" + FPath.wstring()), ignored);
}

std::wstring TTempFolder::Write(const std::wstring& name, const std::string& content) const {
    const auto path = FPath / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path.wstring();
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
