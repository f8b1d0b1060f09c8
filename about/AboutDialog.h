// AboutDialog.h - TAboutDialog, the component that shows the about box.
#pragma once

#include <string>

namespace rulv {

class TAboutDialog {
public:
    // Texts of the box; each empty unless set.
    std::wstring Caption;    // caption; empty keeps "ﾊﾞｰｼﾞｮﾝ情報"
    std::wstring Title;      // first line; empty means the application title
    std::wstring Version;    // second line, after "Version "
    std::wstring Copyright;  // holder, end of the third line
    std::wstring Year;       // middle of the third line

    // Builds a fresh TAboutBox, shows it modally and destroys it again.
    // True when it was closed with its OK button.
    bool ShowAboutBox();
};

}  // namespace rulv
