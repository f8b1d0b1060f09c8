// StripBench.cpp - how long a full repaint of the colour strip takes on a
// 3840 x 2160 surface, next to one BitBlt of the same area in the same run,
// and how long RulvView.exe takes from start to its first painted strip next
// to a minimal Win32 window.
//
//   StripBench.exe [RulvView.exe map.rulv [rounds]]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "app/StripPainter.h"
#include "ui/Handles.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 3840;
constexpr int kHeight = 2160;
constexpr int kRounds = 5;
constexpr int kStartRounds = 7;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

rulv::TPaletteArray Colors(int count) {
    rulv::TPaletteArray colors(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) colors[static_cast<size_t>(i)] = (i * 2654435761u) & 0xFFFFFF;
    return colors;
}

template <class TAction>
double Best(TAction&& action) {
    double best = 1e300;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = Clock::now();
        action();
        best = std::min(best, Milliseconds(Clock::now() - start));
    }
    return best;
}

void PaintBench() {
    const HDC screen = GetDC(nullptr);
    rulv::ui::TMemoryDC target(screen), source(screen);
    rulv::ui::TBitmapHandle targetBits(CreateCompatibleBitmap(screen, kWidth, kHeight));
    rulv::ui::TBitmapHandle sourceBits(CreateCompatibleBitmap(screen, kWidth, kHeight));
    ReleaseDC(nullptr, screen);
    rulv::ui::TSelectGuard selectTarget(target.Get(), targetBits.Get());
    rulv::ui::TSelectGuard selectSource(source.Get(), sourceBits.Get());

    const double blit = Best([&] {
        BitBlt(target.Get(), 0, 0, kWidth, kHeight, source.Get(), 0, 0, SRCCOPY);
        GdiFlush();
    });
    std::printf("BitBlt %dx%d                 %8.2f ms\n", kWidth, kHeight, blit);
    const bool row = rulv::StripMethodFor(target.Get()) == rulv::TStripMethod::PixelRow;
    std::printf("PaintStrip paints with       %s\n", row ? "a brush of one pixel row" : "pen lines");
    for (const int count : {256, 1000000}) {
        const auto colors = Colors(count);
        const double paint = Best([&] {
            rulv::PaintStrip(target.Get(), colors, kWidth, kHeight);
            GdiFlush();
        });
        std::printf("PaintStrip %7d colours       %8.2f ms  (%.1f x BitBlt)\n", count, paint, paint / blit);
        const double lines = Best([&] {
            rulv::PaintStripLines(target.Get(), colors, kWidth, kHeight);
            GdiFlush();
        });
        std::printf("  pen lines %7d colours      %8.2f ms  (%.1f x BitBlt)\n", count, lines, lines / blit);
    }
}

// Start of `commandLine` until a window of `windowClass` of the new process
// is visible and its middle pixel is not the button face any more: its
// first painted strip. Both programs are watched the same way, since the
// watching costs the machine time as well.
double StartToPaint(std::wstring commandLine, const wchar_t* windowClass) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child{};
    const auto start = Clock::now();
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child)) {
        return -1;
    }
    HWND window = nullptr;
    for (;;) {
        window = FindWindowW(windowClass, nullptr);
        if (window && IsWindowVisible(window)) {
            RECT client{};
            GetClientRect(window, &client);
            POINT middle{client.right / 2, client.bottom / 2};
            ClientToScreen(window, &middle);
            const HDC dc = GetDC(nullptr);
            const COLORREF pixel = GetPixel(dc, middle.x, middle.y);
            ReleaseDC(nullptr, dc);
            if (pixel != GetSysColor(COLOR_BTNFACE) && pixel != CLR_INVALID) break;
        }
        if (WaitForSingleObject(child.hProcess, 1) == WAIT_OBJECT_0) return -1;
    }
    const double elapsed = Milliseconds(Clock::now() - start);
    PostMessageW(window, WM_CLOSE, 0, 0);
    WaitForSingleObject(child.hProcess, 10000);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return elapsed;
}

LRESULT CALLBACK MinimalProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

// The minimal window the start-up time is compared with (the same program,
// run with --minimal): a window whose strip is its background, one colour.
int MinimalWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = MinimalProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = CreateSolidBrush(RGB(0, 128, 255));
    windowClass.lpszClassName = L"RulvBenchMinimal";
    RegisterClassW(&windowClass);
    const HWND window = CreateWindowW(L"RulvBenchMinimal", L"minimal", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                      CW_USEDEFAULT, 435, 170, nullptr, nullptr, windowClass.hInstance, nullptr);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc > 1 && std::wstring(argv[1]) == L"--minimal") return MinimalWindow();
    PaintBench();
    if (argc > 2) {
        wchar_t self[MAX_PATH * 4]{};
        GetModuleFileNameW(nullptr, self, static_cast<DWORD>(std::size(self)));
        double minimal = 1e300, viewer = 1e300;
        const int rounds = argc > 3 ? std::max(1, _wtoi(argv[3])) : kStartRounds;
        for (int round = 0; round < rounds; ++round) {
            minimal = std::min(minimal, StartToPaint(L"\"" + std::wstring(self) + L"\" --minimal", L"RulvBenchMinimal"));
            viewer = std::min(viewer, StartToPaint(L"\"" + std::wstring(argv[1]) + L"\" \"" + argv[2] + L"\"", L"TfrmMain"));
        }
        std::printf("start to painted, minimal Win32 window %8.2f ms  (best of %d)\n", minimal, rounds);
        std::printf("start to first painted strip, viewer   %8.2f ms  (%.2f x minimal)\n", viewer, viewer / minimal);
    }
    return 0;
}
