// ThumbnailProviderTest.cpp - RulvThumbnail.dll as the shell uses it: COM
// creates the provider from its registered class, it gets a stream over a
// real file and is asked for pictures, which must equal `rulvtool render`
// at the same size; failures leave no handle, GDI object or memory behind.
// And the per-user registration that regsvr32 makes and removes.
//
// Wine's COM reads classes from HKEY_LOCAL_MACHINE\Software\Classes only, so
// the tests register the class there for themselves and remove it again.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>
#include <wrl/client.h>

#include <cstdio>
#include <string>
#include <vector>

#include "shell/ThumbnailProvider.h"
#include "shell/ThumbnailRead.h"
#include "tests/support/Files.h"
#include "tests/support/Process.h"
#include "tests/support/ProcessResources.h"
#include "tests/support/TempFolder.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace rulv::test {
namespace {

using Microsoft::WRL::ComPtr;
using namespace std::chrono_literals;

const std::wstring kClassKey = std::wstring(L"Software\\Classes\\CLSID\\") + shell::kThumbnailProviderClassText;

std::wstring DllPath() { return TreePath(RULV_THUMBNAIL_DLL).wstring(); }

// A text value of the registry; "(none)" when it is missing.
std::wstring RegistryText(HKEY root, const std::wstring& key, const wchar_t* name) {
    wchar_t data[1024] = {};
    DWORD bytes = sizeof data;
    if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &bytes) != ERROR_SUCCESS) return L"(none)";
    return data;
}

bool KeyExists(HKEY root, const std::wstring& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    RegCloseKey(opened);
    return true;
}

// The picture of `map` as `rulvtool render` writes it: rows of red, green
// and blue, or nothing when it fails.
std::vector<unsigned char> RenderedStrip(const std::filesystem::path& map, TThumbnailSize size,
                                         const std::filesystem::path& png) {
    TProcess tool(TreePath(RULVTOOL_PATH), {L"render", map.native(), L"-o", png.native(), L"--size",
                                            std::to_wstring(size.Width) + L"x" + std::to_wstring(size.Height)});
    if (tool.Wait(60s).value_or(-1) != 0) return {};
    FILE* file = _wfopen(png.c_str(), L"rb");
    if (file == nullptr) return {};
    int width = 0, height = 0, channels = 0;
    unsigned char* pixels = stbi_load_from_file(file, &width, &height, &channels, 3);
    fclose(file);
    std::vector<unsigned char> strip;
    if (pixels != nullptr && width == size.Width && height == size.Height) {
        strip.assign(pixels, pixels + std::ptrdiff_t{3} * width * height);
    }
    stbi_image_free(pixels);
    return strip;
}

// The pixels of a 32-bit DIB section of `size` as GDI reads them, as rows
// of red, green and blue from the top; nothing for any other bitmap.
std::vector<unsigned char> BitmapPixels(HBITMAP bitmap, TThumbnailSize size) {
    DIBSECTION section{};
    if (GetObjectW(bitmap, sizeof section, &section) != sizeof section || section.dsBm.bmWidth != size.Width ||
        section.dsBm.bmHeight != size.Height || section.dsBm.bmBitsPixel != 32) {
        return {};
    }
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), size.Width, -size.Height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<unsigned char> bgra(std::size_t{4} * size.Width * size.Height);
    const HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, size.Height, bgra.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != size.Height) return {};
    std::vector<unsigned char> rgb;
    for (std::size_t i = 0; i < bgra.size(); i += 4) rgb.insert(rgb.end(), {bgra[i + 2], bgra[i + 1], bgra[i]});
    return rgb;
}

void WritePng(const std::filesystem::path& name, const std::vector<unsigned char>& rgb, TThumbnailSize size) {
    std::string bytes;
    const auto append = [](void* context, void* data, int count) {
        static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<std::size_t>(count));
    };
    ASSERT_TRUE(stbi_write_png_to_func(append, &bytes, size.Width, size.Height, 3, rgb.data(), 3 * size.Width));
    WriteBytes(name, bytes);
}

// The pictures of `map` at `sides`, from one provider (which reads the
// stream from its start each time), as GDI reads them; an empty picture
// where one failed.
std::vector<std::vector<unsigned char>> Pictures(IThumbnailProvider& provider, const std::vector<UINT>& sides) {
    std::vector<std::vector<unsigned char>> pictures;
    for (const UINT side : sides) {
        HBITMAP bitmap = nullptr;
        WTS_ALPHATYPE alpha = WTSAT_ARGB;
        const HRESULT result = provider.GetThumbnail(side, &bitmap, &alpha);
        pictures.push_back(result == S_OK && alpha == WTSAT_RGB ? BitmapPixels(bitmap, ThumbnailSize(side))
                                                                : std::vector<unsigned char>{});
        if (bitmap != nullptr) DeleteObject(bitmap);
    }
    return pictures;
}

class ThumbnailProvider : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        const std::wstring server = kClassKey + L"\\InprocServer32";
        const std::wstring path = DllPath();
        ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, server.c_str(), nullptr, REG_SZ, path.c_str(),
                                  static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, server.c_str(), L"ThreadingModel", REG_SZ, L"Apartment",
                                  sizeof L"Apartment"),
                  ERROR_SUCCESS);
        // What the first picture and the first failure set up once for the
        // process or the thread is not counted: the DLL loaded, and the C++
        // runtime's thread object at its first exception (under Wine a
        // handle of the thread, an event and two semaphores).
        TTempFolder folder;
        for (const char* map : {"FF0000\r\n", "FF00\r\n"}) {
            const ComPtr<IThumbnailProvider> provider = ProviderFor(FileStream(folder.Write("warm.rulv", map)).Get());
            ASSERT_TRUE(provider);
            Pictures(*provider.Get(), {32});
        }
    }
    static void TearDownTestSuite() {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kClassKey.c_str());
        CoUninitialize();
    }

    // A provider made by COM and initialised with `stream`.
    static ComPtr<IThumbnailProvider> ProviderFor(IStream* stream) {
        ComPtr<IInitializeWithStream> initialize;
        EXPECT_EQ(CoCreateInstance(shell::kThumbnailProviderClass, nullptr, CLSCTX_INPROC_SERVER,
                                   __uuidof(IInitializeWithStream), &initialize),
                  S_OK);
        ComPtr<IThumbnailProvider> provider;
        if (!initialize) return provider;
        EXPECT_EQ(initialize->Initialize(stream, STGM_READ), S_OK);
        EXPECT_EQ(initialize.As(&provider), S_OK);
        return provider;
    }

    static ComPtr<IStream> FileStream(const std::filesystem::path& file) {
        ComPtr<IStream> stream;
        EXPECT_EQ(SHCreateStreamOnFileEx(file.c_str(), STGM_READ | STGM_SHARE_DENY_WRITE, FILE_ATTRIBUTE_NORMAL, FALSE,
                                         nullptr, &stream),
                  S_OK)
            << Utf8(file);
        return stream;
    }

    TTempFolder FFolder;
};

TEST_F(ThumbnailProvider, PicturesEqualTheRenderedStripAtEverySize) {
    const std::filesystem::path examples = TreePath(RULV_EXAMPLES_DIR);
    const std::filesystem::path maps[] = {
        examples / "aurora.rulv",
        examples / "rainbow.rulv",
        FFolder.Write("three.rulv", "FF0000\r\n00FF00\r\n0000FF\r\n"),
        FFolder.Write("one.rulv", "#LINE 300,0,-1,0,0,0,1"),
        // A list that grows in address space of its own (LargeBlock.h).
        FFolder.Write("large.rulv", "0000FF\r\n#LINE 0,0.37,10,-0.21,255,1.7,3000000\r\nFFFF00\r\n"),
    };
    const std::vector<UINT> sides{32, 96, 256};
    for (const auto& map : maps) {
        const long handles = KernelHandleCount();
        const long objects = GdiObjectCount();
        std::vector<std::vector<unsigned char>> pictures;
        {
            const ComPtr<IThumbnailProvider> provider = ProviderFor(FileStream(map).Get());
            ASSERT_TRUE(provider);
            pictures = Pictures(*provider.Get(), sides);
        }
        EXPECT_EQ(KernelHandleCount(), handles) << Utf8(map);
        EXPECT_EQ(GdiObjectCount(), objects) << Utf8(map);
        for (std::size_t i = 0; i < sides.size(); ++i) {
            const TThumbnailSize size = ThumbnailSize(sides[i]);
            const std::vector<unsigned char> rendered =
                RenderedStrip(map, size, FFolder / ("strip" + std::to_string(sides[i]) + ".png"));
            ASSERT_FALSE(rendered.empty()) << Utf8(map) << " " << sides[i];
            EXPECT_EQ(pictures[i], rendered) << Utf8(map) << " " << sides[i];
        }
    }
    // The picture shown in the read-me.
    const ComPtr<IThumbnailProvider> provider = ProviderFor(FileStream(maps[0]).Get());
    ASSERT_TRUE(provider);
    const auto aurora = Pictures(*provider.Get(), {256});
    ASSERT_FALSE(aurora[0].empty());
    WritePng(TreePath(RULV_THUMBNAIL_PNG), aurora[0], ThumbnailSize(256));
}

// A stream of our own: one that never ends, or one whose reads fail.
class TTestStream final : public IStream {
public:
    explicit TTestStream(HRESULT readResult) : FReadResult(readResult) {}
    std::uint64_t Given() const noexcept { return FGiven; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid != __uuidof(IUnknown) && iid != __uuidof(ISequentialStream) && iid != __uuidof(IStream)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++FReferences; }
    ULONG STDMETHODCALLTYPE Release() override { return --FReferences; }  // lives on the test's stack

    // Colour lines without end; a handler that read on past four times its
    // limit would never stop, so it is stopped here.
    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG size, ULONG* read) override {
        if (FAILED(FReadResult)) return FReadResult;
        if (FGiven > 4 * kThumbnailMaxBytes) return E_ABORT;
        auto* bytes = static_cast<char*>(buffer);
        for (ULONG i = 0; i < size; ++i) bytes[i] = "00FF00\r\n"[(FGiven + i) % 8];
        FGiven += size;
        if (read != nullptr) *read = size;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

private:
    HRESULT FReadResult;
    ULONG FReferences = 1;
    std::uint64_t FGiven = 0;
};

TEST_F(ThumbnailProvider, FaultyEmptyHugeAndEndlessMapsFailAndLeaveNothing) {
    std::string tooLarge(kThumbnailMaxBytes, '*');
    tooLarge.replace(0, 8, "000000\r\n");
    tooLarge += "\r\n";
    TTestStream endless(S_OK);
    TTestStream failing(STG_E_READFAULT);
    const struct {
        const char* name;
        std::string data;      // a file of these bytes
        TTestStream* stream;   // or this stream
        HRESULT result;
    } rows[] = {
        {"faulty", "FF0000\r\nFF00\r\n", nullptr, E_FAIL},
        {"empty", "", nullptr, E_FAIL},
        {"no colour", "* a comment\r\n#GRAD 000000,FFFFFF,-1\r\n", nullptr, E_FAIL},
        {"two thousand million colours", "#GRAD 000000,FFFFFF,2000000000\r\n", nullptr, E_FAIL},
        {"a directive line of 2 MiB", "#GRAD 000000," + std::string(2 << 20, ' ') + "FFFFFF,2\r\n", nullptr, E_FAIL},
        {"more than 64 MiB", tooLarge, nullptr, E_FAIL},
        {"a stream without end", "", &endless, E_FAIL},
        {"a stream that fails", "", &failing, STG_E_READFAULT},
    };
    for (const auto& row : rows) {
        const long handles = KernelHandleCount();
        const long objects = GdiObjectCount();
        const std::uint64_t space = PrivateAddressSpace();
        {
            ComPtr<IStream> stream = row.stream;
            if (row.stream == nullptr) stream = FileStream(FFolder.Write("map.rulv", row.data));
            const ComPtr<IThumbnailProvider> provider = ProviderFor(stream.Get());
            ASSERT_TRUE(provider) << row.name;
            HBITMAP bitmap = nullptr;
            WTS_ALPHATYPE alpha = WTSAT_RGB;
            EXPECT_EQ(provider->GetThumbnail(256, &bitmap, &alpha), row.result) << row.name;
            EXPECT_EQ(bitmap, nullptr) << row.name;
            EXPECT_EQ(alpha, WTSAT_UNKNOWN) << row.name;
        }
        EXPECT_EQ(KernelHandleCount(), handles) << row.name;
        EXPECT_EQ(GdiObjectCount(), objects) << row.name;
        // Nothing of the list stays, on the heap or in address space of its own.
        EXPECT_LE(PrivateAddressSpace(), space + (std::uint64_t{1} << 20)) << row.name;
    }
    EXPECT_EQ(endless.Given(), kThumbnailMaxBytes + 1);
}

TEST_F(ThumbnailProvider, CallsOutOfOrderFailAndTheModuleStaysWhileUsed) {
    const ComPtr<IStream> stream = FileStream(FFolder.Write("map.rulv", "FF0000\r\n"));
    ComPtr<IInitializeWithStream> initialize;
    ASSERT_EQ(CoCreateInstance(shell::kThumbnailProviderClass, nullptr, CLSCTX_INPROC_SERVER,
                               __uuidof(IInitializeWithStream), &initialize),
              S_OK);
    ComPtr<IThumbnailProvider> provider;
    ASSERT_EQ(initialize.As(&provider), S_OK);
    HBITMAP bitmap = nullptr;
    WTS_ALPHATYPE alpha{};
    EXPECT_EQ(provider->GetThumbnail(32, &bitmap, &alpha), E_UNEXPECTED);
    EXPECT_EQ(initialize->Initialize(nullptr, STGM_READ), E_INVALIDARG);
    EXPECT_EQ(initialize->Initialize(stream.Get(), STGM_READ), S_OK);
    EXPECT_EQ(initialize->Initialize(stream.Get(), STGM_READ), HRESULT_FROM_WIN32(ERROR_ALREADY_INITIALIZED));
    EXPECT_EQ(provider->GetThumbnail(0, &bitmap, &alpha), E_INVALIDARG);
    EXPECT_EQ(provider->GetThumbnail(32, nullptr, &alpha), E_POINTER);
    ComPtr<IStream> notOurs;
    EXPECT_EQ(provider.As(&notOurs), E_NOINTERFACE);

    const HMODULE module = GetModuleHandleW(DllPath().c_str());
    ASSERT_NE(module, nullptr);
    const auto canUnloadNow = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    ASSERT_NE(canUnloadNow, nullptr);
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    initialize.Reset();
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    provider.Reset();
    EXPECT_EQ(canUnloadNow(), S_OK);
}

// DllRegisterServer and DllUnregisterServer, as regsvr32 calls them: every
// value for the current user alone, and all of it removed again; a .rulv
// key that holds something else (the installer's association) stays.
TEST(ThumbnailRegistration, PerUserValuesComeAndGo) {
    const HMODULE module = LoadLibraryW(DllPath().c_str());
    ASSERT_NE(module, nullptr);
    using TEntry = HRESULT(STDAPICALLTYPE*)();
    const auto entry = [module](const char* name) {
        return reinterpret_cast<TEntry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    };
    const TEntry registerServer = entry("DllRegisterServer");
    const TEntry unregisterServer = entry("DllUnregisterServer");
    ASSERT_NE(registerServer, nullptr);
    ASSERT_NE(unregisterServer, nullptr);
    const std::wstring clsid = shell::kThumbnailProviderClassText;
    const std::wstring extension = L"Software\\Classes\\.rulv";
    const std::wstring approved = L"Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
    const struct {
        std::wstring key;
        const wchar_t* name;
        std::wstring data;
    } values[] = {
        {kClassKey, nullptr, L"RULV colour map thumbnail"},
        {kClassKey + L"\\InprocServer32", nullptr, DllPath()},
        {kClassKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {extension + L"\\ShellEx\\{e357fccd-a995-4576-b01f-234630154e96}", nullptr, clsid},
        {approved, clsid.c_str(), L"RULV colour map thumbnail"},
    };
    for (const bool associated : {false, true}) {
        if (associated) {
            ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, extension.c_str(), nullptr, REG_SZ, L"RulvViewer.Map",
                                      sizeof L"RulvViewer.Map"),
                      ERROR_SUCCESS);
        }
        ASSERT_EQ(registerServer(), S_OK);
        for (const auto& value : values) {
            EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, value.key, value.name), value.data) << value.key;
        }
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kClassKey));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.rulv"));
        ASSERT_EQ(unregisterServer(), S_OK);
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kClassKey));
        EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, approved, clsid.c_str()), L"(none)");
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, extension + L"\\ShellEx"));
        EXPECT_EQ(KeyExists(HKEY_CURRENT_USER, extension), associated);
        EXPECT_EQ(unregisterServer(), S_OK) << "a second removal finds nothing to remove";
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, extension.c_str());
    FreeLibrary(module);
}

}  // namespace
}  // namespace rulv::test
