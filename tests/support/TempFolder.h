// TempFolder.h - a fresh, empty folder of a test's own in the system's
// temporary folder, removed with everything in it at the end of its scope.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace rulv::test {

class TTempFolder {
public:
    TTempFolder();
    ~TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const std::filesystem::path& Path() const noexcept { return FPath; }
    // A name in the folder, from UTF-8 text.
    std::filesystem::path operator/(std::string_view utf8Name) const;
    // Writes `bytes` as the file `name` of the folder (its folders created);
    // the file's full name.
    std::filesystem::path Write(const std::filesystem::path& name, std::string_view bytes) const;
    // The names in the folder, sorted (UTF-8).
    std::vector<std::string> Names() const;

private:
    std::filesystem::path FPath;
};

}  // namespace rulv::test
