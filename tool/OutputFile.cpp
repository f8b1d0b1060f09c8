// OutputFile.cpp - an output file replaced only by a complete one.
#include "tool/OutputFile.h"

#include <cerrno>
#include <cstdio>
#include <memory>
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

// Writes the bytes into the file `name` (created, or truncated; a device or
// a FIFO is written as it is); 0 or the error number of the failure.
int WriteBytes(const std::filesystem::path& name, std::string_view bytes) {
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
// that a failure leaves it as it was and no half file behind. Gives the
// reason of a failure, or nothing.
std::string WriteThroughTemporary(const std::filesystem::path& output, std::string_view bytes) {
    const std::filesystem::path temporary = TemporaryName(output);
    const int error = WriteBytes(temporary, bytes);
    std::error_code renamed;
    if (error == 0) std::filesystem::rename(temporary, output, renamed);
    if (error == 0 && !renamed) return {};
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return error != 0 ? ErrorNumberText(error) : renamed.message();
}

}  // namespace

std::string ErrorNumberText(int error) { return std::generic_category().message(error); }

int WriteOutputFile(const TArgument& output, std::string_view bytes, TToolStreams& streams) {
    std::string failure;
    switch (RouteOf(output)) {
    case TOutputRoute::StandardOutput:
        // Standard output's failures show when it is flushed at the end.
        streams.OutBinary(bytes);
        break;
    case TOutputRoute::Direct:
        if (const int error = WriteBytes(output.Path, bytes); error != 0) failure = ErrorNumberText(error);
        break;
    case TOutputRoute::ThroughTemporary:
        failure = WriteThroughTemporary(output.Path, bytes);
        break;
    }
    if (failure.empty()) return kExitOk;
    streams.Err(output.Text + ": " + failure + "\n");
    return kExitTrouble;
}

}  // namespace rulv::tool
