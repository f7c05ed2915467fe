#include "app/Korvane.h"
#include "app/PowerOff.h"

#include <windows.h>

#include <cstdlib>

namespace {

// DLLs are looked for in the system folders and the program's own folder,
// never in the current folder: listing the profiles makes Profiles\ the
// current folder, a folder users copy files into, and the program may be
// started from any folder (a download folder, a USB stick). This runs before
// anything of ours can load a DLL; the DLLs Korvane.exe imports are loaded
// before it, but all of them are system DLLs, which the system folder holds
// and which are therefore found there before any current folder. The shell,
// the common dialogs and DirectShow's error texts load at their first call,
// after this.
void RestrictDllSearch()
{
    // Taken by name: older systems (XP, Vista, 7 without its update) lack them.
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
    const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    const auto setDllDirectory = reinterpret_cast<SetDllDirectoryFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA")));
    // The program's folder and the system folders (LOAD_LIBRARY_SEARCH_DEFAULT_DIRS).
    constexpr DWORD kDefaultDirs = 0x00001000;
    if (setDefaultDllDirectories)
        setDefaultDllDirectories(kDefaultDirs);
    // Also for loads that ask for the classic search order, and where the call
    // above is missing: an empty folder takes the current folder out of it.
    if (setDllDirectory)
        setDllDirectory("");
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RestrictDllSearch();
    korvane::Korvane korvane;
    if (__argc > 1)
        korvane.CommandLineArgument = __argv[1];
    korvane.PowerOff = korvane::PowerOffComputer;
    korvane::WatchStartup(korvane);
    return korvane::RunKorvane(korvane);
}
