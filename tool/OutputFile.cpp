// OutputFile.cpp - standard output, devices and FIFOs as they are, files
// replaced only when whole.
#include "tool/OutputFile.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace rulv::tool {

namespace {

struct TFileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using TFilePointer = std::unique_ptr<std::FILE, TFileCloser>;

TFilePointer CreateOutputFile(const std::filesystem::path& name) {
#ifdef _WIN32
    return TFilePointer(::_wfopen(name.c_str(), L"wb"));
#else
    return TFilePointer(std::fopen(name.c_str(), "wb"));
#endif
}

// A name beside `output` that no other run is likely to pick.
std::filesystem::path TemporaryName(const std::filesystem::path& output) {
    std::random_device random;
    std::filesystem::path name = output;
    name += ".rulvtool-" + std::to_string(random()) + ".tmp";
    return name;
}

std::string ErrorText(int error) { return std::generic_category().message(error); }

// Writes the bytes into the file `name` (created, or truncated; a device or
// a FIFO is written as it is); 0 or the error number of the failure.
int WriteFile(const std::filesystem::path& name, std::string_view bytes) {
    errno = 0;
    TFilePointer file = CreateOutputFile(name);
    if (!file) return errno != 0 ? errno : EIO;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) return errno != 0 ? errno : EIO;
    if (std::fflush(file.get()) != 0) return errno != 0 ? errno : EIO;
    if (std::fclose(file.release()) != 0) return errno != 0 ? errno : EIO;
    return 0;
}

// How the bytes reach the output the user named.
enum class TOutputRoute {
    StandardOutput,    // "-"
    Direct,            // a device or a FIFO: written as it is, never replaced
    ThroughTemporary,  // a regular file or a new name: written aside, then renamed
};

TOutputRoute RouteOf(const TArgument& output) {
    if (output.Text == "-") return TOutputRoute::StandardOutput;
#ifdef _WIN32
    // Devices (NUL, CON, COM1) and pipes open as something else than a disk file.
    const HANDLE handle = ::CreateFileW(output.Path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return TOutputRoute::ThroughTemporary;
    const DWORD type = ::GetFileType(handle);
    ::CloseHandle(handle);
    return type == FILE_TYPE_DISK ? TOutputRoute::ThroughTemporary : TOutputRoute::Direct;
#else
    struct stat info {};
    if (::stat(output.Path.c_str(), &info) != 0) return TOutputRoute::ThroughTemporary;  // a new name
    return S_ISREG(info.st_mode) || S_ISDIR(info.st_mode) ? TOutputRoute::ThroughTemporary : TOutputRoute::Direct;
#endif
}

// A regular file is replaced only once all of the bytes are written, so
// that a failure leaves it as it was and nothing half written behind.
std::string WriteThroughTemporary(const std::filesystem::path& output, std::string_view bytes) {
    const std::filesystem::path temporary = TemporaryName(output);
    int error = 0;
    try {
        error = WriteFile(temporary, bytes);
    } catch (const std::bad_alloc&) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        throw;
    }
    std::error_code renamed;
    if (error == 0) std::filesystem::rename(temporary, output, renamed);
    if (error == 0 && !renamed) return {};
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return error != 0 ? ErrorText(error) : renamed.message();
}

}  // namespace

std::string WriteOutputFile(const TArgument& output, std::string_view bytes, TToolStreams& streams) {
    switch (RouteOf(output)) {
    case TOutputRoute::StandardOutput:
        streams.OutBinary(bytes);
        return {};
    case TOutputRoute::Direct:
        if (const int error = WriteFile(output.Path, bytes); error != 0) return ErrorText(error);
        return {};
    case TOutputRoute::ThroughTemporary:
        return WriteThroughTemporary(output.Path, bytes);
    }
    return {};
}

}  // namespace rulv::tool
