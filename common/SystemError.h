// SystemError.h - the operating system's own error texts.
#pragma once

#include <string>

namespace rulv {

// The system's message for an error code (GetLastError on Windows, errno
// elsewhere) as UTF-8, without trailing blanks, line breaks or full stops
// (the standard error report adds its own full stop).
std::string SystemErrorMessage(int errorCode);

// The error code of the last failed system call of this thread.
int LastSystemError();

// Raises EInOutError with the code and the system's message for it.
[[noreturn]] void RaiseInOutError(int errorCode);

// Raises ENotADiskFile for a name that opened as something else than a file
// on a disk (a device or a pipe), with `errorCode`.
[[noreturn]] void RaiseNotADiskFile(int errorCode);

}  // namespace rulv
