// FuzzReplay.cpp - a fuzz target's function over saved inputs, without
// libFuzzer: every corpus and regression input stays a test of the normal
// builds (natively, and as an .exe under Wine), so that a finding stays
// fixed on every compiler. A finding aborts, which fails the test.
//
//   colormap_replay FOLDER_OR_FILE...   (absolute paths as the build names them)
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/Files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> InputsOf(const fs::path& name) {
    std::vector<fs::path> inputs;
    if (fs::is_directory(name)) {
        for (const auto& entry : fs::directory_iterator(name)) {
            if (entry.is_regular_file()) inputs.push_back(entry.path());
        }
        std::sort(inputs.begin(), inputs.end());
    } else {
        inputs.push_back(name);
    }
    return inputs;
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const fs::path name = rulv::test::TreePath(argv[i]);
        if (!fs::exists(name)) {
            std::fprintf(stderr, "replay: %s does not exist\n", argv[i]);
            return 2;
        }
        for (const fs::path& input : InputsOf(name)) {
            std::ifstream file(input, std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            ++replayed;
        }
    }
    std::printf("replay: %zu inputs, no finding\n", replayed);
    return replayed == 0 ? 2 : 0;
}
