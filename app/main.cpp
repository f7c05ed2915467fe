#include "app/Korvane.h"
#include "app/PowerOff.h"

#include <windows.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    korvane::Korvane korvane;
    if (__argc > 1)
        korvane.CommandLineArgument = __argv[1];
    korvane.PowerOff = korvane::PowerOffComputer;
    return korvane::RunKorvane(korvane);
}
