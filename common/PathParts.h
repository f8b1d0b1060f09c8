// PathParts.h - the file part and the folder part of a path.
//
// The separator is the last "\" or ":". Names are UTF-16, so the second
// byte of a double-byte character can never pass for a separator
// (C:\表\viewer.exe has its folder part C:\表\).
#pragma once

#include <string>
#include <string_view>

namespace rulv {

// What follows the separator; the whole name when there is none
// (C:\maps\sunset.rulv gives sunset.rulv).
std::wstring FilePart(std::wstring_view path);

// Everything up to and including the separator; empty when there is none
// (C:\Tools\viewer.exe gives C:\Tools\).
std::wstring FolderPart(std::wstring_view path);

}  // namespace rulv
