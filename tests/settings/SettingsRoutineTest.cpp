// SettingsRoutineTest.cpp - LoadSettings and SaveSettings on a recording
// target against the real program key: what is applied, what is written,
// in which order, and where a registry error ends the routine.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "tests/settings/RegistryTestSupport.h"
#include "app/RegistrySettings.h"
#include "app/URegistry.h"
#include "tests/support/SeamGuard.h"

namespace rulv::test {
namespace {

const std::string kKey = kSettingsKey;
const std::string kForm = kKey + "\\Form";
const std::string kView = kKey + "\\View";

// A window as the settings see it: designed 435 by 170 with both bars
// shown; every call the routines make is written down.
class TRecordingTarget : public TSettingsTarget {
public:
    int OuterHeight() const override { return Height; }
    int OuterWidth() const override { return Width; }
    void SetOuterHeight(int height) override {
        Height = height;
        Calls.push_back("SetOuterHeight " + std::to_string(height));
    }
    void SetOuterWidth(int width) override {
        Width = width;
        Calls.push_back("SetOuterWidth " + std::to_string(width));
    }
    void ToggleToolBar() override {
        ToolBar = !ToolBar;
        Calls.push_back("ToggleToolBar");
    }
    void ToggleStatusBar() override {
        StatusBar = !StatusBar;
        Calls.push_back("ToggleStatusBar");
    }
    bool ViewToolbarChecked() const override { return ToolBar; }
    bool ViewStatusbarChecked() const override { return StatusBar; }
    void SetFollowFile(bool follow) override {
        FollowFile = follow;
        Calls.push_back(std::string("SetFollowFile ") + (follow ? "1" : "0"));
    }
    bool FollowFileChecked() const override { return FollowFile; }

    int Height = 170;
    int Width = 435;
    bool ToolBar = true;
    bool StatusBar = true;
    bool FollowFile = false;
    std::vector<std::string> Calls;
};

using TCalls = std::vector<std::string>;

class SettingsRoutineTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteKeyTree("Software\\Wuld"); }
    void TearDown() override { SetUp(); }

    // All four stored, each one differing from the designed state.
    static void StoreAll() {
        PutText(kForm, "Height", "300");
        PutText(kForm, "Width", "500");
        PutText(kView, "ShowToolBar", "0");
        PutText(kView, "ShowStatusBar", "0");
    }
};

// ------------------------------------------------------------------ load --

TEST_F(SettingsRoutineTest, FirstLoadCreatesTheEmptyProgramKeyAndChangesNothing) {
    TRecordingTarget target;
    LoadSettings(target);
    EXPECT_EQ(target.Calls, TCalls{});
    ASSERT_TRUE(KeyExists(kKey));
    EXPECT_EQ(ValueCount(kKey), 0u);
    EXPECT_EQ(SubkeyCount(kKey), 0u);
}

TEST_F(SettingsRoutineTest, LoadAppliesTheStoredValuesInOrder) {
    StoreAll();
    TRecordingTarget target;
    LoadSettings(target);
    EXPECT_EQ(target.Calls,
              (TCalls{"SetOuterHeight 300", "SetOuterWidth 500", "ToggleToolBar", "ToggleStatusBar"}));
}

TEST_F(SettingsRoutineTest, FollowFileIsReadLastAndOnlyAStoredTrueTurnsItOn) {
    const std::pair<const char*, bool> cases[] = {
        {"1", true}, {"2", true}, {"$1", true}, {"0", false}, {"", false}, {"yes", false},
    };
    for (const auto& [stored, follow] : cases) {
        DeleteKeyTree(kKey);
        StoreAll();
        PutText(kView, "FollowFile", stored);
        TRecordingTarget target;
        LoadSettings(target);
        TCalls expected{"SetOuterHeight 300", "SetOuterWidth 500", "ToggleToolBar", "ToggleStatusBar"};
        if (follow) expected.push_back("SetFollowFile 1");
        EXPECT_EQ(target.Calls, expected) << "stored \"" << stored << '"';
    }
}

TEST_F(SettingsRoutineTest, StoredHeightTextsAppliedOrKeepTheDesignedHeight) {
    struct TCase {
        const char* Stored;
        TCalls Expected;
    };
    const TCase cases[] = {
        {"0", {}},
        {"", {}},
        {"abc", {}},
        {"12px", {}},
        {"300 ", {}},
        {"  300", {"SetOuterHeight 300"}},
        {"$12C", {"SetOuterHeight 300"}},
        {"0x12C", {"SetOuterHeight 300"}},
        {"-50", {"SetOuterHeight -50"}},
        {"2147483647", {"SetOuterHeight 2147483647"}},
    };
    for (const auto& c : cases) {
        PutText(kForm, "Height", c.Stored);
        TRecordingTarget target;
        LoadSettings(target);
        EXPECT_EQ(target.Calls, c.Expected) << "stored \"" << c.Stored << '"';
    }
}

TEST_F(SettingsRoutineTest, StoredShowToolBarTextsToggleOnlyForFalse) {
    const std::pair<const char*, bool> cases[] = {
        {"2", true}, {"-1", true}, {"$1", true}, {"1", true},  {"yes", true},
        {"0", false}, {"00", false}, {"$0", false}, {"+0", false},
    };
    for (const auto& [stored, shown] : cases) {
        PutText(kView, "ShowToolBar", stored);
        TRecordingTarget target;
        LoadSettings(target);
        EXPECT_EQ(target.Calls, shown ? TCalls{} : TCalls{"ToggleToolBar"}) << "stored \"" << stored << '"';
        EXPECT_EQ(target.ToolBar, shown);
    }
}

TEST_F(SettingsRoutineTest, ReadErrorEndsTheLoadAtThatEntry) {
    struct TCase {
        const char* Section;
        const char* Name;
        TCalls AppliedBefore;
    };
    const TCase cases[] = {
        {"Form", "Height", {}},
        {"Form", "Width", {"SetOuterHeight 300"}},
        {"View", "ShowToolBar", {"SetOuterHeight 300", "SetOuterWidth 500"}},
        {"View", "ShowStatusBar", {"SetOuterHeight 300", "SetOuterWidth 500", "ToggleToolBar"}},
        {"View", "FollowFile", {"SetOuterHeight 300", "SetOuterWidth 500", "ToggleToolBar", "ToggleStatusBar"}},
    };
    for (const auto& c : cases) {
        DeleteKeyTree(kKey);
        StoreAll();
        PutRaw(kKey + "\\" + c.Section, c.Name, REG_DWORD, DwordData(0));
        TRecordingTarget target;
        EXPECT_EQ(RegistryErrorOf([&] { LoadSettings(target); }),
                  std::string("'") + c.Name + "' のデータ型が不正です");
        EXPECT_EQ(target.Calls, c.AppliedBefore) << c.Name;
    }
}

TEST_F(SettingsRoutineTest, ProgramKeyThatCanBeNeitherOpenedNorCreatedLoadsDefaultsAndSavesNothing) {
    // A volatile parent cannot hold the non-volatile program key.
    CreateKey("Software\\Wuld", true);
    TRecordingTarget target;
    EXPECT_NO_THROW(LoadSettings(target));
    EXPECT_EQ(target.Calls, TCalls{});
    target.ToolBar = false;
    EXPECT_NO_THROW(SaveSettings(target));
    EXPECT_FALSE(KeyExists(kKey));
}

// ------------------------------------------------------------------ save --

TEST_F(SettingsRoutineTest, SaveWritesAllFiveValues) {
    TRecordingTarget target;
    target.Height = -50;
    target.Width = 1234;
    target.StatusBar = false;
    SaveSettings(target);
    EXPECT_EQ(GetRaw(kForm, "Height"), WrittenText("-50"));
    EXPECT_EQ(GetRaw(kForm, "Width"), WrittenText("1234"));
    EXPECT_EQ(GetRaw(kView, "ShowToolBar"), WrittenText("1"));
    EXPECT_EQ(GetRaw(kView, "ShowStatusBar"), WrittenText("0"));
    EXPECT_EQ(GetRaw(kView, "FollowFile"), WrittenText("0"));
    EXPECT_EQ(target.Calls, TCalls{});
    target.FollowFile = true;
    SaveSettings(target);
    EXPECT_EQ(GetRaw(kView, "FollowFile"), WrittenText("1"));
}

TEST_F(SettingsRoutineTest, SaveRewritesValuesThatDidNotChange) {
    // The same numbers in other spellings and types: every one is rewritten.
    PutText(kForm, "Height", "$AA");
    PutText(kForm, "Width", "  435");
    PutRaw(kView, "ShowToolBar", REG_EXPAND_SZ, std::string("2\0", 2));
    PutText(kView, "ShowStatusBar", "yes");
    TRecordingTarget target;
    LoadSettings(target);
    SaveSettings(target);
    EXPECT_EQ(GetRaw(kForm, "Height"), WrittenText("170"));
    EXPECT_EQ(GetRaw(kForm, "Width"), WrittenText("435"));
    EXPECT_EQ(GetRaw(kView, "ShowToolBar"), WrittenText("1"));
    EXPECT_EQ(GetRaw(kView, "ShowStatusBar"), WrittenText("1"));
}

TEST_F(SettingsRoutineTest, SavedValuesLoadBackUnchanged) {
    TRecordingTarget saved;
    saved.Height = -20;
    saved.Width = INT_MAX;
    saved.ToolBar = false;
    SaveSettings(saved);
    TRecordingTarget loaded;
    LoadSettings(loaded);
    EXPECT_EQ(loaded.Calls, (TCalls{"SetOuterHeight -20", "SetOuterWidth 2147483647", "ToggleToolBar"}));
    TRecordingTarget following;
    following.FollowFile = true;
    SaveSettings(following);
    TRecordingTarget loadedAgain;
    LoadSettings(loadedAgain);
    EXPECT_EQ(loadedAgain.Calls, (TCalls{"SetOuterHeight 170", "SetOuterWidth 435", "SetFollowFile 1"}));
}

// The value named here fails to be set; the registry takes all others.
const char* gFailingName = "";
LSTATUS WINAPI FailOneSet(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
    if (std::string(name) == gFailingName) return ERROR_ACCESS_DENIED;
    return RegSetValueExA(key, name, reserved, type, data, size);
}

TEST_F(SettingsRoutineTest, WriteErrorEndsTheSaveAtThatEntry) {
    const char* const order[] = {"Height", "Width", "ShowToolBar", "ShowStatusBar", "FollowFile"};
    const std::string sections[] = {kForm, kForm, kView, kView, kView};
    const TSeamGuard guard(RegistrySettings::SetValue, &FailOneSet);
    for (int failing = 0; failing < 5; ++failing) {
        DeleteKeyTree(kKey);
        gFailingName = order[failing];
        const TRecordingTarget target;
        EXPECT_EQ(RegistryErrorOf([&] { SaveSettings(target); }),
                  std::string("'") + order[failing] + "' の設定に失敗しました");
        for (int entry = 0; entry < 5; ++entry) {
            EXPECT_EQ(GetRaw(sections[entry], order[entry]).has_value(), entry < failing)
                << order[entry] << " with " << order[failing] << " failing";
        }
    }
}

TEST_F(SettingsRoutineTest, SectionCreationErrorEndsTheSave) {
    // The program key volatile: Form cannot be created, nothing is written.
    CreateKey(kKey, true);
    const TRecordingTarget target;
    EXPECT_EQ(RegistryErrorOf([&] { SaveSettings(target); }), "キー Form の作成に失敗しました");
    EXPECT_EQ(SubkeyCount(kKey), 0u);
}

}  // namespace
}  // namespace rulv::test
