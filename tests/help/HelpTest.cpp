// HelpTest.cpp - the help command: folder test, shell launch, error box.
//
// Real shell, real registry (the throw-away prefix's HKCU), real boxes read
// and closed by a watcher thread. The shell's program for .html documents is
// help_recorder, which writes down what it was given.
#include "tests/help/HelpTestSupport.h"

#include "common/Errors.h"
#include "common/StandardLibrary.h"
#include "common/Unicode.h"
#include "tests/support/MessageBoxWatcher.h"
#include "tests/support/Process.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>

namespace rulv::test {
namespace {

const std::wstring kHint =
    L"\r\n\r\nﾍﾙﾌﾟを見るためには実行ﾌｧｲﾙのあるﾌｫﾙﾀﾞの中に\r\n"
    L"RulvView.html がなければいけません\r\n";
const std::string kPage = "<!DOCTYPE html><title>help</title>";

// --- Path parts ---------------------------------------------------------------

struct FolderCase {
    const wchar_t* path;
    const wchar_t* folder;
};

TEST(FolderPart, KeepsEverythingUpToTheLastBackslashOrColon) {
    const FolderCase cases[] = {
        {L"C:\\Tools\\viewer.exe", L"C:\\Tools\\"},
        {L"C:\\表\\viewer.exe", L"C:\\表\\"},  // 表 is 0x95 0x5C in code page 932
        {L"C:\\Ä한\\viewer.exe", L"C:\\Ä한\\"},
        {L"C:viewer.exe", L"C:"},
        {L"\\\\server\\share\\viewer.exe", L"\\\\server\\share\\"},
        {L"C:\\Tools\\", L"C:\\Tools\\"},
        {L"viewer.exe", L""},
        {L"", L""},
    };
    for (const FolderCase& c : cases) EXPECT_EQ(FolderPart(c.path), c.folder) << c.path;
}

// --- Shared set-up ------------------------------------------------------------

class HelpTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Folder() = std::make_unique<TTempFolder>();
        Root() = Folder()->Path().wstring() + L"\\";
        Record() = Root() + L"record.txt";
        SetEnvironmentVariableW(L"RULV_HELP_RECORD", Record().c_str());
    }
    static void TearDownTestSuite() { Folder().reset(); }
    void SetUp() override {
        DeleteFileW(Record().c_str());
        RegisterHtml(L"RulvTest.Recorder",
                     L"\"" + TestProgramFolder() + L"help_recorder.exe\" \"%1\"");
        // Start from a folder that is neither the program's nor the help's.
        Elsewhere = MakeFolder(Root() + L"elsewhere");
        ASSERT_TRUE(SetCurrentDirectoryW(Elsewhere.c_str()));
        Elsewhere = CurrentDirectory();
    }

    static std::unique_ptr<TTempFolder>& Folder() {
        static std::unique_ptr<TTempFolder> folder;
        return folder;
    }
    // The folder's name with a trailing backslash.
    static std::wstring& Root() {
        static std::wstring root;
        return root;
    }
    static std::wstring& Record() {
        static std::wstring record;
        return record;
    }

    // A box as it came up, and the beeps heard before it did.
    struct TShownBox {
        TBoxSnapshot Box;
        long BeepsBefore = 0;
    };

    // Runs the help command for `folder`; every box it shows is read and
    // closed with Enter.
    std::vector<TShownBox> RunHelp(const std::wstring& folder) {
        std::mutex lock;
        std::vector<TShownBox> boxes;
        {
            TMessageBoxWatcher watcher([&](HWND box) {
                const TShownBox shown{Snapshot(box), TBeepLog::Count};
                {
                    std::lock_guard<std::mutex> guard(lock);
                    boxes.push_back(shown);
                }
                PressKey(box, VK_RETURN);
            });
            ShowHelpDocument(folder);
        }
        return boxes;
    }

    std::wstring Elsewhere;
};

// --- The help command -----------------------------------------------------

TEST_F(HelpTest, DocumentPresentIsOpenedByTheShellWithoutAnyBox) {
    const std::wstring folder = MakeFolder(Root() + L"present");
    WriteTextFile(folder + L"RulvView.html", kPage);
    TBeepListener beeps;

    const auto boxes = RunHelp(folder);

    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(TBeepLog::Count, 0);
    EXPECT_EQ(CurrentDirectory(), Elsewhere);
    const auto record = WaitForRecord(Record());
    ASSERT_EQ(record.size(), 3u) << "the shell did not start the .html program";
    EXPECT_TRUE(SamePath(RecordedDocument(record), folder + L"RulvView.html"))
        << WideToUtf8(RecordedDocument(record));
    EXPECT_TRUE(SamePath(record[1], folder)) << "started in the program folder";
    EXPECT_EQ(record[2], L"5") << "shown with SW_SHOW";
}

struct FailureCase {
    const wchar_t* name;
    bool makeFolder;
    bool folderInMessage;  // else the document's name starts the message
};

class HelpFailureTest : public HelpTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(HelpFailureTest, BeepsOnceThenExplainsInOneErrorBox) {
    const FailureCase& c = GetParam();
    const std::wstring folder = Root() + c.name + L"\\";
    if (c.makeFolder) MakeFolder(folder);
    TBeepListener beeps;

    const auto boxes = RunHelp(folder);

    ASSERT_EQ(boxes.size(), 1u);
    const TBoxSnapshot& box = boxes[0].Box;
    EXPECT_EQ(boxes[0].BeepsBefore, 1) << "the beep comes before the box";
    EXPECT_EQ(TBeepLog::Count, 1);
    EXPECT_EQ(TBeepLog::LastType, 0x40u) << "MB_ICONASTERISK";
    EXPECT_EQ(box.Caption, L"エラー");
    const std::wstring expected =
        (c.folderInMessage ? folder : std::wstring(L"RulvView.html")) + L" が見つかりません" +
        kHint;
    const TBoxControl* text = box.FindById(0xFFFF);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Text, expected);
    EXPECT_EQ(CurrentDirectory(), Elsewhere);
    EXPECT_FALSE(FileExists(Record())) << "the shell ran nothing";
}

INSTANTIATE_TEST_SUITE_P(
    MissingParts, HelpFailureTest,
    ::testing::Values(FailureCase{L"nodocument", true, false},
                      FailureCase{L"nofolder", false, true},
                      FailureCase{L"no&folder 表", false, true}),
    [](const auto& param) { return std::string(param.index == 0 ? "Document" : "Folder") +
                                  std::to_string(param.index); });

TEST_F(HelpTest, OtherShellFailuresShowNothing) {
    const std::wstring folder = MakeFolder(Root() + L"noassociation");
    WriteTextFile(folder + L"RulvView.html", kPage);
    RegisterHtml(L"RulvTest.NoCommand", L"");
    const int result = ExecuteFile(L"RulvView.html", L"", folder, SW_SHOW);
    ASSERT_LE(result, 32) << "the shell must fail here";
    ASSERT_NE(result, 2);
    TBeepListener beeps;

    const auto boxes = RunHelp(folder);

    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(TBeepLog::Count, 0);
    EXPECT_EQ(CurrentDirectory(), Elsewhere);
}

// A copy of help_child runs the help command from folders whose names are
// awkward in code page 932: one that ends in the byte 0x5C, one with
// characters the code page does not have.
TEST_F(HelpTest, ProgramFolderWithAwkwardNameFindsTheDocument) {
    for (const wchar_t* name : {L"表", L"Ä한 ü"}) {
        SCOPED_TRACE(testing::Message() << "folder " << static_cast<int>(name[0]));
        DeleteFileW(Record().c_str());
        const std::wstring folder = MakeFolder(Root() + name);
        const std::wstring child = folder + L"help_child.exe";
        ASSERT_TRUE(CopyFileW((TestProgramFolder() + L"help_child.exe").c_str(), child.c_str(),
                              FALSE));
        WriteTextFile(folder + L"RulvView.html", kPage);

        TStartOptions options;
        options.Folder = Elsewhere;
        TProcess process(child, {}, options);
        ASSERT_TRUE(process.Started()) << process.StartError();
        EXPECT_EQ(process.Wait(std::chrono::minutes(1)), 0);

        const auto record = WaitForRecord(Record());
        ASSERT_EQ(record.size(), 3u);
        EXPECT_TRUE(SamePath(RecordedDocument(record), folder + L"RulvView.html"))
        << WideToUtf8(RecordedDocument(record));
    }
}

// --- DirExists ----------------------------------------------------------------

TEST_F(HelpTest, DirExistsTellsFoldersAndLeavesTheCurrentDirectory) {
    const std::wstring folder = MakeFolder(Root() + L"a folder 表");
    WriteTextFile(folder + L"file.txt", "x");
    const struct {
        std::wstring name;
        bool exists;
    } cases[] = {
        {folder, true},
        {folder.substr(0, folder.size() - 1), true},
        {Root() + L"missing\\", false},
        {folder + L"file.txt", false},
        {L"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DirExists(c.name), c.exists) << c.name.size();
        EXPECT_EQ(CurrentDirectory(), Elsewhere);
    }
}

// --- ErrorMessage -----------------------------------------------------------

// A plain window of the program, to see it disabled while the box is up.
class TPlainWindow {
public:
    TPlainWindow() {
        FWindow = CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                  0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    }
    ~TPlainWindow() { DestroyWindow(FWindow); }
    HWND Get() const { return FWindow; }

private:
    HWND FWindow;
};

enum class Closing { Enter, Escape, TitleBar };

TEST(ErrorMessage, IsACentredModalBoxWithErrorIconAndOneOkButton) {
    TPlainWindow other;
    for (Closing closing : {Closing::Enter, Closing::Escape, Closing::TitleBar}) {
        TBeepListener beeps;
        std::optional<TBoxSnapshot> seen;
        bool otherDisabled = false;
        HICON icon = nullptr;
        {
            TMessageBoxWatcher watcher([&](HWND box) {
                seen = Snapshot(box);
                otherDisabled = !IsWindowEnabled(other.Get());
                if (seen->FindById(20))
                    icon = reinterpret_cast<HICON>(
                        SendMessageW(GetDlgItem(box, 20), STM_GETICON, 0, 0));
                if (closing == Closing::Enter) PressKey(box, VK_RETURN);
                if (closing == Closing::Escape) PressKey(box, VK_ESCAPE);
                if (closing == Closing::TitleBar) CloseFromTitleBar(box);
            });
            ErrorMessage(L"one & two\r\nthree");
        }
        ASSERT_TRUE(seen.has_value());
        EXPECT_EQ(seen->Caption, L"エラー");
        EXPECT_EQ(icon, LoadIconW(nullptr, IDI_HAND));
        const auto buttons = seen->OfClass(L"Button");
        ASSERT_EQ(buttons.size(), 1u);
        EXPECT_EQ(buttons[0]->Text, L"OK");
        EXPECT_EQ(buttons[0]->Id, IDOK);
        EXPECT_EQ(buttons[0]->Style & BS_TYPEMASK, BS_DEFPUSHBUTTON);
        const TBoxControl* text = seen->FindById(0xFFFF);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->Text, L"one & two\r\nthree");
        EXPECT_TRUE(text->Style & SS_NOPREFIX) << "an \"&\" of a folder name shows as it is";
        const int width = seen->WindowRect.right - seen->WindowRect.left;
        const int height = seen->WindowRect.bottom - seen->WindowRect.top;
        EXPECT_NEAR(seen->WindowRect.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2, 1);
        EXPECT_NEAR(seen->WindowRect.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 1);
        EXPECT_TRUE(otherDisabled) << "the program's other windows wait for the box";
        EXPECT_TRUE(IsWindowEnabled(other.Get()));
        EXPECT_EQ(TBeepLog::Count, 1);
    }
}

TEST(ErrorMessage, WrapsLongTextToHalfTheScreenWidth) {
    std::wstring words;
    for (int i = 0; i < 120; ++i) words += L"word" + std::to_wstring(i) + L" ";
    TBeepListener beeps;
    std::optional<TBoxSnapshot> seen;
    {
        TMessageBoxWatcher watcher([&](HWND box) {
            seen = Snapshot(box);
            PressKey(box, VK_RETURN);
        });
        ErrorMessage(words);
    }
    ASSERT_TRUE(seen.has_value());
    const TBoxControl* text = seen->FindById(0xFFFF);
    ASSERT_NE(text, nullptr);
    const int halfScreen = GetSystemMetrics(SM_CXSCREEN) / 2;
    EXPECT_LE(text->Rect.right - text->Rect.left, halfScreen);
    EXPECT_GT(text->Rect.right - text->Rect.left, halfScreen * 3 / 4) << "wrapped, not cut short";
    EXPECT_GT(text->Rect.bottom - text->Rect.top, 3 * 12) << "several lines";
}

}  // namespace
}  // namespace rulv::test
