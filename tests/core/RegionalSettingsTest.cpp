// RegionalSettingsTest.cpp - the decimal separator comes from the user's settings.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "common/RegionalSettings.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace rulv {
namespace {

#ifdef _WIN32
// Changes the user locale's decimal symbol for one scope, as the regional
// settings of the control panel would.
class TDecimalSymbolScope {
public:
    explicit TDecimalSymbolScope(const wchar_t* symbol) {
        FOk = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, FSaved, 8) > 0 &&
              ::SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, symbol);
    }
    ~TDecimalSymbolScope() {
        if (FOk) ::SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, FSaved);
    }
    TDecimalSymbolScope(const TDecimalSymbolScope&) = delete;
    TDecimalSymbolScope& operator=(const TDecimalSymbolScope&) = delete;
    bool Ok() const { return FOk; }

private:
    wchar_t FSaved[8] = {};
    bool FOk = false;
};

TEST(RegionalSettings, FollowsTheUserLocalesDecimalSymbol) {
    {
        TDecimalSymbolScope comma(L",");
        ASSERT_TRUE(comma.Ok());
        EXPECT_EQ(UserDecimalSeparator(), ',');
    }
    {
        TDecimalSymbolScope twoCharacters(L"..");
        ASSERT_TRUE(twoCharacters.Ok());
        EXPECT_EQ(UserDecimalSeparator(), '.') << "a symbol of more than one character falls back";
    }
    EXPECT_EQ(UserDecimalSeparator(), '.');
}
#else
TEST(RegionalSettings, FollowsTheCLibraryLocale) {
    EXPECT_EQ(UserDecimalSeparator(), '.') << "the C locale";
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    bool found = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            found = true;
            EXPECT_EQ(UserDecimalSeparator(), ',') << name;
            break;
        }
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
    if (!found) GTEST_SKIP() << "no locale with a decimal comma is installed";
}
#endif

}  // namespace
}  // namespace rulv
