// Sits in Wine with one hidden window until the wineserver goes away, so
// that each test process finds Wine's helpers already running.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    HWND wnd = CreateWindowExA(0, "STATIC", "korvane_idle", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    DestroyWindow(wnd);
    return 0;
}
