// RegistrySettings.cpp - sections as subkeys, entries as REG_SZ values,
// through the ANSI registry API. Reg* calls return their error code; the
// thread's last error is never consulted.
#include "app/RegistrySettings.h"

#include <algorithm>
#include <vector>

#include "common/NumberText.h"
#include "resources/Texts.h"

namespace rulv {

RegistrySettings::TQueryValue RegistrySettings::QueryValue = RegQueryValueExA;
RegistrySettings::TSetValue RegistrySettings::SetValue = RegSetValueExA;

namespace {

// The program's message with `%s` replaced by `subject`.
[[noreturn]] void RaiseRegistryError(std::string_view pattern, std::string_view subject) {
    std::string message(pattern);
    message.replace(message.find("%s"), 2, subject);
    throw ERegistryError(message);
}

// Creates (or opens) `path` below `parent` with full access; the error code.
LSTATUS CreateKey(HKEY parent, const std::string& path, TRegistryKey& key) noexcept {
    return RegCreateKeyExA(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                           key.Receive(), nullptr);
}

LSTATUS OpenKey(HKEY parent, const std::string& path, TRegistryKey& key) noexcept {
    return RegOpenKeyExA(parent, path.c_str(), 0, KEY_ALL_ACCESS, key.Receive());
}

// The stored text of a value of `section` (up to its first NUL); empty when
// the data is empty. False when the section or the value is missing.
bool ReadText(HKEY programKey, const std::string& section, const std::string& name, std::string& text) {
    TRegistryKey sectionKey;
    if (!programKey || OpenKey(programKey, section, sectionKey) != ERROR_SUCCESS) return false;
    DWORD type = 0;
    DWORD size = 0;
    if (RegistrySettings::QueryValue(sectionKey.Get(), name.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    text.clear();
    if (size == 0) return true;
    std::vector<char> data(size);
    if (RegistrySettings::QueryValue(sectionKey.Get(), name.c_str(), nullptr, &type,
                                     reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS) {
        RaiseRegistryError(texts::kRegistryReadFailed, name);
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) RaiseRegistryError(texts::kRegistryWrongType, name);
    // The second call may report fewer bytes than the buffer holds.
    const std::string_view stored(data.data(), std::min<size_t>(size, data.size()));
    text.assign(stored.substr(0, stored.find('\0')));
    return true;
}

}  // namespace

RegistrySettings::RegistrySettings(std::string keyPath) : FKeyPath(std::move(keyPath)) {
    // A key we can neither open nor create leaves FKey empty: reads then
    // give their defaults and writes store nothing.
    CreateKey(HKEY_CURRENT_USER, FKeyPath, FKey);
}

std::int32_t RegistrySettings::ReadInt(std::string_view section, std::string_view name,
                                       std::int32_t defaultValue) const {
    std::string text;
    if (!ReadText(FKey.Get(), std::string(section), std::string(name), text)) return defaultValue;
    std::int32_t value = 0;
    return TryParseInteger(text, value) ? value : defaultValue;
}

bool RegistrySettings::ReadFlag(std::string_view section, std::string_view name, bool defaultValue) const {
    return ReadInt(section, name, defaultValue ? 1 : 0) != 0;
}

void RegistrySettings::WriteInt(std::string_view section, std::string_view name, std::int32_t value) {
    WriteText(section, name, std::to_string(value));
}

void RegistrySettings::WriteFlag(std::string_view section, std::string_view name, bool value) {
    WriteText(section, name, value ? "1" : "0");
}

void RegistrySettings::WriteText(std::string_view section, std::string_view name, const std::string& text) {
    if (!FKey) return;
    const std::string sectionPath(section);
    {
        TRegistryKey created;
        if (CreateKey(FKey.Get(), sectionPath, created) != ERROR_SUCCESS) {
            RaiseRegistryError(texts::kRegistryKeyNotCreated, section);
        }
    }
    TRegistryKey sectionKey;
    if (OpenKey(FKey.Get(), sectionPath, sectionKey) != ERROR_SUCCESS) return;
    // The data is the text with its NUL, and the size counts the NUL.
    const std::string valueName(name);
    if (SetValue(sectionKey.Get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1)) != ERROR_SUCCESS) {
        RaiseRegistryError(texts::kRegistryWriteFailed, name);
    }
}

}  // namespace rulv
