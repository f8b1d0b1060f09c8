// PathParts.cpp - the file part and the folder part of a path.
#include "common/PathParts.h"

namespace rulv {

namespace {
constexpr std::wstring_view kSeparators = L"\\:";
}  // namespace

std::wstring FilePart(std::wstring_view path) {
    const auto separator = path.find_last_of(kSeparators);
    return std::wstring(separator == std::wstring_view::npos ? path : path.substr(separator + 1));
}

std::wstring FolderPart(std::wstring_view path) {
    const auto separator = path.find_last_of(kSeparators);
    return separator == std::wstring_view::npos ? std::wstring() : std::wstring(path.substr(0, separator + 1));
}

}  // namespace rulv
