// AboutDialog.cpp - TAboutDialog: fills a fresh about box and shows it.
#include "about/AboutDialog.h"

#include "about/About.h"
#include "ui/Application.h"

namespace rulv {

bool TAboutDialog::ShowAboutBox() {
    // The box lives for this showing only and is destroyed on every path.
    TAboutBox box(ui::Application().MainFormHandle());
    if (!Caption.empty()) SetWindowTextW(box.Handle(), Caption.c_str());
    const std::wstring& title = Title.empty() ? ui::Application().Title() : Title;
    SetWindowTextW(box.Title, title.c_str());
    SetWindowTextW(box.Version, (L"Version " + Version).c_str());
    // One blank, the year, two blanks, the holder: an empty year leaves
    // three blanks between "Copyright(C)" and the holder.
    SetWindowTextW(box.Copyright, (L"Copyright(C) " + Year + L"  " + Copyright).c_str());
    box.SetIcon(ui::Application().IconSized(box.IconSize()));
    return box.ShowModal() == TAboutBox::mrOk;
}

}  // namespace rulv
