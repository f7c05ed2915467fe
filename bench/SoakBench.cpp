// A long session in one process, to see whether it leaks (bench/soak.sh):
//
//   korvane_soak <source> <output folder> [dialogs] [jobs] [loads]
//   korvane_soak bare <source> <rounds>   the loads with a bare system graph
//
// opens and closes Settings, About, the profile editor and the size dialog
// `dialogs` times each (500), runs `jobs` short jobs (200: copies and
// re-encodes of two seconds, every fourth one cancelled half-way) and loads
// the source `loads` times (200). It prints the process's GDI and USER
// objects, handles and private memory at the start, after a warm-up (the
// first tenth of each activity) and at the end. Wine counts no GDI or USER
// objects of a process: the GDI objects, device contexts and icons that the
// framework's wrappers hold are counted instead, and the USER objects as the
// process's windows; handles come from the system's handle list and private
// memory from the committed private regions when Wine gives no figure.
#include "app/Korvane.h"
#include "app/MainForm.h"
#include "app/AboutForm.h"
#include "prefs/SettingForm.h"
#include "profiles/SizeForm.h"
#include "profiles/opSettingForm.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "ui/Handles.h"

#include <windows.h>

#include <commctrl.h>
#include <dshow.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using namespace korvane;

namespace {

struct Figures {
    DWORD gdi = 0, user = 0;   // as the system counts them (0 where it does not)
    long wrappedGdi = 0, dcs = 0, icons = 0;
    int windows = 0;
    DWORD handles = 0;
    SIZE_T privateBytes = 0;
};

BOOL CALLBACK CountChild(HWND, LPARAM count)
{
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND hwnd, LPARAM count)
{
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == ::GetCurrentProcessId()) {
        ++*reinterpret_cast<int*>(count);
        ::EnumChildWindows(hwnd, CountChild, count);
    }
    return TRUE;
}

// The process's handles, from the system's handle list (what Wine answers;
// it gives no per-process handle count).
DWORD HandleCount()
{
    DWORD count = 0;
    if (::GetProcessHandleCount(::GetCurrentProcess(), &count) && count > 0)
        return count;
    struct Entry {
        ULONG OwnerPid;
        BYTE ObjectType;
        BYTE Flags;
        USHORT Value;
        PVOID Object;
        ULONG Access;
    };
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query)
        return 0;
    std::vector<unsigned char> buffer(1 << 16);
    for (;;) {
        ULONG needed = 0;
        const LONG status = query(16 /* handle information */, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == static_cast<LONG>(0xC0000004)) {
            buffer.resize(std::max<size_t>(buffer.size() * 2, needed));
            continue;
        }
        if (status != 0)
            return 0;
        break;
    }
    const ULONG entries = *reinterpret_cast<const ULONG*>(buffer.data());
    const auto* entry = reinterpret_cast<const Entry*>(buffer.data() + sizeof(ULONG_PTR));
    for (ULONG i = 0; i < entries; ++i)
        if (entry[i].OwnerPid == ::GetCurrentProcessId())
            ++count;
    return count;
}

// Committed private memory, region by region.
SIZE_T PrivateBytes()
{
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION info{};
    for (auto* at = static_cast<unsigned char*>(nullptr);
         ::VirtualQuery(at, &info, sizeof info) == sizeof info; at = static_cast<unsigned char*>(info.BaseAddress) + info.RegionSize) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE)
            total += info.RegionSize;
        if (info.RegionSize == 0)
            break;
    }
    return total;
}

Figures Measure()
{
    ui::App().ProcessMessages();
    Figures f;
    HANDLE self = ::GetCurrentProcess();
    f.gdi = ::GetGuiResources(self, GR_GDIOBJECTS);
    f.user = ::GetGuiResources(self, GR_USEROBJECTS);
    f.wrappedGdi = ui::HandleCounts::GdiObjects;
    f.dcs = ui::HandleCounts::DeviceContexts;
    f.icons = ui::HandleCounts::Icons;
    ::EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&f.windows));
    f.handles = HandleCount();
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (::GetProcessMemoryInfo(self, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory))
        f.privateBytes = memory.PrivateUsage;
    if (f.privateBytes == 0)
        f.privateBytes = PrivateBytes();
    return f;
}

void Print(const char* when, const Figures& f)
{
    std::printf("%-12s gdi %4lu  user %4lu | wrapped gdi %4ld  dcs %3ld  icons %3ld | windows %4d | handles %5lu | "
                "private %8.1f KB\n",
                when, f.gdi, f.user, f.wrappedGdi, f.dcs, f.icons, f.windows, f.handles,
                static_cast<double>(f.privateBytes) / 1024.0);
    std::fflush(stdout);
}

std::string ProgramFolder()
{
    std::string dir = KORVANE_DIST_DIR;
    std::replace(dir.begin(), dir.end(), '/', '\\');
    return "Z:" + dir;
}

int Count(char** argv, int argc, int at, int fallback)
{
    return argc > at ? std::max(0, std::atoi(argv[at])) : fallback;
}

} // namespace

// The same loads without the program: a bare system graph built, run and
// released each time, to tell the program's handles from the system's.
int BareGraphs(const std::string& source, int rounds)
{
    ::CoInitialize(nullptr);
    const int n = ::MultiByteToWideChar(CP_ACP, 0, source.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, source.c_str(), -1, wide.data(), n);
    auto once = [&] {
        IGraphBuilder* graph = nullptr;
        if (FAILED(::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                      reinterpret_cast<void**>(&graph))))
            return;
        graph->RenderFile(wide.c_str(), nullptr);
        IMediaControl* control = nullptr;
        if (SUCCEEDED(graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control)))) {
            control->Run();
            ::Sleep(50);
            control->Stop();
            control->Release();
        }
        graph->Release();
    };
    once();
    const Figures warm = Measure();
    Print("bare warm", warm);
    for (int i = 0; i < rounds; ++i)
        once();
    const Figures end = Measure();
    Print("bare end", end);
    std::printf("bare graphs: %d rounds, handles %+ld\n", rounds,
                static_cast<long>(end.handles) - static_cast<long>(warm.handles));
    ::CoUninitialize();
    return 0;
}

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "bare")
        return BareGraphs(argv[2], std::atoi(argv[3]));
    if (argc < 3) {
        std::fprintf(stderr, "usage: korvane_soak <source> <output folder> [dialogs] [jobs] [loads]\n");
        return 2;
    }
    const std::string source = argv[1], output = argv[2];
    const int dialogRounds = Count(argv, argc, 3, 500), jobs = Count(argv, argc, 4, 200),
              loads = Count(argv, argc, 5, 200);
    ui::App().Initialize();
    ui::ScriptedDialogs dialogs;
    Korvane korvane;
    korvane.ProgramDirOverride = ProgramFolder();
    korvane.ShellOpen = [](HWND, const std::string&) {};
    korvane.PowerOff = [] {};
    CreateKorvaneWindows(korvane);
    TMainForm& main = *korvane.MainForm;
    main.Show();
    korvane.SettingForm->chkOverwrite.SetChecked(true);
    korvane.SettingForm->chkOpenDir.SetChecked(false);
    main.LoadSource(source);
    if (!main.SourceLoaded) {
        std::printf("error=the preview could not load %s\n", source.c_str());
        return 1;
    }
    main.edtOutputDir.SetText(output);
    const Figures start = Measure();
    Print("start", start);

    auto openAndClose = [&](int rounds) {
        for (int i = 0; i < rounds; ++i) {
            main.sbtnSettingsClick(main.sbtnSettings);
            ui::App().ProcessMessages();
            korvane.SettingForm->btnCancel.Click();
            main.sbtnAboutClick(main.sbtnAbout);
            ui::App().ProcessMessages();
            korvane.AboutForm->btnOK.Click();
            main.BitBtn1Click(main.BitBtn1);
            ui::App().ProcessMessages();
            korvane.SizeForm->Show();
            ui::App().ProcessMessages();
            korvane.SizeForm->btnCancel.Click();
            korvane.opSettingForm->Close();
            main.SetEnabled(true);
            ui::App().ProcessMessages();
        }
    };
    const std::vector<std::string> profiles = {"Settings of the source file.", "AVI video, MPEG-4 and MP3"};
    int cancelled = 0, made = 0;
    auto runJobs = [&](int count) {
        for (int i = 0; i < count; ++i) {
            const std::string& profile = profiles[static_cast<size_t>(i) % profiles.size()];
            const auto& items = main.cmbProfile.Items();
            main.cmbProfile.SetItemIndex(static_cast<int>(std::find(items.begin(), items.end(), profile) - items.begin()));
            main.cmbProfileChange(main.cmbProfile);
            main.rdbStartEnd.SetChecked(true);
            main.edtStart.SetText("00:00:00");
            main.edtEnd.SetText("00:00:02");
            const bool cancel = i % 4 == 3;
            bool clicked = false;
            auto previous = main.pgbCurrent.WindowProc;
            if (cancel) {
                // The user clicks the Cancel picture at the first progress.
                main.pgbCurrent.WindowProc = [&](ui::Message& m) {
                    if (m.Msg == PBM_SETPOS && !clicked) {
                        clicked = true;
                        const LPARAM at = MAKELPARAM(229 + 60, 291 + 30);
                        ::PostMessageA(main.panRight.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
                        ::PostMessageA(main.panRight.Handle(), WM_LBUTTONUP, 0, at);
                    }
                    previous(m);
                };
                dialogs.QueueAnswer(IDYES);
            }
            main.imgStartClick(main.imgStart);
            main.pgbCurrent.WindowProc = previous;
            for (const auto& call : dialogs.MessageBoxes())
                if (call.Text.find("completed successfully") != std::string::npos)
                    ++made;
            cancelled += clicked ? 1 : 0;
            dialogs.ClearCalls();
            ui::App().ProcessMessages();
        }
    };
    auto loadSources = [&](int count) {
        for (int i = 0; i < count; ++i) {
            main.LoadSource(source);
            ui::App().ProcessMessages();
        }
    };

    // Warm-up: a tenth of each, so that caches, fonts and pictures made once are in.
    openAndClose(dialogRounds / 10);
    runJobs(jobs / 10);
    loadSources(loads / 10);
    const Figures warm = Measure();
    Print("warmed up", warm);

    openAndClose(dialogRounds - dialogRounds / 10);
    Print("dialogs", Measure());
    runJobs(jobs - jobs / 10);
    Print("jobs", Measure());
    loadSources(loads - loads / 10);
    const Figures end = Measure();
    Print("end", end);

    std::printf("\nrounds: %d of each dialog, %d jobs (%d made, %d cancelled), %d loads\n", dialogRounds, jobs, made,
                cancelled, loads);
    std::printf("after warm-up: gdi %+ld  user %+ld  wrapped gdi %+ld  dcs %+ld  icons %+ld  windows %+d  handles %+ld  "
                "private %+.1f KB (target: no growth of objects or handles, memory under 2048 KB)\n",
                static_cast<long>(end.gdi) - static_cast<long>(warm.gdi),
                static_cast<long>(end.user) - static_cast<long>(warm.user), end.wrappedGdi - warm.wrappedGdi,
                end.dcs - warm.dcs, end.icons - warm.icons, end.windows - warm.windows,
                static_cast<long>(end.handles) - static_cast<long>(warm.handles),
                (static_cast<double>(end.privateBytes) - static_cast<double>(warm.privateBytes)) / 1024.0);
    ui::App().DestroyForms();
    return 0;
}
