// RegistryTestSupport.h - raw access to keys and values below
// HKEY_CURRENT_USER, so that the tests store exactly the bytes and types
// they mean and read back exactly what the program stored.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "app/RegistrySettings.h"

namespace rulv::test {

// A value as the registry holds it: its type and its data bytes.
struct TRawValue {
    DWORD Type = REG_NONE;
    std::string Data;
};

// Removes `path` with everything below it (nothing when it is absent).
void DeleteKeyTree(const std::string& path);
bool KeyExists(const std::string& path);
// Creates `path`; a volatile key cannot get non-volatile subkeys.
void CreateKey(const std::string& path, bool isVolatile = false);
// Replaces the access list of an existing key with the one `sddl` states
// (for example "D:P(A;;KRSDWD;;;WD)": everyone may read, delete and change
// the list, nothing else).
void SetKeyAccess(const std::string& path, const char* sddl);
// Number of values and of subkeys of an existing key.
DWORD ValueCount(const std::string& path);
DWORD SubkeyCount(const std::string& path);

// Stores `data` as it stands, with `type` (key created when missing).
void PutRaw(const std::string& path, const std::string& name, DWORD type, std::string_view data);
// A REG_SZ value: `text` and one NUL.
void PutText(const std::string& path, const std::string& name, const std::string& text);
// The value as stored, read with RegQueryValueExA; nothing when missing.
std::optional<TRawValue> GetRaw(const std::string& path, const std::string& name);
// `text` as a written REG_SZ value looks: the text and one NUL.
TRawValue WrittenText(const std::string& text);

// A DWORD's four bytes, little-endian as the registry stores them.
std::string DwordData(DWORD value);

bool operator==(const TRawValue& a, const TRawValue& b);
void PrintTo(const TRawValue& value, std::ostream* out);

// The message of the ERegistryError `action` raises ("" when none).
template <class TAction>
std::string RegistryErrorOf(TAction&& action) {
    try {
        action();
    } catch (const ERegistryError& error) {
        return error.what();
    }
    return "";
}

}  // namespace rulv::test
