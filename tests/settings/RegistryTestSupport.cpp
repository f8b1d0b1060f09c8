// RegistryTestSupport.cpp - raw registry access for the settings tests.
#include "tests/settings/RegistryTestSupport.h"

#include <sddl.h>

#include <gtest/gtest.h>

#include <iomanip>
#include <ostream>
#include <stdexcept>
#include <vector>

#include "app/RegistrySettings.h"

namespace rulv::test {

namespace {

void Check(LSTATUS status, const char* what) {
    if (status != ERROR_SUCCESS) throw std::runtime_error(std::string(what) + " failed: " + std::to_string(status));
}

TRegistryKey Open(const std::string& path) {
    TRegistryKey key;
    Check(RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.Receive()), "RegOpenKeyExA");
    return key;
}

}  // namespace

void DeleteKeyTree(const std::string& path) {
    const LSTATUS status = RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
    if (status != ERROR_FILE_NOT_FOUND) Check(status, "RegDeleteTreeA");
    if (KeyExists(path)) throw std::runtime_error("key still there after RegDeleteTreeA: " + path);
}

bool KeyExists(const std::string& path) {
    TRegistryKey key;
    return RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
}

void CreateKey(const std::string& path, bool isVolatile) {
    TRegistryKey key;
    Check(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr,
                          isVolatile ? REG_OPTION_VOLATILE : REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                          key.Receive(), nullptr),
          "RegCreateKeyExA");
}

void SetKeyAccess(const std::string& path, const char* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr)) {
        throw std::runtime_error(std::string("bad SDDL ") + sddl);
    }
    TRegistryKey key;
    LSTATUS status = RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, WRITE_DAC, key.Receive());
    if (status == ERROR_SUCCESS) status = RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, descriptor);
    LocalFree(descriptor);
    Check(status, "RegSetKeySecurity");
}

DWORD ValueCount(const std::string& path) {
    DWORD values = 0;
    Check(RegQueryInfoKeyA(Open(path).Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                           nullptr, nullptr, nullptr),
          "RegQueryInfoKeyA");
    return values;
}

DWORD SubkeyCount(const std::string& path) {
    DWORD subkeys = 0;
    Check(RegQueryInfoKeyA(Open(path).Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                           nullptr, nullptr, nullptr),
          "RegQueryInfoKeyA");
    return subkeys;
}

void PutRaw(const std::string& path, const std::string& name, DWORD type, std::string_view data) {
    TRegistryKey key;
    Check(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                          nullptr, key.Receive(), nullptr),
          "RegCreateKeyExA");
    Check(RegSetValueExA(key.Get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                         static_cast<DWORD>(data.size())),
          "RegSetValueExA");
}

void PutText(const std::string& path, const std::string& name, const std::string& text) {
    PutRaw(path, name, REG_SZ, std::string_view(text.c_str(), text.size() + 1));
}

std::optional<TRawValue> GetRaw(const std::string& path, const std::string& name) {
    if (!KeyExists(path)) return std::nullopt;
    const TRegistryKey key = Open(path);
    TRawValue value;
    DWORD size = 0;
    if (RegQueryValueExA(key.Get(), name.c_str(), nullptr, &value.Type, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::vector<char> data(size);
    Check(RegQueryValueExA(key.Get(), name.c_str(), nullptr, &value.Type, reinterpret_cast<BYTE*>(data.data()),
                           &size),
          "RegQueryValueExA");
    value.Data.assign(data.data(), size);
    return value;
}

TRawValue WrittenText(const std::string& text) { return {REG_SZ, std::string(text.c_str(), text.size() + 1)}; }

std::string DwordData(DWORD value) {
    return std::string{static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
                       static_cast<char>((value >> 16) & 0xFF), static_cast<char>((value >> 24) & 0xFF)};
}

bool operator==(const TRawValue& a, const TRawValue& b) { return a.Type == b.Type && a.Data == b.Data; }

void PrintTo(const TRawValue& value, std::ostream* out) {
    *out << "type " << value.Type << ", " << value.Data.size() << " bytes:";
    for (const char byte : value.Data) {
        *out << ' ' << std::hex << std::setw(2) << std::setfill('0') << (static_cast<unsigned>(byte) & 0xFF)
             << std::dec;
    }
}

}  // namespace rulv::test
