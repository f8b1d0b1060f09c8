// RenderTest.cpp - rulvtool render: the PNG shows the strip column by
// column as the viewer maps it, and a failed render leaves no file behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/types.h>
#endif

#include "tests/tool/ToolProcess.h"
#include "colormap/ColorScience.h"
#include "colormap/ColumnMapping.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#include <stb_image.h>

namespace rulv::test {
namespace {

namespace fs = std::filesystem;

// A decoded picture: width, height and one RRGGBB text per pixel.
struct TPicture {
    int Width = 0;
    int Height = 0;
    int Channels = 0;
    std::vector<std::string> Pixels;
    const std::string& At(int x, int y) const { return Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) + static_cast<std::size_t>(x)]; }
};

TPicture Decode(const fs::path& png) {
    const std::string bytes = ReadBytes(png);
    TPicture picture;
    std::unique_ptr<stbi_uc, void (*)(void*)> data(
        stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()), static_cast<int>(bytes.size()),
                              &picture.Width, &picture.Height, &picture.Channels, 3),
        stbi_image_free);
    if (!data) return TPicture{};
    const std::size_t count = static_cast<std::size_t>(picture.Width) * static_cast<std::size_t>(picture.Height);
    picture.Pixels.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const stbi_uc* pixel = data.get() + i * 3;
        char text[8];
        std::snprintf(text, sizeof(text), "%02X%02X%02X", pixel[0], pixel[1], pixel[2]);
        picture.Pixels.emplace_back(text);
    }
    return picture;
}

// n distinct colours, entry i being "0000" followed by i in hex: the
// picture names the entry each column shows.
std::string NumberedMap(int count) {
    std::string data;
    char line[16];
    for (int i = 0; i < count; ++i) {
        std::snprintf(line, sizeof(line), "%06X\r\n", i);
        data += line;
    }
    return data;
}

int EntryOf(const std::string& pixel) { return std::stoi(pixel, nullptr, 16); }

class RenderTest : public ::testing::Test {
protected:
    fs::path Map(std::string_view name, std::string_view bytes) const {
        return FScratch.Write(name, bytes);
    }
    TProgramRun Render(const fs::path& map, const fs::path& png, std::string_view size,
                    std::string_view view = {}) const {
        std::vector<TNativeArgument> arguments{Arg("render"), Arg(map), Arg("-o"), Arg(png)};
        if (!size.empty()) arguments.insert(arguments.end(), {Arg("--size"), Arg(std::string(size))});
        if (!view.empty()) arguments.insert(arguments.end(), {Arg("--view"), Arg(std::string(view))});
        return RunTool(arguments, FScratch.Path());
    }
    // Renders and decodes, checking that every row equals the first.
    TPicture RenderPicture(const std::string& data, std::string_view size, std::string_view view = {}) {
        const fs::path png = FScratch / "strip.png";
        const TProgramRun run = Render(Map("strip.rulv", data), png, size, view);
        EXPECT_EQ(run.ExitCode, 0) << run.Err;
        EXPECT_EQ(run.Out, "");
        TPicture picture = Decode(png);
        for (int y = 1; y < picture.Height; ++y) {
            for (int x = 0; x < picture.Width; ++x) EXPECT_EQ(picture.At(x, y), picture.At(x, 0)) << x << "," << y;
        }
        return picture;
    }

    TTempFolder FScratch;
};

TEST_F(RenderTest, StripesFollowTheViewersColumnMapping) {
    struct {
        int count;
        const char* size;
        std::vector<int> firstColumns;  // the entry of columns 0, 1, 2, ...
    } const cases[] = {
        // W = 20, n = 6: columns 0-3 entry 0, 4-6 entry 1, 7-10 entry 2.
        {6, "20x3", {0, 0, 0, 0, 1, 1, 1, 2, 2, 2, 2}},
        // W = 2, n = 10: column 1 shows entry 4 (the scale is rounded first).
        {10, "2x1", {0, 4}},
    };
    for (const auto& test : cases) {
        const TPicture picture = RenderPicture(NumberedMap(test.count), test.size);
        ASSERT_GE(picture.Width, static_cast<int>(test.firstColumns.size())) << test.size;
        for (std::size_t x = 0; x < test.firstColumns.size(); ++x) {
            EXPECT_EQ(EntryOf(picture.At(static_cast<int>(x), 0)), test.firstColumns[x]) << test.size << " column " << x;
        }
    }
}

TEST_F(RenderTest, EveryColumnShowsTheEntryTheViewerPaints) {
    // Wider and narrower than the map: stripes of one or two widths, and
    // entries skipped.
    for (const auto& [count, width] : {std::pair{6, 20}, {7, 427}, {256, 100}, {1000, 427}, {3, 1}}) {
        const std::string size = std::to_string(width) + "x2";
        const TPicture picture = RenderPicture(NumberedMap(count), size);
        ASSERT_EQ(picture.Width, width);
        ASSERT_EQ(picture.Height, 2);
        const TColumnMapping mapping(width, count);
        for (int x = 0; x < width; ++x) {
            EXPECT_EQ(EntryOf(picture.At(x, 0)), mapping.IndexOf(x)) << size << " n=" << count << " column " << x;
        }
        EXPECT_EQ(EntryOf(picture.At(0, 0)), 0);
        EXPECT_LE(EntryOf(picture.At(width - 1, 0)), count - 1);
    }
}

TEST_F(RenderTest, OneColorFillsTheDefaultSize) {
    const TPicture picture = RenderPicture("* one colour\r\n4080C0\r\n", "");
    EXPECT_EQ(picture.Width, 427);
    EXPECT_EQ(picture.Height, 78);
    EXPECT_EQ(picture.Channels, 3);
    EXPECT_TRUE(std::all_of(picture.Pixels.begin(), picture.Pixels.end(),
                            [](const std::string& pixel) { return pixel == "4080C0"; }));
}

TEST_F(RenderTest, FailuresLeaveNoFileBehind) {
    const fs::path good = Map("good.rulv", "FF0000\r\n00FF00\r\n");
    const fs::path faulty = Map("faulty.rulv", "FF0000\r\n\r\nFF00\r\n");
    const fs::path empty = Map("empty.rulv", "* nothing\r\n");
    const fs::path missing = FScratch / "missing.rulv";
    const fs::path folder = FScratch / "folder.rulv";
    fs::create_directory(folder);
    const fs::path png = FScratch / "out.png";
    const std::vector<std::string> before = FScratch.Names();
    struct {
        fs::path map;
        std::string size;
        int exitCode;
        std::string errStart;  // the first line of stderr; "usage" for a usage message
    } const cases[] = {
        {good, "0x78", 2, "usage"},
        {good, "427x0", 2, "usage"},
        {good, "0x0", 2, "usage"},
        {good, "x", 2, "usage"},
        {good, "427x", 2, "usage"},
        {good, "x78", 2, "usage"},
        {good, "-5x10", 2, "usage"},
        {good, "+5x10", 2, "usage"},
        {good, "5x10x2", 2, "usage"},
        {good, "5 x10", 2, "usage"},
        {good, "big", 2, "usage"},
        {good, "10000x10001", 2, "usage"},
        {good, "99999999999x1", 2, "usage"},
        {faulty, "", 1, Utf8(faulty) + ":3:5: error: "},
        {empty, "20x2", 1, Utf8(empty) + ": "},
        {missing, "", 2, Utf8(missing) + ": "},
        {folder, "", 2, Utf8(folder) + ": "},
    };
    for (const auto& test : cases) {
        const TProgramRun run = Render(test.map, png, test.size);
        EXPECT_EQ(run.ExitCode, test.exitCode) << test.size << " " << run.Err;
        if (test.errStart == "usage") {
            EXPECT_NE(run.Err.find("\nusage: rulvtool "), std::string::npos) << test.size << ": " << run.Err;
        } else {
            EXPECT_EQ(run.FirstErrLine().rfind(test.errStart, 0), 0u) << run.Err;
        }
        EXPECT_EQ(FScratch.Names(), before) << test.size << " " << Utf8(test.map);
    }
    // Arguments that do not make a render at all.
    const std::vector<std::vector<TNativeArgument>> commandLines = {
        {Arg("render"), Arg(good)},
        {Arg("render"), Arg(good), Arg("-o")},
        {Arg("render"), Arg(good), Arg("-o"), Arg(png), Arg("--size")},
        {Arg("render"), Arg(good), Arg("-o"), Arg(png), Arg("--colour")},
        {Arg("render"), Arg(good), Arg(good), Arg("-o"), Arg(png)},
    };
    for (const auto& arguments : commandLines) {
        const TProgramRun run = RunTool(arguments, FScratch.Path());
        EXPECT_EQ(run.ExitCode, 2);
        EXPECT_NE(run.Err.find("\nusage: rulvtool "), std::string::npos) << run.Err;
        EXPECT_EQ(FScratch.Names(), before);
    }
}

TEST_F(RenderTest, AnExistingPictureIsReplacedOnlyBySuccess) {
    const fs::path png = FScratch / "strip.png";
    WriteBytes(png, "an older picture");
    const TProgramRun failed = Render(Map("faulty.rulv", "bad\r\n"), png, "20x2");
    EXPECT_EQ(failed.ExitCode, 1);
    EXPECT_EQ(ReadBytes(png), "an older picture");
    const TProgramRun done = Render(Map("good.rulv", "FF8000\r\n"), png, "20x2");
    EXPECT_EQ(done.ExitCode, 0) << done.Err;
    const TPicture picture = Decode(png);
    EXPECT_EQ(picture.Width, 20);
    EXPECT_EQ(picture.At(19, 1), "FF8000");
    EXPECT_EQ(FScratch.Names(), (std::vector<std::string>{"faulty.rulv", "good.rulv", "strip.png"}));
}

TEST_F(RenderTest, UnicodeNamesAndUnwritableOutputs) {
    const fs::path map = Map("色地図_Grün.rulv", "0000FF\r\n");
    const fs::path png = FScratch / "帯_Ωμέγα.png";
    const TProgramRun run = Render(map, png, "4x4");
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(Decode(png).At(3, 3), "0000FF");

    const fs::path nowhere = FScratch / "no such folder" / "strip.png";
    const TProgramRun unwritable = Render(map, nowhere, "4x4");
    EXPECT_EQ(unwritable.ExitCode, 2);
    EXPECT_EQ(unwritable.FirstErrLine().rfind(Utf8(nowhere) + ": ", 0), 0u) << unwritable.Err;
    EXPECT_FALSE(fs::exists(nowhere.parent_path()));
}

// --- views ---------------------------------------------------------------------

std::string PixelText(TPackedColor color) { return HexColorText(color); }

TPackedColor PackedOf(const std::string& pixel) {
    const int value = std::stoi(pixel, nullptr, 16);
    return PackColor((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

TEST_F(RenderTest, EachViewShowsTheColumnsAsThatViewSeesThem) {
    // Primaries, a grey, and red and ochre, which deuteranopes confuse.
    const std::string data = "FF0000\r\n00FF00\r\n0000FF\r\nFFFF00\r\n808080\r\nBE7D00\r\n";
    const TPicture normal = RenderPicture(data, "20x2");
    ASSERT_EQ(normal.Width, 20);
    for (const TVisionView view : kVisionViews) {
        const std::string name(VisionViewName(view));
        const TPicture seen = RenderPicture(data, "20x2", name);
        ASSERT_EQ(seen.Width, 20) << name;
        for (int x = 0; x < seen.Width; ++x) {
            EXPECT_EQ(seen.At(x, 0), PixelText(SimulateView(PackedOf(normal.At(x, 0)), view))) << name << " " << x;
        }
    }
    // The grey view is neutral; only the normal view keeps red and green apart
    // as they are.
    const TPicture grey = RenderPicture(data, "20x2", "grey");
    for (const std::string& pixel : grey.Pixels) {
        EXPECT_EQ(pixel.substr(0, 2) + pixel.substr(0, 2) + pixel.substr(0, 2), pixel);
    }
    EXPECT_NE(RenderPicture(data, "20x2", "deutan").Pixels, normal.Pixels);
    EXPECT_EQ(RenderPicture(data, "20x2", "normal").Pixels, normal.Pixels);
}

TEST_F(RenderTest, GreysLookTheSameInEveryView) {
    const std::string data = "#GRAD 000000,FFFFFF,50\r\nFFFFFF\r\n";
    const TPicture normal = RenderPicture(data, "51x1");
    for (const char* view : {"grey", "protan", "deutan", "tritan"}) {
        EXPECT_EQ(RenderPicture(data, "51x1", view).Pixels, normal.Pixels) << view;
    }
}

TEST_F(RenderTest, UnknownViewsAreRefusedWithoutAFile) {
    const fs::path map = Map("good.rulv", "FF0000\r\n");
    const fs::path png = FScratch / "out.png";
    const std::vector<std::string> before = FScratch.Names();
    for (const char* view : {"", "gray", "Normal", "deuteranopia", "protan "}) {
        const TProgramRun run =
            RunTool({Arg("render"), Arg(map), Arg("-o"), Arg(png), Arg("--view"), Arg(view)}, FScratch.Path());
        EXPECT_EQ(run.ExitCode, 2) << view;
        EXPECT_NE(run.Err.find("--view wants normal, grey, protan, deutan or tritan\nusage: rulvtool "),
                  std::string::npos)
            << run.Err;
        EXPECT_EQ(FScratch.Names(), before) << view;
    }
    const TProgramRun missing = RunTool({Arg("render"), Arg(map), Arg("-o"), Arg(png), Arg("--view")}, FScratch.Path());
    EXPECT_EQ(missing.ExitCode, 2);
    EXPECT_EQ(FScratch.Names(), before);
}

// --- outputs that are no regular file -------------------------------------------

TEST_F(RenderTest, StandardOutputGetsThePictureAsItIs) {
    const fs::path map = Map("good.rulv", "FF8000\r\n0080FF\r\n");
    const fs::path png = FScratch / "file.png";
    ASSERT_EQ(Render(map, png, "8x3").ExitCode, 0);
    const std::vector<std::string> before = FScratch.Names();
    const TProgramRun run =
        RunTool({Arg("render"), Arg(map), Arg("-o"), Arg("-"), Arg("--size"), Arg("8x3")}, FScratch.Path());
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Out, ReadBytes(png)) << "the bytes of the same picture, unchanged (binary on Windows)";
    EXPECT_EQ(FScratch.Names(), before) << "no file named - and no temporary";
}

#ifdef _WIN32
TEST_F(RenderTest, TheNulDeviceIsWrittenAndStaysADevice) {
    const fs::path map = Map("good.rulv", "FF8000\r\n");
    const TProgramRun run = RunTool({Arg("render"), Arg(map), Arg("-o"), Arg("NUL")}, FScratch.Path());
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_FALSE(fs::exists(FScratch / "NUL.rulvtool.tmp"));
    EXPECT_EQ(FScratch.Names(), std::vector<std::string>{"good.rulv"});
}
#else
bool IsCharacterDevice(const char* name) {
    struct stat info {};
    return ::stat(name, &info) == 0 && S_ISCHR(info.st_mode);
}

TEST_F(RenderTest, DevicesAreWrittenAsTheyAreAndNeverReplaced) {
    // As root, rename(2) would replace even /dev/full with a file.
    const fs::path map = Map("good.rulv", "FF8000\r\n");
    ASSERT_TRUE(IsCharacterDevice("/dev/null"));
    const TProgramRun null = RunTool({Arg("render"), Arg(map), Arg("-o"), Arg("/dev/null")}, FScratch.Path());
    EXPECT_EQ(null.ExitCode, 0) << null.Err;
    EXPECT_TRUE(IsCharacterDevice("/dev/null"));
    if (!IsCharacterDevice("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    const TProgramRun full = RunTool({Arg("render"), Arg(map), Arg("-o"), Arg("/dev/full")}, FScratch.Path());
    EXPECT_EQ(full.ExitCode, 2);
    EXPECT_EQ(full.FirstErrLine(), "/dev/full: " + std::generic_category().message(ENOSPC)) << full.Err;
    EXPECT_TRUE(IsCharacterDevice("/dev/full")) << "the device was replaced";
    EXPECT_EQ(FScratch.Names(), std::vector<std::string>{"good.rulv"});
}

TEST_F(RenderTest, AFifoIsWrittenThroughAndStaysAFifo) {
    const fs::path map = Map("good.rulv", "FF8000\r\n0080FF\r\n");
    const fs::path png = FScratch / "file.png";
    ASSERT_EQ(Render(map, png, "8x3").ExitCode, 0);
    const fs::path fifo = FScratch / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = ReadBytes(fifo); });
    const TProgramRun run = Render(map, fifo, "8x3");
    reader.join();
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(received, ReadBytes(png));
    struct stat info {};
    ASSERT_EQ(::stat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "the FIFO was replaced by a file";
}
#endif

}  // namespace
}  // namespace rulv::test
