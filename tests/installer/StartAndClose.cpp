// Starts a program, waits for its visible main window (class TMainForm),
// prints the window's caption, closes it as the user would and waits for the
// program to end. Exit code 0 when all of that happened in time.
//   korvane_start_close <program> [<current folder> [<argument>]]
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

struct Search {
    DWORD processId;
    HWND found;
};

HWND FindMainWindow(DWORD processId)
{
    Search search{processId, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM param) WINAPI -> BOOL {
            auto& s = *reinterpret_cast<Search*>(param);
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            char name[64] = {};
            GetClassNameA(hwnd, name, sizeof name);
            if (pid == s.processId && std::string(name) == "TMainForm" && IsWindowVisible(hwnd)) {
                s.found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: korvane_start_close <program> [<current folder> [<argument>]]\n");
        return 2;
    }
    std::string line = std::string("\"") + argv[1] + "\"";
    if (argc > 3)
        line += std::string(" \"") + argv[3] + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(argv[1], line.data(), nullptr, nullptr, FALSE, 0, nullptr, argc > 2 ? argv[2] : nullptr,
                        &si, &pi)) {
        std::printf("cannot start %s (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    HWND main = nullptr;
    for (int i = 0; i < 600 && !main; ++i) {
        if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0)
            break;
        main = FindMainWindow(pi.dwProcessId);
    }
    int result = 1;
    if (!main) {
        std::printf("no main window\n");
        TerminateProcess(pi.hProcess, 1);
    } else {
        char caption[256] = {};
        SendMessageA(main, WM_GETTEXT, sizeof caption, reinterpret_cast<LPARAM>(caption));
        std::printf("main window: %s\n", caption);
        PostMessageA(main, WM_CLOSE, 0, 0);
        DWORD code = 1;
        if (WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0 && GetExitCodeProcess(pi.hProcess, &code)) {
            std::printf("exit code %lu\n", code);
            result = code == 0 ? 0 : 1;
        } else {
            std::printf("still running after the close\n");
            TerminateProcess(pi.hProcess, 1);
        }
    }
    std::fflush(stdout);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return result;
}
