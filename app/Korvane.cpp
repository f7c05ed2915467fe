#include "app/Korvane.h"

#include "app/AboutForm.h"
#include "app/MainForm.h"
#include "prefs/CountDownForm.h"
#include "prefs/SettingForm.h"
#include "profiles/SizeForm.h"
#include "profiles/opSettingForm.h"
#include "ui/Application.h"

#include <shellapi.h>

namespace korvane {

Korvane::Korvane()
{
    ShellOpen = [](HWND owner, const std::string& path) {
        ShellExecuteA(owner, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    };
}

void CreateKorvaneWindows(Korvane& korvane)
{
    auto& app = ui::App();
    app.CreateForm<TMainForm>(korvane);
    app.CreateForm<TSettingForm>(korvane);
    app.CreateForm<TCountDownForm>(korvane);
    app.CreateForm<TAboutForm>(korvane);
    app.CreateForm<TopSettingForm>(korvane);
    app.CreateForm<TSizeForm>(korvane);
}

int RunKorvane(Korvane& korvane)
{
    auto& app = ui::App();
    app.Initialize();
    CreateKorvaneWindows(korvane);
    app.Run();
    app.DestroyForms();
    return 0;
}

} // namespace korvane
