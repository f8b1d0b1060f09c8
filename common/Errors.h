// Errors.h - the error kinds of RULV Viewer.
//
// Every failure is an exception. The colour-map reader raises conversion,
// arithmetic, range and out-of-memory errors for a faulty line (the loader
// turns any of them into that line's number) and input-output errors for
// the file itself. EAbort is the silent abort: it ends the current command
// after the user has already been told what went wrong, and the GUI's event
// dispatch swallows it. Messages are UTF-8.
#pragma once

#include <stdexcept>
#include <string>

namespace rulv {

// Base of all our errors; `what()` is the text the standard error report shows.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// Silent abort: never shown to the user.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
};

// Text that is not a valid number.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Arithmetic faults: division by zero, invalid operation, overflow.
class EMathError : public Exception {
public:
    using Exception::Exception;
};
class EZeroDivide : public EMathError {
public:
    EZeroDivide() : EMathError("Floating point division by zero") {}
};
class EInvalidOp : public EMathError {
public:
    EInvalidOp() : EMathError("Invalid floating point operation") {}
};
class EOverflow : public EMathError {
public:
    EOverflow() : EMathError("Floating point overflow") {}
};

// An index outside the valid range.
class ERangeError : public Exception {
public:
    ERangeError() : Exception("Range check error") {}
};

// A growth that cannot be satisfied (also raised when a count would no
// longer fit its 32-bit index).
class EOutOfMemory : public Exception {
public:
    EOutOfMemory() : Exception("Out of memory") {}
};

// A failure of the file system or the operating system; carries the
// system's own error code and message.
class EInOutError : public Exception {
public:
    EInOutError(int errorCode, const std::string& message)
        : Exception(message), FErrorCode(errorCode) {}
    int ErrorCode() const noexcept { return FErrorCode; }

private:
    int FErrorCode;
};

// A name that opened as a device or a pipe where only a file on a disk is
// read (the viewer's loads). The viewer words it in its own language.
class ENotADiskFile : public EInOutError {
public:
    explicit ENotADiskFile(int errorCode) : EInOutError(errorCode, "not a file on a disk") {}
};

}  // namespace rulv
