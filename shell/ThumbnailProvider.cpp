// ThumbnailProvider.cpp - the provider: the map read from the shell's stream
// within the thumbnail's limits, drawn as the strip rulvtool renders.
//
// Every method is noexcept and catches at its edge: a failure becomes
// E_OUTOFMEMORY, E_FAIL or the stream's own error, and the shell shows
// the file's icon instead.
#include "shell/ThumbnailProvider.h"

#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <new>
#include <vector>

#include "common/RegionalSettings.h"
#include "shell/ThumbnailRead.h"

namespace rulv::shell {

namespace {

using Microsoft::WRL::ComPtr;

// The shell's stream as the reader's source; keeps the stream's error.
class TStreamInput final : public TByteSource {
public:
    explicit TStreamInput(IStream& stream) noexcept : FStream(stream) {}

    std::size_t Read(char* buffer, std::size_t capacity) override {
        ULONG count = 0;
        const auto asked = static_cast<ULONG>(std::min<std::size_t>(capacity, ULONG_MAX));
        const HRESULT result = FStream.Read(buffer, asked, &count);
        if (FAILED(result) || count > capacity) {
            FFailure = FAILED(result) ? result : E_FAIL;
            throw EInOutError(static_cast<int>(FFailure), "The stream cannot be read");
        }
        return count;  // 0 at the end, whether S_OK or S_FALSE
    }
    HRESULT Failure() const noexcept { return FFailure; }

private:
    IStream& FStream;
    HRESULT FFailure = S_OK;
};

// A 32-bit top-down DIB section, columns.size() x height, every row the
// columns' colours; nullptr without memory. Nothing fails once it exists.
HBITMAP StripBitmap(const std::vector<TPackedColor>& columns, std::int32_t height) noexcept {
    const auto width = static_cast<std::int32_t>(columns.size());
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr) return nullptr;
    auto* const pixels = static_cast<std::uint32_t*>(bits);
    // A packed colour has red in its low byte, a pixel blue; opaque.
    std::transform(columns.begin(), columns.end(), pixels, [](TPackedColor color) {
        return 0xFF000000u | static_cast<std::uint32_t>(RedOf(color) << 16 | GreenOf(color) << 8 | BlueOf(color));
    });
    for (std::int32_t y = 1; y < height; ++y) std::copy_n(pixels, width, pixels + std::ptrdiff_t{y} * width);
    return bitmap;
}

class TThumbnailProvider final : public IInitializeWithStream, public IThumbnailProvider {
public:
    TThumbnailProvider() noexcept { LockModule(); }
    ~TThumbnailProvider() { UnlockModule(); }
    TThumbnailProvider(const TThumbnailProvider&) = delete;
    TThumbnailProvider& operator=(const TThumbnailProvider&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override {
        if (object == nullptr) return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IInitializeWithStream)) {
            *object = static_cast<IInitializeWithStream*>(this);
        } else if (iid == __uuidof(IThumbnailProvider)) {
            *object = static_cast<IThumbnailProvider*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++FReferences; }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        const ULONG count = --FReferences;
        if (count == 0) delete this;
        return count;
    }

    // The stream is read when a picture is asked for, from its start each time.
    HRESULT STDMETHODCALLTYPE Initialize(IStream* stream, DWORD) noexcept override {
        if (stream == nullptr) return E_INVALIDARG;
        if (FStream) return HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED);
        FStream = stream;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetThumbnail(UINT side, HBITMAP* bitmap, WTS_ALPHATYPE* alpha) noexcept override {
        if (bitmap == nullptr || alpha == nullptr) return E_POINTER;
        *bitmap = nullptr;
        *alpha = WTSAT_UNKNOWN;
        if (!FStream) return E_UNEXPECTED;
        if (side == 0) return E_INVALIDARG;
        // A file larger than a thumbnail reads fails before it is read.
        STATSTG status{};
        if (SUCCEEDED(FStream->Stat(&status, STATFLAG_NONAME)) && status.cbSize.QuadPart > kThumbnailMaxBytes) {
            return E_FAIL;
        }
        // A stream that cannot seek is read from where it stands.
        FStream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
        TStreamInput input(*FStream.Get());
        try {
            const TThumbnailSize size = ThumbnailSize(side);
            std::vector<TPackedColor> columns;
            if (ReadThumbnailColumns(input, size.Width, UserDecimalSeparator(), columns) != kColorMapLoaded) {
                return E_FAIL;
            }
            *bitmap = StripBitmap(columns, size.Height);
            if (*bitmap == nullptr) return E_OUTOFMEMORY;
            *alpha = WTSAT_RGB;
            return S_OK;
        } catch (const EOutOfMemory&) {
            return E_OUTOFMEMORY;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return FAILED(input.Failure()) ? input.Failure() : E_FAIL;
        }
    }

private:
    std::atomic<ULONG> FReferences{1};
    ComPtr<IStream> FStream;
};

}  // namespace

HRESULT CreateThumbnailProvider(REFIID iid, void** object) noexcept {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    auto* const provider = new (std::nothrow) TThumbnailProvider();
    if (provider == nullptr) return E_OUTOFMEMORY;
    const HRESULT result = provider->QueryInterface(iid, object);
    provider->Release();
    return result;
}

}  // namespace rulv::shell
