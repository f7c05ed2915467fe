// The skin measured and looked at, outside the test suite.
//
//   skin_look startup [rounds]   start-up of the program's windows with the
//                                built-in skin and without it, side by side;
//                                prints the median times and their ratio
//   skin_look screens <folder> [source]
//                                pictures of every window (and a message box
//                                and the open dialog) skinned and with the
//                                skin's Active off, as BMP files; with a
//                                source, loaded first (its folder the output's)
//
// Both build the program's six windows in this process on the program
// folder of the build, the way the program starts; the power-off is replaced.
#include "app/AboutForm.h"
#include "app/Korvane.h"
#include "app/MainForm.h"
#include "prefs/CountDownForm.h"
#include "prefs/SettingForm.h"
#include "profiles/SizeForm.h"
#include "profiles/opSettingForm.h"
#include "skin/SkinEngine.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace korvane;

namespace {

std::string ProgramFolder()
{
    std::string dir = KORVANE_DIST_DIR;
    for (char& c : dir)
        if (c == '/')
            c = '\\';
    return "Z:" + dir;
}

void Settle()
{
    for (int i = 0; i < 5; ++i) {
        ui::App().ProcessMessages();
        ::Sleep(10);
    }
    ui::App().ProcessMessages();
}

// Creates the windows and shows the main window, painted; returns seconds.
double StartOnce(bool skinned)
{
    Korvane korvane;
    korvane.ProgramDirOverride = ProgramFolder();
    korvane.Skinned = skinned;
    korvane.PowerOff = [] {};
    korvane.ShellOpen = [](HWND, const std::string&) {};
    const auto start = std::chrono::steady_clock::now();
    CreateKorvaneWindows(korvane);
    korvane.MainForm->Show();
    ui::App().ProcessMessages();
    ::UpdateWindow(korvane.MainForm->Handle());
    ::GdiFlush();
    const auto end = std::chrono::steady_clock::now();
    ui::App().DestroyForms();
    ui::App().ProcessMessages();
    return std::chrono::duration<double>(end - start).count();
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

int Startup(int rounds)
{
    ui::ScriptedDialogs quiet;
    // Warm-up: classes, fonts and resources of the first run count for neither.
    StartOnce(true);
    StartOnce(false);
    std::vector<double> with, without;
    for (int i = 0; i < rounds; ++i) {
        // Alternating, so that the machine's load weighs on both alike.
        if (i % 2 == 0) {
            with.push_back(StartOnce(true));
            without.push_back(StartOnce(false));
        } else {
            without.push_back(StartOnce(false));
            with.push_back(StartOnce(true));
        }
    }
    // The machine is shared: the fastest round shows the work itself, the
    // median what a user meets on a busy machine.
    const double a = Median(with), b = Median(without);
    const double aMin = *std::min_element(with.begin(), with.end());
    const double bMin = *std::min_element(without.begin(), without.end());
    std::printf("start-up rounds      %d\n", rounds);
    std::printf("with the skin        %.1f ms median, %.1f ms fastest\n", a * 1000, aMin * 1000);
    std::printf("without the skin     %.1f ms median, %.1f ms fastest\n", b * 1000, bMin * 1000);
    std::printf("ratio                %.2f median, %.2f fastest (target at most 1.30)\n", b > 0 ? a / b : 0.0,
                bMin > 0 ? aMin / bMin : 0.0);
    return 0;
}

// --- pictures ------------------------------------------------------------------------------

bool SaveWindow(HWND hwnd, const std::string& path)
{
    ::RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Settle();
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    // A margin shows the rounded corners against the desktop.
    ::InflateRect(&r, 6, 6);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = ::GetDC(nullptr);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC mem = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(mem, dib);
    ::BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    ::GdiFlush();
    const int stride = (w * 3 + 3) & ~3;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(stride * h);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
    out.write(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
    out.write(static_cast<const char*>(bits), stride * h);
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
    ::DeleteObject(dib);
    ::ReleaseDC(nullptr, screen);
    std::printf("%s\n", path.c_str());
    return static_cast<bool>(out);
}

// Runs `action` (which opens a modal dialog); `inside` runs once that dialog is up.
struct ModalProbe {
    static inline std::function<void(HWND)> inside;
    static inline bool done = false;
    static inline std::string windowClass = "#32770";
    static BOOL CALLBACK FindDialog(HWND hwnd, LPARAM found)
    {
        char cls[64] = {};
        ::GetClassNameA(hwnd, cls, sizeof cls);
        if (cls == windowClass && ::IsWindowVisible(hwnd)) {
            *reinterpret_cast<HWND*>(found) = hwnd;
            return FALSE;
        }
        return TRUE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD)
    {
        HWND dialog = nullptr;
        ::EnumThreadWindows(::GetCurrentThreadId(), &FindDialog, reinterpret_cast<LPARAM>(&dialog));
        if (!dialog || done)
            return;
        done = true;
        ::KillTimer(nullptr, id);
        inside(dialog);
    }
    static void Run(const std::function<void()>& action, std::function<void(HWND)> whileOpen,
                    const char* cls = "#32770")
    {
        inside = std::move(whileOpen);
        windowClass = cls;
        done = false;
        const UINT_PTR id = ::SetTimer(nullptr, 0, 300, &Tick);
        action();
        ::KillTimer(nullptr, id);
    }
};

int Screens(const std::string& folder, const std::string& source)
{
    ui::ScriptedDialogs quiet;
    Korvane korvane;
    korvane.ProgramDirOverride = ProgramFolder();
    korvane.PowerOff = [] {};
    korvane.ShellOpen = [](HWND, const std::string&) {};
    CreateKorvaneWindows(korvane);
    TMainForm& main = *korvane.MainForm;
    main.Show();
    Settle();
    if (!source.empty()) {
        // A source and an output folder named in other scripts: the paths
        // show in the main window, the open dialog and the folder browser.
        main.LoadSource(source);
        main.sbtnPausePreviewClick(main.sbtnPausePreview);
        main.edtOutputDir.SetText(source.substr(0, source.find_last_of('\\') + 1));
        // Every window's caption carries the source's name, drawn by the skinned frame.
        const std::string name = source.substr(source.find_last_of('\\') + 1);
        for (ui::Form* form : {static_cast<ui::Form*>(&main), static_cast<ui::Form*>(korvane.SettingForm),
                               static_cast<ui::Form*>(korvane.AboutForm), static_cast<ui::Form*>(korvane.opSettingForm),
                               static_cast<ui::Form*>(korvane.SizeForm), static_cast<ui::Form*>(korvane.CountDownForm)})
            form->SetCaption(form->Caption() + " - " + name);
        Settle();
    }
    TSkinEngine& engine = main.SkinEngine1;
    for (bool skinned : {true, false}) {
        engine.SetActive(skinned);
        Settle();
        const std::string suffix = skinned ? "-skinned.bmp" : "-plain.bmp";
        SaveWindow(main.Handle(), folder + "\\main" + suffix);
        if (!source.empty()) {
            // The busy look, as a job over that source shows it.
            main.labProcessing.SetCaption("Processing: " + source.substr(source.find_last_of('\\') + 1));
            main.panProgress.Show();
            SaveWindow(main.Handle(), folder + "\\main-busy" + suffix);
            main.panProgress.Hide();
        }
        if (skinned) {
            // The engine's system menu, opened with a right click on the caption.
            RECT r{};
            ::GetWindowRect(main.Handle(), &r);
            const POINT at{r.left + 300, r.top + 10};
            ::SetCursorPos(at.x, at.y);
            ModalProbe::Run([&] { ::SendMessageA(main.Handle(), WM_NCRBUTTONDOWN, HTCAPTION, MAKELPARAM(at.x, at.y)); },
                            [&](HWND menu) {
                                ::SendMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
                                Settle();
                                RECT m{};
                                ::GetWindowRect(menu, &m);
                                SaveWindow(menu, folder + "\\system-menu-skinned.bmp");
                                ::EndMenu();
                            },
                            "#32768");
        }
        auto shoot = [&](ui::Form& form, const char* name, const std::function<void()>& show) {
            show();
            Settle();
            SaveWindow(form.Handle(), folder + "\\" + name + suffix);
            form.Hide();
            main.SetEnabled(true);
            Settle();
        };
        shoot(*korvane.SettingForm, "settings", [&] { korvane.SettingForm->Show(); });
        shoot(*korvane.AboutForm, "about", [&] { korvane.AboutForm->Show(); });
        shoot(*korvane.opSettingForm, "profile-editor", [&] { korvane.opSettingForm->ShowFor(0); });
        // The copy profile with its advanced rows open ("Start" among them)
        // and its picture rows folded away, so that they all show.
        const auto& profiles = main.cmbProfile.Items();
        const auto copy = std::find(profiles.begin(), profiles.end(), "Settings of the source file.");
        if (copy != profiles.end()) {
            shoot(*korvane.opSettingForm, "profile-editor-copy", [&] {
                TopSettingForm& editor = *korvane.opSettingForm;
                editor.ShowFor(static_cast<int>(copy - profiles.begin()));
                if (!editor.vleAdvanced.Visible())
                    editor.btnAdvancedClick(editor.btnAdvanced);
                if (editor.vleVideo.Visible())
                    editor.btnVideoClick(editor.btnVideo);
            });
        }
        shoot(*korvane.SizeForm, "size", [&] { korvane.SizeForm->Show(); });
        shoot(*korvane.CountDownForm, "countdown", [&] {
            korvane.CountDownForm->Start(TCountDownForm::caExit);
            korvane.CountDownForm->tmrCountdown.SetEnabled(false);
        });
        ui::SystemDialogs system;
        // With a named source, the system dialogs' captions carry its names
        // (drawn by the skinned frame) and the open dialog shows its folder.
        const std::string sourceFolder = source.substr(0, source.find_last_of('\\'));
        const std::string folderName = sourceFolder.substr(sourceFolder.find_last_of('\\') + 1);
        const std::string sourceName = source.substr(source.find_last_of('\\') + 1);
        const std::string boxCaption = source.empty() ? "Korvane" : "Korvane - " + sourceName;
        ModalProbe::Run([&] { system.MessageBox("Splitting is completed successfully.", boxCaption, MB_OK | MB_ICONINFORMATION); },
                        [&](HWND box) {
                            SaveWindow(box, folder + "\\message-box" + suffix);
                            ::PostMessageA(box, WM_COMMAND, IDOK, 0);
                        });
        std::string chosen = source.empty() ? "" : sourceFolder;
        ModalProbe::Run([&] { system.BrowseForFolder(main.Handle(), "Select the output folder", chosen); },
                        [&](HWND dialog) {
                            SaveWindow(dialog, folder + "\\folder-browser" + suffix);
                            ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                        });
        ui::FileDialogRequest request;
        request.Owner = main.Handle();
        request.Filter = main.OpenFilter();
        request.Flags = OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_FILEMUSTEXIST;
        if (!source.empty()) {
            request.InitialDir = sourceFolder;
            request.Title = folderName;
        }
        ModalProbe::Run([&] { system.FileDialog(request); },
                        [&](HWND dialog) {
                            SaveWindow(dialog, folder + "\\open-dialog" + suffix);
                            ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                        });
    }
    ui::App().DestroyForms();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    ui::App().Initialize();
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "startup")
        return Startup(argc > 2 ? std::max(1, std::atoi(argv[2])) : 15);
    if (mode == "screens" && argc > 2)
        return Screens(argv[2], argc > 3 ? argv[3] : "");
    std::fprintf(stderr, "usage: skin_look startup [rounds] | screens <folder> [source]\n");
    return 2;
}
