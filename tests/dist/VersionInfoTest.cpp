// VersionInfoTest.cpp - the version resources of RulvView.exe, rulvtool.exe
// and RulvThumbnail.dll, read back the way Explorer reads them for a file's
// properties: GetFileVersionInfoW, then VerQueryValueW through the
// resource's own translation table.
#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "tests/support/Files.h"

namespace {

std::wstring Widen(const char* ascii) { return std::wstring(ascii, ascii + std::char_traits<char>::length(ascii)); }

// The whole version resource of a file; empty when it has none.
std::vector<BYTE> ReadVersionInfo(const std::wstring& file) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    std::vector<BYTE> data(size);
    if (size == 0 || !GetFileVersionInfoW(file.c_str(), 0, size, data.data())) data.clear();
    return data;
}

// The StringFileInfo block the resource's first translation names, as
// "\StringFileInfo\041104B0\".
std::wstring StringBlock(std::vector<BYTE>& info) {
    struct TTranslation {
        WORD language;
        WORD codePage;
    };
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", &value, &length) ||
        length < sizeof(TTranslation))
        return L"";
    const auto* translation = static_cast<const TTranslation*>(value);
    wchar_t block[40];
    swprintf(block, 40, L"\\StringFileInfo\\%04X%04X\\", translation->language, translation->codePage);
    return block;
}

// One string of the block; "(none)" when it is missing.
std::wstring StringValue(std::vector<BYTE>& info, const std::wstring& block, const wchar_t* name) {
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info.data(), (block + name).c_str(), &value, &length)) return L"(none)";
    return std::wstring(static_cast<const wchar_t*>(value), length > 0 ? length - 1 : 0);
}

struct TProgram {
    const char* path;
    const wchar_t* fileName;
    const wchar_t* description;
    DWORD fileType;
};

const TProgram kPrograms[] = {
    {RULV_VIEWER_PATH, L"RulvView.exe", L"RULV Viewer", VFT_APP},
    {RULVTOOL_PATH, L"rulvtool.exe", L"RULV Viewer command-line tool", VFT_APP},
    {RULV_THUMBNAIL_PATH, L"RulvThumbnail.dll", L"RULV Viewer thumbnail handler", VFT_DLL},
};

TEST(VersionInfo, FixedPartCarriesTheProjectVersion) {
    const DWORD expectedMs = MAKELONG(RULV_VERSION_MINOR_NUMBER, RULV_VERSION_MAJOR_NUMBER);
    for (const auto& program : kPrograms) {
        std::vector<BYTE> info = ReadVersionInfo(rulv::test::TreePath(program.path));
        ASSERT_FALSE(info.empty()) << program.path << " has no version resource";
        void* value = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", &value, &length)) << program.path;
        ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO)) << program.path;
        const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
        EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu) << program.path;
        EXPECT_EQ(fixed->dwFileVersionMS, expectedMs) << program.path;
        EXPECT_EQ(fixed->dwFileVersionLS, 0u) << program.path;
        EXPECT_EQ(fixed->dwProductVersionMS, expectedMs) << program.path;
        EXPECT_EQ(fixed->dwProductVersionLS, 0u) << program.path;
        EXPECT_EQ(fixed->dwFileType, program.fileType) << program.path;
    }
}

TEST(VersionInfo, StringsNameProductMakerVersionAndFile) {
    const std::wstring version = Widen(RULV_PROJECT_VERSION);
    for (const auto& program : kPrograms) {
        std::vector<BYTE> info = ReadVersionInfo(rulv::test::TreePath(program.path));
        ASSERT_FALSE(info.empty()) << program.path << " has no version resource";
        const std::wstring block = StringBlock(info);
        ASSERT_FALSE(block.empty()) << program.path << " has no translation table";
        const struct {
            const wchar_t* name;
            std::wstring expected;
        } rows[] = {
            {L"ProductName", L"RULV Viewer"},
            {L"CompanyName", L"Wuld"},
            {L"FileVersion", version},
            {L"ProductVersion", version},
            {L"FileDescription", program.description},
            {L"OriginalFilename", program.fileName},
            {L"InternalName", program.fileName},
        };
        for (const auto& row : rows)
            EXPECT_EQ(StringValue(info, block, row.name), row.expected)
                << program.path << " " << row.name;
    }
}

}  // namespace
