// ThumbnailBench.cpp - how long RulvThumbnail.dll takes for a picture of
// 256 pixels, from opening the file's stream to releasing the provider,
// for maps of 10,000,000 colours and for the largest inputs that must fail:
// the median and the longest wall time of the rounds, and the median of
// the thread's processor time (user and kernel).
//
//   ThumbnailBench.exe RulvThumbnail.dll [rounds]
//
// The DLL is loaded as COM loads it and asked for its class factory
// directly, so nothing needs registering. The maps are written into the
// temporary folder and read from the page cache.
#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "shell/ThumbnailProvider.h"

namespace {

using Clock = std::chrono::steady_clock;

struct TCase {
    const char* name;
    std::string data;
};

std::string ColorLines(std::size_t count) {
    std::string lines;
    lines.reserve(count * 8);
    for (std::size_t i = 0; i < count; ++i) lines += "00FF80\r\n";
    return lines;
}

std::vector<TCase> Cases() {
    constexpr std::size_t kLinesIn64MiB = (std::size_t{64} << 20) / 8;  // "RRGGBB" CR LF
    constexpr std::size_t kLinesOfMixed = kLinesIn64MiB - 8;
    return {
        {"#GRAD of 10,000,000 colours", "#GRAD 000000,FFFFFF,10000000\r\n"},
        {"#LINE of 10,000,000 colours", "#LINE 0,0.37,10,-0.21,255,1.7,10000000\r\n"},
        {"10,000,000 colours, 64 MiB: lines and #LINE",
         ColorLines(kLinesOfMixed) + "#LINE 0,0.37,10,-0.21,255,1.7," + std::to_string(10'000'000 - kLinesOfMixed) +
             "\r\n"},
        {"fails: #GRAD of 2,000,000,000 colours", "#GRAD 000000,FFFFFF,2000000000\r\n"},
        {"fails: 64 MiB of lines and one byte more", ColorLines(kLinesIn64MiB) + "*"},
        {"fails: 64 MiB of lines, the last faulty", ColorLines(kLinesIn64MiB - 1) + "GGGGGG\r\n"},
        {"fails: a #GRAD line of 1 MiB and a byte", "#GRAD 000000,FFFFFF," + std::string(1 << 20, ' ') + "2"},
    };
}

// This thread's processor time, user and kernel, in milliseconds.
double ThreadMilliseconds() {
    FILETIME created{}, ended{}, kernel{}, user{};
    GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
    const auto ticks = [](FILETIME time) { return (ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10'000.0;
}

struct TTimes {
    double Wall;
    double Processor;
};

// One picture from `factory` for the file `map`: its time in milliseconds.
TTimes OnePicture(IClassFactory& factory, const std::wstring& map, HRESULT& result) {
    const double processor = ThreadMilliseconds();
    const auto start = Clock::now();
    IStream* stream = nullptr;
    result = SHCreateStreamOnFileEx(map.c_str(), STGM_READ | STGM_SHARE_DENY_WRITE, 0, FALSE, nullptr, &stream);
    if (SUCCEEDED(result)) {
        IInitializeWithStream* initialize = nullptr;
        result =
            factory.CreateInstance(nullptr, __uuidof(IInitializeWithStream), reinterpret_cast<void**>(&initialize));
        if (SUCCEEDED(result)) {
            IThumbnailProvider* provider = nullptr;
            result = initialize->Initialize(stream, STGM_READ);
            if (SUCCEEDED(result)) {
                result = initialize->QueryInterface(__uuidof(IThumbnailProvider), reinterpret_cast<void**>(&provider));
            }
            if (SUCCEEDED(result)) {
                HBITMAP bitmap = nullptr;
                WTS_ALPHATYPE alpha{};
                result = provider->GetThumbnail(256, &bitmap, &alpha);
                if (bitmap != nullptr) DeleteObject(bitmap);
                provider->Release();
            }
            initialize->Release();
        }
        stream->Release();
    }
    return {std::chrono::duration<double, std::milli>(Clock::now() - start).count(), ThreadMilliseconds() - processor};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: ThumbnailBench RulvThumbnail.dll [rounds]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::max(1, _wtoi(argv[2])) : 7;
    const HMODULE module = LoadLibraryW(argv[1]);
    const auto getClassObject = module == nullptr ? nullptr
        : reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
              reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    IClassFactory* factory = nullptr;
    if (getClassObject == nullptr ||
        FAILED(getClassObject(rulv::shell::kThumbnailProviderClass, __uuidof(IClassFactory),
                              reinterpret_cast<void**>(&factory)))) {
        std::fprintf(stderr, "ThumbnailBench: no thumbnail provider in %ls\n", argv[1]);
        return 2;
    }
    const std::filesystem::path map = std::filesystem::temp_directory_path() / L"rulv-thumbnail-bench.rulv";
    std::printf("%-46s %10s %10s %10s  %s\n", "map (picture of 256 x 64)", "median", "max", "processor", "result");
    for (const TCase& test : Cases()) {
        std::ofstream(map, std::ios::binary | std::ios::trunc)
            .write(test.data.data(), static_cast<std::streamsize>(test.data.size()));
        std::vector<double> walls, processors;
        HRESULT result = S_OK;
        OnePicture(*factory, map.wstring(), result);  // the file into the page cache
        for (int round = 0; round < rounds; ++round) {
            const TTimes times = OnePicture(*factory, map.wstring(), result);
            walls.push_back(times.Wall);
            processors.push_back(times.Processor);
        }
        const double longest = *std::max_element(walls.begin(), walls.end());
        std::printf("%-46s %7.1f ms %7.1f ms %7.1f ms  0x%08lX\n", test.name, Median(walls), longest,
                    Median(processors), static_cast<unsigned long>(result));
    }
    std::filesystem::remove(map);
    factory->Release();
    return 0;
}
