// ThumbnailProvider.h - the thumbnail provider of .rulv files: the COM class
// that Explorer, the file dialogs and the details pane ask for a map's
// picture, and what the module and its tests need to know of it.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <thumbcache.h>

// The shell's interface for handlers that read a file from a stream
// (propsys.idl); the MinGW-w64 headers do not declare it.
#ifndef __IInitializeWithStream_INTERFACE_DEFINED__
#define __IInitializeWithStream_INTERFACE_DEFINED__
MIDL_INTERFACE("b824b49d-22ac-4161-ac8a-9916e8fa3f7f")
IInitializeWithStream : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Initialize(IStream* stream, DWORD mode) = 0;
};
__CRT_UUID_DECL(IInitializeWithStream, 0xb824b49d, 0x22ac, 0x4161, 0xac, 0x8a, 0x99, 0x16, 0xe8, 0xfa, 0x3f, 0x7f)
#endif

namespace rulv::shell {

// The class of the provider, {9d58e256-86b9-4bc1-9640-8cf783181bfb}; never
// change it: the installer and per-user registrations name it.
inline constexpr CLSID kThumbnailProviderClass = {
    0x9d58e256, 0x86b9, 0x4bc1, {0x96, 0x40, 0x8c, 0xf7, 0x83, 0x18, 0x1b, 0xfb}};
inline constexpr wchar_t kThumbnailProviderClassText[] = L"{9d58e256-86b9-4bc1-9640-8cf783181bfb}";

// A new provider, asked for `iid`; E_OUTOFMEMORY, E_NOINTERFACE.
HRESULT CreateThumbnailProvider(REFIID iid, void** object) noexcept;

// The module's count of live objects and server locks (DllCanUnloadNow).
void LockModule() noexcept;
void UnlockModule() noexcept;

}  // namespace rulv::shell
