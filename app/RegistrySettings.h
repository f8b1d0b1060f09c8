// RegistrySettings.h - an ini-style view of one registry key below
// HKEY_CURRENT_USER: each section is a direct subkey of that key, each
// entry a REG_SZ value in it.
//
// Stored format: the text in the ANSI code page with one terminating NUL,
// the data size counting the NUL. Integers are plain decimal text (435,
// -20, 0), flags "1" or "0". A read takes REG_SZ and REG_EXPAND_SZ (not
// expanded) up to the first NUL; empty data, a missing section or value and
// text that is no valid integer all give the caller's default.
//
// When the key can be neither opened nor created, reads give their defaults
// and writes store nothing, silently: the program must start all the same.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "common/Errors.h"

namespace rulv {

// A registry entry that cannot be read or written; the text names the
// value or section.
class ERegistryError : public Exception {
public:
    using Exception::Exception;
};

// Owns one open registry key; closed with RegCloseKey.
class TRegistryKey {
public:
    TRegistryKey() noexcept = default;
    explicit TRegistryKey(HKEY key) noexcept : FKey(key) {}
    ~TRegistryKey() { Reset(); }
    TRegistryKey(TRegistryKey&& other) noexcept : FKey(std::exchange(other.FKey, nullptr)) {}
    TRegistryKey& operator=(TRegistryKey&& other) noexcept {
        if (this != &other) {
            Reset();
            FKey = std::exchange(other.FKey, nullptr);
        }
        return *this;
    }
    TRegistryKey(const TRegistryKey&) = delete;
    TRegistryKey& operator=(const TRegistryKey&) = delete;

    HKEY Get() const noexcept { return FKey; }
    explicit operator bool() const noexcept { return FKey != nullptr; }
    // Closes the key held so far; the address for a Reg* call to fill.
    HKEY* Receive() noexcept {
        Reset();
        return &FKey;
    }
    void Reset() noexcept {
        if (FKey) RegCloseKey(std::exchange(FKey, nullptr));
    }

private:
    HKEY FKey = nullptr;
};

class RegistrySettings {
public:
    // Opens `keyPath` below HKEY_CURRENT_USER with full access, creating it
    // and any missing level of its path. A failure is not reported: the
    // object then has no key.
    explicit RegistrySettings(std::string keyPath);

    // True when the key is open.
    bool IsOpen() const noexcept { return static_cast<bool>(FKey); }

    // The entry as an integer, `defaultValue` when the section or value is
    // missing, empty or no valid integer text. Raises ERegistryError when
    // the data cannot be read or is not a string type.
    std::int32_t ReadInt(std::string_view section, std::string_view name, std::int32_t defaultValue) const;
    // ReadInt with the default as 0 or 1; true when the result is not 0.
    bool ReadFlag(std::string_view section, std::string_view name, bool defaultValue) const;

    // Stores `value` as decimal text. Raises ERegistryError when the
    // section cannot be created or the value not set.
    void WriteInt(std::string_view section, std::string_view name, std::int32_t value);
    // Stores "1" or "0".
    void WriteFlag(std::string_view section, std::string_view name, bool value);

    // The two registry calls whose failure the program reports although a
    // working registry never produces it; a test may stand in for them.
    using TQueryValue = LSTATUS(WINAPI*)(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
    using TSetValue = LSTATUS(WINAPI*)(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD);
    static TQueryValue QueryValue;
    static TSetValue SetValue;

private:
    void WriteText(std::string_view section, std::string_view name, const std::string& text);

    std::string FKeyPath;
    TRegistryKey FKey;
};

}  // namespace rulv
