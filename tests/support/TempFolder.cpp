// TempFolder.cpp - the test's own temporary folder.
#include "tests/support/TempFolder.h"

#include <algorithm>
#include <atomic>
#include <random>
#include <system_error>

#include "tests/support/Files.h"

namespace rulv::test {

namespace fs = std::filesystem;

TTempFolder::TTempFolder() {
    // A name no earlier run left behind and no test program running beside
    // this one holds: creating the folder is the test, so a name taken
    // meanwhile only costs another try.
    static std::atomic<unsigned> serial{0};
    std::random_device random;
    const fs::path base = fs::temp_directory_path();
    do {
        FPath = base / ("rulv-test-" + std::to_string(random()) + "-" + std::to_string(++serial));
    } while (!fs::create_directory(FPath));
}

TTempFolder::~TTempFolder() {
    std::error_code ignored;
#ifdef _WIN32
    // Through the long-path form: some tests build names past MAX_PATH.
    fs::remove_all(fs::path(L"\\\\?\\" + FPath.wstring()), ignored);
#else
    fs::remove_all(FPath, ignored);
#endif
}

fs::path TTempFolder::operator/(std::string_view utf8Name) const {
    return FPath / fs::path(std::u8string(utf8Name.begin(), utf8Name.end()));
}

fs::path TTempFolder::Write(const fs::path& name, std::string_view bytes) const {
    fs::path path = FPath / name;
    fs::create_directories(path.parent_path());
    WriteBytes(path, bytes);
    return path;
}

std::vector<std::string> TTempFolder::Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(FPath)) names.push_back(Utf8(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace rulv::test
