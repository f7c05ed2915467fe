#include "Processes.h"

#include <tlhelp32.h>

namespace korvane::testing {

std::vector<ProcessEntry> Processes()
{
    // Looked up at run time: the older headers the toolchain may carry lack it.
    using QueryImageName = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);
    static const auto query = reinterpret_cast<QueryImageName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameW")));
    constexpr DWORD kQueryLimitedInformation = 0x1000;
    std::vector<ProcessEntry> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return found;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        ProcessEntry process{entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile, {}};
        if (HANDLE handle = OpenProcess(kQueryLimitedInformation, FALSE, entry.th32ProcessID)) {
            wchar_t path[MAX_PATH] = {};
            DWORD size = MAX_PATH;
            if (query != nullptr && query(handle, 0, path, &size))
                process.image.assign(path, size);
            CloseHandle(handle);
        }
        found.push_back(std::move(process));
    }
    CloseHandle(snapshot);
    return found;
}

DWORD ChildOf(DWORD parent, const std::wstring& exeName)
{
    for (const ProcessEntry& process : Processes())
        if (process.parent == parent && lstrcmpiW(process.exeName.c_str(), exeName.c_str()) == 0)
            return process.id;
    return 0;
}

} // namespace korvane::testing
