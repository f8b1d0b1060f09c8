// MainMenuHelpTest.cpp - the help menu of the real viewer window: the help
// command opens RulvView.html from the program's folder through the shell,
// and the about command shows the box with the values of dlgAbout.
#include "tests/help/HelpTestSupport.h"

#include "resources/resource.h"
#include "tests/support/MessageBoxWatcher.h"
#include "tests/support/TempFolder.h"
#include "tests/support/ViewerWindow.h"

#include <gtest/gtest.h>

namespace rulv::test {
namespace {

TEST(MainMenuHelp, HelpCommandOpensTheDocumentBesideTheProgram) {
    StartApplication();
    // The build puts RulvView.html beside this test program, as beside
    // RulvView.exe.
    ASSERT_TRUE(FileExists(TestProgramFolder() + L"RulvView.html"));
    TTempFolder temp;
    const std::wstring record = (temp.Path() / L"record.txt").wstring();
    SetEnvironmentVariableW(L"RULV_HELP_RECORD", record.c_str());
    RegisterHtml(L"RulvTest.Recorder",
                 L"\"" + TestProgramFolder() + L"help_recorder.exe\" \"%1\"");
    const std::wstring before = CurrentDirectory();

    TMessageBoxWatcher boxes;
    TViewerWindow window;
    window.Command(IDC_HELP_HELP);

    const auto lines = WaitForRecord(record);
    ASSERT_EQ(lines.size(), 3u) << "the shell did not start the .html program";
    EXPECT_TRUE(SamePath(RecordedDocument(lines), TestProgramFolder() + L"RulvView.html"));
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_EQ(CurrentDirectory(), before);
}

TEST(MainMenuHelp, AboutCommandShowsTheBoxOfDlgAbout) {
    StartApplication();
    TMessageBoxWatcher boxes;
    TViewerWindow window;
    window.Command(IDC_HELP_ABOUT);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].Caption, L"ﾊﾞｰｼﾞｮﾝ情報");
}

}  // namespace
}  // namespace rulv::test
