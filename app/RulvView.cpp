// RulvView.cpp - the program entry of RULV Viewer.
#include <windows.h>

#include "app/Main.h"
#include "app/MainRules.h"
#include "resources/resource.h"
#include "ui/Application.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    using rulv::ui::Application;
    bool created = false;
    Application().Protect([&] {
        Application().Initialize(instance, IDI_APPICON);
        Application().SetTitle(rulv::kApplicationName);
    });
    TfrmMain form;
    Application().Protect([&] {
        form.Create();
        created = true;
    });
    if (created) Application().Run(showCommand);
    return 0;
}
