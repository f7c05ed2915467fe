#pragma once
// A folder no other test has: a name never in use before, created fresh in
// `parent` (which ends with a separator). Process numbers come round again
// under Wine, so the name has the time and a count beside the number, and a
// folder that is already there is never taken over or emptied.
#include <windows.h>

#include <atomic>
#include <string>

namespace korvane::testsupport {

inline std::wstring MakeFreshFolder(const std::wstring& parent, const std::wstring& prefix)
{
    static std::atomic<unsigned> count{0};
    for (int tries = 0; tries < 1000; ++tries) {
        LARGE_INTEGER now{};
        QueryPerformanceCounter(&now);
        const std::wstring path = parent + prefix + std::to_wstring(GetCurrentProcessId()) + L"-"
            + std::to_wstring(static_cast<unsigned long long>(now.QuadPart)) + L"-" + std::to_wstring(++count);
        if (CreateDirectoryW(path.c_str(), nullptr))
            return path;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    return {};
}

inline std::string MakeFreshFolder(const std::string& parent, const std::string& prefix)
{
    const std::wstring made = MakeFreshFolder(std::wstring(parent.begin(), parent.end()),
                                              std::wstring(prefix.begin(), prefix.end()));
    return std::string(made.begin(), made.end());
}

// The temporary folder, with its separator.
inline std::string TempFolder()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return temp;
}

} // namespace korvane::testsupport
