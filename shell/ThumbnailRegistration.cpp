// ThumbnailRegistration.cpp - DllRegisterServer and DllUnregisterServer:
// the thumbnail provider registered for the current user alone (regsvr32,
// no administrator rights), with the same values the installer writes.
#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "shell/ThumbnailProvider.h"

namespace rulv::shell {

namespace {

const std::wstring kClassText = kThumbnailProviderClassText;
const std::wstring kClassKey = L"Software\\Classes\\CLSID\\" + kClassText;
constexpr wchar_t kExtensionKey[] = L"Software\\Classes\\.rulv";
const std::wstring kShellExKey = std::wstring(kExtensionKey) + L"\\ShellEx";
// The shell's key for the thumbnail handler of a file type: IThumbnailProvider's IID.
const std::wstring kThumbnailHandlerKey = kShellExKey + L"\\{e357fccd-a995-4576-b01f-234630154e96}";
// Where Windows looks up the shell extensions a user has approved.
constexpr wchar_t kApprovedKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
constexpr wchar_t kClassName[] = L"RULV colour map thumbnail";

struct TKeyCloser {
    void operator()(HKEY key) const noexcept { RegCloseKey(key); }
};
using TKey = std::unique_ptr<std::remove_pointer_t<HKEY>, TKeyCloser>;

struct TRegistryValue {
    std::wstring Key;    // under HKEY_CURRENT_USER
    const wchar_t* Name;  // nullptr: the key's default value
    std::wstring Data;
};

std::vector<TRegistryValue> RegistryValues(const std::wstring& modulePath) {
    return {
        {kClassKey, nullptr, kClassName},
        {kClassKey + L"\\InprocServer32", nullptr, modulePath},
        {kClassKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {kThumbnailHandlerKey, nullptr, kClassText},
        {kApprovedKey, kClassText.c_str(), kClassName},
    };
}

// This DLL's full name, of any length.
std::wstring ModulePath() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ModulePath), &module);
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) return path.substr(0, length);
        path.resize(path.size() * 2);
    }
}

LONG WriteValue(const TRegistryValue& value) {
    HKEY opened = nullptr;
    const LONG created = RegCreateKeyExW(HKEY_CURRENT_USER, value.Key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                         &opened, nullptr);
    if (created != ERROR_SUCCESS) return created;
    const TKey key(opened);
    const auto bytes = static_cast<DWORD>((value.Data.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key.get(), value.Name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.Data.c_str()), bytes);
}

// Removes `path` when it holds neither values nor keys (a key the
// registration made, and nobody else uses).
void DeleteKeyIfEmpty(const std::wstring& path) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return;
    DWORD keys = 0;
    DWORD values = 0;
    const LONG queried = RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &values,
                                          nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(opened);
    if (queried == ERROR_SUCCESS && keys == 0 && values == 0) RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
}

bool Gone(LONG result) noexcept { return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND; }

}  // namespace

}  // namespace rulv::shell

using namespace rulv::shell;

STDAPI DllRegisterServer() {
    try {
        const std::wstring path = ModulePath();
        if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
        for (const TRegistryValue& value : RegistryValues(path)) {
            if (const LONG result = WriteValue(value); result != ERROR_SUCCESS) return HRESULT_FROM_WIN32(result);
        }
        SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

// Removes what DllRegisterServer writes; the .rulv key itself only when
// nothing else is left in it (the installer's association keeps it).
STDAPI DllUnregisterServer() {
    try {
        LONG results[] = {
            RegDeleteTreeW(HKEY_CURRENT_USER, kClassKey.c_str()),
            RegDeleteKeyW(HKEY_CURRENT_USER, kThumbnailHandlerKey.c_str()),
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kApprovedKey, kClassText.c_str()),
        };
        DeleteKeyIfEmpty(kShellExKey);
        DeleteKeyIfEmpty(kExtensionKey);
        SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
        for (const LONG result : results) {
            if (!Gone(result)) return HRESULT_FROM_WIN32(result);
        }
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}
