// A DLL that must never be loaded: it notes the path it was loaded from in the
// file named by KORVANE_PROBE_MARKER and refuses to stay. Planted under the
// names of DLLs a program looks for, it shows where the program looks.
#include <windows.h>

#include <cstdio>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    char marker[MAX_PATH] = {};
    char path[MAX_PATH] = {};
    if (GetEnvironmentVariableA("KORVANE_PROBE_MARKER", marker, MAX_PATH) &&
        GetModuleFileNameA(self, path, MAX_PATH)) {
        if (std::FILE* f = std::fopen(marker, "a")) {
            std::fprintf(f, "%s\n", path);
            std::fclose(f);
        }
    }
    return FALSE;
}

// For rundll32, which the test uses as a loader that keeps the usual search.
extern "C" __declspec(dllexport) void CALLBACK Probe(HWND, HINSTANCE, LPSTR, int) {}
