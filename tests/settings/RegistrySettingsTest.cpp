// RegistrySettingsTest.cpp - the settings layer against the real registry:
// stored texts and types as read, bytes as written, and the keys that
// cannot be opened or created.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

#include "tests/settings/RegistryTestSupport.h"
#include "app/RegistrySettings.h"
#include "tests/support/SeamGuard.h"

namespace rulv::test {
namespace {

const std::string kKey = "Software\\Wuld\\RulvViewerLayerTest";
const std::string kForm = kKey + "\\Form";
const std::string kView = kKey + "\\View";
// A parent that is volatile: no non-volatile key can be created below it.
const std::string kVolatileParent = "Software\\WuldVolatileTest";

class RegistrySettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteKeyTree(kKey);
        DeleteKeyTree(kVolatileParent);
    }
    void TearDown() override { SetUp(); }
};

// ---------------------------------------------------------------- reading --

struct TTextCase {
    const char* Stored;
    std::int32_t Expected;
};

TEST_F(RegistrySettingsTest, HeightTextsReadAsIntegerOrDefault) {
    // The default is 77 here so that "gives the default" and "reads 0"
    // are told apart.
    const TTextCase cases[] = {
        {"0", 0},      {"", 77},          {"abc", 77},      {"12px", 77},     {"300 ", 77},
        {"  300", 300}, {"$12C", 300},    {"0x12C", 300},   {"-50", -50},     {"+7", 7},
        {"x12c", 300},  {"-2147483648", INT32_MIN}, {"2147483648", 77}, {"$FFFFFFFF", -1}, {"\t300", 77},
    };
    for (const auto& c : cases) {
        PutText(kForm, "Height", c.Stored);
        const RegistrySettings settings(kKey);
        EXPECT_EQ(settings.ReadInt("Form", "Height", 77), c.Expected) << "stored \"" << c.Stored << '"';
    }
}

struct TFlagCase {
    const char* Stored;
    bool WithDefaultTrue;
    bool WithDefaultFalse;
};

TEST_F(RegistrySettingsTest, ShowToolBarTextsReadAsFlag) {
    const TFlagCase cases[] = {
        {"2", true, true},    {"-1", true, true},  {"$1", true, true},  {"1", true, true},
        {"0", false, false},  {"00", false, false}, {"$0", false, false}, {"+0", false, false},
        {"yes", true, false}, {"", true, false},    {" 0", false, false}, {"0 ", true, false},
    };
    for (const auto& c : cases) {
        PutText(kView, "ShowToolBar", c.Stored);
        const RegistrySettings settings(kKey);
        EXPECT_EQ(settings.ReadFlag("View", "ShowToolBar", true), c.WithDefaultTrue) << "stored \"" << c.Stored << '"';
        EXPECT_EQ(settings.ReadFlag("View", "ShowToolBar", false), c.WithDefaultFalse)
            << "stored \"" << c.Stored << '"';
    }
}

TEST_F(RegistrySettingsTest, MissingSectionOrValueGivesDefaultWithoutCreatingTheSection) {
    const RegistrySettings settings(kKey);
    EXPECT_EQ(settings.ReadInt("Form", "Height", 12), 12);
    EXPECT_FALSE(KeyExists(kForm));
    PutText(kForm, "Width", "500");
    EXPECT_EQ(settings.ReadInt("Form", "Height", 12), 12);
    EXPECT_EQ(settings.ReadInt("Form", "Width", 12), 500);
}

TEST_F(RegistrySettingsTest, StringTypesAreReadUpToTheFirstNulAndNeverExpanded) {
    struct TCase {
        DWORD Type;
        std::string Data;
        std::int32_t Expected;
    };
    SetEnvironmentVariableA("RULV_HEIGHT", "300");
    const TCase cases[] = {
        {REG_EXPAND_SZ, std::string("300\0", 4), 300},
        {REG_EXPAND_SZ, std::string("%RULV_HEIGHT%\0", 14), 77},
        {REG_SZ, std::string("300\0" "999\0", 8), 300},
        {REG_SZ, "300", 300},  // stored without its NUL
        {REG_SZ, std::string("\0" "300", 4), 77},
        {REG_SZ, std::string(), 77},
        {REG_DWORD, std::string(), 77},  // empty data counts as absent, whatever the type
        {REG_BINARY, std::string(), 77},
    };
    for (const auto& c : cases) {
        PutRaw(kForm, "Height", c.Type, c.Data);
        const RegistrySettings settings(kKey);
        EXPECT_EQ(settings.ReadInt("Form", "Height", 77), c.Expected)
            << "type " << c.Type << ", " << c.Data.size() << " bytes";
    }
}

TEST_F(RegistrySettingsTest, OtherTypesWithDataAreRefusedNamingTheValue) {
    struct TCase {
        const char* Name;
        DWORD Type;
        std::string Data;
    };
    const TCase cases[] = {
        {"Height", REG_DWORD, DwordData(300)},
        {"Width", REG_BINARY, "300"},
        {"ShowToolBar", REG_MULTI_SZ, std::string("1\0\0", 3)},
        {"ShowStatusBar", REG_QWORD, DwordData(1) + DwordData(0)},
    };
    for (const auto& c : cases) {
        PutRaw(kForm, c.Name, c.Type, c.Data);
        const RegistrySettings settings(kKey);
        EXPECT_EQ(RegistryErrorOf([&] { settings.ReadInt("Form", c.Name, 0); }),
                  std::string("'") + c.Name + "' のデータ型が不正です");
    }
}

// A data read that fails although the size query succeeded: the registry
// really holds the value, only the second query is made to fail.
LSTATUS WINAPI FailDataRead(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
    if (data) return ERROR_MORE_DATA;
    return RegQueryValueExA(key, name, reserved, type, data, size);
}

TEST_F(RegistrySettingsTest, FailedDataReadIsReportedNamingTheValue) {
    PutText(kForm, "Width", "500");
    const TSeamGuard guard(RegistrySettings::QueryValue, &FailDataRead);
    const RegistrySettings settings(kKey);
    EXPECT_EQ(RegistryErrorOf([&] { settings.ReadInt("Form", "Width", 0); }), "'Width' の取得に失敗しました");
}

// ---------------------------------------------------------------- writing --

TEST_F(RegistrySettingsTest, IntegersAreWrittenAsPlainDecimalAnsiTextWithOneNul) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {435, "435"}, {-20, "-20"}, {0, "0"}, {INT32_MAX, "2147483647"}, {INT32_MIN, "-2147483648"},
    };
    for (const auto& [value, text] : cases) {
        RegistrySettings settings(kKey);
        settings.WriteInt("Form", "Height", value);
        EXPECT_EQ(GetRaw(kForm, "Height"), WrittenText(text)) << value;
        EXPECT_EQ(settings.ReadInt("Form", "Height", 77), value);
    }
}

TEST_F(RegistrySettingsTest, FlagsAreWrittenAsOneOrZero) {
    RegistrySettings settings(kKey);
    settings.WriteFlag("View", "ShowToolBar", true);
    settings.WriteFlag("View", "ShowStatusBar", false);
    EXPECT_EQ(GetRaw(kView, "ShowToolBar"), WrittenText("1"));
    EXPECT_EQ(GetRaw(kView, "ShowStatusBar"), WrittenText("0"));
}

TEST_F(RegistrySettingsTest, WriteReplacesAValueOfAnyType) {
    PutRaw(kForm, "Height", REG_DWORD, DwordData(300));
    RegistrySettings settings(kKey);
    settings.WriteInt("Form", "Height", 300);
    EXPECT_EQ(GetRaw(kForm, "Height"), WrittenText("300"));
}

TEST_F(RegistrySettingsTest, SectionThatCannotBeCreatedIsReportedNamingIt) {
    // The program key itself volatile: its sections cannot be created.
    CreateKey(kKey, true);
    RegistrySettings settings(kKey);
    ASSERT_TRUE(settings.IsOpen());
    EXPECT_EQ(RegistryErrorOf([&] { settings.WriteInt("Form", "Width", 1); }), "キー Form の作成に失敗しました");
    EXPECT_EQ(RegistryErrorOf([&] { settings.WriteFlag("View", "ShowToolBar", true); }),
              "キー View の作成に失敗しました");
    EXPECT_FALSE(KeyExists(kForm));
}

LSTATUS WINAPI FailSet(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD) { return ERROR_ACCESS_DENIED; }

TEST_F(RegistrySettingsTest, FailedSetIsReportedNamingTheValue) {
    const TSeamGuard guard(RegistrySettings::SetValue, &FailSet);
    RegistrySettings settings(kKey);
    EXPECT_EQ(RegistryErrorOf([&] { settings.WriteInt("Form", "Width", 1); }), "'Width' の設定に失敗しました");
    EXPECT_EQ(RegistryErrorOf([&] { settings.WriteFlag("View", "ShowStatusBar", true); }),
              "'ShowStatusBar' の設定に失敗しました");
}

// Everyone may read the key, delete it and change its access list, but
// nobody may open it with full access.
const char kReadOnly[] = "D:P(A;;KRSDWD;;;WD)";
const char kFullAccess[] = "D:P(A;;KA;;;WD)";

TEST_F(RegistrySettingsTest, SectionNotOpenableWithFullAccessReadsDefaultAndCannotBeWritten) {
    PutText(kView, "ShowToolBar", "0");
    SetKeyAccess(kView, kReadOnly);
    RegistrySettings settings(kKey);
    EXPECT_TRUE(settings.ReadFlag("View", "ShowToolBar", true));
    EXPECT_EQ(RegistryErrorOf([&] { settings.WriteFlag("View", "ShowToolBar", true); }),
              "キー View の作成に失敗しました");
    SetKeyAccess(kView, kFullAccess);
    EXPECT_EQ(GetRaw(kView, "ShowToolBar"), WrittenText("0"));
}

TEST_F(RegistrySettingsTest, ProgramKeyNotOpenableWithFullAccessGivesDefaultsAndStoresNothing) {
    PutText(kForm, "Height", "300");
    SetKeyAccess(kKey, kReadOnly);
    {
        RegistrySettings settings(kKey);
        EXPECT_FALSE(settings.IsOpen());
        EXPECT_EQ(settings.ReadInt("Form", "Height", 12), 12);
        EXPECT_NO_THROW(settings.WriteInt("Form", "Height", 500));
    }
    SetKeyAccess(kKey, kFullAccess);
    EXPECT_EQ(GetRaw(kForm, "Height"), WrittenText("300"));
}

// ------------------------------------------------------------ program key --

TEST_F(RegistrySettingsTest, ProgramKeyIsCreatedWithEveryMissingLevel) {
    const std::string deep = kKey + "\\One\\Two";
    const RegistrySettings settings(deep);
    EXPECT_TRUE(settings.IsOpen());
    EXPECT_TRUE(KeyExists(deep));
    EXPECT_EQ(ValueCount(deep), 0u);
}

TEST_F(RegistrySettingsTest, KeyThatCanBeNeitherOpenedNorCreatedGivesDefaultsAndStoresNothing) {
    CreateKey(kVolatileParent, true);
    const std::string program = kVolatileParent + "\\Program";
    RegistrySettings settings(program);
    EXPECT_FALSE(settings.IsOpen());
    EXPECT_EQ(settings.ReadInt("Form", "Height", 12), 12);
    EXPECT_TRUE(settings.ReadFlag("View", "ShowToolBar", true));
    EXPECT_NO_THROW(settings.WriteInt("Form", "Height", 300));
    EXPECT_NO_THROW(settings.WriteFlag("View", "ShowToolBar", false));
    EXPECT_FALSE(KeyExists(program));
}

}  // namespace
}  // namespace rulv::test
