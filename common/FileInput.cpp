// FileInput.cpp - the parts of file input that are the same everywhere.
#include "common/FileInput.h"

#include <algorithm>
#include <cstring>

#include "common/Errors.h"
#include "common/SystemError.h"

namespace rulv {

void RaiseNotADiskFile(int errorCode) { throw ENotADiskFile(errorCode); }

std::size_t TMemoryInput::Read(char* buffer, std::size_t capacity) {
    const std::size_t count = std::min(capacity, FData.size());
    if (count != 0) std::memcpy(buffer, FData.data(), count);
    FData.remove_prefix(count);
    return count;
}

}  // namespace rulv
