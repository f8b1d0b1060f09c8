// ThumbnailMemoryTest.cpp - the thumbnail handler when memory runs out, at
// every allocation it makes for one picture: a copy of the DLL linked with
// the test allocator, loaded as COM loads it. Each picture must end in
// S_OK with a bitmap or in E_OUTOFMEMORY or E_FAIL without one, nothing may
// unwind out of the DLL (its methods are noexcept: that would end the
// process), and no handle or GDI object may be left behind.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>
#include <wrl/client.h>

#include <cstdint>
#include <string>

#include "shell/ThumbnailProvider.h"
#include "tests/support/ProcessResources.h"
#include "tests/support/TempFolder.h"

namespace rulv::test {
namespace {

using Microsoft::WRL::ComPtr;

// The DLL and its allocator's arming.
struct TFailingThumbnail {
    HMODULE Module = LoadLibraryW(L"RulvThumbnailFailing.dll");
    template <class TFunction>
    TFunction* Entry(const char* name) const {
        return reinterpret_cast<TFunction*>(reinterpret_cast<void*>(GetProcAddress(Module, name)));
    }
    decltype(&DllGetClassObject) GetClassObject =
        Entry<HRESULT STDAPICALLTYPE(REFCLSID, REFIID, void**)>("DllGetClassObject");
    void (*Arm)(std::uint64_t, bool) = Entry<void(std::uint64_t, bool)>("RulvArmAllocationFailure");
    void (*Disarm)() = Entry<void()>("RulvDisarmAllocationFailure");
    std::uint64_t (*Counted)() = Entry<std::uint64_t()>("RulvAllocationsCounted");
    std::uint64_t (*Failed)() = Entry<std::uint64_t()>("RulvAllocationsFailed");
};

TEST(ThumbnailMemory, EveryFailedAllocationGivesAFailureAndLeavesNothing) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    TFailingThumbnail dll;
    ASSERT_NE(dll.Module, nullptr);
    ASSERT_TRUE(dll.GetClassObject && dll.Arm && dll.Disarm && dll.Counted && dll.Failed);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(dll.GetClassObject(shell::kThumbnailProviderClass, __uuidof(IClassFactory), &factory), S_OK);
    TTempFolder folder;

    // One picture with the allocator armed from the provider's creation on.
    const auto picture = [&](const std::wstring& map, std::uint64_t failAt) {
        ComPtr<IStream> stream;
        EXPECT_EQ(SHCreateStreamOnFileEx(map.c_str(), STGM_READ, 0, FALSE, nullptr, &stream), S_OK);
        HBITMAP bitmap = nullptr;
        WTS_ALPHATYPE alpha{};
        dll.Arm(failAt, false);
        ComPtr<IInitializeWithStream> initialize;
        HRESULT result = factory->CreateInstance(nullptr, __uuidof(IInitializeWithStream), &initialize);
        if (SUCCEEDED(result)) result = initialize->Initialize(stream.Get(), STGM_READ);
        ComPtr<IThumbnailProvider> provider;
        if (SUCCEEDED(result)) result = initialize.As(&provider);
        if (SUCCEEDED(result)) result = provider->GetThumbnail(96, &bitmap, &alpha);
        dll.Disarm();
        EXPECT_EQ(bitmap != nullptr, result == S_OK) << failAt;
        if (bitmap != nullptr) DeleteObject(bitmap);
        return result;
    };
    for (const char* data : {"FF0000\r\nFF00\r\n", "* a map\r\n#GRAD 000000,FFFFFF,5000\r\nFF0000 red\r\n"}) {
        const std::wstring map = folder.Write("map.rulv", data).wstring();
        // The first picture sets up what stays for the thread (the C++
        // runtime's thread object at the DLL's first exception); the second
        // counts the allocations of one picture.
        picture(map, 0);
        const HRESULT expected = picture(map, 0);
        const std::uint64_t allocations = dll.Counted();
        ASSERT_GT(allocations, 2u) << data;
        for (std::uint64_t n = 1; n <= allocations; ++n) {
            const long handles = KernelHandleCount();
            const long objects = GdiObjectCount();
            const HRESULT result = picture(map, n);
            EXPECT_EQ(dll.Failed(), 1u) << data << " allocation " << n;
            EXPECT_TRUE(result == expected || result == E_OUTOFMEMORY || result == E_FAIL)
                << data << " allocation " << n << ": 0x" << std::hex << result;
            EXPECT_EQ(KernelHandleCount(), handles) << data << " allocation " << n;
            EXPECT_EQ(GdiObjectCount(), objects) << data << " allocation " << n;
        }
    }
    factory.Reset();
    FreeLibrary(dll.Module);
    CoUninitialize();
}

}  // namespace
}  // namespace rulv::test
