// LoaderTest.cpp - the loader: line ends, line numbers, results, real files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <random>
#include <span>
#include <string>
#include <utility>

#include "colormap/ColorMap.h"
#include "colormap/PlainLines.h"
#include "common/Errors.h"
#include "tests/support/TempFolder.h"

#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace rulv {
namespace {

using namespace std::string_literals;

// Hands out the data one byte per read, so that every line end and every
// Ctrl-Z falls on a chunk boundary somewhere.
class TByteByByteInput final : public TByteSource {
public:
    explicit TByteByByteInput(std::string_view data) : FData(data) {}
    std::size_t Read(char* buffer, std::size_t capacity) override {
        if (FData.empty() || capacity == 0) return 0;
        buffer[0] = FData.front();
        FData.remove_prefix(1);
        return 1;
    }

private:
    std::string_view FData;
};

const TPaletteArray kSentinel{0x123456, 0x654321};

std::string Repeated(std::string_view text, int times) {
    std::string result;
    for (int i = 0; i < times; ++i) result += text;
    return result;
}

// Colours given as runs: {colour, how many times}.
TPaletteArray Runs(std::initializer_list<std::pair<TPackedColor, int>> runs) {
    TPaletteArray colors;
    for (const auto& [color, times] : runs) colors.insert(colors.end(), static_cast<std::size_t>(times), color);
    return colors;
}

struct TCase {
    const char* name;
    std::string data;
    ColorMapResult result;
    TPaletteArray colors;  // what the caller's array holds afterwards
};

const TCase kCases[] = {
    {"empty file", "", -2, kSentinel},
    {"only empty lines", "\r\n\r\n\r", -2, kSentinel},
    {"comments and foreign directives", "* a map\r\n#palette\r\n#\r\n", -2, kSentinel},
    {"a gradient of no colour", "#GRAD 000000,FFFFFF,-1", -2, kSentinel},
    {"CR LF", "FF0000\r\n00FF00\r\n", 0, {0x0000FF, 0x00FF00}},
    {"CR alone", "FF0000\r00FF00\r0000FF", 0, {0x0000FF, 0x00FF00, 0xFF0000}},
    {"no line end at the end", "FF0000\r\n00FF00", 0, {0x0000FF, 0x00FF00}},
    {"LF alone makes one line", "FF0000\n00FF00\nGARBAGE\n", 0, {0x0000FF}},
    {"LF alone after a comment", "* x\nFF0000\n", -2, kSentinel},
    {"LF alone after a gradient", "#GRAD 000000,FFFFFF,2\n000000\n", 1, kSentinel},
    {"CR CR LF: an empty line between", "FF0000\r\r\n00FF00", 0, {0x0000FF, 0x00FF00}},
    {"LF CR: the LF opens the next line", "FF0000\r\n\n00FF00\r\n", 2, kSentinel},
    {"Ctrl-Z ends the data", "FF0000\r\n\x1A" "faulty line\r\n", 0, {0x0000FF}},
    {"Ctrl-Z inside a line", "FF0000\r\n00FF00\x1A trailing", 0, {0x0000FF, 0x00FF00}},
    {"Ctrl-Z right after CR", "FF0000\r\x1A\n", 0, {0x0000FF}},
    {"Ctrl-Z at the start", "\x1A" "FF0000", -2, kSentinel},
    {"faulty first line", "oops\r\nFF0000", 1, kSentinel},
    {"faulty line after three comments", "*a\r\n*b\r\n*c\r\nFF00\r\n", 4, kSentinel},
    {"first of two faulty lines", "FF0000\r\n\r\nbad\r\nworse\r\n", 3, kSentinel},
    {"fault at every line kind",
     "000000\r\n#GRAD 000000,FFFFFF,0\r\n", 2, kSentinel},
    {"fault in a linear run", "\r\n#LINE 0,1,0,1,0,1\r\n", 2, kSentinel},
    {"line of blanks", "FF0000\r\n   \r\n", 2, kSentinel},
    {"Japanese comment", "* \x90\xd4\x82\xa2\x90\x46\r\nFF0000 \x90\xd4\r\n", 0, {0x0000FF}},
    {"directive lines count", "#GRAD 000000,FFFFFF,2\r\n#LINE 250,1,0,0,10,-1,2\r\n", 0,
     {0x000000, 0x808080, 0x0A00FA, 0x0900FB}},
    // Runs of plain colour lines, which the reader takes several at a time
    // where a chunk holds them (never byte by byte): where a run ends.
    {"a fault after a run", Repeated("000000\r\n", 20) + "GG0000\r\n", 21, kSentinel},
    {"a run to the end of the data", Repeated("0A0B0C\r\n", 3) + "FFFFFF", 0,
     {0x0C0B0A, 0x0C0B0A, 0x0C0B0A, 0xFFFFFF}},
    {"a run ended by a line end at the end", Repeated("0A0B0C\r\n", 2) + "FFFFFF\r", 0,
     {0x0C0B0A, 0x0C0B0A, 0xFFFFFF}},
    {"a run of CR alone", "000001\r000002\r000003\r\n0000GG\r\n", 4, kSentinel},
    {"a run broken by a colour with text", "000001\r\n000002 two\r\n000003\r\n", 0,
     {0x010000, 0x020000, 0x030000}},
    {"a run broken by a short line", "000001\r\n00002\r\n000003\r\n", 0, {0x010000, 0x020000, 0x030000}},
    {"a run up to a Ctrl-Z", "000001\r\n000002\r\n\x1A" "000003\r\n", 0, {0x010000, 0x020000}},
    {"a run with a Ctrl-Z for a line feed", "000001\r\n000002\r\x1A" "000003\r\n", 0, {0x010000, 0x020000}},
    {"a run in small letters", Repeated("abcdef\r\n", 10), 0, TPaletteArray(10, 0xEFCDAB)},
    // "000002\n000003" is one line: a colour and its text.
    {"a run with a line feed alone", "000001\r\n000002\n000003\r\n", 0, {0x010000, 0x020000}},
    {"a run and an empty line", "000001\r\n\r\n000003\r\n", 0, {0x010000, 0x030000}},
    // Lines of six digits and CR LF, which the reader takes eight at a
    // time: a fault, or another line end, inside such a block of eight.
    {"a fault in a block of eight", Repeated("000000\r\n", 11) + "00G000\r\n" + Repeated("000000\r\n", 20), 12,
     kSentinel},
    {"a CR alone in a block of eight", Repeated("000000\r\n", 3) + "000001\r" + Repeated("000002\r\n", 17), 0,
     Runs({{0x000000, 3}, {0x010000, 1}, {0x020000, 17}})},
    {"a block that ends at a Ctrl-Z", Repeated("000001\r\n", 7) + "000002\r\x1A" + Repeated("000003\r\n", 9), 0,
     Runs({{0x010000, 7}, {0x020000, 1}})},
    // More than a chunk of 64 KiB, out of step with it by a CR alone, and
    // more colours than the counting read's room of 1024.
    {"blocks across chunks", "000000\r" + Repeated("0A0B0C\r\n", 9000) + "000001", 0,
     Runs({{0x000000, 1}, {0x0C0B0A, 9000}, {0x010000, 1}})},
    {"a fault after blocks across chunks", "000000\r" + Repeated("0A0B0C\r\n", 9000) + "0G\r\n", 9002, kSentinel},
    {"a long gradient", "#GRAD 000000,000000,3000\r\n", 0, Runs({{0x000000, 3000}})},
};

TEST(Loader, LineHandlingTable) {
    for (const TCase& test : kCases) {
        TPaletteArray whole = kSentinel;
        TMemoryInput memory(test.data);
        EXPECT_EQ(ReadColorMap(memory, whole, '.'), test.result) << test.name;
        EXPECT_EQ(whole, test.colors) << test.name;

        TPaletteArray byByte = kSentinel;
        TByteByByteInput bytes(test.data);
        EXPECT_EQ(ReadColorMap(bytes, byByte, '.'), test.result) << test.name << " (byte by byte)";
        EXPECT_EQ(byByte, test.colors) << test.name << " (byte by byte)";

        // A read that only counts the colours finds the same.
        std::int64_t count = -1;
        TMemoryInput again(test.data);
        EXPECT_EQ(ReadColorMap(again, count, '.'), test.result) << test.name << " (counted)";
        EXPECT_EQ(count, test.result == 0 ? static_cast<std::int64_t>(test.colors.size()) : -1) << test.name;

        // Handed over in place: the same colours, and nothing on a failure.
        TPaletteArray used = kSentinel;
        TMemoryInput inPlace(test.data);
        const auto use = [&used](std::span<const TPackedColor> colors) { used.assign(colors.begin(), colors.end()); };
        EXPECT_EQ(ReadColorMap(inPlace, use, '.', TPalette::kMaxColors), test.result) << test.name << " (in place)";
        EXPECT_EQ(used, test.colors) << test.name << " (in place)";
    }
}

TEST(Loader, ALimitedReadStopsAtItsLimit) {
    const struct {
        const char* data;
        ColorMapResult result;
        std::int64_t colors;  // handed over, or where the faulty line stopped
    } rows[] = {
        {"#GRAD 000000,FFFFFF,3000\r\n", 0, 3000},
        {"#GRAD 000000,FFFFFF,3001\r\n", 1, 3000},
        {"* a comment\r\n#GRAD 000000,FFFFFF,2000000000\r\n", 2, 3000},
        {"#GRAD 000000,FFFFFF,2999\r\n000000\r\n000000\r\n", 3, 3000},
    };
    for (const auto& row : rows) {
        TMemoryInput input(row.data);
        TColorMapReport report;
        std::int64_t used = -1;
        const auto use = [&used](std::span<const TPackedColor> colors) { used = std::ssize(colors); };
        EXPECT_EQ(ReadColorMap(input, use, '.', 3000, &report), row.result) << row.data;
        if (row.result == kColorMapLoaded) {
            EXPECT_EQ(used, row.colors) << row.data;
        } else {
            EXPECT_EQ(used, -1) << row.data;
            ASSERT_TRUE(report.Fault.has_value()) << row.data;
            EXPECT_EQ(report.Fault->Kind, TLineFaultKind::TooManyColors) << row.data;
            EXPECT_EQ(report.Fault->Index, row.colors) << row.data;
        }
    }
}

// Eight plain lines at once, in the processor's wide registers, against
// the portable reading of the same block: blocks of random digits in both
// cases with every byte value in turn at every place.
TEST(Loader, BlocksOfPlainLinesReadAsThePortableWay) {
    std::mt19937 random(5);
    constexpr std::string_view kDigits = "0123456789abcdefABCDEF";
    for (int trial = 0; trial < 60; ++trial) {
        std::string block;
        for (int line = 0; line < line_grammar::kBlockLines; ++line) {
            for (int i = 0; i < 6; ++i) block += kDigits[random() % kDigits.size()];
            block += "\r\n";
        }
        for (std::size_t place = 0; place < block.size(); ++place) {
            for (int byte = 0; byte < 256; ++byte) {
                std::string changed = block;
                changed[place] = static_cast<char>(byte);
                TPackedColor wide[8] = {}, portable[8] = {};
                const bool read = line_grammar::DecodeBlockOfLines(changed.data(), wide);
                ASSERT_EQ(read, line_grammar::DecodeBlockOfLinesPortable(changed.data(), portable)) << place << " " << byte;
                if (read) {
                    ASSERT_TRUE(std::equal(std::begin(wide), std::end(wide), std::begin(portable))) << place;
                }
            }
        }
    }
}

TEST(Loader, LongLinesKeepOnlyWhatTheirKindNeeds) {
    const std::string longComment = "*" + std::string(3'000'000, 'x') + "\r\n";
    const std::string longColor = "00FF00" + std::string(3'000'000, ' ') + "\r\n";
    const std::string longGradient = "#GRAD 000000" + std::string(3'000'000, ' ') + ",FFFFFF,2\r\n";
    const std::string data = longComment + longColor + longGradient + "#" + std::string(200'000, 'q');
    for (const bool byByte : {false, true}) {
        TPaletteArray colors;
        TMemoryInput memory(data);
        TByteByByteInput bytes(data);
        TByteSource* source = byByte ? static_cast<TByteSource*>(&bytes) : &memory;
        ASSERT_EQ(ReadColorMap(*source, colors, '.'), 0);
        EXPECT_EQ(colors, (TPaletteArray{0x00FF00, 0x000000, 0x808080}));
    }
}

// --- Real files ----------------------------------------------------------

class LoaderFiles : public ::testing::Test {
protected:
    test::TTempFolder FFolder;
};

TEST_F(LoaderFiles, MissingNamesAndFoldersGiveMinusOne) {
    TPaletteArray colors = kSentinel;
    EXPECT_EQ(LoadColorMapFile(FFolder / "nothing.rulv", colors, '.'), -1);
    EXPECT_EQ(LoadColorMapFile(FFolder.Path(), colors, '.'), -1);
    std::filesystem::create_directory(FFolder / "maps.rulv");
    EXPECT_EQ(LoadColorMapFile(FFolder / "maps.rulv", colors, '.'), -1);
    EXPECT_EQ(colors, kSentinel);
}

TEST_F(LoaderFiles, ReadsAFileOf1025ColorsInOrder) {
    std::string data;
    TPaletteArray expected;
    for (int i = 0; i < 1025; ++i) {
        const TPackedColor color = PackColor(i & 0xFF, (i >> 8) & 0xFF, (i * 7) & 0xFF);
        data += HexColorText(color) + "\r\n";
        expected.push_back(color);
    }
    TPaletteArray colors = kSentinel;
    EXPECT_EQ(LoadColorMapFile(FFolder.Write("big.rulv", data), colors, '.'), 0);
    EXPECT_EQ(colors, expected);
}

TEST_F(LoaderFiles, FailuresLeaveTheCallersArrayAlone) {
    TPaletteArray colors = kSentinel;
    EXPECT_EQ(LoadColorMapFile(FFolder.Write("bad.rulv", "FF0000\r\n#GRAD 1,2,3\r\n"), colors, '.'), 2);
    EXPECT_EQ(LoadColorMapFile(FFolder.Write("none.rulv", "* nothing\r\n"), colors, '.'), -2);
    EXPECT_EQ(colors, kSentinel);
}

TEST_F(LoaderFiles, OpensNamesOutsideTheAnsiCodePage) {
    // Japanese, Greek and an emoji: no single ANSI code page holds them all.
    const std::filesystem::path name(u8"色地図 Χάρτης \U0001F308.rulv");
    TPaletteArray colors;
    EXPECT_EQ(LoadColorMapFile(FFolder.Write(name, "#GRAD FF0000,0000FF,4\r\n"), colors, '.'), 0);
    EXPECT_EQ(colors, (TPaletteArray{0x0000FF, 0x4000BF, 0x80007F, 0xBF0040}));
}

TEST_F(LoaderFiles, ReadErrorsLeaveAsInputOutputErrors) {
    TPaletteArray colors = kSentinel;
#ifdef _WIN32
    // Another program holds the file open for writing: we may not share it.
    const std::filesystem::path path = FFolder.Write("busy.rulv", "FF0000\r\n");
    const HANDLE writer = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    try {
        LoadColorMapFile(path, colors, '.');
        ADD_FAILURE() << "a file held open for writing must not open";
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.ErrorCode(), ERROR_SHARING_VIOLATION);
        EXPECT_STRNE(error.what(), "");
    }
    ::CloseHandle(writer);
    EXPECT_EQ(LoadColorMapFile(path, colors, '.'), 0) << "and opens again once the writer is gone";
#else
    // Reading the first page of our own address space fails with EIO.
    if (!std::filesystem::exists("/proc/self/mem")) GTEST_SKIP() << "no /proc here";
    EXPECT_THROW(LoadColorMapFile("/proc/self/mem", colors, '.'), EInOutError);
    EXPECT_EQ(colors, kSentinel);
#endif
}

#ifdef _WIN32
TEST_F(LoaderFiles, TheViewerReadsNoPipeAndNoDevice) {
    // A named pipe that would wait for a writer forever.
    const std::wstring name = L"\\\\.\\pipe\\rulv-loader-" + std::to_wstring(GetCurrentProcessId());
    const HANDLE pipe = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1, 4096, 4096, 0, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    const TPaletteArray sentinel{0x123456};
    TPaletteArray colors = sentinel;
    try {
        LoadColorMapFile(std::filesystem::path(name), colors, '.');
        ADD_FAILURE() << "a named pipe was read";
    } catch (const ENotADiskFile&) {
        // refused before anything was read; any other error fails the test
    }
    EXPECT_EQ(colors, sentinel);
    CloseHandle(pipe);
    // Devices: missing, or refused; never read.
    for (const wchar_t* device : {L"CON", L"NUL", L"COM1", L"\\\\.\\NUL"}) {
        try {
            EXPECT_EQ(LoadColorMapFile(std::filesystem::path(device), colors, '.'), kColorMapMissing) << device;
        } catch (const EInOutError&) {
        }
        EXPECT_EQ(colors, sentinel);
    }
}
#else
TEST_F(LoaderFiles, TheViewerReadsNoFifoAndNoDevice) {
    const std::filesystem::path fifo = FFolder.Path() / "map.rulv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const TPaletteArray sentinel{0x123456};
    TPaletteArray colors = sentinel;
    // No writer: opening it for reading as rulvtool does would wait.
    for (const std::filesystem::path& name : {fifo, std::filesystem::path("/dev/zero")}) {
        try {
            LoadColorMapFile(name, colors, '.');
            ADD_FAILURE() << name << " was read";
        } catch (const ENotADiskFile&) {
            // refused before anything was read; any other error fails the test
        }
        EXPECT_EQ(colors, sentinel);
    }
    // What reads anything reads the FIFO once its writer is there.
    std::thread writer([&] {
        const int descriptor = ::open(fifo.c_str(), O_WRONLY);
        const ssize_t written = ::write(descriptor, "FF0000\r\n", 8);
        static_cast<void>(written);
        ::close(descriptor);
    });
    EXPECT_EQ(LoadColorMapFile(fifo, colors, '.', nullptr, TFileKinds::AnyFile), kColorMapLoaded);
    writer.join();
    EXPECT_EQ(colors, (TPaletteArray{0x0000FF}));
}
#endif

}  // namespace
}  // namespace rulv
