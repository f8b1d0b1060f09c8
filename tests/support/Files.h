// Files.h - a file's bytes in and out, and a path's UTF-8 text, the same in
// both builds.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace rulv::test {

// The UTF-8 text of a path, as rulvtool prints a name given to it.
std::string Utf8(const std::filesystem::path& path);

// The file's bytes; an empty text when it cannot be read.
std::string ReadBytes(const std::filesystem::path& name);
// Writes `bytes` as the whole file; throws when it cannot.
void WriteBytes(const std::filesystem::path& name, std::string_view bytes);
// The same as another program's save, which tries again for up to a second
// while a reader holds the file and lets nobody write it; false when it
// never could.
bool RewriteFile(const std::filesystem::path& name, std::string_view bytes);

// A file or folder of the source or build tree, named by its build-time
// path (a Linux path; on Windows it is reached through drive Z:, where Wine
// shows the Linux root).
std::filesystem::path TreePath(std::string_view buildTimePath);

}  // namespace rulv::test
