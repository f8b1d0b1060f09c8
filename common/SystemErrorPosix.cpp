// SystemErrorPosix.cpp - error texts of the C library.
#include <cerrno>
#include <cstring>

#include "common/Errors.h"
#include "common/SystemError.h"

namespace rulv {

namespace {
std::string TrimMessage(std::string text) {
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.')) text.pop_back();
    return text;
}
}  // namespace

std::string SystemErrorMessage(int errorCode) {
    char buffer[256] = {};
    // The GNU strerror_r may return a static text instead of filling the buffer.
#if defined(__GLIBC__) && defined(_GNU_SOURCE)
    return TrimMessage(::strerror_r(errorCode, buffer, sizeof buffer));
#else
    if (::strerror_r(errorCode, buffer, sizeof buffer) != 0) return "Unknown error " + std::to_string(errorCode);
    return TrimMessage(buffer);
#endif
}

int LastSystemError() { return errno; }

void RaiseInOutError(int errorCode) { throw EInOutError(errorCode, SystemErrorMessage(errorCode)); }

}  // namespace rulv
