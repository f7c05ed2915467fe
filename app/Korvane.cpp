#include "app/Korvane.h"

#include "app/AboutForm.h"
#include "app/MainForm.h"
#include "prefs/CountDownForm.h"
#include "prefs/SettingForm.h"
#include "profiles/SizeForm.h"
#include "profiles/opSettingForm.h"
#include "ui/Application.h"
#include "ui/SystemDll.h"

namespace korvane {

Korvane::Korvane()
{
    ShellOpen = [](HWND owner, const std::string& path) {
        using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, const char*, const char*, const char*, const char*, INT);
        if (const auto open = ui::SystemFunction<ShellExecuteFn>("shell32.dll", "ShellExecuteA"))
            open(owner, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    };
}

StartupStepScope::StartupStepScope(const Korvane& korvane, StartupStep step) : korvane_(korvane), step_(step)
{
    if (korvane_.OnStartupStep)
        korvane_.OnStartupStep(step_, true);
}

StartupStepScope::~StartupStepScope()
{
    if (korvane_.OnStartupStep)
        korvane_.OnStartupStep(step_, false);
}

void CreateKorvaneWindows(Korvane& korvane)
{
    const StartupStepScope step(korvane, StartupStep::FormsCreated);
    auto& app = ui::App();
    app.CreateForm<TMainForm>(korvane);
    // The dialogs are made and set up now, in their order; their windows
    // wait until they are first shown, so that the main window comes sooner.
    app.CreateHiddenForm<TSettingForm>(korvane);
    app.CreateHiddenForm<TCountDownForm>(korvane);
    app.CreateHiddenForm<TAboutForm>(korvane);
    app.CreateHiddenForm<TopSettingForm>(korvane);
    app.CreateHiddenForm<TSizeForm>(korvane);
}

int RunKorvane(Korvane& korvane)
{
    auto& app = ui::App();
    {
        const StartupStepScope step(korvane, StartupStep::Controls);
        app.Initialize();
    }
    CreateKorvaneWindows(korvane);
    if (korvane.OnStartupStep) {
        // The first paint is over when the loop first finds nothing to do.
        korvane.OnStartupStep(StartupStep::FirstPaint, true);
        app.OnIdle = [&korvane, &app] {
            app.OnIdle = nullptr;
            korvane.OnStartupStep(StartupStep::FirstPaint, false);
        };
    }
    app.Run();
    app.OnIdle = nullptr;
    app.DestroyForms();
    return 0;
}

} // namespace korvane
