// The least Win32 program the start-up benchmark compares the program with:
// one window class, one visible window of the main window's client size, a
// message loop. At the end of its first complete paint (the loop finds
// nothing left to do) it writes, as korvane_timed.exe does, the moment its
// entry ran and the paint's span to its standard output, and ends.
#include <windows.h>

#include <string>

namespace {

LONGLONG Now()
{
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return t.QuadPart;
}

LRESULT CALLBACK BareProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(hwnd, msg, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    const LONGLONG entry = Now();
    WNDCLASSA wc{};
    wc.lpfnWndProc = &BareProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "BareWindow";
    ::RegisterClassA(&wc);
    RECT r{0, 0, 783, 431};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    ::AdjustWindowRect(&r, style, FALSE);
    HWND hwnd = ::CreateWindowA("BareWindow", "Bare window", style, CW_USEDEFAULT, CW_USEDEFAULT,
                                r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    const LONGLONG shown = Now();
    ::ShowWindow(hwnd, show);
    MSG msg;
    for (;;) {
        if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            const LONGLONG painted = Now();
            LARGE_INTEGER frequency;
            ::QueryPerformanceFrequency(&frequency);
            const std::string text = "frequency " + std::to_string(frequency.QuadPart) + " 0\nmain " +
                                     std::to_string(entry) + " " + std::to_string(entry) + "\nforms " +
                                     std::to_string(entry) + " " + std::to_string(shown) + "\npaint " +
                                     std::to_string(shown) + " " + std::to_string(painted) + "\n";
            DWORD written = 0;
            ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
                        nullptr);
            ::ExitProcess(0);
        }
        if (::GetMessageA(&msg, nullptr, 0, 0) <= 0)
            break;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return 0;
}
