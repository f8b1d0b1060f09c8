// FileInputWin32.cpp - file input on Windows, through the wide APIs.
#include <windows.h>

#include <algorithm>

#include "common/FileInput.h"
#include "common/SystemError.h"

namespace rulv {

namespace {
HANDLE AsHandle(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }
}  // namespace

bool FileExists(const std::filesystem::path& name) noexcept {
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        // A named pipe has no attributes, yet it is there: the open that
        // follows finds it and says it is no file on a disk.
        const DWORD error = ::GetLastError();
        return error == ERROR_BAD_DEV_TYPE || error == ERROR_PIPE_BUSY;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

TFileInput::TFileInput(const std::filesystem::path& name, TFileKinds kinds) {
    // Others may read the file while we do, but not write it.
    const HANDLE handle = ::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) RaiseInOutError(static_cast<int>(::GetLastError()));
    FHandle = reinterpret_cast<std::intptr_t>(handle);
    // COM1, CON or a named pipe could block the reader forever or never end.
    if (kinds == TFileKinds::DiskFilesOnly && ::GetFileType(handle) != FILE_TYPE_DISK) {
        RaiseNotADiskFile(ERROR_BAD_FILE_TYPE);
    }
}

TFileInput::~TFileInput() {
    if (FHandle != -1) ::CloseHandle(AsHandle(FHandle));
}

namespace {

std::size_t ReadHandle(HANDLE handle, char* buffer, std::size_t capacity) {
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(capacity, 1u << 30));
    DWORD count = 0;
    if (!::ReadFile(handle, buffer, wanted, &count, nullptr)) {
        const DWORD error = ::GetLastError();
        // A pipe whose writer has gone is at its end.
        if (error == ERROR_BROKEN_PIPE) return 0;
        RaiseInOutError(static_cast<int>(error));
    }
    return count;
}

}  // namespace

std::size_t TFileInput::Read(char* buffer, std::size_t capacity) {
    return ReadHandle(AsHandle(FHandle), buffer, capacity);
}

std::size_t TStandardInput::Read(char* buffer, std::size_t capacity) {
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    // A process started without standard input reads nothing.
    if (input == nullptr || input == INVALID_HANDLE_VALUE) return 0;
    return ReadHandle(input, buffer, capacity);
}

void TFileInput::Close() {
    const HANDLE handle = AsHandle(FHandle);
    FHandle = -1;
    if (handle != INVALID_HANDLE_VALUE && !::CloseHandle(handle)) {
        RaiseInOutError(static_cast<int>(::GetLastError()));
    }
}

}  // namespace rulv
