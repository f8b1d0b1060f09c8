// PathPartsTest.cpp - the file part and the folder part of a path.
#include <gtest/gtest.h>

#include "common/PathParts.h"

namespace rulv {
namespace {

TEST(PathParts, CutAtTheLastBackslashOrColon) {
    const struct {
        const wchar_t* name;
        const wchar_t* folder;
        const wchar_t* file;
    } rows[] = {
        {L"C:\\maps\\sunset.rulv", L"C:\\maps\\", L"sunset.rulv"},
        {L"C:sunset.rulv", L"C:", L"sunset.rulv"},
        {L"sunset.rulv", L"", L"sunset.rulv"},
        {L"..\\a\\b:c.rulv", L"..\\a\\b:", L"c.rulv"},
        {L"C:\\maps\\", L"C:\\maps\\", L""},
        {L"C:\\Tools\\viewer.exe", L"C:\\Tools\\", L"viewer.exe"},
        {L"", L"", L""},
        // 表 and ソ end in 0x5C in code page 932; in UTF-16 they are letters.
        {L"C:\\表示\\ソフト.rulv", L"C:\\表示\\", L"ソフト.rulv"},
        {L"C:\\表\\viewer.exe", L"C:\\表\\", L"viewer.exe"},
        {L"表ソ.rulv", L"", L"表ソ.rulv"},
        {L"a/b.rulv", L"", L"a/b.rulv"},  // a slash is no separator of ours
    };
    for (const auto& row : rows) {
        EXPECT_EQ(FolderPart(row.name), row.folder) << row.name;
        EXPECT_EQ(FilePart(row.name), row.file) << row.name;
        EXPECT_EQ(FolderPart(row.name) + FilePart(row.name), row.name) << "the parts make up the path";
    }
}

}  // namespace
}  // namespace rulv
