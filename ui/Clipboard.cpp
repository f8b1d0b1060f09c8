// Clipboard.cpp - the clipboard opened with a few tries, and one piece of
// data put on it.
#include "ui/Clipboard.h"

#include <cstring>

namespace rulv::ui {

namespace {

// Global memory of `size` bytes that begin with a copy of `data`, the rest
// zero, for the clipboard to take; freed unless the clipboard took it.
class TGlobalCopy {
public:
    TGlobalCopy(std::span<const std::byte> data, std::size_t size) noexcept
        : FMemory(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size)) {
        if (!FMemory) return;
        if (void* target = GlobalLock(FMemory)) {
            if (!data.empty()) std::memcpy(target, data.data(), data.size());
            GlobalUnlock(FMemory);
        } else {
            Free();
        }
    }
    ~TGlobalCopy() { Free(); }
    TGlobalCopy(const TGlobalCopy&) = delete;
    TGlobalCopy& operator=(const TGlobalCopy&) = delete;

    HGLOBAL Get() const noexcept { return FMemory; }
    void Release() noexcept { FMemory = nullptr; }

private:
    void Free() noexcept {
        if (FMemory) GlobalFree(FMemory);
        FMemory = nullptr;
    }

    HGLOBAL FMemory;
};

// OpenClipboard ... CloseClipboard, opened with a few tries.
class TOpenClipboard {
public:
    explicit TOpenClipboard(HWND owner) noexcept {
        for (int i = 0; i < kClipboardTries && !FOpen; ++i) {
            if (i > 0) Sleep(kClipboardRetryMs);
            FOpen = OpenClipboard(owner) != FALSE;
        }
    }
    ~TOpenClipboard() {
        if (FOpen) CloseClipboard();
    }
    TOpenClipboard(const TOpenClipboard&) = delete;
    TOpenClipboard& operator=(const TOpenClipboard&) = delete;

    bool Open() const noexcept { return FOpen; }

private:
    bool FOpen = false;
};

// Puts `size` bytes, `data` and zeros after it, on the clipboard.
TClipboardResult Copy(HWND owner, UINT format, std::span<const std::byte> data, std::size_t size) noexcept {
    TGlobalCopy memory(data, size);
    if (!memory.Get()) return TClipboardResult::Failed;
    const TOpenClipboard clipboard(owner);
    if (!clipboard.Open()) return TClipboardResult::Busy;
    if (!EmptyClipboard() || !SetClipboardData(format, memory.Get())) return TClipboardResult::Failed;
    memory.Release();  // the clipboard's now
    return TClipboardResult::Copied;
}

}  // namespace

TClipboardResult CopyToClipboard(HWND owner, UINT format, std::span<const std::byte> data) noexcept {
    return Copy(owner, format, data, data.size());
}

TClipboardResult CopyTextToClipboard(HWND owner, std::wstring_view text) noexcept {
    // With the terminating NUL that CF_UNICODETEXT wants.
    const std::span<const std::byte> bytes(reinterpret_cast<const std::byte*>(text.data()),
                                           text.size() * sizeof(wchar_t));
    return Copy(owner, CF_UNICODETEXT, bytes, bytes.size() + sizeof(wchar_t));
}

}  // namespace rulv::ui
