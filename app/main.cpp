#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    MessageBoxA(nullptr, "Korvane", "Korvane V1.8", MB_OK);
    return 0;
}
