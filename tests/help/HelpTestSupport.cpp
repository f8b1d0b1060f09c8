// HelpTestSupport.cpp - see HelpTestSupport.h.
#include "tests/help/HelpTestSupport.h"

#include "common/Unicode.h"
#include "tests/support/Files.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>

namespace rulv::test {

BOOL WINAPI TBeepLog::Listen(UINT type) noexcept {
    LastType = type;
    ++Count;
    return TRUE;
}

TBeepListener::TBeepListener() : FSeam(BeepProc, &TBeepLog::Listen) {
    TBeepLog::Count = 0;
    TBeepLog::LastType = 0;
}

std::wstring CurrentDirectory() {
    wchar_t buffer[MAX_PATH * 4];
    const DWORD length = GetCurrentDirectoryW(MAX_PATH * 4, buffer);
    return std::wstring(buffer, length);
}

std::wstring TestProgramFolder() {
    wchar_t buffer[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH * 4);
    std::wstring name(buffer, length);
    return name.substr(0, name.find_last_of(L'\\') + 1);
}

std::wstring MakeFolder(const std::wstring& path) {
    std::filesystem::create_directories(std::filesystem::path(path));
    return path.back() == L'\\' ? path : path + L'\\';
}

void WriteTextFile(const std::wstring& path, const std::string& bytes) {
    ASSERT_NO_THROW(WriteBytes(path, bytes));
}

bool FileExists(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

// The user's classes (HKCU\Software\Classes) are where Windows looks first;
// Wine's HKEY_CLASSES_ROOT does not merge them in, so in the throw-away
// prefix the association is written into HKEY_CLASSES_ROOT as well.
const std::pair<HKEY, const wchar_t*> kClassRoots[] = {
    {HKEY_CURRENT_USER, L"Software\\Classes\\"},
    {HKEY_CLASSES_ROOT, L""},
};

void SetDefaultValue(const std::wstring& key, const std::wstring& value) {
    for (const auto& [root, prefix] : kClassRoots) {
        const LSTATUS status =
            RegSetKeyValueW(root, (prefix + key).c_str(), nullptr, REG_SZ, value.c_str(),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        ASSERT_EQ(status, ERROR_SUCCESS) << "registry key " << WideToUtf8(prefix + key);
    }
}

}  // namespace

void RegisterHtml(const std::wstring& progId, const std::wstring& command) {
    SetDefaultValue(L".html", progId);
    for (const auto& [root, prefix] : kClassRoots)
        RegDeleteTreeW(root, (prefix + progId).c_str());
    if (command.empty())
        SetDefaultValue(progId, L"a document type without an open command");
    else
        SetDefaultValue(progId + L"\\shell\\open\\command", command);
}

namespace {

std::vector<std::wstring> ReadRecord(const std::wstring& recordFile) {
    HANDLE file = CreateFileW(recordFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::wstring text(4096, L'\0');
    DWORD read = 0;
    ReadFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &read,
             nullptr);
    CloseHandle(file);
    text.resize(read / sizeof(wchar_t));
    std::vector<std::wstring> lines;
    std::wistringstream stream(text);
    for (std::wstring line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

}  // namespace

std::vector<std::wstring> WaitForRecord(const std::wstring& recordFile) {
    // The recorder renames a finished record into place, but the file may
    // still be held for a moment (the rename itself, a scanner): read again
    // until the three lines are there.
    std::vector<std::wstring> lines;
    WaitFor(
        [&] {
            lines = FileExists(recordFile) ? ReadRecord(recordFile) : std::vector<std::wstring>{};
            return lines.size() >= 3;
        },
        std::chrono::seconds(20));
    return lines;
}

std::wstring RecordedDocument(const std::vector<std::wstring>& record) {
    if (record.size() < 2) return {};
    const std::wstring& argument = record[0];
    const bool absolute = (argument.size() > 2 && argument[1] == L':') ||
                          (argument.size() > 1 && argument[0] == L'\\');
    if (absolute) return argument;
    std::wstring folder = record[1];
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    return folder + argument;
}

bool SamePath(std::wstring a, std::wstring b) {
    while (!a.empty() && a.back() == L'\\') a.pop_back();
    while (!b.empty() && b.back() == L'\\') b.pop_back();
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace rulv::test
