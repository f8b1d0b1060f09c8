// ExceptionBoundaryTest.cpp - no error unwinds into user32: a handler's
// error becomes the standard error report and the program goes on; the
// silent abort shows nothing.
#include <gtest/gtest.h>

#include "about/About.h"
#include "common/Errors.h"
#include "common/SystemError.h"
#include "common/Unicode.h"
#include "resources/resource.h"
#include "tests/support/MessageBoxWatcher.h"
#include "tests/support/TempFolder.h"
#include "tests/support/ViewerWindow.h"
#include "tests/support/Wait.h"
#include "ui/Application.h"
#include "ui/ErrorBox.h"
#include "ui/Window.h"

namespace rulv::test {
namespace {

using ui::Application;

constexpr UINT kThrowError = WM_APP;
constexpr UINT kThrowAbort = WM_APP + 1;
constexpr UINT kCount = WM_APP + 2;
constexpr UINT kThrowUnknown = WM_APP + 3;

// A window of the layer whose handlers raise on request.
class TThrowingWindow : public ui::TWindow {
public:
    explicit TThrowingWindow(std::string text) : FText(std::move(text)) {
        RegisterWindowClass(L"RulvTestThrowingWindow", 0, nullptr, nullptr);
        CreateHandle(0, L"RulvTestThrowingWindow", L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr);
    }
    ~TThrowingWindow() override {
        if (Handle()) DestroyWindow(Handle());
    }
    int Handled = 0;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case kThrowError:
            throw Exception(FText);
        case kThrowAbort:
            throw EAbort();
        case kCount:
            ++Handled;
            return 0;
        default:
            return TWindow::HandleMessage(message, wParam, lParam);
        }
    }

private:
    std::string FText;
};

TEST(ExceptionBoundary, HandlerErrorGivesTheStandardReportAndTheProgramGoesOn) {
    StartApplication();
    Application().SetTitle(L"sunset.rulv - RULV Viewer");
    const struct {
        std::string text;
        std::wstring shown;
    } rows[] = {
        {"Handler failed", L"Handler failed."},
        {"Already stopped.", L"Already stopped."},
        {"", L""},
        {"ファイルを開けません", L"ファイルを開けません."},
    };
    for (const auto& row : rows) {
        TThrowingWindow window(row.text);
        TMessageBoxWatcher watcher;
        const long reports = Application().ExceptionReports();
        PostMessageW(window.Handle(), kThrowError, 0, 0);
        PostMessageW(window.Handle(), kCount, 0, 0);
        ASSERT_TRUE(WaitFor([&] { return watcher.Count() == 1 && window.Handled == 1; }));
        const TBoxSnapshot box = watcher.Boxes()[0];
        EXPECT_EQ(box.Text(), row.shown);
        EXPECT_EQ(box.Caption, L"sunset.rulv - RULV Viewer");
        EXPECT_TRUE(box.HasIcon());
        EXPECT_EQ(box.Buttons(), 1);
        EXPECT_EQ(Application().ExceptionReports(), reports + 1);
    }
    Application().SetTitle(L"RULV Viewer");
}

TEST(ExceptionBoundary, SilentAbortShowsNothing) {
    StartApplication();
    TThrowingWindow window("unused");
    TMessageBoxWatcher watcher;
    const long reports = Application().ExceptionReports();
    PostMessageW(window.Handle(), kThrowAbort, 0, 0);
    PostMessageW(window.Handle(), kCount, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return window.Handled == 1; }));
    EXPECT_EQ(watcher.Count(), 0u);
    EXPECT_EQ(Application().ExceptionReports(), reports);
}

TEST(ExceptionBoundary, LoaderInputOutputErrorReachesTheStandardReport) {
    TTempFolder folder;
    const std::wstring good = folder.Write(L"good.rulv", "112233\r\n");
    const std::wstring locked = folder.Write(L"locked.rulv", "445566\r\n");
    TViewerWindow window;
    window.Drop({good});
    ASSERT_TRUE(window->Loaded());
    // The file exists but cannot be opened: another handle holds it exclusively.
    const HANDLE holder = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    TMessageBoxWatcher watcher;
    window.Drop({locked});
    ASSERT_TRUE(WaitFor([&] { return watcher.Count() == 1; }));
    CloseHandle(holder);
    const TBoxSnapshot box = watcher.Boxes()[0];
    EXPECT_EQ(box.Text(), ui::ReportText(Utf8ToWide(SystemErrorMessage(ERROR_SHARING_VIOLATION))));
    EXPECT_EQ(box.Text().back(), L'.');
    EXPECT_EQ(box.Caption, L"good.rulv - RULV Viewer");
    EXPECT_TRUE(box.HasIcon());
    // Nothing changed, and the window goes on working.
    EXPECT_TRUE(window->Loaded());
    EXPECT_EQ(window->GetOpenFileName(), good);
    window.Drop({locked});
    EXPECT_EQ(window->Colors(), (TPaletteArray{0x665544}));
}

TEST(ExceptionBoundary, APipeOrADeviceDroppedIsReportedAndTheOldMapStays) {
    TTempFolder folder;
    const std::wstring good = folder.Write(L"good.rulv", "112233\r\n");
    // A pipe with no writer: reading it would hold the window forever.
    const std::wstring pipeName = L"\\\\.\\pipe\\rulv-drop-" + std::to_wstring(GetCurrentProcessId());
    const HANDLE pipe = CreateNamedPipeW(pipeName.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1, 4096, 4096, 0, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    TViewerWindow window;
    window.Drop({good});
    ASSERT_TRUE(window->Loaded());
    for (const std::wstring& name : {pipeName, std::wstring(L"NUL")}) {
        TMessageBoxWatcher watcher;
        window.Drop({name});
        ASSERT_TRUE(WaitFor([&] { return watcher.Count() == 1; })) << name;
        const TBoxSnapshot box = watcher.Boxes()[0];
        EXPECT_EQ(box.Text(), L"ディスク上のファイルではないので読み込めません.") << name;
        EXPECT_TRUE(box.HasIcon()) << name;
        EXPECT_EQ(window->GetOpenFileName(), good) << name;
        EXPECT_EQ(window->Colors(), (TPaletteArray{0x332211})) << name;
    }
    CloseHandle(pipe);
    // The window goes on: it reopens the map it kept.
    folder.Write(L"good.rulv", "445566\r\n");
    window.Command(IDC_FILE_REOPEN);
    EXPECT_EQ(window->Colors(), (TPaletteArray{0x665544}));
}

TEST(ExceptionBoundary, SettingsErrorAtCreationIsReportedAndTheWindowStillOpens) {
    // A window height stored with the wrong type.
    ClearSettings();
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wuld\\RulvViewer\\Form", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD wrong = 300;
    RegSetValueExW(key, L"Height", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&wrong), sizeof(wrong));
    RegCloseKey(key);

    TMessageBoxWatcher watcher;
    TViewerWindow window(L"RulvView.exe", false);
    ASSERT_EQ(watcher.Count(), 1u);
    EXPECT_TRUE(watcher.Boxes()[0].HasIcon());
    EXPECT_EQ(watcher.Boxes()[0].Caption, L"RULV Viewer");
    EXPECT_TRUE(IsWindowVisible(window.Handle()));
    // The remaining start-up steps did not run: no drop target.
    EXPECT_FALSE(GetWindowLongPtrW(window.Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    ClearSettings();
}

// What a handler raises, by the message that asks for it.
[[noreturn]] void RaiseFor(UINT message, const std::string& text) {
    if (message == kThrowAbort) throw EAbort();
    if (message == kThrowUnknown) throw 42;  // no error of ours, no std::exception
    throw Exception(text);
}

// The real about box, whose handler raises on request.
class TThrowingAboutBox final : public TAboutBox {
public:
    explicit TThrowingAboutBox(std::string text) : TAboutBox(nullptr), FText(std::move(text)) {}
    int Handled = 0;

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == kThrowError || message == kThrowAbort || message == kThrowUnknown) RaiseFor(message, FText);
        if (message == kCount) {
            ++Handled;
            return TRUE;
        }
        return TAboutBox::HandleMessage(message, wParam, lParam);
    }

private:
    std::string FText;
};

// The real error box, whose handler raises while it is being laid out (so
// that it is never shown and only the report is).
class TThrowingErrorBox final : public ui::TErrorBox {
public:
    TThrowingErrorBox(UINT raise, std::string text) : TErrorBox(L"エラー", L"never shown"), FRaise(raise), FText(std::move(text)) {}

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_INITDIALOG) RaiseFor(FRaise, FText);
        return TErrorBox::HandleMessage(message, wParam, lParam);
    }

private:
    UINT FRaise;
    std::string FText;
};

struct TBoundaryRow {
    UINT raise;
    const wchar_t* shown;  // the report's text; nullptr for none
};

const TBoundaryRow kDialogRows[] = {
    {kThrowError, L"Handler failed."},
    {kThrowUnknown, L"Unknown error."},
    {kThrowAbort, nullptr},
};

TEST(ExceptionBoundary, AboutBoxHandlerErrorsGoToTheStandardReport) {
    StartApplication();
    Application().SetTitle(L"RULV Viewer");
    for (const TBoundaryRow& row : kDialogRows) {
        TThrowingAboutBox box("Handler failed");
        TMessageBoxWatcher watcher;
        const long reports = Application().ExceptionReports();
        PostMessageW(box.Handle(), row.raise, 0, 0);
        PostMessageW(box.Handle(), kCount, 0, 0);
        ASSERT_TRUE(WaitFor([&] { return box.Handled == 1 && watcher.Count() == (row.shown ? 1u : 0u); }));
        EXPECT_EQ(Application().ExceptionReports(), reports + (row.shown ? 1 : 0));
        if (row.shown) {
            EXPECT_EQ(watcher.Boxes()[0].Text(), row.shown);
            EXPECT_EQ(watcher.Boxes()[0].Caption, L"RULV Viewer");
            EXPECT_TRUE(watcher.Boxes()[0].HasIcon());
        }
        EXPECT_TRUE(IsWindow(box.Handle())) << "the box goes on";
    }
}

TEST(ExceptionBoundary, ErrorBoxHandlerErrorsGoToTheStandardReportAndCloseTheBox) {
    StartApplication();
    Application().SetTitle(L"RULV Viewer");
    for (const TBoundaryRow& row : kDialogRows) {
        TThrowingErrorBox box(row.raise, "Handler failed");
        TMessageBoxWatcher watcher;
        const long reports = Application().ExceptionReports();
        box.ShowModal();  // returns: the failed box closed itself
        EXPECT_EQ(Application().ExceptionReports(), reports + (row.shown ? 1 : 0));
        ASSERT_TRUE(WaitFor([&] { return watcher.Count() == (row.shown ? 1u : 0u); }));
        if (row.shown) {
            EXPECT_EQ(watcher.Boxes()[0].Text(), row.shown);
        }
        EXPECT_EQ(box.Handle(), nullptr);
    }
}

}  // namespace
}  // namespace rulv::test
