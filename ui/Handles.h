// Handles.h - RAII owners for the Win32 handles the viewer creates.
//
// Each owner is move-only and frees its handle with the right function:
// DeleteObject for GDI objects, ReleaseDC for a borrowed window DC, EndPaint
// for a paint scope, DragFinish for a drop, CloseHandle for kernel objects,
// DestroyMenu for a menu no window owns. Pens and palettes are counted
// while they live, because Wine's GetGuiResources always answers 0 and the
// tests still want to see that painting and loading leak nothing.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <type_traits>
#include <utility>

#include "ui/Shell.h"

namespace rulv::ui {

// Live-object counters of the owners below; for tests and diagnostics.
struct TGdiCounters {
    static inline std::atomic<long> Pens{0};
    static inline std::atomic<long> Palettes{0};
    static inline std::atomic<long> OtherObjects{0};
};

template <class THandle>
std::atomic<long>& CounterFor() noexcept {
    if constexpr (std::is_same_v<THandle, HPEN>) return TGdiCounters::Pens;
    else if constexpr (std::is_same_v<THandle, HPALETTE>) return TGdiCounters::Palettes;
    else return TGdiCounters::OtherObjects;
}

// Owns one GDI object (pen, palette, font, brush, bitmap).
template <class THandle>
class TGdiObject {
public:
    TGdiObject() noexcept = default;
    explicit TGdiObject(THandle handle) noexcept : FHandle(handle) {
        if (FHandle) ++CounterFor<THandle>();
    }
    ~TGdiObject() { Reset(); }
    TGdiObject(TGdiObject&& other) noexcept : FHandle(std::exchange(other.FHandle, nullptr)) {}
    TGdiObject& operator=(TGdiObject&& other) noexcept {
        if (this != &other) {
            Reset();
            FHandle = std::exchange(other.FHandle, nullptr);
        }
        return *this;
    }
    TGdiObject(const TGdiObject&) = delete;
    TGdiObject& operator=(const TGdiObject&) = delete;

    THandle Get() const noexcept { return FHandle; }
    explicit operator bool() const noexcept { return FHandle != nullptr; }

    void Reset(THandle handle = nullptr) noexcept {
        if (FHandle) {
            DeleteObject(FHandle);
            --CounterFor<THandle>();
        }
        FHandle = handle;
        if (FHandle) ++CounterFor<THandle>();
    }

private:
    THandle FHandle = nullptr;
};

using TPen = TGdiObject<HPEN>;
using TPaletteHandle = TGdiObject<HPALETTE>;
using TFontHandle = TGdiObject<HFONT>;
using TBitmapHandle = TGdiObject<HBITMAP>;
using TBrushHandle = TGdiObject<HBRUSH>;

// A window's DC borrowed with GetDC.
class TWindowDC {
public:
    explicit TWindowDC(HWND window) noexcept : FWindow(window), FDC(GetDC(window)) {}
    ~TWindowDC() {
        if (FDC) ReleaseDC(FWindow, FDC);
    }
    TWindowDC(const TWindowDC&) = delete;
    TWindowDC& operator=(const TWindowDC&) = delete;
    HDC Get() const noexcept { return FDC; }

private:
    HWND FWindow;
    HDC FDC;
};

// A memory DC of our own.
class TMemoryDC {
public:
    explicit TMemoryDC(HDC compatible) noexcept : FDC(CreateCompatibleDC(compatible)) {}
    ~TMemoryDC() {
        if (FDC) DeleteDC(FDC);
    }
    TMemoryDC(const TMemoryDC&) = delete;
    TMemoryDC& operator=(const TMemoryDC&) = delete;
    HDC Get() const noexcept { return FDC; }

private:
    HDC FDC;
};

// BeginPaint ... EndPaint.
class TPaintScope {
public:
    explicit TPaintScope(HWND window) noexcept : FWindow(window) { FDC = BeginPaint(window, &FPaint); }
    ~TPaintScope() { EndPaint(FWindow, &FPaint); }
    TPaintScope(const TPaintScope&) = delete;
    TPaintScope& operator=(const TPaintScope&) = delete;
    HDC DC() const noexcept { return FDC; }
    const PAINTSTRUCT& Info() const noexcept { return FPaint; }

private:
    HWND FWindow;
    PAINTSTRUCT FPaint{};
    HDC FDC;
};

// Selects an object into a DC and puts the previous one back, so that
// nothing of ours is deleted while it is still selected.
class TSelectGuard {
public:
    TSelectGuard(HDC dc, HGDIOBJ object) noexcept : FDC(dc), FOld(SelectObject(dc, object)) {}
    ~TSelectGuard() {
        if (FOld) SelectObject(FDC, FOld);
    }
    TSelectGuard(const TSelectGuard&) = delete;
    TSelectGuard& operator=(const TSelectGuard&) = delete;

private:
    HDC FDC;
    HGDIOBJ FOld;
};

// The same for palettes, which have their own selection call.
class TPaletteSelectGuard {
public:
    TPaletteSelectGuard(HDC dc, HPALETTE palette, bool background) noexcept
        : FDC(dc), FOld(palette ? SelectPalette(dc, palette, background) : nullptr) {}
    ~TPaletteSelectGuard() {
        if (FOld) SelectPalette(FDC, FOld, TRUE);
    }
    TPaletteSelectGuard(const TPaletteSelectGuard&) = delete;
    TPaletteSelectGuard& operator=(const TPaletteSelectGuard&) = delete;

private:
    HDC FDC;
    HPALETTE FOld;
};

// A drop handle of WM_DROPFILES; released whatever happens.
class TDropHandle {
public:
    explicit TDropHandle(HDROP drop) noexcept : FDrop(drop) {}
    ~TDropHandle() {
        if (FDrop) ui::DragFinish(FDrop);
    }
    TDropHandle(const TDropHandle&) = delete;
    TDropHandle& operator=(const TDropHandle&) = delete;
    HDROP Get() const noexcept { return FDrop; }

private:
    HDROP FDrop;
};

// A kernel object of ours (an event, a folder opened for its changes);
// closed with CloseHandle. Either failure value counts as none.
class TKernelHandle {
public:
    TKernelHandle() noexcept = default;
    explicit TKernelHandle(HANDLE handle) noexcept : FHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    ~TKernelHandle() { Reset(); }
    TKernelHandle(TKernelHandle&& other) noexcept : FHandle(std::exchange(other.FHandle, nullptr)) {}
    TKernelHandle& operator=(TKernelHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            FHandle = std::exchange(other.FHandle, nullptr);
        }
        return *this;
    }
    TKernelHandle(const TKernelHandle&) = delete;
    TKernelHandle& operator=(const TKernelHandle&) = delete;
    HANDLE Get() const noexcept { return FHandle; }
    explicit operator bool() const noexcept { return FHandle != nullptr; }
    void Reset() noexcept {
        if (FHandle) CloseHandle(std::exchange(FHandle, nullptr));
    }

private:
    HANDLE FHandle = nullptr;
};

// A menu loaded from our resources that no window owns (a window destroys
// its own menu bar); destroyed with DestroyMenu.
class TMenuHandle {
public:
    TMenuHandle() noexcept = default;
    explicit TMenuHandle(HMENU menu) noexcept : FMenu(menu) {}
    ~TMenuHandle() {
        if (FMenu) DestroyMenu(FMenu);
    }
    TMenuHandle(const TMenuHandle&) = delete;
    TMenuHandle& operator=(const TMenuHandle&) = delete;
    HMENU Get() const noexcept { return FMenu; }
    void Reset(HMENU menu = nullptr) noexcept {
        if (FMenu) DestroyMenu(FMenu);
        FMenu = menu;
    }

private:
    HMENU FMenu = nullptr;
};

// A window we created and destroy unless it is gone already.
class TWindowHandle {
public:
    TWindowHandle() noexcept = default;
    explicit TWindowHandle(HWND window) noexcept : FWindow(window) {}
    ~TWindowHandle() { Reset(); }
    TWindowHandle(const TWindowHandle&) = delete;
    TWindowHandle& operator=(const TWindowHandle&) = delete;
    HWND Get() const noexcept { return FWindow; }
    void Reset(HWND window = nullptr) noexcept {
        if (FWindow && IsWindow(FWindow)) DestroyWindow(FWindow);
        FWindow = window;
    }

private:
    HWND FWindow = nullptr;
};

}  // namespace rulv::ui
