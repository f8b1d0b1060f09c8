// Files.cpp - file bytes and path texts for the tests.
#include "tests/support/Files.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

#include "tests/support/Process.h"

namespace rulv::test {

namespace fs = std::filesystem;

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string ReadBytes(const fs::path& name) {
    std::ifstream file(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& name, std::string_view bytes) {
    std::ofstream file(name, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file.flush()) throw std::runtime_error("cannot write " + Utf8(name));
}

bool RewriteFile(const fs::path& name, std::string_view bytes) {
    for (int tries = 0; tries < 1000; ++tries) {
        std::ofstream file(name, std::ios::binary | std::ios::trunc);
        if (!file) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return static_cast<bool>(file.flush());
    }
    return false;
}

fs::path TreePath(std::string_view buildTimePath) {
#ifdef _WIN32
    std::string windows = "Z:" + std::string(buildTimePath);
    std::replace(windows.begin(), windows.end(), '/', '\\');
    return fs::path(Arg(windows));
#else
    return fs::path(Arg(buildTimePath));
#endif
}

}  // namespace rulv::test
