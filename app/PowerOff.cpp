#include "app/PowerOff.h"

#include <windows.h>

namespace korvane {

void EnableShutdownPrivilege()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
        TOKEN_PRIVILEGES previous{};
        DWORD length = 0;
        AdjustTokenPrivileges(token, FALSE, &privileges, sizeof previous, &previous, &length);
    }
    CloseHandle(token);
}

void PowerOffComputer()
{
    EnableShutdownPrivilege();
    ExitWindowsEx(EWX_POWEROFF, 0);
}

} // namespace korvane
