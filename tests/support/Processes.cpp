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

std::vector<ProcessEntry> RunningFrom(const std::string& folder)
{
    const std::string withSlash = folder + "\\";
    std::wstring prefix(MultiByteToWideChar(CP_ACP, 0, withSlash.c_str(), -1, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, withSlash.c_str(), -1, prefix.data(), static_cast<int>(prefix.size()));
    prefix.resize(prefix.size() - 1);
    std::vector<ProcessEntry> running;
    for (ProcessEntry& process : Processes())
        if (process.image.size() >= prefix.size()
            && lstrcmpiW(process.image.substr(0, prefix.size()).c_str(), prefix.c_str()) == 0)
            running.push_back(std::move(process));
    return running;
}

bool RunsFrom(const std::string& folder, const std::wstring& exeName)
{
    for (const ProcessEntry& process : RunningFrom(folder))
        if (lstrcmpiW(process.exeName.c_str(), exeName.c_str()) == 0)
            return true;
    return false;
}

std::vector<std::string> LeftRunningIn(const std::string& folder)
{
    std::vector<ProcessEntry> left = RunningFrom(folder);
    // A killed process takes a moment to be gone from the list.
    for (const DWORD until = GetTickCount() + 5000; !left.empty() && GetTickCount() < until;) {
        Sleep(50);
        left = RunningFrom(folder);
    }
    std::vector<std::string> names;
    for (const ProcessEntry& process : left)
        names.emplace_back(process.exeName.begin(), process.exeName.end());
    return names;
}

} // namespace korvane::testing
