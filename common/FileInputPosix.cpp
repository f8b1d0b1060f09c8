// FileInputPosix.cpp - file input on POSIX systems.
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/FileInput.h"
#include "common/SystemError.h"

namespace rulv {

bool FileExists(const std::filesystem::path& name) noexcept {
    struct stat info {};
    return ::stat(name.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

TFileInput::TFileInput(const std::filesystem::path& name, TFileKinds kinds) {
    // A FIFO opened for a reader that wants disk files only must not wait
    // for its writer.
    const int nonBlocking = kinds == TFileKinds::DiskFilesOnly ? O_NONBLOCK : 0;
    const int descriptor = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | nonBlocking);
    if (descriptor < 0) RaiseInOutError(errno);
    FHandle = descriptor;
    if (kinds == TFileKinds::DiskFilesOnly) {
        struct stat info {};
        if (::fstat(descriptor, &info) != 0) RaiseInOutError(errno);
        if (!S_ISREG(info.st_mode)) RaiseNotADiskFile(EINVAL);
        ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    }
}

TFileInput::~TFileInput() {
    if (FHandle >= 0) ::close(static_cast<int>(FHandle));
}

namespace {

std::size_t ReadDescriptor(int descriptor, char* buffer, std::size_t capacity) {
    for (;;) {
        const ssize_t count = ::read(descriptor, buffer, capacity);
        if (count >= 0) return static_cast<std::size_t>(count);
        if (errno != EINTR) RaiseInOutError(errno);
    }
}

}  // namespace

std::size_t TFileInput::Read(char* buffer, std::size_t capacity) {
    return ReadDescriptor(static_cast<int>(FHandle), buffer, capacity);
}

std::size_t TStandardInput::Read(char* buffer, std::size_t capacity) {
    return ReadDescriptor(STDIN_FILENO, buffer, capacity);
}

void TFileInput::Close() {
    const int descriptor = static_cast<int>(FHandle);
    FHandle = -1;
    if (descriptor >= 0 && ::close(descriptor) != 0) RaiseInOutError(errno);
}

}  // namespace rulv
