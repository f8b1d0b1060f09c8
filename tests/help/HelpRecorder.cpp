// HelpRecorder.cpp - the program the help tests register for .html
// documents. It writes what the shell gave it into the file named by the
// environment variable RULV_HELP_RECORD, as UTF-16 lines:
//   the document argument, the current directory, the show command.
// It writes a temporary file first and renames it, so that the test never
// reads half a record.
#include <windows.h>
#include <shellapi.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
    wchar_t target[MAX_PATH * 4];
    if (!GetEnvironmentVariableW(L"RULV_HELP_RECORD", target, MAX_PATH * 4)) return 2;

    std::wstring record = argc > 1 ? argv[1] : L"";
    wchar_t directory[MAX_PATH * 4];
    const DWORD length = GetCurrentDirectoryW(MAX_PATH * 4, directory);
    record += L"\n" + std::wstring(directory, length);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
    record += L"\n" + std::to_wstring(show) + L"\n";

    const std::wstring temporary = std::wstring(target) + L".part";
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;
    DWORD written = 0;
    WriteFile(file, record.data(), static_cast<DWORD>(record.size() * sizeof(wchar_t)),
              &written, nullptr);
    CloseHandle(file);
    return MoveFileExW(temporary.c_str(), target, MOVEFILE_REPLACE_EXISTING) ? 0 : 4;
}
