// UiLayerTest.cpp - the UI layer's own rules: the error report's full stop,
// hints, the open dialog's filter, the message loop's waits on handles and
// DPI scaling.
#include <gtest/gtest.h>
#include <windows.h>

#include "ui/Application.h"
#include "ui/Controls.h"
#include "ui/OpenDialog.h"
#include "ui/Dpi.h"

namespace rulv {
namespace {

TEST(StandardErrorReport, FullStopAfterCharactersAboveIt) {
    const struct {
        const wchar_t* text;
        const wchar_t* shown;
    } rows[] = {
        {L"", L""},           {L"Disk full", L"Disk full."}, {L"Done.", L"Done."},
        {L"(x)", L"(x)"},    {L"a-", L"a-"},                {L"a,", L"a,"},
        {L"a/", L"a/."},      {L"ファイル", L"ファイル."},
    };
    for (const auto& row : rows) EXPECT_EQ(ui::ReportText(row.text), row.shown) << row.text;
}

TEST(Hints, ShortAndLongParts) {
    EXPECT_EQ(ui::ShortHint(L"開く|RULVﾌｧｲﾙを開きます"), L"開く");
    EXPECT_EQ(ui::LongHint(L"開く|RULVﾌｧｲﾙを開きます"), L"RULVﾌｧｲﾙを開きます");
    EXPECT_EQ(ui::ShortHint(L"終了"), L"終了");
    EXPECT_EQ(ui::LongHint(L"終了"), L"終了");
}

TEST(OpenDialog, FilterPairsSeparatedByNul) {
    const std::wstring filter = ui::DialogFilter(L"RULVﾌｧｲﾙ(*.rulv)|*.rulv|全てのﾌｧｲﾙ|*");
    const wchar_t expected[] = L"RULVﾌｧｲﾙ(*.rulv)\0*.rulv\0全てのﾌｧｲﾙ\0*\0\0";
    EXPECT_EQ(filter, std::wstring(expected, std::size(expected) - 1));
}

TEST(MessageLoop, RunsTheHandlerOfASignalledHandleUntilItStopsWaiting) {
    const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    int runs = 0;
    ui::Application().WaitOn(event, [&] {
        ++runs;
        ResetEvent(event);  // the handler takes the signal back
    });
    ui::Application().ProcessMessages();
    EXPECT_EQ(runs, 0) << "not signalled yet";
    SetEvent(event);
    ui::Application().ProcessMessages();
    ui::Application().ProcessMessages();
    EXPECT_EQ(runs, 1);
    ui::Application().StopWaitingOn(event);
    SetEvent(event);
    ui::Application().ProcessMessages();
    EXPECT_EQ(runs, 1) << "ran after the wait was stopped";
    CloseHandle(event);
}

TEST(Dpi, LengthsScaleFrom96) {
    EXPECT_EQ(ui::Scale(435, 96), 435);
    EXPECT_EQ(ui::Scale(27, 144), 41);  // 40.5 rounds up
    EXPECT_EQ(ui::Scale(25, 192), 50);
    EXPECT_EQ(ui::Scale(-12, 144), -18);
}

}  // namespace
}  // namespace rulv
